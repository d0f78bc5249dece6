#include "platform/picture_encoders.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

namespace platform {

namespace {

EncodeResult failed(std::string text) { return {{}, std::move(text)}; }

// Callers hand in bitmaps that did not come from a decoder: the pixel vector must match.
std::string check_bitmap(const Bitmap& b) {
  if (b.empty()) return "empty picture";
  if (b.pixels.size() != static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height))
    return "picture size does not match its pixels";
  return {};
}

std::uint8_t red(std::uint32_t p) { return static_cast<std::uint8_t>(p >> 16); }
std::uint8_t green(std::uint32_t p) { return static_cast<std::uint8_t>(p >> 8); }
std::uint8_t blue(std::uint32_t p) { return static_cast<std::uint8_t>(p); }

void put16(std::string& s, std::uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& s, std::uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

int gif_write(GifFileType* gif, const GifByteType* data, int length) {
  static_cast<std::string*>(gif->UserData)
      ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
  return length;
}

struct GifWriter {
  GifFileType* gif = nullptr;
  ~GifWriter() {
    int err = 0;
    if (gif) EGifCloseFile(gif, &err);
  }
};

struct ColorMapDeleter {
  void operator()(ColorMapObject* m) const { GifFreeMapObject(m); }
};

// The palette index of every pixel: exact when the colours fit, else from giflib's quantiser.
bool gif_palette(const Bitmap& b, std::vector<GifByteType>& indexes,
                 std::vector<GifColorType>& colors) {
  const std::size_t n = b.pixels.size();
  indexes.resize(n);
  std::map<std::uint32_t, GifByteType> seen;
  for (std::size_t i = 0; i < n && seen.size() <= 256; ++i)
    seen.emplace(b.pixels[i] & 0xFFFFFFu, 0);
  if (seen.size() <= 256) {
    for (auto& [rgb, index] : seen) {
      index = static_cast<GifByteType>(colors.size());
      colors.push_back({red(rgb), green(rgb), blue(rgb)});
    }
    for (std::size_t i = 0; i < n; ++i) indexes[i] = seen[b.pixels[i] & 0xFFFFFFu];
    return true;
  }
  std::vector<GifByteType> r(n), g(n), bl(n);
  for (std::size_t i = 0; i < n; ++i) {
    r[i] = red(b.pixels[i]);
    g[i] = green(b.pixels[i]);
    bl[i] = blue(b.pixels[i]);
  }
  int size = 256;
  colors.resize(256);
  if (GifQuantizeBuffer(static_cast<unsigned>(b.width), static_cast<unsigned>(b.height), &size,
                        r.data(), g.data(), bl.data(), indexes.data(), colors.data()) == GIF_ERROR)
    return false;
  colors.resize(static_cast<std::size_t>(size));
  return true;
}

struct JpegWriter {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  std::jmp_buf jump{};
  char message[JMSG_LENGTH_MAX] = {};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

void jpeg_write_error(j_common_ptr cinfo) {
  auto* w = static_cast<JpegWriter*>(cinfo->client_data);
  (*cinfo->err->format_message)(cinfo, w->message);
  std::longjmp(w->jump, 1);
}

// Kept apart from encode_jpeg so that no object with a destructor lives across the longjmp.
bool jpeg_compress_core(JpegWriter* w, const Bitmap& b, int quality, unsigned char* row) {
  jpeg_compress_struct* c = &w->cinfo;
  if (setjmp(w->jump)) {
    jpeg_destroy_compress(c);
    return false;
  }
  jpeg_create_compress(c);
  jpeg_mem_dest(c, &w->buffer, &w->size);
  c->image_width = static_cast<JDIMENSION>(b.width);
  c->image_height = static_cast<JDIMENSION>(b.height);
  c->input_components = 3;
  c->in_color_space = JCS_RGB;
  jpeg_set_defaults(c);
  jpeg_set_quality(c, quality, TRUE);
  jpeg_start_compress(c, TRUE);
  while (c->next_scanline < c->image_height) {
    const std::uint32_t* src = b.pixels.data() + static_cast<std::size_t>(c->next_scanline) *
                                                     static_cast<std::size_t>(b.width);
    for (int x = 0; x < b.width; ++x) {
      row[3 * x] = red(src[x]);
      row[3 * x + 1] = green(src[x]);
      row[3 * x + 2] = blue(src[x]);
    }
    JSAMPROW p = row;
    jpeg_write_scanlines(c, &p, 1);
  }
  jpeg_finish_compress(c);
  jpeg_destroy_compress(c);
  return true;
}

}  // namespace

EncodeResult encode_bmp(const Bitmap& b) {
  if (std::string e = check_bitmap(b); !e.empty()) return failed(e);
  const std::uint32_t stride = (static_cast<std::uint32_t>(b.width) * 3 + 3) & ~3u;
  const std::uint64_t image =
      static_cast<std::uint64_t>(stride) * static_cast<std::uint32_t>(b.height);
  if (image > 0xFFFFFFFFull - 54) return failed("picture too large for a BMP file");
  std::string s;
  s.reserve(54 + image);
  s += "BM";
  put32(s, static_cast<std::uint32_t>(54 + image));
  put32(s, 0);
  put32(s, 54);
  put32(s, 40);
  put32(s, static_cast<std::uint32_t>(b.width));
  put32(s, static_cast<std::uint32_t>(b.height));
  put16(s, 1);
  put16(s, 24);
  put32(s, 0);  // BI_RGB
  put32(s, static_cast<std::uint32_t>(image));
  put32(s, 3780);  // 96 dpi in pixels per metre
  put32(s, 3780);
  put32(s, 0);
  put32(s, 0);
  for (int y = b.height - 1; y >= 0; --y) {
    for (int x = 0; x < b.width; ++x) {
      const std::uint32_t p = b.pixel(x, y);
      s += static_cast<char>(blue(p));
      s += static_cast<char>(green(p));
      s += static_cast<char>(red(p));
    }
    s.append(stride - static_cast<std::uint32_t>(b.width) * 3, '\0');
  }
  return {std::move(s), {}};
}

EncodeResult encode_gif(const Bitmap& b) {
  if (std::string e = check_bitmap(b); !e.empty()) return failed(e);
  if (b.width > 0xFFFF || b.height > 0xFFFF) return failed("picture too large for a GIF file");
  std::vector<GifByteType> indexes;
  std::vector<GifColorType> colors;
  if (!gif_palette(b, indexes, colors)) return failed("GIF: the colours cannot be reduced");
  // giflib wants a power of two entries; the unused ones stay black.
  int entries = 2;
  while (entries < static_cast<int>(colors.size())) entries *= 2;
  colors.resize(static_cast<std::size_t>(entries), GifColorType{0, 0, 0});
  std::unique_ptr<ColorMapObject, ColorMapDeleter> map(GifMakeMapObject(entries, colors.data()));
  if (!map) return failed("GIF: out of memory");

  std::string out;
  int err = 0;
  GifWriter w;
  w.gif = EGifOpen(&out, gif_write, &err);
  if (!w.gif) return failed(std::string("GIF: ") + GifErrorString(err));
  EGifSetGifVersion(w.gif, true);
  if (EGifPutScreenDesc(w.gif, b.width, b.height, map->BitsPerPixel, 0, map.get()) == GIF_ERROR ||
      EGifPutImageDesc(w.gif, 0, 0, b.width, b.height, false, nullptr) == GIF_ERROR)
    return failed(std::string("GIF: ") + GifErrorString(w.gif->Error));
  for (int y = 0; y < b.height; ++y) {
    if (EGifPutLine(w.gif, indexes.data() + static_cast<std::size_t>(y) * b.width, b.width) ==
        GIF_ERROR)
      return failed(std::string("GIF: ") + GifErrorString(w.gif->Error));
  }
  const int close = EGifCloseFile(w.gif, &err);
  w.gif = nullptr;
  if (close == GIF_ERROR) return failed(std::string("GIF: ") + GifErrorString(err));
  return {std::move(out), {}};
}

EncodeResult encode_jpeg(const Bitmap& b, int quality) {
  if (std::string e = check_bitmap(b); !e.empty()) return failed(e);
  if (b.width > JPEG_MAX_DIMENSION || b.height > JPEG_MAX_DIMENSION)
    return failed("picture too large for a JPEG file");
  auto w = std::make_unique<JpegWriter>();
  w->cinfo.err = jpeg_std_error(&w->err);
  w->err.error_exit = jpeg_write_error;
  w->cinfo.client_data = w.get();
  std::vector<unsigned char> row(static_cast<std::size_t>(b.width) * 3);
  const bool ok = jpeg_compress_core(w.get(), b, std::clamp(quality, 1, 100), row.data());
  std::string bytes;
  if (w->buffer) {
    if (ok) bytes.assign(reinterpret_cast<const char*>(w->buffer), w->size);
    std::free(w->buffer);
  }
  if (!ok) return failed(std::string("JPEG: ") + w->message);
  return {std::move(bytes), {}};
}

EncodeResult encode_picture(const Bitmap& b, PictureFormat format) {
  switch (format) {
    case PictureFormat::bmp:
      return encode_bmp(b);
    case PictureFormat::gif:
      return encode_gif(b);
    case PictureFormat::jpeg:
      return encode_jpeg(b);
    default:
      return failed("no bitmap format to write");
  }
}

}  // namespace platform
