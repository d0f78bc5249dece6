#include <gtest/gtest.h>
#include <filesystem>

#include <string>
#include <vector>

#include "compiler/foundation/command_line.h"
#include "compiler/foundation/foundation_run.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

using Call = platform::RecordingSystem::Call;
using Kind = platform::RecordingSystem::CallKind;

class ReporterTest : public ::testing::Test {
 protected:
  FoundationTestRun run{ConstructedRun(RunFolder::kPrivate)};
};

TEST_F(ReporterTest, SpinnerShowsEveryStepWithTurningCharacterAndCount) {
  run->ReporterState.ProgressStep = 30;
  for (int i = 0; i <= 120; ++i) run->Reporter.ShowProgress();
  EXPECT_EQ(run.console->Text, "|   0\r/  30\r\xC4  60\r\\  90\r| 120\r");
  EXPECT_EQ(run->ReporterState.ProgressCounter, 121);
}

TEST_F(ReporterTest, SpinnerPercentageUsesTotal) {
  run->ReporterState.ProgressStep = 3;
  run->ReporterState.ProgressTotal = 9;
  run->ReporterState.ProgressShowPercent = true;
  for (int i = 0; i < 7; ++i) run->Reporter.Tick();
  EXPECT_EQ(run.console->Text, "|   0 ( 0%)\r/   3 (33%)\r\xC4   6 (66%)\r");
}

TEST_F(ReporterTest, CounterDoesNotWrapPastSixteenBits) {
  run->ReporterState.ProgressStep = 1;
  run->ReporterState.ProgressCounter = 32767;
  run->Reporter.ShowProgress();
  run->Reporter.ShowProgress();
  EXPECT_EQ(run.console->Text, "\\32767\r|32768\r");
  EXPECT_EQ(run->ReporterState.ProgressCounter, 32769);
}

TEST_F(ReporterTest, UnsetStepAndTotalDoNotDivideByZero) {
  run->ReporterState.ProgressShowPercent = true;
  run->Reporter.ShowProgress();
  run->Reporter.ShowProgress();
  EXPECT_EQ(run.console->Text, "|   0 ( 0%)\r/   1 ( 0%)\r");
}

TEST_F(ReporterTest, DotsModeWritesDotsAndSourceErrorEndsTheLine) {
  run->Switches.ShowDots = true;
  run->Lines.CurrentSourceLine = 3;
  run->Reporter.ShowProgress();
  run->Reporter.ShowProgress();
  run->Reporter.ReportSourceError("bad thing", 0);
  EXPECT_EQ(run.console->Text, "..\nPar 3: bad thing\n");
}

TEST_F(ReporterTest, DebugAndCountModesShowNothingButStillCount) {
  for (bool debug : {true, false}) {
    run->Switches.DebugEcho = debug;
    run->Switches.CountLines = !debug;
    run->ReporterState.ProgressCounter = 0;
    run->Reporter.ShowProgress();
    EXPECT_EQ(run.console->Text, "");
    EXPECT_EQ(run->ReporterState.ProgressCounter, 1);
  }
}

TEST_F(ReporterTest, FollowUpWarningsWithinFiveLinesAreHidden) {
  struct Case {
    int line;
    bool shown;
  };
  const Case cases[] = {{10, true}, {14, false}, {17, false}, {22, false}, {28, true}};
  run->Lines.LastMessageLine = -100;
  for (const Case& c : cases) {
    run.console->Text.clear();
    run->RunSuccess = true;
    run->Lines.CurrentSourceLine = c.line;
    run->Reporter.ReportSourceError("heading too long", 2);
    EXPECT_EQ(!run.console->Text.empty(), c.shown) << "line " << c.line;
    EXPECT_FALSE(run->RunSuccess) << "every kind-2 report marks the run";
    EXPECT_EQ(run->Lines.LastMessageLine, c.line);
  }
}

TEST_F(ReporterTest, UnknownDotCommandReportDependsOnQuietAndWordStarInput) {
  struct Case {
    bool quiet;
    bool wordStar;
    bool shown;
  };
  for (const Case& c :
       {Case{false, false, true}, Case{true, false, false}, Case{false, true, false}}) {
    run.console->Text.clear();
    run->Switches.QuietSourceErrors = c.quiet;
    run->Switches.WordStarInput = c.wordStar;
    run->RunSuccess = true;
    run->Lines.CurrentSourceLine = 5;
    run->Reporter.ReportSourceError("unknown dot command .XY", 3);
    EXPECT_EQ(run.console->Text == "Par 5: unknown dot command .XY\n", c.shown);
    EXPECT_EQ(run.console->Text.empty(), !c.shown);
    // A hidden kind-3 report leaves the run successful.
    EXPECT_EQ(run->RunSuccess, !c.shown);
  }
}

TEST_F(ReporterTest, GermanErrorOnDotCommandLineNamesThatLine) {
  run->Language = 1;
  run->Lines.CurrentSourceLine = 8;
  run->Lines.ErrorLineOffset = 1;
  run->Reporter.ReportSourceError("Fehler bei Punktbefehl BT", 0);
  EXPECT_EQ(run.console->Text, "Abs 7: Fehler bei Punktbefehl BT\n");
}

TEST_F(ReporterTest, DebugModeWaitsForAKeyAfterASourceError) {
  run->Switches.DebugEcho = true;
  run->Reporter.ReportSourceError("y", 0);
  EXPECT_EQ(run.console->KeyWaits, 1);
  EXPECT_NE(run.console->Text.find("press any key\n"), std::string::npos);
}

TEST_F(ReporterTest, BilingualMessagePicksLanguageAndPrintsNothingForOthers) {
  const std::pair<int, std::string> cases[] = {{0, "press any key\n"},
                                               {1,
                                                "dr\x81"
                                                "cken Sie eine beliebige Taste\n"},
                                               {2, ""}};
  for (const auto& [language, expected] : cases) {
    run.console->Text.clear();
    run->Language = language;
    WriteMessage(*run, MessageId::PressAnyKey, false);
    EXPECT_EQ(run.console->Text, expected);
    EXPECT_EQ(MessageText(language, MessageId::PressAnyKey),
              expected.substr(0, expected.find('\n')));
  }
}

TEST_F(ReporterTest, GermanTextReachesUtf8TerminalConverted) {
  std::string out;
  CaptureConsoleInto(*run, out);
  run->Language = 1;
  run->Reporter.WriteLine(
      "dr\x81"
      "cken, Flie\xe1text",
      false);
  run->Reporter.Console().WaitForKey();  // flushes; a test run has no terminal to wait on
  EXPECT_EQ(out,
            "dr\xC3\xBC"
            "cken, Flie\xC3\x9Ftext\n");
}

TEST_F(ReporterTest, LogFilesGetMessagesAndErrorsWithCrLf) {
  run->ReporterState.MessageFileName = run.Path("msg.txt");
  run->ReporterState.ErrorFileName = run.Path("err.txt");
  run->Reporter.OpenLogFiles();
  run->Reporter.WriteLine("only a message", false);
  run->Reporter.WriteText("an ", true);
  run->Reporter.WriteLine("error", true);
  run->Reporter.CloseLogFiles();
  EXPECT_EQ(corvina_test::ReadFile(run.Path("msg.txt")), "only a message\r\nan error\r\n");
  EXPECT_EQ(corvina_test::ReadFile(run.Path("err.txt")), "an error\r\n");
  EXPECT_EQ(run.console->Text, "only a message\nan error\n");
}

TEST_F(ReporterTest, LogFileNamedForBothUsesOneHandleAndWritesEachLineOnce) {
  run->ReporterState.MessageFileName = run.Path("log.txt");
  run->Reporter.OpenLogFiles();
  run->ReporterState.ErrorFileName = run.Path("LOG.TXT");  // the same file, other case
  run.WriteFile("log.txt", "");
  run->Reporter.OpenLogFiles();  // every meeting of a log switch creates the files again
  run->Reporter.WriteLine("first", true);
  run->Reporter.WriteLine("second", false);
  run->Reporter.CloseLogFiles();
  EXPECT_EQ(corvina_test::ReadFile(run.Path("log.txt")), "first\r\nsecond\r\n");
}

TEST_F(ReporterTest, ReopeningLogFilesEmptiesThemAndKeepsOneHandle) {
  run->ReporterState.MessageFileName = run.Path("msg.txt");
  run->Reporter.OpenLogFiles();
  run->Reporter.WriteLine("before", false);
  run->Reporter.OpenLogFiles();
  run->Reporter.WriteLine("after", false);
  run->Reporter.CloseLogFiles();
  EXPECT_EQ(corvina_test::ReadFile(run.Path("msg.txt")), "after\r\n");
}

TEST_F(ReporterTest, LogFileThatCannotBeCreatedStopsTheRun) {
  run->ReporterState.ErrorFileName = run.Path("no/such/folder/err.txt");
  EXPECT_EQ(ExitCodeOf([&] { run->Reporter.OpenLogFiles(); }), 2);
  EXPECT_TRUE(
      run.ConsoleHas("error writing Error file " + run.Path("no/such/folder/err.txt") + "\n"));
  // A folder where the message file should be.
  run->ReporterState.ErrorFileName.clear();
  run->ReporterState.MessageFileName = run.Folder().string();
  EXPECT_EQ(ExitCodeOf([&] { run->Reporter.OpenLogFiles(); }), 2);
  EXPECT_TRUE(run.ConsoleHas("error writing Message file " + run.Folder().string() + "\n"));
}

TEST_F(ReporterTest, TerminateBeforeCompletionEndsWithTwoAndFailureSound) {
  run->Ini.BeepOn = true;
  run->RunSuccess = true;
  EXPECT_EQ(
      ExitCodeOf([&] { run->Reporter.Terminate(CompletedOrFailed(*run, ExitCode::Success)); }), 2);
  EXPECT_EQ(run.console->Text, "\npress any key\n");
  EXPECT_EQ(run.console->KeyWaits, 1);
  EXPECT_EQ(run.sound.calls(), (std::vector<Call>{{Kind::beep, 100, 500}}));
}

TEST_F(ReporterTest, TerminateAfterCompletionKeepsCodeAndWaitsAsAsked) {
  struct Case {
    bool projectRead;
    bool quit;
    bool hold;
    bool waits;
  };
  const Case cases[] = {
      {true, false, false, true},   {true, true, false, false}, {true, true, true, true},
      {false, false, false, false}, {false, false, true, true},
  };
  for (const Case& c : cases) {
    run.console->KeyWaits = 0;
    run->RunCompleted = true;
    run->Switches.ProjectFileRead = c.projectRead;
    run->Switches.QuitAtEnd = c.quit;
    run->Switches.HoldAtEnd = c.hold;
    EXPECT_EQ(ExitCodeOf([&] {
                run->Reporter.Terminate(CompletedOrFailed(*run, ExitCode::UploadServerMissing));
              }),
              22);
    EXPECT_EQ(run.console->KeyWaits, c.waits ? 1 : 0) << c.projectRead << c.quit << c.hold;
  }
}

TEST_F(ReporterTest, CompletedRunWithSourceErrorPlaysFailureSound) {
  run->Ini.BeepOn = true;
  run->RunCompleted = true;
  run->RunSuccess = true;
  run->Reporter.ReportSourceError("y", 0);
  run->Reporter.FinishRun(false);
  EXPECT_EQ(run.sound.calls(), (std::vector<Call>{{Kind::beep, 100, 500}}));
  run.sound.clear();
  run->RunSuccess = true;
  run->Reporter.FinishRun(false);
  EXPECT_EQ(run.sound.calls().size(), 4u);
}

TEST_F(ReporterTest, UsageTextIsEnglishWaitsAndEndsWithZero) {
  run->Language = 1;
  run->Ini.BeepOn = true;
  EXPECT_EQ(ExitCodeOf([&] { run->Reporter.ShowUsage(); }), 0);
  std::string expected;
  for (int i = 0; i < kUsageLineCount; ++i) expected += std::string(kUsageLines[i]) + "\n";
  EXPECT_EQ(run.console->Text, expected);
  EXPECT_EQ(run.console->KeyWaits, 1);
  EXPECT_TRUE(run.sound.calls().empty());
  run->Switches.TestIfHere = true;
  EXPECT_EQ(ExitCodeOf([&] { run->Reporter.ShowUsage(); }), 0);
  EXPECT_EQ(run.console->KeyWaits, 1);
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

TEST(LogFiles, MessagesAndErrorsNamingOneFileWriteEachLineOnceInCodePage850) {
  struct Case {
    const char* messages;  // the word after "/MESSAGES:" (relative to the scratch folder)
    const char* errors;    // the word after "/ERRORS:"
    bool errorsFirst;      // "/ERRORS:" stands before "/MESSAGES:"
  };
  const Case cases[] = {
      {"log.txt", "log.txt", false},   {"log.txt", "LOG.TXT", false},
      {"log.txt", "./log.txt", false}, {"sub/../log.txt", "log.txt", false},
      {"log.txt", "ABSOLUTE", false},  // the absolute path of the same file
      {"LOG.txt", "log.txt", true},    {"log.txt", "ABSOLUTE", true},
  };
  for (const Case& c : cases) {
    FoundationTestRun r(ProgramStartRun(RunFolder::kCurrent));
    std::filesystem::create_directory(r.Path("sub"));
    const std::string errors = std::string(c.errors) == "ABSOLUTE" ? r.Path("log.txt") : c.errors;
    std::vector<std::string> words{std::string("/MESSAGES:") + c.messages, "/ERRORS:" + errors};
    if (c.errorsFirst) std::swap(words[0], words[1]);
    for (const std::string& word : words) HandleCommandLineWord(*r, word);
    r->Language = 1;
    // A message first: a second handle would write the error over it at the file's start.
    r->Reporter.WriteLine(
        "nur Meldung: gr\x94\xe1"
        "er",
        false);
    r->Reporter.WriteLine("Quelldatei w\x84re leer", true);
    r->Reporter.CloseLogFiles();
    EXPECT_EQ(corvina_test::ReadFile(r.Path("log.txt")),
              "nur Meldung: gr\x94\xe1"
              "er\r\nQuelldatei w\x84re leer\r\n")
        << c.messages << " / " << errors;
    EXPECT_EQ(r.Text(),
              "nur Meldung: gr\x94\xe1"
              "er\nQuelldatei w\x84re leer\n");
  }
}

TEST(TerminalText, Utf8FileNamesStayReadableBesideGermanTexts) {
  struct Case {
    std::string written;  // bytes the system writes: cp850 texts around a UTF-8 file name
    std::string shown;    // what a UTF-8 terminal gets
  };
  const Case cases[] = {
      {"Quelldatei \"n\xC3\xB6.txt\" nicht gefunden oder schon ge\x94"
       "ffnet.",
       "Quelldatei \"n\xC3\xB6.txt\" nicht gefunden oder schon ge\xC3\xB6"
       "ffnet."},
      {"/home/\xE2\x82\xAC/\xF0\x9F\x98\x80.txt", "/home/\xE2\x82\xAC/\xF0\x9F\x98\x80.txt"},
      // Code page 850 bytes that are no well-formed UTF-8 are converted one by one.
      {"Flie\xE1text gr\x94\xE1"
       "er \xC4\xC4 \xE1\x81",
       "Flie\xC3\x9Ftext gr\xC3\xB6\xC3\x9F"
       "er \xE2\x94\x80\xE2\x94\x80 \xC3\x9F\xC3\xBC"},
      {"\xC3", "\xE2\x94\x9C"},
      {"\xED\xA0\x80", "\xC3\x9D\xC3\xA1\xC3\x87"},  // a UTF-16 surrogate is no UTF-8
  };
  for (const Case& c : cases) {
    std::string out;
    FoundationTestRun r(ProgramStartRun());
    CaptureConsoleInto(*r, out);
    r->Reporter.WriteText(c.written, false);
    EXPECT_EQ(out, c.shown) << c.written;
  }
  // A terminal that takes the code-page bytes gets them unchanged.
  std::string raw;
  FoundationTestRun r(ProgramStartRun());
  CaptureConsoleInto(*r, raw, false);
  r->Reporter.WriteText(cases[0].written, false);
  EXPECT_EQ(raw, cases[0].written);
}

}  // namespace
