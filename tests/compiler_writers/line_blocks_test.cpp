// Line-drawing blocks: the box examples for IPF (box-drawing characters) and the plain
// targets, double lines with the marker in plain and WordStar input, the opening and closing
// markup, and columns beyond the state table.
#include <gtest/gtest.h>

#include "compiler/passes/output_filter.h"
#include "compiler/writers/line_blocks.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

std::string DrawLines(CompilerRun& run, const char* params, const std::vector<std::string>& lines) {
  EmitRaw(run);
  InitBoxCharTable(run);
  run.Reader.DotLine = std::string("LI ") + params;
  HandleLiCommand(run);
  run.Passes.OutputFile.clear();
  for (const std::string& line : lines) {
    for (unsigned char c : line) FilterOutputChar(run, c);
    FilterOutputChar(run, 0x0D);
  }
  return run.Passes.OutputFile;
}

const std::vector<std::string> kBox = {"+----*----+", "|    |    |", "*----*----*", "|    |",
                                       "+----*----+"};

TEST(LineBlocksTest, IpfBoxBecomesBoxDrawingCharacters) {
  TestRun t("ipf");
  const std::string got = DrawLines(*t, "+*", kBox);
  const std::string want =
      "\xDA\xC4\xC4\xC4\xC4\xC2\xC4\xC4\xC4\xC4\xBF\r\n"
      "\xB3    \xB3    \xB3\r\n"
      "\xC3\xC4\xC4\xC4\xC4\xC5\xC4\xC4\xC4\xC4\xB4\r\n"
      "\xB3    \xB3    \xB3 \r\n"
      "\xC0\xC4\xC4\xC4\xC4\xC1\xC4\xC4\xC4\xC4\xD9\r\n";
  EXPECT_EQ(Printable(got), Printable(want));
  EXPECT_EQ(t->LineDrawing.RowLineState, 0);
  EXPECT_EQ(t->LineDrawing.RightEdgeColumn, 0);
  for (int col = 1; col <= kLineColumns; ++col)
    EXPECT_EQ(t->LineDrawing.ColumnLineState[col], 0) << col;
}

TEST(LineBlocksTest, PlainTargetsDrawWithBarsHyphensAndPlus) {
  for (const char* target : {"html", "htmlhelp", "winhelp3", "rtftext"}) {
    TestRun t(target);
    const std::string end = t->Ini.TargetFlags.RtfFamily ? "\\line\r\n" : "\r\n";
    const std::string want = "+----+----+" + end + "|    |    |" + end + "+----+----+" + end +
                             "|    |    | " + end + "+----+----+" + end;
    EXPECT_EQ(DrawLines(*t, "+*", kBox), want) << target;
  }
}

TEST(LineBlocksTest, DoubleLineMarkerInPlainAndWordStarInput) {
  TestRun plain("ipf");
  EXPECT_EQ(Printable(DrawLines(*plain, "+*#", {"#+----*----+"})),
            Printable(" \xC9\xCD\xCD\xCD\xCD\xD1\xCD\xCD\xCD\xCD\xBB\r\n"));
  TestRun star("ipf");
  star->Switches.WordStarInput = true;
  // The marker is dropped but still takes its column.
  EXPECT_EQ(Printable(DrawLines(*star, "+*#", {"#+----*----+"})),
            Printable("\xC9\xCD\xCD\xCD\xCD\xD1\xCD\xCD\xCD\xCD\xBB\r\n"));
  EXPECT_EQ(star->LineDrawing.RightEdgeColumn, 12);
}

TEST(LineBlocksTest, LettersOnLinesAreReplacedAndFreeBlanksStay) {
  TestRun t("html");
  EXPECT_EQ(DrawLines(*t, "+", {"+ab+", "x  y", "+--+", "  z "}),
            "+--+\r\n|  |\r\n+--+\r\n  z \r\n");
}

struct MarkupCase {
  const char* target;
  const char* open;
  const char* close;
};

TEST(LineBlocksTest, OpeningAndClosingMarkupPerTarget) {
  const MarkupCase cases[] = {
      {"html", "<pre>", "</pre>\r\n"},
      {"htmlhelp", "<pre>", "</pre>\r\n"},
      {"ipf", ":cgraphic.:font facename=Courier size=12x1.", ":ecgraphic.\r\n"},
      {"winhelp4", "\\line\\line", ""},
  };
  for (const MarkupCase& c : cases) {
    TestRun t(c.target);
    InitBoxCharTable(*t);
    t->Reader.DotLine = "LI +*";
    HandleLiCommand(*t);
    EXPECT_EQ(t->Passes.OutputFile, c.open) << c.target;
    EXPECT_TRUE(t->LineDrawing.LineDrawingActive);
    EXPECT_FALSE(t->Markup.FormatMode);
    t->Passes.OutputFile.clear();
    t->Reader.DotLine = "LI";
    HandleLiCommand(*t);
    EXPECT_EQ(t->Passes.OutputFile.substr(0, std::string(c.close).size()), c.close) << c.target;
    EXPECT_FALSE(t->LineDrawing.LineDrawingActive);
    EXPECT_TRUE(t->Markup.FormatMode) << c.target;
  }
}

TEST(LineBlocksTest, ClosingWithoutABlockWritesTheClosingMarkupAndKeepsTheTextMode) {
  TestRun t("html");
  t->Markup.FormatMode = false;  // e.g. inside a PRE font
  t->IniValues.FontDefs[0].HtmlTag = "PRE";
  t->Reader.DotLine = "LI";
  HandleLiCommand(*t);
  EXPECT_EQ(t->Passes.OutputFile.rfind("</pre>\r\n", 0), 0u);
  EXPECT_FALSE(t->Markup.FormatMode);
  TestRun rtf("winhelp4");
  rtf->Markup.FormatMode = false;
  rtf->Reader.DotLine = "LI";
  HandleLiCommand(*rtf);
  EXPECT_FALSE(rtf->Markup.FormatMode);
}

TEST(LineBlocksTest, OffIsNoClosingForm) {
  TestRun t("html");
  InitBoxCharTable(*t);
  t->Reader.DotLine = "LI OFF";
  HandleLiCommand(*t);
  EXPECT_TRUE(t->LineDrawing.LineDrawingActive);
  EXPECT_EQ(t->LineDrawing.CornerChar, 'O');
  EXPECT_EQ(t->LineDrawing.JunctionChar, 'F');
}

TEST(LineBlocksTest, ColumnsBeyondTheTableTakeNoPart) {
  TestRun t("html");
  std::string wide(600, '-');
  wide[0] = '+';
  wide[299] = '+';  // a corner past column 256 must not open anything
  const std::string got = DrawLines(*t, "+", {wide, "|"});
  EXPECT_EQ(t->LineDrawing.RightEdgeColumn, 0);
  EXPECT_EQ(got.substr(0, 3), "+--");
  EXPECT_EQ(got.substr(299, 1), "+");
}

}  // namespace
