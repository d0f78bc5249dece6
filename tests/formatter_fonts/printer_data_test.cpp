#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "formatter/fonts/printer_data.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::At;
using unit_test::ReadAll;
using unit_test::TempDir;
using unit_test::WriteAll;

TEST(PrinterDataTest, FixedWidthRecordIsWrittenInTheFileLayout) {
  TempDir tmp;
  FixedWidthFont fonts[2] = {{3, "Courier New", 10, 12, {}}, {112, "Arial Bold", 9.5, 20, {}}};
  fonts[1].Overrides['i'] = 7;
  auto record = BuildFixedWidthPrinterData(725, "Virtual PS", fonts, 2);
  const std::string path = MakePrinterDataFileName(tmp.Path().string(), "Virtual PS on FILE:");
  ASSERT_TRUE(WritePrinterDataFile(path, *record));
  const std::string b = ReadAll(path);
  ASSERT_EQ(b.size(), 71152u);
  EXPECT_EQ(static_cast<unsigned char>(b[0]), 72);  // 72.5 rounds to the even neighbour
  EXPECT_EQ(At<std::int32_t>(b, 4), 725);
  EXPECT_EQ(b.substr(8, 11), std::string("\x0A"
                                         "Virtual PS"));
  const std::size_t entry112 = 264 + 80 * 111;
  EXPECT_EQ(At<double>(b, entry112), 9.5);
  EXPECT_EQ(b.substr(entry112 + 8, 11), std::string("\x0A"
                                                    "Arial Bold"));
  EXPECT_EQ(b[entry112 + 54], 0);  // width correction
  EXPECT_EQ(At<std::int32_t>(b, entry112 + 56), 0);
  EXPECT_EQ(static_cast<unsigned char>(b[16904 + 256 * 111 + 'W']), 20);
  EXPECT_EQ(static_cast<unsigned char>(b[16904 + 256 * 111 + 'i']), 7);
  EXPECT_EQ(static_cast<unsigned char>(b[16904 + 256 * 2 + 'x']), 12);
  EXPECT_EQ(b[16904 + 256 * 3 + 'x'], 0);  // font 4 not defined
  EXPECT_EQ(b.find_first_not_of('\0', 70152), std::string::npos);

  auto back = MakeEmptyPrinterData();
  EXPECT_EQ(ReadPrinterDataFile(path, *back), PrinterDataRead::Ok);
  EXPECT_EQ(std::memcmp(back.get(), record.get(), kPrinterDataSize), 0);
}

TEST(PrinterDataTest, ShortFilesAreLeftAloneLongerFilesGiveTheirFirstRecord) {
  TempDir tmp;
  auto record = MakeEmptyPrinterData();
  record->PrinterDpi = 99;
  EXPECT_EQ(ReadPrinterDataFile(tmp / "none.dta", *record), PrinterDataRead::Missing);
  WriteAll(tmp / "short.dta", std::string(71151, '\x05'));
  EXPECT_EQ(ReadPrinterDataFile(tmp / "short.dta", *record), PrinterDataRead::TooShort);
  EXPECT_EQ(record->PrinterDpi, 99);  // untouched

  auto full = BuildFixedWidthPrinterData(300, "x", nullptr, 0);
  std::string bytes(reinterpret_cast<const char*>(full.get()), kPrinterDataSize);
  WriteAll(tmp / "long.dta", bytes + "extra");
  EXPECT_EQ(ReadPrinterDataFile(tmp / "long.dta", *record), PrinterDataRead::Ok);
  EXPECT_EQ(record->PrinterDpi, 300);
  EXPECT_EQ(record->DotsPerColumn, 30);
}

TEST(PrinterDataTest, FileNameDropsPortAndPunctuation) {
  struct Case {
    const char* printer;
    const char* file;
  };
  const Case cases[] = {
      {"HP LaserJet 4 on LPT1:", "/p/HP LaserJet 4.dta"},
      {"HP LaserJet 4", "/p/HP LaserJet 4.dta"},
      {"Acme 3.1/x:y\\z", "/p/Acme 31xyz.dta"},
      {"A on B on C", "/p/A.dta"},
  };
  for (const Case& c : cases) EXPECT_EQ(MakePrinterDataFileName("/p", c.printer), c.file);
  EXPECT_EQ(FontWidths(*MakeEmptyPrinterData(), 0), nullptr);
  EXPECT_EQ(FontWidths(*MakeEmptyPrinterData(), 209), nullptr);
}

TEST(FontWidthTest, ColumnWidthAndUnmeasuredFonts) {
  CharWidths w{};
  w.fill(10);
  w['W'] = 25;
  std::int32_t column = 0;
  SetColumnWidth(column, 50, w);  // 12.5 rounds to 12
  EXPECT_EQ(column, 12);
  EXPECT_EQ(w[176], 12);
  EXPECT_EQ(w[223], 12);
  EXPECT_EQ(w[224], 10);
  w.fill(14);
  w['X'] = 12;
  SetColumnWidth(column, 60, w);  // fixed pitch: the width of X
  EXPECT_EQ(column, 12);

  FixedWidthFont normal{3, "Courier New", 10, 12, {}};
  auto printer = BuildFixedWidthPrinterData(120, "p", &normal, 1);
  CharWidths got{};
  EXPECT_FALSE(LoadFontWidths(column, 60, 5, got, *printer, 3));
  EXPECT_EQ(got['a'], 12);
  EXPECT_TRUE(LoadFontWidths(column, 60, 3, got, *printer, 3));
  EXPECT_FALSE(LoadFontWidths(column, 60, 250, got, *printer, 3));
}

}  // namespace
}  // namespace tavrel
