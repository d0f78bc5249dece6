#include "platform/printers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/test_support.h"

namespace {

using namespace platform;

using corvina_test::ReadFile;
using corvina_test::TempDir;

std::pair<int, int> png_size(const std::string& path) {
  const std::string png = ReadFile(path);
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {-1, -1};
  auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) |
           (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  return {be32(16), be32(20)};
}

void draw_something(Canvas& c, const char* text) {
  CanvasFont f;
  f.face = "Times New Roman";
  f.size = 12;
  c.set_font(f);
  c.text_out(300, 300, text);
  c.move_to(300, 400);
  c.line_to(1000, 400);
}

TEST(PrinterList, VirtualPrintersComeFirstAndSelectionIsChecked) {
  PrinterList list = PrinterList::virtual_only();
  ASSERT_EQ(list.count(), 2u);
  EXPECT_EQ(list.names(), (std::vector<std::string>{kPostScriptPrinterName, kPngPrinterName}));
  EXPECT_EQ(list.index_of(kPngPrinterName), 1);
  EXPECT_EQ(list.index_of("png pages"), -1);  // names match exactly
  EXPECT_EQ(list.selected_index(), 0);
  list.select(1);
  EXPECT_EQ(list.selected().name(), kPngPrinterName);
  list.select(7);
  list.select(-1);
  EXPECT_EQ(list.selected_index(), 1);
  EXPECT_EQ(list.at(0).dpi(), 300);
  EXPECT_EQ(list.at(0).kind(), PrinterKind::postscript_file);

  // The machine's list starts with the same two, whatever CUPS has.
  PrinterList machine = PrinterList::from_machine();
  ASSERT_GE(machine.count(), 2u);
  EXPECT_EQ(machine.at(0).name(), kPostScriptPrinterName);
  EXPECT_EQ(machine.at(1).name(), kPngPrinterName);
}

TEST(Printer, PageSizeFollowsPaperAndOrientation) {
  Printer p("x", PrinterKind::png_folder, 300);
  EXPECT_EQ(p.page_width(), 2481);  // A4: 8.27 x 11.69 inches
  EXPECT_EQ(p.page_height(), 3507);
  p.set_paper(8.5, 11);
  p.set_orientation(Orientation::landscape);
  EXPECT_EQ(p.page_width(), 3300);
  EXPECT_EQ(p.page_height(), 2550);
  p.set_paper(0, 11);  // nonsense is ignored
  EXPECT_EQ(p.page_width(), 3300);
}

TEST(Printer, PngFolderGetsOnePngPerPageInItsOrientation) {
  TempDir dir("printers_test");
  Printer p(kPngPrinterName, PrinterKind::png_folder, 300);
  p.set_output(dir / "pages");
  std::string error;
  ASSERT_TRUE(p.begin_document(&error)) << error;
  EXPECT_EQ(p.page_number(), 1);
  draw_something(p.canvas(), "Seite eins");
  p.set_orientation(Orientation::landscape);
  p.new_page();
  draw_something(p.canvas(), "Seite zwei");
  EXPECT_EQ(p.page_number(), 2);
  ASSERT_TRUE(p.end_document(&error)) << error;
  EXPECT_FALSE(p.printing());
  ASSERT_EQ(p.written_files().size(), 2u);
  EXPECT_EQ(png_size(dir / "pages/page0001.png"), (std::pair{2481, 3507}));
  EXPECT_EQ(png_size(dir / "pages/page0002.png"), (std::pair{3507, 2481}));
}

TEST(Printer, PostScriptFileRendersInGhostscript) {
  if (run_program({"gs", "--version"}) != 0) GTEST_SKIP() << "gs is not installed";
  TempDir dir("printers_test");
  Printer p(kPostScriptPrinterName, PrinterKind::postscript_file, 300);
  p.set_output(dir / "doc.ps");
  p.set_title("Printer test");
  std::string error;
  for (int copy = 0; copy < 2; ++copy) {  // a second copy is a second document
    ASSERT_TRUE(p.begin_document(&error)) << error;
    for (int page = 1; page <= 3; ++page) {
      if (page > 1) p.new_page();
      draw_something(p.canvas(), ("Page " + std::to_string(page)).c_str());
    }
    ASSERT_TRUE(p.end_document(&error)) << error;
  }
  const std::string ps = ReadFile(dir / "doc.ps");
  EXPECT_NE(ps.find("%%Pages: 3"), std::string::npos);
  EXPECT_NE(ps.find("%%Title: Printer test"), std::string::npos);
  std::string text;
  EXPECT_EQ(run_program({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=txtwrite",
                         "-sOutputFile=-", dir / "doc.ps"},
                        &text),
            0);
  for (const char* t : {"Page 1", "Page 2", "Page 3"})
    EXPECT_NE(text.find(t), std::string::npos) << text;
}

TEST(Printer, CupsQueueWithOutputFileWritesPostScriptThere) {
  TempDir dir("printers_test");
  Printer p("some-queue", PrinterKind::cups, 300);
  p.set_output(dir / "to-file.ps");
  std::string error;
  ASSERT_TRUE(p.begin_document(&error)) << error;
  draw_something(p.canvas(), "to a file");
  ASSERT_TRUE(p.end_document(&error)) << error;
  EXPECT_EQ(ReadFile(dir / "to-file.ps").rfind("%!PS", 0), 0u);
}

TEST(Printer, ErrorsAreReportedNotThrown) {
  Printer p(kPostScriptPrinterName, PrinterKind::postscript_file, 300);
  std::string error;
  EXPECT_FALSE(p.end_document(&error));
  EXPECT_NE(error.find("no document"), std::string::npos);
  EXPECT_THROW(p.canvas(), std::logic_error);
  p.set_output("/nonexistent-folder/x/doc.ps");
  EXPECT_FALSE(p.begin_document(&error));
  EXPECT_NE(error.find("doc.ps"), std::string::npos) << error;
  EXPECT_FALSE(p.printing());

  Printer zero("zero", PrinterKind::png_folder, 0);
  EXPECT_FALSE(zero.begin_document(&error));
  EXPECT_NE(error.find("resolution"), std::string::npos) << error;
}

TEST(CupsQueueListing, OneQueueALineWithoutLineEndsOrTrailingBlanks) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"PDF\n", {"PDF"}},
      {"PDF\nOffice_Laser", {"PDF", "Office_Laser"}},
      {"HP_LaserJet \r\n\n  \nLabel\r\n", {"HP_LaserJet", "Label"}},
  };
  for (const auto& [listing, queues] : cases)
    EXPECT_EQ(parse_cups_queue_listing(listing), queues) << listing;
}

TEST(RunProgram, ArgumentsReachTheProgramWithoutAShell) {
  std::string out;
  EXPECT_EQ(run_program({"echo", "$(false);", "a b", "*"}, &out), 0);
  EXPECT_EQ(out, "$(false); a b *\n");
  EXPECT_EQ(run_program({"false"}), 1);
  EXPECT_EQ(run_program({"no-such-program-anywhere-xyz"}), -1);
  EXPECT_EQ(run_program({}), -1);
}

}  // namespace
