// Whole draw logs of small formatted files on the recording printer, compared with golden
// logs that were worked out by hand and checked line by line against the layout rules (see the
// README beside them): controls, boxes and pictures; justification with a remainder, fixed
// columns and font slots; two-sided pages with their own offsets, headers and footers, printed
// through page lists with odd/even and inverted selection; the preview of a two-sided spread.
// CORVINA_UPDATE_GOLDEN=1 rewrites them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "formatter/fonts/fonts_ini.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/page_selection.h"
#include "formatter/pages/preview_window.h"
#include "platform/recording_canvas.h"
#include "tests/support/page_test_support.h"

namespace tavrel::page_test {
namespace {

const std::string kData = std::string(CORVINA_SOURCE_DIR) + "/tests/data/formatter_engine/page/";

struct GoldenCase {
  const char* Name;  // test name and golden file stem
  const char* File;
  const char* PageList;  // nullptr: all pages
  bool Odd = true;
  bool Even = true;
  bool Inverted = false;
  std::uint8_t CodePage = 1;  // 1: 850, 0: 437
};

// Test output names the case instead of dumping its bytes.
void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.Name; }

class PageGoldenTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(PageGoldenTest, DrawLogMatchesTheCheckedLog) {
  const GoldenCase& c = GetParam();
  PrinterWorld w;
  w.settings.CodePage = c.CodePage;
  const std::string file = kData + c.File;
  w.ctx.Files.CurrentDocument = file;
  if (c.PageList) {
    ParsePageList(c.PageList, w.ctx.Selection);
    ASSERT_TRUE(w.ctx.Selection.ListValid);
  }
  w.ctx.Selection.OddPages = c.Odd;
  w.ctx.Selection.EvenPages = c.Even;
  w.ctx.Selection.Inverted = c.Inverted;
  RenderFormattedPages(w.ctx, file, false, false);
  EXPECT_EQ(w.ctx.ThreadErrorText, "");
  const std::string log = w.LogWithReportedPages();
  ExpectGoldenLog(std::string(c.Name) + ".log", log);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PageGoldenTest,
    ::testing::Values(GoldenCase{"controls", "controls.fmt", nullptr},
                      GoldenCase{"boxes", "boxes.fmt", nullptr},
                      GoldenCase{"pictures", "pictures.fmt", nullptr},
                      GoldenCase{"landscape_list", "landscape.fmt", "2-5", true, false},
                      GoldenCase{"justify", "justify.fmt", nullptr},
                      GoldenCase{"twosided", "twosided.fmt", nullptr},
                      // Printed page numbers count ("PN 10"): pages 2 and 10 are the even ones.
                      GoldenCase{"twosided_even", "twosided.fmt", "2-10", false, true},
                      GoldenCase{"twosided_inverted", "twosided.fmt", "2-10", true, true, true},
                      // Code page 437: the places that are letters in 850 are box drawings.
                      GoldenCase{"boxes437", "boxes437.fmt", nullptr, true, true, false, 0},
                      GoldenCase{"pictures_more", "pictures_more.fmt", nullptr}),
    [](const auto& info) { return std::string(info.param.Name); });

// The preview of a two-sided document with two columns: going on from the first screen shows
// the spread of pages 2 and 3, the even page on the left, drawn with the preview part of the
// font definitions and the printer's widths, every character at its own place.
TEST(PageGoldenPreview, TwoSidedSpreadPutsTheEvenPageLeft) {
  FontDefinitionTables tables;
  ASSERT_EQ(ParseFontDefinitionText("AUTOITALICBOLD = OFF\r\n"
                                    "Font C = Courier New 12 // Liberation Mono 12\r\n"
                                    "Font H\" = Arial 10 // Arial 8\r\n",
                                    tables),
            "");
  auto record = TestPrinterRecord();
  TSettingsRecord settings = TestSettings();
  // 1992 pixels for two pages of 8.3 inches at 120 dpi: 0.4 pixel a printer dot.
  auto canvas = std::make_unique<platform::RecordingCanvas>(120, 1992, 1404);
  platform::RecordingCanvas* recording = canvas.get();
  HeadlessPreviewWindow window(std::move(canvas), 2, 1);
  RecordingNotifier notifier;
  PreviewControl control;
  int waits = 0;
  control.Idle = [&] {
    if (waits++ > 0) {
      control.Stop = 1;
      return;
    }
    recording->clear_log();  // the golden log is the second screen
    control.GotoPage = 0;
    control.BackFlag = 0;
    control.SameFlag = 0;
    control.RenderRequest = 1;
  };
  PageEngineContext ctx;
  ctx.Settings = &settings;
  ctx.Fonts = {tables.PrinterFonts.get(), tables.PreviewFonts.get(), record.get(),
               &tables.AutoVariant};
  ctx.Notifier = &notifier;
  ctx.Preview = &window;
  ctx.PreviewCtl = &control;
  const std::string file = kData + "twosided.fmt";
  RenderFormattedPages(ctx, file, true, false);
  EXPECT_EQ(ctx.ThreadErrorText, "");
  EXPECT_TRUE(window.TwoSided());
  EXPECT_EQ(control.GetCaption(), "2 to 3 of 5  " + file);
  ExpectGoldenLog("twosided_preview.log", recording->text());
}

}  // namespace
}  // namespace tavrel::page_test
