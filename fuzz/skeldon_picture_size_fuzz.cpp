// The picture-size readers of Skeldon (bitmap and GIF headers, for RTF text pictures) on
// arbitrary bytes: they read only what the file holds, and a size, once found, depends only on
// the header: more bytes after it never change it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "compiler/writers/inline_graphics.h"

using namespace skeldon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  std::vector<std::uint8_t> longer = bytes;
  longer.resize(size + 1024, 0xA5);
  for (bool bitmap : {true, false}) {
    std::uint16_t w = 0, h = 0;
    if (!MeasurePicture(bytes, bitmap, w, h)) continue;
    std::uint16_t w2 = 0, h2 = 0;
    if (!MeasurePicture(longer, bitmap, w2, h2) || w2 != w || h2 != h) __builtin_trap();
    // A Windows bitmap whose height is out of range is taken as square.
    if (bitmap && size >= 2 && data[0] == 'B' && data[1] == 'M' && (h < 2 || h > 8000) && h != w)
      __builtin_trap();
  }
  return 0;
}
