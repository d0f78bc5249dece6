// Arbitrary bytes as a formatted file: the byte and line readers, the output-time dot
// commands and the line drawing on the recording printer must neither crash nor read
// beyond the input.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/fonts/printer_data.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/print_surface.h"

namespace {

struct World {
  World() {
    tavrel::FixedWidthFont fonts[3];
    fonts[0] = {3, "Courier New", 12, 30, {}};
    fonts[1] = {107, "Courier New Bold", 12, 33, {}};
    fonts[2] = {112, "Arial", 10, 24, {}};
    Printer = tavrel::BuildFixedWidthPrinterData(300, "Fuzz", fonts, 3);
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
  tavrel::TSettingsRecord Settings{};
  std::unique_ptr<tavrel::TPrinterDataRecord> Printer;
  std::array<std::uint8_t, 208> autoVariant{};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static World world;
  // The reader on its own, on a buffer of exactly the input's size.
  std::vector<std::uint8_t> bytes(data, data + size);
  std::array<std::uint8_t, 256> table{};
  tavrel::BuildTranslationTable(table);
  std::size_t cursor = 0;
  tavrel::FormattedLine line;
  while (tavrel::ReadFormattedLine(bytes.data(), bytes.size(), cursor, table, line)) {}

  tavrel::NullNotifier notifier;
  tavrel::RecordingPrintSurface surface(300);
  tavrel::PrintControl print;
  tavrel::PageEngineContext ctx;
  ctx.Settings = &world.Settings;
  ctx.Fonts = {world.Printer.get(), world.Printer.get(), world.Printer.get(), &world.autoVariant};
  ctx.Notifier = &notifier;
  ctx.Printer = &surface;
  ctx.Print = &print;
  tavrel::RenderFormattedData(ctx, "fuzz.fmt", std::move(bytes), false, false);
  return 0;
}
