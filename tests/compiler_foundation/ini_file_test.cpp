// The ini reader over whole files: finding the file, every key found, missing, doubled and
// clashing keys, line errors in English and German, exit codes, LF-only files, bad input.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/ini_file.h"
#include "compiler/foundation/ini_keys.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

const std::string kExtendedLetters = "\x84\x94\x81\x8e\x99\x9a\xe1";

int FontIndex(char letter) { return letter - '@'; }

// Reads a fixture as the main program does (stop on error); returns the exit code or -1.
int ReadFixture(FoundationTestRun& r, const std::string& name, bool runCompleted = false) {
  r->Switches.IniFileName = TestDataPath("compiler_core/ini/" + name);
  r->Switches.SourceDirectory = "proj";
  r->RunCompleted = runCompleted;
  return ExitCodeOf([&] { ReadIniFile(*r, true); });
}

std::string Template(const TTemplateText& t) {
  std::ostringstream out;
  out << t.Text << '|' << int(t.DocTitlePos) << '|' << int(t.HeadingPos) << '|'
      << int(t.FileNamePos);
  return out.str();
}

// Every setting of the ini file as one text, so that two reads can be compared whole.
std::string DumpSettings(const FoundationRun& run) {
  const TIniSettings& s = run.Ini;
  std::ostringstream out;
  out << run.Language << run.MainUnit.PascalForm << run.Switches.WordStarInput
      << run.Switches.SoftLineEnds << run.Switches.ContentsDepth << '|' << s.ListChars << '|'
      << int(s.IndexChar) << s.LinksPerParagraph << s.LinkEveryOccurrence << '|';
  for (const std::string& f : s.FontSpecs) out << f << '|';
  out << s.ToggleChars << '|' << s.EndingOfWords << '|' << s.SubchapterLinkText
      << s.SubchapterLinkFont << '|' << s.NextChapterLinkText << s.NextChapterLinkFont << '|'
      << s.HelpSubtableStartId << '|' << s.HelpTableFileName << '|' << s.PanelIdFileName << '|'
      << s.ExtendedLetters << '|' << s.IndexFilter << '|' << s.TargetFlags.Html
      << s.TargetFlags.HtmlHelp << s.TargetFlags.Ipf << s.TargetFlags.RtfFamily
      << s.TargetFlags.WinHelp3 << s.TargetFlags.WinHelp4 << s.TargetFlags.RtfText << '|'
      << int(s.NewFileLevel) << '|' << s.FunctionsFirstLine << '|' << s.FunctionsLastLine << '|'
      << s.TextsFirstLine << '|' << s.TextsLastLine << '|' << s.TitleInEveryFile << s.TitleFont
      << int(s.HorizontalRuleLevel) << '|' << s.MainChapterLinkText << s.MainChapterLinkFont << '|'
      << s.BeepOn << s.PreFileName << '|' << s.ButtonsOn << s.ButtonsJavaScript << s.ButtonFont
      << '|' << s.BodyTags << '|' << s.ExtendedIndexEntries << s.SourceIsIso << '|'
      << s.FilenameAppearance << s.CapitalFirstLetter << s.CapitalOtherLetters << s.ExtensionLength
      << '|' << s.DefaultFrame << '|' << Template(s.FileTitle) << '|' << Template(s.MetaContent)
      << '|' << s.NotesText << '|' << int(s.ListIndention) << int(s.DefaultFontSize) << '|'
      << s.HeadingFonts << '|' << s.ContentsInternal << s.ContentsCntFile << '|'
      << s.ContentsGeneralText << '|' << s.KeepHeading << s.PrintedListChars << '|'
      << s.FootnotesNoFrames << s.FootnotesPopup << '|' << s.UrlGraphicsFile << '|'
      << run.Graphics.GraphicPath << run.Graphics.SearchGraphicFiles << '|';
  for (const std::string& d : run.Graphics.GraphicDirectoryList) out << d << ';';
  out << s.DosFileNames << s.ContentsTreeOn << s.ContentsTreeAltText << '|'
      << s.ContentsTreeOpenText << '|' << s.ContentsTreeCloseText << s.ContentsTreeFont << '|'
      << Template(s.StatusbarMouseover) << '|' << Template(s.StatusbarDefault) << '|'
      << s.ContentsFrame << '|' << s.ContentsTags << '|' << s.CreateContents << s.CreateIndex
      << s.WinhelpFontsForHtmlHeading << s.ColorCorrection << s.AutomaticHeadingEnumeration;
  return out.str();
}

TEST(IniFile, CompleteFileFillsEverySetting) {
  FoundationTestRun r(ProgramStartRun());
  ASSERT_EQ(ReadFixture(r, "complete.ini"), -1) << r.Text();
  EXPECT_EQ(r.Text(), "Reading ini file " + TestDataPath("compiler_core/ini/complete.ini") + "\n");
  const TIniSettings& s = r->Ini;
  EXPECT_EQ(r->Language, 0);
  EXPECT_FALSE(r->MainUnit.PascalForm);
  EXPECT_FALSE(r->Switches.WordStarInput);
  EXPECT_TRUE(r->Switches.SoftLineEnds);
  EXPECT_EQ(s.ListChars, "-*");
  EXPECT_EQ(s.IndexChar, '^');
  EXPECT_TRUE(s.LinksPerParagraph);
  EXPECT_FALSE(s.LinkEveryOccurrence);
  EXPECT_EQ(s.FontSpecs[FontIndex('A')], "Arial,Helvetica Red 12 fswiss:Arial");
  EXPECT_EQ(s.FontSpecs[FontIndex('C')], "Courier_New,Courier 10 PRE fmodern:Courier_New");
  EXPECT_EQ(s.FontSpecs[FontIndex('B')], "");
  EXPECT_EQ(s.ToggleChars, "~_!`|}{[]<>$");
  EXPECT_EQ(s.EndingOfWords, "s es ed ing");
  EXPECT_EQ(s.SubchapterLinkText, "See also");
  EXPECT_EQ(s.SubchapterLinkFont, 'C');
  EXPECT_EQ(s.NextChapterLinkText, "Next chapter");
  EXPECT_EQ(s.NextChapterLinkFont, '@');
  EXPECT_EQ(s.HelpSubtableStartId, -1000);
  EXPECT_EQ(s.HelpTableFileName, "manual.hlt");
  EXPECT_EQ(s.PanelIdFileName, "*.PAN");
  EXPECT_EQ(s.ExtendedLetters, kExtendedLetters);
  EXPECT_EQ(s.IndexFilter, ",.;");
  EXPECT_TRUE(s.TargetFlags.Html && s.TargetFlags.HtmlHelp);
  EXPECT_FALSE(s.TargetFlags.Ipf || s.TargetFlags.RtfFamily || s.TargetFlags.WinHelp3 ||
               s.TargetFlags.WinHelp4 || s.TargetFlags.RtfText);
  EXPECT_EQ(s.NewFileLevel, 2);
  EXPECT_EQ(s.FunctionsFirstLine, "back forward content index");
  EXPECT_EQ(s.FunctionsLastLine, "back forward");
  EXPECT_EQ(s.TextsFirstLine, "Back Forward Contents Index");
  EXPECT_EQ(s.TextsLastLine, "Back Forward");
  EXPECT_TRUE(s.TitleInEveryFile);
  EXPECT_EQ(s.TitleFont, 'A');
  EXPECT_EQ(s.HorizontalRuleLevel, 1);
  EXPECT_EQ(s.MainChapterLinkText, "NO");
  EXPECT_TRUE(s.BeepOn);
  EXPECT_EQ(s.PreFileName, "man*");
  EXPECT_FALSE(s.ButtonsOn);
  EXPECT_TRUE(s.ButtonsJavaScript);
  EXPECT_EQ(s.ButtonFont, 'C');
  EXPECT_EQ(s.BodyTags, "bgcolor=white");
  EXPECT_EQ(s.ExtendedIndexEntries, 40);
  EXPECT_FALSE(s.SourceIsIso);
  EXPECT_EQ(r->Switches.ContentsDepth, 3);
  EXPECT_EQ(s.FilenameAppearance, "Sample.htm");
  EXPECT_TRUE(s.CapitalFirstLetter);
  EXPECT_FALSE(s.CapitalOtherLetters);
  EXPECT_EQ(s.ExtensionLength, 4);
  EXPECT_EQ(s.DefaultFrame, "main");
  EXPECT_EQ(Template(s.FileTitle), "DOCTITLE - HEADING|1|12|0");
  EXPECT_EQ(Template(s.MetaContent), "HEADING|0|1|0");
  EXPECT_EQ(s.NotesText, "Notes");
  EXPECT_EQ(s.ListIndention, 4);
  EXPECT_EQ(s.DefaultFontSize, 3);
  EXPECT_EQ(s.HeadingFonts, "AACCAA");
  EXPECT_TRUE(s.ContentsInternal && s.ContentsCntFile);
  EXPECT_EQ(s.ContentsGeneralText, "Test manual");
  EXPECT_TRUE(s.KeepHeading);
  EXPECT_EQ(s.PrintedListChars, "-");
  EXPECT_TRUE(s.FootnotesNoFrames && s.FootnotesPopup);
  EXPECT_EQ(s.UrlGraphicsFile, "NO");
  // The graphic path switches the search on; the later "no" cannot switch it off again.
  EXPECT_EQ(r->Graphics.GraphicPath, "pics;[PROJECTDIR]\\shared\\");
  EXPECT_TRUE(r->Graphics.SearchGraphicFiles);
  EXPECT_EQ(r->Graphics.GraphicDirectoryList, (std::vector<std::string>{"pics", "proj\\shared"}));
  EXPECT_TRUE(s.DosFileNames);
  EXPECT_TRUE(s.ContentsTreeOn);
  EXPECT_EQ(s.ContentsTreeAltText, "Contents");
  EXPECT_EQ(s.ContentsTreeOpenText, "open");
  EXPECT_EQ(s.ContentsTreeCloseText, "close");
  EXPECT_EQ(s.ContentsTreeFont, 'A');
  EXPECT_EQ(Template(s.StatusbarMouseover), "Go to HEADING|0|7|0");
  EXPECT_EQ(Template(s.StatusbarDefault), "DOCTITLE|1|0|0");
  EXPECT_EQ(s.ContentsFrame, "contents");
  EXPECT_EQ(s.ContentsTags, "");
  EXPECT_TRUE(s.CreateContents);
  EXPECT_FALSE(s.CreateIndex);
  EXPECT_TRUE(s.WinhelpFontsForHtmlHeading);
  EXPECT_TRUE(s.ColorCorrection);
  EXPECT_FALSE(s.AutomaticHeadingEnumeration);
  // The word-character table is built from the extended letters after the file.
  EXPECT_TRUE(r->IniValues.IsWordChar[0x84]);
  EXPECT_TRUE(r->IniValues.IsWordChar['z']);
  EXPECT_FALSE(r->IniValues.IsWordChar['^']);
}

TEST(IniFile, LfOnlyFileReadsLikeCrLf) {
  FoundationTestRun crlf(ProgramStartRun());
  FoundationTestRun lf(ProgramStartRun());
  ASSERT_EQ(ReadFixture(crlf, "complete.ini"), -1);
  ASSERT_EQ(ReadFixture(lf, "complete_lf.ini"), -1) << lf.Text();
  EXPECT_EQ(DumpSettings(*lf), DumpSettings(*crlf));
  EXPECT_EQ(lf->IniFile.KeyCounters, crlf->IniFile.KeyCounters);
  // A lone CR ends a line too.
  FoundationTestRun cr(ProgramStartRun());
  std::string text = corvina_test::ReadFile(TestDataPath("compiler_core/ini/complete_lf.ini"));
  for (char& c : text) {
    if (c == '\n') c = '\r';
  }
  cr->Switches.SourceDirectory = "proj";
  ReadIniText(*cr, text, false);
  EXPECT_FALSE(cr->IniFile.IniErrorFlag) << cr.Text();
  EXPECT_EQ(DumpSettings(*cr), DumpSettings(*crlf));
}

TEST(IniFile, EveryKeyIsFoundWhereverItsTextStandsBeforeTheEquals) {
  FoundationTestRun r(ProgramStartRun());
  ASSERT_EQ(ReadFixture(r, "keys_spaced.ini"), -1) << r.Text();
  EXPECT_EQ(r.Text(),
            "Reading ini file " + TestDataPath("compiler_core/ini/keys_spaced.ini") + "\n");
  for (const TIniKeyDef& key : kIniKeys) {
    // "font" also counts the three longer keys that contain its text.
    const int expected = key.Number == kKeyFont ? 4 : 1;
    EXPECT_EQ(r->IniFile.KeyCounters[key.Number], expected) << key.Text;
  }
  const TIniSettings& s = r->Ini;
  EXPECT_EQ(s.ListChars, "-*");
  EXPECT_EQ(s.IndexChar, '^');
  EXPECT_TRUE(s.LinkEveryOccurrence);
  EXPECT_EQ(s.FontSpecs[FontIndex('B')], "arial 12");
  EXPECT_EQ(s.HelpSubtableStartId, 7);
  EXPECT_EQ(s.ExtendedLetters, kExtendedLetters);
  EXPECT_TRUE(s.TargetFlags.Ipf);
  EXPECT_FALSE(s.TargetFlags.Html);
  EXPECT_EQ(r->Switches.ContentsDepth, 6);
  EXPECT_TRUE(s.CapitalFirstLetter && s.CapitalOtherLetters);
  EXPECT_EQ(s.ExtensionLength, 5);
  EXPECT_EQ(s.DefaultFontSize, 2);
  EXPECT_EQ(s.HeadingFonts, "ABCDEF");
  EXPECT_TRUE(s.ContentsInternal);
  EXPECT_FALSE(s.ContentsCntFile);
  EXPECT_EQ(r->Graphics.GraphicPath, "");
  EXPECT_TRUE(r->Graphics.SearchGraphicFiles);
  EXPECT_FALSE(s.ContentsTreeOn);
  EXPECT_EQ(s.ContentsTags, "bgcolor=red");
  EXPECT_FALSE(s.CreateContents);
  EXPECT_TRUE(s.CreateIndex);
  EXPECT_TRUE(s.AutomaticHeadingEnumeration);
}

TEST(IniFile, MissingKeysAreListedInKeyOrderThenTheRunStops) {
  FoundationTestRun r(ProgramStartRun());
  EXPECT_EQ(ReadFixture(r, "missing.ini"), 2);
  // "language" stood on the first line, which is never read.
  const std::string expected =
      "ini file setting \"language\" missing\n"
      "ini file setting \"target\" missing\n"
      "ini file setting \"beep\" missing\n";
  EXPECT_EQ(r.Text().substr(0, expected.size()), expected);
  EXPECT_TRUE(r->IniFile.MissingFlag);
  EXPECT_FALSE(r->IniFile.IniErrorFlag);
  // The stop asks for code 1; it reaches the process only after a completed run.
  FoundationTestRun completed(ProgramStartRun());
  EXPECT_EQ(ReadFixture(completed, "missing.ini", true), 1);
}

TEST(IniFile, KeyGivenTwiceWarnsOnceAndTheLastLineWins) {
  FoundationTestRun r(ProgramStartRun());
  ASSERT_EQ(ReadFixture(r, "twice.ini"), -1) << r.Text();
  EXPECT_EQ(r.Text(), "Reading ini file " + TestDataPath("compiler_core/ini/twice.ini") +
                          "\n"
                          "ini file setting \"text for first line\" exists twice\n");
  EXPECT_EQ(r->Ini.TextsFirstLine, "Zurueck Vor");
  EXPECT_EQ(r->Ini.FontSpecs[FontIndex('D')], "Times 11");
}

struct ClashCase {
  const char* Toggles;
  const char* EnglishEnd;
};

// Test output shows the toggles instead of dumping the case's bytes.
void PrintTo(const ClashCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(std::string(c.Toggles));
}

class IniClash : public ::testing::TestWithParam<ClashCase> {};

TEST_P(IniClash, ToggleCharacterInAnotherSettingStopsAtOnce) {
  std::string text = corvina_test::ReadFile(TestDataPath("compiler_core/ini/complete.ini"));
  const std::string old = "toggles = ~_!`|}{[]<>$";
  text.replace(text.find(old), old.size(), std::string("toggles = ") + GetParam().Toggles);
  for (bool completed : {false, true}) {
    FoundationTestRun r(ProgramStartRun());
    r->RunCompleted = completed;
    EXPECT_EQ(ExitCodeOf([&] { ReadIniText(*r, text, true); }), completed ? 1 : 2);
    EXPECT_FALSE(r->IniFile.IniErrorFlag);
    EXPECT_NE(r.Text().find(std::string("\" is placed both in ini setting \"toggles\"\r\n") +
                            GetParam().EnglishEnd + "\n"),
              std::string::npos)
        << r.Text();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, IniClash,
    ::testing::Values(ClashCase{"~_!`|}{[]<\x94$", "and \"extended letters\"."},
                      ClashCase{"~_!`|}{[]<*$", "and \"list chars\"."},
                      ClashCase{"~_!`|}{[]<^$", "and \"index char\"."},
                      // Extended letters are tested first.
                      ClashCase{"~_!`|}{[]^\x94$", "and \"extended letters\"."}));

TEST(IniFile, ClashMessageNamesTheCharacter) {
  FoundationTestRun r(ProgramStartRun());
  EXPECT_EQ(ReadFixture(r, "clash.ini"), 2);
  const std::string expected = "Reading ini file " + TestDataPath("compiler_core/ini/clash.ini") +
                               "\n"
                               "It's not allowed that Char \"^\" is placed both in ini setting "
                               "\"toggles\"\r\nand \"index char\".\n";
  EXPECT_EQ(r.Text().substr(0, expected.size()), expected);
}

TEST(IniFile, LineErrorsAreAllReportedBeforeOneStop) {
  FoundationTestRun r(ProgramStartRun());
  EXPECT_EQ(ReadFixture(r, "errors.ini"), 2);
  // The "index char" line is dropped before key matching, so the key is missing as well.
  const std::string expected = "Reading ini file " + TestDataPath("compiler_core/ini/errors.ini") +
                               "\n"
                               "Error in ini file line:\n"
                               "\"index char =\"\n"
                               "correct input: function = value!\n"
                               "\n"
                               "Error in ini file line:\n"
                               "\"target = help\"\n"
                               "unknown target format!\n"
                               "\n"
                               "ini file setting \"index char\" missing\n"
                               "ini file setting \"keep heading\" missing\n";
  EXPECT_EQ(r.Text().substr(0, expected.size()), expected);
  EXPECT_EQ(r.Text().find("Error in ini file line:", expected.size()), std::string::npos);
  FoundationTestRun completed(ProgramStartRun());
  EXPECT_EQ(ReadFixture(completed, "errors.ini", true), 1);
}

TEST(IniFile, GermanMessagesInCodePage850) {
  FoundationTestRun r(ProgramStartRun());
  EXPECT_EQ(ReadFixture(r, "german.ini"), 2);
  EXPECT_EQ(r->Language, 1);
  const std::string expected = "Lesen der Ini-Datei " +
                               TestDataPath("compiler_core/ini/german.ini") +
                               "\n"
                               "Fehler in Ini-Datei Zeile:\n"
                               "\"index char ^\"\n"
                               "richtig w\x84re: \"Funktion = Wert\"!\n"
                               "\n"
                               "Fehler in Ini-Datei Zeile:\n"
                               "\"colour = red\"\n"
                               "unbekannter Schalter!\n"
                               "\n";
  EXPECT_EQ(r.Text().substr(0, expected.size()), expected);
}

TEST(IniFile, GermanKeyMessagesAndClash) {
  std::string text = corvina_test::ReadFile(TestDataPath("compiler_core/ini/complete.ini"));
  auto replace = [&](const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
  };
  replace("language = engl", "language = germ");
  replace("beep = yes\r\n", "");
  replace("keep heading = yes", "keep heading = yes\r\nkeep heading = no");
  replace("toggles = ~_!`|}{[]<>$", "toggles = ~_!`|}{[]<-$");
  FoundationTestRun r(ProgramStartRun());
  EXPECT_EQ(ExitCodeOf([&] { ReadIniText(*r, text, true); }), 2);
  const std::string expected =
      "Lesen der Ini-Datei \n"
      "Ini-Datei Schalter \"beep\" fehlt\n"
      "Ini-Datei Schalter \"keep heading\" doppelt vorhanden\n"
      "Das Zeichen \"-\" kommt in der Ini-Datei unerlaubterweise sowohl unter \"toggles\"\r\n"
      "als auch unter \"list chars\" vor.\n";
  EXPECT_EQ(r.Text().substr(0, expected.size()), expected);
  EXPECT_FALSE(r->Ini.KeepHeading);
}

TEST(IniFile, ErrorLinesAlsoGoToTheErrorFile) {
  corvina_test::TempDir dir("skeldon-test", true);
  FoundationTestRun r(ProgramStartRun());
  r->ReporterState.ErrorFileName = (dir.Path() / "errors.txt").string();
  r->Reporter.OpenLogFiles();
  EXPECT_EQ(ReadFixture(r, "errors.ini"), 2);
  const std::string log = corvina_test::ReadFile((dir.Path() / "errors.txt").string());
  EXPECT_NE(log.find("Error in ini file line:\r\n\"target = help\"\r\nunknown target format!\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("ini file setting \"keep heading\" missing\r\n"), std::string::npos);
  EXPECT_EQ(log.find("Reading ini file"), std::string::npos);
}

TEST(IniFile, FindingTheFile) {
  corvina_test::TempDir dir("skeldon-test", true);
  const std::string complete =
      corvina_test::ReadFile(TestDataPath("compiler_core/ini/complete.ini"));
  {
    // No file under the name and no skeldon.ini: stop with 11 (2 before a completed run).
    FoundationTestRun r(ProgramStartRun());
    r->Switches.IniFileName = "nothere.ini";
    EXPECT_EQ(ExitCodeOf([&] { ReadIniFile(*r, true); }), 2);
    EXPECT_EQ(r.Text().substr(0, 20), "ini file not found.\n");
    EXPECT_EQ(r->Switches.IniFileName, "skeldon.ini");
    FoundationTestRun completed(ProgramStartRun());
    completed->RunCompleted = true;
    completed->Switches.IniFileName = "nothere.ini";
    EXPECT_EQ(ExitCodeOf([&] { ReadIniFile(*completed, true); }), 11);
    // Without stopOnError the reader only reports.
    FoundationTestRun quiet(ProgramStartRun());
    EXPECT_EQ(ExitCodeOf([&] { ReadIniFile(*quiet, false); }), -1);
    EXPECT_EQ(quiet.Text(), "ini file not found.\n");
  }
  {
    // A folder is no ini file.
    std::filesystem::create_directory(dir.Path() / "folder.ini");
    FoundationTestRun r(ProgramStartRun());
    r->Switches.IniFileName = "folder.ini";
    EXPECT_EQ(ExitCodeOf([&] { ReadIniFile(*r, true); }), 2);
    EXPECT_EQ(r.Text().substr(0, 20), "ini file not found.\n");
  }
  // The main source name with the extension INI, found whatever the case on disk.
  corvina_test::WriteFile(dir / "manual.ini", complete);
  {
    FoundationTestRun r(ProgramStartRun());
    r->Switches.SourceFileName = "manual.txt";
    EXPECT_EQ(ExitCodeOf([&] { ReadIniFile(*r, true); }), -1) << r.Text();
    EXPECT_EQ(r->Switches.IniFileName, "manual.INI");
    EXPECT_EQ(r->Ini.ToggleChars, "~_!`|}{[]<>$");
  }
  // A name that does not exist falls back to skeldon.ini.
  corvina_test::WriteFile(dir / "skeldon.ini", complete);
  {
    FoundationTestRun r(ProgramStartRun());
    r->Switches.IniFileName = "other.ini";
    EXPECT_EQ(ExitCodeOf([&] { ReadIniFile(*r, true); }), -1) << r.Text();
    EXPECT_EQ(r->Switches.IniFileName, "skeldon.ini");
    EXPECT_EQ(r.Text(), "Reading ini file skeldon.ini\n");
  }
}

std::string CompleteWith(const std::string& extra) {
  return corvina_test::ReadFile(TestDataPath("compiler_core/ini/complete.ini")) + extra;
}

TEST(IniFileBadInput, OverLongLineIsReportedNotCut) {
  FoundationTestRun r(ProgramStartRun());
  const std::string longValue(300, 'a');
  EXPECT_EQ(ExitCodeOf(
                [&] { ReadIniText(*r, CompleteWith("notes text = " + longValue + "\r\n"), true); }),
            2);
  const std::string shown = "notes text = " + longValue.substr(0, 255 - 13);
  EXPECT_NE(r.Text().find("Error in ini file line:\n\"" + shown +
                          "\"\nline longer than 255 characters!\n"),
            std::string::npos)
      << r.Text();
  // The setting keeps the value of the complete file.
  EXPECT_EQ(r->Ini.NotesText, "Notes");
}

TEST(IniFileBadInput, LongKeyTextAndLongValuesWithinTheLine) {
  FoundationTestRun r(ProgramStartRun());
  // A long text around the key still finds it; a value longer than its field is cut to it.
  const std::string line =
      std::string(200, 'x') + " beep = yes\r\nlist chars = " + std::string(30, '-') + "\r\n";
  EXPECT_EQ(ExitCodeOf([&] { ReadIniText(*r, CompleteWith(line), true); }), -1) << r.Text();
  EXPECT_EQ(r->IniFile.KeyCounters[25], 2);
  EXPECT_EQ(r->Ini.ListChars, std::string(20, '-'));
}

TEST(IniFileBadInput, EmptyAndOneLineFilesMissEveryRequiredKey) {
  for (const std::string& text : {std::string(), std::string("language = engl\r\n")}) {
    FoundationTestRun r(ProgramStartRun());
    EXPECT_EQ(ExitCodeOf([&] { ReadIniText(*r, text, true); }), 2);
    std::size_t missing = 0;
    for (std::size_t p = 0; (p = r.Text().find("\" missing\n", p)) != std::string::npos; ++p)
      ++missing;
    EXPECT_EQ(missing, 50u);
  }
}

TEST(IniFileBadInput, BinaryFileEndsWithCode2) {
  std::mt19937 random(1234);
  std::string bytes(8192, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  corvina_test::TempDir dir("skeldon-test", true);
  corvina_test::WriteFile(dir / "binary.ini", bytes);
  FoundationTestRun r(ProgramStartRun());
  r->Switches.IniFileName = "binary.ini";
  EXPECT_EQ(ExitCodeOf([&] { ReadIniFile(*r, true); }), 2);
  EXPECT_TRUE(r->IniFile.MissingFlag || r->IniFile.IniErrorFlag);
}

TEST(IniFileBadInput, ManyLinesOfOneKeyNeverCountAsMissing) {
  std::string extra;
  for (int i = 0; i < 300; ++i) extra += "beep = yes\r\n";
  FoundationTestRun r(ProgramStartRun());
  EXPECT_EQ(ExitCodeOf([&] { ReadIniText(*r, CompleteWith(extra), true); }), -1) << r.Text();
  EXPECT_EQ(r->IniFile.KeyCounters[25], 255);
  EXPECT_EQ(r.Text(), "Reading ini file \nini file setting \"beep\" exists twice\n");
}

TEST(IniFile, FoundBesideASourceOfALongNameWhole) {
  FoundationTestRun r(ProgramStartRun(RunFolder::kCurrent));
  // 150 + 150 characters: longer than the 140 of a named ini file, each part a valid name.
  const std::filesystem::path folder = r.Folder() / std::string(150, 'f');
  std::filesystem::create_directory(folder);
  const std::string source = (folder / (std::string(150, 's') + ".txt")).string();
  const std::string ini = (folder / (std::string(150, 's') + ".INI")).string();
  std::filesystem::copy_file(TestDataPath("compiler_core/ini/complete.ini"), ini);
  r->Switches.SourceFileName = source;
  EXPECT_EQ(ExitCodeOf([&] { ReadIniFile(*r, true); }), -1) << r.Text();
  EXPECT_EQ(r->Switches.IniFileName, ini);
  EXPECT_EQ(r->Ini.ToggleChars, "~_!`|}{[]<>$");
}

TEST(IniFile, ValuesLongerThanTheirSettingAreCutWithAWarning) {
  struct Case {
    std::string line;
    std::string shown;  // the warning's limit
  };
  std::string buttons;
  for (int i = 0; i < 20; ++i) buttons += "button" + std::to_string(i) + " ";
  const Case cases[] = {
      {"list chars = " + std::string(25, '-'), "value longer than 20 characters, cut"},
      {"function for last line = " + buttons, "value longer than 150 characters, cut"},
      {"notes text = " + std::string(41, 'n'), "value longer than 40 characters, cut"},
  };
  const std::string complete =
      corvina_test::ReadFile(TestDataPath("compiler_core/ini/complete.ini"));
  for (const Case& c : cases) {
    FoundationTestRun r(ProgramStartRun());
    EXPECT_EQ(ExitCodeOf([&] { ReadIniText(*r, complete + c.line + "\r\n", true); }), -1);
    EXPECT_NE(r.Text().find("ini file line \"" + c.line + "\": " + c.shown + "\n"),
              std::string::npos)
        << r.Text();
  }
  // Values within their setting draw no warning.
  FoundationTestRun r(ProgramStartRun());
  ReadIniText(*r, complete, true);
  EXPECT_EQ(r.Text().find("characters, cut"), std::string::npos) << r.Text();
}

}  // namespace
