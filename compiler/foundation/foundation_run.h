// The run context of Skeldon's foundation: the settings of the command line, the project and
// ini files, the joined sources and the reporter. The passes and writers extend it into
// CompilerRun; foundation code takes only this part, so it never depends on them.
#pragma once

#include <atomic>
#include <cstdint>

#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/command_line.h"
#include "compiler/foundation/console_reporter.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/ini_file.h"
#include "compiler/foundation/ini_keys.h"
#include "compiler/foundation/ini_values.h"
#include "compiler/foundation/project_file.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/foundation/switches.h"
#include "compiler/foundation/toggles.h"

namespace skeldon {

struct FoundationRun {
  std::int32_t Language = 0;  // messages: 0 English, 1 German, other values print nothing
  bool RunSuccess = false;    // no counted source error; decides sound and help compiler
  bool RunCompleted = false;  // set at the very end of a run; decides the exit code
  std::atomic<bool>* UserBreakRequested =
      nullptr;                           // the program's break flag (SIGINT); none: no break
  skeldon::ReporterState ReporterState;  // progress display and log files
  SourceLineState Lines;                 // CurrentSourceLine, LastMessageLine, ErrorLineOffset
  TSwitches Switches;                    // option fields
  TProgramCommands ProgramCommands;      // help compiler and viewer command lines
  TGraphicDirectories Graphics;          // graphic path and directory list
  TMainUnitState MainUnit;               // start values of the main unit
  CommandLineState CommandLine;          // WordList
  ProjectFileState Project;              // project file settings
  ToggleTables Toggles;                  // internal toggle characters
  TSourceBuffer Source;                  // the joined sources and the read position
  IniValueTables IniValues;              // font, button, template and word-character tables
  TFileNameState FileNames;              // lower-case table, page extension, .ID page names
  TCharConversionState CharConversion;   // code-page tables and the text-context flags
  TIniSettings Ini;                      // the settings of the ini file
  TIniFileState IniFile;                 // the ini reader's key counters and flags
  TConsoleReporter Reporter{*this};      // last: it works on the state above

  FoundationRun() = default;
  FoundationRun(const FoundationRun&) = delete;
  FoundationRun& operator=(const FoundationRun&) = delete;
};

// The read position has passed the last byte of the source buffer.
inline bool SourceEof(const FoundationRun& run) {
  return run.Source.Position >= run.Source.Data.size();
}

}  // namespace skeldon
