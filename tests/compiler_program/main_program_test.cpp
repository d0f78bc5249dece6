#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/program/main_program.h"
#include "compiler/passes/compiler_run.h"
#include "tests/support/core_run_fixture.h"
#include "platform/files.h"
#include "platform/text.h"

using namespace skeldon;

namespace {

class CompilerMainTest : public CoreRunTest {
protected:
    int Run(std::vector<std::string> words) {
        words.insert(words.begin(), "/opt/corvina/bin/skeldon");
        return RunCompiler(words, *run);
    }
    static std::string Ini(const std::string& name) {
        return std::string(CORVINA_SOURCE_DIR) + "/tests/data/compiler_core/ini/" + name;
    }
};

TEST_F(CompilerMainTest, NoWordsShowBannerAndUsageAndEndWithZero) {
    EXPECT_EQ(Run({}), 0);
    std::string usage;
    for (int i = 0; i < kUsageLineCount; ++i) usage += std::string(kUsageLines[i]) + "\n";
    EXPECT_EQ(console->Text, BannerText() + "\n" + usage);
    EXPECT_EQ(console->KeyWaits, 1);
    EXPECT_TRUE(sound.calls().empty());
}

TEST_F(CompilerMainTest, CommandLinesAndTheirExitCodes) {
    const std::string source = WriteFile("book.txt", "text\r\n");
    const std::string skj = WriteFile("Proj.skj", "source file = " + source + "\r\n");
    struct Case {
        std::vector<std::string> words;
        int exitCode;
        std::string message;  // a line the run must show
    };
    const Case cases[] = {
        {{"/test_if_here"}, 0, "SKELDON parameters:\n"},
        {{source, "/xyz", Ini("complete.ini")}, 2, "Parameter \"/xyz\" does not exist.\n"},
        {{Path("gone.txt"), Ini("complete.ini")}, 2, "Source file \"" + Path("gone.txt") + "\" not found or open.\n"},
        // The compile run stops: the source has no heading.
        {{source, Ini("complete.ini")}, 2, "You have to write at least one heading (.1) !\n"},
        {{skj, Ini("complete.ini"), "#a", "/html"}, 2,
         "You have to write at least one heading (.1) !\n"},
        // A name that does not exist is kept lower-cased, as the command line gives it.
        {{Path("missing.skj")}, 2,
         "SKJ file " + platform::to_lower(platform::CodePage::cp850, Path("missing.skj")) +
             " not found.\n"},
        {{Path("help.rtf"), Ini("complete.ini")}, 2,
         "The RTF to source conversion (RunRtfReverseConversion) is not built yet.\n"},
        {{Path("help.ipf"), Ini("complete.ini")}, 2,
         "The IPF to source conversion (ConvertIpfToSource) is not built yet.\n"},
        {{Path("help.ipf")}, 2, "ini file not found.\n"},
        {{"/compare", "old", "new"}, 2,
         "The HTML directory compare (CompareHtmlDirectories) is not built yet.\n"},
    };
    for (const Case& c : cases) {
        run = std::make_unique<CompilerRun>();
        auto capture = std::make_unique<TCapturingConsole>();
        console = capture.get();
        run->reporter.SetConsole(std::move(capture));
        run->switches.TestIfHere = true;
        run->mainUnit.Sound = &sound;
        std::string words;
        for (const std::string& w : c.words) words += w + " ";
        EXPECT_EQ(Run(c.words), c.exitCode) << words << "\n" << console->Text;
        EXPECT_TRUE(ConsoleHas(c.message)) << words << "\n" << console->Text;
    }
}

TEST_F(CompilerMainTest, WholeCommandLineFillsSwitchesSourcesAndDirectories) {
    const std::string first = WriteFile("Book.V2/Main Text.ws", "a\r\n");
    const std::string second = WriteFile("debug/more.ws", "b\r\n");
    EXPECT_EQ(Run({"\"" + first + "\"", second, "#Draft", "/DOTS", "/html", "/q",
                   "/MESSAGES:" + Path("msg.txt"), Ini("complete.ini")}),
              2);
    const TSwitches& sw = run->switches;
    EXPECT_EQ(sw.SourceFiles, (std::vector<std::string>{first, second}));
    EXPECT_EQ(sw.SourceFileName, first);
    EXPECT_EQ(sw.SourceDirectory, Path("Book.V2"));
    EXPECT_EQ(sw.OutputDirectory, Path("Book.V2/Main Text"));
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
    const platform::ReadResult log = platform::read_file(run->reporterState.MessageFileName);
    ASSERT_TRUE(log.ok());
    EXPECT_NE(std::string(log.bytes.begin(), log.bytes.end()).find("You have to write at least one heading (.1) !\r\n"),
              std::string::npos);
}

TEST_F(CompilerMainTest, TwentiethConditionStopsBeforeAnythingIsRead) {
    std::vector<std::string> words{"book.txt"};
    for (int i = 1; i <= 20; ++i) words.push_back("#c" + std::to_string(i));
    EXPECT_EQ(Run(words), 2);
    EXPECT_TRUE(ConsoleHas("Too much define parameters\n"));
    EXPECT_FALSE(ConsoleHas("Reading SKJ file"));
}

TEST_F(CompilerMainTest, ErrorLogGetsTheStopMessage) {
    const std::string source = WriteFile("book.txt", "text\r\n");
    EXPECT_EQ(Run({source, Ini("complete.ini"), "/ERRORS:" + Path("err.txt")}), 2);
    const platform::ReadResult log = platform::read_file(
        platform::to_lower(platform::CodePage::cp850, Path("err.txt")));
    ASSERT_TRUE(log.ok());
    EXPECT_NE(std::string(log.bytes.begin(), log.bytes.end())
                  .find("You have to write at least one heading (.1) !\r\n"),
              std::string::npos);
}

TEST_F(CompilerMainTest, UploadWithoutServerSettingsListsTheRequiredLines) {
    const std::string skj =
        WriteFile("p.skj", "source file = " + Path("book.txt") + "\r\nftp user name = me\r\n");
    EXPECT_EQ(Run({skj, "/prepareupload"}), 2);
    EXPECT_TRUE(ConsoleHas(
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
        {{"/compare", "a", "b"}, "", false, true, "a", "b"},
        {{"/compare", "a"}, "", false, true, "a", "a_uploaded"},
        {{"/compare", "a\\"}, "", false, true, "a", "a_uploaded"},
        {{"/compare"}, "", false, false, "", ""},
        {{"p.skj", "/compare", "x", "y"}, "p.skj", false, true, "x", "y"},
        {{"p.skj", "/prepareupload"}, "p.skj", true, true, "out\\book", "out\\book_uploaded"},
    };
    for (const Case& c : cases) {
        CompilerRun r;
        r.switches.ProgramParameters = c.words;
        r.switches.ProjectFileName = c.project;
        r.switches.PrepareUploadMode = c.prepare;
        r.switches.CompareMode = !c.prepare;
        r.switches.OutputDirectory = "out\\book\\";
        const CompareDirectories dirs = ChooseCompareDirectories(r);
        EXPECT_EQ(dirs.Run, c.runs) << c.words.size();
        EXPECT_EQ(dirs.Old, c.oldDir);
        EXPECT_EQ(dirs.New, c.newDir);
    }
}

}  // namespace
