// Footnotes per target and the cases where a footnote is left open or ends at a line start.
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

TEST(Footnotes, NoFramesGoToTheNotesPage) {
  TestRun m(WholeRun("html"));
  m->Switches.NoFramesSwitch = true;
  const auto r =
      CompileText(m, Crlf(".FU {}\n.1\nT\n\nOne{first note} two{second\nnote} three.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& page = FileOf(r, "DOC\\N000.HTML");
  EXPECT_NE(
      page.find(
          "One<a href =\"NOTES.HTML#ft1\">[1]</a> two<a href =\"NOTES.HTML#ft2\">[2]</a> three."),
      std::string::npos)
      << page;
  const std::string& notes = FileOf(r, "DOC\\NOTES.HTML");
  EXPECT_NE(
      notes.find(
          "<a name=\"ft1\">1) first note</a><p>\r\n<a name=\"ft2\">2) second<br>\r\nnote</a><p>\r\n"),
      std::string::npos)
      << notes;
  EXPECT_TRUE(notes.size() > 7 && notes.substr(notes.size() - 7) == "</HTML>") << notes;
}

// An end character at the start of a line ends the footnote; the text behind it stays text.
TEST(Footnotes, EndMarkerAtLineStartKeepsTheText) {
  TestRun m(WholeRun("html"));
  m->Switches.NoFramesSwitch = true;
  const auto r = CompileText(m, Crlf(".FU {}\n.1\nT\n\nOne{a note\n} after the note.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(FileOf(r, "DOC\\N000.HTML").find("after the note."), std::string::npos);
  EXPECT_EQ(FileOf(r, "DOC\\NOTES.HTML").find("after the note"), std::string::npos);
}

TEST(Footnotes, WinHelpFootnoteTopicsFollowTheTopic) {
  TestRun m(WholeRun("winhelp4"));
  m->Ini.ContentsInternal = false;
  const auto r = CompileText(m, Crlf(".FU {}\n.1\nT\n\nOne{first note} two.\n.1\nU\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = FileOf(r, "DOC.RTF");
  EXPECT_NE(rtf.find("One{\\cf1\\ul **}{\\v fn1}"), std::string::npos) << rtf;
  const std::size_t topic = rtf.find("#{\\footnote fn1}");
  ASSERT_NE(topic, std::string::npos) << rtf;
  EXPECT_LT(topic, rtf.find("#{\\footnote h2}"));
  EXPECT_NE(rtf.find("first note", topic), std::string::npos) << rtf;
  EXPECT_EQ(rtf.find("first"), rtf.find("first note", topic)) << "footnote text in the main topic";
}

TEST(Footnotes, OpenAtHeadingIsReportedAndClosed) {
  TestRun m(WholeRun("ipf"));
  const auto r = CompileText(m, Crlf(".FU {}\n.1\nT\n\nOne{never closed\n.1\nU\n\nSecond text.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("Footnote end marker missing"), std::string::npos) << r.Console;
  const std::string& ipf = FileOf(r, "DOC.IPF");
  const std::size_t fn = ipf.find(":fn id=fn1.");
  ASSERT_NE(fn, std::string::npos) << ipf;
  EXPECT_LT(ipf.find(":efn.", fn), ipf.find(":h1 res=2")) << ipf;
}

TEST(Footnotes, OpenAtEndIsReportedAndClosed) {
  TestRun m(WholeRun("rtftext"));
  m->Ini.CreateContents = false;
  const auto r = CompileText(m, Crlf(".FU {}\n.1\nT\n\nOne{never closed\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("Footnote end marker missing"), std::string::npos) << r.Console;
  const std::string& rtf = FileOf(r, "DOC.RTF");
  int depth = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\')
      ++i;
    else if (rtf[i] == '{')
      ++depth;
    else if (rtf[i] == '}')
      --depth;
  }
  EXPECT_EQ(depth, 0) << rtf;
}

TEST(Footnotes, MarkersOffAreText) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nT\n\nOne{not a note}.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(FileOf(r, "DOC\\N000.HTML").find("One{not a note}."), std::string::npos);
}

}  // namespace
