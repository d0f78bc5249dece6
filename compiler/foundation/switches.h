// Option fields of one Skeldon run, their start values, the program start of the main unit,
// the command-line walk, the graphics directory list, the help-compiler command lines and the
// end-of-run sound.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class System;
}

namespace skeldon {

struct FoundationRun;

// Longest texts of the option fields; a longer value is cut when stored.
inline constexpr std::size_t kIniFileNameMax = 140;
inline constexpr std::size_t kProjectFileNameMax = 255;
inline constexpr std::size_t kSourceFileNameMax = 255;
inline constexpr std::size_t kIpfFileNameMax = 120;
inline constexpr std::size_t kRtfFileNameMax = 140;
inline constexpr std::size_t kConditionNameMax = 30;
inline constexpr std::size_t kPageNamePrefixMax = 40;
// The user may name 19 conditions; the compile run appends up to two target names after them.
inline constexpr int kMaxUserConditions = 19;
inline constexpr int kMaxConditions = 21;

// Index of each target request flag (the target words of the command line / project file).
enum TTargetRequest : int {
  kRequestIpf = 0,
  kRequestWinHelp3,
  kRequestWinHelp4,
  kRequestHtml,
  kRequestHtmlHelp,
  kRequestRtfText,
  kRequestRtfTextCc,
  kTargetRequestCount
};

// The option fields of one run. ResetSwitches sets every field in the first block; the
// fields of the second block start out empty with the program and are not reset.
struct TSwitches {
  bool ProjectFileRead = false;    // a project file was read: key wait at the end unless /quit
  bool IpfReverseInput = false;    // a parameter holding ".ipf": IPF reverse conversion
  bool RtfReverseInput = false;    // a parameter holding ".rtf": RTF reverse conversion
  bool IsTextOption = false;       // /istext
  bool IsProgOption = false;       // /isprog
  bool UnderscoreButtons = false;  // /_  : button pictures "_.GIF"
  std::vector<std::string> SourceFiles;  // the source-file list in the order named
  std::string SourceFileName;   // first source file exactly as named (also the main source name)
  std::string SourceDirectory;  // part of the first source before its last "\" (or current dir)
  std::string OutputDirectory;  // first source up to its first "." (or + ".DIR"): output base name
  std::string OutputDirectoryName;  // OutputDirectory after its last "\"
  std::string IniFileName;          // at most kIniFileNameMax
  std::string ProjectFileName;      // at most kProjectFileNameMax
  std::string IpfFileName;          // at most kIpfFileNameMax
  std::string RtfFileName;          // at most kRtfFileNameMax
  bool PrefixFromSource = false;    // /pre
  bool WordStarInput = true;        // ini "source format"
  bool SoftLineEnds = true;         // ini "source format"
  bool QuietSourceErrors = false;   // /q
  bool TestIfHere = false;          // /test_if_here
  bool DebugEcho = false;           // /debug
  bool CountLines = false;          // /count
  bool DebugMainOnly = false;       // /debugmain
  bool CompareMode = false;         // /compare
  bool PrepareUploadMode = false;   // /prepareupload
  bool NoFrames = false;            // set by the run preparation (/noframes or "footnotes")
  bool NoIdOption = false;          // /noid
  bool NewIpfCompiler = false;      // /newipfc
  bool FatFileNames = false;        // /fat
  std::array<bool, kTargetRequestCount> TargetRequests{};  // indexed by TTargetRequest
  std::uint8_t TargetCode = 0;  // 0 html, 1 winhelp3, 2 winhelp4, 3 ipf, 4 htmlhelp, 5 rtftext(cc)
  bool InternalContents = false;  // /internal
  int ConditionCount = 0;         // used entries of ConditionNames, [0 .. ConditionCount-1]
  std::array<std::string, kMaxConditions> ConditionNames{};  // each at most kConditionNameMax
  double FontScale = 1.0;                                    // /bigfont 1.33, /smallfont 0.8
  int ContentsDepth = 6;                                     // ini "content level"
  bool TargetOverride = false;                               // any target word
  std::string PageNamePrefix;  // /pre, ini "pre filename"; at most kPageNamePrefixMax
  bool ShowDots = false;       // /dots
  bool QuitAtEnd = false;      // /quit
  bool HoldAtEnd = false;      // /hold

  // Not reset by ResetSwitches.
  bool NoFramesSwitch = false;      // /noframes
  std::int32_t DebugStartLine = 0;  // number after /debug or /debugmain; the word sets 1 first
  char FootnoteStartChar = 0;       // /fuXY (0 = not given)
  char FootnoteEndChar = 0;
  std::string ProgramPath;  // the program file (argv[0]), set by main before anything runs
  std::vector<std::string> ProgramParameters;  // the command-line words after the program name
};

// The eight help-compiler and viewer command lines, each at most kProgramCommandMax.
inline constexpr std::size_t kProgramCommandMax = 120;
enum TProgramCommandIndex : int {
  kWinHelp3Compiler = 0,
  kWinHelp4Compiler,
  kHtmlHelpCompiler,
  kIpfCompiler,
  kWinHelp3Viewer,
  kWinHelp4Viewer,
  kHtmlHelpViewer,
  kIpfViewer,
  kProgramCommandCount
};
struct TProgramCommands {
  std::array<std::string, kProgramCommandCount> Lines{};
};

// The graphic path of the project file / ini file and the directories taken from it.
struct TGraphicDirectories {
  std::string GraphicPath;                        // raw ";"-separated text, at most 255
  bool SearchGraphicFiles = false;                // "search graphic files"
  std::vector<std::string> GraphicDirectoryList;  // in order, without trailing backslash
};

// Start values of the main unit that are not switches.
struct TMainUnitState {
  bool PascalForm = false;             // help table / panel ID files in Pascal syntax
  std::array<bool, 256> VowelTable{};  // a e i o u y (lower case only)
  // Where the end sound goes (tests record it); nullptr: the real system.
  platform::System* Sound = nullptr;
  // The Windows family the end sound follows: NT tones, or the 9x MessageBeep sounds.
  bool WindowsNtFamily = true;
  // The Windows directory of the viewer defaults (GetWindowsDirectory, at most 49 characters).
  std::string WindowsDirectory = "C:\\WINDOWS";
};

// Sets every field of the first block of TSwitches to its start value.
void ResetSwitches(TSwitches& switches);

// The first unit initialisation: program commands, Language, lower-case and code-page tables,
// vowel table, default command lines.
void InitMainUnit(FoundationRun& run);

// Every parameter through HandleCommandLineWord, then /pre; banner and usage when nothing is
// named (ShowUsage ends the run with exit code 0).
void ReadCommandLine(FoundationRun& run);

// The one banner line, not to the error file.
void WriteBanner(FoundationRun& run);
std::string BannerText();

// Appends a directory (a trailing backslash removed).
void AddGraphicDirectory(TGraphicDirectories& dirs, std::string_view directory);

// The program file's name up to, not including, its last "\" or "/".
std::string GetProgramDirectory(const FoundationRun& run);
std::string GetProgramDirectory(std::string_view programPath);

// Puts the default into every empty command line; lines holding text stay.
void SetDefaultCommandLines(TProgramCommands& commands, std::string_view windowsDirectory);
void SetDefaultCommandLines(FoundationRun& run);

// The end-of-run sound: nothing unless "beep" is on; success = completed and RunSuccess.
void PlayEndSound(FoundationRun& run, bool completed);

}  // namespace skeldon
