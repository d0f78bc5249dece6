// The page engine in preview mode: the first pass, screens of the page matrix, navigation
// requests, the kept request and the caption; the font tables of printer and preview.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "formatter/fonts/fonts_ini.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/preview_window.h"
#include "platform/recording_canvas.h"
#include "tests/support/page_test_support.h"

namespace tavrel::page_test {
namespace {

using ::testing::ElementsAre;

using Request = std::function<void(PreviewControl&)>;

Request Next() {
  return [](PreviewControl& c) { c.GotoPage = 0, c.BackFlag = 0, c.SameFlag = 0; };
}
Request Back() {
  return [](PreviewControl& c) { c.GotoPage = 0, c.BackFlag = 1, c.SameFlag = 0; };
}
Request GoTo(int page) {
  return [page](PreviewControl& c) { c.GotoPage = page, c.BackFlag = 0, c.SameFlag = 0; };
}

class PreviewWorld {
 public:
  explicit PreviewWorld(int columns = 1, int rows = 1) : printer(TestPrinterRecord()) {
    settings = TestSettings();
    auto canvas = std::make_unique<platform::RecordingCanvas>(96, 830, 1170);
    recording = canvas.get();
    window = std::make_unique<HeadlessPreviewWindow>(std::move(canvas), columns, rows);
    ctx.Settings = &settings;
    ctx.Fonts = {printer.get(), printer.get(), printer.get(), &autoVariant};
    ctx.Cache = &cache;
    ctx.Notifier = &notifier;
    ctx.Preview = window.get();
    ctx.PreviewCtl = &control;
  }

  // Runs the preview; at each wait the next request is made, then the preview is stopped.
  // Returns the caption of every screen.
  std::vector<std::string> Run(const std::string& file, std::vector<Request> requests) {
    std::size_t next = 0;
    std::vector<std::string> captions;
    control.Idle = [&] {
      captions.push_back(control.GetCaption());
      if (next < requests.size()) {
        requests[next++](control);
        control.RenderRequest = 1;
      } else {
        control.Stop = 1;
      }
    };
    control.Stop = 0;  // as the preview thread does before each call
    RenderFormattedData(ctx, "doc.fmt", Bytes(file), true, false);
    return captions;
  }

  TSettingsRecord settings{};
  std::unique_ptr<TPrinterDataRecord> printer;
  std::array<std::uint8_t, 208> autoVariant{};
  RecordingNotifier notifier;
  FormattedFileCache cache;
  PreviewControl control;
  platform::RecordingCanvas* recording = nullptr;
  std::unique_ptr<HeadlessPreviewWindow> window;
  PageEngineContext ctx;
};

std::string Pages(int count, const std::string& head = "") {
  std::string file = head;
  for (int p = 1; p <= count; ++p)
    file += "P" + std::to_string(p) + "\r\n" + (p < count ? ".PA\r\n" : "");
  return file;
}

TEST(PagePreview, NavigatesScreenByScreenAndClampsAtBothEnds) {
  PreviewWorld w;
  const auto captions = w.Run(Pages(5), {Next(), GoTo(5), Next(), Back(), Back(), GoTo(1), Back()});
  EXPECT_THAT(captions, ElementsAre("1 of 5  doc.fmt", "2 of 5  doc.fmt", "5 of 5  doc.fmt",
                                    "5 of 5  doc.fmt", "4 of 5  doc.fmt", "3 of 5  doc.fmt",
                                    "1 of 5  doc.fmt", "1 of 5  doc.fmt"));
  EXPECT_EQ(w.control.PageCount.load(), 5);
  EXPECT_EQ(w.control.FirstPageShown.load(), 0);  // published only while the run lasts
  // The first pass reports every page.
  const auto reports = w.notifier.WithCode(MN_PREVIEW_PAGE_DONE);
  ASSERT_GE(reports.size(), 5u);
  EXPECT_EQ(reports[4].Value, 5);
}

TEST(PagePreview, TwoSidedViewWithTwoColumnsStartsWithAnEvenPage) {
  PreviewWorld w(2, 1);
  const auto captions = w.Run(Pages(5, ".HEL left\r\n"), {Next(), GoTo(5), GoTo(3)});
  EXPECT_TRUE(w.window->TwoSided());
  EXPECT_THAT(captions, ElementsAre("1 to 2 of 5  doc.fmt", "2 to 3 of 5  doc.fmt",
                                    "4 to 5 of 5  doc.fmt", "2 to 3 of 5  doc.fmt"));
}

TEST(PagePreview, TheMenuFollowsTheScreen) {
  PreviewWorld w;
  std::vector<PreviewMenuState> menus;
  w.Run(Pages(3), {[&](PreviewControl& c) {
                     menus.push_back(w.window->Menu());
                     GoTo(3)(c);
                   },
                   [&](PreviewControl& c) {
                     menus.push_back(w.window->Menu());
                     Next()(c);
                   }});
  ASSERT_EQ(menus.size(), 2u);
  EXPECT_EQ(menus[0], (PreviewMenuState{false, false, true, true, true}));
  EXPECT_EQ(menus[1], (PreviewMenuState{true, true, false, false, false}));
}

TEST(PagePreview, APageIsDrawnFromItsSavedStateAlone) {
  PreviewWorld w;
  w.settings.PreviewPlacesEachChar = 0;  // runs, so each line is one text
  // Page 3 starts with a page offset and bold set on page 2: the state must carry over.
  w.Run(Pages(2) +
            "\r\n.PO12\r\n\x02"
            "bold\r\n.PA\r\nP3\r\n",
        {GoTo(3)});
  const std::string log = w.recording->text();
  // scale 830 / (8.3 x 300) = 1/3: x = 12 columns x 30 / 3 = 120; 12 points x 300 / 3 / 96
  // = 12.5, rounded to 12; bold stays on.
  EXPECT_NE(log.find("font \"Courier New\" 12 bold #000000 cp850\ntext 120 67 \"P3\""),
            std::string::npos)
      << log;
}

TEST(PagePreview, TextTooSmallForAMatrixOfPagesIsAGreyLine) {
  PreviewWorld w(4, 2);
  w.settings.PreviewPlacesEachChar = 0;
  w.Run("abc\r\n", {});
  // scale 830 / 4 / 2490 = 1/12: 12 points become 12 x 300 / 12 / 96 = 3.1, rounded 3, which
  // is still drawn as text at x 60 / 12 = 5.
  EXPECT_NE(w.recording->text().find("text 5 "), std::string::npos) << w.recording->text();

  PreviewWorld v(4, 2);
  v.settings.PreviewPlacesEachChar = 0;
  v.printer->Fonts[3 - 1].Size = 8;  // 2 points in the preview
  v.Run("abc\r\n", {});
  const std::string log = v.recording->text();
  EXPECT_EQ(log.find("text 5 "), std::string::npos) << log;
  // 8 points become 2: a grey line 2 units wide from the text's start.
  EXPECT_NE(log.find("pen #808080 2 solid\nline 5 "), std::string::npos) << log;
}

TEST(PagePreview, AReReadRunShowsTheScreenShownBefore) {
  PreviewWorld w;
  w.control.Reread = 1;
  w.control.ScreenFirstPage = 4;
  const auto captions = w.Run(Pages(5), {});
  EXPECT_THAT(captions, ElementsAre("4 of 5  doc.fmt"));
  EXPECT_EQ(w.control.Reread.load(), 0);
}

TEST(PagePreview, AKeptRequestIsSentAgainBeforeWaiting) {
  PreviewWorld w;
  {
    std::lock_guard<std::mutex> lock(w.control.PendingMutex);
    w.control.PendingUsed = true;
    w.control.PendingCode = MN_PREVIEW_GOTO_PAGE;
    w.control.PendingValue = 3;
  }
  // The main window acts on the re-sent request while the engine waits for its answer.
  bool resending = false;
  w.notifier.OnSend = [&](std::int32_t code, std::int32_t value) {
    if (code != MN_PREVIEW_GOTO_PAGE) return;
    resending = w.control.PendingResend.load() != 0;
    w.control.GotoPage = value;
    w.control.RenderRequest = 1;
  };
  const auto captions = w.Run(Pages(5), {});
  EXPECT_TRUE(resending);
  EXPECT_FALSE(w.control.PendingUsed);
  EXPECT_THAT(captions, ElementsAre("3 of 5  doc.fmt"));
}

TEST(PagePreview, AFatalErrorStopsThePreview) {
  PreviewWorld w;
  w.Run("x\r\n.LH1-2\r\n", {});
  EXPECT_EQ(w.ctx.ThreadErrorText, "Fehler beim Punktbefehl .LH1-2 Zahl stimmt nicht  ");
  EXPECT_THAT(w.notifier.WithCode(MN_PREVIEW_STOP),
              ElementsAre(RecordingNotifier::Entry{true, MN_PREVIEW_STOP, 2}));
  EXPECT_EQ(w.control.Stop.load(), 1);
}

// The page engine takes face, size and colour from the printer table when printing and from
// the preview table in the preview; the widths come from the printer data either way.
TEST(PageFontTables, PrinterDrawsWithThePrinterTablePreviewWithThePreviewTable) {
  FontDefinitionTables tables;
  ASSERT_EQ(ParseFontDefinitionText("Font C = Courier New 12 Navy // Arial 9\r\n", tables), "");
  const std::string doc = "Hi you\r\n";

  PrinterWorld printer;
  printer.ctx.Fonts = {tables.PrinterFonts.get(), tables.PreviewFonts.get(), printer.printer.get(),
                       &tables.AutoVariant};
  printer.Print(doc);
  EXPECT_EQ(printer.Ops(),
            (std::vector<std::string>{"page 2481 3507", "text 60 150 \"Hi\"",
                                      "text 150 150 \"you\"", "text 645 850 \"1\""}));
  EXPECT_EQ(printer.Ops("font"),
            (std::vector<std::string>{"font \"Courier New\" 12 #000080 cp850"}));

  // A preview of 1245 pixels at 150 dpi is half the printer's scale: the font of 9 points
  // stays 9 on the screen (300 x 0.5 / 150 x 9), positions are half the printer dots, the
  // top of the text lies (1 + 3) lines of 25 pixels down.
  auto canvas = std::make_unique<platform::RecordingCanvas>(150, 1245, 1755);
  platform::RecordingCanvas* recording = canvas.get();
  HeadlessPreviewWindow window(std::move(canvas));
  TSettingsRecord settings = TestSettings();
  auto record = TestPrinterRecord();
  RecordingNotifier notifier;
  PreviewControl control;
  control.Idle = [&] { control.Stop = 1; };
  PageEngineContext ctx;
  ctx.Settings = &settings;
  ctx.Fonts = {tables.PrinterFonts.get(), tables.PreviewFonts.get(), record.get(),
               &tables.AutoVariant};
  ctx.Notifier = &notifier;
  ctx.Preview = &window;
  ctx.PreviewCtl = &control;
  RenderFormattedData(ctx, "doc.fmt", Bytes(doc), true, false);
  EXPECT_EQ(ctx.ThreadErrorText, "");
  std::vector<std::string> drawn;
  for (const std::string& l : recording->lines())
    if (l.rfind("font", 0) == 0 || l.rfind("text", 0) == 0) drawn.push_back(l);
  EXPECT_EQ(drawn,
            (std::vector<std::string>{"font \"Arial\" 9 #000000 cp850", "text 30 100 \"H\"",
                                      "text 45 100 \"i\"", "text 75 100 \"y\"", "text 90 100 \"o\"",
                                      "text 105 100 \"u\"", "text 322 450 \"1\""}));
}

}  // namespace
}  // namespace tavrel::page_test
