// The WinHelp contents file and the RTF contents, checked against the examples of their
// format description.
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

const char* kFourHeadings =
    ".1\nIntroduction\n\nSome text.\n.2\nPurpose\n\nText.\n.2\nTerms\n\nText.\n.1\nAppendix\n\nText.\n";

TEST(HelpContents, CntFileOfFourHeadings) {
  TestRun m(WholeRun("winhelp4", "manual.txt"));
  m->Ini.ContentsCntFile = true;
  const auto r = CompileText(m, Crlf(kFourHeadings));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_EQ(FileOf(r, "manual.CNT"),
            ":Base manual.HLP\r\n1 Introduction\r\n2 Overview=h1\r\n2 Purpose=h2\r\n2 Terms=h3\r\n"
            "1 Appendix\r\n2 Overview=h4\r\n");
}

// A book whose own topic has no running text gets no entry of its own.
TEST(HelpContents, ShortTopicBookHasNoOwnEntry) {
  TestRun m(WholeRun("winhelp4", "manual.txt"));
  m->Ini.ContentsCntFile = true;
  const auto r = CompileText(m, Crlf(".1\nIntro\n\n.2\nPart\n\nText.\n.1\nEnd\n\nText.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_EQ(FileOf(r, "manual.CNT"),
            ":Base manual.HLP\r\n1 Intro\r\n2 Part=h2\r\n1 End\r\n2 Overview=h3\r\n");
}

std::string Between(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t a = text.find(from);
  if (a == std::string::npos) return std::string();
  const std::size_t b = text.find(to, a);
  return b == std::string::npos ? text.substr(a) : text.substr(a, b + to.size() - a);
}

TEST(HelpContents, WinHelpContentsTopic) {
  TestRun m(WholeRun("winhelp4", "manual.txt"));
  m->Ini.ContentsInternal = true;
  m->Ini.ListIndention = 1;
  const auto r = CompileText(
      m,
      Crlf(".1\nFirst heading\n\nText.\n.2\nSub heading\n\nText.\n.1\nSecond heading\n\nText.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = FileOf(r, "manual.RTF");
  EXPECT_NE(
      rtf.find("\\line\r\n{\\ThisIsTopic1}\r\n#{\\footnote INDEX}\r\n${\\footnote Contents}\r\n"),
      std::string::npos)
      << rtf;
  EXPECT_EQ(Between(rtf, "\\par\r\n{\\li0", "\\plain\\pard\\page"),
            "\\par\r\n{\\li0{\\cf1\\uldb First heading}{\\v h1}\\par\r\n"
            "}{\\li144{\\cf1\\uldb Sub heading}{\\v h2}\\par\\par\r\n"
            "}{\\li0{\\cf1\\uldb Second heading}{\\v h3}\\par\\par\r\n"
            "}\\plain\\pard\\page");
}

TEST(HelpContents, RtfTextNumberedContents) {
  TestRun m(WholeRun("rtftext", "manual.txt"));
  const auto r = CompileText(
      m,
      Crlf(".1\nFirst heading\n\nText.\n.2\nSub heading\n\nText.\n.1\nSecond heading\n\nText.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = FileOf(r, "manual.RTF");
  EXPECT_NE(
      rtf.find(
          "\\fi-432\\li432\\tx432\r\n\\par\r\n1\\tab First heading\\par\r\n1.1\\tab Sub heading\\par\\par\r\n"
          "2\\tab Second heading\\par\\par\r\n\\li0\\fi0\\tx0\\pard"),
      std::string::npos)
      << rtf;
}

}  // namespace
