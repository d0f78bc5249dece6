// Arbitrary bytes as a formatted file, printed the real way: through the page engine onto the
// cairo canvases of the "PostScript File" and the PNG printers (fonts found by the system,
// pictures loaded, pages finished and written). Nothing may crash, leak or read outside a
// buffer, and a document that prints ends with its files written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "formatter/common/notifications.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/print_surface.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/page_world.h"
#include "platform/printers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz_support::PageWorld world;
  static const std::string folder = fuzz_support::MakeTempFolder("tavrel-print-fuzz");
  if (size < 1 || size > 4096) return 0;
  // The first byte picks the printer; a low resolution keeps the PNG pages small.
  const bool png = (data[0] & 1) != 0;
  platform::Printer printer(
      png ? platform::kPngPrinterName : platform::kPostScriptPrinterName,
      png ? platform::PrinterKind::png_folder : platform::PrinterKind::postscript_file, 30);
  printer.set_output(folder + (png ? "/pages" : "/out.ps"));
  printer.set_title("fuzz");
  tavrel::PrinterPrintSurface surface(printer);
  tavrel::NullNotifier notifier;
  tavrel::PrintControl print;
  tavrel::PageEngineContext ctx;
  world.Attach(ctx, surface, notifier, print);
  ctx.Files.CurrentDocument = folder + "/fuzz.fmt";
  tavrel::RenderFormattedData(ctx, "fuzz.fmt", std::vector<std::uint8_t>(data + 1, data + size),
                              false, !png);
  std::string error;
  if (printer.printing()) {
    const bool ended = printer.end_document(&error);
    if (ended && printer.written_files().empty()) std::abort();
  }
  return 0;
}
