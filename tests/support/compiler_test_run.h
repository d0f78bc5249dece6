// The one builder of compiler runs for the tests: a run whose console is captured and whose
// end sounds are recorded, started from the settings a test needs (as constructed, the program's
// start values, the writer tests' settings for a target, or a whole compile run in memory), with
// on request a private temporary folder and the finished output files kept in memory.
//
// The foundation tests build a FoundationRun and the other tests a CompilerRun; this header
// includes only foundation headers, so that the foundation tests link nothing above their
// stage. What only a CompilerRun has is set where the run type has it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/foundation/console_reporter.h"
#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/ini_keys.h"
#include "compiler/foundation/ini_values.h"
#include "compiler/foundation/switches.h"
#include "compiler/foundation/toggles.h"
#include "platform/console.h"
#include "platform/system.h"
#include "tests/support/test_support.h"

namespace skeldon {

struct CompilerRun;

// The settings a run starts from.
enum class RunStart {
  kConstructed,   // as the run is constructed
  kProgramStart,  // the program's start values of the main unit and the switches
  kWriterTests,   // start values, ini defaults and the writer tests' settings for the target
  kWholeRun,      // start values and the settings of a complete ini file, for a whole compile
};
// (The last two set the output side too: a FoundationRun gets only the program's start values.)

// Where the run's files go.
enum class RunFolder {
  kNone,
  kPrivate,  // a fresh temporary folder, removed with everything in it when the run goes
  kCurrent,  // the same, and the current directory while the run lives
};

struct TestRunOptions {
  RunStart Start = RunStart::kWriterTests;
  // "html", "htmlhelp", "ipf", "winhelp3", "winhelp4", "rtftext" (writer tests and whole runs).
  std::string Target = "html";
  // The main source of a whole run, which gives the output names.
  std::string SourceName = "DOC.TXT";
  RunFolder Folder = RunFolder::kNone;
  // Finished output files are kept in memory instead of going to disk (always in whole runs).
  bool KeepFiles = false;
};

// The options of a run as constructed and of a run with the program's start values.
inline TestRunOptions ConstructedRun(RunFolder folder = RunFolder::kNone) {
  return {.Start = RunStart::kConstructed, .Folder = folder};
}
inline TestRunOptions ProgramStartRun(RunFolder folder = RunFolder::kNone) {
  return {.Start = RunStart::kProgramStart, .Folder = folder};
}
// The options of a whole compile run in memory for the target, named for its main source.
inline TestRunOptions WholeRun(std::string_view target = "html",
                               std::string_view sourceName = "DOC.TXT") {
  return {.Start = RunStart::kWholeRun,
          .Target = std::string(target),
          .SourceName = std::string(sourceName)};
}

// Output files kept in memory: path as created -> bytes, and the order they were stored in.
struct TStoredFiles {
  std::map<std::string, std::string> Files;
  std::vector<std::string> Order;
};

// Internal toggle characters of the writer tests: 0xF0 .. 0xFB, toggle n = 0xEF + n.
inline std::uint8_t ToggleChar(int toggle) { return static_cast<std::uint8_t>(0xEF + toggle); }

inline void SetTarget(FoundationRun& run, std::string_view target) {
  TTargetFlags t;
  if (target == "html")
    t.Html = true;
  else if (target == "htmlhelp")
    t.Html = t.HtmlHelp = true;
  else if (target == "ipf")
    t.Ipf = true;
  else if (target == "winhelp3")
    t.RtfFamily = t.WinHelp3 = true;
  else if (target == "winhelp4")
    t.RtfFamily = t.WinHelp4 = true;
  else if (target == "rtftext")
    t.RtfFamily = t.RtfText = true;
  run.Ini.TargetFlags = t;
}

// User conditions first, then the target's names, as the compile run appends them.
template <typename List>
inline void SetConditionList(FoundationRun& run, const List& user) {
  TSwitches& s = run.Switches;
  s.ConditionCount = 0;
  auto add = [&](std::string_view n) { s.ConditionNames[s.ConditionCount++] = std::string(n); };
  for (std::string_view n : user) add(n);
  const TTargetFlags& t = run.Ini.TargetFlags;
  if (t.Html) add("html");
  if (t.HtmlHelp) add("htmlhelp");
  if (t.Ipf) add("ipf");
  if (t.RtfFamily) {
    add("winhelp");
    add(t.WinHelp3 ? "winhelp3" : "winhelp4");
  }
}
inline void SetConditions(FoundationRun& run, std::initializer_list<std::string_view> user) {
  SetConditionList(run, user);
}

// The exit code of the stop the call makes, or -1 when it returns normally.
template <typename F>
int ExitCodeOf(F&& f) {
  try {
    f();
  } catch (const TerminateRun& stop) {
    return stop.ExitCode;
  }
  return -1;
}

// Sends the run's console output through a platform console into `out`, converted from code
// page 850 as a UTF-8 terminal (utf8) or a code-page terminal would show it.
inline void CaptureConsoleInto(FoundationRun& run, std::string& out, bool utf8 = true) {
  run.Reporter.SetConsole(MakePlatformConsole(platform::Console(
      platform::CodePage::cp850, utf8,
      [&out](platform::ConsoleStream, std::string_view bytes) { out.append(bytes); })));
}

// The folder of the sources, from the environment the tests run in or from the build.
inline std::string SourceDir() {
  const char* env = std::getenv("CORVINA_SOURCE_DIR");
  return env ? env : CORVINA_SOURCE_DIR;
}

// A file of the compiler tests' data, e.g. "compiler_core/ini/complete.ini".
inline std::string TestDataPath(const std::string& relative) {
  return SourceDir() + "/tests/data/" + relative;
}

template <class Run>
class BasicTestRun {
 public:
  explicit BasicTestRun(const TestRunOptions& options = {}) : options_(options) {
    if (options.Folder != RunFolder::kNone)
      folder_.emplace("skeldon-test", options.Folder == RunFolder::kCurrent);
    Start();
  }
  // The writer tests' settings for the target.
  explicit BasicTestRun(std::string_view target)
      : BasicTestRun(TestRunOptions{.Target = std::string(target)}) {}
  ~BasicTestRun() { run_.reset(); }  // closes the log files before their folder goes
  BasicTestRun(const BasicTestRun&) = delete;
  BasicTestRun& operator=(const BasicTestRun&) = delete;

  Run& operator*() { return *run_; }
  Run* operator->() { return run_.get(); }

  // A fresh run with the same options in the same folder, for a test that needs one per case.
  void Renew() {
    run_.reset();
    Start();
  }

  // Everything the run wrote to its console.
  const std::string& Text() const { return console->Text; }
  bool ConsoleHas(std::string_view part) const {
    return console->Text.find(part) != std::string::npos;
  }
  // Puts another capturing console in place (one that reacts to what is written).
  void UseConsole(std::unique_ptr<TCapturingConsole> capture) {
    console = capture.get();
    run_->Reporter.SetConsole(std::move(capture));
  }

  const std::filesystem::path& Folder() const { return folder_->Path(); }
  std::string Path(const std::string& name) const { return *folder_ / name; }
  // Writes a file into the folder, creating the folders on its way, and returns its path.
  std::string WriteFile(const std::string& name, const std::string& bytes) const {
    const std::string path = Path(name);
    corvina_test::WriteFile(path, bytes);
    return path;
  }

  // The source text as if it had been loaded.
  void Load(std::string_view text) {
    run_->Source.Data.assign(text);
    run_->Source.Loaded = true;
    run_->Source.Position = 0;
  }

  void SetTarget(std::string_view target) { skeldon::SetTarget(*run_, target); }

  // The output files kept in memory (keepFiles, whole runs).
  const std::map<std::string, std::string>& Files() const { return stored_->Files; }
  const std::vector<std::string>& FileOrder() const { return stored_->Order; }
  // The bytes of a kept file; empty when there is none.
  const std::string& File(const std::string& name) const {
    static const std::string none;
    auto it = stored_->Files.find(name);
    return it == stored_->Files.end() ? none : it->second;
  }

  TCapturingConsole* console = nullptr;
  platform::RecordingSystem sound;

 private:
  // What only a CompilerRun has: the output side of the passes and the writers.
  static constexpr bool kOutputSide = requires(Run & r) { r.Passes; };

  void Start() {
    run_ = std::make_unique<Run>();
    Run& r = *run_;
    auto capture = std::make_unique<TCapturingConsole>();
    console = capture.get();
    r.Reporter.SetConsole(std::move(capture));
    if (options_.Start != RunStart::kConstructed) {
      InitMainUnit(r);
      ResetSwitches(r.Switches);
    }
    r.MainUnit.Sound = &sound;
    if constexpr (kOutputSide) {
      if (options_.Start == RunStart::kWriterTests) StartWriterTests(r);
      if (options_.Start == RunStart::kWholeRun) StartWholeRun(r);
      if (options_.KeepFiles || options_.Start == RunStart::kWholeRun) KeepFiles(r);
    }
  }

  void StartWriterTests(Run& r) {
    ResetIniSettings(r.Ini);
    r.Switches.WordStarInput = false;
    r.Switches.SoftLineEnds = false;
    r.Switches.ContentsDepth = 6;
    r.Ini.IndexChar = '#';
    r.LinkPass.IndexChar = '#';
    r.Ini.NewFileLevel = 1;
    r.Ini.DefaultFrame = "main";
    r.Ini.DefaultFontSize = 10;
    r.Ini.CreateIndex = true;
    r.Ini.PanelIdFileName = "*.PAN";
    r.Ini.HelpTableFileName = "*.HLT";
    r.FileNames.PageExtension = ".HTML";
    r.Ini.CapitalFirstLetter = true;
    r.Ini.CapitalOtherLetters = true;
    r.Ini.ExtensionLength = 5;
    r.Switches.SourceFileName = "GUIDE.TXT";
    BuildWordCharTable(r.IniValues.IsWordChar, "");
    ClearFontDefs(r.IniValues);
    r.Toggles.InternalToggleChars.clear();
    for (int i = 1; i <= kToggleCount; ++i)
      r.Toggles.InternalToggleChars.push_back(static_cast<char>(ToggleChar(i)));
    BuildToggleCharTable(r.Toggles);
    skeldon::SetTarget(r, options_.Target);
    SetConditions(r, {});
    r.RunSuccess = true;
    // No progress spinner in captured output.
    r.ReporterState.ProgressCounter = 1;
    r.ReporterState.ProgressStep = 1 << 30;
  }

  void StartWholeRun(Run& r) {
    ResetIniSettings(r.Ini);
    TSwitches& sw = r.Switches;
    sw.SourceFiles = {std::string(options_.SourceName)};
    sw.SourceFileName = std::string(options_.SourceName);
    const std::size_t dot = sw.SourceFileName.find('.');
    sw.OutputDirectory =
        dot == std::string::npos ? sw.SourceFileName + ".DIR" : sw.SourceFileName.substr(0, dot);
    sw.OutputDirectoryName = sw.OutputDirectory;
    sw.WordStarInput = false;
    sw.SoftLineEnds = false;
    sw.ContentsDepth = 3;
    sw.QuitAtEnd = true;
    TIniSettings& ini = r.Ini;
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
    skeldon::SetTarget(r, options_.Target);
    r.RunSuccess = true;
    r.ReporterState.ProgressStep = 1 << 30;
    // A fixed clock: the summary page shows the run's date and time.
    using Reading = typename decltype(r.SummaryPage.Clock)::result_type;
    r.SummaryPage.Clock = [] {
      Reading c;
      c.Year = 2026;
      c.Month = 1;
      c.Day = 2;
      c.Time = {10, 20, 30, 40};
      return c;
    };
  }

  // Every file can be created and is kept; nothing touches the disk.
  void KeepFiles(Run& r) {
    auto stored = std::make_shared<TStoredFiles>();
    stored_ = stored;
    r.Passes.StoreFile = [stored](auto&, const std::string& name, const std::string& text) {
      stored->Files[name] = text;
      stored->Order.push_back(name);
    };
    r.OutputFiles.CanCreate = [](auto&, const std::string&) { return true; };
    r.OutputFiles.MakeDirectory = [](auto&, const std::string&) {};
  }

  TestRunOptions options_;
  std::optional<corvina_test::TempDir> folder_;
  std::shared_ptr<TStoredFiles> stored_ = std::make_shared<TStoredFiles>();
  std::unique_ptr<Run> run_;
};

// The foundation tests' runs and the runs of every other compiler test.
using FoundationTestRun = BasicTestRun<FoundationRun>;
using TestRun = BasicTestRun<CompilerRun>;

}  // namespace skeldon
