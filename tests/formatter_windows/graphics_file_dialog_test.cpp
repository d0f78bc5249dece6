// The graphics-file dialog as a real widget: pictures from files and the clipboard, the
// formats it converts and saves (each file read back by another program), the size the
// editor asks for, the ".BM" line, and every refusal that must leave the disk alone.
#include "formatter/windows/graphics_file_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "platform/metafiles.h"
#include "platform/picture_encoders.h"
#include "tests/support/test_support.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using platform::argb;
using platform::PictureFormat;

// Left half red, right half blue: a scaled or converted picture still shows which is which.
platform::Bitmap Halves(int width, int height) {
  platform::Bitmap b;
  b.width = width;
  b.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      b.pixels.push_back(x < width / 2 ? argb(255, 255, 0, 0) : argb(255, 0, 0, 255));
  return b;
}

// What file(1) says of a file: its kind and, for bitmaps, the size it read from the header.
struct FileReport {
  std::string Text;
  int Width = 0;
  int Height = 0;
};
FileReport ReadBack(const std::string& path) {
  FileReport r;
  r.Text = corvina_test::CommandOutput("file -b '" + path + "'");
  std::smatch m;
  // The picture's size, not a resolution: after the format, the precision or the version.
  if (std::regex_search(
          r.Text, m,
          std::regex("(?:format|precision [0-9]+|version [0-9a-z]+), ([0-9]+) ?x ?([0-9]+)"))) {
    r.Width = std::stoi(m[1]);
    r.Height = std::stoi(m[2]);
  }
  return r;
}

std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

struct Insertion {
  std::string Text;
  std::int32_t Flag = 0;
  std::uint8_t Selector = 0;
};

class GraphicsDialogTest : public ::testing::Test {
 protected:
  GraphicsDialogTest() : dialog(&notifier) {
    document = dir / "report.ws";
    corvina_test::WriteFile(document, "text\r\n");
    settings.Language = 0;
    settings.MetafileDpi = 300;
    dialog.Boxes = &boxes;
    dialog.Settings = &settings;
    dialog.Files.CurrentDocument = document;
    dialog.Files.Settings = &settings;
    dialog.PictureRequest = [this] { return request; };
    dialog.InsertIntoEditor = [this](const std::string& text, std::int32_t flag,
                                     std::uint8_t selector) {
      insertions.push_back({text, flag, selector});
      return true;
    };
    dialog.DialogDone = [this](std::uint8_t selector) { done.push_back(selector); };
    dialog.DialogDoneDelay = 10;
    dialog.resize(640, 520);
  }
  ~GraphicsDialogTest() override {
    dialog.close();
    ::chmod(dir.Path().c_str(), 0700);
  }

  std::string Put(const std::string& name, const std::string& bytes) {
    corvina_test::WriteFile(dir / name, bytes);
    return name;
  }
  std::string PutBitmap(const std::string& name, int width, int height) {
    return Put(name, platform::encode_bmp(Halves(width, height)).bytes);
  }
  std::string PutMetafile(const std::string& name, PictureFormat format, int width, int height) {
    return Put(name, platform::metafile_from_bitmap(Halves(width, height), format).bytes);
  }
  // A click on a format, as the user makes it.
  void Choose(int index) { dialog.RadioItems[index]->click(); }
  std::string Edit1() const { return dialog.Edit1->text().toStdString(); }
  std::string Label2() const { return dialog.Label2->text().toStdString(); }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& b : boxes.Boxes()) texts.push_back(b.Text);
    return texts;
  }
  bool LastBoxSays(const std::string& text) const {
    const auto all = boxes.Boxes();
    return !all.empty() && all.back().Text.find(text) != std::string::npos;
  }

  corvina_test::TempDir dir{"graphics-dialog"};
  std::string document;
  TSettingsRecord settings;
  RecordingMessageBoxes boxes;
  RecordingNotifier notifier;
  EditorPictureRequest request;
  std::vector<Insertion> insertions;
  std::vector<std::uint8_t> done;
  GraphicsFileDialog dialog;
};

TEST_F(GraphicsDialogTest, AFileIsShownScaledWithItsSizeAndANumberedName) {
  dialog.OpenWithFile(PutBitmap("photo.bmp", 400, 200));
  ASSERT_TRUE(dialog.HasPicture()) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(dialog.FormatIndex(), 0);
  EXPECT_TRUE(dialog.RadioItems[0]->isChecked());
  EXPECT_EQ(Edit1(), dir / "report_gra01.bmp");
  // The picture keeps its shape inside the box below the controls.
  const QRect shown = dialog.Image1->geometry();
  EXPECT_EQ(shown.left(), 10);
  EXPECT_LE(shown.width(), dialog.width() - 20);
  EXPECT_LE(shown.bottom(), dialog.height() - 10);
  EXPECT_NEAR(shown.width(), 2 * shown.height(), 2);
  const long percent = std::lround(shown.width() * 100.0 / 400);
  EXPECT_EQ(Label2(), "Graphic loaded from file photo.bmp");
  dialog.SetImageDimensions();
  EXPECT_EQ(Label2(), "size: 400 x 200  (" + std::to_string(percent) + "%)");
  // A larger window shows it larger, still in shape.
  dialog.resize(900, 800);
  QApplication::processEvents();
  EXPECT_GT(dialog.Image1->width(), shown.width());
  EXPECT_NEAR(dialog.Image1->width(), 2 * dialog.Image1->height(), 2);
  const QImage pixels = dialog.Image1->grab().toImage();
  EXPECT_EQ(pixels.pixelColor(pixels.width() / 4, pixels.height() / 2), QColor(255, 0, 0));
  EXPECT_EQ(pixels.pixelColor(3 * pixels.width() / 4, pixels.height() / 2), QColor(0, 0, 255));
  EXPECT_TRUE(insertions.empty());
}

// What the clipboard can hold: a bitmap, an enhanced or a Windows metafile.
TEST_F(GraphicsDialogTest, TheClipboardGivesBitmapsAndMetafiles) {
  struct Case {
    const char* mime;  // nullptr: an image
    PictureFormat format;
    int index;
    const char* extension;
  };
  const Case cases[] = {{nullptr, PictureFormat::bmp, 0, "bmp"},
                        {"image/x-emf", PictureFormat::emf, 1, "emf"},
                        {"image/x-wmf", PictureFormat::wmf, 2, "wmf"}};
  for (const Case& c : cases) {
    auto* data = new QMimeData;
    if (c.mime) {
      const std::string bytes = platform::metafile_from_bitmap(Halves(120, 60), c.format).bytes;
      data->setData(c.mime, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    } else {
      data->setImageData(QImage(120, 60, QImage::Format_RGB32));
    }
    QApplication::clipboard()->setMimeData(data);
    dialog.OpenFromEditor(false, 0, "");
    EXPECT_EQ(dialog.FormatIndex(), c.index) << c.extension;
    EXPECT_EQ(dialog.PictureIsMetafile(), c.mime != nullptr);
    EXPECT_EQ(Edit1(), dir / (std::string("report_gra01.") + c.extension));
    EXPECT_EQ(Label2(), "Graphic loaded from clipboard");
    EXPECT_NEAR(dialog.Image1->width(), 2 * dialog.Image1->height(), 2);
  }
  EXPECT_TRUE(boxes.Boxes().empty()) << ::testing::PrintToString(BoxTexts());
}

// Saved in every format next to the document under the next free number, each file read
// back by another program with the size it must have.
TEST_F(GraphicsDialogTest, SavesEveryFormatAndOtherProgramsReadIt) {
  struct Case {
    int index;
    const char* kind;  // in file(1)'s report
  };
  const Case bitmaps[] = {{0, "PC bitmap"}, {3, "GIF image"}, {4, "JPEG image"}};
  int number = 0;
  for (const Case& c : bitmaps) {
    dialog.OpenWithFile(PutBitmap("photo.bmp", 300, 150));
    Choose(c.index);
    ASSERT_EQ(dialog.FormatIndex(), c.index);
    dialog.Button2OnClick();
    ++number;
    const std::string saved = dir / ("report_gra0" + std::to_string(number) + "." +
                                     std::string(c.kind[0] == 'P'   ? "bmp"
                                                 : c.kind[0] == 'G' ? "gif"
                                                                    : "jpg"));
    EXPECT_EQ(dialog.SavedFileName(), saved);
    const FileReport r = ReadBack(saved);
    EXPECT_NE(r.Text.find(c.kind), std::string::npos) << r.Text;
    EXPECT_EQ(r.Width, 300) << r.Text;
    EXPECT_EQ(r.Height, 150) << r.Text;
    EXPECT_FALSE(dialog.isVisible());
  }
  // Metafiles: EMF as loaded, then the same drawing as WMF.
  const Case metafiles[] = {{1, "Enhanced Metafile"}, {2, "metafile"}};
  for (const Case& c : metafiles) {
    dialog.OpenWithFile(PutMetafile("chart.emf", PictureFormat::emf, 240, 120));
    ASSERT_EQ(dialog.FormatIndex(), 1);
    Choose(c.index);
    ASSERT_EQ(dialog.FormatIndex(), c.index);
    dialog.Button2OnClick();
    ++number;
    const std::string saved = dir / ("report_gra0" + std::to_string(number) + "." +
                                     std::string(c.index == 1 ? "emf" : "wmf"));
    ASSERT_EQ(dialog.SavedFileName(), saved);
    EXPECT_NE(ReadBack(saved).Text.find(c.kind), std::string::npos) << ReadBack(saved).Text;
    const platform::MetafileResult back = platform::load_metafile(saved);
    ASSERT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(back.metafile.width, 240);
    EXPECT_EQ(back.metafile.height, 120);
    const platform::PictureResult drawn = platform::render_metafile(back.metafile, 240, 120);
    ASSERT_TRUE(drawn.ok()) << drawn.error;
    EXPECT_EQ(drawn.bitmap.pixel(200, 60) & 0xFFFFFF, 0x0000FFu);
  }
  // wmf2svg draws the WMF at its own size.
  const std::string svg =
      corvina_test::CommandOutput("wmf2svg '" + (dir / "report_gra05.wmf") + "' 2>/dev/null");
  EXPECT_NE(svg.find("width=\"240\""), std::string::npos) << svg.substr(0, 300);
  EXPECT_NE(svg.find("height=\"120\""), std::string::npos) << svg.substr(0, 300);
  EXPECT_TRUE(boxes.Boxes().empty()) << ::testing::PrintToString(BoxTexts());
  EXPECT_TRUE(insertions.empty());
}

// 6 inches of text, half of it, at 300 dpi: 900 pixels; without a resolution set 300 is taken
// and kept; at 150 dpi half as many.
TEST_F(GraphicsDialogTest, AMetafileBecomesABitmapOfTheRequiredSize) {
  struct Case {
    std::int32_t dpi, textWidth, percent;
    int width, height;
    std::int32_t dpiAfter;
  };
  const Case cases[] = {{300, 60, 50, 900, 450, 300},
                        {0, 60, 50, 900, 450, 300},
                        {150, 60, 50, 450, 225, 150},
                        {300, 65, 100, 1950, 975, 300}};
  for (const Case& c : cases) {
    settings.MetafileDpi = c.dpi;
    request = {c.percent, c.textWidth};
    insertions.clear();
    done.clear();
    fs::remove(dir / "chart.bmp");
    dialog.OpenFromEditor(true, 3, PutMetafile("chart.wmf", PictureFormat::wmf, 200, 100));
    ASSERT_EQ(dialog.FormatIndex(), 2);
    EXPECT_EQ(Edit1(), "chart.wmf");  // the editor's name is kept
    Choose(0);
    ASSERT_EQ(dialog.FormatIndex(), 0) << ::testing::PrintToString(BoxTexts());
    EXPECT_EQ(Label2(), "Bitmap converted from a Metafile");
    EXPECT_EQ(dialog.PictureBitmap().width, c.width);
    EXPECT_EQ(dialog.PictureBitmap().height, c.height);
    EXPECT_EQ(settings.MetafileDpi, c.dpiAfter);
    EXPECT_EQ(Edit1(), "chart.bmp");
    dialog.Button2OnClick();
    const FileReport r = ReadBack(dir / "chart.bmp");
    EXPECT_EQ(r.Width, c.width) << r.Text;
    EXPECT_EQ(r.Height, c.height) << r.Text;
    // The ".BM" line goes to the window the editor chose, then the dialog says it is done.
    ASSERT_EQ(insertions.size(), 1u);
    EXPECT_EQ(insertions[0].Text, ".BM chart.bmp");
    EXPECT_EQ(insertions[0].Flag, 1);
    EXPECT_EQ(insertions[0].Selector, 3);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !done.empty(); }));
    EXPECT_EQ(done, std::vector<std::uint8_t>{3});
  }
  EXPECT_TRUE(boxes.Boxes().empty()) << ::testing::PrintToString(BoxTexts());
}

TEST_F(GraphicsDialogTest, AClipboardPictureForTheEditorShowsTheRequiredSizeAndSendsItsLine) {
  request = {50, 60};
  QApplication::clipboard()->setImage(QImage(600, 300, QImage::Format_RGB32));
  dialog.OpenFromEditor(false, 7, "");
  dialog.SetImageDimensions();
  EXPECT_NE(Label2().find("size: 600 x 300  ("), std::string::npos) << Label2();
  EXPECT_NE(Label2().find("; required size for 300 dpi, .RM60, .BW50: 900 x 450"),
            std::string::npos)
      << Label2();
  dialog.Button2OnClick();
  ASSERT_EQ(insertions.size(), 1u);
  EXPECT_EQ(insertions[0].Text, ".BM report_gra01.bmp");
  EXPECT_EQ(insertions[0].Flag, 0);
  EXPECT_EQ(insertions[0].Selector, 0);  // code 13 keeps the selector it had
  EXPECT_TRUE(QTest::qWaitFor([&] { return !done.empty(); }));
  EXPECT_EQ(ReadBack(dir / "report_gra01.bmp").Width, 600);
}

// Each refusal says why, leaves the dialog usable, writes nothing and tells the editor nothing.
TEST_F(GraphicsDialogTest, RefusalsWriteNothing) {
  const std::string chart = PutMetafile("chart.emf", PictureFormat::emf, 200, 100);
  std::string flat = platform::metafile_from_bitmap(Halves(20, 10), PictureFormat::emf).bytes;
  for (int i = 24; i < 40; ++i) flat[i] = 0;  // a frame of width 0
  const std::string flatName = Put("flat.emf", flat);
  PutBitmap("photo.bmp", 80, 40);
  const std::set<std::string> before = Listing(dir.Path());

  // A clipboard with only text.
  QApplication::clipboard()->setText("no picture");
  dialog.OpenFromEditor(false, 0, "");
  EXPECT_TRUE(LastBoxSays("Clipboard does not contain a graphic!"));
  EXPECT_FALSE(dialog.HasPicture());
  EXPECT_TRUE(dialog.Button2->isEnabled());

  // Percent 0 would make a picture of nothing.
  request = {0, 60};
  dialog.OpenFromEditor(true, 1, chart);
  Choose(0);
  EXPECT_TRUE(LastBoxSays("picture per cent (.BW) is 0")) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(dialog.FormatIndex(), 1);
  EXPECT_TRUE(dialog.RadioItems[1]->isChecked());
  EXPECT_TRUE(dialog.PictureIsMetafile());

  // A metafile without width has no shape to keep.
  request = {50, 60};
  dialog.OpenFromEditor(true, 1, flatName);
  ASSERT_TRUE(dialog.PictureIsMetafile());
  Choose(4);
  EXPECT_TRUE(LastBoxSays("The metafile has no width")) << ::testing::PrintToString(BoxTexts());
  EXPECT_EQ(dialog.FormatIndex(), 1);

  // A bitmap is no metafile; a metafile outside the editor has no required size.
  dialog.OpenWithFile("photo.bmp");
  Choose(1);
  EXPECT_TRUE(LastBoxSays("Conversion from Bitmap to Metafile does not make sense!"));
  EXPECT_TRUE(dialog.RadioItems[0]->isChecked());
  EXPECT_EQ(Edit1(), dir / "report_gra01.bmp");
  dialog.OpenWithFile(chart);
  Choose(0);
  EXPECT_TRUE(LastBoxSays("Please run the Graphic dialog from Dunmoor"));
  EXPECT_TRUE(dialog.RadioItems[1]->isChecked());

  // Names that leave the document's folder.
  dialog.OpenWithFile("photo.bmp");
  for (const std::string& name : {std::string("../escape.bmp"), dir / "sub/../../escape.bmp",
                                  std::string("/tmp/escape.bmp"), std::string("..")}) {
    dialog.Edit1->setText(QString::fromStdString(name));
    dialog.Button2OnClick();
    EXPECT_TRUE(LastBoxSays("saved in the document's folder only")) << name;
  }
  EXPECT_FALSE(fs::exists(dir.Path().parent_path() / "escape.bmp"));
  dialog.Edit1->clear();
  dialog.Button2OnClick();
  EXPECT_TRUE(LastBoxSays("Enter a filename first!"));
  dialog.Edit1->setText(QString::fromStdString(dir / "sub/../inside.bmp"));  // same folder
  dialog.Button2OnClick();
  EXPECT_TRUE(fs::exists(dir / "inside.bmp"));
  fs::remove(dir / "inside.bmp");

  EXPECT_EQ(Listing(dir.Path()), before);
  EXPECT_TRUE(insertions.empty());
  EXPECT_TRUE(done.empty());
}

// A save that fails is reported, the dialog stays open and the editor gets no ".BM" line.
TEST_F(GraphicsDialogTest, AFailedSaveSendsNothing) {
  request = {50, 60};
  QApplication::clipboard()->setImage(QImage(60, 30, QImage::Format_RGB32));
  dialog.OpenFromEditor(false, 0, "");
  fs::create_directory(dir / "taken.bmp");  // a folder where the file should go
  dialog.Edit1->setText("taken.bmp");
  dialog.Button2OnClick();
  EXPECT_TRUE(LastBoxSays("Could not save the graphics file: taken.bmp"))
      << ::testing::PrintToString(BoxTexts());
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(fs::is_directory(dir / "taken.bmp"));
  fs::remove(dir / "taken.bmp");

  // A folder that refuses new files (the superuser is never refused, so only others test it).
  if (::geteuid() != 0) {
    const std::set<std::string> before = Listing(dir.Path());
    ::chmod(dir.Path().c_str(), 0555);
    dialog.Edit1->setText("report_gra01.bmp");
    dialog.Button2OnClick();
    ::chmod(dir.Path().c_str(), 0700);
    EXPECT_TRUE(LastBoxSays("Could not save the graphics file"));
    EXPECT_EQ(Listing(dir.Path()), before);
  }
  QTest::qWait(50);
  EXPECT_TRUE(insertions.empty());
  EXPECT_TRUE(done.empty());
}

TEST_F(GraphicsDialogTest, FileNamesAndFormats) {
  // ".jpeg" is a JPG; ".gra" names the ".bmp" file; a file that is not there says so.
  Put("photo.jpeg", platform::encode_jpeg(Halves(64, 32)).bytes);
  dialog.OpenWithFile("photo.jpeg");
  EXPECT_EQ(dialog.FormatIndex(), 4);
  EXPECT_EQ(Edit1(), dir / "report_gra01.jpg");
  PutBitmap("old.bmp", 10, 10);
  dialog.OpenWithFile("old.gra");
  EXPECT_EQ(dialog.FormatIndex(), 0);
  dialog.OpenWithFile("missing.gif");
  EXPECT_TRUE(LastBoxSays("Graphics file missing.gif not found."));
  Put("broken.gif", "GIF89a broken");
  dialog.OpenWithFile("broken.gif");
  EXPECT_TRUE(LastBoxSays("Graphics file broken.gif cannot be read"));
  EXPECT_EQ(dialog.FormatIndex(), 0);  // the picture before stays

  // No picture yet: nothing to save; the numbers go on past the names taken.
  GraphicsFileDialog fresh(&notifier);
  fresh.Boxes = &boxes;
  fresh.Settings = &settings;
  fresh.Edit1->setText("x.bmp");
  fresh.Button2OnClick();
  EXPECT_TRUE(LastBoxSays("Load a graphic first!"));
  PutBitmap("report_gra01.bmp", 4, 4);
  PutBitmap("report_gra02.bmp", 4, 4);
  dialog.OpenWithFile("photo.jpeg");
  Choose(0);
  EXPECT_EQ(Edit1(), dir / "report_gra03.bmp");  // the extension follows, the number stays
  PutBitmap("report_gra03.bmp", 4, 4);
  QApplication::clipboard()->setImage(QImage(8, 8, QImage::Format_RGB32));
  dialog.OpenWithFile("");
  dialog.LadenVonClipboard();
  EXPECT_EQ(Edit1(), dir / "report_gra04.bmp");

  // German texts.
  settings.Language = 1;
  QApplication::clipboard()->setText("nichts");
  dialog.LadenVonClipboard();
  EXPECT_TRUE(LastBoxSays("Zwischenablage enth\xe4lt keine Grafik!"));
}

TEST_F(GraphicsDialogTest, HelpAndTheMouseWheel) {
  std::vector<int> topics;
  dialog.ShowHelp = [&](int topic) { topics.push_back(topic); };
  dialog.show();
  QTest::mouseClick(dialog.Button3, Qt::LeftButton);
  EXPECT_EQ(topics, std::vector<int>{23});
  QWheelEvent wheel(QPointF(50, 300), dialog.mapToGlobal(QPointF(50, 300)), QPoint(),
                    QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&dialog, &wheel);
  EXPECT_EQ(notifier.WithCode(MN_PREVIEW_REDRAW).size(), 1u);
}

TEST_F(GraphicsDialogTest, Snapshot) {
  request = {50, 60};
  dialog.OpenFromEditor(true, 0, PutMetafile("chart.emf", PictureFormat::emf, 320, 160));
  const std::string path = (fs::temp_directory_path() / "corvina_graphics_dialog.png").string();
  ASSERT_TRUE(dialog.grab().save(QString::fromStdString(path)));
  const QImage shot(QString::fromStdString(path));
  const QRect image = dialog.Image1->geometry();
  EXPECT_EQ(shot.pixelColor(image.left() + image.width() / 4, image.center().y()),
            QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(image.left() + 3 * image.width() / 4, image.center().y()),
            QColor(0, 0, 255));
}

}  // namespace
}  // namespace tavrel
