// Links into pages with footnotes: with frames such a page is a frameset, and links name it
// without an anchor; written plainly it keeps its anchors.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// The first page holds a footnote, so with frames it is a frameset whose heading anchors
// stand in its text page "T"; "word" is an index entry of that page.
constexpr const char* kFootnoteSource =
    ".FU {}\n"
    ".1\nFirst\n\nA ^word with a note{The note.}.\n\n"
    ".1\nSecond\n\nThe word again.\n";

TEST(FootnoteFramesetLinks, HtmlLinksNameTheFramesetWithoutAnchor) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(kFootnoteSource));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& frameset = FileOf(r, "DOC\\N000.HTML");
  ASSERT_NE(frameset.find("<FRAME src=\"N000T.HTML\""), std::string::npos) << frameset;
  EXPECT_EQ(frameset.find("name=\"hd1\""), std::string::npos);
  EXPECT_NE(FileOf(r, "DOC\\N000T.HTML").find("<a name=\"hd1\">"), std::string::npos);
  // The automatic link on the second page and the index entry.
  const std::string& second = FileOf(r, "DOC\\N001.HTML");
  EXPECT_NE(second.find("<a href=\"N000.HTML\" target=\"main\""), std::string::npos) << second;
  EXPECT_EQ(second.find("N000.HTML#hd1"), std::string::npos) << second;
  const std::string& index = FileOf(r, "DOC\\IDX_W.HTML");
  EXPECT_NE(index.find("<a href=\"N000.HTML\">"), std::string::npos) << index;
  EXPECT_EQ(index.find("#hd1"), std::string::npos) << index;
}

TEST(FootnoteFramesetLinks, HtmlHelpIndexNamesNoAnchorOfAFramesetPage) {
  TestRun m(WholeRun("htmlhelp"));
  const auto r = CompileText(m, Crlf(kFootnoteSource));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& hhk = FileOf(r, "DOC\\DOC.HHK");
  EXPECT_NE(hhk.find("<param name=\"Local\" value=\"N000.HTML\">"), std::string::npos) << hhk;
  EXPECT_EQ(hhk.find("#hd1"), std::string::npos) << hhk;
  EXPECT_EQ(FileOf(r, "DOC\\N001.HTML").find("N000.HTML#hd1"), std::string::npos);
}

// Without frames, or with popup footnotes, the page is written plainly and keeps its anchors.
TEST(FootnoteFramesetLinks, PlainFootnotePagesKeepTheirAnchors) {
  struct TCase {
    const char* Name;
    bool NoFrames;
    bool Popup;
  };
  for (const TCase& c : {TCase{"noframes", true, false}, TCase{"popup", false, true}}) {
    TestRun m(WholeRun("html"));
    m->Switches.NoFramesSwitch = c.NoFrames;
    m->Ini.FootnotesPopup = c.Popup;
    const auto r = CompileText(m, Crlf(kFootnoteSource));
    ASSERT_EQ(r.ExitCode, -1) << c.Name << r.Console;
    EXPECT_EQ(r.Files.count("DOC\\N000T.HTML"), 0u) << c.Name;
    EXPECT_NE(FileOf(r, "DOC\\N001.HTML").find("N000.HTML#hd1"), std::string::npos) << c.Name;
    EXPECT_NE(FileOf(r, "DOC\\IDX_W.HTML").find("N000.HTML#hd1"), std::string::npos) << c.Name;
  }
}

}  // namespace
