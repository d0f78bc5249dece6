#include <gtest/gtest.h>

#include <string>

#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/ini_values.h"
#include "tests/support/compiler_test_run.h"

using namespace skeldon;

namespace {

class IniValuesTest : public ::testing::Test {
 protected:
  FoundationTestRun run{ConstructedRun(RunFolder::kPrivate)};
  const TFontDef& Parse(char letter, const std::string& definition) {
    run->Ini.FontSpecs[FontLetterIndex(letter)] = definition;
    ParseFontDefinition(*run, letter);
    return run->IniValues.FontDefs[FontLetterIndex(letter)];
  }
};

TEST_F(IniValuesTest, FaceSizeAndHtmlColour) {
  const TFontDef& f = Parse('A', "Arial,Helvetica 12 Red");
  EXPECT_EQ(f.HtmlMarkup, "<font face=Arial,Helvetica size=3 color=Red>");
  EXPECT_EQ(f.IpfFace, " size=12x7 facename=default");
  EXPECT_EQ(f.IpfColor, " fc=default bc=default");
  EXPECT_EQ(f.RtfFamily, 1);
  EXPECT_EQ(f.RtfFontName, "fnil");
  EXPECT_EQ(f.SizeInPoints, 12);
  EXPECT_EQ(f.LastSizeValue, 12);
  EXPECT_EQ(f.ForegroundIndex, 10);
  EXPECT_EQ(f.BackgroundIndex, 255);
  EXPECT_EQ(f.RelativeHtmlSize, 255);
  EXPECT_EQ(run.console->Text, "");
}

TEST_F(IniValuesTest, BigFontScalesIpfSize) {
  run->Switches.FontScale = 1.33;
  EXPECT_EQ(Parse('b', "12").IpfFace, " size=16x10 facename=default");
}

TEST_F(IniValuesTest, SizeWordsTable) {
  struct Case {
    const char* definition;
    const char* html;
    const char* ipfFace;
    int relative;
  };
  const Case cases[] = {
      {"+1", "<font size=+1>", " size=0x0 facename=default", 1},
      {"-1", "<font size=-1>", " size=0x0 facename=default", -1},
      {"0", "<font size=+0>", " size=0x0 facename=default", 0},
      {"S3", "<font size=3>", " size=3x2 facename=default", 255},
      {"s10", "<font size=10>", " size=10x6 facename=default", 255},
      {"10", "<font size=2>", " size=10x6 facename=default", 255},
      {"21", "<font size=4>", " size=21x13 facename=default", 255},
      {"30", "<font size=5>", " size=30x18 facename=default", 255},
      {"850", "<font>", " codepage=850 size=0x0 facename=default", 255},
      {"3", "<font size=1>", " size=3x2 facename=default", 255},
      // Only the first size reaches the HTML markup.
      {"12 +2", "<font size=3>", " size=12x7 facename=default", 2},
  };
  for (const Case& c : cases) {
    const TFontDef& f = Parse('c', c.definition);
    EXPECT_EQ(f.HtmlMarkup, c.html) << c.definition;
    EXPECT_EQ(f.IpfFace, c.ipfFace) << c.definition;
    EXPECT_EQ(f.RelativeHtmlSize, c.relative) << c.definition;
  }
  EXPECT_EQ(Parse('c', "850").CodePage, 850);
}

TEST_F(IniValuesTest, ColourWordsByCase) {
  const TFontDef& f = Parse('d', "red BLUE Yellow");
  EXPECT_EQ(f.IpfColor, " fc=red bc=blue");
  EXPECT_EQ(f.ForegroundIndex, 7) << "Yellow is the HTML colour and sets the index last";
  EXPECT_EQ(f.BackgroundIndex, 11);
  EXPECT_EQ(f.HtmlMarkup, "<font color=Yellow>");
  // "Red" is no IPF colour (capitalised) and no face name: the HTML colour.
  EXPECT_EQ(Parse('d', "Red").IpfColor, " fc=default bc=default");
  // The first small-letter colour is the foreground.
  EXPECT_EQ(Parse('d', "green red").ForegroundIndex, 3);
}

TEST_F(IniValuesTest, FaceNamesTagsRtfNamesAndFlags) {
  const TFontDef& f = Parse('e', "Times_New_Roman froman:Times_New_Roman EM center omitlinks");
  EXPECT_EQ(f.IpfFace, " facename='Times New_Roman' size=0x0");
  EXPECT_EQ(f.RtfFontName, "froman times new roman");
  EXPECT_EQ(f.RtfFamily, 2);
  EXPECT_EQ(f.HtmlTag, "EM");
  EXPECT_EQ(f.Centre, 1);
  EXPECT_TRUE(run->IniValues.FontOmitsLinks[FontLetterIndex('e')]);
  EXPECT_EQ(Parse('f', "courier,system PRE linestandard").RtfFamily, 3);
  EXPECT_EQ(run->IniValues.LineStandardFont, 'f');
  EXPECT_EQ(run->IniValues.FontDefs[FontLetterIndex('f')].HtmlTag, "PRE");
  EXPECT_EQ(Parse('g', "helvetica").IpfFace, " facename=Helvetica size=0x0");
}

TEST_F(IniValuesTest, BadNumbersAreIniLineErrors) {
  run->IniFile.IniLine = "font G = 12pt";
  const TFontDef& f = Parse('G', "12pt");
  EXPECT_EQ(f.IpfFace, " size=12x2 facename=default");
  EXPECT_TRUE(run.ConsoleHas("number expected!"));
  EXPECT_TRUE(run->IniFile.IniErrorFlag);
  run.console->Text.clear();
  EXPECT_EQ(Parse('G', "(x) 99999").IpfFace, " size=0x0 facename=default");
  // A word without digits and an overflowing number: each reported, neither used.
  const std::string& out = run.console->Text;
  const std::size_t first = out.find("number expected!");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(out.find("number expected!", first + 1), std::string::npos);
}

TEST_F(IniValuesTest, EmptyTextLeavesTheRecordAndAtHasDefaults) {
  ClearFontDefs(run->IniValues);
  ParseFontDefinition(*run, '@');
  EXPECT_EQ(run->IniValues.FontDefs[0].IpfFace, " facename=default size=0x0");
  EXPECT_EQ(run->IniValues.FontDefs[0].IpfColor, " fc=default bc=default");
  run->IniValues.FontDefs[5].HtmlTag = "CODE";
  ParseFontDefinition(*run, static_cast<char>('@' + 5));
  EXPECT_EQ(run->IniValues.FontDefs[5].HtmlTag, "CODE");
  // A defined "@" is rebuilt, not appended to its defaults.
  EXPECT_EQ(Parse('@', "12").IpfFace, " size=12x7 facename=default");
  ParseFontDefinition(*run, '!');  // outside "@".."z": nothing happens
  EXPECT_EQ(FontLetterIndex('{'), -1);
}

TEST_F(IniValuesTest, ButtonFunctionsGetTheirCodes) {
  run->Ini.DefaultFrame = "main";
  run->Ini.ContentsFrame = "contents";
  ParseButtonFunctions(*run, "Back Forward content INDEX homef max print mail", 0);
  const auto& g = run->IniValues.ButtonTable[0];
  const int keys[] = {1, 2, 3, 4, 6, 7, 8, 9, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(g[i].Key, keys[i]) << i;
  EXPECT_EQ(g[0].Name, "back");
  EXPECT_EQ(g[7].Name, "mail");
  EXPECT_EQ(run->IniValues.LastButtonCode, 9);
  EXPECT_TRUE(run->IniValues.HomeButtonInFrame);
}

TEST_F(IniValuesTest, HomeButtonStaysOutOfFrameForTopOrSameFrame) {
  for (auto [defaultFrame, contentsFrame] : {std::pair{"_top", "contents"}, {"x", "x"}}) {
    run->IniValues.HomeButtonInFrame = false;
    run->Ini.DefaultFrame = defaultFrame;
    run->Ini.ContentsFrame = contentsFrame;
    ParseButtonFunctions(*run, "homef", 1);
    EXPECT_FALSE(run->IniValues.HomeButtonInFrame) << defaultFrame;
    EXPECT_EQ(run->IniValues.LastButtonCode, 7);
  }
}

TEST_F(IniValuesTest, ButtonTextsAndCountMismatch) {
  const char* kMismatch =
      "The number of items differs between Text and function for first/last line.\n";
  ParseButtonFunctions(*run, "back forward homef", 0);
  ParseButtonTexts(*run, "Back Forward", 0);
  EXPECT_EQ(run.console->Text, kMismatch);
  run.console->Text.clear();
  ParseButtonTexts(*run, "\"<< Back\" Next Home", 0);
  EXPECT_EQ(run->IniValues.ButtonTable[0][0].Text, "<< Back");
  EXPECT_EQ(run.console->Text, "");
  ParseButtonTexts(*run, "a b c d", 0);
  EXPECT_EQ(run.console->Text, kMismatch);
  run.console->Text.clear();
  ParseButtonTexts(*run, "", 1);
  EXPECT_EQ(run.console->Text, "");
}

TEST_F(IniValuesTest, MoreThanFifteenButtonsAreReportedNotOverflowed) {
  std::string list;
  for (int i = 0; i < 30; ++i) list += "b" + std::to_string(i) + " ";
  ParseButtonFunctions(*run, list, 0);
  ParseButtonTexts(*run, list, 0);
  const auto& g = run->IniValues.ButtonTable[0];
  EXPECT_EQ(g[14].Name, "b14");
  EXPECT_EQ(g[14].Text, "b14");
  EXPECT_EQ(run->IniValues.LastButtonCode, 22);
  EXPECT_TRUE(run.ConsoleHas("Too many buttons in first/last line (at most 15)"));
  EXPECT_TRUE(run.ConsoleHas("The number of items differs"));
  EXPECT_EQ(run->IniValues.ButtonTable[1][0].Name, "") << "the other group is untouched";
}

TEST(IniTemplateTest, PlaceholderPositions) {
  TTemplateText t;
  ParseTextTemplate("DOCTITLE - HEADING (FILENAME)", t);
  EXPECT_EQ(t.Text, "DOCTITLE - HEADING (FILENAME)");
  EXPECT_EQ(t.DocTitlePos, 1);
  EXPECT_EQ(t.HeadingPos, 12);
  EXPECT_EQ(t.FileNamePos, 21);
  ParseTextTemplate("NO", t);
  EXPECT_EQ(t.Text, "");
  EXPECT_EQ(t.HeadingPos, 12) << "positions stay as they were";
  ParseTextTemplate("heading only", t);
  EXPECT_EQ(t.HeadingPos, 0) << "case-sensitive";
}

TEST(IniTemplateTest, FontSuffix) {
  struct Case {
    const char* value;
    const char* text;
    char letter;
  };
  const Case cases[] = {
      {"Chapter (Font C)", "Chapter", 'C'},
      {"Chapter (Font 1)", "Chapter (Font 1)", '@'},
      {"Next  (Font z) rest", "Next ", 'z'},
      {"(Font ", "(Font ", '@'},
      {"plain", "plain", '@'},
  };
  for (const Case& c : cases) {
    std::uint8_t letter = 0;
    std::string text;
    SplitFontSuffix(c.value, letter, text);
    EXPECT_EQ(text, c.text) << c.value;
    EXPECT_EQ(letter, static_cast<std::uint8_t>(c.letter)) << c.value;
  }
}

TEST(IniTemplateTest, WordCharacters) {
  std::array<bool, 256> table{};
  BuildWordCharTable(table, "\x84\x94-");
  EXPECT_TRUE(table['a'] && table['Z'] && table['0'] && table[0x84] && table['-']);
  EXPECT_FALSE(table[' '] || table['_'] || table[0x81] || table[0]);
}

TEST(IniTemplateTest, ColourTables) {
  EXPECT_STREQ(kHtmlColorNames[10], "Red");
  EXPECT_STREQ(kIpfColorNames[5], "neutral");
  EXPECT_STREQ(kIpfColorNames[1], "");
  EXPECT_EQ(kHtmlColorRgb[13].G, 0x80);  // Teal #008080
  EXPECT_EQ(kHtmlColorRgb[2].R, 0xC0);   // Silver #C0C0C0
}

}  // namespace
