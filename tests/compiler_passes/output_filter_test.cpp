// The output character filter: TAB expansion by column, the wrap after column 80 in reflowed
// text only, CR handling, and inside line-drawing blocks the padding to the right edge, the
// toggle blanks and the line ends of each target.
#include <gtest/gtest.h>

#include "compiler/passes/output_filter.h"
#include "compiler/writers/line_blocks.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

void Feed(CompilerRun& run, std::string_view text) {
  for (unsigned char c : text) FilterOutputChar(run, c == '\n' ? 0x0D : c);
}

struct TabCase {
  int column;
  int blanks;
};

TEST(OutputFilterTest, TabFillsToTheNextMultipleOfEight) {
  for (const TabCase& c : {TabCase{0, 8}, TabCase{5, 3}, TabCase{8, 8}, TabCase{7, 1}}) {
    TestRun t("html");
    EmitRaw(*t);
    t->Passes.OutputColumn = c.column;
    FilterOutputChar(*t, '\t');
    EXPECT_EQ(t->Passes.OutputFile, std::string(static_cast<std::size_t>(c.blanks), ' '))
        << c.column;
    EXPECT_EQ(t->Passes.OutputColumn % 8, 0);
  }
}

TEST(OutputFilterTest, BlankAfterColumnEightyWrapsOnlyReflowedText) {
  TestRun t("html");
  EmitRaw(*t);
  t->Passes.OutputColumn = 79;
  FilterOutputChar(*t, ' ');  // column 80: no line end
  EXPECT_EQ(t->Passes.OutputFile, " ");
  FilterOutputChar(*t, ' ');  // column 81
  EXPECT_EQ(t->Passes.OutputFile, "  \r\n");
  EXPECT_EQ(t->Passes.OutputColumn, 1);  // 81 modulo 8

  TestRun pre("html");
  EmitRaw(*pre);
  pre->Markup.FormatMode = false;
  pre->Passes.OutputColumn = 80;
  FilterOutputChar(*pre, ' ');
  EXPECT_EQ(pre->Passes.OutputFile, " ");
  EXPECT_EQ(pre->Passes.OutputColumn, 81);
}

TEST(OutputFilterTest, CrWritesNothingAndResetsTheColumn) {
  TestRun t("ipf");
  EmitRaw(*t);
  Feed(*t, "abc\n");
  EXPECT_EQ(t->Passes.OutputFile, "abc");
  EXPECT_EQ(t->Passes.OutputColumn, 0);
}

TEST(OutputFilterTest, WordStarCellSeparatorIsWrittenAsBlank) {
  TestRun t("html");
  EmitRaw(*t);
  t->Switches.WordStarInput = true;
  FilterOutputChar(*t, 28);
  EXPECT_EQ(t->Passes.OutputFile, " ");
}

// A block whose right edge lies in column 13.
void OpenBlockWithRightEdge13(CompilerRun& run) {
  InitBoxCharTable(run);
  run.Reader.DotLine = "LI +";
  HandleLiCommand(run);
  run.Passes.OutputFile.clear();
  Feed(run, "+-----------+\n");
}

struct PadCase {
  const char* target;
  const char* line;
  const char* written;
};

TEST(OutputFilterTest, LineDrawingPadsShortLinesAndEndsLinesPerTarget) {
  const PadCase cases[] = {
      // Columns 6 to 14 are added; the open edges in columns 1 and 13 are drawn.
      {"html", "ab|de", "|b|de       | \r\n"},
      {"ipf", "ab|de",
       "\xB3"
       "b|de       \xB3 \r\n"},
      {"winhelp4", "ab|de", "|b|de       | \\line\r\n"},
      {"html", "|           |", "|           |\r\n"},  // 13 columns: none
  };
  for (const PadCase& c : cases) {
    TestRun t(c.target);
    EmitRaw(*t);
    OpenBlockWithRightEdge13(*t);
    EXPECT_EQ(t->LineDrawing.RightEdgeColumn, 13);
    t->Passes.OutputFile.clear();
    Feed(*t, std::string(c.line) + "\n");
    EXPECT_EQ(t->Passes.OutputFile, c.written) << c.target << " " << c.line;
  }
}

TEST(OutputFilterTest, ToggleInsideLineDrawingKeepsColumns) {
  TestRun t("html");
  EmitRaw(*t);
  InitBoxCharTable(*t);
  t->Reader.DotLine = "LI +";
  HandleLiCommand(*t);
  t->Passes.OutputFile.clear();
  const char bold = static_cast<char>(ToggleChar(3));
  Feed(*t, std::string("abcdef") + bold + "gh");
  // Off: the blank first, then the toggle character; the letters after it keep their columns.
  EXPECT_EQ(t->Passes.OutputFile, std::string("abcdef ") + bold + "gh");
  EXPECT_EQ(t->Passes.OutputColumn, 9);
  t->Toggles.ToggleState[2] = true;
  t->Passes.OutputFile.clear();
  Feed(*t, std::string(1, bold));
  EXPECT_EQ(t->Passes.OutputFile, std::string(1, bold) + " ");
}

TEST(OutputFilterTest, TabInsideLineDrawingPassesTheDrawing) {
  TestRun t("html");
  EmitRaw(*t);
  InitBoxCharTable(*t);
  t->Reader.DotLine = "LI +";
  HandleLiCommand(*t);
  t->Passes.OutputFile.clear();
  Feed(*t, "+\t+");  // the blanks of the TAB lie on the top edge
  EXPECT_EQ(t->Passes.OutputFile, "+-------+");
}

}  // namespace
