// Source line ends through whole compile runs in hard and soft source format: line blocks and
// PRE fonts keep every line end in every target, and words on either side of a line end that
// the soft format joins stay apart.
#include <gtest/gtest.h>

#include "compiler/foundation/ini_values.h"
#include "tests/support/compiler_test_support.h"
#include "tests/support/output_text.h"

using namespace skeldon;

namespace {

// The lines a reader sees in the main output of the run for its target.
std::string ReaderLines(const TRunResult& r, const std::string& target) {
  if (target == "ipf") return output_text::IpfText(FileOf(r, "DOC.IPF"));
  if (target == "rtftext") return output_text::RtfText(FileOf(r, "DOC.RTF"));
  return output_text::HtmlText(output_text::HtmlBody(FileOf(r, "DOC\\N000.HTML")));
}

TRunResult Compile(TestRun& m, [[maybe_unused]] const std::string& target, bool soft,
                   const std::string& body) {
  m->Switches.SoftLineEnds = soft;
  m->Ini.ContentsInternal = false;
  m->Ini.CreateContents = false;
  m->Ini.FontSpecs[FontLetterIndex('C')] = "Courier_New,Courier 10 PRE fmodern:Courier_New";
  return CompileText(m, Crlf(".1\nTitle\n\n" + body + "\nEnd.\n"));
}

struct KeptCase {
  const char* name;
  const char* body;      // the text after the heading
  const char* expected;  // the reader's lines from the first word on, "\n" between lines
};

// Inside a line block or a PRE font each source line stays a line of its own whatever the
// source format; the soft format joins only the lines of running text around them.
TEST(SoftLineEnds, LineBlocksAndPreFontsKeepEveryLineEnd) {
  const KeptCase cases[] = {
      {"line block", "before\n.BA\nblock one\nblock two\n.BE\nafter\nagain",
       "before\nblock one\nblock two\nafter again"},
      {"format off", "before\n.FM OFF\nblock one\nblock two\n.FM ON\nafter\nagain",
       "before\nblock one\nblock two\nafter again"},
      {"PRE font", "before\n\n.SN C\npre one\npre two\n.SN\n\nafter\nagain",
       "before\npre one\npre two\nafter again"},
  };
  for (const char* target : {"html", "ipf", "rtftext"}) {
    for (const KeptCase& c : cases) {
      TestRun m(WholeRun(target));
      const auto r = Compile(m, target, true, c.body);
      ASSERT_EQ(r.ExitCode, -1) << r.Console;
      const std::string lines = ReaderLines(r, target);
      EXPECT_NE(lines.find(c.expected), std::string::npos) << target << ", " << c.name << ":\n"
                                                           << lines;
    }
  }
}

struct JoinCase {
  const char* name;
  const char* body;
  const char* expected;  // the words in order, one blank between each two
};

// No two words on either side of a source line end are ever written as one, whatever markup
// the next line starts with.
TEST(SoftLineEnds, WordsOfJoinedLinesStayApart) {
  const JoinCase cases[] = {
      {"plain lines", "one\ntwo\nthree", "one two three"},
      {"punctuation at the end", "one,\ntwo", "one, two"},
      {"indented continuation", "line text\n   indented continuation\nend",
       "line text indented continuation end"},
      {"list item continued", "- item one\ncontinued here\n\nEnd of list",
       "item one continued here"},
      {"font change between", "one\n.SN C\ntwo\n.SN\nthree", "one two three"},
  };
  for (const char* target : {"html", "ipf", "rtftext"}) {
    for (bool soft : {false, true}) {
      for (const JoinCase& c : cases) {
        TestRun m(WholeRun(target));
        const auto r = Compile(m, target, soft, c.body);
        ASSERT_EQ(r.ExitCode, -1) << r.Console;
        const std::string words = output_text::Flat(ReaderLines(r, target));
        EXPECT_NE(words.find(c.expected), std::string::npos)
            << target << (soft ? " soft, " : " hard, ") << c.name << ":\n"
            << words;
      }
    }
  }
}

}  // namespace
