#include "formatter/fonts/fonts_ini.h"

#include <gtest/gtest.h>

#include "formatter/common/font_numbers.h"
#include "formatter/common/message_boxes.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::ReadAll;
using unit_test::TempDir;
using unit_test::WriteAll;

const TFontEntry& Printer(const FontDefinitionTables& t, int n) {
  return t.PrinterFonts->Fonts[n - 1];
}
const TFontEntry& Preview(const FontDefinitionTables& t, int n) {
  return t.PreviewFonts->Fonts[n - 1];
}

TEST(FontsIni, ExamplesOfTheDefinitionLines) {
  FontDefinitionTables t;
  const std::string dups = ParseFontDefinitionText(
      "Font C = Times New Roman 12\r\n"
      "FONT H\" = Arial 10 1 Navy // Arial 9\r\n",
      t);
  EXPECT_EQ(dups, "");
  EXPECT_EQ(Printer(t, 3).FaceName.Str(), "Times New Roman");
  EXPECT_EQ(Printer(t, 3).Size, 12);
  EXPECT_EQ(Preview(t, 3).FaceName.Str(), "Times New Roman");  // no "//": the preview is the same
  EXPECT_EQ(Preview(t, 3).Size, 12);
  const int h2 = FontSpecToNumber("H\"");
  ASSERT_EQ(h2, 112);
  EXPECT_EQ(Printer(t, 112).FaceName.Str(), "Arial");
  EXPECT_EQ(Printer(t, 112).Size, 10);
  EXPECT_EQ(Printer(t, 112).WidthCorrection, 1);
  EXPECT_EQ(Printer(t, 112).Colour, 128);  // navy
  EXPECT_EQ(Preview(t, 112).FaceName.Str(), "Arial");
  EXPECT_EQ(Preview(t, 112).Size, 9);
  EXPECT_EQ(Preview(t, 112).Colour, 0);
  EXPECT_EQ(t.AutoVariant[111], 0);  // a font name with a variant mark is not expanded
  EXPECT_EQ(Printer(t, 112 + 52).FaceName.Str(), "");
}

TEST(FontsIni, AutomaticItalicAndBoldVariants) {
  FontDefinitionTables t;
  ParseFontDefinitionText(
      "Font a = Courier New 10\n"
      "AUTOITALICBOLD = no\n"
      "Font b = Arial 11\n"
      "autoitalicbold = On\n"
      "Font c = Arial Bold 9 // Arial 8\n",
      t);
  EXPECT_EQ(Printer(t, 27).FaceName.Str(), "Courier New");
  EXPECT_EQ(Printer(t, 79).FaceName.Str(), "Courier New Italic");
  EXPECT_EQ(Printer(t, 131).FaceName.Str(), "Courier New Bold");
  EXPECT_EQ(Printer(t, 183).FaceName.Str(), "Courier New Bold Italic");
  EXPECT_EQ(Printer(t, 183).Size, 10);
  EXPECT_EQ(Preview(t, 183).FaceName.Str(), "Courier New Bold Italic");
  EXPECT_EQ(t.AutoVariant[26], 1);
  // Switched off for the line below only.
  EXPECT_EQ(Printer(t, 28).FaceName.Str(), "Arial");
  EXPECT_EQ(Printer(t, 80).FaceName.Str(), "");
  EXPECT_EQ(t.AutoVariant[27], 0);
  // A face that already says Bold gets no second Bold; the preview part gets the suffixes too.
  EXPECT_EQ(Printer(t, 81).FaceName.Str(), "Arial Bold Italic");
  EXPECT_EQ(Printer(t, 133).FaceName.Str(), "Arial Bold");
  EXPECT_EQ(Printer(t, 185).FaceName.Str(), "Arial Bold");
  EXPECT_EQ(Preview(t, 81).FaceName.Str(), "Arial Italic");
  EXPECT_EQ(Preview(t, 133).FaceName.Str(), "Arial Bold");
  EXPECT_EQ(Preview(t, 185).FaceName.Str(), "Arial Bold Italic");
  EXPECT_EQ(Preview(t, 185).Size, 8);
}

TEST(FontsIni, WordsNumbersAndIgnoredLines) {
  struct Case {
    const char* line;
    int font;
    const char* face;
    double size;
    int correction;
  };
  const Case cases[] = {
      // the empty word ends the definition: no size, so the default size of A
      {"Font A = Arial  10", 1, "Arial", 8, 0},
      {"Font A = Arial 10.5", 1, "Arial", 8, 0},  // a decimal size is unreadable, not a name word
      {"Font A = Arial 12 0 -2", 1, "Arial", 12, 254},  // the last number is the correction
      {"Font A = Arial 12 +3 7", 1, "Arial", 12, 7},
      {"Font A=Arial 10", 1, "", 0, 0},      // no blanks around "="
      {" Font A = Arial 10", 1, "", 0, 0},   // a leading blank
      {"..Font A = Arial 10", 1, "", 0, 0},  // a comment
      {"Font 1 = Arial 10", 1, "", 0, 0},    // no letter: no font
      {"Font A = A123456789 B123456789 C123456789 D123456789 E123456789", 1,
       "A123456789 B123456789 C123456789 D123456789 E", 8, 0},  // 45 characters at most
  };
  for (const Case& c : cases) {
    FontDefinitionTables t;
    ParseFontDefinitionText(std::string("AUTOITALICBOLD = OFF\n") + c.line, t);
    EXPECT_EQ(Printer(t, c.font).FaceName.Str(), c.face) << c.line;
    EXPECT_EQ(Printer(t, c.font).Size, c.size) << c.line;
    EXPECT_EQ(Printer(t, c.font).WidthCorrection, c.correction) << c.line;
  }
  // More than 20 words and overlong words are cut safely.
  FontDefinitionTables t;
  std::string line = "Font Z = Face";
  for (int i = 0; i < 40; ++i) line += " W" + std::string(50, 'x');
  ParseFontDefinitionText(line, t);
  EXPECT_LE(Printer(t, 26).FaceName.Str().size(), 45u);
  EXPECT_EQ(Printer(t, 26).FaceName.Str().substr(0, 6), "Face W");
}

TEST(FontsIni, ColoursByNameAndByNumbers) {
  struct Case {
    const char* word;
    bool colour;
    std::int32_t value;
  };
  const Case cases[] = {
      {"Black", true, 0},          {"navy", true, 128},
      {"FUCHSIA", true, 0xFF00FF}, {"Silver", true, 0xC0C0C0},
      {"Teal", true, 0x008080},    {"255:0:128", true, 0xFF0080},
      {"1:2:3", true, 0x010203},   {"-1:0:0", true, 0xFF0000},
      {"300:1:2", true, 0x2C0102},  // red is kept to a byte as well
      {"1:2", false, 0},           {"1:2:3:4", false, 0},
      {"a:b:c", false, 0},         {"1::3", false, 0},
      {"Arial", false, 0},
  };
  for (const Case& c : cases) {
    std::int32_t v = -7;
    EXPECT_EQ(FontColorFromName(c.word, v), c.colour) << c.word;
    EXPECT_EQ(v, c.colour ? c.value : -7) << c.word;
  }
  EXPECT_TRUE(IsNumberWord("-2"));
  EXPECT_TRUE(IsNumberWord("+10"));
  EXPECT_FALSE(IsNumberWord("10.5"));
  EXPECT_FALSE(IsNumberWord("10pt"));
  EXPECT_EQ(UpperCaseCp850("gr\x94\xe1"
                           "e \x84\x81"),
            "GR\x99\xe1"
            "E \x8e\x9a");
}

TEST(FontsIni, DuplicateLettersAreListedPerRepetition) {
  FontDefinitionTables t;
  const std::string dups = ParseFontDefinitionText(
      "Font B = Arial 10\nFont B = Times New Roman 12\nFont B = Courier New 9\nFont C' = Arial 8\nFont C' = Arial 9\n",
      t);
  EXPECT_EQ(dups, "B B C' ");
  // The last definition stands.
  EXPECT_EQ(Printer(t, 2).FaceName.Str(), "Courier New");
  EXPECT_EQ(Printer(t, 2).Size, 9);
}

// A size that does not read as at least one point would print the font at 1 point: the font
// gets the size the generated file gives its letter, and the line is listed.
TEST(FontsIni, UnreadableSizesTakeTheDefaultSizeOfTheLetter) {
  struct Case {
    const char* line;
    int font;
    const char* face;
    double size;
    double previewSize;
    bool listed;
  };
  const Case cases[] = {
      {"Font C = Courier New 10.5", 3, "Courier New", 12, 12, true},
      {"Font C = Courier New 10,5", 3, "Courier New", 12, 12, true},
      {"Font C = Courier New 0", 3, "Courier New", 12, 12, true},
      {"Font C = Courier New -4", 3, "Courier New", 12, 12, true},
      {"Font C = Courier New", 3, "Courier New", 12, 12, true},
      {"Font J = Arial  11", 10, "Arial", 18, 18, true},
      {"Font L = Courier 9.5 1", 12, "Courier", 10, 10, true},
      {"Font x = Gill Sans 0", 50, "Gill Sans", 12, 12, true},
      {"Font C = Courier New 11 // Courier", 3, "Courier New", 11, 11, true},
      {"Font C = Courier New 0 // Courier 9", 3, "Courier New", 12, 9, true},
      // Sizes that read are kept as they are, whatever the default.
      {"Font C = Courier New 1", 3, "Courier New", 1, 1, false},
      {"Font C = Courier New 30 // Courier 7", 3, "Courier New", 30, 7, false},
  };
  for (const Case& c : cases) {
    FontDefinitionTables t;
    ParseFontDefinitionText(std::string("AUTOITALICBOLD = OFF\r\n") + c.line + "\r\n", t);
    EXPECT_EQ(Printer(t, c.font).FaceName.Str(), c.face) << c.line;
    EXPECT_EQ(Printer(t, c.font).Size, c.size) << c.line;
    EXPECT_EQ(Preview(t, c.font).Size, c.previewSize) << c.line;
    EXPECT_EQ(t.UnreadableSizes, c.listed ? std::string(c.line).substr(5) + "\r\n" : "") << c.line;
  }
  // The generated variants share the letter's default size.
  FontDefinitionTables t;
  ParseFontDefinitionText("Font B = Times New Roman 10.5\r\nFont E = Arial 12\r\n", t);
  for (const char* field : {"B", "B'", "B\"", "B&"})
    EXPECT_EQ(Printer(t, FontSpecToNumber(field)).Size, 10) << field;
  EXPECT_EQ(t.UnreadableSizes, "B = Times New Roman 10.5\r\n");
}

// The default size is what the generated file writes for the letter: A to D Times 8 to 14,
// E to J Helvetica 8 to 18, K to M Courier 8 to 12, 12 for every other letter.
TEST(FontsIni, DefaultSizesFollowTheGeneratedFile) {
  const std::string letters = "ABCDEFGHIJKLMNOPZaz";
  const double sizes[] = {8, 10, 12, 14, 8, 10, 12, 14, 16, 18, 8, 10, 12, 12, 12, 12, 12, 12, 12};
  for (std::size_t i = 0; i < letters.size(); ++i) {
    const int n = FontSpecToNumber(letters.substr(i, 1));
    EXPECT_EQ(DefaultFontSize(n), sizes[i]) << letters[i];
    EXPECT_EQ(DefaultFontSize(n + 156), sizes[i]) << letters[i] << "&";
  }
}

struct ReadFixture {
  TempDir dir;
  RecordingMessageBoxes boxes;
  int ensures = 0;
  std::string fresh = "Font A = Arial 10\r\n";
  std::vector<std::string> fatal;
  FontDefinitionContext ctx;

  ReadFixture() {
    ctx.ProgramDirectory = dir.Path().string();
    ctx.VersionStamp = 991;
    ctx.Boxes = &boxes;
    ctx.EnsureFontDefinitionFile = [this](bool force) {
      EXPECT_TRUE(force);
      ++ensures;
      WriteAll(dir / "Fonts.ini", fresh);
    };
    ctx.ReportFatalOutputError = [this](int number, const std::string& german,
                                        const std::string& english) {
      fatal.push_back(std::to_string(number) + " " + german + " / " + english);
    };
  }
};

TEST(ReadFontDefinitionFile, MissingFileIsFatalErrorOne) {
  ReadFixture f;
  FontDefinitionTables t;
  EXPECT_EQ(ReadFontDefinitionFile(t, f.ctx), FontDefinitionRead::NotFound);
  EXPECT_EQ(f.fatal,
            (std::vector<std::string>{"1 Fonts.ini nicht gefunden / Fonts.ini not found"}));
  EXPECT_TRUE(Printer(t, 1).FaceName.Empty());
}

TEST(ReadFontDefinitionFile, DuplicatesAskWhetherToRecreate) {
  for (int answer : {kAnswerYes, kAnswerNo}) {
    ReadFixture f;
    WriteAll(f.dir / "Fonts.ini", "Font A = Arial 10\nFont A = Arial 11\n");
    f.boxes.ScriptAnswer(answer);
    FontDefinitionTables t;
    const FontDefinitionRead r = ReadFontDefinitionFile(t, f.ctx);
    const auto boxes = f.boxes.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Text,
              "Font characters A have been declared twice in font definition file Fonts.ini. "
              "Please edit (Settings - Font Definition) or delete it.");
    EXPECT_EQ(boxes[0].Kind, kBoxError);
    EXPECT_EQ(boxes[1].Text, "Do you want to recreate the font definition (fonts.ini file) ?");
    if (answer == kAnswerYes) {
      EXPECT_EQ(r, FontDefinitionRead::Ok);
      EXPECT_EQ(f.ensures, 1);
      EXPECT_EQ(Printer(t, 1).Size, 10);
    } else {
      EXPECT_EQ(r, FontDefinitionRead::Duplicates);
      EXPECT_EQ(f.ensures, 0);
      EXPECT_EQ(Printer(t, 1).Size, 11);
    }
  }
}

TEST(ReadFontDefinitionFile, OldVersionRenamesToOldAndRecreatesSilently) {
  ReadFixture f;
  f.ctx.VersionStamp = 990;
  const std::string old = "Font A = Arial 10\nFont A = Arial 11\n";
  WriteAll(f.dir / "Fonts.ini", old);
  WriteAll(f.dir / "Fonts.OLD", "an older copy");
  FontDefinitionTables t;
  EXPECT_EQ(ReadFontDefinitionFile(t, f.ctx), FontDefinitionRead::Ok);
  EXPECT_EQ(ReadAll(f.dir / "Fonts.OLD"), old);
  EXPECT_EQ(ReadAll(f.dir / "Fonts.ini"), f.fresh);
  const auto boxes = f.boxes.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Kind, kBoxInformation);
  EXPECT_NE(boxes[0].Text.find("fonts.old"), std::string::npos);
}

// A recreated file with duplicates again is reported once instead of asking for ever.
TEST(ReadFontDefinitionFile, RecreatesAtMostOnce) {
  ReadFixture f;
  f.fresh = "Font A = Arial 10\nFont A = Arial 11\n";
  WriteAll(f.dir / "Fonts.ini", f.fresh);
  f.boxes.DefaultAnswer = kAnswerYes;
  FontDefinitionTables t;
  EXPECT_EQ(ReadFontDefinitionFile(t, f.ctx), FontDefinitionRead::Duplicates);
  EXPECT_EQ(f.ensures, 1);
  const auto boxes = f.boxes.Boxes();
  ASSERT_EQ(boxes.size(), 3u);  // error, question, error (no second question)
  EXPECT_TRUE(boxes[1].Question);
  EXPECT_FALSE(boxes[2].Question);
}

TEST(ReadFontDefinitionFile, UnreadableSizesAreReported) {
  ReadFixture f;
  WriteAll(f.dir / "Fonts.ini",
           "Font C = Courier New 10.5\r\nFont D = Arial 9\r\nFont E = Arial\r\n");
  FontDefinitionTables t;
  EXPECT_EQ(ReadFontDefinitionFile(t, f.ctx), FontDefinitionRead::Ok);
  const auto boxes = f.boxes.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Kind, kBoxError);
  EXPECT_EQ(boxes[0].Text,
            "The size of these fonts in Fonts.ini cannot be read (a whole number of points, at "
            "least 1); they get their default size:\r\nC = Courier New 10.5\r\nE = Arial\r\n");
  EXPECT_EQ(Printer(t, 3).Size, 12);
  EXPECT_EQ(Printer(t, 4).Size, 9);
  EXPECT_EQ(Printer(t, 5).Size, 8);
}

TEST(ReadFontDefinitionFile, GermanTextsAreShownInTheWindowsCodePage) {
  ReadFixture f;
  f.ctx.Language = 1;
  WriteAll(f.dir / "Fonts.ini", "Font A = Arial 10\nFont A = Arial 11\n");
  FontDefinitionTables t;
  ReadFontDefinitionFile(t, f.ctx);
  const auto boxes = f.boxes.Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes[0].Text.find("l\xf6schen"), std::string::npos);  // o umlaut in Windows-1252
}

}  // namespace
}  // namespace tavrel
