// The heading copy's comma swap and the closing markup of headings.
#include <gtest/gtest.h>

#include "compiler/passes/heading_lines.h"
#include "tests/support/run_driver_support.h"

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
  run_test::MemoryRun m("html");
  m->ini.WinhelpFontsForHtmlHeading = true;
  const auto r = m.Compile(run_test::Crlf(".1\nTitle\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& page = run_test::FileOf(r, "DOC\\N000.HTML");
  EXPECT_NE(page.find("<p>\r\n\r\n<a name=\"hd1\">Title</a>\r\n<p>\r\n\r\n"), std::string::npos) << page;
}

TEST(HeadingLines, WinHelpKeepHeadingInNonScrollingRegion) {
  run_test::MemoryRun m("winhelp3");
  m->ini.KeepHeading = true;
  const auto r = m.Compile(run_test::Crlf(".1\nTitle\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = run_test::FileOf(r, "DOC.RTF");
  EXPECT_NE(rtf.find("${\\footnote Title}\r\n\\keepn \r\n\\f0\\fs20\\cf0 Title\\par\\pard\r\n"), std::string::npos) << rtf;
}

TEST(HeadingLines, RunningTextMissingBetweenSameLevels) {
  run_test::MemoryRun m("html");
  const auto r = m.Compile(run_test::Crlf(".1\nA\n.1\nB\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("running text behind last heading missing"), std::string::npos) << r.Console;
  run_test::MemoryRun deeper("html");
  const auto d = deeper.Compile(run_test::Crlf(".1\nA\n.2\nB\n\nText\n"));
  EXPECT_EQ(d.Console.find("running text behind last heading missing"), std::string::npos) << d.Console;
}

}  // namespace
