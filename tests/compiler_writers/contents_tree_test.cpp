// The contents tree's script, beside its golden pages in the writers' golden tests.
#include <gtest/gtest.h>

#include <string>

#include "compiler/writers/contents_html.h"
#include "compiler/writers/contents_tree.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// Every text that lands inside a JavaScript string escapes both the quote and the backslash:
// heading titles, the ALT texts and the body tags. Outside the script nothing is added.
TEST(ContentsTree, BackslashesAndQuotesInsideTheScript) {
  TestRun t("html");
  CompilerRun& run = *t;
  run.Ini.ContentsTreeOn = true;
  run.Ini.ContentsTreeOpenText = "op\\en";
  run.Ini.BodyTags = "background=\"pics\\back.gif\"";
  t.Load(".1\r\nC:\\Dir \"x\"\r\n");
  RunPrepasses(run);
  run.Numbering.FileCounter = -1;
  run.Passes.OutputFile.clear();
  WriteJavaScriptTree(run);
  const std::string& out = run.Passes.OutputFile;
  EXPECT_NE(
      out.find(" self.tree.document.write(\"<BODY background=\\\"pics\\\\back.gif\\\">\");\r\n"),
      std::string::npos)
      << out;
  EXPECT_NE(out.find("ALT=\\\"op\\\\en\\\" BORDER=0>\";\r\n"), std::string::npos);
  EXPECT_NE(
      out.find(
          "  hl[0]=1;hc[0]=\"N000.HTML#hd1\\\" target=\\\"main\\\">C:\\\\Dir \\\"x\\\"\";\r\n"),
      std::string::npos);
  EXPECT_FALSE(run.CharConversion.Context.InScriptString);

  // The plain contents page is no script: one backslash, the quotes as they are.
  run.Passes.OutputFile.clear();
  WriteHtmlContents(run);
  EXPECT_EQ(
      run.Passes.OutputFile,
      "<ul>\r\n   <li><a href=\"N000.HTML#hd1\" target=\"main\">C:\\Dir \"x\"</a>\r\n</ul>\r\n");
  run.Passes.OutputFile.clear();
  WriteBodyAttributes(run, run.Passes.OutputFile, false, nullptr, 0);
  EXPECT_EQ(run.Passes.OutputFile, " background=\"pics\\back.gif\"");
}

// With every level in the tree, "hs" of a branch whose own list ends is taken from the next
// sibling of an ancestor, or is the entry count after the last branch.
TEST(ContentsTree, ClosedBranchesJumpPastTheirWholeSubtree) {
  TestRun t("html");
  t->Ini.ContentsTreeOn = true;
  t.Load(corvina_test::ReadFile(DataFile("contents.src")));
  RunPrepasses(*t);
  t->Numbering.FileCounter = -1;
  t->Passes.OutputFile.clear();
  WriteJavaScriptTree(*t);
  const std::string& out = t->Passes.OutputFile;
  const std::size_t from = out.find("function loadvalues(hc){\r\n");
  ASSERT_NE(from, std::string::npos);
  const std::size_t to = out.find("}\r\n", from + 25);
  EXPECT_EQ(
      out.substr(from, to + 3 - from),
      "function loadvalues(hc){\r\n"
      "  hl[0]=1;hc[0]=\"N000.HTML#hd1\\\" target=\\\"main\\\">Introduction\";hs[0]=3;\r\n"
      "  hl[1]=2;hc[1]=\"N000.HTML#hd2\\\" target=\\\"main\\\">Purpose\";hs[1]=3;\r\n"
      "  hl[2]=3;hc[2]=\"N000.HTML#hd3\\\" target=\\\"main\\\">Deep \\\"quoted\\\" title\";\r\n"
      "  hl[3]=1;hc[3]=\"N001.HTML#hd4\\\" target=\\\"main\\\">Installation\";\r\n"
      "  hl[4]=1;hc[4]=\"N002.HTML#hd5\\\" target=\\\"main\\\">Appendix\";hs[4]=9;\r\n"
      "  hl[5]=2;hc[5]=\"N002.HTML#hd6\\\" target=\\\"main\\\">Notes\";\r\n"
      "  hl[6]=2;hc[6]=\"N002.HTML#hd7\\\" target=\\\"main\\\">Tables\";hs[6]=9;\r\n"
      "  hl[7]=3;hc[7]=\"N002.HTML#hd8\\\" target=\\\"main\\\">Rows\";\r\n"
      "  hl[8]=3;hc[8]=\"N002.HTML#hd9\\\" target=\\\"main\\\">Cells\";\r\n"
      "}\r\n");
  EXPECT_NE(out.find("var m=9,"), std::string::npos);
  EXPECT_EQ(t.Text(), "");
}

}  // namespace
