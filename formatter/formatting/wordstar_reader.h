// The reader of the formatting run: decodes WordStar documents (high-bit flags, 0x1D blocks,
// ESC pairs) and plain text in the IBM or Windows character set, recognises note markers and
// margin notes, and dispatches each character of the text.
#pragma once

#include <cstdint>
#include <string>

#include "formatter/common/formatted_file.h"

namespace tavrel {

struct FormatRun;

inline constexpr uint8_t kEndOfInput = kEndOfFileMark;  // what a read beyond the end gives

// Makes bytes the input of the run and resets the reader's position.
void SetInput(FormatRun& run, std::string bytes);
// Resets the reader's position to the start of the input it has just opened.
void StartInput(FormatRun& run);
// True when every byte was read (a pushed-back character may still be waiting).
bool AtInputEnd(const FormatRun& run);

// The next character of a WordStar document (mode 0).
uint8_t ReadWordStarChar(FormatRun& run);
// The next character by input character mode; a bare LF comes as CR then LF.
uint8_t ReadInputChar(FormatRun& run);
// ReadInputChar plus note markers and margin notes.
uint8_t NextSourceChar(FormatRun& run);

// A character for the character loop to take again.
void PushBack(FormatRun& run, uint8_t c);
// The character the loop will take next when one was pushed back, else the current one.
uint8_t PeekNextChar(const FormatRun& run);

// Reads the typed indentation of the next line.
void StartLine(FormatRun& run);
// Processes the current character.
void DispatchCharacter(FormatRun& run);
// DispatchCharacter, then word breaking when 6 characters lie beyond the margin.
void ProcessCharacter(FormatRun& run);
// Injects a character (macro bodies, heading numbers, template text).
void FeedCharacter(FormatRun& run, uint8_t c);
void FeedText(FormatRun& run, const std::string& text);

// Stream switches; each loads the character widths of the stream's font.
void SelectNotesStream(FormatRun& run);
void SelectTextStream(FormatRun& run);
void BeginNote(FormatRun& run);
void EndNote(FormatRun& run);

// Ends the run with a message: 2 end marker missing, 3 begin marker missing, 100 user stop.
void AbortFormatting(FormatRun& run, int code);

}  // namespace tavrel
