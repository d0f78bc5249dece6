#include "compiler/reverse/from_rtf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "tests/compiler_reverse/reverse_test_support.h"
#include "tests/support/test_support.h"

namespace skeldon {
namespace {

class FromRtfTest : public ::testing::Test {
 protected:
  TRtfConversionResult Convert(const std::string& rtf, const TRtfConversionSettings& settings) {
    sink = RecordingSink();
    return ConvertRtfBytes(rtf, dir / "help.rtf", settings, sink);
  }
  TRtfConversionResult Help(const std::string& rtf) {
    return Convert(rtf, SkeldonSettings(dir.Path()));
  }
  TRtfConversionResult Text(const std::string& rtf, bool iso = false) {
    TRtfConversionSettings s = SkeldonSettings(dir.Path(), true);
    s.IsoSourceCodePage = iso;
    return Convert(rtf, s);
  }

  corvina_test::TempDir dir{"corvina-reverse"};
  RecordingSink sink;
};

// A help file with a title, a context string, keywords, bold text and a popup link; every byte
// of the expected text was checked by hand against the rules of the conversion.
TEST_F(FromRtfTest, HelpTopicWithPopupGivesTheSourceAndThePopupFile) {
  const std::string rtf =
      "{\\rtf1\\ansi {\\fonttbl{\\f0 Arial;}}\r\n"
      "#{\\footnote # TOPIC1}\r\n"
      "${\\footnote Intro \\'e4}\r\n"
      "K{\\footnote alpha;beta}\r\n"
      "\\pard Hello {\\b bold} text {\\ul Hot}{\\v POP1} end.\\par\r\n"
      "\\page\r\n"
      "#{\\footnote # POP1}\r\n"
      "Popup text here.\\par\r\n"
      "\\page\r\n"
      "}\r\n";
  const TRtfConversionResult r = Help(rtf);
  ASSERT_TRUE(r.Succeeded) << sink.All();
  EXPECT_EQ(Shown(r.Output), Shown(".TI\r\ntitle of hypertext\r\n.fu{}\r\n"
                                   "\r\n\r\n.1\r\nIntro \x84\r\n\r\n\r\n\r\n\r\n"
                                   ".IN alpha\r\n.IN beta\r\n"
                                   "Hello !bold! text `Hot`{Popup text here.\r\n} end.\r\n"));
  EXPECT_EQ(Shown(corvina_test::ReadFile(dir / "SKPOPUP.TXT")),
            Shown("\r\n\r\n\r\nfootnote POP1\r\n\r\nPopup text here.\r\n"));
  EXPECT_TRUE(sink.Has("File " + (dir / "help.CNT") + " not found. All headings"));
}

TEST_F(FromRtfTest, PopupLineEndsAreInsertedOnceAndUnknownTargetsNamed) {
  const std::string rtf =
      "{\\rtf1 #{\\footnote # T}${\\footnote Topic}See {\\ul one}{\\v P1} and {\\ul two}{\\v "
      "NOPE}.\\par\\page\n"
      "#{\\footnote # P1}First line\\par Second line\\page\n}";
  const TRtfConversionResult r = Help(rtf);
  ASSERT_TRUE(r.Succeeded) << sink.All();
  EXPECT_NE(r.Output.find("`one`{First line\r\nSecond line}"), std::string::npos)
      << Shown(r.Output);
  EXPECT_EQ(r.Output.find("\n\n"), std::string::npos) << Shown(r.Output);
  EXPECT_TRUE(
      sink.Has("Link FOOTNOTE \"NOPE\" target not found; available targets see "
               "SKPOPUP.TXT"))
      << sink.All();
}

TEST_F(FromRtfTest, HeadingLevelsOfOrdinaryRtf) {
  const struct {
    const char* body;
    const char* expected;
  } cases[] = {
      {"\\pard\\ilvl0 Intro\\par", "\r\n.1\r\nIntro\r\n"},
      {"\\pard\\ilvl12 Deeper\\par", "\r\n.2\r\nDeeper\r\n"},
      {"\\pard\\outlinelevel2 Third\\par", "\r\n.3\r\nThird\r\n"},
      // A second level mark in the same paragraph writes nothing.
      {"\\pard\\ilvl0\\outlinelevel3 Once\\par", "\r\n.1\r\nOnce\r\n"},
      {"\\pard{\\pntext 1.2.\\tab}Numbered\\par", ".2\r\nNumbered\r\n"},
      {"\\pard{\\pntext 4.\\tab}Single\\par", ".1\r\nSingle\r\n"},
      {"\\pard{\\pntext 1.2.3\\tab}Three\\par", ".3\r\nThree\r\n"},
  };
  for (const auto& c : cases) {
    const TRtfConversionResult r = Text(std::string("{\\rtf1 ") + c.body + "}");
    ASSERT_TRUE(r.Succeeded) << c.body << sink.All();
    EXPECT_EQ(Shown(r.Output), Shown(std::string(".TI\r\n\r\n") + c.expected)) << c.body;
    EXPECT_FALSE(sink.Has("has no headings")) << c.body;
  }
  ASSERT_TRUE(Text("{\\rtf1 \\pard plain\\par}").Succeeded);
  EXPECT_TRUE(sink.Has("The text has no headings, but they are obligated in Skeldon."));
}

TEST_F(FromRtfTest, EscapesAndPictures) {
  const struct {
    const char* body;
    bool iso;
    const char* expected;
  } cases[] = {
      {"x\\'e4y", false, "x\x84y"},  // code page 850
      {"x\\'e4y", true, "x\xE4y"},   // Windows-1252 as it stands
      {"x\\'zzy", false, "x?y"},
      {"x\\'4ay", false, "xJy"},
      {"\\{bml logo.bmp\\}", false, "\r\n.BM LOGO\r\n"},
      {"\\{bmr Wide.BMP\\}", false, "\r\n.BM WIDE\r\n"},
      // Escaped braces open no group: the text after them is still in the outer group.
      {"{\\b a}\\{bml p.bmp\\}{\\b b}", false, "!a!\r\n.BM P\r\n!b!"},
      {"{\\b}x", false, "x"},
      // No toggle stays open across a line end.
      {"{\\b one\\par two}", false, "!one!\r\n!two!"},
      {"{\\b\\i one\\par}x", false, "!_one_!\r\nx"},
      // Text of other writers: Unicode with its stand-in, control symbols, a backslash.
      {"\\uc1\\u228?x\\u8364\\'80y", false, "\x84x?y"},
      {"\\u228\\'e4", true, "\xE4"},
      {"\\uc2\\u228\r\n??x", false, "\x84x"},
      {"a\\~b\\-c\\_d\\\\e", false, "a bc-d\\e"},
      {"{\\*\\generator Writer 1.0;}{\\header Page\\par}x", false, "x"},
      {"{\\stylesheet{\\s1\\outlinelevel0 Heading 1;}}x", false, "x"},
      {"{\\b bold\\plain plain}", false, "!bold!plain"},
      {"a\\tab b\\par\\tab c", false, "a\r\n    b\r\n    c"},
      {"{\\footnote note}", false, "{note}"},
      // Cells stand in columns, three blanks apart; no empty row before the table's end.
      {"\\trowd\\cellx100\\cellx200 a\\cell bbb\\cell\\row ccc\\cell d\\cell\\row\\pard x", false,
       "\r\n.TA Table\r\na     bbb\r\nccc   d\r\n.TA\r\nx"},
  };
  for (const auto& c : cases) {
    const TRtfConversionResult r = Text(std::string("{\\rtf1 ") + c.body + "}", c.iso);
    ASSERT_TRUE(r.Succeeded) << c.body << sink.All();
    // The text ends the output; header, marker and picture lines stand before it.
    const std::string expected = c.expected;
    ASSERT_GE(r.Output.size(), expected.size()) << c.body;
    EXPECT_EQ(Shown(r.Output.substr(r.Output.size() - expected.size())), Shown(expected)) << c.body;
  }
}

TEST_F(FromRtfTest, LineFeedEndsAControlWordWithoutBeingLost) {
  const TRtfConversionResult r = Text("{\\rtf1\n\\pard one\\par\ntwo\\par\n\\b bold\\b0\n}");
  ASSERT_TRUE(r.Succeeded) << sink.All();
  EXPECT_EQ(Shown(r.Output), Shown(".TI\r\n\r\none\r\ntwo\r\n!bold!"));
}

TEST_F(FromRtfTest, TwentyThousandCharactersBeforeTheTitleAreTheLimit) {
  for (const std::size_t n : {std::size_t{20000}, std::size_t{20001}}) {
    const std::string rtf =
        "{\\rtf1 " + std::string(n, 'x') + "${\\footnote Title}Body\\par\\page}";
    const TRtfConversionResult r = Help(rtf);
    EXPECT_EQ(r.Succeeded, n == 20000) << n;
    EXPECT_EQ(sink.Has("Error: This is not a correct RTF help format"), n > 20000) << n;
    // The buffered text follows its title whole.
    if (r.Succeeded) {
      const std::string body = r.Output.substr(r.Output.find("Title"));
      EXPECT_EQ(std::count(body.begin(), body.end(), 'x'), 20000);
    }
    if (!r.Succeeded) {
      EXPECT_EQ(r.StopCode, 31);
    }
  }
}

TEST_F(FromRtfTest, OrdinaryRtfWithoutTheSwitchIsRefused) {
  const TRtfConversionResult r = Help("{\\rtf1 Just a letter.\\par}");
  EXPECT_FALSE(r.Succeeded);
  EXPECT_TRUE(sink.Has("This is not a correct RTF help format"));
  EXPECT_TRUE(sink.Has("Also try the /istext parameter please"));
}

TEST_F(FromRtfTest, ContentsFileGivesLevelsAndTitle) {
  corvina_test::WriteFile(dir / "help.CNT",
                          ":Base help.hlp\r\n:Title My Help\r\n1 Book\r\n2 Intro=TOPIC1\r\n"
                          "3 Deep=D>main\r\n12 Ignored=X\r\n");
  const TRtfConversionResult r = Help(
      "{\\rtf1 ${\\footnote Intro}a\\page ${\\footnote Deep}b\\page ${\\footnote Lost}c\\page "
      "${\\footnote Gone}d\\page}");
  ASSERT_TRUE(r.Succeeded) << sink.All();
  EXPECT_EQ(r.Output.substr(0, 15), ".TI\r\nMy Help\r\n\r");
  EXPECT_NE(r.Output.find(".2\r\nIntro\r\n"), std::string::npos) << Shown(r.Output);
  EXPECT_NE(r.Output.find(".3\r\nDeep\r\n"), std::string::npos) << Shown(r.Output);
  EXPECT_NE(r.Output.find(".?\r\nLost\r\n"), std::string::npos) << Shown(r.Output);
  EXPECT_NE(r.Output.find(".?\r\nGone\r\n"), std::string::npos) << Shown(r.Output);
  EXPECT_EQ(sink.CountOf("Headings not found in CNT file:   "), 1) << sink.All();
  EXPECT_TRUE(sink.Has("Headings not found in CNT file:   Lost"));
  EXPECT_TRUE(sink.Has("Please search .? in the generated text."));
}

TEST_F(FromRtfTest, FootnoteMarkersAvoidCharactersOfTheText) {
  const char* plainToggles = "~_!`%&@*#=+$";
  const struct {
    const char* text;
    const char* toggles;
    char fuBegin, fuEnd;
    const char* line;
  } cases[] = {
      {"plain", plainToggles, 0, 0, ".fu[]\r\n"},
      {"a [b", plainToggles, 0, 0, ".fu{}\r\n"},
      {"[]<>\\'7b\\'7d", plainToggles, 0, 0,
       "..footnote chars: Alt-220, Alt-223\r\n.fu\xDC\xDF\r\n"},
      // The sample ini's toggles hold "[" "]" "<" ">": a marker must not be a toggle.
      {"plain", kSampleToggles, 0, 0, ".fu{}\r\n"},
      {"[x]", plainToggles, '[', ']', ".fu[]\r\n"},
  };
  for (const auto& c : cases) {
    TRtfConversionSettings s = SkeldonSettings(dir.Path(), true);
    s.ToggleChars = c.toggles;
    s.FootnoteBeginSwitch = c.fuBegin;
    s.FootnoteEndSwitch = c.fuEnd;
    const TRtfConversionResult r =
        Convert(std::string("{\\rtf1 \\ilvl0 H\\par ") + c.text + "{\\footnote n}}", s);
    ASSERT_TRUE(r.Succeeded) << c.text << sink.All();
    EXPECT_EQ(Shown(r.Output.substr(7, std::string(c.line).size())), Shown(c.line)) << c.text;
  }
  // Without in-line footnotes or popups there is no marker line.
  const TRtfConversionResult none = Text("{\\rtf1 \\ilvl0 H\\par text}");
  EXPECT_EQ(none.Output.find(".fu"), std::string::npos);
}

std::string PictureRtf(const std::string& text, int count) {
  std::string rtf = "{\\rtf1 \\ilvl0 H\\par " + text;
  for (int k = 0; k < count; ++k) rtf += "\\{bmc p" + std::to_string(k) + ".bmp\\}";
  return rtf + "}";
}

std::set<unsigned> PictureCodes(const std::string& output) {
  std::set<unsigned> codes;
  for (std::size_t at = output.find(".BT"); at != std::string::npos;
       at = output.find(".BT", at + 1))
    codes.insert(static_cast<unsigned char>(output[at + 3]));
  return codes;
}

// The codes 0xA1..0xFE serve 94 pictures; the 95th gets none and a message.
TEST_F(FromRtfTest, NinetyFourPicturesGetCodesTheNinetyFifthNot) {
  for (const int count : {1, 94, 95}) {
    const TRtfConversionResult r = Text(PictureRtf("", count));
    ASSERT_TRUE(r.Succeeded) << sink.All();
    const std::set<unsigned> codes = PictureCodes(r.Output);
    EXPECT_EQ(sink.Has("The \\BMC graphics files are not converted all. There are too much of "
                       "them."),
              count == 95)
        << count;
    EXPECT_EQ(codes.size(), static_cast<std::size_t>(count == 95 ? 94 : count));
    EXPECT_EQ(*codes.begin(), 0xA1u);
    if (count == 1) {
      EXPECT_NE(r.Output.find("..\xA1 = Alt-161\r\n.BT\xA1 P0\r\n"), std::string::npos)
          << Shown(r.Output);
    }
  }
}

// A picture never takes the code of a toggle, a footnote marker, a character of the text or an
// extended letter: each would be read as that instead.
TEST_F(FromRtfTest, PictureCodesAvoidEveryCharacterInUse) {
  for (const int count : {3, 40}) {
    TRtfConversionSettings s = SkeldonSettings(dir.Path(), true);
    s.ToggleChars = "~_!`%&@[]<>\xA1";
    s.ExtendedLetters = "\xA3";
    // \'a4 is the 850 code 0xCF in the text; braces are used and the other pairs are toggles,
    // so the footnote markers fall back to 0xDC 0xDF.
    const TRtfConversionResult r = Convert(PictureRtf("\\'7b\\'7d\\'a4{\\footnote n}", count), s);
    ASSERT_TRUE(r.Succeeded) << sink.All();
    EXPECT_NE(r.Output.find(".fu\xDC\xDF"), std::string::npos) << Shown(r.Output);
    const std::set<unsigned> codes = PictureCodes(r.Output);
    EXPECT_EQ(codes.size(), static_cast<std::size_t>(count));
    for (unsigned code : {0xA1u, 0xA3u, 0xCFu, 0xDCu, 0xDFu})
      EXPECT_EQ(codes.count(code), 0u) << "code " << code << " with " << count;
    if (count == 3) {
      EXPECT_EQ(codes, (std::set<unsigned>{0xA2, 0xA4, 0xA5}));
    }
  }
}

TEST_F(FromRtfTest, BadInputIsRefusedWithAMessage) {
  const struct {
    std::string rtf;
    const char* message;
  } cases[] = {
      {"{\\rtf1 " + std::string(30, '{') + "x" + std::string(30, '}') + "}",
       "nested deeper than 25"},
      {"{\\rtf1 \\ilvl0 a}}", "A } without its {."},
      {"{\\rtf1 \\" + std::string(300, 'a') + " x}", "longer than 255 characters"},
      {"{\\rtf1 \\ilvl0 a\\'", "ends inside a \\' escape"},
      {"{\\rtf1 \\ilvl0 a", "ends inside an open group"},
      {"Hello, this is plain text.", "does not begin with {\\rtf"},
      {std::string("{\\rtf1 \x7F\0\x01\x02}", 12), "contains null bytes"},
  };
  for (const auto& c : cases) {
    const TRtfConversionResult r = Text(c.rtf);
    EXPECT_FALSE(r.Succeeded) << c.message;
    EXPECT_EQ(r.StopCode, 31) << c.message;
    EXPECT_TRUE(sink.Has(c.message)) << c.message << "\n" << sink.All();
  }
  RecordingSink missing;
  const TRtfConversionResult r =
      ConvertRtfHelpToSource(dir / "gone.rtf", SkeldonSettings(dir.Path()), missing);
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.StopCode, 11);
  EXPECT_TRUE(missing.Has("RTF file not found."));
}

TEST_F(FromRtfTest, ContextStringsWithIsProgAndKeywordLines) {
  TRtfConversionSettings s = SkeldonSettings(dir.Path());
  s.IsProg = true;
  const TRtfConversionResult r =
      Convert("{\\rtf1 #{\\footnote # ctx }${\\footnote T}K{\\footnote K alpha; beta}x\\page}", s);
  ASSERT_TRUE(r.Succeeded) << sink.All();
  EXPECT_NE(r.Output.find(".1\r\nT\r\n\r\n.ID ctx\r\n"), std::string::npos) << Shown(r.Output);
  EXPECT_NE(r.Output.find(".IN alpha\r\n.IN beta\r\n"), std::string::npos) << Shown(r.Output);
  const TRtfConversionResult plain = Help("{\\rtf1 #{\\footnote # ctx }${\\footnote T}x\\page}");
  EXPECT_EQ(plain.Output.find(".ID"), std::string::npos);
}

// A stop asked for while the input is read (the user, or too many errors) ends the conversion as
// failed, with nothing written.
TEST_F(FromRtfTest, StopRequestEndsTheConversion) {
  struct StoppingSink : RecordingSink {
    bool StopRequested() override { return ++polls > 2; }
    int polls = 0;
  } stopping;
  const std::string rtf = "{\\rtf1 \\ilvl0 H\\par " + std::string(10000, 'x') + "}";
  const TRtfConversionResult r =
      ConvertRtfBytes(rtf, dir / "help.rtf", SkeldonSettings(dir.Path(), true), stopping);
  EXPECT_FALSE(r.Succeeded);
  EXPECT_EQ(r.StopCode, 98);
  EXPECT_TRUE(r.Output.empty());
  EXPECT_EQ(stopping.polls, 3);
}

TEST_F(FromRtfTest, TextServices) {
  EXPECT_EQ(StripDirectory("C:\\HELP\\MY.RTF"), "MY.RTF");
  EXPECT_EQ(StripDirectory("MY.RTF"), "MY.RTF");
  EXPECT_EQ(WithFileExtension("dir.v2/help.rtf", "CNT"), "dir.v2/help.CNT");
  EXPECT_EQ(WithFileExtension("dir.v2/help", "CNT"), "dir.v2/help.CNT");
  EXPECT_EQ(HexDigitValue('A'), 10);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_GT(HexDigitValue(' '), 15);
}

}  // namespace
}  // namespace skeldon
