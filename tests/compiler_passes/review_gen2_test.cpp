// Faults found by reading whole compile runs against their formats: the collected heading
// text (visible WinHelp heading, empty-heading report), the project file link of the HTML Help
// summary page, and the golden diff that has to show them.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// The line end of the heading's dot line is no part of the heading: the visible copy of a
// WinHelp heading starts right after its font change, without a blank of its own.
TEST(CollectedHeadingText, WinHelpHeadingCopyHasNoLeadingBlank) {
  for (const char* target : {"winhelp3", "winhelp4"}) {
    TestRun m(WholeRun(target));
    const auto r = CompileText(m, Crlf(".1\nGuide\n\nText.\n"));
    ASSERT_EQ(r.ExitCode, -1) << target << r.Console;
    const std::string& rtf = FileOf(r, "DOC.RTF");
    EXPECT_NE(rtf.find("${\\footnote Guide}\r\n\\par \r\n\\f0\\fs20\\cf0 Guide\r\n"), std::string::npos)
        << target << "\n" << rtf;
    EXPECT_EQ(rtf.find("\\cf0  Guide"), std::string::npos) << target;
  }
}

// With soft line ends a heading may run over two lines: its copy joins them with one blank.
TEST(CollectedHeadingText, SoftLineEndJoinsHeadingLinesWithOneBlank) {
  TestRun m(WholeRun("winhelp4"));
  m->switches.SoftLineEnds = true;
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
    const bool reported = r.Console.find("heading missing after heading dot command") != std::string::npos;
    EXPECT_EQ(reported, c.Reported) << c.Name << "\n" << r.Console;
  }
}

// The summary page is written before the project file, yet it links to that file, relative to
// the page like its other entry links.
TEST(HtmlHelpSummary, LinksToTheProjectFile) {
  TestRun m(WholeRun("htmlhelp", "GUIDE.TXT"));
  const auto r = CompileText(m, Crlf(".1\nGuide\n\nText.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  ASSERT_EQ(r.Files.count("GUIDE\\GUIDE.HHP"), 1u);
  EXPECT_NE(FileOf(r, "GUIDE.HTML")
                .find("HTML-Help Project File: <a href=\"GUIDE/GUIDE.HHP\">GUIDE/GUIDE.HHP</a><br>\r\n"),
            std::string::npos)
      << FileOf(r, "GUIDE.HTML");
}

// A differing dump names the file and the line, shows line ends and code-page bytes, and looks
// past the size in the file's header to the line that changed.
TEST(GoldenDiff, NamesFileAndLineWithVisibleBytes) {
  const std::string want = "=== A.TXT (4 bytes)\r\nab\r\n\r\n=== B.RTF (9 bytes)\r\n{\\rtf1 x\r\n}\r\n";
  const std::string got = "=== A.TXT (4 bytes)\r\nab\r\n\r\n=== B.RTF (10 bytes)\r\n{\\rtf1  x\xDA\n}\r\n";
  const std::string diff = FirstDifference(want, got);
  EXPECT_NE(diff.find("header line 4: golden === B.RTF (9 bytes)\\r\\n, got === B.RTF (10 bytes)\\r\\n"),
            std::string::npos)
      << diff;
  EXPECT_NE(diff.find("line 5 in \"=== B.RTF (9 bytes)\""), std::string::npos) << diff;
  EXPECT_NE(diff.find("golden:   {\\rtf1 x\\r\\n"), std::string::npos) << diff;
  EXPECT_NE(diff.find("got:      {\\rtf1  x\\xDA\\n"), std::string::npos) << diff;
  EXPECT_NE(FirstDifference("a\r\n", "a\r\nb\r\n").find("golden:   <end of file>"),
            std::string::npos);
}

}  // namespace
