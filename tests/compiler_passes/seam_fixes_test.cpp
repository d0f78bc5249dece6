// Faults at the seams between the writers of the compile run: links into footnote framesets,
// RTF names with special characters, the back button of the last-line bar and the page-name
// test of ".ID" words.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/rtf_checker.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
  return n;
}

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
    m->switches.NoFramesSwitch = c.NoFrames;
    m->ini.FootnotesPopup = c.Popup;
    const auto r = CompileText(m, Crlf(kFootnoteSource));
    ASSERT_EQ(r.ExitCode, -1) << c.Name << r.Console;
    EXPECT_EQ(r.Files.count("DOC\\N000T.HTML"), 0u) << c.Name;
    EXPECT_NE(FileOf(r, "DOC\\N001.HTML").find("N000.HTML#hd1"), std::string::npos) << c.Name;
    EXPECT_NE(FileOf(r, "DOC\\IDX_W.HTML").find("N000.HTML#hd1"), std::string::npos) << c.Name;
  }
}

// A context string and a picture name that hold RTF's special characters: every RTF target
// still writes well-formed groups, and each name reads back as written.
constexpr const char* kSpecialNameSource =
    ".1\nAlpha\n\n.ID a{b}\nText about ^alpha.\n\n"
    ".1\nBeta\n\n.BT # gfx\\pic}x\nSee alpha here, and # there.\n";

TEST(RtfSpecialNames, ContextStringsAndPictureNamesAreEscaped) {
  struct TCase {
    const char* Target;
    const char* Written;  // the picture reference as it must stand in the RTF
  };
  for (const TCase& c : {TCase{"winhelp3", " \\{bmc gfx\\\\pic\\}x.BMP\\}"},
                         TCase{"winhelp4", " \\{bmc gfx\\\\pic\\}x.BMP\\}"},
                         TCase{"rtftext", "{\\\\import gfx\\\\pic\\}x.BMP}"}}) {
    TestRun m(WholeRun(c.Target));
    m->ini.ContentsInternal = true;
    m->ini.ContentsCntFile = true;
    const auto r = CompileText(m, Crlf(kSpecialNameSource));
    ASSERT_EQ(r.ExitCode, -1) << c.Target << r.Console;
    const std::string& rtf = FileOf(r, "DOC.RTF");
    const rtf_check::RtfReport check = rtf_check::CheckRtf(rtf);
    EXPECT_TRUE(check.Problems.empty()) << c.Target << ": " << check.Problems.front();
    EXPECT_TRUE(check.ClosedAtEnd) << c.Target;
    EXPECT_NE(rtf.find(c.Written), std::string::npos) << c.Target << rtf;
    if (std::string(c.Target) == "rtftext") continue;  // no links, no context strings
    // The topic, the automatic link and the contents topic all name the same context string.
    EXPECT_NE(rtf.find("#{\\footnote # a\\{b\\}}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\cf1\\uldb alpha}{\\v a\\{b\\}}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("{\\cf1\\uldb Alpha}{\\v a\\{b\\}}"), std::string::npos) << rtf;
    EXPECT_EQ(rtf.find("{\\v a{b}}"), std::string::npos) << rtf;
    // The contents file is not RTF: it names the context string as written.
    EXPECT_NE(FileOf(r, "DOC.CNT").find("1 Alpha=a{b}\r\n"), std::string::npos) << FileOf(r, "DOC.CNT");
  }
}

// Both bars of a page lead back to the same page, never to the page itself: the last-line bar
// is written when the next heading has already moved the heading cursors on.
TEST(NavigationBarBack, LastLineBarGoesBackWhereTheFirstLineBarGoes) {
  TestRun m(WholeRun("html"));
  m->ini.NewFileLevel = 2;
  m->ini.FunctionsFirstLine = "back forward";
  m->ini.TextsFirstLine = "Back Forward";
  m->ini.FunctionsLastLine = "back forward";
  m->ini.TextsLastLine = "Back Forward";
  const auto r = CompileText(
      m, Crlf(".1\nA\n\nText a\n.2\nA1\n\nText a1\n.2\nA2\n\nText a2\n.1\nB\n\nText b\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  struct TPage {
    const char* Name;
    const char* Back;  // page both back buttons lead to, "" for none
  };
  for (const TPage& p : {TPage{"N000.HTML", ""}, TPage{"N001.HTML", "N000.HTML"},
                         TPage{"N002.HTML", "N001.HTML"}, TPage{"N003.HTML", "N000.HTML"}}) {
    const std::string& page = FileOf(r, std::string("DOC\\") + p.Name);
    ASSERT_FALSE(page.empty()) << p.Name;
    if (!*p.Back) {
      EXPECT_EQ(Count(page, ">Back</a>"), 0u) << page;
      continue;
    }
    EXPECT_EQ(Count(page, ">Back</a>"), 2u) << page;
    EXPECT_EQ(Count(page, std::string("<a href=\"") + p.Back + "\" target=\"main\">Back</a>"), 2u) << page;
  }
}

// An ".ID" word that cannot name a file gets the message and leaves the page's name to a
// later usable ".ID" word of the same page.
TEST(IdPageWords, UnusableWordGivesWayToALaterUsableOne) {
  for (const char* word : {"a\"b", "a*b", "a?b", "a|b", "a<b", "c:b"}) {
    TestRun m(WholeRun("html"));
    const auto r = CompileText(
        m, Crlf(std::string(".1\nA\n\n.ID ") + word + "\n.ID good\nText\n.1\nB\n\nText\n"));
    ASSERT_EQ(r.ExitCode, -1) << word << r.Console;
    EXPECT_NE(r.Console.find(std::string(".ID word ") + word + " cannot name a file"), std::string::npos)
        << word << r.Console;
    EXPECT_FALSE(r.RunSuccess) << word;
    EXPECT_EQ(r.Files.count("DOC\\GOOD.HTML"), 1u) << word;
    EXPECT_EQ(r.Files.count("DOC\\N000.HTML"), 0u) << word;
  }
}

}  // namespace
