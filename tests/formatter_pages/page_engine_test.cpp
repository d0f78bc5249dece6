// The page engine in printer mode on the recording printer. Positions are worked out by
// hand from the test world (page_test_support.h): 300 dpi, scale 1, a line 50 dots, the
// text area from y 150, lines from x 60, right margin 1200 dots, normal font 30 dots a
// character.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "formatter/pages/page_engine.h"
#include "formatter/pages/page_selection.h"
#include "tests/support/formatter_unit_support.h"
#include "tests/support/page_test_support.h"

namespace tavrel::page_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> Texts(const PrinterWorld& w) { return w.Ops("text"); }

// Lines of one page and the default footer (centred page number, y 850).
TEST(PageEngineLayout, PlacesLinesHeadersAndTheDefaultFooter) {
  PrinterWorld w;
  w.Print(".HE Title #\r\nHello world\r\n\r\nlast\r\n");
  EXPECT_THAT(Texts(w), ElementsAre(
                            // MT 3, HM 1: header line 5 ends one line above the text area.
                            "text 60 50 \"Title\"", "text 240 50 \"1\"", "text 60 150 \"Hello\"",
                            "text 240 150 \"world\"",
                            // the empty line still takes its line
                            "text 60 250 \"last\"",
                            // footer: text end 104/48 + FM 1 line; centred in 1200 dots
                            "text 645 850 \"1\""));
  EXPECT_EQ(w.PagesReported(), std::vector<std::int32_t>{1});
}

struct HeaderCase {
  int MT, HM;
  std::vector<std::string> Texts;  // the header lines 1 to 5 are "h1".."h5"
};

// Test output shows the margins instead of dumping the case's bytes.
void PrintTo(const HeaderCase& c, std::ostream* os) { *os << "MT " << c.MT << " HM " << c.HM; }

class HeaderPlacementTest : public ::testing::TestWithParam<HeaderCase> {};

// The header block ends HM lines above the text area (y 50 x MT) and begins no higher than
// the page's top line; what does not fit is dropped from the top of the block.
TEST_P(HeaderPlacementTest, TheBlockEndsHeaderMarginLinesAboveTheText) {
  PrinterWorld w;
  w.settings.PageTemplates[0].MT = static_cast<std::uint8_t>(GetParam().MT);
  w.settings.PageTemplates[0].HM = static_cast<std::uint8_t>(GetParam().HM);
  w.Print(".H1 h1\r\n.H2 h2\r\n.H3 h3\r\n.H4 h4\r\n.HE h5\r\n.OP\r\nx\r\n");
  auto texts = Texts(w);
  texts.pop_back();  // the text line
  EXPECT_EQ(texts, GetParam().Texts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HeaderPlacementTest,
    ::testing::Values(
        // The usual top margin 3 and header margin 2: the last header line on the top line.
        HeaderCase{3, 2, {"text 60 0 \"h5\""}},
        HeaderCase{3, 1, {"text 60 0 \"h4\"", "text 60 50 \"h5\""}},
        HeaderCase{3, 0, {"text 60 0 \"h3\"", "text 60 50 \"h4\"", "text 60 100 \"h5\""}},
        // MT 8, HM 2: one empty line, then all five.
        HeaderCase{8,
                   2,
                   {"text 60 50 \"h1\"", "text 60 100 \"h2\"", "text 60 150 \"h3\"",
                    "text 60 200 \"h4\"", "text 60 250 \"h5\""}},
        HeaderCase{3, 3, {}}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) {
      return "MT" + std::to_string(info.param.MT) + "_HM" + std::to_string(info.param.HM);
    });

TEST(PageEngineLayout, TheEndOfFileMarkIsNoLine) {
  PrinterWorld w;
  std::string file;
  for (int i = 1; i <= 13; ++i) file += "L" + std::to_string(i) + "\r\n";
  w.Print(file + "\x1A");
  EXPECT_EQ(w.surface.Pages(), 1);
  EXPECT_TRUE(w.Ops("text").back() == "text 645 850 \"1\"");
}

TEST(PageEngineLayout, ThirteenLinesFillAPageAndTheFourteenthStartsTheNext) {
  PrinterWorld w;
  std::string file;
  for (int i = 1; i <= 14; ++i) file += "L" + std::to_string(i) + "\r\n";
  w.Print(file);
  EXPECT_EQ(w.surface.Pages(), 2);
  EXPECT_EQ(w.PagesReported(), (std::vector<std::int32_t>{1, 2}));
  const auto texts = Texts(w);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "text 60 750 \"L13\""), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "text 60 150 \"L14\""), texts.end());
}

// Soft-return lines are justified: the blank space is divided among the blanks, the first
// (remainder) blanks take one dot more.
TEST(PageEngineJustification, SpreadsTheRemainderOverTheFirstBlanks) {
  PrinterWorld w;
  // 38 characters of 30 dots and one "k" of 37: 1177 dots; 5 blanks share 23 dots.
  const std::string words[6] = {"kaaaaa", "bbbbbbb", "ccccccc", "ddddddd", "eeeeeee", "fffff"};
  std::string line;
  for (const auto& word : words) line += (line.empty() ? "" : " ") + word;
  w.Print(line + "\x8D\n");
  // Blank advances 5, 5, 5, 4, 4.
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"kaaaaa\"", "text 252 150 \"bbbbbbb\"",
                                    "text 467 150 \"ccccccc\"", "text 682 150 \"ddddddd\"",
                                    "text 896 150 \"eeeeeee\"", "text 1110 150 \"fffff\"",
                                    "text 645 850 \"1\""));
}

TEST(PageEngineJustification, ALineWiderThanTheMarginSqueezesEveryBlankEqually) {
  PrinterWorld w;
  // 41 characters = 1230 dots: -30 over 2 blanks = -15 each, no remainder.
  w.Print(std::string(20, 'a') + " " + std::string(20, 'b') + " c\x8D\n");
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"aaaaaaaaaaaaaaaaaaaa\"",
                                    "text 645 150 \"bbbbbbbbbbbbbbbbbbbb\"", "text 1230 150 \"c\"",
                                    "text 645 850 \"1\""));
}

TEST(PageEngineJustification, ALineWithoutBlanksIsDrawnAsItIs) {
  PrinterWorld w;
  w.Print("abcdef\x8D\n");  // nothing to divide the space among
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"abcdef\"", "text 645 850 \"1\""));
}

TEST(PageEngineJustification, AFontWithoutWidthForXDoesNotDivideByZero) {
  PrinterWorld w;
  w.printer->CharWidths[3 - 1]['x'] = 0;
  // A paragraph's last line longer than the margin: the rule that needs the width of "x"
  // cannot apply, so the line is drawn unjustified.
  w.Print(std::string(30, 'a') + " " + std::string(20, 'b') + "\r\n");
  EXPECT_THAT(Texts(w),
              ElementsAre("text 60 150 \"" + std::string(30, 'a') + "\"",
                          "text 990 150 \"" + std::string(20, 'b') + "\"", "text 645 850 \"1\""));
}

TEST(PageEngineJustification, ALongLastLineOfAParagraphIsJustified) {
  PrinterWorld w;
  // 30 + 11 characters = 1230 dots > 1200 and more than 24 characters.
  w.Print(std::string(30, 'a') + " " + std::string(11, 'b') + "\r\n");
  EXPECT_THAT(Texts(w),
              ElementsAre("text 60 150 \"" + std::string(30, 'a') + "\"",
                          "text 930 150 \"" + std::string(11, 'b') + "\"", "text 645 850 \"1\""));
}

TEST(PageEngineJustification, UnderlinedBlanksAreDrawnThroughTheGap) {
  PrinterWorld w;
  // "a b" soft: 60 dots of text, the blank takes 1140 dots = 38 blanks of 30, at most 21.
  w.Print(
      "\x13"
      "a b\x13\x8D\n");
  const auto texts = Texts(w);
  EXPECT_EQ(std::count_if(texts.begin(), texts.end(),
                          [](const std::string& t) { return t.ends_with("\" \""); }),
            21);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "text 690 150 \" \""), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "text 1230 150 \"b\""), texts.end());
}

// Centring, right alignment and the alternate font.
TEST(PageEngineAlignment, ByteElevenCentresAndByteTwentyOneRightAligns) {
  PrinterWorld w;
  w.Print(
      "\x0B"
      "abc\r\nx\x15"
      "yz\r\n");
  EXPECT_THAT(Texts(w),
              ElementsAre("text 615 150 \"a\"", "text 645 150 \"b\"", "text 675 150 \"c\"",
                          "text 60 200 \"x\"", "text 1200 200 \"y\"", "text 1230 200 \"z\"",
                          "text 645 850 \"1\""));
}

TEST(PageEngineAlignment, CentringModeMovesTheWholeLine) {
  PrinterWorld w;
  w.Print(".OC ON\r\nabcd\r\n.OC OFF\r\nabcd\r\n");
  EXPECT_THAT(Texts(w),
              ElementsAre("text 600 150 \"abcd\"", "text 60 200 \"abcd\"", "text 645 850 \"1\""));
}

TEST(PageEngineAlignment, AMarkedLineIsDrawnInTheAlternateFont) {
  PrinterWorld w;
  w.Print(std::string("\x1D\x12\x01m\x12\x01\x1D", 7) + "Alt\r\nNormal\r\n");
  const auto lines = w.Lines();
  const std::string joined = w.surface.Text();
  EXPECT_THAT(joined, HasSubstr("font \"Arial\" 10 #000000 cp850\ntext 60 150 \"Alt\"\n"));
  EXPECT_THAT(joined, HasSubstr("font \"Courier New\" 12 #000000 cp850\ntext 60 200 \"Normal\"\n"));
}

// One-column bytes keep typewriter columns whatever the font's widths.
TEST(PageEngineColumns, OneColumnBytesHoldFixedColumns) {
  PrinterWorld w;
  // Bold "Name" is 4 x 33 dots; the value still starts at column 4 + 3 = 7 (210 dots).
  w.Print("\x02Name\x02\xA0\xA0\xA0value\r\n   indented\r\n");
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"Name\"", "text 270 150 \"value\"",
                                    "text 150 200 \"indented\"", "text 645 850 \"1\""));
}

// Print controls.
TEST(PageEnginePrintControls, BoldTwiceReturnsToNormalAndBoldItalicUsesSlotThree) {
  PrinterWorld w;
  w.Print(
      "\x02"
      "a\x02"
      "b\x02\x19"
      "c\x19\x02"
      "d\r\n");
  EXPECT_EQ(w.surface.Text(),
            "page 2481 3507\n"
            "font \"Courier New\" 12 bold #000000 cp850\ntext 60 150 \"a\"\n"
            "font \"Courier New\" 12 #000000 cp850\ntext 93 150 \"b\"\n"
            "font \"Courier New\" 12 bold italic #000000 cp850\ntext 123 150 \"c\"\n"
            "font \"Courier New\" 12 #000000 cp850\ntext 159 150 \"d\"\n"
            "text 645 850 \"1\"\n");
}

TEST(PageEnginePrintControls, SuperscriptReturnsTheBaselineExactly) {
  PrinterWorld w;
  w.Print(
      "a\x14"
      "2\x14"
      "b\x16"
      "i\x16"
      "c\r\n");
  // SR 3/48 inch = 18.75 dots: up to 131.25 (drawn at 131), back to 150; down to 168.75.
  EXPECT_THAT(Texts(w),
              ElementsAre("text 60 150 \"a\"", "text 90 131 \"2\"", "text 120 150 \"b\"",
                          "text 150 169 \"i\"", "text 180 150 \"c\"", "text 645 850 \"1\""));
}

TEST(PageEnginePrintControls, MarkerCharactersAndTheirColonAndSemicolonAreRemoved) {
  PrinterWorld w;
  w.Print(".IC @\r\nsee @:word; here\r\n");
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"see\"", "text 180 150 \"word\"",
                                    "text 330 150 \"here\"", "text 645 850 \"1\""));
}

// Dot commands at output time.
TEST(PageEngineDotCommands, PageAtTheTopOfAPageStartsNoEmptyPage) {
  PrinterWorld w;
  w.Print(".PA\r\none\r\n.PA\r\n.PA\r\ntwo\r\n");
  EXPECT_EQ(w.PagesReported(), (std::vector<std::int32_t>{1, 2}));
}

struct ConditionalPageCase {
  int LinesBefore;
  int Need;
  bool NewPage;
};

void PrintTo(const ConditionalPageCase& c, std::ostream* os) {
  *os << c.LinesBefore << " lines, .CP" << c.Need;
}

class ConditionalPageTest : public ::testing::TestWithParam<ConditionalPageCase> {};

TEST_P(ConditionalPageTest, StartsANewPageOnlyWhenTheLinesDoNotFit) {
  PrinterWorld w;
  std::string file;
  for (int i = 0; i < GetParam().LinesBefore; ++i) file += "x\r\n";
  file += ".CP" + std::to_string(GetParam().Need) + "\r\nnext\r\n";
  w.Print(file);
  EXPECT_EQ(w.surface.Pages(), GetParam().NewPage ? 2 : 1);
}

// 13 lines a page: after 11 lines two are left, after 10 three.
INSTANTIATE_TEST_SUITE_P(Cases, ConditionalPageTest,
                         ::testing::Values(ConditionalPageCase{11, 3, true},
                                           ConditionalPageCase{10, 3, false},
                                           ConditionalPageCase{11, 2, false},
                                           ConditionalPageCase{0, 99, false}),
                         [](const ::testing::TestParamInfo<ConditionalPageCase>& info) {
                           return "after" + std::to_string(info.param.LinesBefore) + "_need" +
                                  std::to_string(info.param.Need);
                         });

TEST(PageEngineDotCommands, PageNumberChangesTheNumberAsPrinted) {
  PrinterWorld w;
  w.Print(".PN7\r\n.FO Page #\r\nx\r\n");
  EXPECT_EQ(w.PagesReported(), std::vector<std::int32_t>{7});
  EXPECT_THAT(Texts(w),
              ElementsAre("text 60 150 \"x\"", "text 60 850 \"Page\"", "text 210 850 \"7\""));
}

TEST(PageEngineDotCommands, HeadersAndFootersFollowThePageParity) {
  PrinterWorld w;
  w.Print(".HEL Left #\r\n.HER Right #\r\n.OP\r\nx\r\n.PA\r\ny\r\n");
  const auto texts = Texts(w);
  EXPECT_THAT(texts, ElementsAre("text 60 50 \"Right\"", "text 240 50 \"1\"", "text 60 150 \"x\"",
                                 "text 60 50 \"Left\"", "text 210 50 \"2\"", "text 60 150 \"y\""));
}

TEST(PageEngineDotCommands, PageOffsetWithALetterSetsOneParityOnly) {
  PrinterWorld w;
  w.Print(".POL10\r\n.OP\r\nodd\r\n.PA\r\neven\r\n");
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"odd\"", "text 300 150 \"even\""));
}

TEST(PageEngineDotCommands, AuthorWithoutArgumentTakesTheNextLine) {
  PrinterWorld w;
  w.Print(".AU\r\nAnna Author\r\n.TI The Title\r\n.OP\r\nbody\r\n");
  EXPECT_EQ(w.ctx.PdfAuthor, "Anna Author");
  EXPECT_EQ(w.ctx.PdfTitle, "The Title");
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"body\""));
}

TEST(PageEngineDotCommands, JustificationSwitches) {
  PrinterWorld w;
  // BL OFF, then BL followed by a number (no such numeric command: no change), then UJ 1.
  w.Print(".BL OFF\r\na b\x8D\n.BL 1\r\na b\x8D\n.UJ 1\r\na b\x8D\n");
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"a\"", "text 120 150 \"b\"", "text 60 200 \"a\"",
                                    "text 120 200 \"b\"", "text 60 250 \"a\"",
                                    "text 1230 250 \"b\"", "text 645 850 \"1\""));
}

TEST(PageEngineDotCommands, ASourceDocumentIsNotJustified) {
  PrinterWorld w;
  w.Print("a b\x8D\n", "chapter.ws");
  EXPECT_THAT(Texts(w),
              ElementsAre("text 60 150 \"a\"", "text 120 150 \"b\"", "text 645 850 \"1\""));
}

TEST(PageEngineDotCommands, DotColonLinesAreText) {
  PrinterWorld w;
  w.Print(".:.PA is text\r\n");
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \".PA\"", "text 180 150 \"is\"",
                                    "text 270 150 \"text\"", "text 645 850 \"1\""));
}

TEST(PageEngineDotCommands, PageNumberColumnMovesTheDefaultFooter) {
  PrinterWorld w;
  w.Print(".PC10\r\nx\r\n");
  // Nine blanks, then the number in column 10.
  EXPECT_THAT(Texts(w), ElementsAre("text 60 150 \"x\"", "text 330 850 \"1\""));
}

TEST(PageEngineDotCommands, SetFontTakesTheAutomaticVariantsOnlyWhenTheFontHasThem) {
  PrinterWorld w;
  w.Print(
      ".OP\r\n.SFH\r\n\x02"
      "b\x02\r\n");
  // H has no automatic variants: bold still uses the slot of C's bold variant.
  EXPECT_THAT(w.surface.Text(),
              HasSubstr("font \"Courier New\" 12 bold #000000 cp850\ntext 60 150 \"b\""));

  PrinterWorld v;
  v.autoVariant[8 - 1] = 1;
  v.printer->Fonts[112 - 1].FaceName.Assign("Arial Bold");
  v.Print(
      ".OP\r\n.SFH\r\n\x02"
      "b\x02\r\n");
  EXPECT_THAT(v.surface.Text(),
              HasSubstr("font \"Arial\" 10 bold #000000 cp850\ntext 60 150 \"b\""));
}

TEST(PageEngineDotCommands, SaveAndRestoreFontSlots) {
  PrinterWorld w;
  w.Print(
      ".OP\r\n.S: FONT\r\n.SB H\"\r\n\x02"
      "a\x02\r\n.R: FONT\r\n\x02"
      "b\x02\r\n");
  const std::string log = w.surface.Text();
  EXPECT_THAT(log, HasSubstr("font \"Arial\" 10 #000000 cp850\ntext 60 150 \"a\""));
  EXPECT_THAT(log, HasSubstr("font \"Courier New\" 12 bold #000000 cp850\ntext 60 200 \"b\""));
}

TEST(PageEngineDotCommands, AttributesCarryOverPagesThatAreNotPrinted) {
  PrinterWorld w;
  ParsePageList("2", w.ctx.Selection);
  w.Print(
      ".OP\r\n\x02"
      "one\r\n.PA\r\ntwo\r\n");
  EXPECT_EQ(w.surface.Text(),
            "page 2481 3507\nfont \"Courier New\" 12 bold #000000 cp850\ntext 60 150 \"two\"\n");
}

// Errors.
TEST(PageEngineErrors, AWrongNumberStopsTheRunWithItsMessage) {
  PrinterWorld w;
  w.Print("before\r\n.MT3-4\r\nafter\r\n");
  EXPECT_EQ(w.ctx.ThreadErrorText, "Fehler beim Punktbefehl .MT3-4 Zahl stimmt nicht  ");
  EXPECT_THAT(w.notifier.WithCode(MN_PRINT_DONE),
              ElementsAre(RecordingNotifier::Entry{true, MN_PRINT_DONE, 2}));
  EXPECT_EQ(w.print.Abort.load(), 1);
  const auto texts = Texts(w);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "text 60 200 \"after\""), 0);
}

TEST(PageEngineErrors, GraphicsResolutionZeroIsAWrongNumber) {
  PrinterWorld w;
  w.Print(".GS0\r\nx\r\n");
  EXPECT_EQ(w.ctx.ThreadErrorText, "Fehler beim Punktbefehl .GS0 Zahl stimmt nicht  ");
  EXPECT_EQ(w.surface.Pages(), 0);
}

TEST(PageEngineErrors, AHeaderTextThatLooksLikeABadNumberIsStillAHeader) {
  PrinterWorld w;
  w.Print(".HE 2024-01 Report\r\nx\r\n");
  EXPECT_TRUE(w.ctx.ThreadErrorText.empty());
  EXPECT_THAT(Texts(w), ::testing::Contains("text 60 50 \"2024-01\""));
}

TEST(PageEngineErrors, ATruncatedPictureDrawsNothing) {
  PrinterWorld w;
  unit_test::TempDir dir;
  const std::string gif = unit_test::ReadAll(std::string(CORVINA_SOURCE_DIR) +
                                             "/tests/data/formatter_engine/page/picture.gif");
  unit_test::WriteAll(dir / "cut.gif", gif.substr(0, gif.size() / 2));
  w.ctx.Files.CurrentDocument = dir / "doc.fmt";
  w.Print(".GR@ cut.gif\r\n.BM cut.gif LEFT\r\na@b\r\n.BM cut.gif LEFT\r\n");
  EXPECT_TRUE(w.ctx.ThreadErrorText.empty());
  EXPECT_TRUE(w.Ops("picture").empty());
  EXPECT_THAT(Texts(w),
              ElementsAre("text 60 150 \"a\"", "text 90 150 \"b\"", "text 645 850 \"1\""));
}

TEST(PageEngineErrors, AGraphicsCharacterWithoutItsPictureDrawsNothing) {
  PrinterWorld w;
  w.Print(".GR# missing.bmp\r\na#b\r\n");
  EXPECT_TRUE(w.ctx.ThreadErrorText.empty());
  EXPECT_THAT(Texts(w),
              ElementsAre("text 60 150 \"a\"", "text 90 150 \"b\"", "text 645 850 \"1\""));
}

TEST(PageEngineErrors, AMissingFileReportsErrorThreeAndDrawsNothing) {
  PrinterWorld w;
  unit_test::TempDir dir;
  RenderFormattedPages(w.ctx, dir / "absent.fmt", false, false);
  EXPECT_EQ(w.ctx.ThreadErrorText, "Error 3: File " + (dir / "absent.fmt") + " not found");
  EXPECT_EQ(w.surface.Pages(), 0);
  EXPECT_TRUE(w.notifier.WithCode(MN_PRINT_PAGE_DONE).empty());
}

TEST(PageEngineErrors, AResolutionOfZeroStopsInsteadOfDividing) {
  PrinterWorld w;
  w.printer->PrinterDpi = 0;
  w.Print("x\r\n");
  EXPECT_EQ(w.ctx.ThreadErrorText, "Fatal Error: querying printer resolution failed");
  EXPECT_EQ(w.surface.Pages(), 0);
}

TEST(PageEngineErrors, MoreThanTwentyGraphicsCharactersStopClearly) {
  PrinterWorld w;
  std::string file;
  for (char c = 'A'; c <= 'U'; ++c) file += std::string(".GR") + c + " pic.bmp\r\n";
  w.Print(file + "x\r\n");
  EXPECT_EQ(w.ctx.ThreadErrorText,
            "Zu viele Grafikbuchstaben (h\x94"
            "chstens 20): U");
}

// The file cache and stop requests.
TEST(PageEngineRun, TheCacheKeepsTheFileUntilItsDateChanges) {
  PrinterWorld w;
  unit_test::TempDir dir;
  const std::string name = dir / "doc.fmt";
  unit_test::WriteAll(name, "one\r\n");
  RenderFormattedPages(w.ctx, name, false, false);
  EXPECT_FALSE(FormattedFileDateChanged(w.cache, name));
  EXPECT_EQ(w.cache.Slots[0].FileName, name);
  SetFileDate(name, *GetFileDate(name) + 10);
  EXPECT_TRUE(FormattedFileDateChanged(w.cache, name));
  FreeFormattedFileBuffers(w.cache);
  EXPECT_TRUE(w.cache.Slots[0].Buffer.empty());
}

TEST(PageEngineRun, AStopPrintingRequestEndsAfterTheCurrentPage) {
  PrinterWorld w;
  std::string file;
  for (int i = 0; i < 40; ++i) file += "x\r\n";
  // The request is cleared when a run starts; the user presses the button during page 1.
  struct Stopper : MainNotifier {
    PrintControl* print;
    void Send(std::int32_t, std::int32_t) override {}
    void Post(std::int32_t code, std::int32_t) override {
      if (code == MN_PRINT_PAGE_DONE) print->StopPrinting = 1;
    }
  } stopper;
  stopper.print = &w.print;
  w.ctx.Notifier = &stopper;
  w.Print(file);
  EXPECT_EQ(w.surface.Pages(), 1);
  EXPECT_EQ(w.print.Abort.load(), 1);
}

}  // namespace
}  // namespace tavrel::page_test
