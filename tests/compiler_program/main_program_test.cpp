#include <gtest/gtest.h>
#include <filesystem>

#include <string>
#include <vector>

#include "compiler/foundation/ini_file.h"
#include "compiler/passes/compiler_run.h"
#include "compiler/program/main_program.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

std::string Ini(const std::string& name) { return TestDataPath("compiler_core/ini/" + name); }

class CompilerMainTest : public ::testing::Test {
 protected:
  TestRun run{ConstructedRun(RunFolder::kPrivate)};
  int Run(std::vector<std::string> words) {
    words.insert(words.begin(), "/opt/corvina/bin/skeldon");
    return RunCompiler(words, *run);
  }
};

TEST_F(CompilerMainTest, NoWordsShowBannerAndUsageAndEndWithZero) {
  EXPECT_EQ(Run({}), 0);
  std::string usage;
  for (int i = 0; i < kUsageLineCount; ++i) usage += std::string(kUsageLines[i]) + "\n";
  EXPECT_EQ(run.console->Text, BannerText() + "\n" + usage);
  EXPECT_EQ(run.console->KeyWaits, 1);
  EXPECT_TRUE(run.sound.calls().empty());
}

TEST_F(CompilerMainTest, CommandLinesAndTheirExitCodes) {
  const std::string source = run.WriteFile("book.txt", "text\r\n");
  const std::string skj = run.WriteFile("Proj.skj", "source file = " + source + "\r\n");
  struct Case {
    std::vector<std::string> words;
    int exitCode;
    std::string message;  // a line the run must show
  };
  const Case cases[] = {
      {{"/test_if_here"}, 0, "SKELDON parameters:\n"},
      {{source, "/xyz", Ini("complete.ini")}, 2, "Parameter \"/xyz\" does not exist.\n"},
      {{run.Path("gone.txt"), Ini("complete.ini")},
       2,
       "Source file \"" + run.Path("gone.txt") + "\" not found or open.\n"},
      // The compile run stops: the source has no heading.
      {{source, Ini("complete.ini")}, 2, "You have to write at least one heading (.1) !\n"},
      {{skj, Ini("complete.ini"), "#a", "/html"},
       2,
       "You have to write at least one heading (.1) !\n"},
      // A name that does not exist is kept lower-cased, as the command line gives it.
      {{run.Path("missing.skj")},
       2,
       "SKJ file " + platform::to_lower(platform::CodePage::cp850, run.Path("missing.skj")) +
           " not found.\n"},
      // A conversion whose input is missing does not complete.
      {{run.Path("help.rtf"), Ini("complete.ini")}, 2, "RTF file not found.\n"},
      {{run.Path("help.ipf"), Ini("complete.ini")}, 2, "IPF file not found.\n"},
      {{run.Path("help.ipf")}, 2, "ini file not found.\n"},
      {{"/compare", run.Path("new"), run.Path("old")},
       2,
       "no files found in directory " + run.Path("new") + "\n"},
  };
  for (const Case& c : cases) {
    run.Renew();
    run->Switches.TestIfHere = true;
    std::string words;
    for (const std::string& w : c.words) words += w + " ";
    EXPECT_EQ(Run(c.words), c.exitCode) << words << "\n" << run.console->Text;
    EXPECT_TRUE(run.ConsoleHas(c.message)) << words << "\n" << run.console->Text;
  }
}

TEST_F(CompilerMainTest, WholeCommandLineFillsSwitchesSourcesAndDirectories) {
  const std::string first = run.WriteFile("Book.V2/Main Text.ws", "a\r\n");
  const std::string second = run.WriteFile("debug/more.ws", "b\r\n");
  EXPECT_EQ(Run({"\"" + first + "\"", second, "#Draft", "/DOTS", "/html", "/q",
                 "/MESSAGES:" + run.Path("msg.txt"), Ini("complete.ini")}),
            2);
  const TSwitches& sw = run->Switches;
  EXPECT_EQ(sw.SourceFiles, (std::vector<std::string>{first, second}));
  EXPECT_EQ(sw.SourceFileName, first);
  EXPECT_EQ(sw.SourceDirectory, run.Path("Book.V2"));
  EXPECT_EQ(sw.OutputDirectory, run.Path("Book.V2/Main Text"));
  EXPECT_EQ(sw.OutputDirectoryName, "Main Text");
  // The compile run appends the target's name after the user's condition.
  EXPECT_EQ(sw.ConditionCount, 2);
  EXPECT_EQ(sw.ConditionNames[0], "draft");
  EXPECT_EQ(sw.ConditionNames[1], "html");
  EXPECT_TRUE(sw.ShowDots);
  EXPECT_TRUE(sw.QuietSourceErrors);
  EXPECT_FALSE(sw.DebugEcho) << "a path through a folder named debug is no switch";
  EXPECT_TRUE(sw.TargetOverride);
  EXPECT_EQ(sw.TargetCode, 0);
  const platform::ReadResult log = platform::read_file(run->ReporterState.MessageFileName);
  ASSERT_TRUE(log.ok());
  EXPECT_NE(std::string(log.bytes.begin(), log.bytes.end())
                .find("You have to write at least one heading (.1) !\r\n"),
            std::string::npos);
}

TEST_F(CompilerMainTest, TwentiethConditionStopsBeforeAnythingIsRead) {
  std::vector<std::string> words{"book.txt"};
  for (int i = 1; i <= 20; ++i) words.push_back("#c" + std::to_string(i));
  EXPECT_EQ(Run(words), 2);
  EXPECT_TRUE(run.ConsoleHas("Too much define parameters\n"));
  EXPECT_FALSE(run.ConsoleHas("Reading SKJ file"));
}

TEST_F(CompilerMainTest, ErrorLogGetsTheStopMessage) {
  const std::string source = run.WriteFile("book.txt", "text\r\n");
  EXPECT_EQ(Run({source, Ini("complete.ini"), "/ERRORS:" + run.Path("err.txt")}), 2);
  const platform::ReadResult log =
      platform::read_file(platform::to_lower(platform::CodePage::cp850, run.Path("err.txt")));
  ASSERT_TRUE(log.ok());
  EXPECT_NE(std::string(log.bytes.begin(), log.bytes.end())
                .find("You have to write at least one heading (.1) !\r\n"),
            std::string::npos);
}

TEST_F(CompilerMainTest, UploadWithoutServerSettingsListsTheRequiredLines) {
  const std::string skj = run.WriteFile(
      "p.skj", "source file = " + run.Path("book.txt") + "\r\nftp user name = me\r\n");
  EXPECT_EQ(Run({skj, "/prepareupload"}), 2);
  EXPECT_TRUE(run.ConsoleHas(
      "Error: Server information in SKJ file missing. The following lines are required:\n"
      "ftp server name = \nftp user name = \nftp password = \nftp server dir = \n"));
}

TEST_F(CompilerMainTest, CompareDirectoriesFromTheWords) {
  struct Case {
    std::vector<std::string> words;
    std::string project;
    bool prepare;
    bool runs;
    std::string oldDir;
    std::string newDir;
  };
  const Case cases[] = {
      // The first directory is the new state, the second the old one.
      {{"/compare", "a", "b"}, "", false, true, "b", "a"},
      {{"/compare", "a"}, "", false, true, "a_uploaded", "a"},
      {{"/compare", "a\\"}, "", false, true, "a_uploaded", "a"},
      {{"/compare", "a\\", "b\\"}, "", false, true, "b", "a"},
      {{"/compare"}, "", false, false, "", ""},
      {{"p.skj", "/compare", "x", "y"}, "p.skj", false, true, "y", "x"},
      {{"p.skj", "/prepareupload"}, "p.skj", true, true, "out\\book_uploaded", "out\\book"},
  };
  for (const Case& c : cases) {
    CompilerRun r;
    r.Switches.ProgramParameters = c.words;
    r.Switches.ProjectFileName = c.project;
    r.Switches.PrepareUploadMode = c.prepare;
    r.Switches.CompareMode = !c.prepare;
    r.Switches.OutputDirectory = "out\\book\\";
    const CompareDirectories dirs = ChooseCompareDirectories(r);
    EXPECT_EQ(dirs.Run, c.runs) << c.words.size();
    EXPECT_EQ(dirs.Old, c.oldDir);
    EXPECT_EQ(dirs.New, c.newDir);
  }
}

// ---- Whole runs as a user starts the program ----

// A console that converts code page 850 to UTF-8 as a UTF-8 terminal does, keeps what it
// wrote and never waits for a key.
class Utf8Terminal : public TReporterConsole {
 public:
  void Write(std::string_view bytes) override { console_.write(bytes); }
  void WaitForKey() override { ++KeyWaits; }
  std::string Text;
  int KeyWaits = 0;

 private:
  platform::Console console_{
      platform::CodePage::cp850, true,
      [this](platform::ConsoleStream, std::string_view b) { Text.append(b); }};
};

int RunSkeldon(TestRun& r, std::vector<std::string> words) {
  words.insert(words.begin(), "/opt/corvina/bin/skeldon");
  return RunCompiler(words, *r);
}

std::string ConditionsText(const TSwitches& sw) {
  std::string out;
  for (int i = 0; i < sw.ConditionCount; ++i)
    out += sw.ConditionNames[static_cast<std::size_t>(i)] + ";";
  return out;
}

TEST(GermanRun, ShowsUtf8OnTheTerminalAndCodePage850InTheLog) {
  TestRun r(ProgramStartRun(RunFolder::kCurrent));
  r.WriteFile("book.txt", ".1 Heading\r\ntext\r\n");
  auto terminal = std::make_unique<Utf8Terminal>();
  Utf8Terminal* screen = terminal.get();
  r->Reporter.SetConsole(std::move(terminal));
  EXPECT_EQ(RunSkeldon(r, {"book.txt", Ini("german.ini"), "/ERRORS:err.txt"}), 2);
  // The line error of german.ini: "index char ^" lacks its "=".
  EXPECT_NE(screen->Text.find("Fehler in Ini-Datei Zeile:\n\"index char ^\"\n"
                              "richtig w\xC3\xA4re: \"Funktion = Wert\"!\n"),
            std::string::npos)
      << screen->Text;
  const std::string log = corvina_test::ReadFile(r.Path("err.txt"));
  EXPECT_NE(log.find("Fehler in Ini-Datei Zeile:\r\n\"index char ^\"\r\n"
                     "richtig w\x84re: \"Funktion = Wert\"!\r\n\r\n"),
            std::string::npos)
      << log;
  // Only errors reach the error file; the key wait of the stop is German too.
  EXPECT_EQ(log.find("Lesen der Ini-Datei"), std::string::npos);
  EXPECT_NE(screen->Text.find("dr\xC3\xBC"
                              "cken Sie eine beliebige Taste\n"),
            std::string::npos);
  EXPECT_EQ(screen->KeyWaits, 1);
}

TEST(ConditionLimit, NineteenUserConditionsAndTheTargetNamesAllReachTheTable) {
  struct Case {
    const char* target;
    const char* appended;  // what the compile run adds after the 19 user names
  };
  const Case cases[] = {
      {"/winhelp4", "winhelp;winhelp4;"},
      {"/winhelp3", "winhelp;winhelp3;"},
      {"/htmlhelp", "html;htmlhelp;"},
      {"/ipf", "ipf;"},
  };
  for (const Case& c : cases) {
    TestRun r(ProgramStartRun(RunFolder::kCurrent));
    r.WriteFile("book.txt", "no heading here\r\n");  // the compile run stops after the names
    std::vector<std::string> words{"book.txt", Ini("complete.ini"), c.target};
    std::string user;
    for (int i = 1; i <= 19; ++i) {
      words.push_back("#C" + std::to_string(i));
      user += "c" + std::to_string(i) + ";";
    }
    EXPECT_EQ(RunSkeldon(r, words), 2) << r.Text();
    EXPECT_NE(r.Text().find("You have to write at least one heading (.1) !"), std::string::npos)
        << r.Text();
    EXPECT_EQ(ConditionsText(r->Switches), user + c.appended) << c.target;
  }
}

TEST(ConditionLimit, ProjectFileConditionsCountTowardsTheSameLimit) {
  struct Case {
    int onCommandLine;
    const char* projectLine;
    bool stops;
  };
  const Case cases[] = {
      {17, "condition = a; #b", false},  // 19 in all
      {18, "condition = a; b", true},    // the 20th comes from the project file
      {19, "parameter = q", false},
      {0, "condition = 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20", true},
  };
  for (const Case& c : cases) {
    TestRun r(ProgramStartRun(RunFolder::kCurrent));
    r.WriteFile("p.skj", std::string("source file = book.txt\n") + c.projectLine + "\n");
    r->Switches.TestIfHere = true;
    std::vector<std::string> words{"p.skj", "/compare"};  // ends before the ini file
    for (int i = 1; i <= c.onCommandLine; ++i) words.push_back("#x" + std::to_string(i));
    EXPECT_EQ(RunSkeldon(r, words), 2);
    const bool stopped = r.Text().find("Too much define parameters\n") != std::string::npos;
    EXPECT_EQ(stopped, c.stops) << c.projectLine << "\n" << r.Text();
    EXPECT_LE(r->Switches.ConditionCount, 19);
  }
}

TEST(RunInputFaults, MissingEmptyBinaryAndFolderFilesEndWithTheirMessageAndCodeTwo) {
  std::string binary;
  for (int i = 0; i < 4; ++i)
    for (int c = 0; c < 256; ++c) binary += static_cast<char>(c);
  struct Case {
    const char* name;
    std::vector<std::string> words;
    std::string message;
  };
  const std::string complete = "INI";  // replaced by the complete ini fixture
  const Case cases[] = {
      {"source missing", {"gone.txt", complete}, "Source file \"gone.txt\" not found or open.\n"},
      {"source folder", {"folder", complete}, "Source file \"folder\" not found or open.\n"},
      {"source empty", {"empty.txt", complete}, "source file is empty!\n"},
      {"source binary",
       {"binary.txt", complete},
       "It's not allowed to use all chars between #128 and #255 in running text"},
      {"mistyped switch", {"book.txt", "/xyz", complete}, "Parameter \"/xyz\" does not exist.\n"},
      {"project missing", {"gone.skj"}, "SKJ file gone.skj not found.\n"},
      {"project folder", {"folder.skj"}, "SKJ file folder.skj is a directory.\n"},
      {"ini missing", {"book.txt", "gone.ini"}, "ini file not found.\n"},
      {"ini folder", {"book.txt", "folder.ini"}, "ini file not found.\n"},
      {"ini empty", {"book.txt", "empty.ini"}, "ini file setting \"language\" missing\n"},
      {"ini binary", {"book.txt", "binary.ini"}, "ini file setting \"language\" missing\n"},
      {"log folder", {"book.txt", "/ERRORS:folder"}, "error writing Error file folder\n"},
      {"log in missing folder",
       {"book.txt", "/MESSAGES:no/such/m.txt"},
       "error writing Message file no/such/m.txt\n"},
  };
  for (const Case& c : cases) {
    TestRun r(ProgramStartRun(RunFolder::kCurrent));
    for (const char* folder : {"folder", "folder.skj", "folder.ini"})
      std::filesystem::create_directory(r.Path(folder));
    r.WriteFile("book.txt", ".1 Heading\r\ntext\r\n");
    r.WriteFile("empty.txt", "");
    r.WriteFile("empty.ini", "");
    r.WriteFile("binary.txt", binary);
    r.WriteFile("binary.ini", binary);
    std::vector<std::string> words = c.words;
    for (std::string& w : words)
      if (w == complete) w = Ini("complete.ini");
    r->Switches.TestIfHere = true;
    EXPECT_EQ(RunSkeldon(r, words), 2) << c.name << "\n" << r.Text();
    EXPECT_NE(r.Text().find(c.message), std::string::npos) << c.name << "\n" << r.Text();
    EXPECT_EQ(r.Text().find("internal error"), std::string::npos) << c.name;
  }
}

}  // namespace

namespace {

TEST(PrepareUploadFront, WithoutASourceOrServerDataNoBatchIsWritten) {
  struct Case {
    const char* name;
    std::vector<std::string> words;
    std::string project;
    std::string message;
  };
  const std::string server =
      "ftp server name = 127.0.0.1\r\nftp user name = me\r\nftp password = pw\r\n";
  const Case cases[] = {
      {"no source",
       {"p.skj", "/prepareupload"},
       server,
       "/prepareupload needs the project's source file to find the output directory.\n"},
      {"no password",
       {"p.skj", "/prepareupload"},
       "source file = book.txt\r\nftp server name = h\r\nftp user name = me\r\n",
       "Error: Server information in SKJ file missing."},
  };
  for (const Case& c : cases) {
    TestRun r(ProgramStartRun(RunFolder::kCurrent));
    r.WriteFile("p.skj", c.project);
    r.WriteFile("book/a.htm", "page");
    std::vector<std::string> words = c.words;
    words.insert(words.begin(), "skeldon");
    EXPECT_EQ(RunCompiler(words, *r), 2) << c.name;
    EXPECT_TRUE(r.ConsoleHas(c.message)) << c.name << "\n" << r.Text();
    EXPECT_FALSE(std::filesystem::exists(r.Folder() / "book_ftpUpload.cmd")) << c.name;
    EXPECT_FALSE(std::filesystem::exists(r.Folder() / "_ftpUpload.cmd")) << c.name;
  }
}

// The page names give the path a capital first letter; the summary page still goes into the
// folder that exists ("my.docs"), and the console must name the file where it really is.
TEST(InfoFileName, NamesTheFileAsItWasCreated) {
  TestRun r(ProgramStartRun(RunFolder::kCurrent));
  std::string ini = corvina_test::ReadFile(Ini("complete.ini"));
  const std::size_t target = ini.find("target = htmlhelp");
  ASSERT_NE(target, std::string::npos);
  ini.replace(target, 17, "target = html");
  r.WriteFile("html.ini", ini);
  r.WriteFile("my.docs/manual.txt", ".1\r\nHeading\r\n\r\ntext\r\n");
  RunSkeldon(r, {"my.docs/manual.txt", "html.ini"});
  const std::size_t at = r.Text().find("Info file ");
  ASSERT_NE(at, std::string::npos) << r.Text();
  const std::string line = r.Text().substr(at, r.Text().find('\n', at) - at);
  const std::string shown = line.substr(10, line.size() - 10 - std::string(" created.").size());
  EXPECT_TRUE(std::filesystem::is_regular_file(r.Path(shown))) << line;
  EXPECT_EQ(shown.rfind("my.docs/", 0), 0u) << line;
}

}  // namespace
