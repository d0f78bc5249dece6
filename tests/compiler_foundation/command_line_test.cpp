#include <gtest/gtest.h>
#include <filesystem>

#include <functional>
#include <string>
#include <vector>

#include "compiler/foundation/command_line.h"
#include "compiler/foundation/foundation_run.h"
#include "platform/files.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

class CommandLineTest : public ::testing::Test {
 protected:
  FoundationTestRun run{ConstructedRun(RunFolder::kPrivate)};
  void Words(const std::vector<std::string>& words) {
    for (const std::string& w : words) HandleCommandLineWord(*run, w);
  }
};

TEST(SplitWordsTest, BlanksQuotesAndRuns) {
  EXPECT_EQ(SplitWords("  a  b\t c "), (std::vector<std::string>{"a", "b\t", "c"}));
  EXPECT_EQ(SplitWords("\"my file.txt\" x\"y z\"w"),
            (std::vector<std::string>{"my file.txt", "xy zw"}));
  EXPECT_TRUE(SplitWords("   ").empty());
  EXPECT_EQ(SplitWords("\"\" a"), (std::vector<std::string>{"a"}));
}

TEST(SplitWordsTest, KeepsMoreThanThirtyWordsAndLongWordsWhole) {
  std::string text;
  for (int i = 1; i <= 40; ++i) text += "w" + std::to_string(i) + " ";
  const std::string longWord(300, 'x');
  text += longWord;
  const std::vector<std::string> words = SplitWords(text);
  ASSERT_EQ(words.size(), 41u);
  EXPECT_EQ(words[30], "w31");
  EXPECT_EQ(words[40], longWord);
}

struct SwitchCase {
  const char* word;
  std::function<bool(const FoundationRun&)> check;
};

TEST_F(CommandLineTest, EachSwitchSetsItsField) {
  const SwitchCase cases[] = {
      {"/DEBUG120",
       [](const FoundationRun& r) {
         return r.Switches.DebugEcho && r.Switches.DebugStartLine == 120 &&
                !r.Switches.DebugMainOnly;
       }},
      {"/debug", [](const FoundationRun& r) { return r.Switches.DebugStartLine == 1; }},
      {"/debugmain12",
       [](const FoundationRun& r) {
         return r.Switches.DebugMainOnly && r.Switches.DebugStartLine == 12;
       }},
      {"/debugxyz", [](const FoundationRun& r) { return r.Switches.DebugStartLine == 1; }},
      {"/NewIpfc", [](const FoundationRun& r) { return r.Switches.NewIpfCompiler; }},
      {"/count", [](const FoundationRun& r) { return r.Switches.CountLines; }},
      {"/Q", [](const FoundationRun& r) { return r.Switches.QuietSourceErrors; }},
      {"/noframes", [](const FoundationRun& r) { return r.Switches.NoFramesSwitch; }},
      {"/noid", [](const FoundationRun& r) { return r.Switches.NoIdOption; }},
      {"/istext", [](const FoundationRun& r) { return r.Switches.IsTextOption; }},
      {"/isprog", [](const FoundationRun& r) { return r.Switches.IsProgOption; }},
      {"/bigfont", [](const FoundationRun& r) { return r.Switches.FontScale == 1.33; }},
      {"/smallfont", [](const FoundationRun& r) { return r.Switches.FontScale == 0.8; }},
      {"/dots", [](const FoundationRun& r) { return r.Switches.ShowDots; }},
      {"/quit", [](const FoundationRun& r) { return r.Switches.QuitAtEnd; }},
      {"/hold", [](const FoundationRun& r) { return r.Switches.HoldAtEnd; }},
      {"/compare", [](const FoundationRun& r) { return r.Switches.CompareMode; }},
      {"/prepareupload", [](const FoundationRun& r) { return r.Switches.PrepareUploadMode; }},
      {"/fuab",
       [](const FoundationRun& r) {
         return r.Switches.FootnoteStartChar == 'a' && r.Switches.FootnoteEndChar == 'b';
       }},
      {"/internal", [](const FoundationRun& r) { return r.Switches.InternalContents; }},
      {"/test_if_here", [](const FoundationRun& r) { return r.Switches.TestIfHere; }},
      {"/fat", [](const FoundationRun& r) { return r.Switches.FatFileNames; }},
      {"/pre", [](const FoundationRun& r) { return r.Switches.PrefixFromSource; }},
      {"/_", [](const FoundationRun& r) { return r.Switches.UnderscoreButtons; }},
      {"#Print",
       [](const FoundationRun& r) {
         return r.Switches.ConditionCount == 1 && r.Switches.ConditionNames[0] == "print";
       }},
      {"HTML",
       [](const FoundationRun& r) {
         return r.Switches.TargetCode == 0 && r.Switches.TargetRequests[kRequestHtml] &&
                r.Switches.TargetOverride;
       }},
      {"/html", [](const FoundationRun& r) { return r.Switches.TargetRequests[kRequestHtml]; }},
      {"/htmlhelp", [](const FoundationRun& r) { return r.Switches.TargetCode == 4; }},
      {"ipf", [](const FoundationRun& r) { return r.Switches.TargetCode == 3; }},
      {"/WinHelp3", [](const FoundationRun& r) { return r.Switches.TargetCode == 1; }},
      {"winhelp4", [](const FoundationRun& r) { return r.Switches.TargetCode == 2; }},
      {"/rtftextcc",
       [](const FoundationRun& r) {
         return r.Switches.TargetCode == 5 && r.Switches.TargetRequests[kRequestRtfTextCc];
       }},
      {"rtftext",
       [](const FoundationRun& r) {
         return r.Switches.TargetCode == 5 && r.Switches.TargetRequests[kRequestRtfText];
       }},
      {"/htm",
       [](const FoundationRun& r) {
         return !r.Switches.TargetOverride &&
                r.Switches.SourceFiles == std::vector<std::string>{"/htm"};
       }},
      {"#",
       [](const FoundationRun& r) {
         return r.Switches.ConditionCount == 0 && r.Switches.SourceFiles.size() == 1;
       }},
      {"Notes.Ini.txt",
       [](const FoundationRun& r) {
         return r.Switches.IniFileName == "notes.ini.txt" && r.Switches.SourceFiles.empty();
       }},
      {"Book.SKJ", [](const FoundationRun& r) { return r.Switches.ProjectFileName == "book.skj"; }},
      {"Help.IPF",
       [](const FoundationRun& r) {
         return r.Switches.IpfReverseInput && r.Switches.IpfFileName == "help.ipf" &&
                r.Switches.SourceFileName == "help.ipf";
       }},
      {"Help.Rtf",
       [](const FoundationRun& r) {
         return r.Switches.RtfReverseInput && r.Switches.RtfFileName == "help.rtf";
       }},
      {"\"my file.txt\"",
       [](const FoundationRun& r) {
         return r.Switches.SourceFiles == std::vector<std::string>{"my file.txt"};
       }},
  };
  for (const SwitchCase& c : cases) {
    run.Renew();
    HandleCommandLineWord(*run, c.word);
    EXPECT_TRUE(c.check(*run)) << c.word;
  }
}

TEST_F(CommandLineTest, MalformedFootnoteSwitchIsReportedAndIgnored) {
  Words({"/fuabc"});
  EXPECT_EQ(run.console->Text, "Wrong usage of parameter /fu[]\n");
  EXPECT_EQ(run->Switches.FootnoteStartChar, 0);
  EXPECT_TRUE(run->Switches.SourceFiles.empty());
}

TEST_F(CommandLineTest, FirstSourceFixesDirectoriesFromItsFileNamePart) {
  struct Case {
    const char* name;
    const char* sourceDir;
    const char* outputDir;
    const char* outputName;
  };
  const Case cases[] = {
      // Only a point in the file name counts, not one in a folder name.
      {"c:\\my.docs\\manual.txt", "c:\\my.docs", "c:\\my.docs\\manual", "manual"},
      {"/home/u/v1.2/book.tar.ws", "/home/u/v1.2", "/home/u/v1.2/book", "book"},
      {"./notes.txt", ".", "./notes", "notes"},
      {"sub\\manual", "sub", "sub\\manual.DIR", "manual.DIR"},
  };
  for (const Case& c : cases) {
    run->Switches = TSwitches{};
    AddSourceFile(*run, c.name);
    AddSourceFile(*run, "second.txt");
    EXPECT_EQ(run->Switches.SourceFileName, c.name);
    EXPECT_EQ(run->Switches.SourceDirectory, c.sourceDir) << c.name;
    EXPECT_EQ(run->Switches.OutputDirectory, c.outputDir) << c.name;
    EXPECT_EQ(run->Switches.OutputDirectoryName, c.outputName) << c.name;
    EXPECT_EQ(run->Switches.SourceFiles.size(), 2u);
  }
  run->Switches = TSwitches{};
  AddSourceFile(*run, "manual");
  EXPECT_EQ(run->Switches.OutputDirectory, "manual.DIR");
  EXPECT_EQ(run->Switches.SourceDirectory, platform::current_directory());
}

TEST_F(CommandLineTest, ExistingPathsAreNamesNeverSwitches) {
  const std::string project = run.WriteFile("Proj.SKJ", "");
  const std::string debugSource = run.WriteFile("debug/a.txt", "x");
  const std::string fuFile = run.WriteFile("fubar", "x");
  Words({project, debugSource, "/q"});
  EXPECT_EQ(run->Switches.ProjectFileName, project);  // keeps its case
  EXPECT_FALSE(run->Switches.DebugEcho);
  EXPECT_TRUE(run->Switches.QuietSourceErrors);
  EXPECT_EQ(run->Switches.SourceFiles, std::vector<std::string>{debugSource});
  // A folder is a name too, and "/fubar" is no malformed /fu switch when it exists.
  run->Switches = TSwitches{};
  Words({run.Folder().string(), fuFile});
  EXPECT_EQ(run->Switches.SourceFiles, (std::vector<std::string>{run.Folder().string(), fuFile}));
  EXPECT_EQ(run.console->Text, "");
}

TEST_F(CommandLineTest, NineteenConditionsFitTheTwentiethStops) {
  for (int i = 1; i <= 19; ++i) HandleCommandLineWord(*run, "#c" + std::to_string(i));
  EXPECT_EQ(run->Switches.ConditionCount, 19);
  EXPECT_EQ(run->Switches.ConditionNames[18], "c19");
  EXPECT_EQ(ExitCodeOf([&] { HandleCommandLineWord(*run, "#c20"); }), 2);
  EXPECT_TRUE(run.ConsoleHas("Too much define parameters\n"));
  EXPECT_EQ(run->Switches.ConditionCount, 19);
  // Room stays for the two target names the compile run appends.
  EXPECT_GE(run->Switches.ConditionNames.size(), 21u);
}

TEST_F(CommandLineTest, OverlongNamesAreRefusedNotCut) {
  struct Case {
    std::string word;
    const char* limit;
  };
  const Case cases[] = {
      {"#" + std::string(31, 'c'), "at most 30 characters"},
      {std::string(137, 'i') + ".ini", "at most 140 characters"},
      {std::string(252, 'p') + ".skj", "at most 255 characters"},
      {std::string(117, 'f') + ".ipf", "at most 120 characters"},
      {std::string(137, 'r') + ".rtf", "at most 140 characters"},
      {std::string(256, 's'), "at most 255 characters"},
      {"/errors:" + std::string(256, 'e'), "at most 255 characters"},
  };
  for (const Case& c : cases) {
    run.Renew();
    EXPECT_EQ(ExitCodeOf([&] { HandleCommandLineWord(*run, c.word); }), 2) << c.word;
    EXPECT_NE(run.Text().find(c.limit), std::string::npos) << run.Text();
    EXPECT_TRUE(run->Switches.SourceFiles.empty());
    EXPECT_TRUE(run->Switches.IniFileName.empty());
  }
  // At the limit the name is kept whole.
  run.Renew();
  const std::string longest(255, 's');
  HandleCommandLineWord(*run, longest);
  EXPECT_EQ(run->Switches.SourceFiles, std::vector<std::string>{longest});
}

TEST_F(CommandLineTest, LogSwitchesNameLowerCasedFilesAndCreateThem) {
  Words({"/MESSAGES:" + run.Path("Msg.TXT"), "/errors:" + run.Path("err.txt")});
  EXPECT_EQ(run->ReporterState.MessageFileName,
            platform::to_lower(platform::CodePage::cp850, run.Path("Msg.TXT")));
  run->Reporter.WriteLine("hello", true);
  run->Reporter.CloseLogFiles();
  EXPECT_EQ(corvina_test::ReadFile(run.Path("err.txt")), "hello\r\n");
  // The lower-cased name reaches the file through the case-insensitive lookup.
  const platform::ReadResult message = platform::read_file(run->ReporterState.MessageFileName);
  EXPECT_EQ(std::string(message.bytes.begin(), message.bytes.end()), "hello\r\n");
}

TEST_F(CommandLineTest, ManyLongSourceWordsAreAllKept) {
  std::vector<std::string> words;
  for (int i = 0; i < 35; ++i) words.push_back(std::string(90, 'a' + i % 26) + std::to_string(i));
  Words(words);
  EXPECT_EQ(run->Switches.SourceFiles, words);
}

TEST(CommandLineNames, ExistingAbsolutePathsAreNamesOfTheirOwnKind) {
  corvina_test::TempDir dir("skeldon-test", true);
  const std::filesystem::path base = dir.Path();
  // Folders whose names look like switches or carry another kind's extension.
  for (const char* folder :
       {"html", "debug", "errors:x", "my.ini.d", "old.skj.d", "a.rtf.d", "b.ipf.d"})
    std::filesystem::create_directory(base / folder);
  struct Case {
    std::string word;
    const char* kind;  // "source", "ini", "project"
  };
  const Case cases[] = {
      {(base / "html" / "Book.txt").string(), "source"},
      {(base / "debug" / "book.txt").string(), "source"},
      {(base / "errors:x" / "book.txt").string(), "source"},
      {(base / "my.ini.d" / "book.txt").string(), "source"},
      {(base / "old.skj.d" / "book.txt").string(), "source"},
      {(base / "a.rtf.d" / "book.txt").string(), "source"},
      {(base / "b.ipf.d" / "book.txt").string(), "source"},
      {(base / "html" / "Book.INI").string(), "ini"},
      {(base / "a.rtf.d" / "Notes.Ini.txt").string(), "ini"},
      {(base / "debug" / "Proj.SKJ").string(), "project"},
  };
  for (const Case& c : cases) {
    corvina_test::WriteFile(dir / std::filesystem::relative(c.word, base).string(), "x\r\n");
    FoundationTestRun r(ProgramStartRun());
    HandleCommandLineWord(*r, c.word);
    const TSwitches& sw = r->Switches;
    const std::string kind = !sw.SourceFiles.empty()       ? "source"
                             : !sw.IniFileName.empty()     ? "ini"
                             : !sw.ProjectFileName.empty() ? "project"
                                                           : "other";
    EXPECT_EQ(kind, c.kind) << c.word;
    EXPECT_FALSE(sw.DebugEcho || sw.TargetOverride || sw.RtfReverseInput || sw.IpfReverseInput)
        << c.word;
    EXPECT_TRUE(r->ReporterState.ErrorFileName.empty()) << c.word;
    if (kind == "source") {
      EXPECT_EQ(sw.SourceFiles.front(), c.word);  // its case kept
    }
    EXPECT_EQ(r.Text(), "") << c.word;
  }
}

}  // namespace
