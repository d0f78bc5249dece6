// The source reader of every pass: the WordStar filter with its reading window of three
// characters, dot-command lines, and the conditional-text commands .IF/.EL/.EN with the number
// reservations .NR/.HD. All passes take conditions through the same parser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/foundation/byte_scan.h"

namespace skeldon {

struct CompilerRun;
struct TSourceBuffer;

inline constexpr std::size_t kDotLineMax = 255;
inline constexpr std::size_t kConditionTextMax = 199;

struct TSourceReaderState {
  std::string DotLine;                     // rest of the current dot line (at most kDotLineMax)
  bool ConditionOn = true;                 // the text is taken
  bool IfOpen = false;                     // an .IF waits for its .EN
  std::uint16_t PendingFileNumber = 0;     // last .NR value, 0 = none
  std::uint16_t PendingHeadingNumber = 0;  // last .HD value, 0 = none
  std::uint8_t SoftSpaceChar = ' ';        // what a WordStar soft space becomes
  bool SoftSpacesAsBlanks = false;         // .SP ON
  bool PrePassRunning = false;             // heading pass or link pass
  bool DotLineMark = false;  // the line being read began with a dot: a dot-command line
  // The bytes SkipWithinLine stops at (line ends and one more byte), kept for that byte.
  TStopBytes LineStops;
  int LineStopsFor = -2;
};

// Shifts the window and reads the next character into NextChar. At each line start it also
// decides DotLineMark, which then holds for the whole line.
void ReadSourceChar(CompilerRun& run);
// For the passes that only look at line starts and a few marks: does in one go what
// ReadSourceChar would do over the bytes up to the next line end, the byte `stop` (a value
// from 0 to 255, or -1 for none) or the end of the source. Only plain input without the
// debug echo, and only when no CR stands in the window; otherwise nothing is read. Returns
// the number of bytes passed.
std::size_t SkipWithinLine(CompilerRun& run, int stop);
// Moves the reading window over the bytes from the read position up to `end` (none of them a
// line end), as ReadSourceChar would one by one.
void AdvanceReaderWindow(TSourceBuffer& sb, std::size_t end);
// Reads the rest of the current source line into DotLine (leading blanks skipped).
void ReadDotCommandLine(CompilerRun& run);

// The window before the first read of a pass: NextChar CR, CurChar and PrevChar 0.
void PrimeReaderWindow(CompilerRun& run);

bool IsConditionDefined(const CompilerRun& run, std::string_view name);
bool EvaluateCondition(CompilerRun& run, std::string_view condition);
// command: two upper-cased command letters. readRest: the rest of the line is still in the
// source (heading and link pass); otherwise DotLine holds the whole line, letters included.
// True for IF, EN, EL, NR and HD.
bool HandleConditionCommand(CompilerRun& run, std::string_view command, bool readRest);

}  // namespace skeldon
