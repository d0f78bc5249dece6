// The heading copy's comma swap and the closing markup of headings.
#include <gtest/gtest.h>

#include "compiler/passes/heading_lines.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

TEST(HeadingLines, SwapAtComma) {
  struct {
    const char* In;
    const char* Out;
  } cases[] = {{"Miller, John", "John Miller"},
               {"Miller,John", "John Miller"},
               {"No comma", "No comma"},
               {"Ends with,", " Ends with"},
               {"a, b, c", "b, c a"}};
  for (const auto& c : cases) {
    std::string text = c.In;
    SwapAtComma(text);
    EXPECT_EQ(text, c.Out) << c.In;
  }
}

TEST(HeadingLines, HtmlHeadingFontsEndWithParagraph) {
  TestRun m(WholeRun("html"));
  m->ini.WinhelpFontsForHtmlHeading = true;
  const auto r = CompileText(m, Crlf(".1\nTitle\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& page = FileOf(r, "DOC\\N000.HTML");
  EXPECT_NE(page.find("<p>\r\n\r\n<a name=\"hd1\">Title</a>\r\n<p>\r\n\r\n"), std::string::npos) << page;
}

TEST(HeadingLines, WinHelpKeepHeadingInNonScrollingRegion) {
  TestRun m(WholeRun("winhelp3"));
  m->ini.KeepHeading = true;
  const auto r = CompileText(m, Crlf(".1\nTitle\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = FileOf(r, "DOC.RTF");
  EXPECT_NE(rtf.find("${\\footnote Title}\r\n\\keepn \r\n\\f0\\fs20\\cf0 Title\\par\\pard\r\n"), std::string::npos) << rtf;
}

TEST(HeadingLines, RunningTextMissingBetweenSameLevels) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nA\n.1\nB\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("running text behind last heading missing"), std::string::npos) << r.Console;
  TestRun deeper(WholeRun("html"));
  const auto d = CompileText(deeper, Crlf(".1\nA\n.2\nB\n\nText\n"));
  EXPECT_EQ(d.Console.find("running text behind last heading missing"), std::string::npos) << d.Console;
}

}  // namespace
