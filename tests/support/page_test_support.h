// A small world for the page engine's tests: settings with a short page, a printer record
// with fixed widths (so positions can be worked out by hand), and a recording printer.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/fonts_ini.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/page_state.h"
#include "formatter/pages/preview_window.h"
#include "formatter/pages/print_surface.h"
#include "platform/recording_canvas.h"
#include "tests/support/test_support.h"

namespace tavrel::page_test {

inline std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// Widths at 300 dpi, one dot = 1/300 inch: the normal font (C) is 30 dots a character
// (one column), its bold variant 33, its italic 31, bold italic 36; font H" is 24; font R
// is red and 28.
inline std::unique_ptr<TPrinterDataRecord> TestPrinterRecord() {
  FixedWidthFont fonts[6];
  fonts[0] = {3, "Courier New", 12, 30, {}};
  fonts[1] = {107, "Courier New Bold", 12, 33, {}};
  fonts[2] = {55, "Courier New Italic", 12, 31, {}};
  fonts[3] = {159, "Courier New Bold Italic", 12, 36, {}};
  fonts[4] = {112, "Arial", 10, 24, {}};
  fonts[5] = {18, "Arial", 12, 28, {}};
  fonts[0].Overrides['k'] = 37;  // one odd width, for the justification sums
  auto record = BuildFixedWidthPrinterData(300, "Test printer", fonts, 6);
  record->Fonts[18 - 1].Colour = 0xFF0000;
  return record;
}

// Page: PL 20, MT 3, MB 4, PO 2, RM 40, HM 1, FM 1; no paper feed. At 300 dpi a line is
// 50 dots, the text area starts at y 150 and holds 13 lines; lines start at x 60.
inline TSettingsRecord TestSettings() {
  TSettingsRecord s{};
  s.Language = 0;
  s.NormalFont = 3;
  s.AlternateFont = 112;
  s.DefaultTS = 60;
  s.PageTemplateIndex = 0;
  TPageTemplate& t = s.PageTemplates[0];
  t.Name.Assign("Test");
  t.PL = 20;
  t.MT = 3;
  t.MB = 4;
  t.PO = 2;
  t.RM = 40;
  t.HM = 1;
  t.FM = 1;
  s.PaperFeedTop = 0;
  s.DefaultLW = 6;
  s.DefaultLS = 3;
  s.DefaultLH = 8;
  s.CodePage = 1;
  s.PreviewPlacesEachChar = 1;
  return s;
}

// Compares a draw log with its checked file in the page golden folder and names the first line
// that differs; CORVINA_UPDATE_GOLDEN=1 rewrites the file instead.
inline void ExpectGoldenLog(const std::string& name, const std::string& actual) {
  const std::string path =
      std::string(CORVINA_SOURCE_DIR) + "/tests/golden/formatter_engine/page/" + name;
  if (std::getenv("CORVINA_UPDATE_GOLDEN")) {
    corvina_test::WriteFile(path, actual);
    return;
  }
  const std::string expected = corvina_test::ReadFile(path);
  if (expected == actual) return;
  std::istringstream e(expected), a(actual);
  std::string el, al;
  for (int line = 1;; ++line) {
    const bool me = static_cast<bool>(std::getline(e, el));
    const bool ma = static_cast<bool>(std::getline(a, al));
    if (!me && !ma) break;
    if (!me || !ma || el != al) {
      ADD_FAILURE() << name << " differs at line " << line
                    << ":\n  expected: " << (me ? el : "<end>")
                    << "\n  actual:   " << (ma ? al : "<end>");
      return;
    }
  }
  ADD_FAILURE() << name << " differs";
}

class PrinterWorld {
 public:
  PrinterWorld() : printer(TestPrinterRecord()) {
    settings = TestSettings();
    ctx.Settings = &settings;
    ctx.Fonts = {printer.get(), printer.get(), printer.get(), &autoVariant};
    ctx.Cache = &cache;
    ctx.Notifier = &notifier;
    ctx.Printer = &surface;
    ctx.Print = &print;
  }

  // Renders the bytes in printer mode and returns the draw log.
  std::string Print(std::string_view file, const std::string& name = "test.fmt") {
    RenderFormattedData(ctx, name, Bytes(file), false, false);
    return surface.Text();
  }
  std::vector<std::string> Lines() const { return surface_lines(); }
  // The drawing operations only (text, line, rect, ...), without state changes.
  std::vector<std::string> Ops(const std::string& prefix = "") const {
    std::vector<std::string> out;
    for (const std::string& l : surface_lines())
      if (prefix.empty()
              ? (l.rfind("font", 0) != 0 && l.rfind("pen", 0) != 0 && l.rfind("brush", 0) != 0)
              : l.rfind(prefix, 0) == 0)
        out.push_back(l);
    return out;
  }
  std::vector<std::int32_t> PagesReported() const {
    std::vector<std::int32_t> pages;
    for (const auto& e : notifier.WithCode(MN_PRINT_PAGE_DONE)) pages.push_back(e.Value);
    return pages;
  }
  // The draw log followed by the pages the engine reported, as the golden logs hold them.
  std::string LogWithReportedPages() {
    std::string log = surface.Text();
    log += "reported";
    for (std::int32_t p : PagesReported()) log += " " + std::to_string(p);
    return log + "\n";
  }

  TSettingsRecord settings{};
  std::unique_ptr<TPrinterDataRecord> printer;
  std::array<std::uint8_t, 208> autoVariant{};
  RecordingNotifier notifier;
  FormattedFileCache cache;
  PrintControl print;
  RecordingPrintSurface surface{300};
  PageEngineContext ctx;

 private:
  std::vector<std::string> surface_lines() const {
    return const_cast<RecordingPrintSurface&>(surface).Recording().lines();
  }
};

// One preview screen of a formatted file drawn with the given font definitions onto a
// recording canvas of width x height pixels at dpi.
class OneScreenPreview {
 public:
  OneScreenPreview(const FontDefinitionTables& tables, int dpi, int width, int height)
      : printer(TestPrinterRecord()), settings(TestSettings()) {
    auto owned = std::make_unique<platform::RecordingCanvas>(dpi, width, height);
    canvas = owned.get();
    window = std::make_unique<HeadlessPreviewWindow>(std::move(owned));
    control.Idle = [this] { control.Stop = 1; };
    ctx.Settings = &settings;
    ctx.Fonts = {tables.PrinterFonts.get(), tables.PreviewFonts.get(), printer.get(),
                 &tables.AutoVariant};
    ctx.Notifier = &notifier;
    ctx.Preview = window.get();
    ctx.PreviewCtl = &control;
  }
  // The draw log of the first screen.
  std::string Show(std::string_view file, const std::string& name = "doc.fmt") {
    RenderFormattedData(ctx, name, Bytes(file), true, false);
    return canvas->text();
  }

  std::unique_ptr<TPrinterDataRecord> printer;
  TSettingsRecord settings;
  platform::RecordingCanvas* canvas = nullptr;
  std::unique_ptr<HeadlessPreviewWindow> window;
  RecordingNotifier notifier;
  PreviewControl control;
  PageEngineContext ctx;
};

}  // namespace tavrel::page_test
