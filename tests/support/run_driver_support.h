// A whole compile run in memory for the tests of the compile run: the source text is given,
// every output file is kept in a map, the clock is fixed and the console is captured.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "compiler/passes/compiler_run.h"
#include "compiler/foundation/ini_values.h"
#include "compiler/foundation/switches.h"
#include "compiler/passes/compile_hypertext.h"
#include "tests/support/gen_support.h"

namespace skeldon {

namespace run_test {

struct TRunResult {
  int ExitCode = -1;  // -1: the run came back without a stop (ordinary end)
  std::map<std::string, std::string> Files;  // path as created -> bytes
  std::string Console;
  bool RunCompleted = false;
  bool RunSuccess = false;
};

struct MemoryRun {
  std::unique_ptr<CompilerRun> run = std::make_unique<CompilerRun>();
  TCapturingConsole* console = nullptr;
  std::map<std::string, std::string> files;

  // target: "html", "htmlhelp", "ipf", "winhelp3", "winhelp4", "rtftext".
  explicit MemoryRun(std::string_view target = "html", std::string_view sourceName = "DOC.TXT") {
    CompilerRun& r = *run;
    auto c = std::make_unique<TCapturingConsole>();
    console = c.get();
    r.reporter.SetConsole(std::move(c));
    InitMainUnit(r);
    ResetSwitches(r.switches);
    ResetIniSettings(r.ini);
    TSwitches& sw = r.switches;
    sw.SourceFiles = {std::string(sourceName)};
    sw.SourceFileName = std::string(sourceName);
    const std::size_t dot = sw.SourceFileName.find('.');
    sw.OutputDirectory = dot == std::string::npos ? sw.SourceFileName + ".DIR" : sw.SourceFileName.substr(0, dot);
    sw.OutputDirectoryName = sw.OutputDirectory;
    sw.WordStarInput = false;
    sw.SoftLineEnds = false;
    sw.ContentsDepth = 3;
    sw.QuitAtEnd = true;
    TIniSettings& ini = r.ini;
    ini.ToggleChars = "~_!`%&@[]<>$";
    ini.ListChars = "-*";
    ini.PrintedListChars = "-*";
    ini.ListIndention = 2;
    ini.IndexChar = '^';
    ini.NewFileLevel = 1;
    ini.DefaultFrame = "main";
    ini.ContentsFrame = "contents";
    ini.PreFileName = "*";
    ini.NotesText = "Notes";
    ini.SubchapterLinkText = "NO";
    ini.NextChapterLinkText = "NO";
    ini.MainChapterLinkText = "NO";
    ini.HeadingFonts = "@@@@@@";
    ini.ContentsGeneralText = "Overview";
    ini.PanelIdFileName = "*.PAN";
    ini.CapitalOtherLetters = true;
    ini.CapitalFirstLetter = true;
    ini.ExtensionLength = 5;
    ini.DefaultFontSize = 10;
    SetTarget(target);
    r.RunSuccess = true;
    r.reporterState.ProgressStep = 1 << 30;
    r.passes.StoreFile = [this](CompilerRun&, const std::string& name, const std::string& text) {
      files[name] = text;
    };
    r.outputFiles.CanCreate = [](CompilerRun&, const std::string&) { return true; };
    r.outputFiles.MakeDirectory = [](CompilerRun&, const std::string&) {};
    r.summaryPage.Clock = [] {
      TClockReading c;
      c.Year = 2026;
      c.Month = 1;
      c.Day = 2;
      c.Time = TTimeOfDay{10, 20, 30, 40};
      return c;
    };
  }

  void SetTarget(std::string_view target) { gen_test::SetTarget(*run, target); }

  CompilerRun* operator->() { return run.get(); }

  TRunResult Compile(const std::string& source) {
    TRunResult result;
    try {
      CompileHypertextText(*run, source);
    } catch (const TerminateRun& stop) {
      result.ExitCode = stop.ExitCode;
    }
    result.Files = files;
    result.Console = console->Text;
    result.RunCompleted = run->RunCompleted;
    result.RunSuccess = run->RunSuccess;
    return result;
  }
};

// Source text with CR LF line ends from lines joined by "\n".
inline std::string Crlf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\r\n";
    else out.push_back(c);
  }
  return out;
}

inline const std::string& FileOf(const TRunResult& r, const std::string& name) {
  static const std::string none;
  auto it = r.Files.find(name);
  return it == r.Files.end() ? none : it->second;
}

}  // namespace run_test

}  // namespace skeldon
