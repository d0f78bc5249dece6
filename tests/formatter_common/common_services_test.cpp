#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/settings_record.h"
#include "formatter/common/text_services.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::TempDir;
using unit_test::WriteAll;

// Expected values from the published code page 850 and Windows-1252 charts, with the display
// deviations of the formatter.
TEST(DisplayTableTest, MapsCodePage850ToWindows) {
  struct Case {
    unsigned char from, to;
  };
  const Case cases[] = {
      {0x81, 0xFC},
      {0x84, 0xE4},
      {0x94, 0xF6},
      {0x8E, 0xC4},
      {0x99, 0xD6},
      {0x9A, 0xDC},
      {0xE1, 0xDF},
      {0x80, 0xC7},
      {0x82, 0xE9},
      {0x9C, 0xA3},
      {0x9E, 0xD7},
      {0xA8, 0xBF},
      {0xAE, 0xAB},
      {0xB5, 0xC1},
      {0xF5, 0xA7},
      {0xF8, 0xB0},
      {0xFD, 0xB2},
      {0x9B, 0xF8},
      {0xE6, 0xB5},
      // deviations
      {0x15, 0xA7},
      {0xBF, 0xAC},
      {0x9F, 0x9F},
      {0xBD, 0xBD},
      {0xFF, 0xFF},
      // no Windows counterpart, or below 128: unchanged
      {0xC4, 0xC4},
      {0xB0, 0xB0},
      {0xD5, 0xD5},
      {0xFE, 0xFE},
      {0x41, 0x41},
      {0x14, 0x14},
  };
  for (const Case& c : cases) EXPECT_EQ(DisplayTable()[c.from], c.to) << std::hex << int(c.from);
  EXPECT_EQ(PdfTextTable()[0xFE], 0x95);
  EXPECT_EQ(PdfTextTable()[0x81], 0xFC);
}

TEST(DisplayTableTest, InverseTakesTheFirstRealCharacter) {
  struct Case {
    unsigned char windows, cp850;
  };
  // 0xC4: the box line shows unchanged as 0xC4, but A umlaut (0x8E) maps there too and wins.
  // 0xB0: the light shade is unchanged, the degree sign (0xF8) wins. 0xA7: 0x15 comes first.
  const Case cases[] = {{0xE4, 0x84}, {0xFC, 0x81}, {0xC4, 0x8E},
                        {0xB0, 0xF8}, {0xA7, 0x15}, {0x41, 0x41}};
  for (const Case& c : cases)
    EXPECT_EQ(DisplayTableInverse()[c.windows], c.cp850) << std::hex << int(c.windows);
  EXPECT_EQ(PdfTextTableInverse()[0x95], 0xFE);
}

TEST(FileNameTest, ExtensionsAndParts) {
  struct Case {
    const char* name;
    const char* ext;
    const char* changed;
  };
  const Case cases[] = {
      {"readme", "ws", "readme.ws"},
      {"C:\\D\\Text.ws", "fmt", "C:\\D\\Text.fmt"},
      {"x.y.z", "q", "x.y.q"},
      // A point in a folder name is no extension: the file gets one of its own.
      {"a.b\\c", "fmt", "a.b\\c.fmt"},
      {"/tmp/a.b/c", "fmt", "/tmp/a.b/c.fmt"},
  };
  for (const Case& c : cases) EXPECT_EQ(ChangeFileExtension(c.name, c.ext), c.changed) << c.name;

  EXPECT_FALSE(HasExtension("x.ws.ws", "ws"));
  EXPECT_TRUE(HasExtension("X.WS", "ws"));
  EXPECT_FALSE(HasExtension("x.wsx", "ws"));
  EXPECT_TRUE(IsGraphicsFileName("pic.Bmp"));
  EXPECT_TRUE(IsGraphicsFileName("a.jpg.txt"));
  EXPECT_FALSE(IsGraphicsFileName("a.txt"));
  EXPECT_EQ(ExtractFileNamePart("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileNamePart("b.txt"), "b.txt");
  EXPECT_EQ(ExtractFileNamePart(std::string(300, 'n')).size(), 199u);
  EXPECT_EQ(ExtractDirectoryPart("/a/b/c.ws"), "/a/b");
  EXPECT_EQ(ExtractDirectoryPart("c.ws"), "");
}

TEST(FileNameTest, GraphicsNamesTakeTheFirstFreeNumber) {
  TempDir tmp;
  const std::string doc = tmp / "Text.ws";
  EXPECT_EQ(MakeGraphicsFileName("bmp", doc), tmp / "Text_gra01.bmp");
  WriteAll(tmp / "Text_gra01.gif", "x");  // any of the five extensions takes the number
  EXPECT_EQ(MakeGraphicsFileName("bmp", doc), tmp / "Text_gra02.bmp");
  EXPECT_EQ(MakeGraphicsFileName("wmf", ""), "Gra01.wmf");
}

TEST(FileNameTest, AllGraphicsNumbersTakenGivesNoName) {
  TempDir tmp;
  const std::string doc = tmp / "Pic.ws";
  for (int n = 1; n <= 499; ++n) {
    const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
    WriteAll(tmp.Path() / ("Pic_gra" + number + ".bmp"), "");
  }
  EXPECT_FALSE(MakeGraphicsFileName("bmp", doc).has_value());
  std::filesystem::remove(tmp.Path() / "Pic_gra250.bmp");
  EXPECT_EQ(MakeGraphicsFileName("gif", doc), tmp / "Pic_gra250.gif");
}

TEST(FileSearchTest, LocateFileSearchesDocumentSearchDirectoriesThenProgram) {
  TempDir tmp;
  TSettingsRecord s{};
  s.SearchDirectories.Assign((tmp / "s1") + ";" + (tmp / "s2") + "   ");
  FileContext ctx{tmp / "doc/Main.ws", tmp / "prog", &s};
  WriteAll(tmp / "prog/a.pic", "p");
  WriteAll(tmp / "s2/a.pic", "2");
  WriteAll(tmp / "prog/only.pic", "p");
  WriteAll(tmp / "doc/d.pic", "d");

  struct Case {
    std::string name;
    bool found;
    std::string path;
  };
  const Case cases[] = {
      {"a.pic", true, tmp / "s2/a.pic"},
      {"only.pic", true, tmp / "prog/only.pic"},
      {"d.pic", true, tmp / "doc/d.pic"},
      {"none.pic", false, tmp / "prog/none.pic"},
      // A path given in full that exists stays as it is.
      {tmp / "prog/a.pic", true, tmp / "prog/a.pic"},
      // A given path that does not exist is not found, even when the name is found elsewhere.
      {tmp / "elsewhere/d.pic", false, tmp / "doc/d.pic"},
  };
  for (const Case& c : cases) {
    std::string name = c.name;
    EXPECT_EQ(LocateFile(name, ctx), c.found) << c.name;
    EXPECT_EQ(name, c.path) << c.name;
  }
}

TEST(FileSearchTest, ChooseFileExtensionByKind) {
  TempDir tmp;
  TSettingsRecord s{};
  s.AutoCorrectExtension = 1;
  FileContext ctx{tmp / "d.ws", tmp.Path().string(), &s};
  const std::string base = tmp / "d.ws";
  EXPECT_EQ(ChooseFileExtension(base, "taf,fmt", ctx), tmp / "d.fmt");
  EXPECT_EQ(ChooseFileExtension(base, "ws", ctx), tmp / "d.ws");
  WriteAll(tmp / "d.taf", "t");
  WriteAll(tmp / "d.txt", "t");
  EXPECT_EQ(ChooseFileExtension(base, "taf,fmt", ctx), tmp / "d.taf");
  EXPECT_EQ(ChooseFileExtension(base, "ws", ctx), tmp / "d.txt");
  WriteAll(tmp / "d.skt", "t");
  EXPECT_EQ(ChooseFileExtension(base, "ws", ctx), tmp / "d.skt");
  EXPECT_EQ(ChooseFileExtension(base, "toc", ctx), tmp / "d.toc");
  s.AutoCorrectExtension = 0;
  EXPECT_EQ(ChooseFileExtension(base, "taf,fmt", ctx), base);
  s.AutoCorrectExtension = 1;
  s.PrintUnformattedFiles = 1;
  std::filesystem::remove(tmp / "d.taf");
  EXPECT_EQ(ChooseFileExtension(base, "taf,fmt", ctx), tmp / "d.ws");
}

TEST(FileSearchTest, PostScriptFileGoesBesideTheDocumentOrIntoTemp) {
  TSettingsRecord s{};
  FileContext ctx{"/docs/book.ws", "/prog", &s};
  EXPECT_EQ(MakePostScriptFileName("/elsewhere/book.ps", ctx), "/docs/book.ps");
  s.PsFileLocation = 1;
  ::setenv("TEMP", "/scratch", 1);
  EXPECT_EQ(MakePostScriptFileName("/elsewhere/book.ps", ctx), "/scratch/book.ps");
  ::unsetenv("TEMP");
}

TEST(StartProgramTest, StartsAnExistingProgramAndRefusesAMissingOne) {
  EXPECT_TRUE(StartProgram("/bin/true", ""));
  EXPECT_TRUE(StartProgram("true", "a \"b c\""));  // found on PATH, parameters passed as words
  EXPECT_FALSE(StartProgram("/bin/no-such-program-here", ""));
  EXPECT_FALSE(StartProgram("no-such-program-here-either", "x"));
  EXPECT_FALSE(StartProgram("", ""));
}

TEST(WordSplitTest, QuotesGroupWordsOrStayText) {
  WordList w;
  SplitLineIntoWords("a \"b c\" d", w, 0);
  EXPECT_EQ(w[0], "a");
  EXPECT_EQ(w[1], "b c");
  EXPECT_EQ(w[2], "d");
  EXPECT_EQ(w[3], "");
  SplitLineIntoWords("a \"b c\" d", w, 1);
  EXPECT_EQ(w[1], "\"b");
  EXPECT_EQ(w[2], "c\"");
  EXPECT_EQ(w[3], "d");
  SplitLineIntoWords("x  y", w, 0);
  EXPECT_EQ(w[1], "");
  EXPECT_EQ(w[2], "y");
  EXPECT_EQ(JoinWordList("one two three four"), "one two, three");
}

TEST(WordSplitTest, MoreThanTwentyWordsOrLongWordsStayInTheList) {
  WordList w;
  std::string line;
  for (int i = 0; i < 30; ++i) line += "w" + std::to_string(i) + " ";
  line += std::string(50, 'L');
  SplitLineIntoWords(line, w, 0);
  EXPECT_EQ(w[19], "w19");
  SplitLineIntoWords(std::string(50, 'L'), w, 0);
  EXPECT_EQ(w[0], std::string(30, 'L'));
}

TEST(TextHelperTest, AlignmentWordsAndFontStyles) {
  struct Case {
    const char* word;
    bool unknown;
    int alignment;
  };
  for (const Case c :
       {Case{"left", false, 1}, Case{"LINKS", false, 1}, Case{"Rechts", false, 2},
        Case{"centered", false, 0}, Case{"ZENTRIERT", false, 0}, Case{"middle", true, 9}}) {
    std::uint8_t a = 9;
    EXPECT_EQ(AlignmentFromWord(c.word, a), c.unknown) << c.word;
    EXPECT_EQ(a, c.alignment) << c.word;
  }
  EXPECT_EQ(ToggleFontStyle(2, 0), 1);
  EXPECT_EQ(ToggleFontStyle(2, 3), 2);
  EXPECT_EQ(ToggleFontStyle(25, 1), 3);
  EXPECT_EQ(ToggleFontStyle(19, 1), 0);
  EXPECT_EQ(ToggleFontStyle(2, 4), 0);
}

TEST(MeasureTest, UnitsInchesAndCentimetres) {
  struct Case {
    const char* text;
    const char* command;
    bool ok;
    int value;
  };
  const Case cases[] = {
      {"2,54", "LM", true, 6},    // 2.54 cm = 1 inch = 6 units
      {"1\"", "LH", true, 48},    // one inch
      {"5", "RM", true, 5},       // the command's own units
      {"  12", "PL", true, 12},   // leading blanks
      {"2.5", "LM", true, 6},     // 5.9 units
      {"0.75\"", "LM", true, 4},  // 4.5 rounds to the even neighbour
      {"0.25\"", "LM", true, 2},  // 1.5 likewise
      {"-3", "LM", true, -3},
      {"abc", "LM", false, 0},
      {"abc", "CN", true, 0},  // always true for CN, P# and LG
      {"x", "P#", true, 0},
      {"1\"2", "LM", false, 0},  // the quote is not last: no number
      {"99999999999", "LM", false, 0},
      {".LM", "LM", false, 0},
  };
  for (const Case& c : cases) {
    std::int32_t v = 77;
    EXPECT_EQ(ParseMeasure(c.text, v, c.command), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  EXPECT_EQ(GetMeasureUnitsPerInch(".PO"), 10);
  EXPECT_EQ(GetMeasureUnitsPerInch("MH"), 48);
  EXPECT_EQ(GetMeasureUnitsPerInch("ZZ"), 0);
}

TEST(FontNumberTest, LettersAndPrefixes) {
  struct Case {
    char letter, prefix;
    int number;
    const char* fontName;
  };
  const Case cases[] = {{'A', ' ', 1, "A"},    {'Z', 0, 26, "Z"},      {'a', ' ', 27, "a"},
                        {'z', ' ', 52, "z"},   {'C', '"', 107, "C\""}, {'H', '"', 112, "H\""},
                        {'a', '\'', 79, "a'"}, {'a', '"', 131, "a\""}, {'a', '&', 183, "a&"},
                        {'z', '&', 208, "z&"}};
  for (const Case& c : cases) {
    EXPECT_EQ(FontCharToNumber(c.letter, c.prefix), c.number) << c.letter << c.prefix;
    EXPECT_EQ(FontNumberToSpec(static_cast<std::uint8_t>(c.number)), c.fontName);
  }
  EXPECT_EQ(FontCharToNumber('1', ' '), 0);
  EXPECT_EQ(FontSpecToNumber(""), 1);
  EXPECT_EQ(FontSpecToNumber("b&"), 28 + 156);
  EXPECT_EQ(FontNumberToSpec(0), "");
  EXPECT_EQ(FontNumberToSpec(209), "");
  for (int n = 1; n <= 208; ++n)
    EXPECT_EQ(FontSpecToNumber(FontNumberToSpec(static_cast<std::uint8_t>(n))), n);
}

// Names from the system are converted once into the Windows character set when they fit it.
TEST(NameFromSystemTest, Utf8ThatFitsTheWindowsSetIsConverted) {
  struct Case {
    std::string given, expected;
  };
  const Case cases[] = {
      {"plain/name.ws", "plain/name.ws"},
      {"/tmp/B\xC3\xBCro/gr\xC3\xBC\xC3\x9F"
       "e.ws",
       "/tmp/B\xFCro/gr\xFC\xDF"
       "e.ws"},
      {"\xE2\x82\xAC.ws", "\x80.ws"},                                // the euro sign is in the set
      {"/tmp/\xD0\x9F\xD0\xB0/a.ws", "/tmp/\xD0\x9F\xD0\xB0/a.ws"},  // Cyrillic is not: kept
      {"gr\xFC\xDF"
       "e.ws",
       "gr\xFC\xDF"
       "e.ws"},  // already in the set
  };
  for (const Case& c : cases) EXPECT_EQ(NameFromSystem(c.given), c.expected) << c.given;
}

// A part from the system in UTF-8 and a part in the Windows set join in the Windows set when
// both fit it, else both in UTF-8; the file layer finds either, the console shows either.
TEST(JoinPathTest, MixedCharacterSetsJoinInUtf8) {
  struct Case {
    std::string directory, name, expected;
  };
  const Case cases[] = {
      {"/tmp/a", "b.ws", "/tmp/a/b.ws"},
      {"/tmp/a/", "b.ws", "/tmp/a/b.ws"},
      {"/tmp/B\xFCro",
       "gr\xFC\xDF"
       "e.ws",
       "/tmp/B\xFCro/gr\xFC\xDF"
       "e.ws"},
      {"/tmp/\xD0\x9F\xD0\xB0",
       "gr\xFC\xDF"
       "e.ws",
       "/tmp/\xD0\x9F\xD0\xB0/gr\xC3\xBC\xC3\x9F"
       "e.ws"},
      {"/tmp/B\xFCro", "\xD0\x9F\xD0\xB0.ws", "/tmp/B\xC3\xBCro/\xD0\x9F\xD0\xB0.ws"},
      {"/tmp/\xD0\x9F\xD0\xB0", "\xD0\x9F.ws", "/tmp/\xD0\x9F\xD0\xB0/\xD0\x9F.ws"},
      // The current folder as the system gives it, with a name from the command line.
      {"/tmp/B\xC3\xBCro",
       "gr\xFC\xDF"
       "e.ws",
       "/tmp/B\xFCro/gr\xFC\xDF"
       "e.ws"},
      {"/tmp/B\xC3\xBCro", "plain.ws", "/tmp/B\xFCro/plain.ws"},
      {"/tmp/B\xC3\xBCro/",
       "gr\xC3\xBC\xC3\x9F"
       "e.ws",
       "/tmp/B\xFCro/gr\xFC\xDF"
       "e.ws"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(JoinPath(c.directory, c.name), c.expected) << c.directory << " + " << c.name;
}

}  // namespace
}  // namespace tavrel
