// The RTF document header: colour table variants, font numbering in letter order, and the
// whole header of a WinHelp 4 run against a golden file written from the format description.
#include <gtest/gtest.h>

#include "compiler/writers/rtf_header.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

void DefineRtfFont(CompilerRun& run, char letter, const char* text) {
  run.IniValues.FontDefs[FontLetterIndex(letter)].RtfFontName = text;
}

TEST(RtfHeaderTest, WholeHeaderMatchesGolden) {
  TestRun t("winhelp4");
  // Defined out of order on purpose: numbering follows the letters, not the ini lines.
  DefineRtfFont(*t, 'c', "roman Times New Roman");
  DefineRtfFont(*t, 'A', "fswiss Arial");
  WriteRtfColorTable(*t);
  WriteRtfFontTable(*t);
  WriteRtfStyleSheet(*t);
  ExpectGolden("rtf_header/winhelp4_header.rtf", t->Passes.OutputFile);
  EXPECT_EQ(t->Markup.RtfFontNumbers[FontLetterIndex('A')], 1);
  EXPECT_EQ(t->Markup.RtfFontNumbers[FontLetterIndex('c')], 2);
  EXPECT_EQ(t->Markup.RtfFontNumbers[FontLetterIndex('B')], 0);
}

struct ColourCase {
  const char* target;
  bool correction;
  int entries;
  bool startsWithBlack;
};

TEST(RtfHeaderTest, ColourTableEntriesPerTargetAndCorrection) {
  const ColourCase cases[] = {
      {"rtftext", true, 15, false},
      {"rtftext", false, 16, true},
      {"winhelp4", true, 16, true},
      {"winhelp3", false, 16, true},
  };
  for (const ColourCase& c : cases) {
    TestRun t(c.target);
    t->Ini.ColorCorrection = c.correction;
    WriteRtfColorTable(*t);
    const std::string& out = t->Passes.OutputFile;
    int entries = 0;
    for (std::size_t p = out.find("\\red"); p != std::string::npos; p = out.find("\\red", p + 1))
      ++entries;
    EXPECT_EQ(entries, c.entries) << c.target << " " << c.correction;
    const std::string black = "{\\colortbl;\\red0\\green0\\blue0\\;";
    EXPECT_EQ(out.rfind(black, 0) == 0, c.startsWithBlack) << out;
    if (!c.startsWithBlack) {
      EXPECT_EQ(out.rfind("{\\colortbl;\\red0\\green128\\blue0;", 0), 0u);
    }
    // Only black carries the backslash before its semicolon.
    EXPECT_EQ(out.find("\\;") != std::string::npos, c.startsWithBlack);
    EXPECT_EQ(out.substr(out.size() - 3), "}\r\n");
  }
}

TEST(RtfHeaderTest, NoFontDefinedGivesOnlyTheNilEntry) {
  TestRun t("rtftext");
  t->Markup.RtfFontNumbers.fill(7);  // numbers of an earlier table must not survive
  WriteRtfFontTable(*t);
  EXPECT_EQ(t->Passes.OutputFile, "{\\fonttbl{\\f0\\fnil;}}\r\n");
  EXPECT_EQ(t->Markup.RtfFontNumbers[FontLetterIndex('A')], 0);
}

}  // namespace
