#include "platform/canvas.h"

#include <algorithm>

namespace platform {

Rect Rect::normalized() const {
  return Rect{std::min(left, right), std::min(top, bottom), std::max(left, right),
              std::max(top, bottom)};
}

int Canvas::text_width(std::string_view bytes) {
  const FontMetrics& fm = font_metrics();
  int w = 0;
  for (unsigned char c : bytes) w += fm.advance[c];
  return w;
}

int Canvas::text_height(std::string_view) { return font_metrics().height; }

CanvasBase::CanvasBase(int dpi, int width, int height)
    : dpi_(std::max(1, dpi)), width_(std::max(0, width)), height_(std::max(0, height)) {}

void CanvasBase::set_clip(const Rect& r) {
  clipped_ = true;
  clip_ = r.normalized();
}

void CanvasBase::reset_clip() {
  clipped_ = false;
  clip_ = {};
}

Rect CanvasBase::clip_rect() const { return clipped_ ? clip_ : Rect{0, 0, width_, height_}; }

void CanvasBase::set_page_size(int width, int height) {
  width_ = std::max(0, width);
  height_ = std::max(0, height);
}

}  // namespace platform
