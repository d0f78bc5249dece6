// Lists and margins at line starts, through the whole compile run.
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"
#include "tests/support/output_text.h"

using namespace skeldon;

namespace {

// The text of the first page from the end of its heading to the page end.
std::string Body(const TRunResult& r, const std::string& page = "DOC\\N000.HTML") {
  const std::string& text = FileOf(r, page);
  const std::size_t a = text.find("</h1>");
  const std::size_t b = text.rfind("</BODY>");
  if (a == std::string::npos || b == std::string::npos || b < a) return text;
  return text.substr(a + 5, b - a - 5);
}

std::string Tags(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '<') {
      const std::size_t e = text.find('>', i);
      out += text.substr(i, e - i + 1);
      i = e + 1;
    } else if (text[i] == '\r' || text[i] == '\n' || text[i] == ' ') {
      ++i;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

TEST(LineStart, LevelComesFromTheListCharacter) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nT\n\n- a\n  * b\n- c\n\nEnd.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(Tags(Body(r)).find("<ul><li>a<ul><li>b</ul><li>c"), std::string::npos) << Body(r);
}

TEST(LineStart, MixedKindsCloseWithTheirOwnTags) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nT\n\n.OL\n- one\n.UL\n  * two\n\nEnd.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string tags = Tags(Body(r));
  EXPECT_NE(tags.find("<ol><li>one<ul><li>two<br></ul></ol>"), std::string::npos) << Body(r);
}

TEST(LineStart, JumpOfTwoLevelsStaysBalanced) {
  TestRun m(WholeRun("html"));
  m->Ini.ListChars = "-*+";
  const auto r = CompileText(m, Crlf(".1\nT\n\n- a\n  + deep\n\nEnd.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("wrong list level (wrong list char used)"), std::string::npos)
      << r.Console;
  const std::string tags = Tags(Body(r));
  EXPECT_NE(tags.find("<ul><li>a<ul><ul><li>deep<br></ul></ul></ul>"), std::string::npos)
      << Body(r);
}

TEST(LineStart, ListCharacterFollowedByTextIsText) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nT\n\n-word\n\nEnd.\n"));
  ASSERT_EQ(r.ExitCode, -1);
  EXPECT_EQ(Body(r).find("<ul>"), std::string::npos);
  EXPECT_NE(Body(r).find("-word"), std::string::npos) << Body(r);
}

// The visible text of the run's main output for its target.
std::string VisibleText(const TRunResult& r, const std::string& target) {
  using namespace output_text;
  if (target == "ipf") return Flat(IpfText(FileOf(r, "DOC.IPF")));
  if (target == "rtftext") return Flat(RtfText(FileOf(r, "DOC.RTF")));
  return Flat(HtmlText(HtmlBody(FileOf(r, "DOC\\N000.HTML"))));
}

struct ListTextCase {
  const char* lines;     // the lines after the heading; an open list before the text
  const char* expected;  // the words as a reader sees them, list characters included
};

// Inside an open list, a list character that no blank follows starts text, not an item, and
// stays in the output, in every target and in hard and soft source format alike.
TEST(LineStart, ListCharacterBeforeTextInsideAListIsKept) {
  const ListTextCase cases[] = {
      {"- item one\n-5 degrees is cold\n", "item one -5 degrees is cold"},
      {"- item one\n\n-5 degrees is cold\n", "item one -5 degrees is cold"},
      {"- item one\n  -5 degrees is cold\n", "item one -5 degrees is cold"},
      {"- item one\n*starred word\n", "item one *starred word"},
      {"- item one\n  * sub\n    -minus\n", "sub -minus"},
  };
  for (const char* target : {"html", "ipf", "rtftext"}) {
    for (bool soft : {false, true}) {
      for (const ListTextCase& c : cases) {
        TestRun m(WholeRun(target));
        m->Switches.SoftLineEnds = soft;
        m->Ini.ContentsInternal = false;
        m->Ini.CreateContents = false;
        const auto r = CompileText(m, Crlf(std::string(".1\nTitle\n\n") + c.lines + "\nEnd.\n"));
        ASSERT_EQ(r.ExitCode, -1) << r.Console;
        std::string text = VisibleText(r, target);
        EXPECT_NE(text.find(c.expected), std::string::npos)
            << target << (soft ? " soft: " : " hard: ") << c.lines << "\n"
            << text;
      }
    }
  }
}

TEST(LineStart, RtfNumberedListIndents) {
  TestRun m(WholeRun("rtftext"));
  m->Ini.ContentsInternal = false;
  m->Ini.CreateContents = false;
  const auto r = CompileText(m, Crlf(".1\nT\n\n.OL\n- one\n- two\n  * sub\n\nEnd.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& rtf = FileOf(r, "DOC.RTF");
  EXPECT_NE(rtf.find("\\par\r\n\\par\\fi-288 \\li288 \\tx288 1.\\tab "), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\par\r\n2.\\tab "), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\par\\fi-288 \\li576 \\tx576 a.\\tab "), std::string::npos) << rtf;
}

TEST(LineStart, IpfMarginFromIndentation) {
  TestRun m(WholeRun("ipf"));
  const auto r = CompileText(m, Crlf(".1\nT\n\n    indented\n    again\n\nEnd.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& ipf = FileOf(r, "DOC.IPF");
  const std::size_t first = ipf.find(":lm margin=4.");
  EXPECT_NE(first, std::string::npos) << ipf;
  EXPECT_EQ(ipf.find(":lm margin=", first + 1), std::string::npos) << ipf;
}

}  // namespace

namespace {

// WordStar input: a list character is any character followed by a soft space; the levels are
// learned from the order in which the characters appear.
TEST(LineStart, WordStarLevelsFollowTheCharacters) {
  TestRun m(WholeRun("html"));
  m->Switches.WordStarInput = true;
  const std::string soft = "\xA0";
  const std::string source = ".1\r\nT\r\n\r\n-" + soft + "a\r\n" + soft + soft + "*" + soft +
                             "b\r\n-" + soft + "c\r\n\r\nEnd.\r\n";
  const auto r = CompileText(m, source);
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& page = FileOf(r, "DOC\\N000.HTML");
  std::string tags;
  for (std::size_t i = 0; i < page.size(); ++i)
    if (page[i] != '\r' && page[i] != '\n' && page[i] != ' ') tags.push_back(page[i]);
  EXPECT_NE(tags.find("<ul><li>a<ul><li>b</ul><li>c"), std::string::npos) << page;
}

}  // namespace
