#include "platform/pictures.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>

#include "platform/files.h"

#include <gif_lib.h>
// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace platform {

std::uint16_t read_u16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
}
std::uint32_t read_u32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24);
}

namespace {

PictureResult fail(std::string text) {
  PictureResult r;
  r.error = std::move(text);
  return r;
}

// Checks the claimed size before anything is allocated for it.
std::string check_size(const char* kind, std::int64_t width, std::int64_t height,
                       const PictureLimits& limits) {
  if (width <= 0 || height <= 0)
    return std::string(kind) + " picture has no pixels (" + std::to_string(width) + " x " +
           std::to_string(height) + ")";
  if (width > limits.max_side || height > limits.max_side || width * height > limits.max_pixels)
    return std::string(kind) + " picture too large (" + std::to_string(width) + " x " +
           std::to_string(height) + ")";
  return {};
}

void allocate(Bitmap& bm, int width, int height, std::uint32_t fill) {
  bm.width = width;
  bm.height = height;
  bm.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
}

// ---- BMP --------------------------------------------------------------------------------

// Extracts one channel under a bit mask and scales it to 8 bits.
struct MaskChannel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit MaskChannel(std::uint32_t m = 0) : mask(m) {
    if (m == 0) return;
    while (((m >> shift) & 1u) == 0) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1u)) ++bits;
  }
  std::uint8_t get(std::uint32_t v) const {
    if (bits == 0) return 0;
    std::uint32_t x = (v & mask) >> shift;
    std::uint32_t max = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
    return static_cast<std::uint8_t>((static_cast<std::uint64_t>(x) * 255u + max / 2) / max);
  }
};

PictureResult decode_bmp_impl(std::string_view b, const PictureLimits& limits) {
  if (b.size() < 14 + 12) return fail("BMP file too short for its headers");
  if (b[0] != 'B' || b[1] != 'M') return fail("not a BMP file (no \"BM\" signature)");
  const std::uint32_t pixel_offset = read_u32(b, 10);
  const std::uint32_t header_size = read_u32(b, 14);

  std::int64_t width = 0, height = 0;
  unsigned bpp = 0;
  std::uint32_t compression = 0;
  std::uint32_t colours_used = 0;
  std::size_t palette_at = 0;
  std::size_t palette_entry = 4;
  std::uint32_t masks[4] = {0, 0, 0, 0};
  bool has_alpha_mask = false;

  if (header_size == 12) {
    width = read_u16(b, 18);
    height = static_cast<std::int16_t>(read_u16(b, 20));
    bpp = read_u16(b, 24);
    palette_at = 14 + 12;
    palette_entry = 3;
  } else if (header_size >= 40 && header_size <= 1024) {
    if (b.size() < 14 + static_cast<std::size_t>(header_size))
      return fail("BMP file too short for its headers");
    width = static_cast<std::int32_t>(read_u32(b, 18));
    height = static_cast<std::int32_t>(read_u32(b, 22));
    bpp = read_u16(b, 28);
    compression = read_u32(b, 30);
    colours_used = read_u32(b, 46);
    palette_at = 14 + header_size;
    if (compression == 3 || compression == 6) {
      if (header_size >= 52) {
        masks[0] = read_u32(b, 54);
        masks[1] = read_u32(b, 58);
        masks[2] = read_u32(b, 62);
        if (header_size >= 56) {
          masks[3] = read_u32(b, 66);
          has_alpha_mask = masks[3] != 0;
        }
      } else {
        // The plain 40-byte header keeps the masks right after it.
        const std::size_t n = compression == 6 ? 4 : 3;
        if (b.size() < palette_at + 4 * n) return fail("BMP file too short for its colour masks");
        for (std::size_t i = 0; i < n; ++i) masks[i] = read_u32(b, palette_at + 4 * i);
        has_alpha_mask = n == 4 && masks[3] != 0;
        palette_at += 4 * n;
      }
    }
  } else {
    return fail("BMP header of unknown size " + std::to_string(header_size));
  }

  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (std::string e = check_size("BMP", width, height, limits); !e.empty()) return fail(e);
  if (top_down && (compression == 1 || compression == 2))
    return fail("BMP with run-length compression cannot be top-down");

  const bool known_depth = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
  if (!known_depth) return fail("BMP bit depth " + std::to_string(bpp) + " not supported");
  if (compression == 1 && bpp != 8) return fail("BMP RLE8 needs 8 bits per pixel");
  if (compression == 2 && bpp != 4) return fail("BMP RLE4 needs 4 bits per pixel");
  if ((compression == 3 || compression == 6) && bpp != 16 && bpp != 32)
    return fail("BMP bit fields need 16 or 32 bits per pixel");
  if (compression > 3 && compression != 6)
    return fail("BMP compression " + std::to_string(compression) + " not supported");

  // Palette: every index beyond the stored entries is black, as Windows draws it.
  std::array<std::uint32_t, 256> palette;
  palette.fill(argb(255, 0, 0, 0));
  if (bpp <= 8) {
    std::size_t count =
        colours_used == 0 || colours_used > (1u << bpp) ? (1u << bpp) : colours_used;
    if (palette_at > b.size()) return fail("BMP file too short for its colour table");
    count = std::min(count, (b.size() - palette_at) / palette_entry);
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t p = palette_at + i * palette_entry;
      palette[i] = argb(255, static_cast<std::uint8_t>(b[p + 2]),
                        static_cast<std::uint8_t>(b[p + 1]), static_cast<std::uint8_t>(b[p]));
    }
  }

  if (pixel_offset >= b.size() || pixel_offset < 14 + std::min<std::uint32_t>(header_size, 40))
    return fail("BMP pixel data offset " + std::to_string(pixel_offset) + " lies outside the file");
  std::string_view data = b.substr(pixel_offset);

  Bitmap bm;
  allocate(bm, static_cast<int>(width), static_cast<int>(height), palette[0]);
  const int w = bm.width, h = bm.height;
  auto put = [&](int x, int row, std::uint32_t c) {
    const int y = top_down ? row : h - 1 - row;
    bm.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
              static_cast<std::size_t>(x)] = c;
  };

  if (compression == 1 || compression == 2) {
    // Rows run bottom-up; row 0 here is the bottom row.
    std::size_t p = 0;
    int x = 0, row = 0;
    const bool rle4 = compression == 2;
    bool ended = false;
    while (!ended) {
      if (p + 2 > data.size()) {
        if (row >= h - 1) break;  // a missing end marker after the last row is harmless
        return fail("BMP run-length data truncated");
      }
      const unsigned count = static_cast<unsigned char>(data[p]);
      const unsigned value = static_cast<unsigned char>(data[p + 1]);
      p += 2;
      if (count > 0) {
        for (unsigned i = 0; i < count; ++i, ++x) {
          if (x < w && row < h) {
            unsigned idx = rle4 ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value;
            put(x, row, palette[idx]);
          }
        }
      } else if (value == 0) {
        x = 0;
        ++row;
      } else if (value == 1) {
        ended = true;
      } else if (value == 2) {
        if (p + 2 > data.size()) return fail("BMP run-length data truncated");
        x += static_cast<unsigned char>(data[p]);
        row += static_cast<unsigned char>(data[p + 1]);
        p += 2;
      } else {
        const unsigned n = value;
        const std::size_t bytes = rle4 ? (n + 1) / 2 : n;
        const std::size_t padded = (bytes + 1) & ~static_cast<std::size_t>(1);
        if (p + bytes > data.size()) return fail("BMP run-length data truncated");
        for (unsigned i = 0; i < n; ++i, ++x) {
          if (x < w && row < h) {
            unsigned char byte = static_cast<unsigned char>(data[p + (rle4 ? i / 2 : i)]);
            unsigned idx = rle4 ? ((i & 1) ? (byte & 0x0F) : (byte >> 4)) : byte;
            put(x, row, palette[idx]);
          }
        }
        p = std::min(data.size(), p + padded);
      }
      if (row >= h) ended = true;
    }
    PictureResult r;
    r.bitmap = std::move(bm);
    return r;
  }

  const std::uint64_t stride = ((static_cast<std::uint64_t>(w) * bpp + 31) / 32) * 4;
  if (stride * static_cast<std::uint64_t>(h) > data.size())
    return fail("BMP pixel data truncated (" + std::to_string(data.size()) + " of " +
                std::to_string(stride * static_cast<std::uint64_t>(h)) + " bytes)");

  MaskChannel red, green, blue, alpha;
  if (compression == 3 || compression == 6) {
    red = MaskChannel(masks[0]);
    green = MaskChannel(masks[1]);
    blue = MaskChannel(masks[2]);
    if (has_alpha_mask) alpha = MaskChannel(masks[3]);
  } else if (bpp == 16) {
    red = MaskChannel(0x7C00);
    green = MaskChannel(0x03E0);
    blue = MaskChannel(0x001F);
  }

  for (int row = 0; row < h; ++row) {
    const std::size_t base = static_cast<std::size_t>(row) * static_cast<std::size_t>(stride);
    for (int x = 0; x < w; ++x) {
      std::uint32_t c = 0;
      switch (bpp) {
        case 1:
        case 4:
        case 8: {
          const std::size_t bit = static_cast<std::size_t>(x) * bpp;
          const unsigned byte = static_cast<unsigned char>(data[base + bit / 8]);
          const unsigned shift = 8 - bpp - static_cast<unsigned>(bit % 8);
          c = palette[(byte >> shift) & ((1u << bpp) - 1u)];
          break;
        }
        case 16: {
          const std::uint32_t v = read_u16(data, base + static_cast<std::size_t>(x) * 2);
          c = argb(has_alpha_mask ? alpha.get(v) : 255, red.get(v), green.get(v), blue.get(v));
          break;
        }
        case 24: {
          const std::size_t q = base + static_cast<std::size_t>(x) * 3;
          c = argb(255, static_cast<std::uint8_t>(data[q + 2]),
                   static_cast<std::uint8_t>(data[q + 1]), static_cast<std::uint8_t>(data[q]));
          break;
        }
        case 32: {
          const std::size_t q = base + static_cast<std::size_t>(x) * 4;
          if (compression == 3 || compression == 6) {
            const std::uint32_t v = read_u32(data, q);
            c = argb(has_alpha_mask ? alpha.get(v) : 255, red.get(v), green.get(v), blue.get(v));
          } else {
            // The fourth byte of plain 32-bit pixels is unused by Windows.
            c = argb(255, static_cast<std::uint8_t>(data[q + 2]),
                     static_cast<std::uint8_t>(data[q + 1]), static_cast<std::uint8_t>(data[q]));
          }
          break;
        }
      }
      put(x, row, c);
    }
  }
  PictureResult r;
  r.bitmap = std::move(bm);
  return r;
}

// ---- GIF --------------------------------------------------------------------------------

struct MemorySource {
  std::string_view bytes;
  std::size_t pos = 0;
};

int gif_read(GifFileType* gif, GifByteType* buffer, int length) {
  auto* src = static_cast<MemorySource*>(gif->UserData);
  if (length <= 0) return 0;
  const std::size_t n = std::min(static_cast<std::size_t>(length), src->bytes.size() - src->pos);
  std::memcpy(buffer, src->bytes.data() + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

struct GifCloser {
  GifFileType* gif;
  ~GifCloser() {
    if (gif) {
      int err = 0;
      DGifCloseFile(gif, &err);
    }
  }
};

std::string gif_error(const char* what, int code) {
  const char* text = GifErrorString(code);
  return std::string("GIF ") + what + ": " + (text ? text : "unknown error");
}

PictureResult decode_gif_impl(std::string_view b, const PictureLimits& limits) {
  if (b.size() < 13 || b.substr(0, 3) != "GIF")
    return fail("not a GIF file (no \"GIF\" signature)");
  // Check the logical screen before giflib allocates anything for it.
  if (std::string e = check_size("GIF", read_u16(b, 6), read_u16(b, 8), limits); !e.empty())
    return fail(e);

  MemorySource src{b, 0};
  int err = 0;
  GifFileType* gif = DGifOpen(&src, gif_read, &err);
  if (!gif) return fail(gif_error("header unreadable", err));
  GifCloser closer{gif};

  Bitmap bm;
  allocate(bm, gif->SWidth, gif->SHeight, 0);  // outside the first frame: transparent
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR)
      return fail(gif_error("data damaged", gif->Error));
    if (type == TERMINATE_RECORD_TYPE) return fail("GIF file holds no image");
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
        return fail(gif_error("extension damaged", gif->Error));
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1))
        transparent = ext[4];
      while (ext) {
        if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
          return fail(gif_error("extension damaged", gif->Error));
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif) == GIF_ERROR)
      return fail(gif_error("image header damaged", gif->Error));
    break;
  }

  const GifImageDesc& d = gif->Image;
  if (d.Width <= 0 || d.Height <= 0) return fail("GIF image has no pixels");
  if (static_cast<std::int64_t>(d.Width) > limits.max_side ||
      static_cast<std::int64_t>(d.Height) > limits.max_side ||
      static_cast<std::int64_t>(d.Width) * d.Height > limits.max_pixels)
    return fail("GIF image too large");
  const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
  if (!map || !map->Colors || map->ColorCount <= 0) return fail("GIF image has no colour table");

  std::vector<GifPixelType> line(static_cast<std::size_t>(d.Width));
  auto store_row = [&](int row) {
    const int y = d.Top + row;
    if (y < 0 || y >= bm.height) return;
    for (int i = 0; i < d.Width; ++i) {
      const int x = d.Left + i;
      if (x < 0 || x >= bm.width) continue;
      const int idx = line[static_cast<std::size_t>(i)];
      std::uint32_t c;
      if (idx == transparent)
        c = 0;
      else if (idx < map->ColorCount) {
        const GifColorType& g = map->Colors[idx];
        c = argb(255, g.Red, g.Green, g.Blue);
      } else
        c = argb(255, 0, 0, 0);
      bm.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bm.width) +
                static_cast<std::size_t>(x)] = c;
    }
  };
  if (d.Interlace) {
    static constexpr int start[4] = {0, 4, 2, 1};
    static constexpr int step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int row = start[pass]; row < d.Height; row += step[pass]) {
        if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR)
          return fail(gif_error("image data damaged or truncated", gif->Error));
        store_row(row);
      }
  } else {
    for (int row = 0; row < d.Height; ++row) {
      if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR)
        return fail(gif_error("image data damaged or truncated", gif->Error));
      store_row(row);
    }
  }
  PictureResult r;
  r.bitmap = std::move(bm);
  return r;
}

// ---- JPEG -------------------------------------------------------------------------------

// Everything the decoder touches lives behind one pointer, so nothing is held in a
// register across the longjmp that libjpeg's error exit makes.
struct JpegContext {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {0};
  bool truncated = false;
  bool too_many_scans = false;
  std::string_view bytes;
  const PictureLimits* limits = nullptr;
  Bitmap* out = nullptr;
  std::vector<unsigned char>* row = nullptr;
  std::string failure;
};

constexpr int kMaxScans = 1000;  // a progressive file with endless scans would decode forever

void jpeg_error_exit(j_common_ptr cinfo) {
  auto* ctx = static_cast<JpegContext*>(cinfo->client_data);
  (*cinfo->err->format_message)(cinfo, ctx->message);
  std::longjmp(ctx->jump, 1);
}

void jpeg_emit_message(j_common_ptr cinfo, int level) {
  // Warnings are not printed; a premature end of data makes the picture an error, the
  // other warnings (extraneous bytes and the like) are common and harmless.
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
    auto* ctx = static_cast<JpegContext*>(cinfo->client_data);
    ctx->truncated = true;
  }
}

void jpeg_progress(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* ctx = static_cast<JpegContext*>(cinfo->client_data);
    ctx->too_many_scans = true;
    std::snprintf(ctx->message, sizeof ctx->message, "more than %d scans", kMaxScans);
    std::longjmp(ctx->jump, 1);
  }
}

bool jpeg_decode_core(JpegContext* ctx) {
  j_decompress_ptr cinfo = &ctx->cinfo;
  if (setjmp(ctx->jump)) {
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  jpeg_create_decompress(cinfo);
  cinfo->progress = &ctx->progress;
  jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(ctx->bytes.data()),
               static_cast<unsigned long>(ctx->bytes.size()));
  jpeg_read_header(cinfo, TRUE);
  std::string e = check_size("JPEG", cinfo->image_width, cinfo->image_height, *ctx->limits);
  if (!e.empty()) {
    ctx->failure = e;
    jpeg_destroy_decompress(cinfo);
    return false;
  }
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  cinfo->mem->max_memory_to_use =
      static_cast<long>(std::min<std::int64_t>(ctx->limits->max_pixels * 16, 1LL << 30));
  jpeg_start_decompress(cinfo);
  const int w = static_cast<int>(cinfo->output_width), h = static_cast<int>(cinfo->output_height);
  const int comps = cinfo->output_components;
  allocate(*ctx->out, w, h, argb(255, 0, 0, 0));
  ctx->row->assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(comps), 0);
  while (cinfo->output_scanline < cinfo->output_height) {
    const int y = static_cast<int>(cinfo->output_scanline);
    JSAMPROW p = ctx->row->data();
    if (jpeg_read_scanlines(cinfo, &p, 1) != 1) {
      ctx->truncated = true;
      break;
    }
    std::uint32_t* dst =
        ctx->out->pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    const unsigned char* s = ctx->row->data();
    for (int x = 0; x < w; ++x, s += comps) {
      if (cmyk) {
        // Adobe writes CMYK inverted: the stored values are 255 - ink.
        const unsigned k = s[3];
        dst[x] = argb(255, static_cast<std::uint8_t>(s[0] * k / 255),
                      static_cast<std::uint8_t>(s[1] * k / 255),
                      static_cast<std::uint8_t>(s[2] * k / 255));
      } else if (comps >= 3) {
        dst[x] = argb(255, s[0], s[1], s[2]);
      } else {
        dst[x] = argb(255, s[0], s[0], s[0]);
      }
    }
  }
  if (!ctx->truncated) jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return true;
}

PictureResult decode_jpeg_impl(std::string_view b, const PictureLimits& limits) {
  if (b.size() < 4 || static_cast<unsigned char>(b[0]) != 0xFF ||
      static_cast<unsigned char>(b[1]) != 0xD8)
    return fail("not a JPEG file (no start-of-image marker)");
  auto ctx = std::make_unique<JpegContext>();
  Bitmap bm;
  std::vector<unsigned char> row;
  ctx->bytes = b;
  ctx->limits = &limits;
  ctx->out = &bm;
  ctx->row = &row;
  ctx->cinfo.client_data = ctx.get();
  ctx->cinfo.err = jpeg_std_error(&ctx->err);
  ctx->err.error_exit = jpeg_error_exit;
  ctx->err.emit_message = jpeg_emit_message;
  ctx->progress.progress_monitor = jpeg_progress;
  if (!jpeg_decode_core(ctx.get())) {
    if (!ctx->failure.empty()) return fail(ctx->failure);
    return fail(std::string("JPEG data damaged: ") + ctx->message);
  }
  if (ctx->truncated) return fail("JPEG data truncated (premature end of data)");
  PictureResult r;
  r.bitmap = std::move(bm);
  return r;
}

std::string lower_ascii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

}  // namespace

PictureFormat sniff_picture_format(std::string_view b) {
  auto u = [&](std::size_t i) { return static_cast<unsigned char>(b[i]); };
  if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return PictureFormat::bmp;
  if (b.size() >= 6 && (b.substr(0, 6) == "GIF87a" || b.substr(0, 6) == "GIF89a"))
    return PictureFormat::gif;
  if (b.size() >= 3 && u(0) == 0xFF && u(1) == 0xD8 && u(2) == 0xFF) return PictureFormat::jpeg;
  if (b.size() >= 4 && u(0) == 0xD7 && u(1) == 0xCD && u(2) == 0xC6 && u(3) == 0x9A)
    return PictureFormat::wmf;
  if (b.size() >= 44 && read_u32(b, 0) == 1 && read_u32(b, 40) == 0x464D4520)
    return PictureFormat::emf;
  return PictureFormat::unknown;
}

PictureFormat picture_format_from_extension(std::string_view extension) {
  if (!extension.empty() && extension[0] == '.') extension.remove_prefix(1);
  const std::string e = lower_ascii(extension);
  if (e == "bmp" || e == "gra") return PictureFormat::bmp;
  if (e == "gif") return PictureFormat::gif;
  if (e == "jpg" || e == "jpeg") return PictureFormat::jpeg;
  if (e == "wmf") return PictureFormat::wmf;
  if (e == "emf") return PictureFormat::emf;
  return PictureFormat::unknown;
}

PictureResult decode_bmp(std::string_view bytes, const PictureLimits& limits) {
  return decode_bmp_impl(bytes, limits);
}
PictureResult decode_gif(std::string_view bytes, const PictureLimits& limits) {
  return decode_gif_impl(bytes, limits);
}
PictureResult decode_jpeg(std::string_view bytes, const PictureLimits& limits) {
  return decode_jpeg_impl(bytes, limits);
}

PictureResult decode_picture(std::string_view bytes, PictureFormat format,
                             const PictureLimits& limits) {
  if (format == PictureFormat::unknown) format = sniff_picture_format(bytes);
  switch (format) {
    case PictureFormat::bmp:
      return decode_bmp(bytes, limits);
    case PictureFormat::gif:
      return decode_gif(bytes, limits);
    case PictureFormat::jpeg:
      return decode_jpeg(bytes, limits);
    case PictureFormat::wmf:
    case PictureFormat::emf:
      return fail("metafile pictures (WMF, EMF) are not supported");
    case PictureFormat::unknown:
      break;
  }
  return fail("unknown picture format");
}

PictureResult load_picture(const std::string& path, const PictureLimits& limits) {
  // Through the file layer, so a name written in another case or with "\" is found.
  const ReadResult read = read_file(path);
  if (read.error == FileError::io_error) return fail("picture file " + path + " cannot be read");
  if (!read.ok()) return fail("picture file " + path + " cannot be opened");
  const std::string bytes(read.bytes.begin(), read.bytes.end());
  PictureFormat format = sniff_picture_format(bytes);
  if (format == PictureFormat::unknown) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of("/\\");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
      format = picture_format_from_extension(std::string_view(path).substr(dot + 1));
  }
  PictureResult r = decode_picture(bytes, format, limits);
  if (!r.ok()) r.error = path + ": " + r.error;
  return r;
}

std::uint64_t bitmap_digest(const Bitmap& bitmap) {
  std::uint64_t h = 1469598103934665603ULL;
  auto mix = [&](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
      h ^= (v >> (8 * i)) & 0xFFu;
      h *= 1099511628211ULL;
    }
  };
  mix(static_cast<std::uint32_t>(bitmap.width));
  mix(static_cast<std::uint32_t>(bitmap.height));
  for (std::uint32_t p : bitmap.pixels) mix(p);
  return h;
}

}  // namespace platform
