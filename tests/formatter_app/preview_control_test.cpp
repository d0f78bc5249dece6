// The preview opened from the main window: the preview thread renders the formatted file into
// the window, the window's requests pass the main window's gate to the engine, and the close
// ends the thread.
#include "formatter/app/preview_control.h"

#include <QAction>
#include <QTest>

#include "formatter/windows/preview_window.h"
#include "tests/formatter_app/window_fixture.h"

namespace tavrel::window_test {
namespace {

using corvina_test::ReadFile;
using corvina_test::WriteFile;

class PreviewControlTest : public WindowFixture {
 protected:
  // The title the main window gives the preview on code 15.
  static std::string Title(PreviewForm& f) { return f.windowTitle().toStdString(); }

  // The repaint asks the engine to draw again; the snapshot is taken once it has.
  QImage Snapshot(PreviewSession& s, const char* name) {
    PreviewForm& f = s.Form();
    f.Area->repaint();
    EXPECT_TRUE(WaitFor([&] { return s.WaitsForWork(); }));
    f.Area->ShowDrawn();
    Serve();
    const QImage image = f.ShownImage();
    EXPECT_TRUE(image.save(QString::fromStdString((fs::temp_directory_path() / name).string())));
    return image;
  }
};

TEST_F(PreviewControlTest, OpensOnPageOnePagesWithClicksAndKeysAndClosesCleanly) {
  WriteFile(docs_ / "margins.ws", ReadFile(fs::path(CORVINA_SOURCE_DIR) / "examples/margins.ws"));
  MainWindow& w = Open({"margins.ws"});
  Format(w);
  const std::string fmt = (docs_ / "margins.fmt").string();
  shown_.clear();  // the first start's questions

  QTest::mouseClick(w.Buttons[3], Qt::LeftButton);  // "preview"
  PreviewSession* s = w.Jobs().Preview();
  ASSERT_NE(s, nullptr);
  PreviewForm& f = s->Form();
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(w.Jobs().PreviewOpen.load(), 1);
  EXPECT_EQ(w.Leds[1]->Colour(), 0x00FFFFu);
  ASSERT_TRUE(WaitFor([&] { return Title(f) == "1 of 2  " + fmt; })) << Title(f);
  EXPECT_EQ(s->Control.PageCount.load(), 2);
  const QImage first = Snapshot(*s, "corvina_main_preview_page1.png");
  EXPECT_GT(InkedPixels(first), 100);

  // A click on the page: the next screen, and the main window's preview label follows. A
  // click while the engine draws would wait in the slot or be dropped.
  ASSERT_TRUE(WaitFor([&] { return s->WaitsForWork(); }));
  QTest::mouseClick(f.Area, Qt::LeftButton, {}, QPoint(40, 40));
  ASSERT_TRUE(WaitFor([&] { return Title(f) == "2 of 2  " + fmt; })) << Title(f);
  ASSERT_TRUE(WaitFor([&] { return w.Labels[1]->text() == "preview page 2 (margins.fmt)"; }))
      << w.Labels[1]->text().toStdString();
  const QImage second = Snapshot(*s, "corvina_main_preview_page2.png");
  EXPECT_GT(InkedPixels(second), 100);
  EXPECT_NE(first, second);
  EXPECT_FALSE(s->NextPageAvailable());

  // Ctrl+A: the first page again.
  ASSERT_TRUE(WaitFor([&] { return s->WaitsForWork(); }));
  QTest::keyClick(&f, Qt::Key_A, Qt::ControlModifier);
  ASSERT_TRUE(WaitFor([&] { return Title(f) == "1 of 2  " + fmt; })) << Title(f);

  f.close();
  EXPECT_EQ(w.Jobs().PreviewOpen.load(), 0);
  ASSERT_TRUE(WaitFor([&] { return !s->ThreadExists(); }));
  Serve();
  EXPECT_EQ(w.Leds[1]->Colour(), 0x009090u);
  EXPECT_TRUE(shown_.empty()) << Boxes();

  // The menu opens the same window again, on page 1 of the file as it is now.
  QAction* item = w.findChild<QAction*>("MenuItem6");
  ASSERT_NE(item, nullptr);
  item->trigger();
  EXPECT_EQ(&w.Jobs().Preview()->Form(), &f);
  ASSERT_TRUE(WaitFor([&] { return s->Control.GetCaption() == "1 of 2  " + fmt; }));
  EXPECT_TRUE(s->ThreadExists());
  // Opening another document while the preview is open is refused.
  EXPECT_FALSE(w.Jobs().OpenDocument("margins.ws"));
}

// The main window closed with the preview open: the preview closes and its thread ends.
TEST_F(PreviewControlTest, ClosingTheMainWindowEndsAnOpenPreview) {
  WriteFile(docs_ / "four.ws", Pages(4));
  MainWindow& w = Open({"four.ws"});
  Format(w);
  ASSERT_TRUE(w.Jobs().StartPreview());
  PreviewSession* s = w.Jobs().Preview();
  ASSERT_TRUE(WaitFor([&] { return s->Control.PageCount.load() == 4; }));
  w.close();
  EXPECT_FALSE(s->ThreadExists());
  EXPECT_FALSE(s->Form().isVisible());
  EXPECT_EQ(w.Jobs().PreviewOpen.load(), 0);
}

// The editor's page (code 9 of the editor link) is where a new preview begins; a formatted
// file changed while it is shown is read again on the preview's timer.
TEST_F(PreviewControlTest, StartsOnTheEditorsPageAndRereadsAChangedFile) {
  WriteFile(docs_ / "four.ws", Pages(4));
  MainWindow& w = Open({"four.ws"});
  Format(w);
  const std::string fmt = (docs_ / "four.fmt").string();
  w.Jobs().PreviewStartPage = 3;
  ASSERT_TRUE(w.Jobs().StartPreview());
  PreviewForm& f = w.Jobs().Preview()->Form();
  ASSERT_TRUE(WaitFor([&] { return Title(f) == "3 of 4  " + fmt; })) << Title(f);

  // Five pages now; the file's time moves on so the change is seen.
  WriteFile(docs_ / "four.ws", Pages(5));
  Format(w);
  fs::last_write_time(fmt, fs::last_write_time(fmt) + std::chrono::seconds(5));
  w.BearbeiteUserMessage(MN_PREVIEW_TIMER, 0);
  ASSERT_TRUE(WaitFor([&] { return Title(f) == "3 of 5  " + fmt; })) << Title(f);
  f.close();
}

// A formatted file that is missing when the preview starts: the thread's fatal error closes
// the window and shows its box, and the lamp goes off.
TEST_F(PreviewControlTest, AMissingFormattedFileGivesTheErrorBoxAndClosesThePreview) {
  WriteFile(docs_ / "gone.ws", Pages(2));
  MainWindow& w = Open({"gone.ws"});
  Format(w);
  fs::remove(docs_ / "gone.fmt");
  shown_.clear();
  ASSERT_TRUE(w.Jobs().StartPreview());
  PreviewSession* s = w.Jobs().Preview();
  ASSERT_TRUE(WaitFor([&] { return !s->ThreadExists(); }));
  Serve();
  EXPECT_FALSE(s->Form().isVisible());
  EXPECT_EQ(w.Jobs().PreviewOpen.load(), 0);
  EXPECT_EQ(w.Leds[1]->Colour(), 0x009090u);
  ASSERT_EQ(shown_.size(), 1u) << Boxes();
  EXPECT_NE(shown_[0].find("gone"), std::string::npos) << shown_[0];
}

}  // namespace
}  // namespace tavrel::window_test
