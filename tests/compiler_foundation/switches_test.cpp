// Switch defaults, the main unit's start-up, the command-line walk with its banner and usage,
// the graphics directory helpers, the default command lines and the end-of-run sound.
#include <gtest/gtest.h>

#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/switches.h"
#include "platform/system.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

using Call = platform::RecordingSystem::Call;
using Kind = platform::RecordingSystem::CallKind;

namespace {

TEST(Switches, ResetSetsEveryStartValue) {
  TSwitches s;
  // Dirty every field first, so that a field the reset forgets shows.
  s.ProjectFileRead = s.IpfReverseInput = s.RtfReverseInput = s.IsTextOption = s.IsProgOption =
      true;
  s.UnderscoreButtons = s.PrefixFromSource = s.QuietSourceErrors = s.TestIfHere = true;
  s.DebugEcho = s.CountLines = s.DebugMainOnly = s.CompareMode = s.PrepareUploadMode = true;
  s.NoFrames = s.NoIdOption = s.NewIpfCompiler = s.FatFileNames = s.InternalContents = true;
  s.TargetOverride = s.ShowDots = s.QuitAtEnd = s.HoldAtEnd = true;
  s.WordStarInput = s.SoftLineEnds = false;
  s.SourceFiles = {"a", "b"};
  s.SourceFileName = s.SourceDirectory = s.OutputDirectory = s.OutputDirectoryName = "x";
  s.IniFileName = s.ProjectFileName = s.IpfFileName = s.RtfFileName = s.PageNamePrefix = "x";
  s.TargetRequests.fill(true);
  s.TargetCode = 4;
  s.ConditionCount = 3;
  s.ConditionNames[0] = s.ConditionNames[20] = "print";
  s.FontScale = 1.33;
  s.ContentsDepth = 2;
  // Fields the reset leaves alone.
  s.NoFramesSwitch = true;
  s.DebugStartLine = 120;
  s.FootnoteStartChar = 'a';
  s.FootnoteEndChar = 'b';
  s.ProgramPath = "/usr/bin/skeldon";
  s.ProgramParameters = {"x.skj"};

  ResetSwitches(s);

  EXPECT_FALSE(s.ProjectFileRead || s.IpfReverseInput || s.RtfReverseInput || s.IsTextOption ||
               s.IsProgOption || s.UnderscoreButtons || s.PrefixFromSource || s.QuietSourceErrors ||
               s.TestIfHere || s.DebugEcho || s.CountLines || s.DebugMainOnly || s.CompareMode ||
               s.PrepareUploadMode || s.NoFrames || s.NoIdOption || s.NewIpfCompiler ||
               s.FatFileNames || s.InternalContents || s.TargetOverride || s.ShowDots ||
               s.QuitAtEnd || s.HoldAtEnd);
  EXPECT_TRUE(s.WordStarInput);
  EXPECT_TRUE(s.SoftLineEnds);
  EXPECT_TRUE(s.SourceFiles.empty());
  for (const std::string* text :
       {&s.SourceFileName, &s.SourceDirectory, &s.OutputDirectory, &s.OutputDirectoryName,
        &s.IniFileName, &s.ProjectFileName, &s.IpfFileName, &s.RtfFileName, &s.PageNamePrefix}) {
    EXPECT_EQ(*text, "");
  }
  for (bool request : s.TargetRequests) EXPECT_FALSE(request);
  EXPECT_EQ(s.TargetCode, 0);
  EXPECT_EQ(s.ConditionCount, 0);
  for (const std::string& name : s.ConditionNames) EXPECT_EQ(name, "");
  EXPECT_DOUBLE_EQ(s.FontScale, 1.0);
  EXPECT_EQ(s.ContentsDepth, 6);

  EXPECT_TRUE(s.NoFramesSwitch);
  EXPECT_EQ(s.DebugStartLine, 120);
  EXPECT_EQ(s.FootnoteStartChar, 'a');
  EXPECT_EQ(s.FootnoteEndChar, 'b');
  EXPECT_EQ(s.ProgramPath, "/usr/bin/skeldon");
  EXPECT_EQ(s.ProgramParameters, std::vector<std::string>{"x.skj"});
}

TEST(Switches, ConditionTableHasRoomForTheTargetNames) {
  EXPECT_EQ(kMaxUserConditions, 19);
  EXPECT_GE(kMaxConditions, kMaxUserConditions + 2);
  EXPECT_EQ(TSwitches{}.ConditionNames.size(), static_cast<std::size_t>(kMaxConditions));
}

TEST(MainUnit, InitSetsTheStartValues) {
  FoundationRun run;
  run.Language = 1;
  run.MainUnit.PascalForm = true;
  run.ProgramCommands.Lines[kWinHelp4Compiler] = "old";
  run.Source.Loaded = true;
  InitMainUnit(run);
  EXPECT_EQ(run.Language, 0);
  EXPECT_FALSE(run.MainUnit.PascalForm);
  EXPECT_FALSE(run.Source.Loaded);
  // The block starts empty, so every default is filled in.
  EXPECT_EQ(run.ProgramCommands.Lines[kWinHelp4Compiler], "HCW.EXE /c /e");
  EXPECT_EQ(run.FileNames.LowerCaseTable[0x8E], 0x84);
  EXPECT_EQ(run.FileNames.LowerCaseTable['Q'], 'q');
  EXPECT_EQ(run.CharConversion.Tables.OemToAnsi[0x84], 0xE4);
  EXPECT_EQ(run.CharConversion.Tables.AnsiToOem[0xE4], 0x84);
  for (int c = 0; c < 256; ++c) {
    const bool vowel = c == 'a' || c == 'e' || c == 'i' || c == 'o' || c == 'u' || c == 'y';
    EXPECT_EQ(run.MainUnit.VowelTable[c], vowel) << c;
  }
}

TEST(MainUnit, DefaultCommandLinesFillOnlyEmptyLines) {
  TProgramCommands commands;
  commands.Lines[kIpfViewer] = "MYVIEW.EXE";
  SetDefaultCommandLines(commands, "C:\\WINNT");
  const std::array<std::string, kProgramCommandCount> expected = {"",
                                                                  "HCW.EXE /c /e",
                                                                  "HHW.EXE",
                                                                  "",
                                                                  "C:\\WINNT\\WINHLP32.EXE",
                                                                  "C:\\WINNT\\WINHLP32.EXE",
                                                                  "C:\\WINNT\\HH.EXE",
                                                                  "MYVIEW.EXE"};
  EXPECT_EQ(commands.Lines, expected);
  // The Windows directory comes from a buffer of 50 bytes.
  TProgramCommands longDir;
  SetDefaultCommandLines(longDir, std::string(80, 'w'));
  EXPECT_EQ(longDir.Lines[kHtmlHelpViewer], std::string(49, 'w') + "\\HH.EXE");
}

TEST(CommandLine, NothingNamedShowsBannerAndUsageAndEndsWithZero) {
  FoundationTestRun r(ProgramStartRun());
  EXPECT_EQ(ExitCodeOf([&] { ReadCommandLine(*r); }), 0);
  EXPECT_EQ(r.Text().substr(0, BannerText().size() + 1), BannerText() + "\n");
  EXPECT_EQ(BannerText().rfind("Skeldon 4.22 (Win95-ME/NT-XP) ", 0), 0u);
  EXPECT_NE(r.Text().find("SKELDON parameters:"), std::string::npos);
  EXPECT_EQ(r.console->KeyWaits, 1);
  // /test_if_here: no key wait.
  FoundationTestRun quick(ProgramStartRun());
  quick->Switches.ProgramParameters = {"/test_if_here"};
  EXPECT_EQ(ExitCodeOf([&] { ReadCommandLine(*quick); }), 0);
  EXPECT_EQ(quick.console->KeyWaits, 0);
}

TEST(CommandLine, PreTakesThePrefixFromTheFirstSource) {
  FoundationTestRun r(ProgramStartRun());
  r->Switches.ProgramParameters = {"c:\\docs\\MANUAL.WS", "/pre", "second.ws"};
  EXPECT_EQ(ExitCodeOf([&] { ReadCommandLine(*r); }), -1) << r.Text();
  EXPECT_EQ(r->Switches.PageNamePrefix, "MANUAL");
  EXPECT_EQ(r.Text(), "");
  FoundationTestRun longName(ProgramStartRun());
  longName->Switches.ProgramParameters = {"/pre", std::string(50, 'n') + ".ws"};
  ReadCommandLine(*longName);
  EXPECT_EQ(longName->Switches.PageNamePrefix, std::string(40, 'n'));
  FoundationTestRun without(ProgramStartRun());
  without->Switches.ProgramParameters = {"manual.ws"};
  ReadCommandLine(*without);
  EXPECT_EQ(without->Switches.PageNamePrefix, "");
}

TEST(CommandLine, AProjectOrAConversionIsEnoughToGoOn) {
  for (const char* word : {"book.skj", "help.rtf", "help.ipf"}) {
    FoundationTestRun r(ProgramStartRun());
    r->Switches.ProgramParameters = {word};
    EXPECT_EQ(ExitCodeOf([&] { ReadCommandLine(*r); }), -1) << word;
    EXPECT_EQ(r.Text(), "") << word;
  }
}

TEST(GraphicDirectories, AddAndProgramDirectory) {
  TGraphicDirectories dirs;
  AddGraphicDirectory(dirs, "C:\\pics\\");
  AddGraphicDirectory(dirs, "C:\\more");
  AddGraphicDirectory(dirs, "/home/u/pics/");
  AddGraphicDirectory(dirs, "/");
  EXPECT_EQ(dirs.GraphicDirectoryList,
            (std::vector<std::string>{"C:\\pics", "C:\\more", "/home/u/pics", "/"}));
  EXPECT_EQ(GetProgramDirectory("C:\\PROG\\SKELDON.EXE"), "C:\\PROG");
  EXPECT_EQ(GetProgramDirectory("/usr/local/bin/skeldon"), "/usr/local/bin");
  EXPECT_EQ(GetProgramDirectory("skeldon"), "");
  FoundationTestRun r(ProgramStartRun());
  r->Switches.ProgramPath = "/opt/corvina/skeldon";
  EXPECT_EQ(GetProgramDirectory(*r), "/opt/corvina");
}

struct SoundCase {
  const char* Name;
  bool Beep;
  bool Nt;
  bool Completed;
  bool RunSuccess;
  std::vector<Call> Calls;
};

// Test output names the case instead of dumping its bytes.
void PrintTo(const SoundCase& c, std::ostream* os) { *os << c.Name; }

class EndSound : public ::testing::TestWithParam<SoundCase> {};

const std::vector<Call> kSuccessTones = {
    {Kind::beep, 523, 90}, {Kind::beep, 659, 60}, {Kind::beep, 784, 60}, {Kind::beep, 1047, 60}};
const std::vector<Call> kFailureTone = {{Kind::beep, 100, 500}};

TEST_P(EndSound, PlaysTheTonesOfTheOutcome) {
  const SoundCase& c = GetParam();
  FoundationTestRun r(ProgramStartRun());
  r->Ini.BeepOn = c.Beep;
  r->MainUnit.WindowsNtFamily = c.Nt;
  r->RunSuccess = c.RunSuccess;
  PlayEndSound(*r, c.Completed);
  EXPECT_EQ(r.sound.calls(), c.Calls);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, EndSound,
    ::testing::Values(
        SoundCase{"Success", true, true, true, true, kSuccessTones},
        SoundCase{"SourceErrorInCompletedRun", true, true, true, false, kFailureTone},
        SoundCase{"Stopped", true, true, false, true, kFailureTone},
        SoundCase{"BeepOff", false, true, true, true, {}},
        SoundCase{"NineXSuccess", true, false, true, true, {{Kind::message_beep, 0, 0}}},
        SoundCase{"NineXFailure", true, false, false, false, {{Kind::message_beep, 0x40, 0}}}),
    [](const ::testing::TestParamInfo<SoundCase>& info) { return info.param.Name; });

TEST(EndSound, TheReporterPlaysItAtTheEndOfTheRun) {
  FoundationTestRun stopped(ProgramStartRun());
  stopped->Ini.BeepOn = true;
  stopped->RunSuccess = true;
  EXPECT_EQ(ExitCodeOf([&] {
              stopped->Reporter.Terminate(CompletedOrFailed(*stopped, ExitCode::IniFileFaulty));
            }),
            2);
  EXPECT_EQ(stopped.sound.calls(), kFailureTone);

  FoundationTestRun finished(ProgramStartRun());
  finished->Ini.BeepOn = true;
  finished->RunSuccess = true;
  finished->RunCompleted = true;
  finished->Reporter.FinishRun(false);
  EXPECT_EQ(finished.sound.calls(), kSuccessTones);
}

}  // namespace
