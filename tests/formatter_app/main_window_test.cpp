// Tavrel's main window as a real widget on the offscreen platform: the notification codes
// fed to it one by one, jobs started from its buttons and menus and from the command line,
// printing a page range, the close during a job, bad input, the German captions, snapshots.
#include "formatter/app/main_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QTest>
#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "formatter/app/preview_control.h"
#include "formatter/app/shell_texts.h"
#include "formatter/windows/dot_command_dialog.h"
#include "formatter/windows/form_captions.h"
#include "formatter/windows/graphics_file_dialog.h"
#include "formatter/windows/index_progress_window.h"
#include "formatter/windows/message_list_window.h"
#include "formatter/windows/print_range_dialog.h"
#include "platform/gui/message_boxes.h"
#include "platform/gui/window_messages.h"
#include "platform/printers.h"
#include "tests/formatter_app/window_fixture.h"
#include "tests/support/german_caption_rows.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
namespace gui = platform::gui;
using corvina_test::ReadFile;
using corvina_test::WriteFile;

using window_test::Pages;
using window_test::WaitFor;

// What a box showed, and the answers the test gives.
struct BoxLog {
  std::vector<gui::BoxRequest> Shown;
  std::deque<int> Answers;
  bool Contains(const std::string& part) const {
    for (const gui::BoxRequest& r : Shown)
      if (r.text.find(part) != std::string::npos) return true;
    return false;
  }
  std::string All() const {
    std::string out;
    for (const gui::BoxRequest& r : Shown) out += r.text + "\n";
    return out;
  }
};

// The window fixture with the boxes kept whole and the window's close recorded.
class MainWindowTest : public window_test::WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    gui::set_box_responder([this](const gui::BoxRequest& r) {
      boxes_.Shown.push_back(r);
      if (!boxes_.Answers.empty()) {
        const int a = boxes_.Answers.front();
        boxes_.Answers.pop_front();
        return a;
      }
      return r.choice == gui::BoxChoice::ok ? gui::kBoxOk : gui::kBoxNo;
    });
  }

  // The window on its first show; German answers the first start's language question.
  MainWindow& Open(const std::vector<std::string>& args, bool german = false) {
    if (german) boxes_.Answers.push_back(gui::kBoxYes);
    return WindowFixture::Open(args);
  }
  void BeforeShow(MainWindow& w) override {
    closed_ = false;
    w.OnClosed = [this] { closed_ = true; };
  }

  bool JobIdle(MainWindow& w) { return Idle(w); }

  // A preview of the formatted document that has drawn its first screen and is held inside
  // its wait for work: a request the gate hands over stays unread until the stop at the
  // window's end.
  PreviewSession& StartHeldPreview(MainWindow& w) {
    PreviewSession& s = *w.Jobs().Preview();
    struct Hold {
      std::atomic<bool> wanted{false}, inside{false};
    };
    auto hold = std::make_shared<Hold>();
    s.Control.Idle = [&s, hold, idle = s.Control.Idle] {
      idle();
      if (!hold->wanted.load()) return;
      hold->inside = true;
      while (s.Control.Stop.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    Format(w);
    EXPECT_TRUE(w.Jobs().StartPreview());
    // What the first screen posted is served, so no request of its own is left to come.
    EXPECT_TRUE(WaitFor([&] { return s.WaitsForWork(); }));
    Serve();
    EXPECT_TRUE(WaitFor([&] { return s.WaitsForWork(); }));
    hold->wanted = true;
    EXPECT_TRUE(WaitFor([&] { return hold->inside.load() && s.WaitsForWork(); }));
    return s;
  }

  BoxLog boxes_;
  bool closed_ = false;
};

// The preview's one request slot, read under its lock.
struct Slot {
  bool Used;
  std::int32_t Code, Value;
};

Slot SlotOf(PreviewSession& s) {
  std::lock_guard<std::mutex> lock(s.Control.PendingMutex);
  return {s.Control.PendingUsed, s.Control.PendingCode, s.Control.PendingValue};
}

// Everything a code could change that the user sees or the jobs read.
struct WindowState {
  std::vector<std::uint32_t> Lamps;
  std::vector<std::string> Labels, Buttons;
  std::vector<bool> LabelsOn, ButtonsOn;
  std::string Title, Edit;
  int Flags[4];
  bool Gate[4];
  std::int32_t GateCode, GateValue;
  std::size_t Boxes;
  bool MessagesShown;
  bool operator==(const WindowState&) const = default;
};

WindowState StateOf(MainWindow& w, const BoxLog& boxes) {
  WindowState s;
  for (Led* l : w.Leds) s.Lamps.push_back(l->Colour());
  for (QLabel* l : w.Labels) {
    s.Labels.push_back(l->text().toStdString());
    s.LabelsOn.push_back(l->isEnabled());
  }
  for (QPushButton* b : w.Buttons) {
    s.Buttons.push_back(b->text().toStdString());
    s.ButtonsOn.push_back(b->isEnabled());
  }
  s.Title = w.windowTitle().toStdString();
  s.Edit = w.Edit1->text().toStdString();
  JobControl& j = w.Jobs();
  s.Flags[0] = j.FormatJobBusy.load();
  s.Flags[1] = j.RunStopFlag.load();
  s.Flags[2] = j.PrintBusy.load();
  s.Flags[3] = j.PreviewOpen.load();
  PreviewSession& preview = *j.Preview();
  const Slot slot = SlotOf(preview);
  s.Gate[0] = slot.Used;
  s.Gate[1] = preview.StopTaken();
  s.Gate[2] = preview.Control.RenderRequest.load() != 0;
  s.Gate[3] = w.CloseAfterFormat;
  s.GateCode = slot.Code;
  s.GateValue = slot.Value;
  s.Boxes = boxes.Shown.size();
  s.MessagesShown = w.Form8->isVisible();
  return s;
}

TEST_F(MainWindowTest, CodesThatDoNothingChangeNothing) {
  WriteFile(docs_ / "held.ws", ReadFile(fs::path(CORVINA_SOURCE_DIR) / "examples/held.ws"));
  MainWindow& w = Open({"held.ws"});
  std::vector<std::int32_t> codes = {6, 12, 14, 16, 17, 18, 21, 22, 24, 25, 26, 27, 0, -1, 7777};
  for (int c = 30; c <= 38; ++c) codes.push_back(c);
  for (int c = 233; c <= 238; ++c) codes.push_back(c);
  for (int c = 242; c <= 248; ++c) codes.push_back(c);
  const WindowState before = StateOf(w, boxes_);
  for (std::int32_t code : codes) {
    w.BearbeiteUserMessage(code, 1);
    Serve();
    EXPECT_TRUE(StateOf(w, boxes_) == before) << "code " << code;
  }
  // Values out of range of the codes that choose by value.
  const std::pair<std::int32_t, std::int32_t> outOfRange[] = {
      {MN_JOB_LED_ON, 7},      {MN_JOB_LED_ON, -1},     {MN_JOB_LED_OFF, 0},
      {MN_JOB_STATUS_TEXT, 4}, {MN_TRANSLATE_FORM, 99}, {MN_TRANSLATE_FORM, -3},
      {MN_TRANSLATE_FORM, 2},  {MN_TRANSLATE_FORM, 0}};
  for (const auto& [code, value] : outOfRange) {
    w.BearbeiteUserMessage(code, value);
    Serve();
    EXPECT_TRUE(StateOf(w, boxes_) == before) << "code " << code << " value " << value;
  }
  EXPECT_FALSE(closed_);
}

struct CodeCase {
  const char* title;
  std::vector<std::pair<std::int32_t, std::int32_t>> codes;  // fed in order
  std::function<void(MainWindow&)> before;                   // sets the state the codes meet
  std::function<void(MainWindow&, const BoxLog&)> check;
};

TEST_F(MainWindowTest, TheNotificationCodesDriveLampsLabelsButtonsAndThePreviewGate) {
  WriteFile(docs_ / "held.ws", ReadFile(fs::path(CORVINA_SOURCE_DIR) / "examples/held.ws"));
  auto lamp = [](MainWindow& w, int i) { return w.Leds[static_cast<std::size_t>(i)]->Colour(); };
  auto label = [](MainWindow& w, int i) {
    return w.Labels[static_cast<std::size_t>(i)]->text().toStdString();
  };
  const CodeCase cases[] = {
      {"format lamp on",
       {{97, 1}},
       nullptr,
       [&](MainWindow& w, const BoxLog&) {
         EXPECT_EQ(lamp(w, 0), 0x0000FFu);
         EXPECT_TRUE(w.Labels[0]->isEnabled());
       }},
      {"preview lamp on",
       {{97, 2}},
       nullptr,
       [&](MainWindow& w, const BoxLog&) { EXPECT_EQ(lamp(w, 1), 0x00FFFFu); }},
      {"print lamp on by value mod 10",
       {{97, 13}},
       nullptr,
       [&](MainWindow& w, const BoxLog&) { EXPECT_EQ(lamp(w, 2), 0x00FF00u); }},
      {"print lamp off restores the button",
       {{97, 3}, {98, 3}},
       [](MainWindow& w) { w.Buttons[4]->setText("stop p"); },
       [&](MainWindow& w, const BoxLog&) {
         EXPECT_EQ(lamp(w, 2), 0x007000u);
         EXPECT_EQ(w.Buttons[4]->text().toStdString(), "print");
         EXPECT_FALSE(w.Labels[2]->isEnabled());
       }},
      {"status text on the preview label",
       {{99, 12}},
       [](MainWindow& w) { w.Jobs().StatusText = "a.rtf --> a.ws"; },
       [&](MainWindow& w, const BoxLog&) { EXPECT_EQ(label(w, 1), "a.rtf --> a.ws"); }},
      {"printed page, one copy",
       {{19, 5}},
       nullptr,
       [&](MainWindow& w, const BoxLog&) { EXPECT_EQ(label(w, 2), "print page 5"); }},
      {"printed page of the second copy",
       {{19, 5}},
       [](MainWindow& w) {
         w.Jobs().PrintCopies = 2;
         w.Jobs().PrintCurrentCopy = 2;
       },
       [&](MainWindow& w, const BoxLog&) { EXPECT_EQ(label(w, 2), "print page 5 from copy 2"); }},
      {"preview page without a preview thread",
       {{9, 4}},
       nullptr,
       [&](MainWindow& w, const BoxLog&) {
         EXPECT_EQ(label(w, 1), "preview...");
         EXPECT_EQ(w.Jobs().Preview()->LastPage(), 0);
       }},
      {"preview page with a preview thread",
       {{9, 4}},
       [this](MainWindow& w) { StartHeldPreview(w); },
       [&](MainWindow& w, const BoxLog&) {
         EXPECT_EQ(label(w, 1), "preview page 4 (held.fmt)");
         EXPECT_EQ(w.Jobs().Preview()->LastPage(), 4);
       }},
      {"format job done",
       {{23, 0}},
       [](MainWindow& w) {
         w.Jobs().FormatJobBusy = 1;
         w.BearbeiteUserMessage(97, 1);
         w.Buttons[1]->setText("stop f");
       },
       [&](MainWindow& w, const BoxLog&) {
         EXPECT_EQ(w.Jobs().FormatJobBusy.load(), 0);
         EXPECT_EQ(w.Jobs().RunStopFlag.load(), 1);
         EXPECT_EQ(lamp(w, 0), 0x000080u);
         EXPECT_EQ(w.Buttons[1]->text().toStdString(), "format");
       }},
      {"RTF job done turns the format lamp off",
       {{97, 1}, {23, 11}},
       nullptr,
       [&](MainWindow& w, const BoxLog&) { EXPECT_EQ(lamp(w, 0), 0x000080u); }},
      {"fatal print error shows its box",
       {{97, 3}, {13, 2}},
       [](MainWindow& w) { w.Jobs().PrintBusy = 1; },
       [&](MainWindow& w, const BoxLog& b) {
         ASSERT_EQ(b.Shown.size(), 1u);
         EXPECT_EQ(b.Shown[0].icon, gui::BoxIcon::error);
         EXPECT_EQ(w.Jobs().PrintBusy.load(), 0);
         EXPECT_EQ(lamp(w, 2), 0x007000u);
       }},
      {"a next-page request waits in the one slot, a second one is dropped",
       {{1, 0}, {5, 9}},
       nullptr,
       [](MainWindow& w, const BoxLog&) {
         PreviewSession& s = *w.Jobs().Preview();
         const Slot slot = SlotOf(s);
         EXPECT_TRUE(slot.Used);
         EXPECT_EQ(slot.Code, 1);
         EXPECT_FALSE(s.Control.RenderRequest.load());
       }},
      {"a waiting preview thread takes a request at once",
       {{5, 9}},
       [this](MainWindow& w) { StartHeldPreview(w); },
       [](MainWindow& w, const BoxLog&) {
         PreviewSession& s = *w.Jobs().Preview();
         EXPECT_FALSE(SlotOf(s).Used);
         EXPECT_EQ(s.Control.GotoPage.load(), 9);
         EXPECT_TRUE(s.Control.RenderRequest.load());
       }},
      {"the preview's end passes a full slot",
       {{97, 2}, {2, 0}, {3, 2}},
       [](MainWindow& w) { w.Jobs().PreviewOpen = 1; },
       [&](MainWindow& w, const BoxLog& b) {
         EXPECT_EQ(w.Jobs().PreviewOpen.load(), 0);
         EXPECT_TRUE(w.Jobs().Preview()->StopTaken());
         EXPECT_EQ(lamp(w, 1), 0x009090u);
         EXPECT_EQ(b.Shown.size(), 1u);  // the fatal error is seen
       }},
      {"messages shown keep the program open",
       {{87, 0}},
       [](MainWindow& w) { w.CloseAfterFormat = true; },
       [](MainWindow& w, const BoxLog&) {
         EXPECT_TRUE(w.Form8->isVisible());
         EXPECT_FALSE(w.CloseAfterFormat);
       }},
  };
  for (const CodeCase& c : cases) {
    boxes_.Shown.clear();
    MainWindow& w = Open({"held.ws"});
    boxes_.Shown.clear();
    if (c.before) c.before(w);
    for (const auto& [code, value] : c.codes) {
      w.BearbeiteUserMessage(code, value);
      Serve();
    }
    SCOPED_TRACE(c.title);
    c.check(w, boxes_);
    EXPECT_FALSE(closed_);
  }
}

TEST_F(MainWindowTest, TheButtonsFollowTheFilesOfTheDocument) {
  struct Case {
    const char* title;
    bool fmt, taf, unformattedAllowed;
    bool edit, preview;
    const char* group;
  };
  const Case cases[] = {
      {"source only", false, false, false, false, false, "formatted"},
      {"source only, printing unformatted allowed", false, false, true, false, true, "formatted"},
      {"formatted file", true, false, false, true, true, "formatted"},
      {"text part", false, true, false, true, true, "formatted (TAF file)"},
  };
  for (const Case& c : cases) {
    WriteFile(docs_ / "doc.ws", "text\r\n");
    fs::remove(docs_ / "doc.fmt");
    fs::remove(docs_ / "doc.taf");
    if (c.fmt) WriteFile(docs_ / "doc.fmt", "x");
    if (c.taf) WriteFile(docs_ / "doc.taf", "x");
    MainWindow& w = Open({"doc.ws"});
    w.Jobs().Settings().PrintUnformattedFiles = c.unformattedAllowed;
    w.BearbeiteUserMessage(MN_REFRESH_BUTTONS, 0);
    EXPECT_TRUE(w.Buttons[0]->isEnabled()) << c.title;
    EXPECT_TRUE(w.Buttons[1]->isEnabled()) << c.title;
    EXPECT_EQ(w.Buttons[2]->isEnabled(), c.edit) << c.title;
    EXPECT_EQ(w.Buttons[3]->isEnabled(), c.preview) << c.title;
    EXPECT_EQ(w.Buttons[4]->isEnabled(), c.preview) << c.title;
    EXPECT_EQ(w.GroupBox3->title().toStdString(), c.group) << c.title;
  }
}

TEST_F(MainWindowTest, FormatFromTheButtonAndTheMenuWithTheConditionWords) {
  WriteFile(docs_ / "doc.ws", ".IF PRINT\r\nPrinted version.\r\n.EL\r\nScreen version.\r\n.EI\r\n");
  MainWindow& w = Open({"doc.ws"});
  EXPECT_EQ(w.windowTitle().toStdString(), "Tavrel - doc.ws");
  ASSERT_TRUE(w.Buttons[1]->isEnabled());
  QTest::keyClicks(w.Edit1, "PRINT");
  QTest::mouseClick(w.Buttons[1], Qt::LeftButton);
  EXPECT_EQ(w.Jobs().FormatJobBusy.load(), 1);
  EXPECT_EQ(w.Leds[0]->Colour(), 0x0000FFu);
  EXPECT_EQ(w.Buttons[1]->text().toStdString(), "stop f");
  ASSERT_TRUE(JobIdle(w));
  Serve();
  EXPECT_EQ(w.Leds[0]->Colour(), 0x000080u);
  EXPECT_EQ(w.Buttons[1]->text().toStdString(), "format");
  EXPECT_NE(ReadFile(docs_ / "doc.fmt").find("Printed version."), std::string::npos);
  EXPECT_TRUE(w.Buttons[3]->isEnabled());

  // The menu item, without the word: the other branch.
  w.Edit1->clear();
  QAction* make = w.findChild<QAction*>("MenuItem10");
  ASSERT_NE(make, nullptr);
  boxes_.Answers.push_back(gui::kBoxYes);  // in case the formatted file looks newer
  make->trigger();
  ASSERT_TRUE(JobIdle(w));
  Serve();
  EXPECT_NE(ReadFile(docs_ / "doc.fmt").find("Screen version."), std::string::npos);
}

TEST_F(MainWindowTest, StopFormattingAndASecondRequestDuringAJob) {
  std::string text;
  for (int i = 0; i < 40000; ++i)
    text += "A long document line number " + std::to_string(i) + " with words.\r\n";
  WriteFile(docs_ / "long.ws", text);
  MainWindow& w = Open({"long.ws"});
  QTest::mouseClick(w.Buttons[1], Qt::LeftButton);
  ASSERT_EQ(w.Jobs().FormatJobBusy.load(), 1);
  // A second request by menu while busy is ignored.
  EXPECT_FALSE(w.Jobs().StartFormatJob('F', ""));
  w.findChild<QAction*>("MenuItem10")->trigger();
  EXPECT_EQ(w.Buttons[1]->text().toStdString(), "stop f");
  // Pressing "stop f" stops the run.
  QTest::mouseClick(w.Buttons[1], Qt::LeftButton);
  ASSERT_TRUE(JobIdle(w));
  Serve();
  bool stopped = false;
  for (const std::string& line : w.Form8->Lines())
    if (line.find("stopped by user") != std::string::npos) stopped = true;
  EXPECT_TRUE(stopped) << ::testing::PrintToString(w.Form8->Lines());
  EXPECT_EQ(w.Buttons[1]->text().toStdString(), "format");
  EXPECT_EQ(w.Jobs().FormatExitCode.load(), kExitJobFailed);
  // Far fewer pages than the whole document's 40000 lines would fill.
  EXPECT_LT(w.Jobs().Result().FormattedPages, 500);
}

TEST_F(MainWindowTest, SlashFClosesAfterTheJobUnlessMessagesWereShown) {
  WriteFile(docs_ / "good.ws", Pages(2));
  MainWindow& w = Open({"good.ws", "#A", "#B", "/F"});
  EXPECT_EQ(w.Edit1->text().toStdString(), "A B");
  ASSERT_TRUE(WaitFor([&] { return closed_; }));
  EXPECT_EQ(w.ExitCode(), kExitOk);
  EXPECT_TRUE(fs::exists(docs_ / "good.fmt"));

  // An unclosed bold mark gives an error line: the message list opens and the window stays.
  WriteFile(docs_ / "bad.ws", "Text \x02 bold never ends.\r\n");
  MainWindow& v = Open({"bad.ws", "/f"});
  ASSERT_TRUE(WaitFor([&] { return v.Jobs().FormatJobBusy.load() == 0 && v.Form8->isVisible(); }));
  QTest::qWait(700);  // longer than the close delay after a job
  EXPECT_FALSE(closed_);
  EXPECT_TRUE(v.isVisible());
}

TEST_F(MainWindowTest, SlashPClosesAfterPrinting) {
  WriteFile(docs_ / "doc.ws", Pages(2));
  Open({"doc.ws", "/F"});
  ASSERT_TRUE(WaitFor([&] { return closed_; }));
  MainWindow& w = Open({"doc.ws", "/P"});
  ASSERT_TRUE(WaitFor([&] { return closed_; }));
  EXPECT_EQ(w.ExitCode(), kExitOk);
  EXPECT_TRUE(fs::exists(docs_ / "doc.ps"));
}

std::vector<std::string> Images(const fs::path& folder) {
  std::vector<std::string> names;
  if (!fs::is_directory(folder)) return names;
  for (const auto& e : fs::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(MainWindowTest, PrintRangeCopiesAndSidesOnThePngPrinter) {
  WriteFile(docs_ / "four.ws", Pages(4));
  MainWindow& w = Open({"four.ws"});
  w.Jobs().StartFormatJob('F', "");
  ASSERT_TRUE(JobIdle(w));
  SelectPrinter(platform::kPngPrinterName);
  struct Case {
    const char* title;
    const char* list;
    int side;
    bool exclude;
    int copies;
    std::vector<std::string> first, second;  // images of copy 1 and copy 2
  };
  const Case cases[] = {
      {"2-3, two copies",
       "2-3",
       0,
       false,
       2,
       {"page0001.png", "page0002.png"},
       {"page0001.png", "page0002.png"}},
      {"even pages only", "", 2, false, 1, {"page0001.png", "page0002.png"}, {}},
      {"odd pages of 1-3", "1-3", 1, false, 1, {"page0001.png", "page0002.png"}, {}},
      {"all but 2-3", "2-3", 0, true, 1, {"page0001.png", "page0002.png"}, {}},
      {"page 3 only", "3", 0, false, 1, {"page0001.png"}, {}},
  };
  for (const Case& c : cases) {
    fs::remove_all(docs_ / "four_pages");
    fs::remove_all(docs_ / "four_pages_2");
    w.ShowPrintRange();
    PrintRangeDialog& d = *w.Form4;
    d.Edit1->setText(c.list);
    d.RadioItems[c.side]->setChecked(true);
    d.CheckBox1->setChecked(c.exclude);
    d.SpinEdit1->setValue(c.copies);
    QTest::mouseClick(d.Button2, Qt::LeftButton);
    Serve();
    ASSERT_TRUE(JobIdle(w)) << c.title;
    Serve();
    EXPECT_EQ(Images(docs_ / "four_pages"), c.first) << c.title;
    EXPECT_EQ(Images(docs_ / "four_pages_2"), c.second) << c.title;
    EXPECT_EQ(w.Jobs().Result().PrintedPages, static_cast<int>(c.first.size() + c.second.size()))
        << c.title;
  }
}

TEST_F(MainWindowTest, PrintPageWhilePrintingIsRefusedWithoutWaitingForThePrint) {
  WriteFile(docs_ / "many.ws", Pages(200, 40));
  MainWindow& w = Open({"many.ws"});
  w.Jobs().StartFormatJob('F', "");
  ASSERT_TRUE(JobIdle(w));
  SelectPrinter(platform::kPngPrinterName);
  ASSERT_TRUE(w.Jobs().StartPrintJob(false));
  boxes_.Shown.clear();
  w.BearbeiteUserMessage(MN_PRINT_PAGES, 0);  // as the print range dialog posts it
  EXPECT_EQ(w.Jobs().PrintBusy.load(), 1);
  EXPECT_TRUE(boxes_.Contains("Printing is in progress")) << boxes_.All();
  QTest::mouseClick(w.Buttons[4], Qt::LeftButton);  // "stop p"
  ASSERT_TRUE(JobIdle(w));
  Serve();
  EXPECT_EQ(w.Buttons[4]->text().toStdString(), "print");
  EXPECT_LT(w.Jobs().Result().PrintedPages, 200);
}

TEST_F(MainWindowTest, ClosingDuringAJobAsksAndYesStopsTheThreadsWithoutADeadlock) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "Line " + std::to_string(i) + " of a long document.\r\n";
  WriteFile(docs_ / "long.ws", text);
  for (int answer : {gui::kBoxNo, gui::kBoxYes}) {
    MainWindow& w = Open({"long.ws"});
    ASSERT_TRUE(w.Jobs().StartFormatJob('F', ""));
    boxes_.Shown.clear();
    boxes_.Answers.push_back(answer);
    w.close();
    ASSERT_TRUE(boxes_.Contains("Do you really want to interrupt the thread")) << boxes_.All();
    if (answer == gui::kBoxNo) {
      EXPECT_TRUE(w.isVisible());
      EXPECT_FALSE(closed_);
      w.Jobs().StopFormatting();
      ASSERT_TRUE(JobIdle(w));
    } else {
      Serve();
      EXPECT_TRUE(closed_);
      EXPECT_FALSE(w.isVisible());
    }
  }
}

struct BadInputCase {
  const char* title;
  std::function<void(MainWindowTest&, const fs::path& docs)> prepare;
  std::vector<std::string> args;
  std::function<void(MainWindow&)> act;
  const char* box;  // a part of the box expected; empty: none
};

TEST_F(MainWindowTest, BadInputGetsABoxAndNeverACrash) {
  std::vector<std::string> hashWords;
  for (int i = 0; i < 200; ++i) hashWords.push_back("#W" + std::to_string(i));
  hashWords.push_back("doc.ws");
  const BadInputCase cases[] = {
      {"a first file that does not exist",
       nullptr,
       {"missing.ws", "/F"},
       nullptr,
       "Wrong program parameter: The file missing.ws does not exist."},
      {"200 condition words", nullptr, hashWords, nullptr, "were cut: W0 W1 W2"},
      {"a dropped file that is not a document",
       nullptr,
       {"doc.ws"},
       [](MainWindow& w) { w.Groupbox1Drop({"/tmp/notes.doc"}); },
       ""},
      {"a dropped document that does not exist",
       nullptr,
       {},
       [](MainWindow& w) { w.Groupbox1Drop({"/nowhere/gone.ws"}); },
       "File /nowhere/gone.ws not found."},
      {"a dropped picture",
       nullptr,
       {},
       [](MainWindow& w) { w.Groupbox1Drop({"/tmp/picture.gif"}); },
       "Graphics file picture.gif not found."},
      {"the compiler is not installed",
       nullptr,
       {"doc.ws"},
       [](MainWindow& w) { w.findChild<QAction*>("Menuitem34")->trigger(); },
       "Skeldon commandline program not found"},
  };
  for (const BadInputCase& c : cases) {
    WriteFile(docs_ / "doc.ws", Pages(1));
    boxes_.Shown.clear();
    MainWindow& w = Open(c.args);
    if (c.act) c.act(w);
    Serve();
    SCOPED_TRACE(c.title);
    if (*c.box)
      EXPECT_TRUE(boxes_.Contains(c.box)) << boxes_.All();
    else
      EXPECT_TRUE(boxes_.Shown.empty()) << boxes_.All();
  }
  // The missing first file with "/F": the program closes instead of waiting for a job.
  Open({"missing.ws", "/F"});
  EXPECT_TRUE(WaitFor([&] { return closed_; }));
  EXPECT_EQ(window_->ExitCode(), kExitNotStarted);
}

TEST_F(MainWindowTest, ADocumentOnAReadOnlyFolderReportsAnErrorAndKeepsTheSource) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only folders";
  const fs::path locked = docs_ / "locked";
  fs::create_directories(locked);
  WriteFile(locked / "doc.ws", Pages(2));
  ::chmod(locked.c_str(), 0555);
  MainWindow& w = Open({(locked / "doc.ws").string(), "/F"});
  const bool ended = WaitFor([&] { return w.Jobs().FormatJobBusy.load() == 0; });
  Serve();
  ::chmod(locked.c_str(), 0755);
  ASSERT_TRUE(ended);
  EXPECT_EQ(w.Jobs().FormatExitCode.load(), kExitJobFailed);
  EXPECT_EQ(ReadFile(locked / "doc.ws"), Pages(2));
}

TEST_F(MainWindowTest, ADocumentDeletedWhileItsJobRunsLeavesAWorkingWindow) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "Line " + std::to_string(i) + " of a document.\r\n";
  WriteFile(docs_ / "gone.ws", text);
  MainWindow& w = Open({"gone.ws"});
  ASSERT_TRUE(w.Jobs().StartFormatJob('F', ""));
  fs::remove(docs_ / "gone.ws");
  ASSERT_TRUE(JobIdle(w));
  Serve();
  EXPECT_EQ(w.Leds[0]->Colour(), 0x000080u);
  // The window goes on: a refresh with the source gone disables its buttons.
  w.BearbeiteUserMessage(MN_REFRESH_BUTTONS, 0);
  EXPECT_FALSE(w.Buttons[1]->isEnabled());
}

TEST_F(MainWindowTest, TheMainWindowsGermanCaptionsAreTheTables) {
  WriteFile(docs_ / "doc.ws", Pages(1));
  MainWindow& w = Open({}, true);
  ASSERT_EQ(w.Jobs().Language(), 1);
  const std::vector<std::string> dump = CaptionDump(&w);
  const std::vector<std::string> rows = GermanCaptionRows("Form1");
  for (const std::string& row : rows)
    EXPECT_NE(std::find(dump.begin(), dump.end(), row), dump.end()) << row;
  EXPECT_FALSE(rows.empty());
  // Controls without a row keep their designed captions.
  EXPECT_NE(std::find(dump.begin(), dump.end(), "Button2\tformat"), dump.end());
  EXPECT_NE(std::find(dump.begin(), dump.end(), "GroupBox2\tunform"), dump.end());
}

TEST_F(MainWindowTest, SnapshotsOfTheMainWindowInEnglishAndGerman) {
  fs::create_directories("snapshots");
  WriteFile(docs_ / "held.ws", ReadFile(fs::path(CORVINA_SOURCE_DIR) / "examples/held.ws"));
  for (bool german : {false, true}) {
    fs::remove(program_ / "Tavrel.dta");
    MainWindow& w = Open({"held.ws", "#PRINT"}, german);
    w.Jobs().StartFormatJob('F', "PRINT");
    ASSERT_TRUE(JobIdle(w));
    Serve();
    const std::string path =
        std::string("snapshots/tavrel-main-") + (german ? "de" : "en") + ".png";
    ASSERT_TRUE(w.grab().save(QString::fromStdString(path)));
    EXPECT_EQ(w.Buttons[4]->text().toStdString(), german ? "Drucken" : "print");
  }
}

}  // namespace
}  // namespace tavrel

namespace tavrel {
namespace {

TEST_F(MainWindowTest, TheCommandMenuAndTheEditorOpenTheDotCommandDialog) {
  MainWindow& w = Open({}, true);
  QAction* command = w.findChild<QAction*>("MenuItem23");
  ASSERT_NE(command, nullptr);
  command->trigger();
  ASSERT_NE(w.Form10, nullptr);
  EXPECT_TRUE(w.Form10->isVisible());
  EXPECT_FALSE(w.Form10->OpenedByEditor());
  EXPECT_EQ(w.Form10->windowTitle().toStdString(), "Punktbefehle einfügen");
  w.Form10->close();
  // The editor's code 62 on a font command: the fonts come from the program's definitions.
  w.OpenDotCommandDialog(2, "SFA");
  EXPECT_TRUE(w.Form10->isVisible());
  EXPECT_TRUE(w.Form10->OpenedByEditor());
  EXPECT_EQ(w.Form10->WindowSelector(), 2);
  EXPECT_EQ(w.Form10->SelectedCode(), 42);
  ASSERT_GT(w.Form10->ComboBox1->count(), 0);
  EXPECT_EQ(w.Form10->ComboBox1->currentText().toStdString().substr(0, 4), "A = ");
  // No editor shows a document: inserting tells the user and sends nothing.
  w.Form10->InsertPause = std::chrono::milliseconds(0);
  const std::size_t before = boxes_.Shown.size();
  QTest::mouseClick(w.Form10->Button1, Qt::LeftButton);
  ASSERT_EQ(boxes_.Shown.size(), before + 1);
  EXPECT_NE(boxes_.Shown.back().text.find("Dunmoor"), std::string::npos);
}

// The dialog and the settings notebook read one dot-command help list, in the language the
// settings choose when they look: switched, both read the other language's file.
TEST_F(MainWindowTest, TheDotCommandHelpFollowsTheLanguageSetting) {
  WriteFile(program_ / "dothelpe.txt", ".LM=left margin\r\n");
  WriteFile(program_ / "dothelpg.txt", ".LM=linker Rand\r\n");
  MainWindow& w = Open({});
  for (const std::uint8_t language : {0, 1, 0}) {
    SCOPED_TRACE(static_cast<int>(language));
    w.Jobs().Settings().Language = language;
    const std::string help =
        language == kLanguageGerman ? ".LM = linker Rand" : ".LM = left margin";
    w.OpenDotCommandDialog(1, "LM");
    EXPECT_EQ(w.Form10->Label1->text().toStdString(), help);
    EXPECT_EQ(w.Jobs().DotCommandHelp(".LM"), help);
    w.Form10->close();
  }
}

TEST_F(MainWindowTest, AQuickReleaseByTheEditorIsNotLost) {
  WriteFile(docs_ / "doc.ws", Pages(1));
  MainWindow& w = Open({"doc.ws"});
  std::vector<std::string> asked;
  // An editor that answers at once, before the close request has even returned.
  w.Jobs().CloseEditorWindow = [&](const std::string& file) {
    asked.push_back(file);
    w.Jobs().EditorFileReleased = 1;
    return true;
  };
  ASSERT_TRUE(w.Jobs().StartFormatJob('F', ""));
  ASSERT_TRUE(JobIdle(w));
  EXPECT_EQ(asked, std::vector<std::string>{"doc.fmt"});
  EXPECT_EQ(w.Jobs().LastReleaseWaitSteps.load(), 0);
}

TEST_F(MainWindowTest, TheCompilerGetsEachParameterWholeAlsoWithBlanksInThePaths) {
  const fs::path tools = dir_.Path() / "my tools";
  fs::create_directories(tools);
  const fs::path log = dir_.Path() / "arguments.txt";
  const fs::path compiler = tools / "skeldon";
  // The list appears whole: written aside, then renamed.
  WriteFile(compiler, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                          log.string() + ".part' && mv '" + log.string() + ".part' '" +
                          log.string() + "'\n");
  ::chmod(compiler.c_str(), 0755);
  const fs::path folder = docs_ / "two words";
  fs::create_directories(folder);
  WriteFile(folder / "my doc.ws", Pages(1));
  for (bool html : {false, true}) {
    fs::remove(log);
    MainWindow& w = Open({(folder / "my doc.ws").string()});
    w.Jobs().Settings().CompilerFileName.Assign(compiler.string());
    w.findChild<QAction*>(html ? "Menuitem35" : "Menuitem34")->trigger();
    ASSERT_TRUE(WaitFor([&] { return fs::exists(log) && !ReadFile(log).empty(); }, 20000));
    std::string expected = (tools / "tavrel.ini").string() + "\n";
    if (html) expected += "/html\n";
    expected += "/q\n/hold\n" + (folder / "my doc.ws").string() + "\n";
    EXPECT_EQ(ReadFile(log), expected);
  }
}

// ---------------------------------------------------------------------------------------
// Jobs I, Z, S and R

fs::path DerivedData(const std::string& name) {
  return fs::path(CORVINA_SOURCE_DIR) / "tests" / "data" / "formatter_derived" / name;
}

fs::path DerivedGolden(const std::string& name) {
  return fs::path(CORVINA_SOURCE_DIR) / "tests" / "golden" / "formatter_derived" / name;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& part) {
  for (const std::string& line : lines)
    if (line.find(part) != std::string::npos) return true;
  return false;
}

class MainWindowJobsTest : public MainWindowTest {
 protected:
  // Starts the job of a "Make" item and waits for its end.
  void RunFromMenu(MainWindow& w, const char* item) {
    w.findChild<QAction*>(item)->trigger();
    ASSERT_EQ(w.Jobs().FormatJobBusy.load(), 1) << item << " started no job";
    ASSERT_TRUE(JobIdle(w));
    Serve();
  }
  std::string ListText(MainWindow& w) { return ::testing::PrintToString(w.Form8->Lines()); }
};

TEST_F(MainWindowJobsTest, ContentsAndTextAndFootnotesFromTheMakeMenuWriteTheirDocuments) {
  const struct {
    const char* job;
    const char* document;
    const char* item;
    const char* output;
    bool headingsToo;                // contents from the headings, not only ".CT" lines
    std::vector<std::string> texts;  // what the output must carry
  } cases[] = {
      {"Z", "notes.ws", "MenuItem11", "notes.taf", false, {"The first note.", "A second line."}},
      {"I, .CT lines only", "chapters.ws", "MenuItem12", "chapters.toc", false, {"Closing words"}},
      {"I, headings",
       "chapters.ws",
       "MenuItem12",
       "chapters.toc",
       true,
       {"Introduction", "Why (and how)", "Deep level", "Results", "Closing words"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.job);
    fs::copy_file(DerivedData(c.document), docs_ / c.document,
                  fs::copy_options::overwrite_existing);
    MainWindow& w = Open({c.document});
    w.Jobs().Settings().ContentsCtOnly = c.headingsToo ? 0 : 1;
    // The derived documents are made from the formatted file.
    RunFromMenu(w, "MenuItem10");
    ASSERT_EQ(w.Jobs().FormatExitCode.load(), kExitOk) << ListText(w);
    RunFromMenu(w, c.item);
    EXPECT_EQ(w.Jobs().FormatExitCode.load(), kExitOk) << ListText(w);
    EXPECT_FALSE(HasLine(w.Form8->Lines(), "ERROR")) << ListText(w);
    ASSERT_TRUE(fs::exists(docs_ / c.output));
    const std::string made = ReadFile(docs_ / c.output);
    for (const std::string& text : c.texts)
      EXPECT_NE(made.find(text), std::string::npos) << text << " missing in " << c.output;
    // The contents are formatted in place after they were made: the run adds its line height.
    if (c.job[0] == 'I') {
      EXPECT_EQ(made.rfind(".SFC\r\n.LH10\r\n", 0), 0u) << made;
    }
    EXPECT_EQ(w.Jobs().OpenAfterMake(), (docs_ / c.output).string());
    EXPECT_EQ(w.Buttons[1]->text().toStdString(), "format");
  }
}

// Two volumes, each formatted and indexed from the menu: the second index job merges both
// volume files into the documents reviewed for the index builder.
TEST_F(MainWindowJobsTest, IndexFromTheMakeMenuMergesTheVolumesAndShowsItsLines) {
  for (const char* book : {"book01.ws", "book02.ws"})
    fs::copy_file(DerivedData(book), docs_ / book);
  MainWindow& w = Open({});
  w.Jobs().Settings().IndexSortUmlautAsAe = 1;
  w.Jobs().Settings().WeightedPages = 0;
  for (const char* book : {"book01.ws", "book02.ws"}) {
    SCOPED_TRACE(book);
    ASSERT_TRUE(w.Jobs().OpenDocument(book));
    RunFromMenu(w, "MenuItem10");
    RunFromMenu(w, "MenuItem13");
    EXPECT_EQ(w.Jobs().FormatExitCode.load(), kExitOk) << ListText(w);
  }
  EXPECT_EQ(ReadFile(docs_ / "INDEX_1.WS"), ReadFile(DerivedGolden("two_volumes_INDEX_1.WS")));
  EXPECT_EQ(ReadFile(docs_ / "INDEX_2.WS"), ReadFile(DerivedGolden("two_volumes_INDEX_2.WS")));
  EXPECT_TRUE(w.Form7->isVisible());
  const std::string shown = w.Form7->Memo1->toPlainText().toStdString();
  // The list was emptied when the second job started: it holds that job's lines only.
  EXPECT_EQ(shown.rfind("Compiling ___.IX1 files...", 0), 0u) << shown;
  EXPECT_NE(shown.find("book02.IX1"), std::string::npos) << shown;
  EXPECT_NE(shown.find("The index file name is " + (docs_ / "INDEX_2.WS").string()),
            std::string::npos)
      << shown;
}

TEST_F(MainWindowJobsTest, ADroppedRtfFileBecomesTheWordStarDocument) {
  const fs::path rtf = docs_ / "Letter.rtf";
  WriteFile(rtf, "{\\rtf1\\ansi \\pard\\outlinelevel0 Kapitel\\par\\pard Text {\\b fett}.\\par}");
  MainWindow& w = Open({});
  w.Groupbox1Drop({rtf.string()});
  ASSERT_EQ(w.Jobs().FormatJobBusy.load(), 1);
  EXPECT_EQ(w.Buttons[1]->text().toStdString(), "stop");
  EXPECT_EQ(w.Labels[0]->text().toStdString(), "Letter.rtf --> Letter.ws");
  ASSERT_TRUE(JobIdle(w));
  Serve();
  EXPECT_EQ(w.Jobs().FormatExitCode.load(), kExitOk) << ListText(w);
  EXPECT_NE(ReadFile(docs_ / "Letter.ws").find(".1\r\nKapitel\r\n"), std::string::npos);
  EXPECT_EQ(w.Form8->Lines().back(), "INFO: RTF to WS conversion finished successfully.");
  // The converted document is the current one now.
  EXPECT_EQ(w.Jobs().CurrentDocument(), (docs_ / "Letter.ws").string());

  // A second drop asks before replacing it; No keeps the document and fails the job.
  WriteFile(docs_ / "Letter.ws", "kept");
  boxes_.Shown.clear();
  boxes_.Answers = {gui::kBoxNo};
  w.Groupbox1Drop({rtf.string()});
  ASSERT_TRUE(JobIdle(w));
  Serve();
  EXPECT_TRUE(boxes_.Contains("Overwrite file")) << boxes_.All();
  EXPECT_EQ(ReadFile(docs_ / "Letter.ws"), "kept");
  EXPECT_EQ(w.Jobs().FormatExitCode.load(), kExitJobFailed);
  EXPECT_TRUE(HasLine(w.Form8->Lines(), "RTF to WS conversion has not succeeded")) << ListText(w);
}

// "stop f" pressed right after the start reaches each job, also before the job's own run
// exists; the job ends failed and says so.
TEST_F(MainWindowJobsTest, AStoppedJobReportsStopped) {
  std::string text = ".PL 20\r\n.MT 2\r\n.MB 2\r\n.FU[]\r\n";
  for (int p = 1; p <= 300; ++p) {
    const std::string n = std::to_string(p);
    text += ".1\r\nChapter " + n + "\r\n.IN Entry" + n + "\r\nA line with a note[Note " + n +
            ".] in it.\r\n.PA\r\n";
  }
  WriteFile(docs_ / "long.ws", text);
  MainWindow& w = Open({"long.ws"});
  RunFromMenu(w, "MenuItem10");
  ASSERT_EQ(w.Jobs().FormatExitCode.load(), kExitOk) << ListText(w);
  for (const char* item : {"MenuItem11", "MenuItem12", "MenuItem13"}) {
    SCOPED_TRACE(item);
    w.findChild<QAction*>(item)->trigger();
    ASSERT_EQ(w.Jobs().FormatJobBusy.load(), 1);
    QTest::mouseClick(w.Buttons[1], Qt::LeftButton);
    ASSERT_TRUE(JobIdle(w));
    Serve();
    EXPECT_EQ(w.Jobs().FormatExitCode.load(), kExitJobFailed);
    EXPECT_TRUE(HasLine(w.Form8->Lines(), "Formatting stopped by user")) << ListText(w);
    EXPECT_EQ(w.Buttons[1]->text().toStdString(), "format");
  }
}

TEST_F(MainWindowJobsTest, ADerivedJobWithoutItsFormattedFileFails) {
  WriteFile(docs_ / "doc.ws", Pages(2));
  MainWindow& w = Open({"doc.ws"});
  for (const char* item : {"MenuItem11", "MenuItem12", "MenuItem13"}) {
    SCOPED_TRACE(item);
    RunFromMenu(w, item);
    EXPECT_EQ(w.Jobs().FormatExitCode.load(), kExitJobFailed) << ListText(w);
  }
  EXPECT_EQ(ReadFile(docs_ / "doc.ws"), Pages(2));
}

// The menu opens the graphics dialog on its own; the editor's request opens it with the
// clipboard picture, named next to the current document.
TEST_F(MainWindowTest, TheGraphicFileMenuAndTheEditorOpenTheGraphicsDialog) {
  WriteFile(docs_ / "doc.ws", Pages(1));
  MainWindow& w = Open({"doc.ws"});
  boxes_.Shown.clear();
  w.findChild<QAction*>("Menuitem37")->trigger();
  EXPECT_TRUE(w.Form11->isVisible());
  EXPECT_FALSE(w.Form11->CalledFromEditor);
  w.Form11->close();
  QApplication::clipboard()->setImage(QImage(40, 20, QImage::Format_RGB32));
  w.OpenGraphicsDialog(false, 0, "");
  EXPECT_TRUE(w.Form11->isVisible());
  EXPECT_TRUE(w.Form11->CalledFromEditor);
  EXPECT_EQ(w.Form11->Edit1->text().toStdString(), (docs_ / "doc_gra01.bmp").string());
  EXPECT_TRUE(boxes_.Shown.empty()) << boxes_.All();
}

}  // namespace
}  // namespace tavrel
