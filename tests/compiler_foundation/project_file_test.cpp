#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/project_file.h"
#include "platform/files.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

class ProjectFileTest : public ::testing::Test {
 protected:
  FoundationTestRun run{ConstructedRun(RunFolder::kPrivate)};
  void SetUp() override {
    ::testing::Test::SetUp();
    run->Switches.ProgramPath = "/opt/corvina/bin/skeldon";
  }
  // Reads a project file the way the main program does.
  int Read(const std::string& path) {
    run->Switches.ProjectFileName = path;
    return ExitCodeOf([&] { ReadProjectFile(*run); });
  }
  std::string ErrorFileText() {
    run->Reporter.CloseLogFiles();
    return corvina_test::ReadFile(run.Path("err.txt"));
  }
  void OpenErrorFile() {
    run->ReporterState.ErrorFileName = run.Path("err.txt");
    run->Reporter.OpenLogFiles();
  }
};

void ExpectFullProject(const FoundationRun& r) {
  const TSwitches& sw = r.Switches;
  EXPECT_TRUE(sw.ProjectFileRead);
  EXPECT_EQ(sw.SourceFiles, (std::vector<std::string>{"intro.txt", "chapter.txt"}));
  EXPECT_EQ(sw.IniFileName, "x.ini ");  // the comment goes, the blank before it stays
  EXPECT_EQ(r.Project.FtpServerName, "ftp.example.org");
  EXPECT_EQ(r.Project.FtpUserName, "Author");
  EXPECT_EQ(r.Project.FtpPassword, "Secret");
  EXPECT_EQ(r.Project.FtpServerDirectory, "/htdocs/book");
  EXPECT_EQ(r.Project.FtpCommands, "binary");
  EXPECT_TRUE(sw.TargetRequests[kRequestWinHelp4]);
  EXPECT_EQ(sw.TargetCode, 2);
  ASSERT_EQ(sw.ConditionCount, 2);
  EXPECT_EQ(sw.ConditionNames[0], "print");
  EXPECT_EQ(sw.ConditionNames[1], "draft");
  EXPECT_TRUE(sw.ShowDots);
  EXPECT_TRUE(sw.QuietSourceErrors);
  const auto& lines = r.ProgramCommands.Lines;
  EXPECT_EQ(lines[kWinHelp3Compiler], "c:\\tools\\hc31.EXE");
  EXPECT_EQ(lines[kWinHelp4Compiler], "c:\\tools\\hcrtf.EXE");
  EXPECT_EQ(lines[kHtmlHelpCompiler], "C:\\HH\\HHC.EXE");
  EXPECT_EQ(lines[kIpfCompiler], "ipfc.exe /inf");
  EXPECT_EQ(lines[kWinHelp3Viewer], "winhlp.EXE");
  EXPECT_EQ(lines[kWinHelp4Viewer], "c:\\win\\winhlp32.exe");
  EXPECT_EQ(lines[kHtmlHelpViewer], "hh.EXE");
  EXPECT_EQ(lines[kIpfViewer], "view.EXE");
  EXPECT_EQ(r.Project.ConsoleLines, "50");
  EXPECT_TRUE(r.Project.CompileAfterRun);
  EXPECT_TRUE(r.Project.ViewAfterRun);
  // "search graphic files = no" holds even though a graphic path is given.
  EXPECT_FALSE(r.Graphics.SearchGraphicFiles);
  EXPECT_EQ(r.Graphics.GraphicPath, "[PROJECTDIR]\\pics;[SKELDONDIR]\\common\\");
  EXPECT_EQ(r.Graphics.GraphicDirectoryList,
            (std::vector<std::string>{platform::current_directory() + "\\pics",
                                      "/opt/corvina/bin\\common"}));
  EXPECT_EQ(r.Project.PreFileName, "bk*");
  EXPECT_EQ(r.Project.LineErrors, 0);
}

TEST_F(ProjectFileTest, EveryKeyOfAFullProjectFile) {
  EXPECT_EQ(Read(TestDataPath("compiler_core/project/full.skj")), -1);
  ExpectFullProject(*run);
  EXPECT_EQ(run.console->Text, "Reading SKJ file\n");
}

TEST_F(ProjectFileTest, LfOnlyFileReadsLikeCrLf) {
  EXPECT_EQ(Read(TestDataPath("compiler_core/project/full_lf.skj")), -1);
  ExpectFullProject(*run);
}

TEST_F(ProjectFileTest, LineErrorsAreReportedAndReadingGoesOn) {
  OpenErrorFile();
  EXPECT_EQ(Read(TestDataPath("compiler_core/project/errors.skj")), -1);
  const std::string expected =
      "Error in SKJ file line:\r\n\"no equal sign here\"\r\ncorrect input: function = value!\r\n\r\n"
      "Error in SKJ file line:\r\n\"ini file =\"\r\ncorrect input: function = value!\r\n\r\n"
      "Error in SKJ file line:\r\n\"target = pdf\"\r\nthat's not a correct target format!\r\n\r\n"
      "Error in SKJ file line:\r\n\"Compile  = ja\"\r\nunknown setting \"compile \"!\r\n\r\n"
      "Error in SKJ file line:\r\n\"= x\"\r\nunknown setting \"\"!\r\n\r\n"
      "Error in SKJ file line:\r\n\"mystery = 1\"\r\nunknown setting \"mystery\"!\r\n\r\n"
      "Error in SKJ file line:\r\n\"command lines = 1234567890123456789012345678901\"\r\n"
      "value too long (at most 30 characters)!\r\n\r\n";
  EXPECT_EQ(ErrorFileText(), expected);
  EXPECT_EQ(run->Project.LineErrors, 7);
  EXPECT_FALSE(run->Project.CompileAfterRun);
  EXPECT_TRUE(run->Project.ConsoleLines.empty());
  EXPECT_FALSE(run->Switches.TargetOverride);
  EXPECT_EQ(run->Switches.SourceFiles, std::vector<std::string>{"a.txt"});
}

TEST_F(ProjectFileTest, MissingSourceIsReportedWithTheLastLineInGerman) {
  run->Language = 1;
  OpenErrorFile();
  run.WriteFile("p.skj", "compile = no\r\nview=ja\r\n; the end\r\n");
  EXPECT_EQ(Read(run.Path("p.skj")), -1);
  // German texts stay code page 850 bytes in files.
  EXPECT_EQ(ErrorFileText(),
            "Fehler in SKJ-Datei Zeile:\r\n\"; the end\"\r\n"
            "Es mu\xe1 mit \"source file=\" eine Quelldatei angegeben werden!!\r\n\r\n");
  EXPECT_TRUE(run->Project.ViewAfterRun);
  EXPECT_TRUE(run.ConsoleHas("Lese SKJ-Datei...\n"));
}

TEST_F(ProjectFileTest, GermanLineErrorTextInCodePage850) {
  run->Language = 1;
  OpenErrorFile();
  run->Switches.SourceFiles = {"a.txt"};
  run.WriteFile("p.skj", "kein Gleichheitszeichen\r\n");
  Read(run.Path("p.skj"));
  EXPECT_EQ(ErrorFileText(),
            "Fehler in SKJ-Datei Zeile:\r\n\"kein Gleichheitszeichen\"\r\n"
            "richtig w\x84re: \"Funktion = Wert\"!\r\n\r\n");
}

TEST_F(ProjectFileTest, GermanMessagesReachUtf8TerminalAsUtf8) {
  std::string out;
  CaptureConsoleInto(*run, out);
  run->Language = 1;
  ReadProjectFileText(*run, "kaputt\r\n");
  EXPECT_EQ(out,
            "Fehler in SKJ-Datei Zeile:\n\"kaputt\"\nrichtig w\xC3\xA4re: \"Funktion = Wert\"!\n\n"
            "Fehler in SKJ-Datei Zeile:\n\"kaputt\"\n"
            "Es mu\xC3\x9F mit \"source file=\" eine Quelldatei angegeben werden!!\n\n");
}

TEST_F(ProjectFileTest, DoubledAndClashingKeysLastOneWins) {
  run->Switches.IniFileName = "cmd.ini";  // from the command line
  run->ReporterState.MessageFileName.clear();
  run.WriteFile("p.skj",
                "ini file = first.ini\r\nini file = second.ini\r\nsource file = a.txt\r\n"
                "ftp user name = one\r\nftp user name = two\r\ntarget = html\r\ntarget = ipf\r\n");
  EXPECT_EQ(Read(run.Path("p.skj")), -1);
  EXPECT_EQ(run->Switches.IniFileName, "second.ini");
  EXPECT_EQ(run->Project.FtpUserName, "two");
  EXPECT_EQ(run->Switches.TargetCode, 3);
  EXPECT_TRUE(run->Switches.TargetRequests[kRequestHtml]);
  EXPECT_TRUE(run->Switches.TargetRequests[kRequestIpf]);
  EXPECT_EQ(run->Project.LineErrors, 0);
}

TEST_F(ProjectFileTest, CommandLineSettingsStayAndDefaultsAreFilled) {
  run->Switches.ShowDots = true;
  run->Switches.FootnoteStartChar = 'a';
  run->ReporterState.MessageFileName = run.Path("m.txt");
  run->Switches.ProjectFileName.clear();
  ReadProjectFile(*run);
  EXPECT_TRUE(run->Switches.ShowDots);
  EXPECT_EQ(run->Switches.FootnoteStartChar, 'a');
  EXPECT_EQ(run->ReporterState.MessageFileName, run.Path("m.txt"));
  EXPECT_FALSE(run->Switches.ProjectFileRead);
  EXPECT_EQ(run->Project.PreFileName, "*");
  EXPECT_EQ(run->ProgramCommands.Lines[kWinHelp4Compiler], "HCW.EXE /c /e");
  EXPECT_EQ(run->ProgramCommands.Lines[kIpfViewer], "IVIEW.EXE");
  EXPECT_TRUE(run->ProgramCommands.Lines[kIpfCompiler].empty());
  EXPECT_EQ(run.console->Text, "");
}

TEST_F(ProjectFileTest, GraphicPathAloneSwitchesSearchOn) {
  run.WriteFile("p.skj", "source file = a.txt\r\ngraphic path = pics ;; more\\ \r\n");
  Read(run.Path("p.skj"));
  EXPECT_TRUE(run->Graphics.SearchGraphicFiles);
  EXPECT_EQ(run->Graphics.GraphicDirectoryList, (std::vector<std::string>{"pics ", " more"}));
}

TEST_F(ProjectFileTest, UnreadableProjectFilesStopWithExitTwo) {
  struct Case {
    std::string path;
    std::string message;
  };
  std::filesystem::create_directory(run.Path("folder.skj"));
  const Case cases[] = {
      {run.Path("missing.skj"), "SKJ file " + run.Path("missing.skj") + " not found.\n"},
      {run.Path("folder.skj"), "SKJ file " + run.Path("folder.skj") + " is a directory.\n"},
  };
  for (const Case& c : cases) {
    run.console->Text.clear();
    EXPECT_EQ(Read(c.path), 2);
    EXPECT_TRUE(run.ConsoleHas(c.message)) << run.console->Text;
    EXPECT_FALSE(run->Switches.ProjectFileRead);
  }
}

TEST_F(ProjectFileTest, EmptyAndBinaryFilesEndNormally) {
  EXPECT_EQ(Read(TestDataPath("compiler_core/project/empty.skj")), -1);
  EXPECT_TRUE(run->Switches.ProjectFileRead);
  EXPECT_TRUE(run.ConsoleHas("It's necessary to enter a \"source file=\"!"));
  EXPECT_EQ(Read(TestDataPath("compiler_core/project/binary.skj")), -1);
  EXPECT_GT(run->Project.LineErrors, 0);
}

TEST_F(ProjectFileTest, OverlongLinesAndValuesAreLineErrors) {
  run->Switches.SourceFiles = {"a.txt"};
  const std::string longValue(200, 'v');
  const std::string longLine = "ftp command = " + std::string(250, 'c');
  run.WriteFile("p.skj", "ftp server name = " + std::string(71, 's') + "\r\n" +
                             "ftp command = " + longValue + "\r\n" + longLine + "\r\n" +
                             "ftp password = ok // " + std::string(300, 'x') + "\r\n");
  Read(run.Path("p.skj"));
  EXPECT_EQ(run->Project.LineErrors, 3);
  EXPECT_TRUE(run.ConsoleHas("value too long (at most 70 characters)!"));
  EXPECT_TRUE(run.ConsoleHas("value too long (at most 199 characters)!"));
  EXPECT_TRUE(run.ConsoleHas("line too long (at most 255 characters)!"));
  EXPECT_TRUE(run->Project.FtpServerName.empty());
  EXPECT_TRUE(run->Project.FtpCommands.empty());
  // A long comment is cut off before the line is measured.
  EXPECT_EQ(run->Project.FtpPassword, "ok ");
}

TEST_F(ProjectFileTest, KeyMatchingByContainmentInTableOrder) {
  struct Case {
    const char* line;
    std::function<bool(const FoundationRun&)> check;
  };
  const Case cases[] = {
      {"My Source Files = A.txt; B.txt",
       [](const FoundationRun& r) {
         return r.Switches.SourceFiles == std::vector<std::string>{"a.txt", "b.txt", "z.txt"};
       }},
      {"winhelp4 compiler program = c:\\bin\\hc",
       [](const FoundationRun& r) {
         return r.ProgramCommands.Lines[kWinHelp4Compiler] == "c:\\bin\\hc.EXE";
       }},
      {"server name=   x", [](const FoundationRun& r) { return r.Project.FtpServerName == "x"; }},
      {"server name=     x",
       [](const FoundationRun& r) { return r.Project.FtpServerName == "  x"; }},
      {"compile = Yes", [](const FoundationRun& r) { return r.Project.CompileAfterRun; }},
      {"compile = y", [](const FoundationRun& r) { return !r.Project.CompileAfterRun; }},
  };
  for (const Case& c : cases) {
    run.Renew();
    ReadProjectFileText(*run, std::string(c.line) + "\r\nsource file = z.txt\r\n");
    EXPECT_TRUE(c.check(*run)) << c.line;
    EXPECT_EQ(run->Project.LineErrors, 0) << c.line;
  }
}

}  // namespace
