// Arbitrary bytes as a formatted file: the byte and line readers, the output-time dot
// commands and the line drawing on the recording printer must neither crash nor read
// beyond the input.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "formatter/common/notifications.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/print_surface.h"
#include "fuzz/page_world.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz_support::PageWorld world;
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
  world.Attach(ctx, surface, notifier, print);
  tavrel::RenderFormattedData(ctx, "fuzz.fmt", std::move(bytes), false, false);
  return 0;
}
