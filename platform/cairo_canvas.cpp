#include "platform/cairo_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

namespace platform {

namespace {

// A box path for outlines: corners at pixel centres, so a one-dot pen covers exactly the
// columns left..right-1 and rows top..bottom-1.
struct Box {
  double x, y, w, h;
};

Box stroke_box(const Rect& r) {
  return Box{r.left + 0.5, r.top + 0.5, static_cast<double>(r.width() - 1),
             static_cast<double>(r.height() - 1)};
}

// With a clear pen GDI fills one dot less to the right and at the bottom.
Box null_pen_box(const Rect& r) {
  return Box{static_cast<double>(r.left), static_cast<double>(r.top),
             static_cast<double>(r.width() - 1), static_cast<double>(r.height() - 1)};
}

void path_ellipse(cairo_t* cr, const Box& b) {
  if (b.w <= 0 || b.h <= 0) {
    cairo_rectangle(cr, b.x, b.y, std::max(b.w, 0.0), std::max(b.h, 0.0));
    return;
  }
  cairo_save(cr);
  cairo_translate(cr, b.x + b.w / 2, b.y + b.h / 2);
  cairo_scale(cr, b.w / 2, b.h / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_close_path(cr);
  cairo_restore(cr);
}

void path_round_rect(cairo_t* cr, const Box& b, double rx, double ry) {
  rx = std::clamp(rx, 0.0, b.w / 2);
  ry = std::clamp(ry, 0.0, b.h / 2);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    return;
  }
  auto corner = [&](double cx, double cy, double a0, double a1) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, a0, a1);
    cairo_restore(cr);
  };
  cairo_new_sub_path(cr);
  corner(b.x + b.w - rx, b.y + ry, -M_PI / 2, 0);
  corner(b.x + b.w - rx, b.y + b.h - ry, 0, M_PI / 2);
  corner(b.x + rx, b.y + b.h - ry, M_PI / 2, M_PI);
  corner(b.x + rx, b.y + ry, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

}  // namespace

struct CairoCanvas::PendingText {
  cairo_font_face_t* face = nullptr;
  int pixel_size = 0;
  Rgb colour;
  std::vector<cairo_glyph_t> glyphs;
  std::vector<cairo_text_cluster_t> clusters;
  std::string utf8;
};

CairoCanvas::CairoCanvas(int dpi, int width, int height)
    : CanvasBase(dpi, width, height), pending_(std::make_unique<PendingText>()) {}

CairoCanvas::~CairoCanvas() {
  detach();
  for (auto& [key, face] : faces_) cairo_font_face_destroy(face);
}

void CairoCanvas::attach(cairo_surface_t* surface) {
  detach();
  cr_ = cairo_create(surface);
  cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_hint_style(fo, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr_, fo);
  cairo_font_options_destroy(fo);
  apply_clip();
}

void CairoCanvas::detach() {
  flush_text();
  if (cr_) cairo_destroy(cr_);
  cr_ = nullptr;
}

void CairoCanvas::flush_text() const {
  PendingText& p = *pending_;
  if (p.glyphs.empty()) return;
  if (cr_) {
    cairo_set_font_face(cr_, p.face);
    cairo_set_font_size(cr_, p.pixel_size);
    cairo_set_source_rgb(cr_, p.colour.r / 255.0, p.colour.g / 255.0, p.colour.b / 255.0);
    // The text clusters carry the characters into PostScript and PDF, so text can be
    // extracted again.
    cairo_show_text_glyphs(cr_, p.utf8.data(), static_cast<int>(p.utf8.size()), p.glyphs.data(),
                           static_cast<int>(p.glyphs.size()), p.clusters.data(),
                           static_cast<int>(p.clusters.size()), cairo_text_cluster_flags_t(0));
  }
  p.glyphs.clear();
  p.clusters.clear();
  p.utf8.clear();
}

const FontMetrics& CairoCanvas::font_metrics() { return *font_in_use().metrics; }

const CairoCanvas::FontInUse& CairoCanvas::font_in_use() {
  const FontSpec& wanted = font_;
  if (in_use_.metrics && in_use_.dpi == dpi_ && in_use_.font == wanted) return in_use_;
  // The measurer keeps its metrics for its lifetime, so the pointer stays valid.
  const FontMetrics& fm = measurer_.measure(wanted, dpi_);
  in_use_.font = wanted;
  in_use_.dpi = dpi_;
  in_use_.metrics = &fm;
  in_use_.face = nullptr;
  for (int c = 0; c < 256; ++c) {
    in_use_.utf8[c].clear();
    append_utf8(in_use_.utf8[c], to_unicode(wanted.code_page, static_cast<std::uint8_t>(c)));
  }
  if (!fm.font.file.empty()) {
    const SyntheticStyle synthetic = synthetic_style(wanted, fm.font);
    in_use_.face = font_face(fm, synthetic.bold, synthetic.italic);
  }
  return in_use_;
}

cairo_font_face_t* CairoCanvas::font_face(const FontMetrics& fm, bool synth_bold,
                                          bool synth_italic) {
  auto key = std::make_tuple(fm.font.file, fm.font.index, synth_bold, synth_italic);
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second;
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(p, FC_FILE, reinterpret_cast<const FcChar8*>(fm.font.file.c_str()));
  FcPatternAddInteger(p, FC_INDEX, fm.font.index);
  cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(p);
  FcPatternDestroy(p);
  unsigned flags = 0;
  if (synth_bold) flags |= CAIRO_FT_SYNTHESIZE_BOLD;
  if (synth_italic) flags |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
  if (flags) cairo_ft_font_face_set_synthesize(face, flags);
  faces_.emplace(key, face);
  return face;
}

void CairoCanvas::set_source(const Rgb& c) {
  cairo_set_source_rgb(cr_, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

void CairoCanvas::text_out(int x, int y, std::string_view bytes) {
  const FontInUse& use = font_in_use();
  const FontMetrics& fm = *use.metrics;
  int w = 0;
  for (unsigned char c : bytes) w += fm.advance[c];
  position_ = {x + w, y};
  if (!cr_ || bytes.empty()) return;

  if (brush_.style == BrushStyle::solid) {
    flush_text();
    set_source(brush_.colour);
    cairo_rectangle(cr_, x, y, w, fm.height);
    cairo_fill(cr_);
  }
  if (cairo_font_face_t* face = use.face) {
    PendingText& p = *pending_;
    if (!p.glyphs.empty() &&
        (p.face != face || p.pixel_size != fm.pixel_size || p.colour != font_.colour))
      flush_text();
    p.face = face;
    p.pixel_size = fm.pixel_size;
    p.colour = font_.colour;
    int pen = x;
    for (unsigned char c : bytes) {
      if (fm.drawn[c]) {
        p.glyphs.push_back(cairo_glyph_t{fm.glyph[c], static_cast<double>(pen),
                                         static_cast<double>(y + fm.ascent)});
        p.utf8 += use.utf8[c];
        p.clusters.push_back(cairo_text_cluster_t{static_cast<int>(use.utf8[c].size()), 1});
      }
      pen += fm.advance[c];
    }
  }
  if (font_.underline) {
    flush_text();
    set_source(font_.colour);
    const int top = y + fm.ascent + fm.underline_position - fm.underline_thickness / 2;
    cairo_rectangle(cr_, x, top, w, fm.underline_thickness);
    cairo_fill(cr_);
  }
}

void CairoCanvas::line_to(int x, int y) {
  flush_text();
  const Point from = position_;
  position_ = {x, y};
  if (!cr_ || pen_.style == PenStyle::clear || from == position_) return;
  set_source(pen_.colour);
  cairo_set_line_width(cr_, std::max(1, pen_.width));
  if (from.y == y) {
    // Horizontal: the dots from the start up to, not including, the end.
    const double a = x > from.x ? from.x : x + 1, b = x > from.x ? x : from.x + 1;
    cairo_move_to(cr_, a, y + 0.5);
    cairo_line_to(cr_, b, y + 0.5);
  } else if (from.x == x) {
    const double a = y > from.y ? from.y : y + 1, b = y > from.y ? y : from.y + 1;
    cairo_move_to(cr_, x + 0.5, a);
    cairo_line_to(cr_, x + 0.5, b);
  } else {
    cairo_move_to(cr_, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr_, x + 0.5, y + 0.5);
  }
  cairo_stroke(cr_);
}

void CairoCanvas::rectangle(const Rect& rect) {
  flush_text();
  const Rect r = rect.normalized();
  if (!cr_ || r.empty()) return;
  if (pen_.style == PenStyle::clear) {
    if (brush_.style == BrushStyle::solid) {
      const Box b = null_pen_box(r);
      set_source(brush_.colour);
      cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
      cairo_fill(cr_);
    }
    return;
  }
  if (r.width() < 2 || r.height() < 2) {
    set_source(pen_.colour);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    cairo_fill(cr_);
    return;
  }
  const Box b = stroke_box(r);
  if (brush_.style == BrushStyle::solid) {
    set_source(brush_.colour);
    cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
    cairo_fill(cr_);
  }
  set_source(pen_.colour);
  cairo_set_line_width(cr_, std::max(1, pen_.width));
  cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
  cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
  cairo_stroke(cr_);
}

void CairoCanvas::round_rect(const Rect& rect, int ellipse_width, int ellipse_height) {
  flush_text();
  const Rect r = rect.normalized();
  if (!cr_ || r.empty()) return;
  const Box b = pen_.style == PenStyle::clear ? null_pen_box(r) : stroke_box(r);
  const double rx = std::abs(ellipse_width) / 2.0, ry = std::abs(ellipse_height) / 2.0;
  if (brush_.style == BrushStyle::solid) {
    set_source(brush_.colour);
    path_round_rect(cr_, b, rx, ry);
    cairo_fill(cr_);
  }
  if (pen_.style == PenStyle::solid) {
    set_source(pen_.colour);
    cairo_set_line_width(cr_, std::max(1, pen_.width));
    path_round_rect(cr_, b, rx, ry);
    cairo_stroke(cr_);
  }
}

void CairoCanvas::ellipse(const Rect& rect) {
  flush_text();
  const Rect r = rect.normalized();
  if (!cr_ || r.empty()) return;
  const Box b = pen_.style == PenStyle::clear ? null_pen_box(r) : stroke_box(r);
  if (brush_.style == BrushStyle::solid) {
    set_source(brush_.colour);
    path_ellipse(cr_, b);
    cairo_fill(cr_);
  }
  if (pen_.style == PenStyle::solid) {
    set_source(pen_.colour);
    cairo_set_line_width(cr_, std::max(1, pen_.width));
    path_ellipse(cr_, b);
    cairo_stroke(cr_);
  }
}

void CairoCanvas::fill_rect(const Rect& rect) {
  flush_text();
  if (!cr_ || rect.empty() || brush_.style == BrushStyle::clear) return;
  set_source(brush_.colour);
  cairo_rectangle(cr_, rect.left, rect.top, rect.width(), rect.height());
  cairo_fill(cr_);
}

void CairoCanvas::stretch_draw(const Rect& rect, const Bitmap& picture) {
  flush_text();
  const Rect r = rect.normalized();
  if (!cr_ || r.empty() || picture.empty() ||
      picture.pixels.size() <
          static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height))
    return;
  cairo_surface_t* img =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
  if (cairo_surface_status(img) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(img);
    return;
  }
  cairo_surface_flush(img);
  unsigned char* data = cairo_image_surface_get_data(img);
  const int stride = cairo_image_surface_get_stride(img);
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t p = picture.pixel(x, y);
      const std::uint32_t a = p >> 24;
      // cairo wants premultiplied alpha.
      const std::uint32_t r8 = ((p >> 16) & 0xFF) * a / 255, g8 = ((p >> 8) & 0xFF) * a / 255,
                          b8 = (p & 0xFF) * a / 255;
      row[x] = (a << 24) | (r8 << 16) | (g8 << 8) | b8;
    }
  }
  cairo_surface_mark_dirty(img);
  cairo_save(cr_);
  cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
  cairo_clip(cr_);
  cairo_translate(cr_, r.left, r.top);
  cairo_scale(cr_, static_cast<double>(r.width()) / picture.width,
              static_cast<double>(r.height()) / picture.height);
  cairo_set_source_surface(cr_, img, 0, 0);
  cairo_pattern_t* pat = cairo_get_source(cr_);
  cairo_pattern_set_extend(pat, CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(pat, CAIRO_FILTER_GOOD);
  cairo_paint(cr_);
  cairo_restore(cr_);
  cairo_surface_destroy(img);
}

void CairoCanvas::apply_clip() {
  flush_text();
  if (!cr_) return;
  cairo_reset_clip(cr_);
  if (clipped_) {
    cairo_rectangle(cr_, clip_.left, clip_.top, clip_.width(), clip_.height());
    cairo_clip(cr_);
  }
}

void CairoCanvas::set_clip(const Rect& r) {
  CanvasBase::set_clip(r);
  apply_clip();
}

void CairoCanvas::reset_clip() {
  CanvasBase::reset_clip();
  apply_clip();
}

// ---- Image ------------------------------------------------------------------------------

ImageCanvas::ImageCanvas(int dpi, int width, int height) : CairoCanvas(dpi, width, height) {
  clear(width, height);
}

ImageCanvas::~ImageCanvas() {
  detach();
  if (image_) cairo_surface_destroy(image_);
}

void ImageCanvas::clear(int width, int height) {
  detach();
  if (image_) cairo_surface_destroy(image_);
  set_page_size(width, height);
  image_ =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(1, width_), std::max(1, height_));
  attach(image_);
  cairo_save(cr());
  cairo_reset_clip(cr());
  cairo_set_source_rgb(cr(), 1, 1, 1);
  cairo_paint(cr());
  cairo_restore(cr());
}

bool ImageCanvas::write_png(const std::string& path, std::string* error) const {
  flush_text();
  cairo_surface_flush(image_);
  const std::string temp = path + ".tmp";
  cairo_status_t st = cairo_surface_write_to_png(image_, temp.c_str());
  if (st == CAIRO_STATUS_SUCCESS && std::rename(temp.c_str(), path.c_str()) == 0) return true;
  std::remove(temp.c_str());
  if (error)
    *error = "PNG file " + path + " cannot be written" +
             (st != CAIRO_STATUS_SUCCESS ? std::string(": ") + cairo_status_to_string(st)
                                         : std::string());
  return false;
}

ImageCanvas::Pixels ImageCanvas::pixels() const {
  flush_text();
  cairo_surface_flush(image_);
  return {cairo_image_surface_get_data(image_), cairo_image_surface_get_width(image_),
          cairo_image_surface_get_height(image_), cairo_image_surface_get_stride(image_)};
}

Bitmap ImageCanvas::snapshot() const {
  flush_text();
  cairo_surface_flush(image_);
  Bitmap bm;
  bm.width = cairo_image_surface_get_width(image_);
  bm.height = cairo_image_surface_get_height(image_);
  bm.pixels.resize(static_cast<std::size_t>(bm.width) * static_cast<std::size_t>(bm.height));
  const unsigned char* data = cairo_image_surface_get_data(image_);
  const int stride = cairo_image_surface_get_stride(image_);
  for (int y = 0; y < bm.height; ++y) {
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (int x = 0; x < bm.width; ++x)
      bm.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(bm.width) +
                static_cast<std::size_t>(x)] = 0xFF000000u | (row[x] & 0x00FFFFFFu);
  }
  return bm;
}

}  // namespace platform
