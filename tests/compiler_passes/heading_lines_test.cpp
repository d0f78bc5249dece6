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
  m->Ini.WinhelpFontsForHtmlHeading = true;
  const auto r = CompileText(m, Crlf(".1\nTitle\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& page = FileOf(r, "DOC\\N000.HTML");
  EXPECT_NE(page.find("<p>\r\n\r\n<a name=\"hd1\">Title</a>\r\n<p>\r\n\r\n"), std::string::npos)
      << page;
}

TEST(HeadingLines, WinHelpKeepHeadingInNonScrollingRegion) {
  TestRun m(WholeRun("winhelp3"));
  m->Ini.KeepHeading = true;
  const auto r = CompileText(m, Crlf(".1\nTitle\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = FileOf(r, "DOC.RTF");
  EXPECT_NE(rtf.find("${\\footnote Title}\r\n\\keepn \r\n\\f0\\fs20\\cf0 Title\\par\\pard\r\n"),
            std::string::npos)
      << rtf;
}

TEST(HeadingLines, RunningTextMissingBetweenSameLevels) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nA\n.1\nB\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("running text behind last heading missing"), std::string::npos)
      << r.Console;
  TestRun deeper(WholeRun("html"));
  const auto d = CompileText(deeper, Crlf(".1\nA\n.2\nB\n\nText\n"));
  EXPECT_EQ(d.Console.find("running text behind last heading missing"), std::string::npos)
      << d.Console;
}

// The line end of the heading's dot line is no part of the heading: the visible copy of a
// WinHelp heading starts right after its font change, without a blank of its own.
TEST(CollectedHeadingText, WinHelpHeadingCopyHasNoLeadingBlank) {
  for (const char* target : {"winhelp3", "winhelp4"}) {
    TestRun m(WholeRun(target));
    const auto r = CompileText(m, Crlf(".1\nGuide\n\nText.\n"));
    ASSERT_EQ(r.ExitCode, -1) << target << r.Console;
    const std::string& rtf = FileOf(r, "DOC.RTF");
    EXPECT_NE(rtf.find("${\\footnote Guide}\r\n\\par \r\n\\f0\\fs20\\cf0 Guide\r\n"),
              std::string::npos)
        << target << "\n"
        << rtf;
    EXPECT_EQ(rtf.find("\\cf0  Guide"), std::string::npos) << target;
  }
}

// With soft line ends a heading may run over two lines: its copy joins them with one blank.
TEST(CollectedHeadingText, SoftLineEndJoinsHeadingLinesWithOneBlank) {
  TestRun m(WholeRun("winhelp4"));
  m->Switches.SoftLineEnds = true;
  const auto r = CompileText(m, Crlf(".1\nLong\nheading\n\nText.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = FileOf(r, "DOC.RTF");
  EXPECT_NE(rtf.find("\\par \r\n\\f0\\fs20\\cf0 Long heading\r\n"), std::string::npos) << rtf;
}

struct THeadingCase {
  const char* Name;
  const char* Source;
  bool Reported;
};

// The first character of the line that ends the heading is collected with it; it does not
// make an empty heading look written.
TEST(CollectedHeadingText, EmptyHeadingIsReported) {
  const THeadingCase cases[] = {
      {"empty line after the dot command", ".1\n\nText.\n", true},
      {"heading text", ".1\nGuide\n\nText.\n", false},
      {"one-letter heading", ".1\nA\n\nText.\n", false},
  };
  for (const THeadingCase& c : cases) {
    TestRun m(WholeRun("html"));
    const auto r = CompileText(m, Crlf(c.Source));
    const bool reported =
        r.Console.find("heading missing after heading dot command") != std::string::npos;
    EXPECT_EQ(reported, c.Reported) << c.Name << "\n" << r.Console;
  }
}

// WinHelp 4 has no frames, but .WA still starts a group whose sub-topics link back to their
// main chapter; WinHelp 3 runs without frames and writes no such link.
TEST(WinHelpFrameGroup, SubTopicsOfAGroupLinkToTheirMainChapter) {
  struct Case {
    const char* Target;
    bool NoFramesSwitch;
    bool LinkExpected;
  };
  for (const Case& c : {Case{"winhelp4", false, true}, Case{"winhelp4", true, false},
                        Case{"winhelp3", false, false}}) {
    TestRun m(WholeRun(c.Target));
    m->Ini.MainChapterLinkText = "Back to";
    m->Switches.NoFramesSwitch = c.NoFramesSwitch;
    const TRunResult r = CompileText(
        m, Crlf(".WA verti 30\n.1\nChapter\n\nIntro.\n.2\nSection\n\nBody.\n.1\nOther\n\nEnd.\n"));
    ASSERT_EQ(r.ExitCode, -1) << c.Target << r.Console;
    const std::string& rtf = FileOf(r, "DOC.RTF");
    ASSERT_FALSE(rtf.empty()) << c.Target;
    const std::size_t section = rtf.find("Section");
    ASSERT_NE(section, std::string::npos);
    const std::size_t link = rtf.find("Back to");
    EXPECT_EQ(link != std::string::npos, c.LinkExpected) << c.Target << c.NoFramesSwitch;
    if (c.LinkExpected) {
      // In the sub-topic (after its topic start), not in the topic that opened the group.
      EXPECT_GT(link, rtf.find("#{\\footnote h2}"));
      EXPECT_EQ(rtf.find("Back to", link + 1), std::string::npos) << "only the group's sub-topic";
    }
  }
}

}  // namespace
