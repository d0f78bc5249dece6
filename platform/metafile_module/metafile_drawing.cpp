#include "platform/metafile_module/metafile_drawing.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include <cairo.h>
#include <emf2svg.h>
#include <librsvg/rsvg.h>
#include <libwmf/api.h>
#include <libwmf/gd.h>

namespace platform::metafile_module {

int fail(char* error, std::size_t errorSize, const std::string& text) {
  if (errorSize > 0) {
    const std::size_t n = std::min(text.size(), errorSize - 1);
    std::memcpy(error, text.data(), n);
    error[n] = '\0';
  }
  return 0;
}

namespace {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// The surface's pixels into the caller's rows; the surface was painted opaque, so no alpha to
// undo.
int copy_pixels(cairo_surface_t* surface, int width, int height, std::uint32_t* pixels, char* error,
                std::size_t errorSize) {
  cairo_surface_flush(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  if (!data || cairo_image_surface_get_width(surface) != width ||
      cairo_image_surface_get_height(surface) != height)
    return fail(error, errorSize, "metafile drew nothing");
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = pixels + static_cast<std::size_t>(y) * width;
    std::memcpy(row, data + static_cast<std::size_t>(y) * stride,
                static_cast<std::size_t>(width) * 4);
    for (int x = 0; x < width; ++x) row[x] |= 0xFF000000u;
  }
  return 1;
}

Surface white_surface(int width, int height) {
  Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
  cairo_t* cr = cairo_create(s.get());
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  return s;
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

}  // namespace

int draw_emf(const char* bytes, std::size_t size, int width, int height, std::uint32_t* pixels,
             char* error, std::size_t errorSize) {
  generatorOptions options{};
  // Without a namespace prefix: the converter does not free the prefix it builds.
  options.nameSpace = nullptr;
  options.svgDelimiter = true;
  options.emfplus = true;
  options.imgWidth = width;
  options.imgHeight = height;
  char* svg = nullptr;
  std::size_t svgLength = 0;
  std::string contents(bytes, size);  // the converter takes a writable buffer
  const int converted = emf2svg(contents.data(), contents.size(), &svg, &svgLength, &options);
  std::unique_ptr<char, decltype(&std::free)> svgOwner(svg, &std::free);
  if (!converted || !svg) return fail(error, errorSize, "enhanced metafile cannot be drawn");

  GError* gerror = nullptr;
  RsvgHandle* handle =
      rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg), svgLength, &gerror);
  const auto drawFailed = [&] {
    const std::string text = std::string("enhanced metafile cannot be drawn: ") +
                             (gerror ? gerror->message : "no drawing");
    if (gerror) g_error_free(gerror);
    return fail(error, errorSize, text);
  };
  if (!handle) return drawFailed();
  Surface surface = white_surface(width, height);
  cairo_t* cr = cairo_create(surface.get());
  const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
  const gboolean drawn = rsvg_handle_render_document(handle, cr, &viewport, &gerror);
  cairo_destroy(cr);
  g_object_unref(handle);
  if (!drawn) return drawFailed();
  return copy_pixels(surface.get(), width, height, pixels, error, errorSize);
}

// libwmf draws into a PNG in memory; cairo reads that back.
int draw_wmf(const char* bytes, std::size_t size, int width, int height, std::uint32_t* pixels,
             char* error, std::size_t errorSize) {
  wmfAPI* api = nullptr;
  wmfAPI_Options options{};
  options.function = wmf_gd_function;
  const unsigned long flags =
      WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
  if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
    if (api) wmf_api_destroy(api);
    return fail(error, errorSize, "Windows metafile cannot be drawn (no drawing library)");
  }
  std::string contents(bytes, size);
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
  if (!drawn || png.empty()) return fail(error, errorSize, "Windows metafile cannot be drawn");

  PngReader reader{png};
  Surface drawing(cairo_image_surface_create_from_png_stream(read_png, &reader));
  if (cairo_surface_status(drawing.get()) != CAIRO_STATUS_SUCCESS)
    return fail(error, errorSize, "Windows metafile cannot be drawn");
  Surface surface = white_surface(width, height);
  cairo_t* cr = cairo_create(surface.get());
  const int w = cairo_image_surface_get_width(drawing.get());
  const int h = cairo_image_surface_get_height(drawing.get());
  if (w > 0 && h > 0)
    cairo_scale(cr, static_cast<double>(width) / w, static_cast<double>(height) / h);
  cairo_set_source_surface(cr, drawing.get(), 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  return copy_pixels(surface.get(), width, height, pixels, error, errorSize);
}

}  // namespace platform::metafile_module
