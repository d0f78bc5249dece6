// The page engine's world for the fuzz targets that print formatted files: a short page, a
// printer record with fixed widths whose faces resolve to TrueType and to CFF-flavoured
// OpenType files, and a context that draws on a given surface.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/print_surface.h"

namespace fuzz_support {

struct PageWorld {
  PageWorld() {
    tavrel::FixedWidthFont fonts[5];
    fonts[0] = {3, "Courier New", 12, 30, {}};
    fonts[1] = {107, "Courier New Bold", 12, 33, {}};
    fonts[2] = {112, "Arial", 10, 24, {}};
    fonts[3] = {18, "Helvetica", 12, 28, {}};
    fonts[4] = {55, "Times New Roman", 12, 27, {}};
    Printer = tavrel::BuildFixedWidthPrinterData(300, "Fuzz", fonts, 5);
    Settings.NormalFont = 3;
    Settings.AlternateFont = 112;
    Settings.DefaultTS = 60;
    tavrel::TPageTemplate& t = Settings.PageTemplates[0];
    t.PL = 20, t.MT = 3, t.MB = 4, t.PO = 2, t.RM = 40, t.HM = 1, t.FM = 1;
    Settings.DefaultLW = 6;
    Settings.DefaultLS = 3;
    Settings.DefaultLH = 8;
    Settings.CodePage = 1;
  }

  // A context of this world that draws on the surface.
  void Attach(tavrel::PageEngineContext& ctx, tavrel::PrintSurface& surface,
              tavrel::MainNotifier& notifier, tavrel::PrintControl& print) {
    ctx.Settings = &Settings;
    ctx.Fonts = {Printer.get(), Printer.get(), Printer.get(), &AutoVariant};
    ctx.Notifier = &notifier;
    ctx.Printer = &surface;
    ctx.Print = &print;
  }

  tavrel::TSettingsRecord Settings{};
  std::unique_ptr<tavrel::TPrinterDataRecord> Printer;
  std::array<std::uint8_t, 208> AutoVariant{};
};

}  // namespace fuzz_support
