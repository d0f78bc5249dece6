// Pictures that documents embed (BMP, GIF, JPEG), decoded into one 32-bit bitmap form that
// every canvas can draw. Readers check every size and offset against the bytes they were
// given: a damaged or lying file yields an error text, never a crash or an over-read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Straight (not premultiplied) 0xAARRGGBB pixels, rows top to bottom, no padding.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  bool empty() const { return width <= 0 || height <= 0; }
  std::uint32_t pixel(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

inline constexpr std::uint32_t argb(std::uint8_t a, std::uint8_t r, std::uint8_t g,
                                    std::uint8_t b) {
  return (std::uint32_t{a} << 24) | (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) |
         std::uint32_t{b};
}

enum class PictureFormat { unknown, bmp, gif, jpeg, wmf, emf };

// The format named by the file's first bytes (the extension is only a fallback, below).
PictureFormat sniff_picture_format(std::string_view bytes);

// Little-endian numbers of a picture file's header at byte offset at (at + 2 or + 4 <= size).
std::uint16_t read_u16(std::string_view b, std::size_t at);
std::uint32_t read_u32(std::string_view b, std::size_t at);
// The format named by a file extension ("bmp", "gra", "gif", "jpg", "jpeg", "wmf", "emf";
// any case, with or without the point).
PictureFormat picture_format_from_extension(std::string_view extension);

// Guards against pictures that claim absurd sizes: decoding stops with an error before
// allocating more than this many pixels.
struct PictureLimits {
  std::int64_t max_pixels = 64LL * 1024 * 1024;
  int max_side = 32767;
};

struct PictureResult {
  Bitmap bitmap;
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

// Decodes the bytes as the given format (unknown: by the first bytes).
PictureResult decode_picture(std::string_view bytes, PictureFormat format = PictureFormat::unknown,
                             const PictureLimits& limits = {});
PictureResult decode_bmp(std::string_view bytes, const PictureLimits& limits = {});
PictureResult decode_gif(std::string_view bytes, const PictureLimits& limits = {});
PictureResult decode_jpeg(std::string_view bytes, const PictureLimits& limits = {});

// Reads and decodes a picture file. The first bytes decide the format; when they name none,
// the extension does. Errors name the file.
PictureResult load_picture(const std::string& path, const PictureLimits& limits = {});

// A 64-bit FNV-1a digest of size and pixels, so logs can name a picture briefly.
std::uint64_t bitmap_digest(const Bitmap& bitmap);

}  // namespace platform
