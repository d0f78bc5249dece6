// Formatted files rendered onto the real canvases: PNG pages from the PNG printer and a
// PostScript file that Ghostscript reads back.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formatter/fonts/printer_measure.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/preview_window.h"
#include "formatter/pages/print_surface.h"
#include "platform/cairo_canvas.h"
#include "platform/fonts.h"
#include "platform/printers.h"
#include "tests/support/formatter_unit_support.h"
#include "tests/support/page_test_support.h"

namespace tavrel::page_test {
namespace {

const std::string kData = std::string(CORVINA_SOURCE_DIR) + "/tests/data/formatter_engine/page/";

// The test fonts with the widths the canvases really draw with.
std::unique_ptr<TPrinterDataRecord> MeasuredRecord() {
  platform::FontMeasurer measurer;
  auto record = TestPrinterRecord();
  for (int n = 1; n <= kFontCount; ++n) {
    const TFontEntry& entry = record->Fonts[n - 1];
    if (entry.FaceName.Empty()) continue;
    const FontWidthsResult widths =
        MeasureFontWidths(measurer, entry, 300, platform::CodePage::cp850);
    std::copy(widths.Widths.begin(), widths.Widths.end(), record->CharWidths[n - 1]);
  }
  return record;
}

class RealPrinterWorld {
 public:
  explicit RealPrinterWorld(const char* printerName)
      : printers(platform::PrinterList::virtual_only()), record(MeasuredRecord()) {
    settings = TestSettings();
    settings.PaperFeedTop = 1;
    printer = &printers.at(static_cast<std::size_t>(printers.index_of(printerName)));
    surface = std::make_unique<PrinterPrintSurface>(*printer);
    ctx.Settings = &settings;
    ctx.Fonts = {record.get(), record.get(), record.get(), &autoVariant};
    ctx.Notifier = &notifier;
    ctx.Printer = surface.get();
    ctx.Print = &print;
  }

  bool PrintFile(const std::string& name, const std::string& output, std::string* error) {
    printer->set_output(output);
    ctx.Files.CurrentDocument = kData + name;
    RenderFormattedPages(ctx, kData + name, false,
                         printer->kind() == platform::PrinterKind::postscript_file);
    return ctx.ThreadErrorText.empty() && printer->end_document(error);
  }

  platform::PrinterList printers;
  platform::Printer* printer = nullptr;
  std::unique_ptr<PrinterPrintSurface> surface;
  TSettingsRecord settings{};
  std::unique_ptr<TPrinterDataRecord> record;
  std::array<std::uint8_t, 208> autoVariant{};
  RecordingNotifier notifier;
  PrintControl print;
  PageEngineContext ctx;
};

using corvina_test::DarkPixels;

TEST(PageOutput, PngPagesShowTheTextWhereTheLayoutPutsIt) {
  unit_test::TempDir dir;
  RealPrinterWorld w(platform::kPngPrinterName);
  std::string error;
  ASSERT_TRUE(w.PrintFile("controls.fmt", dir / "controls", &error))
      << error << w.ctx.ThreadErrorText;
  ASSERT_EQ(w.printer->written_files().size(), 2u);
  const std::string page1 = w.printer->written_files()[0];
  // Paper feed 1 line: the header line at y 100..150, the first text line at 200..250; the
  // gap line between them (below the descenders) and the right half of the first line stay
  // white.
  EXPECT_GT(DarkPixels(page1, 60, 100, 600, 150), 200);
  EXPECT_GT(DarkPixels(page1, 60, 200, 500, 250), 500);
  EXPECT_EQ(DarkPixels(page1, 60, 160, 1260, 198), 0);
  EXPECT_EQ(DarkPixels(page1, 600, 200, 1260, 250), 0);
  // The justified line reaches the margin: its last word ends near 60 + 1200.
  EXPECT_GT(DarkPixels(page1, 1200, 250, 1262, 300), 50);
  EXPECT_EQ(DarkPixels(page1, 1262, 250, 1400, 300), 0);
  if (const char* keep = std::getenv("CORVINA_KEEP_PAGES")) {
    for (const auto& f : w.printer->written_files())
      std::filesystem::copy_file(
          f, std::string(keep) + "/" + std::filesystem::path(f).filename().string(),
          std::filesystem::copy_options::overwrite_existing);
  }
}

TEST(PageOutput, PngPagesOfBoxesAndPictures) {
  unit_test::TempDir dir;
  for (const char* name : {"boxes.fmt", "pictures.fmt"}) {
    RealPrinterWorld w(platform::kPngPrinterName);
    std::string error;
    const std::string out = dir / name;
    ASSERT_TRUE(w.PrintFile(name, out, &error)) << name << ": " << error << w.ctx.ThreadErrorText;
    ASSERT_EQ(w.printer->written_files().size(), 1u) << name;
    const std::string page = w.printer->written_files()[0];
    // Both draw in the first lines of the text area (from y 200).
    EXPECT_GT(DarkPixels(page, 60, 200, 400, 260), 100) << name;
    if (const char* keep = std::getenv("CORVINA_KEEP_PAGES"))
      std::filesystem::copy_file(page, std::string(keep) + "/" + name + ".png",
                                 std::filesystem::copy_options::overwrite_existing);
  }
}

TEST(PageOutput, ThePreviewPaintsASpreadIntoItsWindow) {
  unit_test::TempDir dir;
  auto record = MeasuredRecord();
  TSettingsRecord settings = TestSettings();
  std::array<std::uint8_t, 208> autoVariant{};
  auto canvas = std::make_unique<platform::ImageCanvas>(96, 1000, 700);
  platform::ImageCanvas* image = canvas.get();
  HeadlessPreviewWindow window(std::move(canvas), 2, 1);
  RecordingNotifier notifier;
  PreviewControl control;
  control.Idle = [&] { control.Stop = 1; };
  PageEngineContext ctx;
  ctx.Settings = &settings;
  ctx.Fonts = {record.get(), record.get(), record.get(), &autoVariant};
  ctx.Notifier = &notifier;
  ctx.Preview = &window;
  ctx.PreviewCtl = &control;
  RenderFormattedPages(ctx, kData + "controls.fmt", true, false);
  EXPECT_EQ(ctx.ThreadErrorText, "");
  EXPECT_EQ(control.GetCaption(), "1 to 2 of 2  " + kData + "controls.fmt");
  const std::string png = dir / "preview.png";
  ASSERT_TRUE(image->write_png(png));
  // Both pages have text in their first lines (scale 500 / 2490: the text area from y 47).
  EXPECT_GT(DarkPixels(png, 0, 40, 250, 80), 20);
  EXPECT_GT(DarkPixels(png, 500, 40, 750, 80), 20);
  // The silver grid line between the two pages of a two-sided spread.
  EXPECT_TRUE(window.TwoSided());
  EXPECT_GT(DarkPixels(png, 500, 300, 501, 400, 3 * 255), 90);
  if (const char* keep = std::getenv("CORVINA_KEEP_PAGES"))
    std::filesystem::copy_file(png, std::string(keep) + "/preview.png",
                               std::filesystem::copy_options::overwrite_existing);
}

TEST(PageOutput, GhostscriptReadsThePostScriptBack) {
  unit_test::TempDir dir;
  RealPrinterWorld w(platform::kPostScriptPrinterName);
  std::string error;
  const std::string ps = dir / "controls.ps";
  ASSERT_TRUE(w.PrintFile("controls.fmt", ps, &error)) << error << w.ctx.ThreadErrorText;
  const std::string pages = dir / "page%d.txt";
  const int status = platform::run_program({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER",
                                            "-sDEVICE=txtwrite", "-sOutputFile=" + pages, ps});
  if (status == -1) GTEST_SKIP() << "Ghostscript is not installed";
  ASSERT_EQ(status, 0);
  const std::string text1 = unit_test::ReadAll(dir / "page1.txt");
  const std::string text2 = unit_test::ReadAll(dir / "page2.txt");
  EXPECT_NE(text1.find("Right header"), std::string::npos) << text1;
  EXPECT_NE(text1.find("Plain text line."), std::string::npos) << text1;
  EXPECT_NE(text1.find("bold"), std::string::npos) << text1;
  EXPECT_NE(text2.find("Second page"), std::string::npos) << text2;
  EXPECT_NE(text2.find("- 2 -"), std::string::npos) << text2;
  EXPECT_FALSE(std::filesystem::exists(dir / "page3.txt"));
}

}  // namespace
}  // namespace tavrel::page_test
