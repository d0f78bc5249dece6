// The settings notebook opened from the main window's menu: what is on screen reaches the next
// job, and an open preview follows the changed settings.
#include "formatter/app/notebook_link.h"

#include <QAction>
#include <QTest>
#include <algorithm>
#include <sstream>

#include "formatter/app/preview_control.h"
#include "formatter/windows/preview_window.h"
#include "formatter/windows/settings_notebook.h"
#include "tests/formatter_app/window_fixture.h"

namespace tavrel::window_test {
namespace {

using corvina_test::ReadFile;
using corvina_test::WriteFile;

// The longest text line of a formatted file (dot lines left out).
std::size_t LongestLine(const std::string& fmt) {
  std::istringstream in(fmt);
  std::size_t longest = 0;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '.') longest = std::max(longest, line.size());
  }
  return longest;
}

class NotebookLinkTest : public WindowFixture {
 protected:
  SettingsNotebook& OpenNotebook(MainWindow& w) {
    QAction* item = w.findChild<QAction*>("MenuItem20");
    EXPECT_NE(item, nullptr);
    item->trigger();
    EXPECT_NE(w.Form2, nullptr);
    return *w.Form2;
  }
  static std::uint8_t RightMargin(MainWindow& w) {
    const TSettingsRecord& s = w.Jobs().Settings();
    return s.PageTemplates[std::min<int>(s.PageTemplateIndex, 9)].RM;
  }
};

TEST_F(NotebookLinkTest, AChangedControlReachesTheNextJob) {
  std::string text;
  for (int i = 0; i < 12; ++i) text += "words of a paragraph that wraps at the right margin ";
  WriteFile(docs_ / "wide.ws", text + "\r\n");
  MainWindow& w = Open({"wide.ws"});
  Format(w);
  const std::size_t before = LongestLine(ReadFile(docs_ / "wide.fmt"));
  ASSERT_GT(before, 35u);

  SettingsNotebook& book = OpenNotebook(w);
  EXPECT_TRUE(book.isVisible());
  EXPECT_TRUE(book.NotebookOpen());
  EXPECT_EQ(book.SpinEdit7->value(), RightMargin(w));
  // The menu again shows the same notebook.
  OpenNotebook(w);
  EXPECT_EQ(w.Form2, &book);

  book.TabbedNotebook1->setCurrentIndex(kPageLayout);
  book.SpinEdit7->setValue(30);
  EXPECT_NE(RightMargin(w), 30);     // nothing is read before a job starts
  answers_.push_back(gui::kBoxYes);  // in case the formatted file looks newer
  Format(w);
  EXPECT_EQ(RightMargin(w), 30);
  // The lines wrap earlier (proportional characters: a column holds more than one).
  EXPECT_LT(LongestLine(ReadFile(docs_ / "wide.fmt")), before);

  // Closed, the notebook is read no more.
  book.close();
  EXPECT_FALSE(book.NotebookOpen());
  book.SpinEdit7->setValue(50);
  Format(w);
  EXPECT_EQ(RightMargin(w), 30);
}

// With a preview open the notebook's timer reads the book; the preview takes the changed
// record on its own thread and draws the screen again.
TEST_F(NotebookLinkTest, AnOpenPreviewFollowsTheChangedSettings) {
  WriteFile(docs_ / "four.ws", Pages(4));
  MainWindow& w = Open({"four.ws"});
  Format(w);
  SettingsNotebook& book = OpenNotebook(w);
  ASSERT_TRUE(w.Jobs().StartPreview());
  PreviewSession& s = *w.Jobs().Preview();
  const std::string fmt = (docs_ / "four.fmt").string();
  ASSERT_TRUE(WaitFor([&] { return s.Control.GetCaption() == "1 of 4  " + fmt; }));
  ASSERT_TRUE(WaitFor([&] { return s.WaitsForWork(); }));

  const std::uint8_t feed = w.Jobs().Settings().PaperFeedTop;
  book.SpinEdit3->setValue(feed + 3);  // the paper feed moves the page down
  s.Control.SetCaption("");
  for (int i = 0; i < 4; ++i) book.Timer1OnTimer();
  EXPECT_EQ(w.Jobs().Settings().PaperFeedTop, feed + 3);
  EXPECT_EQ(s.ShownSettings().PaperFeedTop, feed + 3);
  // The engine lays the pages out again and shows the same screen.
  ASSERT_TRUE(WaitFor([&] { return s.Control.GetCaption() == "1 of 4  " + fmt; }));
  s.Form().close();
  EXPECT_TRUE(WaitFor([&] { return !s.ThreadExists(); }));
}

}  // namespace
}  // namespace tavrel::window_test
