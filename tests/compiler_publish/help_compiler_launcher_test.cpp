// The help-compiler start after a compile run: the batch it writes, the programs the batch
// runner starts for it (stand-ins that log their arguments, and the real chmcmd), and what a
// failing or missing compiler gives.
#include "compiler/publish/help_compiler_launcher.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/program/main_program.h"
#include "platform/process.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

namespace fs = std::filesystem;

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
    text.replace(at, what.size(), with), at += with.size();
  return text;
}

TEST(SecondCompilerBatch, LinesForEachTargetAndSetting) {
  struct Case {
    const char* what;
    const char* target;
    std::vector<std::pair<int, std::string>> commands;
    bool compile, view, success, graphicsMissing;
    std::string consoleLines;
    std::string batch;  // empty: no launch
  } cases[] = {
      {"winhelp3 without its line", "winhelp3", {}, true, false, true, false, "", ""},
      {"ipf without its line", "ipf", {}, true, false, true, false, "", ""},
      {"winhelp4 default",
       "winhelp4",
       {},
       true,
       false,
       true,
       false,
       "",
       "@echo off\r\nCD /w\r\nSTART /W HCW.EXE /c /e BOOK.HPJ\r\nPAUSE\r\nEXIT\r\n"},
      {"view",
       "winhelp4",
       {},
       true,
       true,
       true,
       false,
       "50",
       "@echo off\r\nCD /w\r\nMODE 80,50\r\nSTART /W HCW.EXE /c /e BOOK.HPJ\r\n"
       "START /W C:\\WINDOWS\\WINHLP32.EXE book.HLP\r\nEXIT\r\n"},
      {"ipf /INF",
       "ipf",
       {{kIpfCompiler, "IPFC.EXE /INF"}},
       true,
       true,
       true,
       false,
       "",
       "@echo off\r\nCD /w\r\nSTART /W IPFC.EXE /INF book.ipf\r\nSTART /W IVIEW.EXE book.INF\r\n"
       "EXIT\r\n"},
      {"ipf without /inf",
       "ipf",
       {{kIpfCompiler, "IPFC.EXE"}},
       true,
       true,
       true,
       false,
       "",
       "@echo off\r\nCD /w\r\nSTART /W IPFC.EXE book.ipf\r\nSTART /W IVIEW.EXE book.HLP\r\n"
       "EXIT\r\n"},
      {"compile off", "winhelp4", {}, false, false, true, false, "", ""},
      {"a source error", "winhelp4", {}, true, false, false, false, "", ""},
      {"a missing picture", "winhelp4", {}, true, false, true, true, "", ""},
      {"plain html", "html", {}, true, false, true, false, "", ""},
  };
  for (const Case& c : cases) {
    TestRun run(ProgramStartRun());
    for (const auto& [index, line] : c.commands) run->ProgramCommands.Lines[index] = line;
    run.SetTarget(c.target);
    run->Switches.SourceFileName = "book.txt";
    run->Switches.IpfFileName = "book.ipf";
    run->HelpProject.HpjFileName = "BOOK.HPJ";
    run->Project.CompileAfterRun = c.compile;
    run->Project.ViewAfterRun = c.view;
    run->Project.ConsoleLines = c.consoleLines;
    run->RunSuccess = c.success;
    run->HelpProject.GraphicsMissing = c.graphicsMissing;
    EXPECT_EQ(SecondCompilerBatch(*run, "/w").value_or(""), c.batch) << c.what;
  }
}

TEST(SecondCompilerBatch, NamesAreQuotedAndNeverCut) {
  TestRun run(ProgramStartRun());
  run.SetTarget("htmlhelp");
  const std::string deep = "my help & more/" + std::string(130, 'd') + "/book";
  run->Switches.SourceFileName = deep + ".txt";
  run->HelpProject.HhpFileName = deep + "\\book.hhp";
  run->ProgramCommands.Lines[kHtmlHelpCompiler] = "HHW.EXE";
  run->ProgramCommands.Lines[kHtmlHelpViewer] = "HH.EXE";
  run->Project.CompileAfterRun = run->Project.ViewAfterRun = true;
  run->RunSuccess = true;
  EXPECT_EQ(SecondCompilerBatch(*run, "/tmp/a b").value_or(""),
            "@echo off\r\nCD \"/tmp/a b\"\r\nSTART /W HHW.EXE \"" + deep +
                "\\book.hhp\"\r\nSTART /W HH.EXE \"" + deep + ".CHM\"\r\nEXIT\r\n");
}

// The example manual compiled for HTML Help with "compile" and "view" set, in a folder of its
// own, with the tool map in a config folder of its own.
class LaunchAfterCompile : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(SourceDir() + "/examples/manual", project_.Path(), fs::copy_options::recursive);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) oldConfig_ = old;
    hadConfig_ = old != nullptr;
    ::setenv("XDG_CONFIG_HOME", config_.Path().c_str(), 1);
    std::string project = corvina_test::ReadFile(project_ / "manual.skj");
    project = Replace(project, "compile = no", "compile = yes");
    project = Replace(project, "view = no", "view = " + std::string(view_ ? "yes" : "no"));
    corvina_test::WriteFile(project_ / "manual.skj", project + "command lines = 50\r\n");
  }
  void TearDown() override {
    if (hadConfig_)
      ::setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
  }
  void Tools(const std::string& lines) {
    corvina_test::WriteFile(config_ / "corvina/tools.conf", lines);
  }
  // A stand-in that keeps the batch that started it and logs its arguments.
  std::string StandIn(const std::string& name, int code) {
    const std::string path = config_ / name;
    corvina_test::WriteFile(path, "#!/bin/sh\n[ -f SKTEMP.BAT ] && cp SKTEMP.BAT \"" +
                                      (config_ / "batch") + "\"\necho \"" + name + " $*\" >> \"" +
                                      (config_ / "log") + "\"\nexit " + std::to_string(code) +
                                      "\n");
    fs::permissions(path, fs::perms::owner_all);
    return path;
  }
  int Compile() {
    const fs::path before = fs::current_path();
    fs::current_path(project_.Path());
    const int code = RunCompiler({"skeldon", "manual.skj", "/HTMLHELP"}, *run);
    fs::current_path(before);
    return code;
  }
  std::string Log() const { return corvina_test::ReadFile(config_ / "log"); }

  bool view_ = true;
  corvina_test::TempDir project_{"skeldon-launch"};
  corvina_test::TempDir config_{"skeldon-config"};
  TestRun run{ConstructedRun()};
  std::string oldConfig_;
  bool hadConfig_ = false;
};

TEST_F(LaunchAfterCompile, WritesTheBatchRunsCompilerAndViewerAndDeletesIt) {
  Tools("HHW.EXE = " + StandIn("compiler", 0) + "\nhh.exe = " + StandIn("viewer", 0) + "\n");
  corvina_test::WriteFile(project_ / "SKTEMP.BAT", "START /W stale.exe\r\n");
  EXPECT_EQ(Compile(), 0) << run.Text();
  const std::string dir = project_.Path().string();
  const std::string golden =
      corvina_test::ReadFile(SourceDir() + "/tests/golden/compiler_publish/SKTEMP_htmlhelp.BAT");
  EXPECT_EQ(corvina_test::ReadFile(config_ / "batch"), Replace(golden, "@CWD@", dir));
  // The project exists and gets its path on the disk; the help file does not (the stand-in
  // made none) and stays as the batch names it.
  EXPECT_EQ(Log(), "compiler " + dir + "/manual/manual.hhp\nviewer manual.CHM\n");
  EXPECT_TRUE(run.ConsoleHas("starting second compiler\n")) << run.Text();
  EXPECT_FALSE(run.ConsoleHas("was not executed correctly")) << run.Text();
  EXPECT_FALSE(fs::exists(project_ / "SKTEMP.BAT"));
}

TEST_F(LaunchAfterCompile, AFailingOrMissingCompilerIsReportedAndTheExitCodeStaysZero) {
  struct Case {
    std::string tools;
    std::string message;
  } cases[] = {
      {"HHW.EXE = " + StandIn("failing", 3) + "\nHH.EXE = " + StandIn("viewer", 0) + "\n",
       "HHW.EXE ended with code 3"},
      {"HHW.EXE = no-such-help-compiler\nHH.EXE = " + StandIn("viewer", 0) + "\n",
       "program not found: HHW.EXE"},
  };
  for (const Case& c : cases) {
    Tools(c.tools);
    run.Renew();
    EXPECT_EQ(Compile(), 0) << run.Text();
    EXPECT_TRUE(run.ConsoleHas(c.message)) << run.Text();
    EXPECT_TRUE(run.ConsoleHas("SKTEMP.BAT was not executed correctly.\n")) << run.Text();
    EXPECT_FALSE(fs::exists(project_ / "SKTEMP.BAT"));
  }
}

TEST_F(LaunchAfterCompile, ABatchThatCannotBeWrittenRunsNothing) {
  Tools("HHW.EXE = " + StandIn("compiler", 0) + "\nHH.EXE = " + StandIn("viewer", 0) + "\n");
  fs::create_directories(project_ / "SKTEMP.BAT");  // in the way of the new batch
  EXPECT_EQ(Compile(), 12) << run.Text();
  EXPECT_TRUE(run.ConsoleHas("SKTEMP.BAT could not be written")) << run.Text();
  EXPECT_EQ(Log(), "");
}

class LaunchRealChmcmd : public LaunchAfterCompile {
 protected:
  void SetUp() override {
    view_ = false;
    LaunchAfterCompile::SetUp();
  }
};

TEST_F(LaunchRealChmcmd, ChmcmdBuildsTheHelpFile) {
  if (platform::find_on_path("chmcmd").empty()) GTEST_SKIP() << "chmcmd (fp-utils) is missing";
  Tools("");  // the default: HHW.EXE is chmcmd
  EXPECT_EQ(Compile(), 0) << run.Text();
  EXPECT_FALSE(run.ConsoleHas("was not executed correctly")) << run.Text();
  EXPECT_GT(fs::file_size(project_ / "manual.chm"), 10000u);
  EXPECT_EQ(run.console->KeyWaits, 1) << "without \"view\" the batch pauses";
  EXPECT_FALSE(fs::exists(project_ / "manual/manual-linux.hhp"));

  // chmcmd's own exit code decides the message: here it refuses an option.
  run.Renew();
  Tools("HHW.EXE = chmcmd --no-such-option\n");
  EXPECT_EQ(Compile(), 0);
  EXPECT_TRUE(run.ConsoleHas("SKTEMP.BAT was not executed correctly.\n")) << run.Text();
}

}  // namespace
