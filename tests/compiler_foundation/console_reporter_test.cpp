#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "tests/support/core_run_fixture.h"
#include "tests/support/run_with_capture.h"

using namespace skeldon;

namespace {

using Call = platform::RecordingSystem::Call;
using Kind = platform::RecordingSystem::CallKind;

class ReporterTest : public CoreRunTest {};

TEST_F(ReporterTest, SpinnerShowsEveryStepWithTurningCharacterAndCount) {
    run->reporterState.ProgressStep = 30;
    for (int i = 0; i <= 120; ++i) run->reporter.ShowProgress();
    EXPECT_EQ(console->Text, "|   0\r/  30\r\xC4  60\r\\  90\r| 120\r");
    EXPECT_EQ(run->reporterState.ProgressCounter, 121);
}

TEST_F(ReporterTest, SpinnerPercentageUsesTotal) {
    run->reporterState.ProgressStep = 3;
    run->reporterState.ProgressTotal = 9;
    run->reporterState.ProgressShowPercent = true;
    for (int i = 0; i < 7; ++i) run->reporter.Tick();
    EXPECT_EQ(console->Text, "|   0 ( 0%)\r/   3 (33%)\r\xC4   6 (66%)\r");
}

TEST_F(ReporterTest, CounterDoesNotWrapPastSixteenBits) {
    run->reporterState.ProgressStep = 1;
    run->reporterState.ProgressCounter = 32767;
    run->reporter.ShowProgress();
    run->reporter.ShowProgress();
    EXPECT_EQ(console->Text, "\\32767\r|32768\r");
    EXPECT_EQ(run->reporterState.ProgressCounter, 32769);
}

TEST_F(ReporterTest, UnsetStepAndTotalDoNotDivideByZero) {
    run->reporterState.ProgressShowPercent = true;
    run->reporter.ShowProgress();
    run->reporter.ShowProgress();
    EXPECT_EQ(console->Text, "|   0 ( 0%)\r/   1 ( 0%)\r");
}

TEST_F(ReporterTest, DotsModeWritesDotsAndSourceErrorEndsTheLine) {
    run->switches.ShowDots = true;
    run->lines.CurrentSourceLine = 3;
    run->reporter.ShowProgress();
    run->reporter.ShowProgress();
    run->reporter.ReportSourceError("x", "bad thing", 0);
    EXPECT_EQ(console->Text, "..\nPar 3: bad thing\n");
}

TEST_F(ReporterTest, DebugAndCountModesShowNothingButStillCount) {
    for (bool debug : {true, false}) {
        run->switches.DebugEcho = debug;
        run->switches.CountLines = !debug;
        run->reporterState.ProgressCounter = 0;
        run->reporter.ShowProgress();
        EXPECT_EQ(console->Text, "");
        EXPECT_EQ(run->reporterState.ProgressCounter, 1);
    }
}

TEST_F(ReporterTest, FollowUpWarningsWithinFiveLinesAreHidden) {
    struct Case {
        int line;
        bool shown;
    };
    const Case cases[] = {{10, true}, {14, false}, {17, false}, {22, false}, {28, true}};
    run->lines.LastMessageLine = -100;
    for (const Case& c : cases) {
        console->Text.clear();
        run->RunSuccess = true;
        run->lines.CurrentSourceLine = c.line;
        run->reporter.ReportSourceError("lang", "heading too long", 2);
        EXPECT_EQ(!console->Text.empty(), c.shown) << "line " << c.line;
        EXPECT_FALSE(run->RunSuccess) << "every kind-2 report marks the run";
        EXPECT_EQ(run->lines.LastMessageLine, c.line);
    }
}

TEST_F(ReporterTest, UnknownDotCommandReportDependsOnQuietAndWordStarInput) {
    struct Case {
        bool quiet;
        bool wordStar;
        bool shown;
    };
    for (const Case& c : {Case{false, false, true}, Case{true, false, false},
                          Case{false, true, false}}) {
        console->Text.clear();
        run->switches.QuietSourceErrors = c.quiet;
        run->switches.WordStarInput = c.wordStar;
        run->RunSuccess = true;
        run->lines.CurrentSourceLine = 5;
        run->reporter.ReportSourceError("unbekannt", "unknown dot command .XY", 3);
        EXPECT_EQ(console->Text == "Par 5: unknown dot command .XY\n", c.shown);
        EXPECT_EQ(console->Text.empty(), !c.shown);
        // A hidden kind-3 report leaves the run successful.
        EXPECT_EQ(run->RunSuccess, !c.shown);
    }
}

TEST_F(ReporterTest, GermanErrorOnDotCommandLineNamesThatLine) {
    run->Language = 1;
    run->lines.CurrentSourceLine = 8;
    run->lines.ErrorLineOffset = 1;
    run->reporter.ReportSourceError("Fehler bei Punktbefehl BT", "Error dot command BT", 0);
    EXPECT_EQ(console->Text, "Abs 7: Fehler bei Punktbefehl BT\n");
}

TEST_F(ReporterTest, DebugModeWaitsForAKeyAfterASourceError) {
    run->switches.DebugEcho = true;
    run->reporter.ReportSourceError("x", "y", 0);
    EXPECT_EQ(console->KeyWaits, 1);
    EXPECT_NE(console->Text.find("press any key\n"), std::string::npos);
}

TEST_F(ReporterTest, BilingualMessagePicksLanguageAndPrintsNothingForOthers) {
    const std::pair<int, std::string> cases[] = {
        {0, "press any key\n"}, {1, "dr\x81" "cken Sie eine beliebige Taste\n"}, {2, ""}};
    for (const auto& [language, expected] : cases) {
        console->Text.clear();
        run->Language = language;
        WriteBilingualMessage(*run, "dr\x81" "cken Sie eine beliebige Taste", "press any key",
                              false);
        EXPECT_EQ(console->Text, expected);
        EXPECT_EQ(ChooseLanguageText(*run, "de", "en"),
                  language == 1 ? "de" : language == 0 ? "en" : "");
    }
}

TEST_F(ReporterTest, GermanTextReachesUtf8TerminalConverted) {
    std::string out;
    core_test::CaptureConsoleInto(*run, out);
    run->Language = 1;
    WriteBilingualMessage(*run, "dr\x81" "cken, Flie\xe1text", "", false);
    run->reporter.Console().WaitForKey();  // flushes; a test run has no terminal to wait on
    EXPECT_EQ(out, "dr\xC3\xBC" "cken, Flie\xC3\x9Ftext\n");
}

TEST_F(ReporterTest, LogFilesGetMessagesAndErrorsWithCrLf) {
    run->reporterState.MessageFileName = Path("msg.txt");
    run->reporterState.ErrorFileName = Path("err.txt");
    run->reporter.OpenLogFiles();
    run->reporter.WriteLine("only a message", false);
    run->reporter.WriteText("an ", true);
    run->reporter.WriteLine("error", true);
    run->reporter.CloseLogFiles();
    EXPECT_EQ(ReadFile(Path("msg.txt")), "only a message\r\nan error\r\n");
    EXPECT_EQ(ReadFile(Path("err.txt")), "an error\r\n");
    EXPECT_EQ(console->Text, "only a message\nan error\n");
}

TEST_F(ReporterTest, LogFileNamedForBothUsesOneHandleAndWritesEachLineOnce) {
    run->reporterState.MessageFileName = Path("log.txt");
    run->reporter.OpenLogFiles();
    run->reporterState.ErrorFileName = Path("LOG.TXT");  // the same file, other case
    WriteFile("log.txt", "");
    run->reporter.OpenLogFiles();  // every meeting of a log switch creates the files again
    run->reporter.WriteLine("first", true);
    run->reporter.WriteLine("second", false);
    run->reporter.CloseLogFiles();
    EXPECT_EQ(ReadFile(Path("log.txt")), "first\r\nsecond\r\n");
}

TEST_F(ReporterTest, ReopeningLogFilesEmptiesThemAndKeepsOneHandle) {
    run->reporterState.MessageFileName = Path("msg.txt");
    run->reporter.OpenLogFiles();
    run->reporter.WriteLine("before", false);
    run->reporter.OpenLogFiles();
    run->reporter.WriteLine("after", false);
    run->reporter.CloseLogFiles();
    EXPECT_EQ(ReadFile(Path("msg.txt")), "after\r\n");
}

TEST_F(ReporterTest, LogFileThatCannotBeCreatedStopsTheRun) {
    run->reporterState.ErrorFileName = Path("no/such/folder/err.txt");
    EXPECT_EQ(ExitCodeOf([&] { run->reporter.OpenLogFiles(); }), 2);
    EXPECT_TRUE(ConsoleHas("error writing Error file " + Path("no/such/folder/err.txt") + "\n"));
    // A folder where the message file should be.
    run->reporterState.ErrorFileName.clear();
    run->reporterState.MessageFileName = dir.string();
    EXPECT_EQ(ExitCodeOf([&] { run->reporter.OpenLogFiles(); }), 2);
    EXPECT_TRUE(ConsoleHas("error writing Message file " + dir.string() + "\n"));
}

TEST_F(ReporterTest, TerminateBeforeCompletionEndsWithTwoAndFailureSound) {
    run->ini.BeepOn = true;
    run->RunSuccess = true;
    EXPECT_EQ(ExitCodeOf([&] { run->reporter.Terminate(0); }), 2);
    EXPECT_EQ(console->Text, "\npress any key\n");
    EXPECT_EQ(console->KeyWaits, 1);
    EXPECT_EQ(sound.calls(), (std::vector<Call>{{Kind::beep, 100, 500}}));
}

TEST_F(ReporterTest, TerminateAfterCompletionKeepsCodeAndWaitsAsAsked) {
    struct Case {
        bool projectRead;
        bool quit;
        bool hold;
        bool waits;
    };
    const Case cases[] = {
        {true, false, false, true}, {true, true, false, false}, {true, true, true, true},
        {false, false, false, false}, {false, false, true, true},
    };
    for (const Case& c : cases) {
        console->KeyWaits = 0;
        run->RunCompleted = true;
        run->switches.ProjectFileRead = c.projectRead;
        run->switches.QuitAtEnd = c.quit;
        run->switches.HoldAtEnd = c.hold;
        EXPECT_EQ(ExitCodeOf([&] { run->reporter.Terminate(22); }), 22);
        EXPECT_EQ(console->KeyWaits, c.waits ? 1 : 0)
            << c.projectRead << c.quit << c.hold;
    }
}

TEST_F(ReporterTest, CompletedRunWithSourceErrorPlaysFailureSound) {
    run->ini.BeepOn = true;
    run->RunCompleted = true;
    run->RunSuccess = true;
    run->reporter.ReportSourceError("x", "y", 0);
    run->reporter.FinishRun(false);
    EXPECT_EQ(sound.calls(), (std::vector<Call>{{Kind::beep, 100, 500}}));
    sound.clear();
    run->RunSuccess = true;
    run->reporter.FinishRun(false);
    EXPECT_EQ(sound.calls().size(), 4u);
}

TEST_F(ReporterTest, UsageTextIsEnglishWaitsAndEndsWithZero) {
    run->Language = 1;
    run->ini.BeepOn = true;
    EXPECT_EQ(ExitCodeOf([&] { run->reporter.ShowUsage(); }), 0);
    std::string expected;
    for (int i = 0; i < kUsageLineCount; ++i) expected += std::string(kUsageLines[i]) + "\n";
    EXPECT_EQ(console->Text, expected);
    EXPECT_EQ(console->KeyWaits, 1);
    EXPECT_TRUE(sound.calls().empty());
    run->switches.TestIfHere = true;
    EXPECT_EQ(ExitCodeOf([&] { run->reporter.ShowUsage(); }), 0);
    EXPECT_EQ(console->KeyWaits, 1);
}

TEST_F(ReporterTest, UsageExplanationsStartInColumnTwenty) {
    ASSERT_EQ(kUsageLineCount, 23);
    EXPECT_STREQ(kUsageLines[0], "SKELDON parameters:");
    EXPECT_STREQ(kUsageLines[22], "press any key");
    const int withExplanation[] = {2, 3, 4, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    for (int i : withExplanation) {
        const std::string line = kUsageLines[i];
        ASSERT_GT(line.size(), 20u) << line;
        EXPECT_NE(line[19], ' ') << line;
        EXPECT_EQ(line[18], ' ') << line;
    }
    EXPECT_EQ(std::string(kUsageLines[12]).find_first_not_of(' '), 19u);
}

}  // namespace
