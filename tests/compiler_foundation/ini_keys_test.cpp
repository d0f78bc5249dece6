// The key handlers of the ini file, line by line: value syntax, the settings filled and the
// line errors, plus the line rules of the reader (comments, "//", value start, key matching).
#include <gtest/gtest.h>

#include <functional>

#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/ini_file.h"
#include "compiler/foundation/ini_keys.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

// Reads a file of a title line and the given lines, without stopping; the run is returned
// for the checks.
std::unique_ptr<FoundationTestRun> ReadLines(
    const std::string& lines, const std::function<void(FoundationRun&)>& before = {}) {
  auto r = std::make_unique<FoundationTestRun>(ProgramStartRun());
  if (before) before(**r);
  ReadIniText(**r, "title line\r\n" + lines + "\r\n", false);
  return r;
}

// The line-error report of one line, as the console shows it in English.
std::string LineErrorText(const std::string& line, const std::string& message) {
  return "Error in ini file line:\n\"" + line + "\"\n" + message + "!\n\n";
}

int FontIndex(char letter) { return letter - '@'; }

constexpr const char* kPrefixPathError =
    "\"pre filename\" must not hold path characters (/ \\ : ..) or characters a file name "
    "cannot hold";

struct KeyCase {
  const char* Name;
  std::string Lines;
  const char* Error;  // English line error of the last line, or nullptr for none
  std::function<void(const FoundationRun&)> Check;
};

// Test output names the case instead of dumping its bytes.
void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.Name; }

class IniKeyHandler : public ::testing::TestWithParam<KeyCase> {};

TEST_P(IniKeyHandler, FillsSettingsAndReportsValueErrors) {
  const KeyCase& c = GetParam();
  auto r = ReadLines(c.Lines);
  const std::string& text = r->Text();
  if (c.Error == nullptr) {
    EXPECT_FALSE((*r)->IniFile.IniErrorFlag) << text;
  } else {
    EXPECT_TRUE((*r)->IniFile.IniErrorFlag);
    std::string last =
        c.Lines.substr(c.Lines.rfind('\n') == std::string::npos ? 0 : c.Lines.rfind('\n') + 1);
    EXPECT_NE(text.find(LineErrorText(last, c.Error)), std::string::npos) << text;
  }
  if (c.Check) c.Check(**r);
}

const TTargetFlags& Target(const FoundationRun& run) { return run.Ini.TargetFlags; }

const KeyCase kKeyCases[] = {
    {"GermanWithPascal", "language = German (pascal)", nullptr,
     [](const FoundationRun& r) {
       EXPECT_EQ(r.Language, 1);
       EXPECT_TRUE(r.MainUnit.PascalForm);
     }},
    {"UnknownLanguageInEnglish", "language = deutsch", "unknown language",
     [](const FoundationRun& r) { EXPECT_EQ(r.Language, 0); }},
    {"HtmlHelp", "target = htmlhelp", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(Target(r).Html && Target(r).HtmlHelp);
       EXPECT_FALSE(Target(r).Ipf || Target(r).RtfFamily);
     }},
    {"HelpAloneIsNoTarget", "target = help", "unknown target format",
     [](const FoundationRun& r) { EXPECT_FALSE(Target(r).Html || Target(r).HtmlHelp); }},
    {"IpfBeforeHtml", "target = ipf html", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(Target(r).Ipf);
       EXPECT_FALSE(Target(r).Html);
     }},
    {"WinHelp3", "target = winhelp3", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(Target(r).RtfFamily && Target(r).WinHelp3 && !Target(r).WinHelp4);
     }},
    {"RtfTextClearsEarlierTarget", "target = html\r\ntarget = rtftext", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(Target(r).RtfFamily && Target(r).RtfText);
       EXPECT_FALSE(Target(r).Html);
     }},
    {"SoftSource", "source format = soft", nullptr,
     [](const FoundationRun& r) {
       EXPECT_FALSE(r.Switches.WordStarInput);
       EXPECT_TRUE(r.Switches.SoftLineEnds);
     }},
    {"HardSource", "source format = hard", nullptr,
     [](const FoundationRun& r) {
       EXPECT_FALSE(r.Switches.WordStarInput || r.Switches.SoftLineEnds);
     }},
    {"UnknownSource", "source format = rtf", "unknown source format", nullptr},
    {"TwelveToggles", "toggles = ABCDEFGHIJKL", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.ToggleChars, "ABCDEFGHIJKL"); }},
    {"TogglesWithTrailingBlank", "toggles = ABCDEFGHIJKL ", "wrong number of chars", nullptr},
    {"FontBlankBothSides", "font A = arial 12", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FontSpecs[FontIndex('A')], "arial 12"); }},
    {"FontNoBlanks", "font A=arial 12", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FontSpecs[FontIndex('A')], "arial 12"); }},
    {"FontBlankBefore", "font A =arial 12", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FontSpecs[FontIndex('A')], "arial 12"); }},
    {"FontTwoBlanksBefore", "font A  = arial 12", "only use chars to sign the font",
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FontSpecs[FontIndex('A')], ""); }},
    {"FontTwoBlanksAfter", "font A =  arial 12", "only use chars to sign the font",
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FontSpecs[FontIndex('A')], ""); }},
    {"FontBracketLetter", "font [ = x", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FontSpecs[FontIndex('[')], "x"); }},
    {"FontDigitIsNoLetter", "font 1 = x", "only use chars to sign the font", nullptr},
    {"FontDefinedTwice", "font B = arial\r\nfont B = times", "Font B defined twice.",
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FontSpecs[FontIndex('B')], "times"); }},
    {"FontTextCut", "font E = " + std::string(120, 'x'), nullptr,
     [](const FoundationRun& r) {
       EXPECT_EQ(r.Ini.FontSpecs[FontIndex('E')], std::string(100, 'x'));
     }},
    {"TextWithFont", "text for link to subchapters = See also (Font S)", nullptr,
     [](const FoundationRun& r) {
       EXPECT_EQ(r.Ini.SubchapterLinkText, "See also");
       EXPECT_EQ(r.Ini.SubchapterLinkFont, 'S');
     }},
    {"TextWithSmallFontWord", "text for link to subchapters = See also (font S)", nullptr,
     [](const FoundationRun& r) {
       EXPECT_EQ(r.Ini.SubchapterLinkText, "See also (font S)");
       EXPECT_EQ(r.Ini.SubchapterLinkFont, '@');
     }},
    {"HeadingFontsTrailingBlank", "heading fonts = ABCDEF ", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.HeadingFonts, "ABCDEF"); }},
    {"HeadingFontsFive", "heading fonts = ABCDE",
     "You have to enter 6 font chars, one for each heading level", nullptr},
    {"NewFileLevelSeven", "new file level = 7", "wrong new file level (enter 0...6)",
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.NewFileLevel, 0); }},
    {"NewFileLevelLetter", "new file level = x", "wrong new file level (enter 0...6)", nullptr},
    {"NewFileLevelBlanksAround", "new file level =  4  ", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.NewFileLevel, 4); }},
    {"HorizontalRuleLevel", "horizontal rule level = -1",
     "wrong horizontal rule level (enter 0...6)", nullptr},
    {"ContentLevel", "content level = 9", "wrong \"content level\" (enter 0...6)",
     [](const FoundationRun& r) { EXPECT_EQ(r.Switches.ContentsDepth, 6); }},
    {"ListIndentionMissing", "list indention = four", "number missing", nullptr},
    {"DefaultFontSizeTooBig", "default font size = 256", "number missing", nullptr},
    {"ExtendedIndexNegative", "entries for extended index = -3",
     "wrong \"entries for extended index\" (enter a number of 0 or more)", nullptr},
    {"SubtableIdOverflow", "help subtable start id = 99999999999", "wrong Help Subtable Start ID",
     nullptr},
    {"SubtableIdNegative", "help subtable start id = -2147483648", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.HelpSubtableStartId, INT32_MIN); }},
    {"BodyTagsNo", "body tags = No", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.BodyTags, ""); }},
    {"BodyTagsText", "body tags = bgcolor=white", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.BodyTags, "bgcolor=white"); }},
    {"AppearanceSmall", "filename appearance = sample.htm", nullptr,
     [](const FoundationRun& r) {
       EXPECT_FALSE(r.Ini.CapitalFirstLetter || r.Ini.CapitalOtherLetters);
       EXPECT_EQ(r.Ini.ExtensionLength, 4);
     }},
    {"AppearanceCapitalFirst", "filename appearance = Sample.html", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.CapitalFirstLetter);
       EXPECT_FALSE(r.Ini.CapitalOtherLetters);
       EXPECT_EQ(r.Ini.ExtensionLength, 5);
     }},
    {"AppearanceCapitals", "filename appearance = SAMPLE.HTML", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.CapitalFirstLetter && r.Ini.CapitalOtherLetters);
     }},
    {"AppearanceWithoutDot", "filename appearance = Samplehtml",
     "place e.g. \"Sample.html\" behind \"filename appearance =\"",
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.CapitalFirstLetter);
       EXPECT_EQ(r.Ini.ExtensionLength, 5);
     }},
    {"ContentsTreeOffWithTexts", "contents tree = no/Contents;open;close (Font T)", nullptr,
     [](const FoundationRun& r) {
       EXPECT_FALSE(r.Ini.ContentsTreeOn);
       EXPECT_EQ(r.Ini.ContentsTreeAltText, "Contents");
       EXPECT_EQ(r.Ini.ContentsTreeOpenText, "open");
       EXPECT_EQ(r.Ini.ContentsTreeCloseText, "close");
       EXPECT_EQ(r.Ini.ContentsTreeFont, 'T');
     }},
    {"ContentsTreeCloseKeepsSemicolon", "contents tree = A;B;C;D", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.ContentsTreeOn);
       EXPECT_EQ(r.Ini.ContentsTreeCloseText, "C;D");
     }},
    {"ContentsTreeTwoTexts", "contents tree = Contents;open",
     "correct input: AlternateLinkText;OpenText;CloseText",
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.ContentsTreeOn);
       EXPECT_EQ(r.Ini.ContentsTreeAltText, "Contents");
     }},
    {"ContentsTreeFinalSemicolon", "contents tree = Contents;open;",
     "correct input: AlternateLinkText;OpenText;CloseText", nullptr},
    {"ContentsTreeNo", "contents tree = NO", nullptr,
     [](const FoundationRun& r) {
       EXPECT_FALSE(r.Ini.ContentsTreeOn);
       EXPECT_EQ(r.Ini.ContentsTreeAltText, "");
     }},
    {"CreateIndexNothing", "create index = nothing", nullptr,
     [](const FoundationRun& r) { EXPECT_FALSE(r.Ini.CreateIndex); }},
    {"ContentsCreationCntFirst", "contents creation = cnt intern", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.ContentsCntFile);
       EXPECT_FALSE(r.Ini.ContentsInternal);
     }},
    {"ContentsCreationUnknown", "contents creation = maybe", "unknown contents Parameter", nullptr},
    {"IndexCharLetter", "index char = x", "do not use letters for special functions", nullptr},
    {"IndexCharExtendedLetter", "extended letters = \x84\r\nindex char = \x84",
     "do not use letters for special functions", nullptr},
    {"IndexCharEmpty", "index char =   ", "correct input: function = value", nullptr},
    {"IndexCharNothing", "index char =", "correct input: function = value", nullptr},
    {"CodepageIso", "source codepage = iso", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.SourceIsIso);
       EXPECT_EQ(r.FileNames.LowerCaseTable[0xC4], 0xE4);
     }},
    {"CodepageUnknown", "source codepage = 1252", "only IBM or ISO codepages allowed", nullptr},
    {"NoMoreLinksAlways", "no more links in = always", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.LinkEveryOccurrence);
       EXPECT_FALSE(r.Ini.LinksPerParagraph);
     }},
    {"ButtonsGifWithFont", "buttons = gif (Font B)", nullptr,
     [](const FoundationRun& r) {
       EXPECT_TRUE(r.Ini.ButtonsOn);
       EXPECT_FALSE(r.Ini.ButtonsJavaScript);
       EXPECT_EQ(r.Ini.ButtonFont, 'B');
     }},
    {"TemplateNo", "file title = NO", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FileTitle.Text, ""); }},
    {"TemplateFileName", "meta content = in FILENAME", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.MetaContent.FileNamePos, 4); }},
    {"FunctionsFirstNonBlank", "function for first line =       Back  Index", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FunctionsFirstLine, "back  index"); }},
    {"FilenamesFat", "filenames = fat", nullptr,
     [](const FoundationRun& r) { EXPECT_TRUE(r.Ini.DosFileNames); }},
    // Every page name starts with the prefix: one that names a folder is refused and not kept.
    {"PrefixPlain", "pre filename = doc_*", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.PreFileName, "doc_*"); }},
    {"PrefixStarOnly", "pre filename = *", nullptr,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.PreFileName, "*"); }},
    {"PrefixUpTwoFolders", "pre filename = ../../escape*", kPrefixPathError,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.PreFileName, ""); }},
    {"PrefixSubfolder", "pre filename = sub/page*", kPrefixPathError,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.PreFileName, ""); }},
    {"PrefixBackslash", "pre filename = sub\\page*", kPrefixPathError,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.PreFileName, ""); }},
    {"PrefixDrive", "pre filename = c:page*", kPrefixPathError,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.PreFileName, ""); }},
    {"PrefixDotsOnly", "pre filename = ..*", kPrefixPathError,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.PreFileName, ""); }},
    {"PrefixQuote", "pre filename = a\"b*", kPrefixPathError,
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.PreFileName, ""); }},
    // A font's size is checked as its line is read, so the error names that line.
    {"FontSizeBeyondSixteenBits", "font A = arial 99999", "number expected",
     [](const FoundationRun& r) { EXPECT_EQ(r.Ini.FontSpecs[FontIndex('A')], "arial 99999"); }},
    {"FontSizeFraction", "font A = arial 12.5", "number expected", nullptr},
    {"FontSizeAndCodePage", "font A = arial 12 850", nullptr, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Keys, IniKeyHandler, ::testing::ValuesIn(kKeyCases),
                         [](const ::testing::TestParamInfo<KeyCase>& info) {
                           return info.param.Name;
                         });

TEST(IniKeys, TableHoldsFiftyEightKeysEightOptional) {
  for (std::size_t i = 0; i < kIniKeys.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    EXPECT_EQ(kIniKeys[i].Number, number);
    EXPECT_LE(std::string(kIniKeys[i].Text).size(), 30u);
    const bool optional = number == 46 || number == 47 || number >= 53;
    EXPECT_EQ(kIniKeys[i].Optional, optional) << kIniKeys[i].Text;
  }
  EXPECT_EQ(std::string(IniKeyByNumber(46)->Text), "graphic path");
  EXPECT_EQ(std::string(IniKeyByNumber(58)->Text), "automatic heading enumeration");
  EXPECT_EQ(IniKeyByNumber(0), nullptr);
  EXPECT_EQ(IniKeyByNumber(59), nullptr);
}

TEST(IniLines, FirstLineIsNeverRead) {
  FoundationTestRun r(ProgramStartRun());
  ReadIniText(*r, "beep = yes\r\nlist chars = -\r\n", false);
  EXPECT_EQ(r->IniFile.KeyCounters[25], 0);
  EXPECT_FALSE(r->Ini.BeepOn);
  EXPECT_NE(r.Text().find("ini file setting \"beep\" missing"), std::string::npos);
}

TEST(IniLines, CommentLinesAreSkippedOnlyByTheirFirstCharacter) {
  auto r = ReadLines(
      "[section]\r\n;beep = yes\r\n/beep = yes\r\n\x1A"
      "beep = yes\r\n\r\n");
  EXPECT_FALSE((*r)->IniFile.IniErrorFlag) << r->Text();
  EXPECT_EQ((*r)->IniFile.KeyCounters[25], 0);
  // A blank first makes it a line: with a key and "=" it is read, without it is an error.
  auto keyed = ReadLines(" ;beep = yes");
  EXPECT_FALSE((*keyed)->IniFile.IniErrorFlag);
  EXPECT_TRUE((*keyed)->Ini.BeepOn);
  auto plain = ReadLines(" ; a remark");
  EXPECT_NE(plain->Text().find(LineErrorText(" ; a remark", "correct input: function = value")),
            std::string::npos);
}

TEST(IniLines, DoubleSlashCutsTheLine) {
  auto r = ReadLines("url graphics file = http://host/pic.gif\r\nnotes text = Notes // the notes");
  EXPECT_EQ((*r)->Ini.UrlGraphicsFile, "http:");
  EXPECT_EQ((*r)->Ini.NotesText, "Notes ");
}

TEST(IniLines, AtMostThreeBlanksAfterTheEqualsAreSkipped) {
  for (const char* line : {"target=html", "target =html", "target =   html"}) {
    auto r = ReadLines(line);
    EXPECT_TRUE((*r)->Ini.TargetFlags.Html) << line;
    EXPECT_FALSE((*r)->IniFile.IniErrorFlag) << line;
  }
  auto four = ReadLines("notes text =    abc");
  EXPECT_EQ((*four)->Ini.NotesText, " abc");
}

TEST(IniLines, LongerKeyTakesTheLineAndRaisesFont) {
  auto r = ReadLines("heading fonts = ABCDEF");
  EXPECT_EQ((*r)->IniFile.KeyCounters[39], 1);
  EXPECT_EQ((*r)->IniFile.KeyCounters[kKeyFont], 1);
  EXPECT_EQ((*r)->Ini.HeadingFonts, "ABCDEF");
  EXPECT_EQ((*r)->Ini.FontSpecs[FontIndex('F')], "");
  EXPECT_EQ(r->Text().find("\"font\" missing"), std::string::npos);
  // A file whose only font-related line is "default font size" passes the "font" check.
  auto size = ReadLines("default font size = 2");
  EXPECT_EQ(size->Text().find("\"font\" missing"), std::string::npos);
  auto none = ReadLines("beep = no");
  EXPECT_NE(none->Text().find("ini file setting \"font\" missing"), std::string::npos);
}

TEST(IniLines, KeyTextAfterTheEqualsDoesNotCount) {
  auto r = ReadLines("colour = beep");
  EXPECT_EQ((*r)->IniFile.KeyCounters[25], 0);
  EXPECT_NE(r->Text().find(LineErrorText("colour = beep", "unknown setting")), std::string::npos);
}

TEST(IniLines, GraphicPathKeepsWhatTheProjectFileSet) {
  auto r = ReadLines("graphic path = pics\r\nsearch graphic files = no",
                     [](FoundationRun& run) { run.Graphics.GraphicPath = "from\\project"; });
  EXPECT_EQ((*r)->Graphics.GraphicPath, "from\\project");
  EXPECT_FALSE((*r)->Graphics.SearchGraphicFiles);
  auto fromIni = ReadLines("graphic path = a;b\\");
  EXPECT_EQ((*fromIni)->Graphics.GraphicPath, "a;b\\");
  EXPECT_EQ((*fromIni)->Graphics.GraphicDirectoryList, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE((*fromIni)->Graphics.SearchGraphicFiles);
}

TEST(IniLines, IsoCodepageLowerCasesTheFollowingLines) {
  // 0xC4 is a capital only in ISO 8859-1; the extended letters keep their case as written.
  auto r = ReadLines("source codepage = iso\r\nextended letters = \xC4\xD6");
  EXPECT_EQ((*r)->Ini.ExtendedLetters, "\xC4\xD6");
  EXPECT_EQ((*r)->IniFile.LowerLine, "extended letters = \xE4\xF6");
}

TEST(IniLines, OptionalKeysHaveTheirDefaults) {
  auto r = ReadLines("beep = no");
  const TIniSettings& s = (*r)->Ini;
  EXPECT_EQ(s.ContentsTags, "");
  EXPECT_TRUE(s.CreateContents);
  EXPECT_TRUE(s.CreateIndex);
  EXPECT_FALSE(s.WinhelpFontsForHtmlHeading);
  EXPECT_FALSE(s.ColorCorrection);
  EXPECT_TRUE(s.AutomaticHeadingEnumeration);
  for (int key = 46; key <= 58; ++key) {
    const bool optional = IniKeyByNumber(key)->Optional;
    const bool reported = r->Text().find("\"" + std::string(IniKeyByNumber(key)->Text) +
                                         "\" missing") != std::string::npos;
    EXPECT_NE(optional, reported) << key;
  }
}

TEST(IniNumbers, Parse) {
  std::int64_t n = -1;
  EXPECT_TRUE(ParseIniNumber(" 12 ", 0, 255, n));
  EXPECT_EQ(n, 12);
  EXPECT_TRUE(ParseIniNumber("+3", 0, 6, n));
  EXPECT_EQ(n, 3);
  EXPECT_FALSE(ParseIniNumber("", 0, 255, n));
  EXPECT_FALSE(ParseIniNumber(" ", 0, 255, n));
  EXPECT_FALSE(ParseIniNumber("-", 0, 255, n));
  EXPECT_FALSE(ParseIniNumber("1 2", 0, 255, n));
  EXPECT_FALSE(ParseIniNumber("12x", 0, 255, n));
  EXPECT_FALSE(ParseIniNumber("99999999999999999999999", INT64_MIN, INT64_MAX, n));
  EXPECT_EQ(n, 3);  // untouched by a failure
}

}  // namespace

// A bad font size names the font line, not the file's last line, and the run stops as it
// stops for any other wrong value.
TEST(IniFontCheck, BadSizeNamesItsLineAndStopsLikeOtherValueErrors) {
  const std::string fontLine = "font A = arial 99999";
  struct Case {
    const char* Name;
    std::string Wrong;    // the faulty line
    const char* Message;  // its line error
  } cases[] = {
      {"font", fontLine, "number expected"},
      {"content level", "content level = 9", nullptr},
  };
  int codes[2] = {};
  for (int i = 0; i < 2; ++i) {
    FoundationTestRun r(ProgramStartRun());
    const std::string text = "title line\r\n" + cases[i].Wrong + "\r\nbeep = no\r\n";
    codes[i] = ExitCodeOf([&] { ReadIniText(*r, text, true); });
    if (cases[i].Message)
      EXPECT_NE(r.Text().find(LineErrorText(cases[i].Wrong, cases[i].Message)), std::string::npos)
          << r.Text();
    EXPECT_EQ(r.Text().find("\"beep = no\""), std::string::npos) << cases[i].Name << r.Text();
  }
  EXPECT_NE(codes[0], -1);
  EXPECT_EQ(codes[0], codes[1]);
}
