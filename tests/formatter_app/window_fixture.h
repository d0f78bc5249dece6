// Tavrel's main window opened on the offscreen platform over a temporary program folder (the
// suite's data files) and a document folder, with the boxes recorded and answered.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formatter/app/main_window.h"
#include "platform/gui/message_boxes.h"
#include "platform/gui/window_messages.h"
#include "platform/printers.h"
#include "tests/formatter_app/tavrel_run_fixture.h"
#include "tests/support/test_support.h"

namespace tavrel::window_test {

namespace fs = std::filesystem;
namespace gui = platform::gui;

inline bool WaitFor(const std::function<bool()>& done, int ms = 60000) {
  return gui::wait_serving_messages(done, std::chrono::milliseconds(ms));
}

// A document of `pages` pages, each with `lines` lines of text.
inline std::string Pages(int pages, int lines = 3) {
  std::string text;
  for (int p = 1; p <= pages; ++p) {
    for (int l = 0; l < lines; ++l)
      text += "Page " + std::to_string(p) + " line " + std::to_string(l) +
              " with some words to fill it.\r\n";
    if (p < pages) text += ".PA\r\n";
  }
  return text;
}

// The pixels of an image that are not white.
inline int InkedPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++n;
  return n;
}

// The window's folders and printers, and the font families of every test machine.
inline TavrelEnvironment WindowEnvironment(const fs::path& program, const fs::path& docs,
                                           platform::PrinterList& printers) {
  TavrelEnvironment env;
  env.ProgramDirectory = program.string();
  env.CurrentDirectory = docs.string();
  env.Printers = &printers;
  env.FontFamilies = {"Arial", "Courier New", "Helvetica", "Times New Roman"};
  return env;
}

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallTavrel(dir_.Path(), program_, docs_);
    gui::set_box_responder([this](const gui::BoxRequest& r) {
      shown_.push_back(r.text);
      if (!answers_.empty()) {
        const int a = answers_.front();
        answers_.pop_front();
        return a;
      }
      return r.choice == gui::BoxChoice::ok ? gui::kBoxOk : gui::kBoxNo;
    });
  }
  void TearDown() override {
    window_.reset();
    gui::set_box_responder({});
  }

  MainWindow& Open(const std::vector<std::string>& args) {
    window_.reset();
    window_ = std::make_unique<MainWindow>(args, WindowEnvironment(program_, docs_, printers_));
    BeforeShow(*window_);
    window_->show();
    QApplication::processEvents();
    return *window_;
  }

  // What a test sets on the window before its first show (which may start jobs).
  virtual void BeforeShow(MainWindow&) {}

  void Serve() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }

  void SelectPrinter(const char* name) {
    const int index = printers_.index_of(name);
    ASSERT_GE(index, 0);
    printers_.select(index);
  }

  bool Idle(MainWindow& w) {
    return WaitFor(
        [&] { return w.Jobs().FormatJobBusy.load() == 0 && w.Jobs().PrintBusy.load() == 0; });
  }

  // Formats the document in the folder and waits for the end of the job.
  void Format(MainWindow& w) {
    ASSERT_TRUE(w.Jobs().StartFormatJob('F', ""));
    ASSERT_TRUE(Idle(w));
    Serve();
  }

  std::string Boxes() const {
    std::string all;
    for (const std::string& t : shown_) all += t + "\n";
    return all;
  }

  corvina_test::TempDir dir_{"tavrel-wire"};
  fs::path program_, docs_;
  platform::PrinterList printers_ = platform::PrinterList::virtual_only();
  std::vector<std::string> shown_;
  std::deque<int> answers_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace tavrel::window_test
