#include "formatter/engine/preview_window.h"

#include <algorithm>

namespace tavrel {

HeadlessPreviewWindow::HeadlessPreviewWindow(std::unique_ptr<platform::Canvas> canvas, int columns, int rows)
    : canvas_(std::move(canvas)), columns_(std::max(1, columns)), rows_(std::max(1, rows)) {}

platform::Rect HeadlessPreviewWindow::ClientRect() const { return {0, 0, canvas_->width(), canvas_->height()}; }

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
  canvas_->set_pen(platform::Pen{{128, 128, 128}, 1, platform::PenStyle::solid});
  const platform::Rect r = ClientRect();
  for (int c = 1; c < columns_; ++c) {
    const int x = r.left + r.width() * c / columns_;
    canvas_->move_to(x, r.top);
    canvas_->line_to(x, r.bottom);
  }
  for (int row = 1; row < rows_; ++row) {
    const int y = r.top + r.height() * row / rows_;
    canvas_->move_to(r.left, y);
    canvas_->line_to(r.right, y);
  }
  canvas_->set_pen(saved);
}

}  // namespace tavrel
