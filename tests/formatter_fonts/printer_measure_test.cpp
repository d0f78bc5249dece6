#include "formatter/fonts/printer_measure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/fonts_ini.h"
#include "platform/cairo_canvas.h"
#include "tests/support/formatter_unit_support.h"
#include "tests/support/prepare_world.h"

namespace tavrel {
namespace {

using unit_test::Expected;
using unit_test::ReadAll;
using unit_test::RecordingProgress;
using unit_test::TempDir;
using unit_test::WriteAll;

struct MeasureFixture {
  TempDir dir;
  RecordingMessageBoxes boxes;
  RecordingProgress progress;
  platform::PrinterList printers = platform::PrinterList::virtual_only();
  FontDefinitionTables fonts;
  PrinterMeasureContext ctx;
  int beeps = 0;
  int prepared_cleared = 0;
  std::unique_ptr<TPrinterDataRecord> record = MakeEmptyPrinterData();

  explicit MeasureFixture(
      const std::string& fontsIni =
          "AUTOITALICBOLD = OFF\r\nFont A = Arial 10\r\nFont B = Times New Roman 12 0 -2\r\n") {
    ParseFontDefinitionText(fontsIni, fonts);
    ctx.ProgramDirectory = dir.Path().string();
    ctx.Boxes = &boxes;
    ctx.Printers = &printers;
    ctx.Progress = &progress;
    ctx.Beep = [this] { ++beeps; };
    ctx.ClearPreparedFlags = [this] { ++prepared_cleared; };
  }
  MeasureOutcome Load(const std::string& name = platform::kPngPrinterName) {
    return LoadPrinterData(name, *fonts.PrinterFonts, *record, ctx);
  }
  std::string DataFile(const std::string& name = platform::kPngPrinterName) const {
    return MakePrinterDataFileName(dir.Path().string(), name);
  }
};

TEST(MeasurePrinterFonts, FillsTheRecordAndWritesTheFile) {
  MeasureFixture f;
  EXPECT_EQ(f.Load(), MeasureOutcome::Written);
  const std::string file = ReadAll(f.DataFile());
  ASSERT_EQ(file.size(), kPrinterDataSize);
  TPrinterDataRecord stored;
  std::memcpy(&stored, file.data(), kPrinterDataSize);
  EXPECT_EQ(stored.PrinterDpi, 300);
  EXPECT_EQ(stored.DotsPerColumn, 30);
  EXPECT_EQ(stored.PrinterName.Str(), platform::kPngPrinterName);
  EXPECT_EQ(stored.Fonts[0].FaceName.Str(), "Arial");
  EXPECT_EQ(stored.CharWidths[0]['a'], Expected(1139, 10, 300));
  EXPECT_EQ(stored.CharWidths[0]['W'], Expected(1933, 10, 300));
  // Width correction -2 (stored as 254) makes every character two dots narrower.
  EXPECT_EQ(stored.Fonts[1].WidthCorrection, 254);
  EXPECT_EQ(stored.CharWidths[1]['a'], Expected(909, 12, 300) - 2);
  // Code page 850: 0x84 is a umlaut, as wide as a.
  EXPECT_EQ(stored.CharWidths[0][0x84], stored.CharWidths[0]['a']);
  // Fonts without a face have no widths.
  EXPECT_EQ(stored.CharWidths[2]['a'], 0);
  EXPECT_EQ(std::memcmp(&stored, f.record.get(), kPrinterDataSize), 0);
  EXPECT_EQ(f.progress.Log, (std::vector<std::string>{"start 2", "Font Arial 10",
                                                      "Font Times New Roman 12", "finish"}));
  EXPECT_EQ(f.prepared_cleared, 1);
}

// The canvas that prints draws each character at the width the record holds.
TEST(MeasurePrinterFonts, WidthsAreWhatThePrinterCanvasDraws) {
  MeasureFixture f;
  ASSERT_EQ(f.Load(), MeasureOutcome::Written);
  platform::ImageCanvas canvas(300, 200, 100);
  for (int n : {1, 2}) {
    const TFontEntry& entry = f.record->Fonts[n - 1];
    canvas.set_font(PrinterCanvasFont(entry));
    const int correction = static_cast<std::int8_t>(entry.WidthCorrection);
    for (int c = 32; c < 256; ++c) {
      const char ch = static_cast<char>(c);
      ASSERT_EQ(f.record->CharWidths[n - 1][c],
                canvas.text_width(std::string_view(&ch, 1)) + correction)
          << "font " << n << " char " << c;
    }
  }
}

TEST(MeasurePrinterFonts, OnlyChangedEntriesAreMeasuredAgain) {
  MeasureFixture f;
  ASSERT_EQ(f.Load(), MeasureOutcome::Written);
  // Mark a width of each font in the file; a re-measured font loses its mark.
  std::string file = ReadAll(f.DataFile());
  file[16904 + 0 * 256 + 'q'] = 99;
  file[16904 + 1 * 256 + 'q'] = 99;
  WriteAll(f.DataFile(), file);
  const auto before = std::filesystem::last_write_time(f.DataFile());

  EXPECT_EQ(f.Load(), MeasureOutcome::Unchanged);
  EXPECT_EQ(std::filesystem::last_write_time(f.DataFile()), before);
  EXPECT_EQ(f.record->CharWidths[0]['q'], 99);

  // Font B gets another size, font A only another colour (not compared).
  FontDefinitionTables changed;
  ParseFontDefinitionText(
      "AUTOITALICBOLD = OFF\nFont A = Arial 10 Red\nFont B = Times New Roman 14 0 -2\n", changed);
  f.fonts = std::move(changed);
  EXPECT_EQ(f.Load(), MeasureOutcome::Written);
  const std::string after = ReadAll(f.DataFile());
  EXPECT_EQ(after[16904 + 0 * 256 + 'q'], 99);
  EXPECT_EQ(static_cast<unsigned char>(after[16904 + 1 * 256 + 'q']), Expected(1024, 14, 300) - 2);
  EXPECT_EQ(f.record->Fonts[1].Size, 14);
}

TEST(MeasurePrinterFonts, ShortFileIsReportedAndLeftAlone) {
  MeasureFixture f;
  WriteAll(f.DataFile(), std::string(1000, 'x'));
  EXPECT_EQ(f.Load(), MeasureOutcome::WrongSize);
  const auto boxes = f.boxes.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, f.DataFile() + " has got wrong size. Please delete.");
  EXPECT_EQ(ReadAll(f.DataFile()), std::string(1000, 'x'));
  EXPECT_TRUE(f.record->Fonts[0].FaceName.Empty());
}

TEST(MeasurePrinterFonts, LongerFileIsReadAndRewrittenAsOneRecord) {
  MeasureFixture f;
  ASSERT_EQ(f.Load(), MeasureOutcome::Written);
  WriteAll(f.DataFile(), ReadAll(f.DataFile()) + std::string(500, 'y'));
  EXPECT_EQ(f.Load(), MeasureOutcome::Unchanged);
  FontDefinitionTables more;
  ParseFontDefinitionText("AUTOITALICBOLD = OFF\nFont A = Arial 11\n", more);
  f.fonts = std::move(more);
  EXPECT_EQ(f.Load(), MeasureOutcome::Written);
  EXPECT_EQ(ReadAll(f.DataFile()).size(), kPrinterDataSize);
}

TEST(MeasurePrinterFonts, NameWithPortSharesTheFile) {
  EXPECT_EQ(MakePrinterDataFileName("/p", "Laser on LPT1:"),
            MakePrinterDataFileName("/p", "Laser"));
}

TEST(MeasurePrinterFonts, PrinterWithoutResolutionStopsWithTheError) {
  MeasureFixture f;
  f.printers.add(
      std::make_unique<platform::Printer>("Broken", platform::PrinterKind::png_folder, 0));
  EXPECT_EQ(f.Load("Broken"), MeasureOutcome::NoResolution);
  const auto boxes = f.boxes.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Fatal Error: querying printer resolution failed");
  EXPECT_FALSE(std::filesystem::exists(f.DataFile("Broken")));
  EXPECT_EQ(f.printers.selected_index(), 0);
}

// Bytes cannot hold widths beyond 255 dots or a column of more than 255 dots.
TEST(MeasurePrinterFonts, HighResolutionsAreLimitedAndReported) {
  MeasureFixture f("AUTOITALICBOLD = OFF\nFont A = Arial 48\n");
  f.printers.add(
      std::make_unique<platform::Printer>("Photo", platform::PrinterKind::png_folder, 2880));
  EXPECT_EQ(f.Load("Photo"), MeasureOutcome::Written);
  EXPECT_EQ(f.record->CharWidths[0]['W'], 255);  // 1933/2048 x 1920 dots would be 1812
  EXPECT_EQ(f.record->CharWidths[0]['i'], 255);
  EXPECT_EQ(f.record->DotsPerColumn, 255);
  EXPECT_EQ(f.record->PrinterDpi, 2880);
  const auto boxes = f.boxes.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].Text.find("Fonts A have character widths outside 0 to 255 dots at 2880 dpi"),
            std::string::npos)
      << boxes[0].Text;
  EXPECT_NE(boxes[1].Text.find("2880 dpi is too high"), std::string::npos) << boxes[1].Text;

  bool out = false;
  EXPECT_EQ(DotsPerColumnFromDpi(300, &out), 30);
  EXPECT_FALSE(out);
  EXPECT_EQ(DotsPerColumnFromDpi(2555, &out), 255);
  EXPECT_TRUE(out);
}

TEST(MeasurePrinterFonts, FaceNotInstalledIsMeasuredWithTheFallbackAndSaidSo) {
  MeasureFixture f(
      "AUTOITALICBOLD = OFF\nFont A = Quorblax Grotesk 10\nFont B = Quorblax Grotesk 12\n");
  EXPECT_EQ(f.Load(), MeasureOutcome::Written);
  EXPECT_GT(f.record->CharWidths[0]['a'], 0);
  const auto boxes = f.boxes.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Kind, kBoxInformation);
  EXPECT_EQ(
      boxes[0].Text.rfind("Fonts not installed: font \"Quorblax Grotesk\" not found, using", 0), 0u)
      << boxes[0].Text;
  EXPECT_EQ(boxes[0].Text.find(';'), std::string::npos);  // the same note once
}

TEST(MeasurePrinterFonts, NegativeCorrectionDoesNotWrapNarrowCharacters) {
  platform::FontMeasurer m;
  TFontEntry entry;
  entry.FaceName.Assign("Arial");
  entry.Size = 4;  // tiny at 72 dpi: some characters are 1 or 2 dots wide
  entry.WidthCorrection = static_cast<std::uint8_t>(-5);
  const FontWidthsResult r = MeasureFontWidths(m, entry, 72);
  EXPECT_TRUE(r.OutOfRange);
  EXPECT_EQ(r.Widths['i'], 0);
}

TEST(MeasurePrinterFonts, MeasuresWithTheNamedPrinterAndRestoresTheSelection) {
  MeasureFixture f;
  f.printers.add(
      std::make_unique<platform::Printer>("Fine", platform::PrinterKind::png_folder, 600));
  f.printers.select(0);
  EXPECT_EQ(f.Load("Fine"), MeasureOutcome::Written);
  EXPECT_EQ(f.record->PrinterDpi, 600);
  EXPECT_EQ(f.record->PrinterName.Str(), "Fine");
  EXPECT_EQ(f.record->CharWidths[0]['a'], Expected(1139, 10, 600));
  EXPECT_EQ(f.printers.selected_index(), 0);

  // A file measured at another resolution is measured again whole.
  platform::PrinterList other = platform::PrinterList::virtual_only();
  other.add(std::make_unique<platform::Printer>("Fine", platform::PrinterKind::png_folder, 300));
  f.ctx.Printers = &other;
  EXPECT_EQ(f.Load("Fine"), MeasureOutcome::Written);
  EXPECT_EQ(f.record->PrinterDpi, 300);
  EXPECT_EQ(f.record->CharWidths[0]['a'], Expected(1139, 10, 300));
}

TEST(MeasurePrinterFonts, UnknownPrinterBeepsAndAsksForOne) {
  MeasureFixture f;
  int asked = 0;
  f.ctx.ChoosePrinter = [&] {
    ++asked;
    return false;
  };
  EXPECT_EQ(f.Load("Gone"), MeasureOutcome::NoPrinter);
  EXPECT_EQ(f.beeps, 1);
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(std::filesystem::exists(f.DataFile("Gone")));
}

struct PrepareFixture : unit_test::PrepareWorldBase {
  int dialogs = 0;
  int dialogChoice = 1;  // -1: cancel
  int ended = 0;

  PrepareFixture() {
    // The main window writes the font definition file when asked.
    mainWindow.OnSend = [this](std::int32_t code, std::int32_t) {
      if (code == MN_WRITE_FONT_DEFINITION) WriteAll(dir / "Fonts.ini", "Font A = Arial 10\r\n");
    };
    ctx.Dialog = [this](platform::PrinterList& list) {
      ++dialogs;
      if (dialogChoice < 0) return false;
      list.select(dialogChoice);
      return true;
    };
    ctx.EndProgram = [this] { ++ended; };
  }
};

TEST(PrepareFontsAndPrinter, WritesMissingFontsIniAndAsksForTheFormattingPrinter) {
  PrepareFixture f;
  EXPECT_TRUE(PrepareFontsAndPrinter(false, f.setup, f.settings, f.ctx));
  EXPECT_EQ(f.mainWindow.WithCode(MN_WRITE_FONT_DEFINITION).size(), 1u);
  EXPECT_TRUE(f.mainWindow.WithCode(MN_WRITE_FONT_DEFINITION)[0].Sent);
  const auto boxes = f.boxes.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].Text.rfind("Fonts.ini font definition file does not exist yet.", 0), 0u)
      << boxes[0].Text;
  EXPECT_EQ(boxes[1].Text.rfind("Please select the printer", 0), 0u) << boxes[1].Text;
  EXPECT_EQ(f.dialogs, 1);
  EXPECT_EQ(f.settings.FormattingPrinterName.Str(), platform::kPngPrinterName);
  // Fonts read (with their variants), printer measured.
  EXPECT_EQ(f.setup.Fonts.PrinterFonts->Fonts[52].FaceName.Str(), "Arial Italic");
  EXPECT_EQ(f.setup.PrinterData->PrinterDpi, 300);
  EXPECT_EQ(f.setup.PrinterData->CharWidths[0]['a'], Expected(1139, 10, 300));
  EXPECT_TRUE(std::filesystem::exists(
      MakePrinterDataFileName(f.dir.Path().string(), platform::kPngPrinterName)));
  EXPECT_NE(f.setup.Fonts.FileDate, 0);

  // The second time nothing is asked, written or read again.
  const std::size_t shown = f.boxes.Boxes().size();
  EXPECT_TRUE(PrepareFontsAndPrinter(false, f.setup, f.settings, f.ctx));
  EXPECT_EQ(f.mainWindow.WithCode(MN_WRITE_FONT_DEFINITION).size(), 1u);
  EXPECT_EQ(f.dialogs, 1);
  EXPECT_EQ(f.boxes.Boxes().size(), shown);
}

TEST(PrepareFontsAndPrinter, ReadsFontsIniAgainOnlyWhenItIsNewer) {
  PrepareFixture f;
  const std::string path = f.dir / "Fonts.ini";
  WriteAll(path, "Font A = Arial 10\n");
  ASSERT_TRUE(PrepareFontsAndPrinter(true, f.setup, f.settings, f.ctx));
  EXPECT_EQ(f.setup.Fonts.PrinterFonts->Fonts[0].Size, 10);
  const auto stamp = std::filesystem::last_write_time(path);
  // Same date: the changed text is not read.
  WriteAll(path, "Font A = Arial 12\n");
  std::filesystem::last_write_time(path, stamp);
  ASSERT_TRUE(PrepareFontsAndPrinter(true, f.setup, f.settings, f.ctx));
  EXPECT_EQ(f.setup.Fonts.PrinterFonts->Fonts[0].Size, 10);
  // Later date: read, and the printer data re-measured for the new size.
  std::filesystem::last_write_time(path, stamp + std::chrono::seconds(10));
  ASSERT_TRUE(PrepareFontsAndPrinter(true, f.setup, f.settings, f.ctx));
  EXPECT_EQ(f.setup.Fonts.PrinterFonts->Fonts[0].Size, 12);
  EXPECT_EQ(f.setup.PrinterData->CharWidths[0]['a'], Expected(1139, 12, 300));
}

TEST(PrepareFontsAndPrinter, PreviewAndPrintUseTheSelectedPrinter) {
  PrepareFixture f;
  WriteAll(f.dir / "Fonts.ini", "Font A = Arial 10\n");
  f.printers.add(
      std::make_unique<platform::Printer>("Fine", platform::PrinterKind::png_folder, 600));
  f.printers.select(2);
  EXPECT_TRUE(PrepareFontsAndPrinter(true, f.setup, f.settings, f.ctx));
  EXPECT_EQ(f.setup.PrinterData->PrinterDpi, 600);
  EXPECT_EQ(f.dialogs, 0);
  EXPECT_TRUE(f.mainWindow.WithCode(MN_WRITE_FONT_DEFINITION).empty());
}

TEST(ChoosePrinter, CancelNoneAndOnlyOne) {
  PrepareFixture f;
  WriteAll(f.dir / "Fonts.ini", "Font A = Arial 10\n");
  f.dialogChoice = -1;
  f.settings.FormattingPrinterName.Assign("Vanished");
  EXPECT_FALSE(PrepareFontsAndPrinter(false, f.setup, f.settings, f.ctx));
  EXPECT_EQ(f.settings.FormattingPrinterName.Str(), "Vanished");  // the name stays
  const auto boxes = f.boxes.Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().Text, "Cannot format without this selection");

  // Exactly one printer: taken without a question.
  platform::PrinterList one = platform::PrinterList::empty();
  one.add(std::make_unique<platform::Printer>("Solo", platform::PrinterKind::png_folder, 300));
  RecordingMessageBoxes quiet;
  TSettingsRecord s{};
  EXPECT_TRUE(ChoosePrinter(s, one, &quiet, f.ctx.Dialog, f.ctx.EndProgram));
  EXPECT_EQ(s.FormattingPrinterName.Str(), "Solo");
  EXPECT_TRUE(quiet.Boxes().empty());

  // None: the error box, and the program ends.
  platform::PrinterList none = platform::PrinterList::empty();
  EXPECT_FALSE(ChoosePrinter(s, none, &quiet, f.ctx.Dialog, f.ctx.EndProgram));
  EXPECT_EQ(f.ended, 1);
  ASSERT_EQ(quiet.Boxes().size(), 1u);
  EXPECT_EQ(
      quiet.Boxes()[0].Text,
      "Tavrel: No printer installed, neither formatting nor printing possible! Tavrel cannot be executed!");
}

TEST(ResetPrinterDataAfterUpdate, DeletesEveryPrintersDataFile) {
  PrepareFixture f;
  for (const std::string& name : f.printers.names())
    WriteAll(MakePrinterDataFileName(f.dir.Path().string(), name), "x");
  WriteAll(f.dir / "Other.dta", "kept");
  ResetPrinterDataAfterUpdate(f.printers, f.dir.Path().string(), 0, &f.boxes);
  for (const std::string& name : f.printers.names())
    EXPECT_FALSE(std::filesystem::exists(MakePrinterDataFileName(f.dir.Path().string(), name)));
  EXPECT_TRUE(std::filesystem::exists(f.dir / "Other.dta"));
  ASSERT_EQ(f.boxes.Boxes().size(), 1u);
}

}  // namespace
}  // namespace tavrel
