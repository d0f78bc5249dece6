// The small windows and components as real widgets: the message list fed from a worker and
// its double click, the drop target, the lamp, the font sample, the print range dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "formatter/windows/file_drop.h"
#include "formatter/windows/font_sample_window.h"
#include "formatter/windows/form_captions.h"
#include "formatter/windows/led.h"
#include "formatter/windows/message_list_window.h"
#include "formatter/windows/print_range_dialog.h"
#include "platform/gui/window_messages.h"

namespace tavrel {
namespace {

TEST(MessageList, LinesFromAWorkerArriveInOrder) {
  MessageListWindow form(nullptr);
  std::thread worker([&] {
    for (int i = 0; i < 30; ++i) form.AddLine("ERROR Par " + std::to_string(i), i + 1);
  });
  worker.join();
  QApplication::processEvents();
  ASSERT_EQ(form.ListBox1->count(), 30);
  for (int i = 0; i < 30; ++i)
    EXPECT_EQ(form.ListBox1->item(i)->text().toStdString(), "ERROR Par " + std::to_string(i));
  form.Clear();
  EXPECT_EQ(form.ListBox1->count(), 0);
  EXPECT_TRUE(form.Lines().empty());
}

TEST(MessageList, ADoubleClickJumpsOnlyForALineWhoseParagraphIsKept) {
  MessageListWindow form(nullptr);
  for (int i = 0; i < kKeptMessageParagraphs + 5; ++i) form.AddLine("line", 1000 + i);
  std::vector<std::int32_t> jumps;
  form.GotoMessagePlace = [&](std::int32_t paragraph) { jumps.push_back(paragraph); };
  form.resize(400, 300);
  form.show();
  struct Case {
    int row;
    std::int32_t paragraph;
  };
  const Case cases[] = {{0, 1000}, {200, 1200}, {201, 0}, {204, 0}};
  for (const Case& c : cases) {
    form.ListBox1->setCurrentRow(c.row);
    form.ListBox1->scrollToItem(form.ListBox1->item(c.row));
    const QRect rect = form.ListBox1->visualItemRect(form.ListBox1->item(c.row));
    // A double click is a press, a release, then the double-click press.
    QTest::mouseClick(form.ListBox1->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(form.ListBox1->viewport(), Qt::LeftButton, {}, rect.center());
    ASSERT_FALSE(jumps.empty()) << c.row;
    EXPECT_EQ(jumps.back(), c.paragraph) << c.row;
  }
  // No line chosen: the editor opens without a jump.
  EXPECT_EQ(form.ParagraphOf(-1), 0);
  form.hide();
}

void Drop(QWidget* target, const std::vector<std::string>& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
  data.setUrls(urls);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

TEST(FileDropTarget, OneCallPerDropWithEveryNameWholeAndNoneAfterRelease) {
  QWidget box;
  FileDrop drop;
  int calls = 0;
  std::vector<std::string> seen;
  drop.OnDrop = [&](FileDrop& d) {
    ++calls;
    seen = d.Files();
  };
  drop.SetDropControl(&box);
  EXPECT_TRUE(drop.EnableDrop());
  EXPECT_TRUE(box.acceptDrops());
  const std::string longName = "/tmp/" + std::string(150, 'n') + ".ws";
  Drop(&box, {"/tmp/a.ws", longName, "/tmp/c.txt"});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, (std::vector<std::string>{"/tmp/a.ws", longName, "/tmp/c.txt"}));
  drop.SetDropControl(nullptr);
  EXPECT_FALSE(drop.EnableDrop());
  Drop(&box, {"/tmp/d.ws"});
  EXPECT_EQ(calls, 1);
}

TEST(Lamp, ShowsItsColourAndRepaintsOnlyOnAChange) {
  Led led(nullptr, 0x000080);
  struct Case {
    std::uint32_t colour;
    int red, green, blue;  // the colour's strongest channel
  };
  for (const Case& c :
       {Case{0x0000FF, 1, 0, 0}, Case{0x00FF00, 0, 1, 0}, Case{0xFF0000, 0, 0, 1}}) {
    led.SetColour(c.colour);
    EXPECT_EQ(led.Colour(), c.colour);
    const QImage image = led.grab().toImage();
    const QColor centre = image.pixelColor(10, 10);
    const int strongest = std::max({centre.red(), centre.green(), centre.blue()});
    EXPECT_EQ(centre.red() == strongest, c.red == 1) << std::hex << c.colour;
    EXPECT_EQ(centre.green() == strongest, c.green == 1) << std::hex << c.colour;
    EXPECT_EQ(centre.blue() == strongest, c.blue == 1) << std::hex << c.colour;
  }
  EXPECT_EQ(led.size(), QSize(17, 17));
}

TEST(FontSample, AMouseMoveOrAKeyClosesIt) {
  for (bool key : {false, true}) {
    FontSampleWindow form(nullptr);
    form.show();
    ASSERT_TRUE(form.isVisible());
    if (key)
      QTest::keyClick(&form, Qt::Key_A);
    else
      QTest::mouseMove(&form, QPoint(20, 20));
    QApplication::processEvents();
    EXPECT_FALSE(form.isVisible()) << (key ? "key" : "mouse move");
  }
}

// The dialog's posts to the main window.
class PostedCodes : public MainNotifier {
 public:
  void Send(std::int32_t, std::int32_t) override {}
  void Post(std::int32_t code, std::int32_t) override { codes.push_back(code); }
  std::vector<std::int32_t> codes;
};

struct RangeCase {
  const char* title;
  const char* list;
  int side;  // 0 both, 1 odd, 2 even
  bool exclude;
  int copies;
  bool accepted;
  PrintRangeChoice expected;
};

TEST(PrintRange, ThePrintButtonStoresTheChoiceOrKeepsTheDialogOpen) {
  const RangeCase cases[] = {
      {"empty list prints all", "", 0, false, 1, true, {false, false, true, true, 1, ""}},
      {"range with copies", "2-3", 0, false, 2, true, {true, false, true, true, 2, "2-3"}},
      {"even pages only", "", 2, false, 1, true, {false, false, false, true, 1, ""}},
      {"odd pages only", "", 1, false, 3, true, {false, false, true, false, 3, ""}},
      {"exclude a list", "2-3", 0, true, 1, true, {true, true, true, true, 1, "2-3"}},
      {"malformed list", "1,x", 0, false, 1, false, {}},
  };
  for (const RangeCase& c : cases) {
    PostedCodes main;
    RecordingMessageBoxes boxes;
    PrintRangeDialog form(&main);
    form.Boxes = &boxes;
    form.ParsePageList = [](const std::string& list) {
      return list.find_first_not_of("0123456789,-") == std::string::npos;
    };
    std::vector<PrintRangeChoice> stored;
    form.StoreChoice = [&](const PrintRangeChoice& choice) { stored.push_back(choice); };
    form.show();
    QTest::keyClicks(form.Edit1, c.list);
    form.RadioItems[c.side]->setChecked(true);
    form.CheckBox1->setChecked(c.exclude);
    form.SpinEdit1->setValue(c.copies);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    EXPECT_EQ(form.isVisible(), !c.accepted) << c.title;
    if (!c.accepted) {
      EXPECT_TRUE(stored.empty()) << c.title;
      EXPECT_TRUE(main.codes.empty()) << c.title;
      ASSERT_EQ(boxes.Boxes().size(), 1u) << c.title;
      EXPECT_EQ(boxes.Boxes()[0].Text, "Error while entering the page numbers!");
      continue;
    }
    EXPECT_TRUE(boxes.Boxes().empty()) << c.title;
    EXPECT_EQ(main.codes, std::vector<std::int32_t>{MN_PRINT_PAGES}) << c.title;
    ASSERT_EQ(stored.size(), 1u) << c.title;
    const PrintRangeChoice& got = stored[0];
    EXPECT_EQ(got.PageListValid, c.expected.PageListValid) << c.title;
    EXPECT_EQ(got.ExcludePages, c.expected.ExcludePages) << c.title;
    EXPECT_EQ(got.PrintOddPages, c.expected.PrintOddPages) << c.title;
    EXPECT_EQ(got.PrintEvenPages, c.expected.PrintEvenPages) << c.title;
    EXPECT_EQ(got.PrintCopies, c.expected.PrintCopies) << c.title;
    EXPECT_EQ(got.PageList, c.expected.PageList) << c.title;
  }
}

TEST(PrintRange, CopiesStayBetweenOneAndTwenty) {
  PrintRangeDialog form(nullptr);
  form.SpinEdit1->setValue(50);
  EXPECT_EQ(form.SpinEdit1->value(), 20);
  form.SpinEdit1->setValue(0);
  EXPECT_EQ(form.SpinEdit1->value(), 1);
}

// Snapshots to look at, in both languages.
class SnapshotTranslator : public MainNotifier {
 public:
  explicit SnapshotTranslator(std::uint8_t language) : language_(language) {}
  void Send(std::int32_t code, std::int32_t) override {
    if (code == MN_TRANSLATE_FORM && form) ApplyGermanCaptions(form, language_, nullptr);
  }
  void Post(std::int32_t, std::int32_t) override {}
  QWidget* form = nullptr;

 private:
  std::uint8_t language_;
};

TEST(PrintRange, SnapshotsInEnglishAndGerman) {
  std::filesystem::create_directories("snapshots");
  for (std::uint8_t language : {0, 1}) {
    SnapshotTranslator main(language);
    PrintRangeDialog form(&main);
    main.form = &form;
    form.show();
    QTest::keyClicks(form.Edit1, "2-3");
    const std::string path =
        std::string("snapshots/tavrel-print-range-") + (language ? "de" : "en") + ".png";
    ASSERT_TRUE(form.grab().save(QString::fromStdString(path)));
    EXPECT_EQ(form.Button2->text().toStdString(), language ? "Drucken" : "Print");
  }
}

}  // namespace
}  // namespace tavrel
