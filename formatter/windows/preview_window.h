// The preview window (Form3): shows the formatted pages that the page engine paints from the
// preview thread, and turns clicks, keys, the wheel, the menu and its timer into requests to
// the main window. It renders nothing itself. The engine draws into a cairo image surface;
// the window shows that surface through a QImage over the same pixels, under one lock.
#pragma once

#include <QAction>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/pages/preview_window.h"
#include "formatter/windows/preview_thread.h"
#include "platform/cairo_canvas.h"
#include "platform/gui/window_messages.h"

namespace tavrel {

// The twelve menu items in their order.
enum class PreviewMenuItem {
  First,
  Previous,
  Next,
  Last,
  AutoPaging,
  M1x1,
  M2x1,
  M3x1,
  M4x2,
  M6x3,
  M10x5,
  Help
};
inline constexpr int kPreviewMenuItems = 12;

// Columns and rows of a matrix item; {0, 0} for the other items.
struct MatrixSize {
  int Columns = 0, Rows = 0;
};
MatrixSize MatrixOfMenuItem(PreviewMenuItem item);

// The page under (x, y) of a client area width x height showing a columns x rows matrix whose
// first page is first. A cell narrower or lower than one pixel counts as one pixel.
std::int32_t PageUnderPoint(int x, int y, int width, int height, int columns, int rows,
                            std::int32_t first);

class PreviewForm;

// The client area under the menu: shows the engine's surface and reports the mouse and its
// size to the form.
class PreviewArea final : public QWidget {
 public:
  explicit PreviewArea(PreviewForm* form);
  // The next paint only shows what the engine drew; it asks for no redraw.
  void ShowDrawn();
  // A paint of the whole area that asks the engine to draw it again.
  void RepaintAll();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  PreviewForm* form_;
  bool showOnly_ = false;
};

class PreviewForm : public QMainWindow, public PreviewWindow {
  Q_OBJECT
 public:
  // notifier: the main window (WM_MAIN_NOTIFY); control and flags: shared with the preview
  // thread; settings: the record with the window's bounds (may be null).
  PreviewForm(MainNotifier& notifier, PreviewControl& control, PreviewFlags& flags,
              TSettingsRecord* settings = nullptr, std::uint8_t language = 0,
              QWidget* parent = nullptr);
  ~PreviewForm() override;

  // PreviewWindow: called by the page engine from the preview thread.
  platform::Canvas& Canvas() override;
  platform::Rect ClientRect() const override;
  platform::Rect RepaintRect() const override;
  int MatrixColumns() const override { return NewMatrixColumns.load(); }
  int MatrixRows() const override { return NewMatrixRows.load(); }
  bool Landscape() const override { return landscape_.load(); }
  void SetLandscape(bool landscape) override { landscape_ = landscape; }
  void SetTwoSided(bool twoSided) override { TwoSided = twoSided; }
  void SetMenuState(const PreviewMenuState& state) override;
  int ScrollPosition() const override { return scroll_.load(); }
  void ClearPreviewArea() override;
  void DrawPageMatrixGrid() override;
  void Repaint() override;

  // The handlers.
  void MenuEvent(PreviewMenuItem item);
  void SeitenMatrixEvent(PreviewMenuItem item);
  void Timer1OnTimer();
  void Form3OnKeyPress(int code);
  void PageUp();
  void PageDown();
  void Scrolle(double factor);
  std::int32_t MauszeigerSeite(int x, int y) const;
  std::int32_t PageFromScrollPosition(int x) const;
  void GeneralPaint(const platform::Rect& r);

  QAction* MenuAction(PreviewMenuItem item) const { return menu_[static_cast<std::size_t>(item)]; }
  // The whole client area as now shown (for snapshots).
  QImage ShownImage() const;
  std::string HintText() const;
  int TickCounter() const { return ticks_; }
  bool AutoPaging() const { return autoPaging_; }
  // Help topic 21.
  std::function<void(int topic)> ShowHelp;
  // Audible refusal; tests record it.
  std::function<void()> Beep;

  std::atomic<int> NewMatrixColumns{1}, NewMatrixRows{1};
  std::atomic<bool> TwoSided{false};
  std::atomic<bool> EngineAdjusting{false};

  QTimer* Timer1;
  PreviewArea* Area;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  friend class PreviewArea;
  class LockedCanvas;

  void BuildPreviewMenu();
  void Post(std::int32_t code, std::int32_t value) { notifier_.Post(code, value); }
  int PageHeightPixels() const;
  int ScrollRange() const;
  bool ScrollBarVisible() const { return ScrollRange() > 0; }
  bool FirstScreen() const;
  bool LastScreen() const;
  void SetScroll(int position);
  void ClearArea(const platform::Rect& r);
  // Area events.
  void AreaResized(int width, int height);
  void AreaMouseDown(Qt::MouseButton button, int x, int y);
  void AreaMouseMove(int x, int y);
  void AreaMouseUp(Qt::MouseButton button, int x, int y);
  void AreaWheel(int delta);

  MainNotifier& notifier_;
  PreviewControl& control_;
  PreviewFlags& flags_;
  TSettingsRecord* settings_;
  std::uint8_t language_;

  // The engine's surface and its lock: the preview thread draws, the main thread shows.
  mutable std::mutex canvasMutex_;
  platform::ImageCanvas image_;
  std::unique_ptr<LockedCanvas> locked_;
  platform::Rect pending_{};  // under canvasMutex_
  std::string hint_;          // under canvasMutex_

  std::atomic<bool> landscape_{false};
  std::atomic<int> scroll_{0};
  std::array<QAction*, kPreviewMenuItems> menu_{};
  std::unique_ptr<platform::gui::CallQueue> gui_;

  bool initialise_ = true;
  bool buttonDown_ = false, dragging_ = false, clickConsumed_ = false;
  int downX_ = 0, downY_ = 0;
  std::int32_t hoveredPage_ = 0;
  int ticks_ = 0;
  bool autoPaging_ = false;
  int autoPhase_ = 0;
  bool delayedRepaint_ = false;
  int delayedTicks_ = 0;
};

}  // namespace tavrel
