// The ini file: finding it, reading its "key = value" lines, matching each line to one of the
// 58 keys, and the checks made once the whole file is read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/foundation/ini_keys.h"
#include "compiler/foundation/messages.h"

namespace skeldon {

struct FoundationRun;

inline constexpr std::size_t kIniLineMax = 255;

// State of the reader; IniLine and IniErrorFlag are read and set by ReportIniLineError.
struct TIniFileState {
  std::string IniLine;    // the current line as read (after the "//" cut)
  std::string LowerLine;  // its lower-cased copy
  bool IniErrorFlag = false;
  bool MissingFlag = false;
  // Lines that matched each key, [1 .. 58]; counts stop at 255 so many lines never wrap to 0.
  std::array<std::uint8_t, kIniKeyCount + 1> KeyCounters{};
  std::array<bool, kFontLetterCount> FontLetterDefined{};  // "@" .. "z"
  int LineNumber = 0;  // 1-based number of the current line in the file
};

// Called first by ReadIniFile: the defaults of every ini table and setting.
void ClearIniTables(FoundationRun& run);

// Finds, reads and checks the ini file; with stopOnError every stop goes through Terminate
// (11 file not found, 1 bad lines, missing keys or clashing characters).
void ReadIniFile(FoundationRun& run, bool stopOnError);

// Steps after the file is found: reads the text (first line skipped), then the checks. Used by
// ReadIniFile and by tests and the fuzz target with text held in memory.
void ReadIniText(FoundationRun& run, std::string_view text, bool stopOnError);

// Line error of the ini file: "Error in ini file line:", the line in quotes, the message + "!",
// an empty line, all also to the error file; sets IniErrorFlag.
void ReportIniLineError(FoundationRun& run, const Message& message);

}  // namespace skeldon
