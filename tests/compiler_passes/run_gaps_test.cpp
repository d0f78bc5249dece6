// Run behaviour around the output pass: the user break (Ctrl+C) and where it stops a run, the
// link modes of .EX/.LOCAL/.URL, the frame group of WinHelp 4 and the reader's dot-line mark.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "compiler/passes/compiler_run.h"
#include "compiler/foundation/source_buffer.h"
#include "compiler/passes/dot_dispatcher.h"
#include "compiler/passes/output_pass.h"
#include "compiler/passes/run_preparation.h"
#include "compiler/passes/source_reader.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool AnyFileHas(const TRunResult& r, const std::string& part) {
  for (const auto& [name, text] : r.Files)
    if (Has(text, part)) return true;
  return false;
}

// ---- User break ----------------------------------------------------------------------------

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
    EXPECT_TRUE(Has(m.console->Text, c.Message)) << m.console->Text;
  }
}

TEST(UserBreak, RequestedBeforeTheRunStopsItAtTheFirstHeading) {
  TestRun m(WholeRun());
  std::atomic<bool> flag{true};
  m->UserBreakRequested = &flag;
  const TRunResult r = CompileText(m, Crlf(".1\nFirst\n\nSome text.\n"));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_FALSE(r.RunCompleted);
  EXPECT_TRUE(Has(r.Console, "User Break")) << r.Console;
  EXPECT_FALSE(Has(r.Console, "successful creation")) << r.Console;
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
  auto console = std::make_unique<BreakingConsole>(flag);
  m.console = console.get();
  m->reporter.SetConsole(std::move(console));
  m->UserBreakRequested = &flag;
}

const char* kTwoTopics = ".1\nFirst\n\nFirst topic text.\n.QQ\n\n.1\nSecond\n\nSecond topic text.\n";

// An HTML run stops at the next new page, after the page it was writing was ended.
TEST(UserBreak, HtmlRunStopsAtTheNextNewPage) {
  TestRun m(WholeRun("html"));
  std::atomic<bool> flag{false};
  BreakInFirstTopic(m, flag);
  const TRunResult r = CompileText(m, Crlf(kTwoTopics));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_TRUE(Has(r.Console, "User Break")) << r.Console;
  EXPECT_TRUE(AnyFileHas(r, "First topic text.")) << "the page that was ended is kept";
  EXPECT_FALSE(AnyFileHas(r, "Second topic text."));
}

// Without a new HTML file at the heading the output file is closed before the stop, so what
// was written stays on disk.
TEST(UserBreak, SingleFileTargetsCloseTheirFileFirst) {
  for (const char* target : {"ipf", "winhelp4", "rtftext", "html"}) {
    TestRun m(WholeRun(target));
    m->ini.NewFileLevel = 0;  // HTML: everything in one page
    std::atomic<bool> flag{false};
    BreakInFirstTopic(m, flag);
    const TRunResult r = CompileText(m, Crlf(kTwoTopics));
    EXPECT_EQ(r.ExitCode, 2) << target;
    EXPECT_TRUE(Has(r.Console, "User Break")) << target;
    EXPECT_TRUE(AnyFileHas(r, "First topic text")) << target;
    EXPECT_FALSE(AnyFileHas(r, "Second topic text")) << target;
  }
}

// ---- Link modes of .EX, .LOCAL and .URL ------------------------------------------------------

struct LinkModeCase {
  const char* Target;
  const char* Line;  // dot line without its dot
  bool ExternalBlock, LinkModeExternal, LinkModeLocal, LinkModeUrl;
};

TEST(LinkModes, DotCommandsSetTheModesOfTheTarget) {
  const LinkModeCase cases[] = {
      {"html", "EX guide.hlp", true, false, false, false},
      {"htmlhelp", "EX tool.exe", true, false, false, false},
      {"ipf", "EX guide.inf", true, true, false, false},
      {"winhelp3", "EX other.hlp", true, true, false, false},
      {"rtftext", "EX tool.exe", true, true, false, false},
      {"ipf", "EX", false, false, true, false},
      {"ipf", "EX ", false, false, true, false},  // the trailing blank is cut first
      {"html", "URL http://example.com/", false, true, false, true},
      {"ipf", "URL http://example.com/", false, true, false, true},
      {"winhelp4", "URL http://example.com/", false, false, false, true},
      // WinHelp 3 takes nothing from .URL blocks; their index lines are skipped.
      {"winhelp3", "URL http://example.com/", false, false, false, true},
  };
  for (const LinkModeCase& c : cases) {
    TestRun m(WholeRun(c.Target));
    m->reader.DotLine = c.Line;
    DispatchDotCommand(*m, std::string(c.Line).substr(0, 2));
    const TCompileContext& cx = m->compile;
    const std::string what = std::string(c.Target) + " ." + c.Line;
    EXPECT_EQ(cx.ExternalBlock, c.ExternalBlock) << what;
    EXPECT_EQ(cx.LinkModeExternal, c.LinkModeExternal) << what;
    EXPECT_EQ(cx.LinkModeLocal, c.LinkModeLocal) << what;
    EXPECT_EQ(cx.LinkModeUrl, c.LinkModeUrl) << what;
    // The index writers see the same mode.
    EXPECT_EQ(m->linkPass.ExternalBlock, c.LinkModeExternal) << what;
    EXPECT_EQ(m->linkPass.LocalLinks, c.LinkModeLocal) << what;
  }
}

TEST(LinkModes, LocalEndsEveryBlock) {
  for (const char* line : {"EX guide.inf", "URL http://example.com/"}) {
    TestRun m(WholeRun("ipf"));
    m->reader.DotLine = line;
    DispatchDotCommand(*m, std::string(line).substr(0, 2));
    m->reader.DotLine = "LOCAL";
    DispatchDotCommand(*m, "LO");
    const TCompileContext& cx = m->compile;
    EXPECT_FALSE(cx.ExternalBlock) << line;
    EXPECT_FALSE(cx.LinkModeExternal) << line;
    EXPECT_TRUE(cx.LinkModeLocal) << line;
    EXPECT_FALSE(cx.LinkModeUrl) << line;
  }
}

// Whole runs: index lines and marked expressions inside external blocks give no false reports,
// and index lines after .LOCAL are written again.
struct BlockRunCase {
  const char* Target;
  const char* Source;
  const char* Absent;   // in no file and not on the console
  const char* Present;  // in some output file, or "" for none
};

TEST(LinkModes, BlocksInWholeRuns) {
  const BlockRunCase cases[] = {
      // HTML skips .EX blocks: a marked word inside is neither looked up nor reported.
      {"html", ".1\nTop\n\nText.\n.EX guide.hlp\nSee ^helper there.\n.LOCAL\nMore.\n", "marked expression",
       ""},
      // WinHelp 3 skips .URL blocks: their index lines are not reported as missing.
      {"winhelp3", ".1\nTop\n\nText.\n.URL http://example.com/\n.SW homepage\n.LOCAL\nMore.\n",
       "marked expression", ""},
      // IPF: an index line inside the external block writes nothing; after .LOCAL it does.
      {"ipf", ".1\nTop\n\nText.\n.EX tool.exe\n.SW launcher\n.LOCAL\n.SW kettle\nMore.\n", "launcher",
       ":i1 id=i"},
  };
  for (const BlockRunCase& c : cases) {
    TestRun m(WholeRun(c.Target));
    const TRunResult r = CompileText(m, Crlf(c.Source));
    EXPECT_EQ(r.ExitCode, -1) << c.Target << r.Console;
    EXPECT_FALSE(Has(r.Console, c.Absent)) << c.Target << r.Console;
    EXPECT_FALSE(AnyFileHas(r, std::string(":i1.") + c.Absent)) << c.Target;
    if (*c.Present) {
      EXPECT_TRUE(AnyFileHas(r, c.Present)) << c.Target;
      EXPECT_TRUE(AnyFileHas(r, "kettle")) << c.Target;
    }
  }
}

// ---- Frame groups in WinHelp 4 ----------------------------------------------------------------

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
    m->ini.MainChapterLinkText = "Back to";
    m->switches.NoFramesSwitch = c.NoFramesSwitch;
    const TRunResult r = CompileText(m, Crlf(
        ".WA verti 30\n.1\nChapter\n\nIntro.\n.2\nSection\n\nBody.\n.1\nOther\n\nEnd.\n"));
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

// ---- The reader's dot-line mark ---------------------------------------------------------------

// The mark after each character of the text: set from the dot that begins a line up to the
// first character of the next line.
std::string MarksOf(TestRun& m, const std::string& text) {
  CompilerRun& run = *m;
  run.source.Data.assign(text.begin(), text.end());
  RewindSource(run);
  PrimeReaderWindow(run);
  std::string marks;
  while (!SourceEof(run)) {
    ReadSourceChar(run);
    marks.push_back(run.reader.DotLineMark ? '1' : '0');
  }
  return marks;
}

TEST(DotLineMark, MarksTheDotLinesOfTheText) {
  struct Case {
    const char* Text;
    bool WordStar;
    const char* Marks;  // one per character read (a CR LF pair is one)
  };
  const Case cases[] = {
      {"ab\r\n.TI x\r\ncd", false, "000" "11111" "1" "00"},
      {".1\r\nHead", false, "11" "1" "0000"},          // the first byte starts a line
      {"a.b\r\n\r\n.\r\nx", false, "000" "0" "0" "1" "1" "0"},  // a dot inside a line is none
      {"ab\n.IF x\nc", false, "000" "11111" "1" "0"},  // bare line feeds end lines too
      {"a\r\n.SN A\r\nb", true, "00" "11111" "1" "0"},  // WordStar input
  };
  for (const Case& c : cases) {
    TestRun m(WholeRun());
    m->switches.WordStarInput = c.WordStar;
    EXPECT_EQ(MarksOf(m, c.Text), c.Marks) << c.Text;
  }
}

TEST(DotLineMark, PreparationClearsIt) {
  TestRun m(WholeRun());
  m->reader.DotLineMark = true;
  PrepareCompileRun(*m);
  EXPECT_FALSE(m->reader.DotLineMark);
}

// The output pass takes dot lines from the mark: a dot inside a line stays text, a dot at a
// line start is a command, also on the very first line.
TEST(DotLineMark, OutputPassTakesCommandsOnlyAtLineStarts) {
  TestRun m(WholeRun("ipf"));
  const TRunResult r =
      CompileText(m, Crlf(".TI Manual\n.1\nTop\n\nA line with .SN a dot.\n.OC ON\nCentred.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& ipf = FileOf(r, "DOC.IPF");
  EXPECT_TRUE(Has(ipf, ":title.Manual")) << ipf;
  EXPECT_TRUE(Has(ipf, "A line with &per.SN a dot&per.")) << ipf;
  EXPECT_TRUE(Has(ipf, ":lines align=center.")) << ipf;
  EXPECT_FALSE(Has(r.Console, "unknown dot command")) << r.Console;
}

}  // namespace
