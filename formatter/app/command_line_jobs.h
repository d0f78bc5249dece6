// Tavrel started from the command line without windows: "DOC /F" formats the document as the
// format job does and ends, "DOC /P" prints its formatted file on the selected printer and
// ends. The engine does the work; this unit loads the settings, prepares fonts and printer,
// reports on the console and turns the outcome into an exit code.
#pragma once

#include <string>
#include <vector>

#include "formatter/app/console_outlets.h"
#include "platform/console.h"
#include "platform/printers.h"

namespace tavrel {

enum TavrelExitCode : int {
  kExitOk = 0,
  kExitJobFailed = 1,   // the job ran and reported an error, or was stopped
  kExitNotStarted = 2,  // command line, document, settings or printer kept the job from starting
};

// Environment variables of the program: where the installed data files are, and the printer.
inline constexpr const char* kProgramDirectoryVariable = "TAVREL_PROGRAM_DIR";

struct TavrelEnvironment {
  // The installed data files (headings template, syllable exceptions, hyphenation patterns).
  std::string ProgramDirectory;
  // Tavrel.dta, "Fonts.ini" and the printer data files; empty: the program directory when it
  // can be written, else the per-user folder.
  std::string SettingsDirectory;
  std::string CurrentDirectory;               // relative document names; empty: the process's
  platform::PrinterList* Printers = nullptr;  // null: the machine's printers
  // The printer selected at the start (Windows' default printer); empty or unknown: the
  // virtual PostScript printer.
  std::string DefaultPrinter;
  // The font families the printer offers, for a new "Fonts.ini"; empty: fontconfig's list.
  std::vector<std::string> FontFamilies;
  platform::Console* Console = nullptr;  // null: standard output and error
  QuestionAnswerer Answer;               // null: asked on the terminal
  bool ShowProgress = false;             // page progress in one redrawn line
};

struct TavrelRunResult {
  int ExitCode = kExitNotStarted;
  std::string Document;       // the current document (the source), absolute
  std::string FormattedFile;  // job F: the file written
  int FormattedPages = 0;
  std::string PrintedFile;                // job P: the formatted file printed
  std::string PrintOutput;                // the PostScript file or the PNG folder ("" for a queue)
  std::vector<std::string> PrintedFiles;  // what the printer wrote
  int PrintedPages = 0;
};

TavrelRunResult RunTavrelCommandLine(const std::vector<std::string>& args,
                                     const TavrelEnvironment& env);

// The usage lines shown when the program is started without a job.
std::string TavrelUsageText(std::uint8_t language);

}  // namespace tavrel
