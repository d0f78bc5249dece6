// The graphics-file dialog asked for by the stand-in editor in its own process: codes 11, 12,
// 20..22 and 13 open it, and the ".BM" line and the end of the dialog reach the editor's
// window that the request chose.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <chrono>
#include <string>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/common/settings_record.h"
#include "formatter/windows/editor_link.h"
#include "formatter/windows/graphics_file_dialog.h"
#include "platform/gui/foreign_window_port.h"
#include "platform/gui/window_messages.h"
#include "platform/metafiles.h"
#include "tests/formatter_windows/editor_link_fixture.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

std::vector<std::string> Expected(const std::string& target, std::int32_t flag,
                                  const std::string& line) {
  std::vector<std::string> lines = {target + " 7777 101 " + std::to_string(flag)};
  for (const char c : line)
    lines.push_back(target + " 7777 100 " + std::to_string(static_cast<unsigned char>(c)));
  lines.push_back(target + " 7777 199 0");
  return lines;
}

std::string Sends(const std::string& head, const std::string& name, const std::string& tail) {
  std::string script = head + ",20:0";
  for (const char c : name) script += ",21:" + std::to_string(static_cast<unsigned char>(c));
  return script + "," + tail;
}

class GraphicsDialogEditor : public EditorLinkSide, public ::testing::Test {
 protected:
  GraphicsDialogEditor() {
    settings.MetafileDpi = 300;
    settings.AutoCorrectExtension = 1;  // the formatted file's window is found by its extension
    corvina_test::WriteFile(work.Path() / "report.fmt", "formatted");
    platform::Bitmap halves;
    halves.width = 200;
    halves.height = 100;
    for (int i = 0; i < 200 * 100; ++i)
      halves.pixels.push_back(i % 200 < 100 ? 0xFFFF0000u : 0xFF0000FFu);
    corvina_test::WriteFile(
        work.Path() / "chart.emf",
        platform::metafile_from_bitmap(halves, platform::PictureFormat::emf).bytes);
    receiver.Actions.TemplateRightMargin = [] { return 65; };
    receiver.Actions.ShowGraphics = [this](bool named, std::uint8_t selector,
                                           const std::string& name) {
      dialog.OpenFromEditor(named, selector, name);
    };
    dialog.Boxes = &boxes;
    dialog.Settings = &settings;
    dialog.Files = receiver.Files;
    dialog.ConnectEditorLink(receiver.Link);
    const auto sendDone = dialog.DialogDone;
    dialog.DialogDone = [this, sendDone](std::uint8_t selector) {
      sendDone(selector);
      ++dialogsDone;
    };
  }

  // Serves the link and Qt's events (the dialog's timer) until done or 10 s passed.
  bool serve_with_qt_until(const std::function<bool()>& done) {
    return serve_until([&] {
      QApplication::processEvents();
      return done();
    });
  }

  RecordingMessageBoxes boxes;
  GraphicsFileDialog dialog{nullptr};
  int dialogsDone = 0;
};

// Code 22 with selector 1: the named metafile, made a bitmap of the size codes 11 and 12 ask
// for, and its line into the formatted file's window.
TEST_F(GraphicsDialogEditor, ANamedPictureGoesBackToTheChosenWindow) {
  auto source = start({"--title", "report.ws - DUNMOOR"});
  auto formatted = start({"--title", "report.fmt - DUNMOOR", "--child", "1", "--send",
                          Sends("11:50,12:60", " chart.emf", "22:1")});
  ASSERT_GT(formatted->child(), 0);
  ASSERT_TRUE(serve_with_qt_until([&] { return dialog.isVisible() && dialog.HasPicture(); }))
      << ::testing::PrintToString(boxes.Boxes().size());
  EXPECT_TRUE(dialog.PictureNamed);
  EXPECT_EQ(dialog.WindowSelector, 1);
  EXPECT_EQ(dialog.Edit1->text().toStdString(), "chart.emf");
  dialog.RadioItems[0]->click();
  EXPECT_EQ(dialog.PictureBitmap().width, 900);
  EXPECT_EQ(dialog.PictureBitmap().height, 450);
  dialog.Button2OnClick();
  ASSERT_TRUE(serve_with_qt_until([&] { return dialogsDone == 1; }));
  EXPECT_EQ(finish(*formatted), Expected("child", 1, ".BM chart.bmp"));
  EXPECT_TRUE(finish(*source).empty());
  EXPECT_TRUE(boxes.Boxes().empty());
}

// Code 13 without a text width: the page template's right margin is taken; the clipboard
// picture gets a numbered name and its line goes to the document's window.
TEST_F(GraphicsDialogEditor, AClipboardPictureGoesToTheDocumentsWindow) {
  QApplication::clipboard()->setImage(QImage(600, 300, QImage::Format_RGB32));
  auto source = start({"--title", "report.ws - DUNMOOR", "--send", "11:50,13:0"});
  ASSERT_GT(source->top(), 0);
  ASSERT_TRUE(serve_with_qt_until([&] { return dialog.isVisible() && dialog.HasPicture(); }));
  EXPECT_FALSE(dialog.PictureNamed);
  dialog.SetImageDimensions();
  EXPECT_NE(dialog.Label2->text().toStdString().find(".RM65, .BW50: 975 x 488"), std::string::npos)
      << dialog.Label2->text().toStdString();
  dialog.Button2OnClick();
  ASSERT_TRUE(serve_with_qt_until([&] { return dialogsDone == 1; }));
  EXPECT_EQ(finish(*source), Expected("top", 0, ".BM report_gra01.bmp"));
  EXPECT_EQ(corvina_test::CommandOutput("file -b '" + (work / "report_gra01.bmp") + "'")
                .find("600 x 300"),
            std::string("PC bitmap, Windows 3.x format, ").size());
}

}  // namespace
}  // namespace tavrel
