// The BMP, GIF and JPEG readers on arbitrary bytes: each must answer with a bitmap of the
// size it reports, or an error, and never read outside the input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Small limits keep every input fast; the size checks run before any allocation.
  platform::PictureLimits limits;
  limits.max_pixels = 1 << 20;
  limits.max_side = 4096;
  for (auto format : {platform::PictureFormat::unknown, platform::PictureFormat::bmp,
                      platform::PictureFormat::gif, platform::PictureFormat::jpeg}) {
    const platform::PictureResult r = platform::decode_picture(bytes, format, limits);
    if (r.ok() && r.bitmap.pixels.size() != static_cast<std::size_t>(r.bitmap.width) *
                                                static_cast<std::size_t>(r.bitmap.height))
      __builtin_trap();
  }
  return 0;
}
