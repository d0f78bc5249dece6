#include "platform/metafiles.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/files.h"
#include "platform/metafile_writer.h"

#include <cairo.h>
#include <emf2svg.h>
#include <librsvg/rsvg.h>
#include <libwmf/api.h>
#include <libwmf/gd.h>

namespace platform {

namespace {

constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kEmfHeaderSize = 88;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr double kHundredthsMmPerInch = 2540.0;

std::uint32_t get32(std::string_view b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}
std::uint16_t get16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    (static_cast<unsigned char>(b[at + 1]) << 8));
}
int to_pixels(double units, double unitsPerInch) {
  if (unitsPerInch <= 0 || units <= 0) return 0;
  const double px = std::round(units * kMetafileScreenDpi / unitsPerInch);
  return px > 1e6 ? 0 : static_cast<int>(px);
}

MetafileResult metafile_error(std::string text) { return {{}, std::move(text)}; }

MetafileResult read_emf(std::string bytes) {
  if (bytes.size() < kEmfHeaderSize || get32(bytes, 0) != 1 || get32(bytes, 40) != kEmfSignature)
    return metafile_error("not an enhanced metafile");
  const std::uint32_t headerSize = get32(bytes, 4), total = get32(bytes, 48);
  if (headerSize < kEmfHeaderSize || headerSize > bytes.size() || total > bytes.size())
    return metafile_error("enhanced metafile is cut short");
  // The frame (hundredths of a millimetre) is the size the drawing was made for.
  const auto left = static_cast<std::int32_t>(get32(bytes, 24));
  const auto top = static_cast<std::int32_t>(get32(bytes, 28));
  const auto right = static_cast<std::int32_t>(get32(bytes, 32));
  const auto bottom = static_cast<std::int32_t>(get32(bytes, 36));
  Metafile m;
  m.format = PictureFormat::emf;
  m.width = to_pixels(static_cast<double>(right) - left, kHundredthsMmPerInch);
  m.height = to_pixels(static_cast<double>(bottom) - top, kHundredthsMmPerInch);
  m.bytes = std::move(bytes);
  return {std::move(m), {}};
}

MetafileResult read_wmf(std::string bytes) {
  if (bytes.size() < kPlaceableSize + kWmfHeaderSize || get32(bytes, 0) != kPlaceableKey)
    return metafile_error("not a Windows metafile with a placeable header");
  const std::uint16_t type = get16(bytes, kPlaceableSize);
  if ((type != 1 && type != 2) || get16(bytes, kPlaceableSize + 2) != 9)
    return metafile_error("damaged Windows metafile header");
  const auto left = static_cast<std::int16_t>(get16(bytes, 6));
  const auto top = static_cast<std::int16_t>(get16(bytes, 8));
  const auto right = static_cast<std::int16_t>(get16(bytes, 10));
  const auto bottom = static_cast<std::int16_t>(get16(bytes, 12));
  const std::uint16_t inch = get16(bytes, 14);
  Metafile m;
  m.format = PictureFormat::wmf;
  m.width = to_pixels(static_cast<double>(right) - left, inch);
  m.height = to_pixels(static_cast<double>(bottom) - top, inch);
  m.bytes = std::move(bytes);
  return {std::move(m), {}};
}

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// The surface's pixels as a bitmap; the surface was painted opaque, so no alpha to undo.
PictureResult surface_bitmap(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  Bitmap bm;
  bm.width = cairo_image_surface_get_width(surface);
  bm.height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  if (!data || bm.width <= 0 || bm.height <= 0) return {{}, "metafile drew nothing"};
  bm.pixels.resize(static_cast<std::size_t>(bm.width) * static_cast<std::size_t>(bm.height));
  for (int y = 0; y < bm.height; ++y)
    std::memcpy(bm.pixels.data() + static_cast<std::size_t>(y) * bm.width,
                data + static_cast<std::size_t>(y) * stride,
                static_cast<std::size_t>(bm.width) * 4);
  for (std::uint32_t& p : bm.pixels) p |= 0xFF000000u;
  return {std::move(bm), {}};
}

Surface white_surface(int width, int height) {
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  cairo_t* cr = cairo_create(s.get());
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  return s;
}

PictureResult render_emf(const Metafile& m, int width, int height) {
  generatorOptions options{};
  // Without a namespace prefix: the converter does not free the prefix it builds.
  options.nameSpace = nullptr;
  options.svgDelimiter = true;
  options.emfplus = true;
  options.imgWidth = width;
  options.imgHeight = height;
  char* svg = nullptr;
  std::size_t svgLength = 0;
  std::string contents = m.bytes;  // the converter takes a writable buffer
  const int converted = emf2svg(contents.data(), contents.size(), &svg, &svgLength, &options);
  std::unique_ptr<char, decltype(&std::free)> svgOwner(svg, &std::free);
  if (!converted || !svg) return {{}, "enhanced metafile cannot be drawn"};

  GError* error = nullptr;
  RsvgHandle* handle =
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg), svgLength, &error);
  if (!handle) {
    std::string text = std::string("enhanced metafile cannot be drawn: ") +
                       (error ? error->message : "no drawing");
    if (error) g_error_free(error);
    return {{}, text};
  }
  Surface surface = white_surface(width, height);
  cairo_t* cr = cairo_create(surface.get());
  const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
  const gboolean drawn = rsvg_handle_render_document(handle, cr, &viewport, &error);
  cairo_destroy(cr);
  g_object_unref(handle);
  if (!drawn) {
    std::string text = std::string("enhanced metafile cannot be drawn: ") +
                       (error ? error->message : "no drawing");
    if (error) g_error_free(error);
    return {{}, text};
  }
  return surface_bitmap(surface.get());
}

// The length of the PNG that libwmf left in memory, which it does not tell: the chunks up to
// IEND. Bounded by what a PNG of that many pixels can take, so a fault cannot run away.
std::size_t png_length(const unsigned char* png, std::size_t bound) {
  std::size_t at = 8;
  while (at + 12 <= bound) {
    const std::size_t length = (std::size_t{png[at]} << 24) | (std::size_t{png[at + 1]} << 16) |
                               (std::size_t{png[at + 2]} << 8) | png[at + 3];
    if (length > bound - at - 12) return 0;
    const bool end = std::memcmp(png + at + 4, "IEND", 4) == 0;
    at += 12 + length;
    if (end) return at;
  }
  return 0;
}

struct PngReader {
  std::string_view bytes;
  std::size_t at = 0;
};
cairo_status_t read_png(void* closure, unsigned char* data, unsigned int length) {
  auto* r = static_cast<PngReader*>(closure);
  if (r->bytes.size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, r->bytes.data() + r->at, length);
  r->at += length;
  return CAIRO_STATUS_SUCCESS;
}

// libwmf draws into a PNG in memory; cairo reads that back.
PictureResult render_wmf(const Metafile& m, int width, int height) {
  wmfAPI* api = nullptr;
  wmfAPI_Options options{};
  options.function = wmf_gd_function;
  const unsigned long flags =
      WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
    if (api) wmf_api_destroy(api);
    return {{}, "Windows metafile cannot be drawn (no drawing library)"};
  }
  std::string contents = m.bytes;
  std::string png;
  wmfD_Rect bbox{};
  bool drawn = wmf_mem_open(api, reinterpret_cast<unsigned char*>(contents.data()),
                            static_cast<long>(contents.size())) == wmf_E_None &&
               wmf_scan(api, 0, &bbox) == wmf_E_None;
  if (drawn) {
    wmf_gd_t* gd = WMF_GD_GetData(api);
    gd->type = wmf_gd_png;
    gd->width = static_cast<unsigned>(width);
    gd->height = static_cast<unsigned>(height);
    gd->bbox = bbox;
    gd->flags |= WMF_GD_OUTPUT_MEMORY;
    drawn = wmf_play(api, 0, &bbox) == wmf_E_None;
    const auto* memory = reinterpret_cast<const unsigned char*>(gd->memory);
    if (drawn && memory && std::memcmp(memory, "\x89PNG", 4) == 0) {
      const std::size_t bound = static_cast<std::size_t>(width) * height * 5 + (1u << 20);
      png.assign(reinterpret_cast<const char*>(memory), png_length(memory, bound));
    }
  }
  wmf_api_destroy(api);
  if (!drawn || png.empty()) return {{}, "Windows metafile cannot be drawn"};

  PngReader reader{png};
  Surface drawing(cairo_image_surface_create_from_png_stream(read_png, &reader));
  if (cairo_surface_status(drawing.get()) != CAIRO_STATUS_SUCCESS)
    return {{}, "Windows metafile cannot be drawn"};
  Surface surface = white_surface(width, height);
  cairo_t* cr = cairo_create(surface.get());
  const int w = cairo_image_surface_get_width(drawing.get());
  const int h = cairo_image_surface_get_height(drawing.get());
  if (w > 0 && h > 0)
    cairo_scale(cr, static_cast<double>(width) / w, static_cast<double>(height) / h);
  cairo_set_source_surface(cr, drawing.get(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  return surface_bitmap(surface.get());
}

}  // namespace

MetafileResult read_metafile(std::string bytes) {
  switch (sniff_picture_format(bytes)) {
    case PictureFormat::emf:
      return read_emf(std::move(bytes));
    case PictureFormat::wmf:
      return read_wmf(std::move(bytes));
    default:
      return metafile_error("not a metafile");
  }
}

MetafileResult load_metafile(const std::string& path) {
  ReadResult read = read_file(path);
  if (!read.ok()) return metafile_error(path + ": cannot be read");
  MetafileResult result = read_metafile(std::string(read.bytes.begin(), read.bytes.end()));
  if (!result.ok()) result.error = path + ": " + result.error;
  return result;
}

PictureResult render_metafile(const Metafile& metafile, int width, int height,
                              const PictureLimits& limits) {
  if (width <= 0 || height <= 0) return {{}, "metafile: no size to draw at"};
  if (width > limits.max_side || height > limits.max_side ||
      static_cast<std::int64_t>(width) * height > limits.max_pixels)
    return {{}, "metafile: size to draw at is too large"};
  switch (metafile.format) {
    case PictureFormat::emf:
      return render_emf(metafile, width, height);
    case PictureFormat::wmf:
      return render_wmf(metafile, width, height);
    default:
      return {{}, "not a metafile"};
  }
}

EncodeResult write_metafile(const Metafile& metafile, PictureFormat format) {
  if (format != PictureFormat::emf && format != PictureFormat::wmf)
    return {{}, "no metafile format to write"};
  if (metafile.format == format) return {metafile.bytes, {}};
  PictureResult drawn = render_metafile(metafile, metafile.width, metafile.height);
  if (!drawn.ok()) return {{}, drawn.error};
  return metafile_from_bitmap(drawn.bitmap, format);
}

}  // namespace platform
