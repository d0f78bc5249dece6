// The print thread started from the main window: a PDF through the "PDF file" menu with its
// outline and document information, a page list on the PNG printer while the window answers,
// and the "stop p" button ending a print after the page being printed.
#include <QAction>
#include <QImage>
#include <QTest>
#include <algorithm>

#include "formatter/app/preview_control.h"
#include "formatter/windows/preview_window.h"
#include "platform/printers.h"
#include "tests/formatter_app/pdf_outline_reader.h"
#include "tests/formatter_app/window_fixture.h"

namespace tavrel::window_test {
namespace {

using corvina_test::ReadFile;
using corvina_test::WriteFile;

std::vector<std::string> Images(const fs::path& folder) {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class JobControlPrintTest : public WindowFixture {
 protected:
  // The PDF settings of a machine with ghostscript: the virtual PostScript printer, ps2pdf.
  void UsePdfSettings(MainWindow& w) {
    TSettingsRecord& s = w.Jobs().Settings();
    s.PdfPrinterName.Assign(platform::kPostScriptPrinterName);
    s.PdfProgram.Assign("ps2pdf");
    s.PdfParameters.Assign("* #");
    s.RunPdfProgram = 1;
    s.PsWithContents = 1;
    s.ContentsCtOnly = 0;  // the outline from the headings, not only from ".CT" lines
  }
  void MenuPdf(MainWindow& w) {
    QAction* item = w.findChild<QAction*>("Menuitem36");
    ASSERT_NE(item, nullptr);
    item->trigger();
  }
  static std::string Run(const std::vector<std::string>& args) {
    std::string out;
    EXPECT_EQ(platform::run_program(args, &out), 0) << args[0] << " " << out;
    return out;
  }
};

TEST_F(JobControlPrintTest, ThePdfMenuMakesAPdfWithTheOutlineAndTheDocumentInformation) {
  // A document with headings, with document values holding umlauts (as WordStar's escape
  // pairs of code page 850), parentheses and backslashes.
  WriteFile(
      docs_ / "chapters.ws",
      ".TI Kapitel \\ \x1B\x9A\x1C"
      "bersicht (1)\r\n.AU J\x1B\x94\x1Crg (Autor)\r\n.SU Gr\x1B\x81\x1C\x1B\xE1\x1C"
      "e )(\r\n.KY a\\b, (c\r\n" +
          ReadFile(fs::path(CORVINA_SOURCE_DIR) / "tests/data/formatter_derived/chapters.ws"));
  MainWindow& w = Open({"chapters.ws"});
  UsePdfSettings(w);
  Format(w);
  ASSERT_TRUE(w.Jobs().StartFormatJob('I', ""));  // the contents job writes the outline file
  ASSERT_TRUE(Idle(w));
  ASSERT_TRUE(fs::exists(docs_ / "chapters.ps_cnt"));
  shown_.clear();

  MenuPdf(w);
  EXPECT_EQ(w.Jobs().PrintBusy.load(), 1);
  ASSERT_TRUE(Idle(w));
  Serve();
  EXPECT_TRUE(shown_.empty()) << Boxes();
  EXPECT_EQ(w.Jobs().PrintExitCode.load(), kExitOk);
  EXPECT_EQ(w.Jobs().Result().PrintOutput, (docs_ / "chapters.ps").string());
  const fs::path pdf = docs_ / "chapters.pdf";
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_EQ(w.Leds[2]->Colour(), 0x007000u);
  EXPECT_EQ(w.Labels[2]->text().toStdString(), "Appending PDFmarks (chapters.fmt)");

  const std::string info = Run({"pdfinfo", "-enc", "UTF-8", pdf.string()});
  for (const char* line : {"Title:           Kapitel \\ \xC3\x9C"
                           "bersicht (1)\n",
                           "Author:          J\xC3\xB6rg (Autor)\n",
                           "Subject:         Gr\xC3\xBC\xC3\x9F"
                           "e )(\n",
                           "Keywords:        a\\b, (c\n", "Pages:           3\n"})
    EXPECT_NE(info.find(line), std::string::npos) << line << info;

  // The headings in reading order with their target pages; /Count gives the children of
  // each open item.
  EXPECT_EQ(
      pdf_test::OutlineListing(Run({"qpdf", "--json=2", "--json-key=outlines", pdf.string()})),
      pdf_test::kChaptersOutline);
}

// A page list on the PNG printer; the click on "preview" during the print is served at once
// and the preview runs beside the print thread.
TEST_F(JobControlPrintTest, APageListPrintsToThePngPrinterWhileTheWindowAnswersAClick) {
  WriteFile(docs_ / "many.ws", Pages(30, 40));
  MainWindow& w = Open({"many.ws"});
  Format(w);
  SelectPrinter(platform::kPngPrinterName);
  int busyAtClick = -1;
  QObject::connect(w.Buttons[3], &QPushButton::clicked, &w,
                   [&] { busyAtClick = w.Jobs().PrintBusy.load(); });
  ASSERT_TRUE(w.Jobs().StartPrintThread("2-4,7", false));
  // The print's end is sent to this thread, so it cannot have been taken yet.
  QTest::mouseClick(w.Buttons[3], Qt::LeftButton);
  EXPECT_EQ(busyAtClick, 1);
  EXPECT_EQ(w.Jobs().PreviewOpen.load(), 1);
  PreviewSession* s = w.Jobs().Preview();
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(WaitFor([&] { return s->Control.PageCount.load() == 30; }));
  ASSERT_TRUE(Idle(w));
  EXPECT_EQ(
      Images(docs_ / "many_pages"),
      (std::vector<std::string>{"page0001.png", "page0002.png", "page0003.png", "page0004.png"}));
  EXPECT_EQ(w.Jobs().Result().PrintedPages, 4);
  s->Form().close();
  EXPECT_TRUE(WaitFor([&] { return !s->ThreadExists(); }));
}

// "stop p" pressed as a print of three copies starts: the page being printed is finished,
// no further page or copy follows. The image equals the same page printed on its own.
TEST_F(JobControlPrintTest, StopInTheCopiesLoopEndsAfterTheCurrentPage) {
  WriteFile(docs_ / "many.ws", Pages(50, 40));
  MainWindow& w = Open({"many.ws"});
  Format(w);
  SelectPrinter(platform::kPngPrinterName);
  w.Jobs().PrintOptions = PrintRangeChoice{};
  w.Jobs().PrintOptions.PrintCopies = 3;
  ASSERT_TRUE(w.Jobs().StartPrintThread("", false));
  QTest::mouseClick(w.Buttons[4], Qt::LeftButton);  // "stop p"
  ASSERT_TRUE(Idle(w));
  Serve();
  EXPECT_EQ(w.Jobs().Result().PrintedPages, 1);
  ASSERT_EQ(Images(docs_ / "many_pages"), std::vector<std::string>{"page0001.png"});
  EXPECT_FALSE(fs::exists(docs_ / "many_pages_2"));
  EXPECT_EQ(w.Buttons[4]->text().toStdString(), "print");
  const std::string stopped = ReadFile(docs_ / "many_pages" / "page0001.png");

  fs::rename(docs_ / "many_pages", docs_ / "stopped");
  ASSERT_TRUE(w.Jobs().StartPrintThread("1", false));
  ASSERT_TRUE(Idle(w));
  ASSERT_EQ(Images(docs_ / "many_pages"), std::vector<std::string>{"page0001.png"});
  EXPECT_TRUE(ReadFile(docs_ / "many_pages" / "page0001.png") == stopped);
}

// The PDF menu pressed again as the PDF job starts stops it: the PostScript holds the page
// being printed, whole, and the marks; no converter runs.
TEST_F(JobControlPrintTest, StoppingAPdfEndsAfterTheCurrentPageAndStartsNoConverter) {
  WriteFile(docs_ / "many.ws", ".TI Stopped\r\n" + Pages(50, 40));
  MainWindow& w = Open({"many.ws"});
  UsePdfSettings(w);
  Format(w);
  shown_.clear();
  MenuPdf(w);
  MenuPdf(w);  // while printing: stop
  ASSERT_TRUE(Idle(w));
  Serve();
  EXPECT_TRUE(shown_.empty()) << Boxes();
  EXPECT_FALSE(fs::exists(docs_ / "many.pdf"));
  EXPECT_EQ(w.Jobs().Result().PrintedPages, 1);
  const std::string ps = ReadFile(docs_ / "many.ps");
  const std::string view =
      "[/PageMode /UseNone /Page 1 /View [/XYZ null null 1] /DOCVIEW pdfmark\r\n";
  ASSERT_GT(ps.size(), view.size());
  EXPECT_EQ(ps.substr(ps.size() - view.size()), view);
  // What was written converts: nothing in it is broken.
  Run({"ps2pdf", (docs_ / "many.ps").string(), (docs_ / "check.pdf").string()});
  const std::string info = Run({"pdfinfo", (docs_ / "check.pdf").string()});
  EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Title:           Stopped\n"), std::string::npos) << info;
}

// A converter that is missing: its box is shown from the print thread, the print lamp goes off
// and the job counts as failed; the PostScript stays for a later conversion.
TEST_F(JobControlPrintTest, AMissingConverterGetsItsBoxAndTheJobEnds) {
  WriteFile(docs_ / "two.ws", Pages(2));
  MainWindow& w = Open({"two.ws"});
  UsePdfSettings(w);
  w.Jobs().Settings().PdfProgram.Assign((docs_ / "no such converter").string());
  Format(w);
  shown_.clear();
  MenuPdf(w);
  ASSERT_TRUE(Idle(w));
  Serve();
  ASSERT_EQ(shown_.size(), 1u) << Boxes();
  EXPECT_NE(shown_[0].find("no such converter"), std::string::npos) << shown_[0];
  EXPECT_EQ(w.Jobs().PrintExitCode.load(), kExitJobFailed);
  EXPECT_EQ(w.Leds[2]->Colour(), 0x007000u);
  EXPECT_EQ(w.Buttons[4]->text().toStdString(), "print");
  EXPECT_FALSE(fs::exists(docs_ / "two.pdf"));
  EXPECT_EQ(ReadFile(docs_ / "two.ps").rfind("%!PS", 0), 0u);
}

}  // namespace
}  // namespace tavrel::window_test
