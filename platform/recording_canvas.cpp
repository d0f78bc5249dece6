#include "platform/recording_canvas.h"

#include <cstdio>

namespace platform {

namespace {

std::string hex_colour(const Rgb& c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
  return buf;
}

std::string rect_text(const Rect& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) +
         " " + std::to_string(r.bottom);
}

std::string number_text(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

const char* code_page_name(CodePage cp) {
  switch (cp) {
    case CodePage::cp437:
      return "cp437";
    case CodePage::cp850:
      return "cp850";
    case CodePage::cp1252:
      return "cp1252";
  }
  return "cp?";
}

std::string pen_text(const Pen& p) {
  return "pen " + hex_colour(p.colour) + " " + std::to_string(p.width) +
         (p.style == PenStyle::clear ? " clear" : " solid");
}
std::string brush_text(const Brush& b) {
  return "brush " + hex_colour(b.colour) + (b.style == BrushStyle::clear ? " clear" : " solid");
}

}  // namespace

std::string quote_bytes(std::string_view bytes) {
  std::string r = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      r += '\\';
      r += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      r += static_cast<char>(c);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      r += buf;
    }
  }
  r += '"';
  return r;
}

RecordingCanvas::RecordingCanvas(int dpi, int width, int height, RecordingMetrics metrics)
    : CanvasBase(dpi, width, height), mode_(metrics) {
  if (mode_ == RecordingMetrics::real) measurer_ = std::make_unique<FontMeasurer>();
}

std::string RecordingCanvas::text() const {
  std::string r;
  for (const auto& l : lines_) {
    r += l;
    r += '\n';
  }
  return r;
}

void RecordingCanvas::clear_log() {
  lines_.clear();
  font_logged_ = pen_logged_ = brush_logged_ = false;
}

const FontMetrics& RecordingCanvas::font_metrics() {
  if (measurer_) return measurer_->measure(font_, dpi_);
  for (std::size_t i = 0; i < synthetic_keys_.size(); ++i)
    if (synthetic_keys_[i] == font_) return synthetic_[i];
  FontMetrics fm;
  const FaceStyle fs = split_face_style(font_.face);
  fm.font.family = fs.name;
  fm.font.bold = font_.bold || fs.bold;
  fm.font.italic = font_.italic || fs.italic;
  fm.pixel_size = font_pixel_size(font_.size, dpi_);
  fm.ascent = fm.pixel_size;
  fm.descent = fm.pixel_size / 5;
  fm.height = fm.ascent + fm.descent;
  fm.underline_position = fm.pixel_size / 10;
  fm.underline_thickness = std::max(1, fm.pixel_size / 20);
  for (int c = 0; c < 256; ++c) {
    const bool printable = c >= 0x20 && c != 0x7F;
    fm.advance[static_cast<std::size_t>(c)] = printable ? std::max(1, fm.pixel_size / 2) : 0;
    fm.glyph[static_cast<std::size_t>(c)] = printable ? static_cast<std::uint32_t>(c) : 0;
    fm.drawn[static_cast<std::size_t>(c)] = printable;
  }
  synthetic_keys_.push_back(font_);
  synthetic_.push_back(fm);
  return synthetic_.back();
}

void RecordingCanvas::log_pen() {
  if (pen_logged_ && logged_pen_ == pen_) return;
  lines_.push_back(pen_text(pen_));
  logged_pen_ = pen_;
  pen_logged_ = true;
}

void RecordingCanvas::log_brush() {
  if (brush_logged_ && logged_brush_ == brush_) return;
  lines_.push_back(brush_text(brush_));
  logged_brush_ = brush_;
  brush_logged_ = true;
}

void RecordingCanvas::text_out(int x, int y, std::string_view bytes) {
  if (!font_logged_ || logged_font_ != font_) {
    lines_.push_back("font " + quote_bytes(font_.face) + " " + number_text(font_.size) +
                     (font_.bold ? " bold" : "") + (font_.italic ? " italic" : "") +
                     (font_.underline ? " underline" : "") + " " + hex_colour(font_.colour) + " " +
                     code_page_name(font_.code_page));
    logged_font_ = font_;
    font_logged_ = true;
  }
  if (brush_.style == BrushStyle::solid) log_brush();
  const int w = text_width(bytes);
  lines_.push_back("text " + std::to_string(x) + " " + std::to_string(y) + " " +
                   quote_bytes(bytes) + (brush_.style == BrushStyle::solid ? " opaque" : ""));
  position_ = {x + w, y};
}

void RecordingCanvas::line_to(int x, int y) {
  const Point from = position_;
  position_ = {x, y};
  log_pen();
  lines_.push_back("line " + std::to_string(from.x) + " " + std::to_string(from.y) + " " +
                   std::to_string(x) + " " + std::to_string(y));
}

void RecordingCanvas::rectangle(const Rect& r) {
  log_pen();
  log_brush();
  lines_.push_back("rect " + rect_text(r));
}

void RecordingCanvas::round_rect(const Rect& r, int ellipse_width, int ellipse_height) {
  log_pen();
  log_brush();
  lines_.push_back("roundrect " + rect_text(r) + " " + std::to_string(ellipse_width) + " " +
                   std::to_string(ellipse_height));
}

void RecordingCanvas::ellipse(const Rect& r) {
  log_pen();
  log_brush();
  lines_.push_back("ellipse " + rect_text(r));
}

void RecordingCanvas::fill_rect(const Rect& r) {
  log_brush();
  lines_.push_back("fill " + rect_text(r));
}

void RecordingCanvas::stretch_draw(const Rect& r, const Bitmap& picture) {
  char digest[24];
  std::snprintf(digest, sizeof digest, "%016llx",
                static_cast<unsigned long long>(bitmap_digest(picture)));
  lines_.push_back("picture " + rect_text(r) + " " + std::to_string(picture.width) + "x" +
                   std::to_string(picture.height) + " " + digest);
}

void RecordingCanvas::set_clip(const Rect& r) {
  CanvasBase::set_clip(r);
  lines_.push_back("clip " + rect_text(clip_));
}

void RecordingCanvas::reset_clip() {
  CanvasBase::reset_clip();
  lines_.push_back("noclip");
}

void RecordingCanvas::new_page(int width, int height) {
  set_page_size(width, height);
  lines_.push_back("page " + std::to_string(width) + " " + std::to_string(height));
}

}  // namespace platform
