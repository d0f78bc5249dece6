#include "compiler/foundation/switches.h"

#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/command_line.h"
#include "compiler/foundation/file_names.h"
#include "compiler/foundation/foundation_run.h"
#include "platform/files.h"
#include "platform/system.h"

namespace skeldon {

void ResetSwitches(TSwitches& s) {
  s.ProjectFileRead = false;
  s.IpfReverseInput = false;
  s.RtfReverseInput = false;
  s.IsTextOption = false;
  s.IsProgOption = false;
  s.UnderscoreButtons = false;
  s.SourceFiles.clear();
  s.SourceFileName.clear();
  s.SourceDirectory.clear();
  s.OutputDirectory.clear();
  s.OutputDirectoryName.clear();
  s.IniFileName.clear();
  s.ProjectFileName.clear();
  s.IpfFileName.clear();
  s.RtfFileName.clear();
  s.PrefixFromSource = false;
  s.WordStarInput = true;
  s.SoftLineEnds = true;
  s.QuietSourceErrors = false;
  s.TestIfHere = false;
  s.DebugEcho = false;
  s.CountLines = false;
  s.DebugMainOnly = false;
  s.CompareMode = false;
  s.PrepareUploadMode = false;
  s.NoFrames = false;
  s.NoIdOption = false;
  s.NewIpfCompiler = false;
  s.FatFileNames = false;
  s.TargetRequests.fill(false);
  s.TargetCode = 0;
  s.InternalContents = false;
  s.ConditionCount = 0;
  for (std::string& name : s.ConditionNames) name.clear();
  s.FontScale = 1.0;
  s.ContentsDepth = 6;
  s.TargetOverride = false;
  s.PageNamePrefix.clear();
  s.ShowDots = false;
  s.QuitAtEnd = false;
  s.HoldAtEnd = false;
}

void InitMainUnit(FoundationRun& run) {
  for (std::string& line : run.ProgramCommands.Lines) line.clear();
  run.Language = 0;
  run.MainUnit.PascalForm = false;
  BuildIbmLowerCaseTable(run.FileNames.LowerCaseTable);
  run.MainUnit.VowelTable.fill(false);
  for (char vowel : std::string_view("aeiouy")) {
    run.MainUnit.VowelTable[static_cast<std::uint8_t>(vowel)] = true;
  }
  BuildCodePageTables(run.CharConversion.Tables);
  SetDefaultCommandLines(run);
  run.Source.Loaded = false;
}

void ReadCommandLine(FoundationRun& run) {
  // A copy: a word may not change the list it comes from.
  const std::vector<std::string> parameters = run.Switches.ProgramParameters;
  for (const std::string& word : parameters) HandleCommandLineWord(run, word);
  TSwitches& s = run.Switches;
  if (s.PrefixFromSource) {
    s.PageNamePrefix = CutText(FileNamePart(s.OutputDirectory), kPageNamePrefixMax);
  }
  if (s.ProjectFileName.empty() && s.SourceFiles.empty() && !s.IpfReverseInput &&
      !s.RtfReverseInput) {
    WriteBanner(run);
    run.Reporter.ShowUsage();
  }
}

std::string BannerText() {
  return "Skeldon 4.22 (Win95-ME/NT-XP) hypertext compiler of the Corvina suite, Linux build";
}

void WriteBanner(FoundationRun& run) { run.Reporter.WriteLine(BannerText(), false); }

void AddGraphicDirectory(TGraphicDirectories& dirs, std::string_view directory) {
  // "/" is a separator too on this system; a lone root stays as it is.
  if (directory.size() > 1 && (directory.back() == '\\' || directory.back() == '/')) {
    directory.remove_suffix(1);
  }
  dirs.GraphicDirectoryList.emplace_back(CutText(directory, kShortStringMax));
}

std::string GetProgramDirectory(std::string_view programPath) {
  const std::size_t last = programPath.find_last_of("\\/");
  if (last == std::string_view::npos) return std::string();
  return std::string(programPath.substr(0, last));
}

std::string GetProgramDirectory(const FoundationRun& run) {
  if (run.Switches.ProgramPath.empty()) return platform::program_directory();
  return GetProgramDirectory(run.Switches.ProgramPath);
}

void SetDefaultCommandLines(TProgramCommands& commands, std::string_view windowsDirectory) {
  // GetWindowsDirectory fills a buffer of 50 bytes.
  const std::string windows = CutText(windowsDirectory, 49);
  struct TDefault {
    TProgramCommandIndex Index;
    std::string Text;
  };
  const TDefault defaults[] = {
      {kWinHelp4Compiler, "HCW.EXE /c /e"},          {kHtmlHelpCompiler, "HHW.EXE"},
      {kWinHelp3Viewer, windows + "\\WINHLP32.EXE"}, {kWinHelp4Viewer, windows + "\\WINHLP32.EXE"},
      {kHtmlHelpViewer, windows + "\\HH.EXE"},       {kIpfViewer, "IVIEW.EXE"},
  };
  for (const TDefault& d : defaults) {
    std::string& line = commands.Lines.at(d.Index);
    if (line.empty()) line = CutText(d.Text, kProgramCommandMax);
  }
}

void SetDefaultCommandLines(FoundationRun& run) {
  SetDefaultCommandLines(run.ProgramCommands, run.MainUnit.WindowsDirectory);
}

void PlayEndSound(FoundationRun& run, bool completed) {
  if (!run.Ini.BeepOn) return;
  static platform::RealSystem realSystem;
  platform::System& system = run.MainUnit.Sound != nullptr ? *run.MainUnit.Sound : realSystem;
  const bool success = completed && run.RunSuccess;
  if (run.MainUnit.WindowsNtFamily) {
    if (success) {
      system.beep(523, 90);
      system.beep(659, 60);
      system.beep(784, 60);
      system.beep(1047, 60);
    } else {
      system.beep(100, 500);
    }
  } else {
    system.message_beep(success ? 0 : 0x40);
  }
}

}  // namespace skeldon
