// The project file (".skj"): source files, ini file, targets, conditions and switches, the ftp
// settings of the upload tool, the help compiler and viewer command lines, compile/view after
// the run and the graphics search path.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "compiler/foundation/messages.h"

namespace skeldon {

struct FoundationRun;

inline constexpr std::size_t kProjectLineMax = 255;
inline constexpr std::size_t kProjectValueMax = 199;

struct ProjectFileState {
  std::string FtpServerName;       // at most 70
  std::string FtpUserName;         // at most 70
  std::string FtpPassword;         // at most 50
  std::string FtpServerDirectory;  // at most 140
  std::string FtpCommands;         // at most 250
  std::string ConsoleLines;        // at most 30: "MODE 80," + this in the batch file
  bool CompileAfterRun = false;
  bool ViewAfterRun = false;
  std::string PreFileName = "*";  // at most 40: prefix pattern of output file names
  bool SearchGraphicLineGiven = false;
  std::string CurrentLine;  // the line being read, after the comment cut
  int LineErrors = 0;       // line errors reported for the file read last
};

// Reads the project file named by ProjectFileName (if any); called once by the main program.
void ReadProjectFile(FoundationRun& run);

// The line handling of ReadProjectFile on text held in memory (tests, fuzzing): every line,
// then the check that a source file was named.
void ReadProjectFileText(FoundationRun& run, std::string_view text);

// Rebuilds the graphics directory list from GraphicPath ("[SKELDONDIR]", "[PROJECTDIR]").
void ParseGraphicPath(FoundationRun& run);

// One line error: "Error in SKJ file line:", the line in quotes, the message with "!", a blank
// line.
void ReportProjectLineError(FoundationRun& run, const Message& message);

}  // namespace skeldon
