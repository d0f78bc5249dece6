// The topic switch: frame-group framesets, sub-chapter lists and the picture markup of RTF.
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// The second frame of a group shows the page of the group's first sub-heading, also when a
// .NR line gave that page another number.
TEST(TopicSwitch, GroupFramesetNamesTheReservedPage) {
  TestRun m(WholeRun("html"));
  m->Ini.NewFileLevel = 1;
  const auto r = CompileText(
      m, Crlf(".1\nA\n\nText\n.FA hori 30\n.1\nGroup\n\nText\n.NR 7\n.2\nInside\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& frameset = FileOf(r, "DOC\\N001.HTML");
  EXPECT_NE(frameset.find("<FRAMESET ROWS=\"30%,*\">"), std::string::npos) << frameset;
  EXPECT_NE(frameset.find("<FRAME src=\"N001F.HTML\" name=\"group7\">"), std::string::npos)
      << frameset;
  EXPECT_NE(frameset.find("<FRAME src=\"N007.HTML\" name=\"group8\">"), std::string::npos)
      << frameset;
  EXPECT_EQ(r.Files.count("DOC\\N007.HTML"), 1u);
  EXPECT_EQ(r.Files.count("DOC\\N002.HTML"), 0u);
}

TEST(TopicSwitch, SubchapterSeparatorModes) {
  struct {
    const char* Mode;
    const char* Between;
  } cases[] = {{"BREAK", "</a>\r\n<br>\r\n<a href=\"#hd3\">"},
               {"PARAGRAPH", "</a>\r\n<p>\r\n<a href=\"#hd3\">"},
               {" | ", "</a>\r\n |<a href=\"#hd3\">"}};
  for (const auto& c : cases) {
    TestRun m(WholeRun("html"));
    m->Ini.SubchapterLinkText = "See:";
    const auto r = CompileText(
        m, Crlf(std::string(".SC ") + c.Mode + "\n.1\nA\n\nText\n.2\nB\n\nText\n.2\nC\n\nText\n"));
    ASSERT_EQ(r.ExitCode, -1) << r.Console;
    const std::string& page = FileOf(r, "DOC\\N000.HTML");
    EXPECT_NE(page.find(c.Between), std::string::npos) << c.Mode << "\n" << page;
  }
}

TEST(TopicSwitch, ListModeIsNotUsedInRtf) {
  TestRun m(WholeRun("winhelp4"));
  m->Ini.SubchapterLinkText = "See:";
  const auto r = CompileText(m, Crlf(".SC LIST\n.1\nA\n\nText\n.2\nB\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_EQ(FileOf(r, "DOC.RTF").find("<UL>"), std::string::npos);
  EXPECT_EQ(m->Compile.SubheadingListMode, "RETURN");
}

TEST(TopicSwitch, RtfPictureNamesAreEscaped) {
  TestRun m(WholeRun("winhelp4"));
  const auto r = CompileText(m, Crlf(".1\nA\n\n.BM pics\\{odd}\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(FileOf(r, "DOC.RTF").find("\\{bml pics\\\\\\{odd\\}.BMP\\}"), std::string::npos)
      << FileOf(r, "DOC.RTF");
}

// The labels of the chapter links are texts of the settings: a word of them that the index
// holds ("chapter") must not turn every page's label into a link to that topic.
TEST(TopicSwitch, ChapterLabelsCarryNoAutomaticLinks) {
  for (const char* target : {"html", "ipf", "winhelp4"}) {
    TestRun m(WholeRun(target));
    m->Ini.NextChapterLinkText = "Next chapter";
    m->Ini.SubchapterLinkText = "Parts of this chapter";
    m->Ini.MainChapterLinkText = "Up to chapter";
    const auto r = CompileText(
        m, Crlf(".1\nChapter\n.IN chapter\nText.\n.2\nSub\n\nText\n.2\nSub two\n\nText\n"
                ".1\nOther\n\nA chapter of its own.\n.WA\n.1\nGroup\n\nText\n.2\nIn group\n\n"
                "Text\n.1\nLast\n\nText\n"));
    ASSERT_EQ(r.ExitCode, -1) << target << r.Console;
    for (const char* label : {"Next chapter", "Parts of this chapter"})
      EXPECT_TRUE(AnyFileHas(r, label)) << target << ": " << label;
    // The link up to the main chapter stands in the topics of a WinHelp 4 frame group.
    if (std::string(target) == "winhelp4") {
      EXPECT_TRUE(AnyFileHas(r, "Up to chapter")) << target;
    }
    // Running text keeps its automatic links: "chapter" in the topic "Other" is a link.
    EXPECT_FALSE(AnyFileHas(r, "A chapter of its own.")) << target;
  }
}

}  // namespace
