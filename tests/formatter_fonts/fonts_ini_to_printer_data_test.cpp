// "Fonts.ini" to the printer data: one file gives the printer and the preview font tables
// (colours, width corrections, the "//" preview part, automatic italic and bold variants);
// preparing a printer fills its data file in the record layout, measures the styled variants
// with their styled faces, re-measures only the entries whose line changed, and the widths are
// the ones the printing canvases draw with.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/fonts_ini.h"
#include "formatter/fonts/printer_measure.h"
#include "platform/cairo_canvas.h"
#include "platform/postscript_canvas.h"
#include "tests/support/formatter_unit_support.h"
#include "tests/support/prepare_world.h"

namespace tavrel {
namespace {

using unit_test::At;
using unit_test::Expected;
using unit_test::ReadAll;
using unit_test::RecordingProgress;
using unit_test::TempDir;
using unit_test::WriteAll;

std::size_t EntryOffset(int font) { return 264 + 80 * static_cast<std::size_t>(font - 1); }
std::size_t WidthOffset(int font, unsigned char c) {
  return 16904 + 256 * static_cast<std::size_t>(font - 1) + c;
}
std::string PascalString(const std::string& bytes, std::size_t offset) {
  return bytes.substr(offset + 1, static_cast<unsigned char>(bytes[offset]));
}

// Font a (27) with its three variants and a preview part; font T (20) without variants.
constexpr const char* kFontsIni =
    ".. fonts of the test\r\n"
    "Font a = Arial 10 Navy // Courier New 9\r\n"
    "AUTOITALICBOLD = OFF\n"
    "Font T = Times New Roman 12 0 -2 128:0:255\n";

struct PrepareWorld : unit_test::PrepareWorldBase {
  RecordingProgress progress;

  PrepareWorld() {
    ctx.Measure.Progress = &progress;
    printers.select(printers.index_of(platform::kPngPrinterName));
    settings.CodePage = 1;  // 850
    WriteAll(dir / "Fonts.ini", kFontsIni);
  }
  // Writes a changed "Fonts.ini" with a later date, as an editor would.
  void Rewrite(const std::string& text) {
    const std::string path = dir / "Fonts.ini";
    const auto before = std::filesystem::last_write_time(path);
    WriteAll(path, text);
    std::filesystem::last_write_time(path, before + std::chrono::seconds(10));
  }
  bool Prepare() { return PrepareFontsAndPrinter(true, setup, settings, ctx); }
  std::string DataFile() const {
    return MakePrinterDataFileName(dir.Path().string(), platform::kPngPrinterName);
  }
  const TFontEntry& Printer(int n) const { return setup.Fonts.PrinterFonts->Fonts[n - 1]; }
  const TFontEntry& Preview(int n) const { return setup.Fonts.PreviewFonts->Fonts[n - 1]; }
};

TEST(FontsIniToPrinterData, OneFileGivesBothTablesAndTheDataFileInItsLayout) {
  PrepareWorld w;
  ASSERT_TRUE(w.Prepare());
  EXPECT_TRUE(w.fatal.empty());
  EXPECT_TRUE(w.boxes.Boxes().empty());

  // Printer table: the words before "//"; preview table: the words after it, no colour.
  struct TableCase {
    int font;
    const char* printerFace;
    double printerSize;
    std::int32_t printerColour;
    const char* previewFace;
    double previewSize;
  };
  const TableCase tables[] = {
      {27, "Arial", 10, 0x000080, "Courier New", 9},
      {79, "Arial Italic", 10, 0x000080, "Courier New Italic", 9},
      {131, "Arial Bold", 10, 0x000080, "Courier New Bold", 9},
      {183, "Arial Bold Italic", 10, 0x000080, "Courier New Bold Italic", 9},
      {20, "Times New Roman", 12, 0x8000FF, "Times New Roman", 12},  // no "//": the same entry
      {72, "", 0, 0, "", 0},  // AUTOITALICBOLD = OFF above font T: no variants
  };
  for (const TableCase& c : tables) {
    EXPECT_EQ(w.Printer(c.font).FaceName.Str(), c.printerFace) << c.font;
    EXPECT_EQ(w.Printer(c.font).Size, c.printerSize) << c.font;
    EXPECT_EQ(w.Printer(c.font).Colour, c.printerColour) << c.font;
    EXPECT_EQ(w.Preview(c.font).FaceName.Str(), c.previewFace) << c.font;
    EXPECT_EQ(w.Preview(c.font).Size, c.previewSize) << c.font;
  }
  EXPECT_EQ(w.Preview(20).Colour, 0x8000FF);
  EXPECT_EQ(w.Preview(27).Colour, 0);
  EXPECT_EQ(w.setup.Fonts.AutoVariant[26], 1);
  EXPECT_EQ(w.setup.Fonts.AutoVariant[19], 0);

  // The printer data file, read byte by byte at the offsets of the record layout.
  const std::string b = ReadAll(w.DataFile());
  ASSERT_EQ(b.size(), 71152u);
  EXPECT_EQ(static_cast<unsigned char>(b[0]), 30);  // dots per column at 300 dpi
  EXPECT_EQ(At<std::int32_t>(b, 4), 300);
  EXPECT_EQ(PascalString(b, 8), platform::kPngPrinterName);
  EXPECT_EQ(At<double>(b, EntryOffset(27)), 10.0);
  EXPECT_EQ(PascalString(b, EntryOffset(27) + 8), "Arial");
  EXPECT_EQ(b[EntryOffset(27) + 54], 0);
  EXPECT_EQ(At<std::int32_t>(b, EntryOffset(27) + 56), 0x000080);
  EXPECT_EQ(PascalString(b, EntryOffset(131) + 8), "Arial Bold");
  EXPECT_EQ(At<double>(b, EntryOffset(20)), 12.0);
  EXPECT_EQ(static_cast<unsigned char>(b[EntryOffset(20) + 54]), 254);  // -2
  EXPECT_EQ(At<std::int32_t>(b, EntryOffset(20) + 56), 0x8000FF);
  EXPECT_EQ(b[EntryOffset(72) + 8], 0);  // empty entry

  // Widths: the styled variants are measured with their styled faces (Arial "b" is 1139
  // units, Arial Bold "b" 1251; Times "a" 909, less the correction of 2 dots).
  EXPECT_EQ(static_cast<unsigned char>(b[WidthOffset(27, 'b')]), Expected(1139, 10, 300));
  EXPECT_EQ(static_cast<unsigned char>(b[WidthOffset(79, 'b')]), Expected(1139, 10, 300));
  EXPECT_EQ(static_cast<unsigned char>(b[WidthOffset(131, 'b')]), Expected(1251, 10, 300));
  EXPECT_EQ(static_cast<unsigned char>(b[WidthOffset(183, 'W')]), Expected(1933, 10, 300));
  EXPECT_EQ(static_cast<unsigned char>(b[WidthOffset(20, 'a')]), Expected(909, 12, 300) - 2);
  EXPECT_EQ(b[WidthOffset(72, 'a')], 0);
  EXPECT_EQ(b.find_first_not_of('\0', 70152), std::string::npos);
  EXPECT_EQ(std::memcmp(b.data(), w.setup.PrinterData.get(), 71152), 0);
  EXPECT_EQ(w.progress.Log,
            (std::vector<std::string>{"start 5", "Font Times New Roman 12", "Font Arial 10",
                                      "Font Arial Italic 10", "Font Arial Bold 10",
                                      "Font Arial Bold Italic 10", "finish"}));
}

// The widths in the record are the advances the printing canvases (the PostScript driver's
// stand-in and the PNG printer) place the glyphs with, for the styled variants too.
TEST(FontsIniToPrinterData, WidthsAreWhatThePrintingCanvasesDraw) {
  PrepareWorld w;
  ASSERT_TRUE(w.Prepare());
  const TPrinterDataRecord& record = *w.setup.PrinterData;
  const std::string ps = w.dir / "widths.ps";
  std::vector<std::unique_ptr<platform::Canvas>> canvases;
  canvases.push_back(std::make_unique<platform::PostScriptCanvas>(ps, 300, 2481, 3507));
  canvases.push_back(std::make_unique<platform::ImageCanvas>(300, 100, 100));
  for (auto& canvas : canvases) {
    for (int n : {27, 79, 131, 183, 20}) {
      const TFontEntry& entry = record.Fonts[n - 1];
      // In the code page the document's bytes are drawn in.
      canvas->set_font(PrinterCanvasFont(entry, PrinterFontCodePage(w.settings.CodePage)));
      const int correction = static_cast<std::int8_t>(entry.WidthCorrection);
      for (int c = 32; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        ASSERT_EQ(record.CharWidths[n - 1][c],
                  canvas->text_width(std::string_view(&ch, 1)) + correction)
            << "font " << n << " char " << c;
      }
      // A run is as wide as its characters: no kerning moves the glyphs of a word.
      const std::string word = "AVATAR Wave To";
      int sum = 0;
      for (unsigned char c : word) sum += record.CharWidths[n - 1][c] - correction;
      EXPECT_EQ(canvas->text_width(word), sum) << "font " << n;
    }
  }
}

TEST(FontsIniToPrinterData, OnlyTheEntriesOfAChangedLineAreMeasuredAgain) {
  PrepareWorld w;
  ASSERT_TRUE(w.Prepare());
  // Mark one width of every defined font in the file; a font measured again loses its mark.
  std::string file = ReadAll(w.DataFile());
  for (int n : {27, 79, 131, 183, 20}) file[WidthOffset(n, 'q')] = 99;
  WriteAll(w.DataFile(), file);

  // The line of font a gets another size: its four entries are measured, font T is not.
  w.progress.Log.clear();
  w.Rewrite(std::string(kFontsIni).replace(std::string(kFontsIni).find("Arial 10"), 8, "Arial 11"));
  ASSERT_TRUE(w.Prepare());
  EXPECT_EQ(w.progress.Log, (std::vector<std::string>{"start 5", "Font Arial 11",
                                                      "Font Arial Italic 11", "Font Arial Bold 11",
                                                      "Font Arial Bold Italic 11", "finish"}));
  std::string after = ReadAll(w.DataFile());
  EXPECT_EQ(after[WidthOffset(20, 'q')], 99);
  EXPECT_EQ(static_cast<unsigned char>(after[WidthOffset(27, 'q')]), Expected(1139, 11, 300));
  EXPECT_EQ(static_cast<unsigned char>(after[WidthOffset(131, 'q')]), Expected(1251, 11, 300));

  // Only the colour and the preview part change: nothing is measured or written, but both
  // tables take the new line.
  const auto written = std::filesystem::last_write_time(w.DataFile());
  w.progress.Log.clear();
  w.Rewrite(
      "Font a = Arial 11 Red // Arial 8\r\n"
      "AUTOITALICBOLD = OFF\n"
      "Font T = Times New Roman 12 0 -2 128:0:255\n");
  ASSERT_TRUE(w.Prepare());
  EXPECT_TRUE(w.progress.Log.empty());
  EXPECT_EQ(std::filesystem::last_write_time(w.DataFile()), written);
  EXPECT_EQ(w.Printer(27).Colour, 0xFF0000);
  EXPECT_EQ(w.Preview(27).FaceName.Str(), "Arial");
  EXPECT_EQ(w.Preview(27).Size, 8);
  EXPECT_EQ(w.Preview(131).FaceName.Str(), "Arial Bold");
  EXPECT_EQ(w.setup.PrinterData->CharWidths[19]['q'], 99);
}

}  // namespace
}  // namespace tavrel
