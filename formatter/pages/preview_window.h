#pragma once
// The preview window as the page engine paints into it: its canvas, client and repaint
// rectangles, the page matrix, the landscape flag and the navigation menu items. The window
// itself belongs to the application shell; HeadlessPreviewWindow stands in for it in tests
// and in programs without a screen.

#include <memory>
#include <string>

#include "platform/canvas.h"

namespace tavrel {

struct PreviewMenuState {
  bool First = true, Previous = true, Next = true, Last = true, AutoPaging = true;
  bool operator==(const PreviewMenuState&) const = default;
};

class PreviewWindow {
 public:
  virtual ~PreviewWindow() = default;
  virtual platform::Canvas& Canvas() = 0;
  virtual platform::Rect ClientRect() const = 0;
  // The area to repaint; pages whose cell misses it are left white.
  virtual platform::Rect RepaintRect() const = 0;
  virtual int MatrixColumns() const = 0;
  virtual int MatrixRows() const = 0;
  virtual bool Landscape() const = 0;
  virtual void SetLandscape(bool landscape) = 0;
  virtual void SetTwoSided(bool twoSided) = 0;
  virtual void SetMenuState(const PreviewMenuState& state) = 0;
  virtual int ScrollPosition() const = 0;
  // Clears the page area to white and draws the grid between the cells of the matrix.
  virtual void ClearPreviewArea() = 0;
  virtual void DrawPageMatrixGrid() = 0;
  virtual void Repaint() = 0;
};

// A window without a screen: it paints onto the canvas it is given (an image canvas for
// snapshots, a recording canvas for logs) and keeps what the engine set.
class HeadlessPreviewWindow final : public PreviewWindow {
 public:
  HeadlessPreviewWindow(std::unique_ptr<platform::Canvas> canvas, int columns = 1, int rows = 1);

  platform::Canvas& Canvas() override { return *canvas_; }
  platform::Rect ClientRect() const override;
  platform::Rect RepaintRect() const override { return repaint_.empty() ? ClientRect() : repaint_; }
  int MatrixColumns() const override { return columns_; }
  int MatrixRows() const override { return rows_; }
  bool Landscape() const override { return landscape_; }
  void SetLandscape(bool landscape) override { landscape_ = landscape; }
  void SetTwoSided(bool twoSided) override { twoSided_ = twoSided; }
  void SetMenuState(const PreviewMenuState& state) override { menu_ = state; }
  int ScrollPosition() const override { return 0; }
  void ClearPreviewArea() override;
  void DrawPageMatrixGrid() override;
  void Repaint() override { ++repaints_; }

  void SetMatrix(int columns, int rows);
  void SetRepaintRect(const platform::Rect& r) { repaint_ = r; }
  bool TwoSided() const { return twoSided_; }
  const PreviewMenuState& Menu() const { return menu_; }
  int Repaints() const { return repaints_; }

 private:
  std::unique_ptr<platform::Canvas> canvas_;
  int columns_, rows_;
  bool landscape_ = false;
  bool twoSided_ = false;
  PreviewMenuState menu_;
  platform::Rect repaint_{};
  int repaints_ = 0;
};

}  // namespace tavrel
