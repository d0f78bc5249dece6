#include "formatter/pages/preview_window.h"

#include <algorithm>

namespace tavrel {

HeadlessPreviewWindow::HeadlessPreviewWindow(std::unique_ptr<platform::Canvas> canvas, int columns,
                                             int rows)
    : canvas_(std::move(canvas)), columns_(std::max(1, columns)), rows_(std::max(1, rows)) {}

platform::Rect HeadlessPreviewWindow::ClientRect() const {
  return {0, 0, canvas_->width(), canvas_->height()};
}

void HeadlessPreviewWindow::SetMatrix(int columns, int rows) {
  columns_ = std::max(1, columns);
  rows_ = std::max(1, rows);
}

void HeadlessPreviewWindow::ClearPreviewArea() {
  const platform::Brush saved = canvas_->brush();
  canvas_->set_brush(platform::Brush{{255, 255, 255}, platform::BrushStyle::solid});
  canvas_->fill_rect(ClientRect());
  canvas_->set_brush(saved);
}

void HeadlessPreviewWindow::DrawPageMatrixGrid() {
  if (columns_ * rows_ <= 1) return;
  const platform::Pen saved = canvas_->pen();
  const platform::Rgb black{0, 0, 0}, silver{192, 192, 192}, grey{128, 128, 128};
  const platform::Rect r = ClientRect();
  // Two-sided: the spine of each spread black, the gap between spreads silver.
  for (int c = 1; c < columns_; ++c) {
    const int x = r.left + (r.width() / columns_) * c;
    canvas_->set_pen(platform::Pen{twoSided_ ? (c % 2 == 0 ? black : silver) : grey, 1,
                                   platform::PenStyle::solid});
    canvas_->move_to(x, r.top);
    canvas_->line_to(x, r.bottom);
  }
  for (int row = 1; row < rows_; ++row) {
    const int y = r.top + (r.height() / rows_) * row;
    canvas_->set_pen(platform::Pen{twoSided_ ? black : grey, 1, platform::PenStyle::solid});
    canvas_->move_to(r.left, y);
    canvas_->line_to(r.right, y);
  }
  canvas_->set_pen(saved);
}

}  // namespace tavrel
