#include "formatter/windows/preview_window.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QThread>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "formatter/windows/form_captions.h"

namespace tavrel {

namespace {

struct MenuRow {
  PreviewMenuItem Item;
  const char* English;
  const char* German;
  MatrixSize Matrix;
};

const MenuRow kMenuRows[kPreviewMenuItems] = {
    {PreviewMenuItem::First, "|<", "|<", {}},
    {PreviewMenuItem::Previous, "<", "<", {}},
    {PreviewMenuItem::Next, ">", ">", {}},
    {PreviewMenuItem::Last, ">|", ">|", {}},
    {PreviewMenuItem::AutoPaging, ">>>", ">>>", {}},
    {PreviewMenuItem::M1x1, "1x1", "1x1", {1, 1}},
    {PreviewMenuItem::M2x1, "2x1", "2x1", {2, 1}},
    {PreviewMenuItem::M3x1, "3x1", "3x1", {3, 1}},
    {PreviewMenuItem::M4x2, "4x2", "4x2", {4, 2}},
    {PreviewMenuItem::M6x3, "6x3", "6x3", {6, 3}},
    {PreviewMenuItem::M10x5, "10x5", "10x5", {10, 5}},
    {PreviewMenuItem::Help, "Help", "Hilfe", {}},
};

const MenuRow& RowOf(PreviewMenuItem item) {
  const auto i = static_cast<std::size_t>(item);
  return kMenuRows[i < std::size(kMenuRows) ? i : std::size(kMenuRows) - 1];
}

bool IsMatrixItem(PreviewMenuItem item) { return RowOf(item).Matrix.Columns > 0; }

constexpr double kPageAspect = 11.7 / 8.3;  // height over width of a portrait page
constexpr int kEdgePixels = 30;             // "at top" / "at bottom" tolerance

}  // namespace

MatrixSize MatrixOfMenuItem(PreviewMenuItem item) { return RowOf(item).Matrix; }

std::int32_t PageUnderPoint(int x, int y, int width, int height, int columns, int rows,
                            std::int32_t first) {
  columns = std::max(1, columns);
  rows = std::max(1, rows);
  // A window narrower than its columns (or lower than its rows) has cells of zero pixels;
  // one pixel keeps the division defined.
  const int cellW = std::max(1, width / columns);
  const int cellH = std::max(1, height / rows);
  const int column = std::clamp(x / cellW, 0, columns - 1);
  const int row = std::clamp(y / cellH, 0, rows - 1);
  return first + column + columns * row;
}

// The engine's canvas: every call holds the window's canvas lock, so the main thread never
// shows pixels half drawn by the preview thread, and a resize never swaps the surface under
// a drawing call.
class PreviewForm::LockedCanvas final : public platform::Canvas {
 public:
  LockedCanvas(std::mutex& m, platform::ImageCanvas& c) : m_(m), c_(c) {}
  int dpi() const override { return c_.dpi(); }
  int width() const override {
    Guard g(m_);
    return c_.width();
  }
  int height() const override {
    Guard g(m_);
    return c_.height();
  }
  void set_font(const platform::CanvasFont& f) override {
    Guard g(m_);
    c_.set_font(f);
  }
  const platform::CanvasFont& font() const override { return c_.font(); }
  const platform::FontMetrics& font_metrics() override {
    Guard g(m_);
    return c_.font_metrics();
  }
  void text_out(int x, int y, std::string_view b) override {
    Guard g(m_);
    c_.text_out(x, y, b);
  }
  void set_pen(const platform::Pen& p) override {
    Guard g(m_);
    c_.set_pen(p);
  }
  const platform::Pen& pen() const override { return c_.pen(); }
  void set_brush(const platform::Brush& b) override {
    Guard g(m_);
    c_.set_brush(b);
  }
  const platform::Brush& brush() const override { return c_.brush(); }
  void move_to(int x, int y) override {
    Guard g(m_);
    c_.move_to(x, y);
  }
  void line_to(int x, int y) override {
    Guard g(m_);
    c_.line_to(x, y);
  }
  platform::Point pen_position() const override {
    Guard g(m_);
    return c_.pen_position();
  }
  void rectangle(const platform::Rect& r) override {
    Guard g(m_);
    c_.rectangle(r);
  }
  void round_rect(const platform::Rect& r, int w, int h) override {
    Guard g(m_);
    c_.round_rect(r, w, h);
  }
  void ellipse(const platform::Rect& r) override {
    Guard g(m_);
    c_.ellipse(r);
  }
  void fill_rect(const platform::Rect& r) override {
    Guard g(m_);
    c_.fill_rect(r);
  }
  void stretch_draw(const platform::Rect& r, const platform::Bitmap& p) override {
    Guard g(m_);
    c_.stretch_draw(r, p);
  }
  void set_clip(const platform::Rect& r) override {
    Guard g(m_);
    c_.set_clip(r);
  }
  void reset_clip() override {
    Guard g(m_);
    c_.reset_clip();
  }
  platform::Rect clip_rect() const override {
    Guard g(m_);
    return c_.clip_rect();
  }

 private:
  using Guard = std::lock_guard<std::mutex>;
  std::mutex& m_;
  platform::ImageCanvas& c_;
};

PreviewArea::PreviewArea(PreviewForm* form) : QWidget(form), form_(form) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewArea::ShowDrawn() {
  showOnly_ = true;
  update();
}

void PreviewArea::RepaintAll() {
  showOnly_ = false;
  update();
}

void PreviewArea::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    std::lock_guard<std::mutex> lock(form_->canvasMutex_);
    const platform::ImageCanvas::Pixels px = form_->image_.pixels();
    const QImage view(px.data, px.width, px.height, px.stride, QImage::Format_RGB32);
    painter.fillRect(rect(), Qt::white);
    painter.drawImage(0, 0, view);
  }
  if (showOnly_) {
    showOnly_ = false;
    return;
  }
  const QRect r = event->rect();
  form_->GeneralPaint({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
}

void PreviewArea::resizeEvent(QResizeEvent*) { form_->AreaResized(width(), height()); }

void PreviewArea::mousePressEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  form_->AreaMouseDown(e->button(), p.x(), p.y());
}

void PreviewArea::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  form_->AreaMouseMove(p.x(), p.y());
}

void PreviewArea::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  form_->AreaMouseUp(e->button(), p.x(), p.y());
}

void PreviewArea::wheelEvent(QWheelEvent* e) { form_->AreaWheel(e->angleDelta().y()); }

PreviewForm::PreviewForm(MainNotifier& notifier, PreviewControl& control, PreviewFlags& flags,
                         TSettingsRecord* settings, std::uint8_t language, QWidget* parent)
    : QMainWindow(parent),
      notifier_(notifier),
      control_(control),
      flags_(flags),
      settings_(settings),
      language_(language),
      image_(96, 1, 1) {
  setObjectName("Form3");
  setWindowTitle("Preview");
  locked_ = std::make_unique<LockedCanvas>(canvasMutex_, image_);
  gui_ = std::make_unique<platform::gui::CallQueue>(this);
  Area = new PreviewArea(this);
  setCentralWidget(Area);
  Timer1 = new QTimer(this);
  Timer1->setInterval(250);
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1OnTimer(); });
  BuildPreviewMenu();
  resize(600, 800);
}

PreviewForm::~PreviewForm() { gui_->close(); }

platform::Canvas& PreviewForm::Canvas() { return *locked_; }

platform::Rect PreviewForm::ClientRect() const {
  std::lock_guard<std::mutex> lock(canvasMutex_);
  return {0, 0, image_.width(), image_.height()};
}

platform::Rect PreviewForm::RepaintRect() const {
  std::lock_guard<std::mutex> lock(canvasMutex_);
  const platform::Rect all{0, 0, image_.width(), image_.height()};
  return flags_.Busy.load() && !pending_.empty() ? pending_ : all;
}

void PreviewForm::SetMenuState(const PreviewMenuState& state) {
  gui_->post([this, state] {
    MenuAction(PreviewMenuItem::First)->setEnabled(state.First);
    MenuAction(PreviewMenuItem::Previous)->setEnabled(state.Previous);
    MenuAction(PreviewMenuItem::Next)->setEnabled(state.Next);
    MenuAction(PreviewMenuItem::Last)->setEnabled(state.Last);
    MenuAction(PreviewMenuItem::AutoPaging)->setEnabled(state.AutoPaging);
    setWindowTitle(QString::fromStdString(HintText() + control_.GetCaption()));
    Area->ShowDrawn();
  });
}

void PreviewForm::Repaint() {
  gui_->post([this] { Area->ShowDrawn(); });
}

void PreviewForm::ClearArea(const platform::Rect& r) {
  const platform::Brush saved = image_.brush();
  image_.set_brush(platform::Brush{{255, 255, 255}, platform::BrushStyle::solid});
  image_.fill_rect(r);
  image_.set_brush(saved);
}

void PreviewForm::ClearPreviewArea() {
  std::lock_guard<std::mutex> lock(canvasMutex_);
  const platform::Rect all{0, 0, image_.width(), image_.height()};
  ClearArea(flags_.Busy.load() && !pending_.empty() ? pending_ : all);
}

void PreviewForm::DrawPageMatrixGrid() {
  const int columns = std::max(1, NewMatrixColumns.load());
  const int rows = std::max(1, NewMatrixRows.load());
  const bool twoSided = TwoSided.load();
  std::lock_guard<std::mutex> lock(canvasMutex_);
  const int width = image_.width(), height = image_.height();
  const platform::Pen saved = image_.pen();
  const platform::Rgb black{0, 0, 0}, silver{192, 192, 192}, grey{128, 128, 128};
  for (int k = 1; k < columns; ++k) {
    const int x = k * (width / columns);
    image_.set_pen({twoSided ? (k % 2 == 0 ? black : silver) : grey, 2, platform::PenStyle::solid});
    image_.move_to(x, 0);
    image_.line_to(x, height);
  }
  for (int k = 1; k < rows; ++k) {
    const int y = k * (height / rows);
    image_.set_pen({twoSided ? black : grey, 2, platform::PenStyle::solid});
    image_.move_to(0, y);
    image_.line_to(width, y);
  }
  image_.set_pen(saved);
}

QImage PreviewForm::ShownImage() const { return Area->grab().toImage(); }

std::string PreviewForm::HintText() const {
  std::lock_guard<std::mutex> lock(canvasMutex_);
  return hint_;
}

void PreviewForm::BuildPreviewMenu() {
  menuBar()->clear();
  for (const MenuRow& row : kMenuRows) {
    QAction* a = menuBar()->addAction(language_ == 1 ? row.German : row.English);
    const PreviewMenuItem item = row.Item;
    connect(a, &QAction::triggered, this, [this, item] { MenuEvent(item); });
    menu_[static_cast<std::size_t>(row.Item)] = a;
  }
  SeitenMatrixEvent(PreviewMenuItem::M1x1);
}

void PreviewForm::MenuEvent(PreviewMenuItem item) {
  if (item == PreviewMenuItem::AutoPaging && !autoPaging_) {
    autoPaging_ = true;
    autoPhase_ = (ticks_ + 1) % 10;
  } else {
    autoPaging_ = false;
  }
  const int perScreen = NewMatrixColumns.load() * NewMatrixRows.load();
  switch (item) {
    case PreviewMenuItem::First:
      flags_.Busy = 0;
      Post(MN_PREVIEW_GOTO_PAGE, 1);
      break;
    case PreviewMenuItem::Previous:
      flags_.Busy = 0;
      Post(MN_PREVIEW_REDRAW, 1);
      break;
    case PreviewMenuItem::Next:
      flags_.Busy = 0;
      Post(MN_PREVIEW_NEXT, 0);
      break;
    case PreviewMenuItem::Last:
      if (const std::int32_t count = control_.PageCount.load(); count > 0) {
        flags_.Busy = 0;
        // Fewer pages than the matrix holds: the last screen starts at page 1.
        Post(MN_PREVIEW_GOTO_PAGE, std::max(1, count - perScreen + 1));
      } else if (Beep) {
        Beep();
      }
      break;
    case PreviewMenuItem::AutoPaging:
      break;
    case PreviewMenuItem::Help:
      if (ShowHelp) ShowHelp(21);
      break;
    default:
      if (IsMatrixItem(item)) {
        SeitenMatrixEvent(item);
        flags_.Busy = 0;
        QThread::msleep(40);
        Post(MN_PREVIEW_MATRIX, 0);
      }
  }
}

void PreviewForm::SeitenMatrixEvent(PreviewMenuItem item) {
  const MatrixSize m = MatrixOfMenuItem(item);
  if (m.Columns == 0) return;
  NewMatrixColumns = m.Columns;
  NewMatrixRows = m.Rows;
  for (const MenuRow& row : kMenuRows)
    if (IsMatrixItem(row.Item)) MenuAction(row.Item)->setEnabled(row.Item != item);
}

void PreviewForm::Timer1OnTimer() {
  ++ticks_;
  if (ticks_ % 8 == 0) Post(MN_PREVIEW_TIMER, 0);
  if (autoPaging_ && ticks_ % 10 == autoPhase_) Post(MN_PREVIEW_NEXT, 0);
  if (delayedRepaint_ && ++delayedTicks_ >= 2) {
    delayedRepaint_ = false;
    Area->RepaintAll();
    return;
  }
  Area->ShowDrawn();  // what the engine drew since the last tick
}

void PreviewForm::AreaResized(int width, int height) {
  {
    std::lock_guard<std::mutex> lock(canvasMutex_);
    image_.clear(std::max(1, width), std::max(1, height));
  }
  if (EngineAdjusting.load()) return;
  flags_.Rescan = 1;
  Post(MN_PREVIEW_RESIZED, 0);
  if (ticks_ >= 2) {
    delayedRepaint_ = true;
    delayedTicks_ = 0;
  }
}

void PreviewForm::GeneralPaint(const platform::Rect& r) {
  clickConsumed_ = false;
  if (flags_.Stopped.load()) return;
  flags_.Busy = 1;
  {
    std::lock_guard<std::mutex> lock(canvasMutex_);
    if (flags_.Restart.load() && !pending_.empty())
      pending_ = {std::min(pending_.left, r.left), std::min(pending_.top, r.top),
                  std::max(pending_.right, r.right), std::max(pending_.bottom, r.bottom)};
    else
      pending_ = r;
  }
  if (!delayedRepaint_) Post(MN_PREVIEW_REDRAW, 0);
}

std::int32_t PreviewForm::MauszeigerSeite(int x, int y) const {
  const std::int32_t first = std::max<std::int32_t>(1, control_.ScreenFirstPage.load());
  const int columns = NewMatrixColumns.load(), rows = NewMatrixRows.load();
  if (columns * rows <= 1) return first;
  return PageUnderPoint(x, y, Area->width(), Area->height(), columns, rows, first);
}

std::int32_t PreviewForm::PageFromScrollPosition(int x) const {
  std::int32_t page = (x - downX_) / 5 + std::max<std::int32_t>(1, control_.ScreenFirstPage.load());
  if (const std::int32_t count = control_.PageCount.load(); count > 0)
    page = std::min(page, count - NewMatrixColumns.load() * NewMatrixRows.load() + 1);
  return std::max(page, 1);
}

void PreviewForm::AreaMouseDown(Qt::MouseButton button, int x, int y) {
  if (autoPaging_) return;
  dragging_ = false;
  if (button != Qt::LeftButton) return;
  downX_ = x;
  downY_ = y;
  buttonDown_ = true;
}

void PreviewForm::AreaMouseMove(int x, int y) {
  if (buttonDown_) dragging_ = true;
  std::string hint;
  if (dragging_ && std::abs(x - downX_) > std::abs(y - downY_)) {
    hint = (language_ == 1 ? "gehe zu Seite " : "go to page ") +
           std::to_string(PageFromScrollPosition(x));
  } else if (NewMatrixColumns.load() * NewMatrixRows.load() > 1) {
    hoveredPage_ = MauszeigerSeite(x, y);
    hint = (language_ == 1 ? "Seite " : "Page ") + std::to_string(hoveredPage_);
  }
  {
    std::lock_guard<std::mutex> lock(canvasMutex_);
    hint_ = hint;
  }
  Post(MN_PREVIEW_CAPTION, 0);
}

void PreviewForm::AreaMouseUp(Qt::MouseButton button, int x, int y) {
  if (autoPaging_) {
    autoPaging_ = false;
    return;
  }
  if (flags_.ScanState.load()) flags_.ClickSeen = 1;
  if (button == Qt::RightButton) {
    flags_.Busy = 0;
    Post(MN_PREVIEW_REDRAW, 1);
  } else if (!flags_.Restart.load()) {
    if (dragging_ && std::abs(x - downX_) > std::abs(y - downY_)) {
      flags_.Busy = 0;
      Post(MN_PREVIEW_GOTO_PAGE, PageFromScrollPosition(x));
      dragging_ = false;
    } else if (!clickConsumed_ && y > 0) {
      flags_.Busy = 0;
      if (hoveredPage_ > 0 && NewMatrixRows.load() >= 2) {
        SeitenMatrixEvent(PreviewMenuItem::M1x1);
        Post(MN_PREVIEW_MATRIX_GOTO, hoveredPage_);
      } else {
        Post(MN_PREVIEW_NEXT, 0);
      }
    }
  }
  buttonDown_ = false;
  clickConsumed_ = false;
}

void PreviewForm::AreaWheel(int delta) {
  if (delta < 0) Scrolle(0.1);
  if (delta > 0) Scrolle(-0.1);
}

int PreviewForm::PageHeightPixels() const {
  const double aspect = landscape_.load() ? 1 / kPageAspect : kPageAspect;
  // The page stands an inch below the top of the window.
  return static_cast<int>(Area->width() * aspect * (1 + 1 / 11.7));
}

int PreviewForm::ScrollRange() const {
  if (NewMatrixColumns.load() * NewMatrixRows.load() > 1) return 0;
  return std::max(0, PageHeightPixels() - Area->height());
}

bool PreviewForm::FirstScreen() const { return control_.ScreenFirstPage.load() <= 1; }

bool PreviewForm::LastScreen() const {
  const std::int32_t count = control_.PageCount.load();
  return count > 0 &&
         control_.ScreenFirstPage.load() + NewMatrixColumns.load() * NewMatrixRows.load() - 1 >=
             count;
}

void PreviewForm::SetScroll(int position) { scroll_ = std::clamp(position, 0, ScrollRange()); }

void PreviewForm::Scrolle(double factor) {
  if (NewMatrixColumns.load() * NewMatrixRows.load() > 1) return;
  SetScroll(scroll_.load() + static_cast<int>(std::lround(Area->height() * factor)));
  Post(MN_PREVIEW_REDRAW, 0);
}

void PreviewForm::PageDown() {
  if (ScrollBarVisible()) {
    if (scroll_.load() < ScrollRange() - kEdgePixels) {
      Scrolle(0.8);
      return;
    }
    if (!LastScreen()) SetScroll(0);
  }
  Post(MN_PREVIEW_NEXT, 0);
}

void PreviewForm::PageUp() {
  if (!ScrollBarVisible()) return;
  if (scroll_.load() > kEdgePixels) {
    Scrolle(-0.8);
  } else if (!FirstScreen()) {
    SetScroll(ScrollRange());
    Post(MN_PREVIEW_REDRAW, 1);
  }
}

void PreviewForm::Form3OnKeyPress(int code) {
  flags_.Busy = 0;
  autoPaging_ = false;
  switch (code) {
    case 1:
      Post(MN_PREVIEW_GOTO_PAGE, 1);
      break;
    case 0:
      if (const std::int32_t count = control_.PageCount.load(); count > 0)
        Post(MN_PREVIEW_GOTO_PAGE,
             std::max(1, count - NewMatrixColumns.load() * NewMatrixRows.load() + 1));
      else if (Beep)
        Beep();
      break;
    case 23:
      Scrolle(-0.2);
      break;
    case 26:
      Scrolle(0.2);
      break;
    case 32:
    case 34:
      PageDown();
      break;
    case 33:
      PageUp();
      break;
    default:
      break;
  }
}

void PreviewForm::keyPressEvent(QKeyEvent* event) {
  // The virtual keys Page Up and Page Down (the short cuts), then the characters.
  if (event->key() == Qt::Key_PageUp) return PageUp();
  if (event->key() == Qt::Key_PageDown) return PageDown();
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (ctrl && event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
    return Form3OnKeyPress(event->key() - Qt::Key_A + 1);
  if (ctrl && (event->key() == Qt::Key_Space || event->key() == Qt::Key_At))
    return Form3OnKeyPress(0);
  const QString text = event->text();
  if (!text.isEmpty()) return Form3OnKeyPress(text.at(0).unicode());
  QMainWindow::keyPressEvent(event);
}

void PreviewForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!initialise_) return;
  initialise_ = false;
  buttonDown_ = dragging_ = clickConsumed_ = delayedRepaint_ = false;
  hoveredPage_ = 0;
  if (settings_ && settings_->PreviewLeft > 0 && settings_->PreviewTop > 0 &&
      settings_->PreviewWidth >= 1 && settings_->PreviewHeight >= 1)
    setGeometry(settings_->PreviewLeft, settings_->PreviewTop, settings_->PreviewWidth,
                settings_->PreviewHeight);
  autoPaging_ = false;
  Timer1->start();
  RequestFormTranslation(&notifier_, this);
  BuildPreviewMenu();
  flags_.Busy = 0;
  ClearPreviewArea();
}

void PreviewForm::closeEvent(QCloseEvent* event) {
  Timer1->stop();
  const QRect g = geometry();
  if (settings_ && g.left() >= 1 && g.top() >= 1 && g.width() >= 1 && g.height() >= 1) {
    settings_->PreviewLeft = g.left();
    settings_->PreviewTop = g.top();
    settings_->PreviewWidth = g.width();
    settings_->PreviewHeight = g.height();
  }
  control_.ScreenFirstPage = 0;
  Post(MN_PREVIEW_CLOSED, 0);
  initialise_ = true;
  notifier_.Send(MN_PREVIEW_STOP, 1);
  platform::gui::wait_serving_messages([this] { return flags_.Stopped.load() != 0; },
                                       std::chrono::milliseconds(20 * 101));
  QMainWindow::closeEvent(event);
}

}  // namespace tavrel
