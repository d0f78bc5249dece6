// The table writer per target: column spans from the occupancy, ditto cells, continued cells
// with their joiners, hyphen rules, alignment and the .TP settings, captions, IPF widths and
// RTF right edges, empty tables, and tables beyond the column limit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "compiler/passes/table_scanner.h"
#include "compiler/writers/table_writer.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/output_text.h"
#include "tests/support/table_scanner_driver.h"

using namespace skeldon;

namespace {

// Runs the table loop over the source; .TW, .TE and .TP set the options as the dispatcher does.
std::string WriteTableOf(CompilerRun& run, const std::string& source) {
  EmitRaw(run);
  run.Source.Data = source;
  run.Source.Loaded = true;
  RunTableLoop(
      run,
      [](CompilerRun& r) {
        const std::string& l = r.Reader.DotLine;
        if (l.rfind("TW", 0) == 0) r.Tables.TableJoinWithBlank = true;
        if (l.rfind("TE", 0) == 0) r.Tables.TableNoContinuationSpan = true;
        if (l == "TP left") r.Tables.TableAlignment = 1;
        if (l == "TP right") r.Tables.TableAlignment = 2;
        if (l == "TP center") r.Tables.TableAlignment = 3;
      },
      false);
  return run.Passes.OutputFile;
}

// The RTF table from its first right edge on (the paragraph break before it is the markup
// writer's).
std::string RtfTable(const std::string& out) {
  const std::size_t p = out.find("\\cellx");
  return p == std::string::npos ? out : out.substr(p);
}

const char* const kPrices =
    ".TA Prices\n"
    "Fruit and price\n"
    "Apple     12,50\n"
    "Pear      9,95\n"
    ".TA\n";

TEST(TableWriterTest, HeadingAcrossTheColumnGapSpansTwoColumns) {
  TestRun html("html");
  EXPECT_EQ(WriteTableOf(*html, kPrices),
            "\r\n<TABLE BORDER CELLPADDING=5>\r\n<CAPTION>Prices</CAPTION>\r\n"
            "\r\n<TR><TD colspan=2 ALIGN=CENTER>Fruit and price</TD></TR>\r\n"
            "<TR><TD>Apple</TD><TD ALIGN=RIGHT>12,50</TD></TR>\r\n"
            "<TR><TD>Pear</TD><TD ALIGN=RIGHT>9,95</TD></TR>\r\n"
            "</TABLE><BR>\r\n");
  EXPECT_FALSE(html->Tables.TableOpen);

  TestRun ipf("ipf");
  EXPECT_EQ(WriteTableOf(*ipf, kPrices),
            "\r\n:table cols='9 4 '.\r\n"
            ":row.:c.Fruit and price:c.:row.:c.Apple:c.12,50:row.:c.Pear:c.9,95:etable.\r\n");

  for (const char* target : {"winhelp3", "winhelp4", "rtftext"}) {
    TestRun rtf(target);
    EXPECT_EQ(RtfTable(WriteTableOf(*rtf, kPrices)),
              "\\cellx1008\\cellx1512\r\n"
              "\\trowd\\clmgf\\cellx1008\\clmrg\\cellx1512\r\n"
              "\\intbl\r\nFruit and price\\cell\r\n\\cell\\row\r\n"
              "\\trowd\\cellx1008\\cellx1512\r\n"
              "\\intbl\r\nApple\\cell\r\n12,50\\cell\\row\r\n"
              "\\intbl\r\nPear\\cell\r\n9,95\\cell\\row\r\n"
              "\\pard\r\n")
        << target;
  }
}

TEST(TableWriterTest, HtmlHelpWritesTheHtmlMarkup) {
  TestRun html("html"), help("htmlhelp");
  EXPECT_EQ(WriteTableOf(*help, kPrices), WriteTableOf(*html, kPrices));
}

const char* const kDitto =
    ".TA NO\n"
    "Anna  1\n"
    "\"     2\n"
    ".TA\n";

TEST(TableWriterTest, DittoCellBecomesRowSpanOrEmptyCell) {
  TestRun html("html");
  EXPECT_EQ(WriteTableOf(*html, kDitto),
            "\r\n<TABLE BORDER CELLPADDING=5>\r\n"
            "\r\n<TR><TD rowspan=2>Anna</TD><TD ALIGN=RIGHT>1</TD></TR>\r\n"
            "<TR><TD ALIGN=RIGHT>2</TD></TR>\r\n"
            "</TABLE><BR>\r\n");
  TestRun ipf("ipf");
  // The last column holds one-character cells only: it keeps width 1 in the cols list.
  EXPECT_EQ(WriteTableOf(*ipf, kDitto),
            "\r\n:table cols='5 1 '.\r\n:row.:c.Anna:c.1:row.:c.:c.2:etable.\r\n");
  TestRun rtf("winhelp4");
  EXPECT_EQ(RtfTable(WriteTableOf(*rtf, kDitto)),
            "\\cellx605\\cellx706\r\n\\intbl\r\nAnna\\cell\r\n1\\cell\\row\r\n"
            "\\intbl\r\n\\cell\r\n2\\cell\\row\r\n\\pard\r\n");
}

const char* const kContinued =
    ".TA T\n"
    "first +    A\n"
    "second     B\n"
    ".TA\n";

TEST(TableWriterTest, ContinuedCellJoinsItsLines) {
  TestRun html("html");
  EXPECT_EQ(WriteTableOf(*html, kContinued),
            "\r\n<TABLE BORDER CELLPADDING=5>\r\n<CAPTION>T</CAPTION>\r\n"
            "\r\n<TR><TD rowspan=2>first <br>second</TD><TD>A</TD></TR>\r\n"
            "<TR><TD>B</TD></TR>\r\n</TABLE><BR>\r\n");

  TestRun joined("html");
  const std::string withTwTe = std::string(".TA T\n.TW\n.TE\n") + (kContinued + 6);
  const std::string out = WriteTableOf(*joined, withTwTe);
  EXPECT_NE(out.find("<TD>first  second</TD>"), std::string::npos) << out;

  TestRun rtf("rtftext");
  EXPECT_NE(WriteTableOf(*rtf, kContinued).find("first \\line second"), std::string::npos);

  // IPF: the cell after a continuation line keeps its column (an empty cell stands for the
  // continued one).
  TestRun ipf("ipf");
  EXPECT_EQ(WriteTableOf(*ipf, kContinued),
            "\r\n:table cols='10 1 '.\r\n:row.:c.first \r\nsecond:c.A:row.:c.:c.B:etable.\r\n");
}

// Where a reader puts each cell: the column (from 1) of every cell text, worked out as a
// browser lays out an HTML table (row and column spans occupy the places below and beside).
std::map<std::string, int> HtmlColumns(const std::string& html) {
  std::map<std::string, int> columns;
  for (const auto& [text, col] : output_text::HtmlTableCells(html))
    if (!text.empty()) columns[text] = col;
  return columns;
}

// The same for RTF: a cell's column is the number of cells before it in its row plus one
// (merged cells are cells of the row too).
std::map<std::string, int> RtfColumns(const std::string& rtf) {
  std::map<std::string, int> columns;
  for (std::size_t row = rtf.find("\\intbl\r\n"); row != std::string::npos;
       row = rtf.find("\\intbl\r\n", row + 1)) {
    const std::size_t end = rtf.find("\\row", row);
    std::string line = rtf.substr(row + 8, end - row - 8);
    int col = 1;
    std::size_t a = 0;
    for (;;) {
      const std::size_t b = line.find("\\cell", a);
      std::string text = line.substr(a, b == std::string::npos ? std::string::npos : b - a);
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      while (!text.empty() && (text.front() == '\n' || text.front() == '\r')) text.erase(0, 1);
      if (!text.empty()) columns[text] = col;
      if (b == std::string::npos) break;
      a = b + 5;
      ++col;
    }
  }
  return columns;
}

struct PlacementCase {
  const char* name;
  const char* table;                               // the lines between the .TA lines
  std::vector<std::pair<std::string, int>> cells;  // HTML cell text and its column
  std::vector<std::pair<std::string, int>> rtf;    // RTF cell text and its column
};

// Every cell lands in the column its text starts at, whatever continuation lines, ditto
// marks and spans stand above it, in HTML as in RTF.
TEST(TableWriterTest, CellsLandInTheColumnTheyStartAt) {
  const PlacementCase cases[] = {
      {"continuation line alone in its row",
       "first +    A\nsecond\nthird      C\n",
       {{"first <br>second", 1}, {"A", 2}, {"third", 1}, {"C", 2}},
       {{"first \\line second", 1}, {"A", 2}, {"third", 1}, {"C", 2}}},
      {"continuation in the second column",
       "a    b +\nc    d\ne    f\n",
       {{"a", 1}, {"b <br>d", 2}, {"c", 1}, {"e", 1}, {"f", 2}},
       {{"a", 1}, {"b \\line d", 2}, {"c", 1}, {"e", 1}, {"f", 2}}},
      {"ditto mark",
       "Anna  1\n\"     2\nBob   3\n",
       {{"Anna", 1}, {"1", 2}, {"2", 2}, {"Bob", 1}, {"3", 2}},
       {{"Anna", 1}, {"1", 2}, {"2", 2}, {"Bob", 1}, {"3", 2}}},
      {"two continued columns",
       "a +   b +\na2    b2\nc     d\n",
       {{"a <br>a2", 1}, {"b <br>b2", 2}, {"c", 1}, {"d", 2}},
       {{"a \\line a2", 1}, {"b \\line b2", 2}, {"c", 1}, {"d", 2}}},
      {"span above",
       "Fruit and price\nApple     12,50\n",
       {{"Fruit and price", 1}, {"Apple", 1}, {"12,50", 2}},
       {{"Fruit and price", 1}, {"Apple", 1}, {"12,50", 2}}},
  };
  for (const PlacementCase& c : cases) {
    const std::string source = std::string(".TA T\n") + c.table + ".TA\n";
    TestRun html("html");
    const std::string h = WriteTableOf(*html, source);
    const std::map<std::string, int> htmlColumns = HtmlColumns(h);
    for (const auto& [text, column] : c.cells) {
      const auto it = htmlColumns.find(text);
      ASSERT_NE(it, htmlColumns.end()) << c.name << ": " << text << "\n" << h;
      EXPECT_EQ(it->second, column) << c.name << ": " << text << "\n" << h;
    }
    TestRun rtf("rtftext");
    const std::string r = WriteTableOf(*rtf, source);
    const std::map<std::string, int> rtfColumns = RtfColumns(r);
    for (const auto& [text, column] : c.rtf) {
      const auto it = rtfColumns.find(text);
      ASSERT_NE(it, rtfColumns.end()) << c.name << ": " << text << "\n" << r;
      EXPECT_EQ(it->second, column) << c.name << ": " << text << "\n" << r;
    }
  }
}

// RTF has no column span of its own: a spanning cell is merged with the cells it covers, and
// the row after it defines its plain cells again.
TEST(TableWriterTest, RtfMergesSpannedCells) {
  TestRun rtf("rtftext");
  const std::string out =
      RtfTable(WriteTableOf(*rtf, ".TA T\none   two and three\na     b      c\n.TA\n"));
  EXPECT_EQ(out,
            "\\cellx605\\cellx1310\\cellx1411\r\n"
            "\\trowd\\cellx605\\clmgf\\cellx1310\\clmrg\\cellx1411\r\n"
            "\\intbl\r\none\\cell\r\ntwo and three\\cell\r\n\\cell\\row\r\n"
            "\\trowd\\cellx605\\cellx1310\\cellx1411\r\n"
            "\\intbl\r\na\\cell\r\nb\\cell\r\nc\\cell\\row\r\n"
            "\\pard\r\n");
  // Without spans the rows keep the table's one definition.
  TestRun plain("rtftext");
  EXPECT_EQ(WriteTableOf(*plain, kDitto).find("\\trowd"), std::string::npos);
}

TEST(TableWriterTest, LargeTablesFinish) {
  std::string source = ".TA Big\n";
  for (int row = 0; row < 20000; ++row) source += "name" + std::to_string(row) + "   12,5   \"\n";
  source += std::string(3000, 'w') + "  tail\n.TA\n";
  for (const char* target : {"html", "ipf", "winhelp4"}) {
    TestRun t(target);
    const std::string out = WriteTableOf(*t, source);
    EXPECT_GT(out.size(), 20000u * 10) << target;
    EXPECT_NE(out.find(t->Ini.TargetFlags.Html  ? "</TABLE><BR>"
                       : t->Ini.TargetFlags.Ipf ? ":etable."
                                                : "\\pard"),
              std::string::npos);
  }
}

TEST(TableWriterTest, OptionsBeforeTheOpeningLineHaveNoEffect) {
  TestRun t("html");
  const std::string out = WriteTableOf(*t, std::string(".TW\n.TE\n") + kContinued);
  EXPECT_NE(out.find("<TD rowspan=2>first <br>second</TD>"), std::string::npos) << out;
}

TEST(TableWriterTest, HyphenRules) {
  TestRun kept("html");
  EXPECT_NE(WriteTableOf(*kept, ".TA T\nZucker-   1\nrohr      2\n.TA\n")
                .find("<TD rowspan=2>Zucker-<br>rohr</TD>"),
            std::string::npos);
  TestRun lost("html");
  EXPECT_NE(WriteTableOf(*lost, ".TA T\nZucker-   1\n.TA\n").find("<TD>Zucker</TD>"),
            std::string::npos);
  TestRun rule("html");
  const std::string ruling = WriteTableOf(*rule, ".TA T\n----------\n.TA\n");
  EXPECT_NE(ruling.find("<TD>-</TD>"), std::string::npos) << ruling;
  TestRun minus("html");
  const std::string negative = WriteTableOf(*minus, ".TA T\nminus  -5\n.TA\n");
  EXPECT_NE(negative.find("<TD ALIGN=RIGHT>-5</TD>"), std::string::npos) << negative;
}

struct AlignCase {
  const char* setting;  // a .TP line or ""
  const char* text;     // expected cell of "abc"
  const char* number;   // expected cell of "12.5"
  const char* half;     // expected cell of "a1"
};

TEST(TableWriterTest, AlignmentAutomaticAndByTp) {
  const AlignCase cases[] = {
      {"", "<TD>abc</TD>", "<TD ALIGN=RIGHT>12.5</TD>", "<TD ALIGN=RIGHT>a1</TD>"},
      {".TP left\n", "<TD>abc</TD>", "<TD>12.5</TD>", "<TD>a1</TD>"},
      {".TP right\n", "<TD ALIGN=RIGHT>abc</TD>", "<TD ALIGN=RIGHT>12.5</TD>",
       "<TD ALIGN=RIGHT>a1</TD>"},
      {".TP center\n", "<TD ALIGN=CENTER>abc</TD>", "<TD ALIGN=RIGHT>12.5</TD>",
       "<TD ALIGN=RIGHT>a1</TD>"},
  };
  for (const AlignCase& c : cases) {
    TestRun t("html");
    const std::string out =
        WriteTableOf(*t, std::string(".TA T\n") + c.setting + "abc  12.5  a1\n.TA\n");
    EXPECT_NE(out.find(c.text), std::string::npos) << c.setting << out;
    EXPECT_NE(out.find(c.number), std::string::npos) << c.setting << out;
    EXPECT_NE(out.find(c.half), std::string::npos) << c.setting << out;
  }
}

TEST(TableWriterTest, CaptionOnlyForTitlesOtherThanNo) {
  for (const char* title : {"no", "NO", "No", "nO", "Prices"}) {
    TestRun t("html");
    const std::string out = WriteTableOf(*t, std::string(".TA ") + title + "\nx\n.TA\n");
    const bool none =
        std::string(title) == "no" || std::string(title) == "NO" || std::string(title) == "No";
    EXPECT_EQ(out.find("<CAPTION>" + std::string(title) + "</CAPTION>") == std::string::npos, none)
        << title;
  }
  TestRun ipf("ipf");
  EXPECT_EQ(WriteTableOf(*ipf, ".TA Prices\nx\n.TA\n").find("Prices"), std::string::npos);
}

TEST(TableWriterTest, EmptyTablePerTarget) {
  TestRun html("html");
  EXPECT_EQ(WriteTableOf(*html, ".TA T\n.TA\n"),
            "\r\n<TABLE BORDER CELLPADDING=5>\r\n<CAPTION>T</CAPTION>\r\n</TABLE><BR>\r\n");
  TestRun ipf("ipf");
  EXPECT_EQ(WriteTableOf(*ipf, ".TA T\n.TA\n"), "\r\n:table cols=''.:etable.\r\n");
  TestRun rtf("winhelp3");
  EXPECT_EQ(RtfTable(WriteTableOf(*rtf, ".TA T\n.TA\n")), "\\cellx101\r\n\\pard\r\n");
}

TEST(TableWriterTest, ReaderGoesOnAfterTheClosingLine) {
  TestRun t("html");
  EmitRaw(*t);
  t.Load(std::string("before\n") + kPrices + "after\n");
  RunTableLoop(
      *t, [](CompilerRun&) {}, true);
  const std::string& out = t->Passes.OutputFile;
  EXPECT_EQ(out.rfind("before", 0), 0u) << out;
  EXPECT_EQ(out.substr(out.size() - 19), "</TABLE><BR>\r\nafter") << out;
  EXPECT_EQ(t->Lines.CurrentSourceLine, 8);
}

TEST(TableWriterTest, MoreThanTwoHundredColumnsAreJoinedAndReported) {
  TestRun t("html");
  std::string line;
  for (int i = 0; i < 300; ++i) line += "x  ";
  const std::string out = WriteTableOf(*t, ".TA T\n" + line + "\n.TA\n");
  EXPECT_NE(t.Text().find("table has more than 200 columns"), std::string::npos);
  int cells = 0;
  for (std::size_t p = out.find("<TD"); p != std::string::npos; p = out.find("<TD", p + 1)) ++cells;
  EXPECT_EQ(cells, 300);  // no cell is lost
  EXPECT_NE(out.find("</TABLE><BR>"), std::string::npos);
}

}  // namespace
