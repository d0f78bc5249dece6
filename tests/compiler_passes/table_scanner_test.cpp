// Table cell scanning: cells and rows from typed columns, the ".TA" errors, the options that
// a table opening clears, and pathological tables (huge lines, many rows) that must finish
// with every cell inside the source buffer.
#include <gtest/gtest.h>

#include "compiler/passes/table_scanner.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/table_scanner_driver.h"

using namespace skeldon;

namespace {

std::string CellText(const CompilerRun& run, const TTableCell& c) {
  return run.Source.Data.substr(static_cast<std::size_t>(c.TextStart),
                                static_cast<std::size_t>(c.TextEnd - c.TextStart + 1));
}

// "row:first-last=text" per cell.
std::string DescribeCells(const CompilerRun& run) {
  std::string s;
  for (const TTableCell& c : run.Tables.Cells) {
    if (!s.empty()) s += " | ";
    s += std::to_string(c.Row) + ":" + std::to_string(c.FirstColumn) + "-" +
         std::to_string(c.LastColumn) + "=" + CellText(run, c);
  }
  return s;
}

struct ScanCase {
  const char* lines;  // table lines, '\n' separated
  const char* cells;
};

TEST(TableScannerTest, CellsRowsAndColumns) {
  const ScanCase cases[] = {
      {"one two  three\n", "1:1-7=one two | 1:10-14=three"},
      {" lead  x\n", "1:2-5=lead | 1:8-8=x"},
      {"   lead\n", "1:4-7=lead"},
      {"a  b\n\nc  d\n", "1:1-1=a | 1:4-4=b | 3:1-1=c | 3:4-4=d"},
      {"tail  \n", "1:1-4=tail"},
      {"x y \n", "1:1-3=x y"},
  };
  for (const ScanCase& c : cases) {
    TestRun t("html");
    EmitRaw(*t);
    t.Load(std::string(".TA T\n") + c.lines + ".TA\n");
    ScanTablesOnly(*t);
    EXPECT_EQ(DescribeCells(*t), c.cells) << c.lines;
    // The writer looks for columns only up to the occupied width: nothing is counted past it.
    const TTableState& st = t->Tables;
    ASSERT_GT(st.OccupiedWidth, 0) << c.lines;
    EXPECT_GT(st.ColumnOccupancy[static_cast<std::size_t>(st.OccupiedWidth)], 0) << c.lines;
    for (std::size_t p = static_cast<std::size_t>(st.OccupiedWidth) + 1; p <= kTableLineMax; ++p)
      ASSERT_EQ(st.ColumnOccupancy[p], 0) << c.lines << " at " << p;
  }
}

TEST(TableScannerTest, WordStarExtendedCharacterStartsItsCellAtTheEscape) {
  TestRun t("html");
  t->Switches.WordStarInput = true;
  t->Reader.SoftSpaceChar = 28;
  EmitRaw(*t);
  t.Load(
      std::string(".TA T\r\n\x1B\x84\x1C"
                  "bc  d\r\n.TA\r\n"));
  ScanTablesOnly(*t);
  ASSERT_EQ(t->Tables.Cells.size(), 2u);
  EXPECT_EQ(Printable(CellText(*t, t->Tables.Cells[0])), "\\x1B\\x84\\x1Cbc");
  EXPECT_EQ(t->Tables.Cells[0].LastColumn, 3);  // the sequence is one position
  EXPECT_EQ(t->Tables.Cells[1].FirstColumn, 6);
}

TEST(TableScannerTest, LfOnlyLineEndsAddressTheRightBytes) {
  TestRun t("html");
  EmitRaw(*t);
  t.Load(".TA T\nab  cd \nef\n.TA\n");
  ScanTablesOnly(*t);
  EXPECT_EQ(DescribeCells(*t), "1:1-2=ab | 1:5-6=cd | 2:1-2=ef");
}

TEST(TableScannerTest, WordStarSoftSpacesSeparateOnlyInWordStarInput) {
  TestRun t("html");
  t->Reader.SoftSpaceChar = 28;
  EXPECT_TRUE(IsCellSeparator(*t, 28));
  EXPECT_TRUE(IsCellSeparator(*t, ' '));
  EXPECT_FALSE(IsCellSeparator(*t, '\t'));
  TestRun plain("html");
  EXPECT_FALSE(IsCellSeparator(*plain, 28));
}

TEST(TableScannerTest, TitleAndOptionsAtOpening) {
  TestRun t("html");
  t->Tables.TableNoContinuationSpan = true;
  t->Tables.TableJoinWithBlank = true;
  t->Tables.TableAlignment = 2;
  t->Tables.TableAttributes = "BORDER=0";
  t->Tables.TableContinuationChar = '&';
  t->Reader.DotLine = "TA  ";
  HandleTaCommand(*t);
  EXPECT_TRUE(t->Tables.TableOpen);
  EXPECT_TRUE(t->Passes.TableMode);
  EXPECT_EQ(t->Tables.TableTitle, " ");  // two blanks: the title is one blank
  EXPECT_FALSE(t->Tables.TableNoContinuationSpan);
  EXPECT_FALSE(t->Tables.TableJoinWithBlank);
  EXPECT_EQ(t->Tables.TableAlignment, 0);
  EXPECT_EQ(t->Tables.TableAttributes, "BORDER=0");
  EXPECT_EQ(t->Tables.TableContinuationChar, '&');

  TestRun l("html");
  l->Reader.DotLine = "TA " + std::string(300, 'x');
  HandleTaCommand(*l);
  EXPECT_EQ(l->Tables.TableTitle.size(), kTableTitleMax);
}

TEST(TableScannerTest, TaErrorsStopTheRun) {
  TestRun closeWithoutOpen("html");
  closeWithoutOpen->Reader.DotLine = "TA";
  EXPECT_EQ(ExitCodeOf([&] { HandleTaCommand(*closeWithoutOpen); }), 2);
  EXPECT_NE(
      closeWithoutOpen.Text().find(
          ".TA without parameter closes the table! To begin a table, write .TA title or .TA NO"),
      std::string::npos);

  TestRun openTwice("html");
  openTwice->Reader.DotLine = "TA first";
  HandleTaCommand(*openTwice);
  openTwice->Reader.DotLine = "TA NO";
  EXPECT_EQ(ExitCodeOf([&] { HandleTaCommand(*openTwice); }), 2);
  EXPECT_NE(openTwice.Text().find("old Table is not closed"), std::string::npos);
}

TEST(TableScannerTest, LineOverTwoThousandCharactersIsReportedNotOverrun) {
  TestRun t("html");
  EmitRaw(*t);
  std::string line = "a  " + std::string(5000, 'b') + "  c\n";
  t.Load(".TA T\n" + line + "d  e\n.TA\n");
  ScanTablesOnly(*t);
  EXPECT_NE(t.Text().find("table line longer than 2000 characters"), std::string::npos);
  for (const TTableCell& c : t->Tables.Cells) {
    EXPECT_LE(c.LastColumn, kTableLineMax);
    EXPECT_GE(c.TextStart, 0);
    EXPECT_LT(c.TextEnd, static_cast<std::int64_t>(t->Source.Data.size()));
    EXPECT_LE(c.TextStart, c.TextEnd);
  }
}

TEST(TableScannerTest, ManyRowsCountBeyondAByte) {
  TestRun t("html");
  EmitRaw(*t);
  std::string rows;
  for (int i = 0; i < 300; ++i) rows += "x  y\n";
  t.Load(".TA T\n" + rows + ".TA\n");
  ScanTablesOnly(*t);
  EXPECT_EQ(t->Tables.ColumnOccupancy[1], 300);
  EXPECT_EQ(t->Tables.Cells.size(), 600u);
  EXPECT_EQ(t->Tables.Cells.back().Row, 300);
}

}  // namespace
