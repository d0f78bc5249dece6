// The output pass: where a user break (Ctrl+C) stops a run, and dot commands taken only at
// the start of a line.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "compiler/passes/output_pass.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

TEST(UserBreak, NothingHappensWithoutARequest) {
  TestRun m(WholeRun());
  EXPECT_NO_THROW(CheckUserBreak(*m));  // no flag at all (tests, tools)
  std::atomic<bool> flag{false};
  m->UserBreakRequested = &flag;
  EXPECT_NO_THROW(CheckUserBreak(*m));
  EXPECT_EQ(m.console->Text, "");
}

TEST(UserBreak, RequestStopsWithTheMessageOfTheLanguage) {
  struct Case {
    int Language;
    const char* Message;
  };
  for (const Case& c : {Case{0, "User Break"}, Case{1, "Benutzerabbruch"}}) {
    TestRun m(WholeRun());
    std::atomic<bool> flag{true};
    m->UserBreakRequested = &flag;
    m->Language = c.Language;
    int code = -1;
    try {
      CheckUserBreak(*m);
    } catch (const TerminateRun& stop) {
      code = stop.ExitCode;
    }
    // Code 98 is passed, but a run that did not complete always ends with 2.
    EXPECT_EQ(code, 2) << c.Message;
    EXPECT_TRUE(Contains(m.console->Text, c.Message)) << m.console->Text;
  }
}

TEST(UserBreak, RequestedBeforeTheRunStopsItAtTheFirstHeading) {
  TestRun m(WholeRun());
  std::atomic<bool> flag{true};
  m->UserBreakRequested = &flag;
  const TRunResult r = CompileText(m, Crlf(".1\nFirst\n\nSome text.\n"));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_FALSE(r.RunCompleted);
  EXPECT_TRUE(Contains(r.Console, "User Break")) << r.Console;
  EXPECT_FALSE(Contains(r.Console, "successful creation")) << r.Console;
}

// Ctrl+C pressed while the first topic is written: the console raises the flag when the
// message of the unknown command ".QQ" in that topic arrives.
class BreakingConsole : public TCapturingConsole {
 public:
  explicit BreakingConsole(std::atomic<bool>& flag) : flag_(flag) {}
  void Write(std::string_view bytes) override {
    TCapturingConsole::Write(bytes);
    if (bytes.find("unknown dot command .QQ") != std::string_view::npos) flag_ = true;
  }

 private:
  std::atomic<bool>& flag_;
};

void BreakInFirstTopic(TestRun& m, std::atomic<bool>& flag) {
  m.UseConsole(std::make_unique<BreakingConsole>(flag));
  m->UserBreakRequested = &flag;
}

const char* kTwoTopics =
    ".1\nFirst\n\nFirst topic text.\n.QQ\n\n.1\nSecond\n\nSecond topic text.\n";

// An HTML run stops at the next new page, after the page it was writing was ended.
TEST(UserBreak, HtmlRunStopsAtTheNextNewPage) {
  TestRun m(WholeRun("html"));
  std::atomic<bool> flag{false};
  BreakInFirstTopic(m, flag);
  const TRunResult r = CompileText(m, Crlf(kTwoTopics));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_TRUE(Contains(r.Console, "User Break")) << r.Console;
  EXPECT_TRUE(AnyFileHas(r, "First topic text.")) << "the page that was ended is kept";
  EXPECT_FALSE(AnyFileHas(r, "Second topic text."));
}

// Without a new HTML file at the heading the output file is closed before the stop, so what
// was written stays on disk.
TEST(UserBreak, SingleFileTargetsCloseTheirFileFirst) {
  for (const char* target : {"ipf", "winhelp4", "rtftext", "html"}) {
    TestRun m(WholeRun(target));
    m->Ini.NewFileLevel = 0;  // HTML: everything in one page
    std::atomic<bool> flag{false};
    BreakInFirstTopic(m, flag);
    const TRunResult r = CompileText(m, Crlf(kTwoTopics));
    EXPECT_EQ(r.ExitCode, 2) << target;
    EXPECT_TRUE(Contains(r.Console, "User Break")) << target;
    EXPECT_TRUE(AnyFileHas(r, "First topic text")) << target;
    EXPECT_FALSE(AnyFileHas(r, "Second topic text")) << target;
  }
}

// The output pass takes dot lines from the mark: a dot inside a line stays text, a dot at a
// line start is a command, also on the very first line.
TEST(DotLineMark, OutputPassTakesCommandsOnlyAtLineStarts) {
  TestRun m(WholeRun("ipf"));
  const TRunResult r =
      CompileText(m, Crlf(".TI Manual\n.1\nTop\n\nA line with .SN a dot.\n.OC ON\nCentred.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& ipf = FileOf(r, "DOC.IPF");
  EXPECT_TRUE(Contains(ipf, ":title.Manual")) << ipf;
  EXPECT_TRUE(Contains(ipf, "A line with &per.SN a dot&per.")) << ipf;
  EXPECT_TRUE(Contains(ipf, ":lines align=center.")) << ipf;
  EXPECT_FALSE(Contains(r.Console, "unknown dot command")) << r.Console;
}

}  // namespace
