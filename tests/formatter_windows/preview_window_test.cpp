// The preview window as a real widget on the offscreen platform, with the preview thread
// drawing a formatted file into it through the page engine: the codes that menu, mouse and
// keys post, the page grid, and snapshots of two pages.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "formatter/fonts/fonts_ini.h"
#include "formatter/windows/preview_thread.h"
#include "formatter/windows/preview_window.h"
#include "platform/gui/window_messages.h"
#include "tests/support/page_test_support.h"

namespace tavrel {
namespace {

using Entry = RecordingNotifier::Entry;
const std::string kData = std::string(CORVINA_SOURCE_DIR) + "/tests/data/formatter_engine/page/";

Entry Posted(std::int32_t code, std::int32_t value) { return {false, code, value}; }

// The posted codes other than the window's own caption and timer codes.
std::vector<Entry> Requests(const RecordingNotifier& n) {
  std::vector<Entry> out;
  for (const Entry& e : n.Entries())
    if (e.Code != MN_PREVIEW_CAPTION && e.Code != MN_PREVIEW_TIMER &&
        e.Code != MN_PREVIEW_RESIZED && e.Code != MN_PREVIEW_REDRAW && e.Code != 250)
      out.push_back(e);
  return out;
}

struct PreviewWorld {
  TSettingsRecord settings = page_test::TestSettings();
  std::unique_ptr<TPrinterDataRecord> record = page_test::TestPrinterRecord();
  FontDefinitionTables tables;
  RecordingNotifier notifier;
  PreviewControl control;
  PreviewFlags flags;
  PreviewForm form{notifier, control, flags, nullptr};
  PageEngineContext ctx;
  int beeps = 0;
  std::atomic<bool> engineWaiting{false};

  PreviewWorld() {
    EXPECT_EQ(ParseFontDefinitionText("AUTOITALICBOLD = OFF\r\n"
                                      "Font C = Courier New 12 // Liberation Mono 12\r\n"
                                      "Font H\" = Arial 10 // Arial 8\r\n",
                                      tables),
              "");
    ctx.Settings = &settings;
    ctx.Fonts = {tables.PrinterFonts.get(), tables.PreviewFonts.get(), record.get(),
                 &tables.AutoVariant};
    ctx.Notifier = &notifier;
    ctx.Preview = &form;
    ctx.PreviewCtl = &control;
    form.Beep = [this] { ++beeps; };
    // The engine drops a request made before it waits; it says here that it waits.
    control.Idle = [this] {
      engineWaiting = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    // The main window's part on a stop: the engine's stop byte and the taken-stop flag.
    notifier.OnSend = [this](std::int32_t code, std::int32_t) {
      if (code == MN_PREVIEW_STOP) {
        control.Stop = 1;
        flags.Stopped = 1;
      }
    };
    form.resize(400, 560);
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    notifier.Clear();
  }
  ~PreviewWorld() { notifier.OnSend = nullptr; }

  bool Wait(const std::function<bool()>& done) {
    return platform::gui::wait_serving_messages(done, std::chrono::seconds(20));
  }
  // As the main window does once the engine waits: show the screen from this page.
  bool GoTo(std::int32_t page) {
    if (!Wait([this] { return engineWaiting.load(); })) return false;
    engineWaiting = false;
    control.GotoPage = page;
    control.RenderRequest = 1;
    return true;
  }
};

struct MenuCase {
  const char* Name;
  PreviewMenuItem Item;
  std::int32_t PageCount;
  PreviewMenuItem Matrix;  // chosen before
  std::vector<Entry> Expected;
  int Beeps;
};

void PrintTo(const MenuCase& c, std::ostream* os) { *os << c.Name; }

class PreviewMenuTest : public ::testing::TestWithParam<MenuCase> {};

TEST_P(PreviewMenuTest, ItemPostsItsRequest) {
  const MenuCase& c = GetParam();
  PreviewWorld w;
  w.form.SeitenMatrixEvent(c.Matrix);
  w.control.PageCount = c.PageCount;
  w.form.MenuAction(c.Item)->trigger();
  EXPECT_EQ(Requests(w.notifier), c.Expected);
  EXPECT_EQ(w.beeps, c.Beeps);
}

INSTANTIATE_TEST_SUITE_P(
    Items, PreviewMenuTest,
    ::testing::Values(
        MenuCase{"First", PreviewMenuItem::First, 5, PreviewMenuItem::M1x1, {Posted(5, 1)}, 0},
        MenuCase{"Next", PreviewMenuItem::Next, 5, PreviewMenuItem::M1x1, {Posted(1, 0)}, 0},
        MenuCase{"LastOne", PreviewMenuItem::Last, 7, PreviewMenuItem::M1x1, {Posted(5, 7)}, 0},
        MenuCase{"LastSpread", PreviewMenuItem::Last, 7, PreviewMenuItem::M2x1, {Posted(5, 6)}, 0},
        // Fewer pages than cells: the last screen is the first.
        MenuCase{"LastSmall", PreviewMenuItem::Last, 5, PreviewMenuItem::M4x2, {Posted(5, 1)}, 0},
        MenuCase{"LastUncounted", PreviewMenuItem::Last, 0, PreviewMenuItem::M1x1, {}, 1},
        MenuCase{"Matrix", PreviewMenuItem::M6x3, 5, PreviewMenuItem::M1x1, {Posted(202, 0)}, 0}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PreviewMenu, PreviousRedrawsBackwardsAndMatrixItemsSwitchTheGrid) {
  PreviewWorld w;
  w.form.MenuAction(PreviewMenuItem::Previous)->trigger();
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_REDRAW), std::vector<Entry>{Posted(2, 1)});
  w.form.MenuAction(PreviewMenuItem::M10x5)->trigger();
  EXPECT_EQ(w.form.MatrixColumns(), 10);
  EXPECT_EQ(w.form.MatrixRows(), 5);
  EXPECT_FALSE(w.form.MenuAction(PreviewMenuItem::M10x5)->isEnabled());
  EXPECT_TRUE(w.form.MenuAction(PreviewMenuItem::M1x1)->isEnabled());
}

struct CellCase {
  int X, Y, Width, Height, Columns, Rows;
  std::int32_t First, Page;
};

TEST(PreviewGrid, PageUnderPointCountsRowsOfColumns) {
  const CellCase cases[] = {
      {0, 0, 400, 200, 4, 2, 1, 1},
      {150, 20, 400, 200, 4, 2, 1, 2},
      {399, 199, 400, 200, 4, 2, 1, 8},
      {250, 150, 400, 200, 4, 2, 9, 9 + 2 + 4},
      // A window narrower than its columns or lower than its rows: no division by zero, and
      // the page stays inside the screen.
      {5, 3, 6, 2, 10, 5, 1, 1 + 5 + 10 * 3},
      {12, 7, 6, 2, 10, 5, 1, 1 + 9 + 10 * 4},
      {0, 0, 0, 0, 10, 5, 1, 1},
  };
  for (const CellCase& c : cases)
    EXPECT_EQ(PageUnderPoint(c.X, c.Y, c.Width, c.Height, c.Columns, c.Rows, c.First), c.Page)
        << c.X << "," << c.Y << " in " << c.Width << "x" << c.Height;
}

TEST(PreviewGrid, TinyWindowHoveringAMatrixDoesNotCrash) {
  PreviewWorld w;
  w.form.SeitenMatrixEvent(PreviewMenuItem::M10x5);
  w.form.Area->setFixedSize(3, 2);
  QTest::mouseMove(w.form.Area, {2, 1});
  EXPECT_EQ(w.form.HintText(), "Page " + std::to_string(PageUnderPoint(2, 1, 3, 2, 10, 5, 1)));
}

TEST(PreviewMouse, ClickOnAMatrixPageJumpsToItInOneByOne) {
  PreviewWorld w;
  w.form.SeitenMatrixEvent(PreviewMenuItem::M4x2);
  w.control.ScreenFirstPage = 1;
  const int cw = w.form.Area->width() / 4;
  const int ch = w.form.Area->height() / 2;
  const QPoint p(2 * cw + cw / 2, ch + ch / 2);  // column 3 of row 2: page 7
  QTest::mouseMove(w.form.Area, p);
  EXPECT_EQ(w.form.HintText(), "Page 7");
  QTest::mouseClick(w.form.Area, Qt::LeftButton, {}, p);
  EXPECT_EQ(Requests(w.notifier), std::vector<Entry>{Posted(205, 7)});
  EXPECT_EQ(w.form.MatrixColumns(), 1);
}

TEST(PreviewMouse, ClickInOneRowShowsTheNextScreenRightClickGoesBack) {
  PreviewWorld w;
  w.form.SeitenMatrixEvent(PreviewMenuItem::M3x1);
  QTest::mouseMove(w.form.Area, {10, 10});
  QTest::mouseClick(w.form.Area, Qt::LeftButton, {}, {10, 10});
  QTest::mouseClick(w.form.Area, Qt::RightButton, {}, {10, 10});
  EXPECT_EQ(Requests(w.notifier), std::vector<Entry>{Posted(1, 0)});
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_REDRAW).back(), Posted(2, 1));
}

TEST(PreviewMouse, HorizontalDragGoesToAPageFivePixelsAPage) {
  PreviewWorld w;
  w.control.ScreenFirstPage = 2;
  w.control.PageCount = 9;
  QTest::mousePress(w.form.Area, Qt::LeftButton, {}, {20, 100});
  QTest::mouseMove(w.form.Area, {45, 102});
  EXPECT_EQ(w.form.HintText(), "go to page 7");
  // Past the end: the last page.
  QTest::mouseMove(w.form.Area, {200, 102});
  QTest::mouseRelease(w.form.Area, Qt::LeftButton, {}, {200, 102});
  EXPECT_EQ(Requests(w.notifier), std::vector<Entry>{Posted(5, 9)});
}

TEST(PreviewKeys, KeysPostTheirRequests) {
  struct KeyCase {
    int Key;
    Qt::KeyboardModifiers Mods;
    PreviewMenuItem Matrix;
    std::int32_t Count;
    std::vector<Entry> Expected;
    int Beeps;
  };
  const KeyCase cases[] = {
      {Qt::Key_A, Qt::ControlModifier, PreviewMenuItem::M1x1, 5, {Posted(5, 1)}, 0},
      {Qt::Key_Space, Qt::ControlModifier, PreviewMenuItem::M2x1, 5, {Posted(5, 4)}, 0},
      {Qt::Key_Space, Qt::ControlModifier, PreviewMenuItem::M1x1, 0, {}, 1},
      // In a matrix no page is taller than its cell: Page Down shows the next screen,
      // Page Up has nothing to scroll and does nothing.
      {Qt::Key_PageDown, Qt::NoModifier, PreviewMenuItem::M2x1, 5, {Posted(1, 0)}, 0},
      {Qt::Key_Space, Qt::NoModifier, PreviewMenuItem::M2x1, 5, {Posted(1, 0)}, 0},
      {Qt::Key_PageUp, Qt::NoModifier, PreviewMenuItem::M2x1, 5, {}, 0},
  };
  for (const KeyCase& c : cases) {
    PreviewWorld w;
    w.form.SeitenMatrixEvent(c.Matrix);
    w.control.PageCount = c.Count;
    QTest::keyClick(&w.form, static_cast<Qt::Key>(c.Key), c.Mods);
    EXPECT_EQ(Requests(w.notifier), c.Expected) << "key " << c.Key;
    EXPECT_EQ(w.beeps, c.Beeps) << "key " << c.Key;
  }
}

TEST(PreviewKeys, ScrollingMovesTheViewInOneByOneOnly) {
  PreviewWorld w;
  w.form.Area->setFixedSize(400, 300);  // a page is taller than that
  QTest::keyClick(&w.form, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(w.form.ScrollPosition(), 60);
  QTest::keyClick(&w.form, Qt::Key_W, Qt::ControlModifier);
  EXPECT_EQ(w.form.ScrollPosition(), 0);
  w.form.SeitenMatrixEvent(PreviewMenuItem::M2x1);
  QTest::keyClick(&w.form, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(w.form.ScrollPosition(), 0);
}

TEST(PreviewGrid, LinesOfTwoPixelsGreyOrSpreadColoured) {
  struct GridCase {
    bool TwoSided;
    QRgb Column1, Column2, Row;
  };
  const QRgb grey = qRgb(128, 128, 128), silver = qRgb(192, 192, 192), black = qRgb(0, 0, 0);
  for (const GridCase& c :
       {GridCase{false, grey, grey, grey}, GridCase{true, silver, black, black}}) {
    PreviewWorld w;
    w.form.Area->setFixedSize(400, 300);
    QApplication::processEvents();
    w.form.SeitenMatrixEvent(PreviewMenuItem::M4x2);
    w.form.SetTwoSided(c.TwoSided);
    w.form.ClearPreviewArea();
    w.form.DrawPageMatrixGrid();
    const QImage image = w.form.ShownImage().convertToFormat(QImage::Format_RGB32);
    // The canvas centres lines on the middle of a pixel: two pixels of ink, one whole pixel
    // at x = 100 and half of each neighbour, nothing beyond.
    const QRgb white = qRgb(255, 255, 255);
    for (int k : {1, 2, 3}) {
      const QRgb full = k == 2 ? c.Column2 : c.Column1;
      const int x = 100 * k;
      EXPECT_EQ(image.pixel(x, 40), full) << k;
      for (int side : {x - 1, x + 1}) {
        EXPECT_NE(image.pixel(side, 40), full) << side;
        EXPECT_NE(image.pixel(side, 40), white) << side;
      }
      EXPECT_EQ(image.pixel(x - 2, 40), white) << k;
      EXPECT_EQ(image.pixel(x + 2, 40), white) << k;
    }
    EXPECT_EQ(image.pixel(40, 150), c.Row);
    EXPECT_NE(image.pixel(40, 149), white);
    EXPECT_EQ(image.pixel(40, 148), white);
    EXPECT_EQ(image.pixel(40, 152), white);
  }
}

TEST(PreviewTimer, ReReadEveryEighthTickAutoPagingEveryTenth) {
  PreviewWorld w;
  w.form.Timer1->stop();
  for (int i = 0; i < 16; ++i) w.form.Timer1OnTimer();
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_TIMER),
            (std::vector<Entry>{Posted(7, 0), Posted(7, 0)}));
  w.form.MenuAction(PreviewMenuItem::AutoPaging)->trigger();
  EXPECT_TRUE(w.form.AutoPaging());
  for (int i = 0; i < 20; ++i) w.form.Timer1OnTimer();
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_NEXT), (std::vector<Entry>{Posted(1, 0), Posted(1, 0)}));
  // A click only ends the automatic paging.
  QTest::mouseClick(w.form.Area, Qt::LeftButton, {}, {10, 10});
  EXPECT_FALSE(w.form.AutoPaging());
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_NEXT).size(), 2u);
}

TEST(PreviewTimer, ResizeAsksForALayoutAndRepaintsTwoTicksLater) {
  PreviewWorld w;
  w.form.Timer1->stop();
  w.form.Area->setFixedSize(300, 300);
  QApplication::processEvents();
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_RESIZED).size(), 1u);
  EXPECT_EQ(w.flags.Rescan.load(), 1);
  w.form.Timer1OnTimer();
  w.form.Timer1OnTimer();
  w.notifier.Clear();
  w.form.Area->setFixedSize(320, 300);
  QApplication::processEvents();
  // The paint of the resize waits for the delayed one.
  EXPECT_TRUE(w.notifier.WithCode(MN_PREVIEW_REDRAW).empty());
  w.form.Timer1OnTimer();
  w.form.Timer1OnTimer();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.notifier.WithCode(MN_PREVIEW_REDRAW).empty(); }));
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_REDRAW).back(), Posted(2, 0));
}

TEST(PreviewPaint, RestartingEngineCollectsTheAreasToRepaint) {
  PreviewWorld w;
  w.form.Area->setFixedSize(300, 300);
  QApplication::processEvents();
  w.form.GeneralPaint({10, 20, 50, 60});
  w.flags.Restart = 1;
  w.form.GeneralPaint({40, 5, 80, 30});
  EXPECT_EQ(w.form.RepaintRect(), (platform::Rect{10, 5, 80, 60}));
  w.flags.Restart = 0;
  w.form.GeneralPaint({40, 5, 80, 30});
  EXPECT_EQ(w.form.RepaintRect(), (platform::Rect{40, 5, 80, 30}));
  // Once the preview has stopped, paints ask for nothing.
  w.notifier.Clear();
  w.flags.Stopped = 1;
  w.form.GeneralPaint({0, 0, 5, 5});
  EXPECT_TRUE(w.notifier.Entries().empty());
}

TEST(PreviewShow, GermanMenuAndHintsAndBoundsKeptInTheSettings) {
  TSettingsRecord settings = page_test::TestSettings();
  settings.PreviewLeft = 30;
  settings.PreviewTop = 40;
  settings.PreviewWidth = 350;
  settings.PreviewHeight = 450;
  RecordingNotifier notifier;
  PreviewControl control;
  PreviewFlags flags;
  notifier.OnSend = [&](std::int32_t code, std::int32_t) {
    if (code == MN_PREVIEW_STOP) flags.Stopped = 1;
  };
  PreviewForm form(notifier, control, flags, &settings, 1);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(form.geometry().size(), QSize(350, 450));
  EXPECT_EQ(form.MenuAction(PreviewMenuItem::Help)->text(), "Hilfe");
  form.SeitenMatrixEvent(PreviewMenuItem::M2x1);
  QTest::mouseMove(form.Area, {form.Area->width() - 5, 10});
  EXPECT_EQ(form.HintText(), "Seite 2");
  form.resize(360, 470);
  form.close();
  EXPECT_EQ(settings.PreviewWidth, 360);
  EXPECT_EQ(settings.PreviewHeight, 470);
  EXPECT_EQ(notifier.WithCode(MN_PREVIEW_STOP), (std::vector<Entry>{Entry{true, 3, 1}}));
}

// Declared after a thread, it stops the preview before the thread is joined, so a failed
// check cannot leave the test waiting.
struct StopBeforeJoin {
  PreviewControl& Control;
  ~StopBeforeJoin() { Control.Stop = 1; }
};

// Counts the pixels of an image that are not white.
int InkedPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++n;
  return n;
}

TEST(PreviewThread, ShowsPagesOneAfterTheOtherAndEndsOnStop) {
  PreviewWorld w;
  const std::string file = kData + "twosided.fmt";
  PreviewThread thread(w.ctx, w.flags, file);
  StopBeforeJoin stopper{w.control};
  thread.Start();
  ASSERT_TRUE(w.Wait([&] { return w.control.GetCaption() == "1 of 5  " + file; }));
  QApplication::processEvents();
  const QImage first = w.form.ShownImage();
  const auto dir = std::filesystem::temp_directory_path();
  ASSERT_TRUE(first.save(QString::fromStdString((dir / "corvina_preview_page1.png").string())));

  ASSERT_TRUE(w.GoTo(2));
  ASSERT_TRUE(w.Wait([&] { return w.control.GetCaption() == "2 of 5  " + file; }));
  QApplication::processEvents();
  w.form.Area->repaint();
  const QImage second = w.form.ShownImage();
  ASSERT_TRUE(second.save(QString::fromStdString((dir / "corvina_preview_page2.png").string())));
  EXPECT_GT(InkedPixels(first), 100);
  EXPECT_GT(InkedPixels(second), 100);
  EXPECT_NE(first, second);

  w.form.close();  // sends the stop and waits for the main window to take it
  thread.Join();
  EXPECT_TRUE(thread.Finished());
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_THREAD_DONE), std::vector<Entry>{Posted(4, 0)});
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_CLOSED), std::vector<Entry>{Posted(10, 0)});
}

TEST(PreviewThread, MissingFileEndsTheThreadWithTheFatalCode) {
  PreviewWorld w;
  PreviewThread thread(w.ctx, w.flags, kData + "no_such_file.fmt");
  StopBeforeJoin stopper{w.control};
  thread.Start();
  ASSERT_TRUE(w.Wait([&] { return thread.Finished(); }));
  thread.Join();
  const auto stops = w.notifier.WithCode(MN_PREVIEW_STOP);
  ASSERT_FALSE(stops.empty());
  EXPECT_EQ(stops.front().Value, 2);
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_THREAD_DONE), std::vector<Entry>{Posted(4, 0)});
}

TEST(PreviewThread, AnEngineWithoutFontsEndsTheThreadInsteadOfSpinning) {
  PreviewWorld w;
  w.ctx.Fonts.PreviewFonts = nullptr;
  PreviewThread thread(w.ctx, w.flags, kData + "twosided.fmt");
  StopBeforeJoin stopper{w.control};
  thread.Start();
  ASSERT_TRUE(w.Wait([&] { return thread.Finished(); }));
  thread.Join();
  EXPECT_EQ(w.notifier.WithCode(MN_PREVIEW_THREAD_DONE), std::vector<Entry>{Posted(4, 0)});
}

// A file cut off inside a page: the pages up to the cut are shown, the thread still
// answers its stop.
TEST(PreviewThread, TruncatedFileShowsWhatIsThere) {
  PreviewWorld w;
  const std::string whole = kData + "twosided.fmt";
  std::ifstream in(whole, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto cut = std::filesystem::temp_directory_path() / "corvina_preview_cut.fmt";
  // Up to "on a left pa": page one and the start of page two.
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.find("ge the line"));
  PreviewThread thread(w.ctx, w.flags, cut.string());
  StopBeforeJoin stopper{w.control};
  thread.Start();
  const bool shown = w.Wait([&] { return w.control.GetCaption() == "1 of 2  " + cut.string(); });
  w.control.Stop = 1;
  thread.Join();
  EXPECT_TRUE(shown) << w.control.GetCaption();
  EXPECT_EQ(w.control.PageCount.load(), 2);
  std::filesystem::remove(cut);
}

TEST(PreviewThread, ReReadRequestRendersTheFileAgainOnTheSameScreen) {
  PreviewWorld w;
  const std::string file = kData + "twosided.fmt";
  PreviewThread thread(w.ctx, w.flags, file);
  StopBeforeJoin stopper{w.control};
  thread.Start();
  ASSERT_TRUE(w.Wait([&] { return w.control.PageCount.load() == 5; }));
  ASSERT_TRUE(w.GoTo(3));
  ASSERT_TRUE(w.Wait([&] { return w.control.GetCaption() == "3 of 5  " + file; }));
  w.control.SetCaption("");
  w.control.Reread = 1;
  w.control.Stop = 1;
  ASSERT_TRUE(w.Wait([&] { return w.control.GetCaption() == "3 of 5  " + file; }));
  EXPECT_FALSE(thread.Finished());
  w.control.Stop = 1;
  thread.Join();
  EXPECT_TRUE(thread.Finished());
}

}  // namespace
}  // namespace tavrel
