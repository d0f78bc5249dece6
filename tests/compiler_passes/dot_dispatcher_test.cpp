// Dot commands of the output pass, through the whole compile run.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "compiler/passes/dot_dispatcher.h"
#include "compiler/passes/source_char_output.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

TRunResult Html(const std::string& source, TestRun& m) { return CompileText(m, Crlf(source)); }

TEST(DotDispatcher, CentringIsWrittenOnce) {
  TestRun m(WholeRun("html"));
  const auto r = Html(".1\nT\n\n.OC ON\n.OC ON\nMiddle\n.OC OFF\n.OC OFF\nEnd\n", m);
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& page = FileOf(r, "DOC\\N000.HTML");
  EXPECT_EQ(Count(page, "<div align=center>"), 1u) << page;
  EXPECT_EQ(Count(page, "</div>"), 1u) << page;
}

struct TUnknownCase {
  const char* Line;
  const char* Letters;
};

// Test output shows the line instead of dumping the case's bytes.
void PrintTo(const TUnknownCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(std::string(c.Line));
}

// A test name from a dot line: its letters and digits, other characters as "_".
std::string LineName(const char* line) {
  std::string n;
  for (const char* p = line + 1; *p; ++p)
    n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return n;
}

class UnknownCommands : public ::testing::TestWithParam<TUnknownCase> {};

TEST_P(UnknownCommands, AreReportedWithTheirLetters) {
  TestRun m(WholeRun("html"));
  const auto r = Html(std::string(".1\nT\n\nText\n") + GetParam().Line + "\nMore\n", m);
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find(std::string("Par 5: unknown dot command .") + GetParam().Letters),
            std::string::npos)
      << r.Console;
  EXPECT_FALSE(r.RunSuccess);
}

INSTANTIATE_TEST_SUITE_P(Lines, UnknownCommands,
                         ::testing::Values(TUnknownCase{".XY", "XY"}, TUnknownCase{".OC  ON", "OC"},
                                           TUnknownCase{".OCxx", "OC"},
                                           TUnknownCase{".7 Title", "7 "}, TUnknownCase{".0", "0"}),
                         [](const ::testing::TestParamInfo<TUnknownCase>& info) {
                           return LineName(info.param.Line);
                         });

TEST(DotDispatcher, UnknownCommandsAreQuietWithSwitchQ) {
  TestRun m(WholeRun("html"));
  m->Switches.QuietSourceErrors = true;
  const auto r = Html(".1\nT\n\nText\n.XY\nMore\n", m);
  EXPECT_EQ(r.Console.find("unknown dot command"), std::string::npos);
  EXPECT_TRUE(r.RunSuccess);
}

TEST(DotDispatcher, HeadingTagDigits) {
  TestRun m(WholeRun("html"));
  const auto r = Html(".HS 222222\n.1\nT\n\nText\n.HS 12345\n.1\nU\n\nText\n", m);
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(FileOf(r, "DOC\\N000.HTML").find("<h2><a name=\"hd1\">T</a></h2>"), std::string::npos);
  EXPECT_NE(r.Console.find("Wrong usage of .HS 123456"), std::string::npos);
  EXPECT_NE(FileOf(r, "DOC\\N001.HTML").find("<h1><a name=\"hd2\">U</a></h1>"), std::string::npos);
}

TEST(DotDispatcher, DigitLineIsAHeadingOfItsFirstDigit) {
  TestRun m(WholeRun("html"));
  const auto r = Html(".1\nT\n\nText\n.12\nSecond\n\nText\n", m);
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(FileOf(r, "DOC\\N001.HTML").find("<h1><a name=\"hd2\">Second</a></h1>"),
            std::string::npos);
}

TEST(DotDispatcher, CommentLinesAndTitleLineWriteNothing) {
  TestRun m(WholeRun("ipf"));
  const auto r = CompileText(m, Crlf(".TI\nMy Title\n..a comment\n.1\nT\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& ipf = FileOf(r, "DOC.IPF");
  EXPECT_NE(ipf.find(":title.My Title\r\n"), std::string::npos) << ipf;
  EXPECT_EQ(Count(ipf, "My Title"), 1u) << ipf;
  EXPECT_EQ(ipf.find("comment"), std::string::npos) << ipf;
}

struct TFrameCase {
  const char* Line;
  const char* Rows;
};

// Test output shows the line instead of dumping the case's bytes.
void PrintTo(const TFrameCase& c, std::ostream* os) { *os << c.Line; }

class FootnoteFramePercent : public ::testing::TestWithParam<TFrameCase> {};

TEST_P(FootnoteFramePercent, SetsTheNotesFrameHeight) {
  TestRun m(WholeRun("html"));
  const auto r = Html(std::string(GetParam().Line) + "\n.FU {}\n.1\nT\n\nText{note} more.\n", m);
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(FileOf(r, "DOC\\N000.HTML").find(GetParam().Rows), std::string::npos)
      << FileOf(r, "DOC\\N000.HTML");
}

INSTANTIATE_TEST_SUITE_P(Values, FootnoteFramePercent,
                         ::testing::Values(TFrameCase{".FS 90", "<FRAMESET ROWS=\"*,90%\">"},
                                           TFrameCase{".FS 91", "<FRAMESET ROWS=\"*,15%\">"},
                                           TFrameCase{".FS", "<FRAMESET ROWS=\"*,15%\">"},
                                           TFrameCase{".FS x", "<FRAMESET ROWS=\"*,15%\">"},
                                           TFrameCase{".FS 125", "<FRAMESET ROWS=\"*,12%\">"}),
                         [](const ::testing::TestParamInfo<TFrameCase>& info) {
                           return LineName(info.param.Line);
                         });

TEST(DotDispatcher, DotLineCharacters) {
  CompilerRun run;
  struct {
    const char* Line;
    int N;
    std::uint8_t Expected;
  } cases[] = {{"FM ON", 4, 'N'}, {"FMON", 4, 'N'}, {"FM", 3, 0}, {"FM ON", 6, 0}, {"TC+", 3, '+'}};
  for (const auto& c : cases) {
    run.Reader.DotLine = c.Line;
    EXPECT_EQ(GetDotLineChar(run, c.N), c.Expected) << c.Line << " " << c.N;
  }
  EXPECT_EQ(DotArgumentText("TT  two blanks"), " two blanks");
  EXPECT_EQ(DotArgumentText("TI"), "");
}

// The link modes of .EX, .LOCAL and .URL.
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
    m->Reader.DotLine = c.Line;
    DispatchDotCommand(*m, std::string(c.Line).substr(0, 2));
    const TCompileContext& cx = m->Compile;
    const std::string what = std::string(c.Target) + " ." + c.Line;
    EXPECT_EQ(cx.ExternalBlock, c.ExternalBlock) << what;
    EXPECT_EQ(cx.LinkModeExternal, c.LinkModeExternal) << what;
    EXPECT_EQ(cx.LinkModeLocal, c.LinkModeLocal) << what;
    EXPECT_EQ(cx.LinkModeUrl, c.LinkModeUrl) << what;
    // The index writers see the same mode.
    EXPECT_EQ(m->LinkPass.ExternalBlock, c.LinkModeExternal) << what;
    EXPECT_EQ(m->LinkPass.LocalLinks, c.LinkModeLocal) << what;
  }
}

TEST(LinkModes, LocalEndsEveryBlock) {
  for (const char* line : {"EX guide.inf", "URL http://example.com/"}) {
    TestRun m(WholeRun("ipf"));
    m->Reader.DotLine = line;
    DispatchDotCommand(*m, std::string(line).substr(0, 2));
    m->Reader.DotLine = "LOCAL";
    DispatchDotCommand(*m, "LO");
    const TCompileContext& cx = m->Compile;
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
      {"html", ".1\nTop\n\nText.\n.EX guide.hlp\nSee ^helper there.\n.LOCAL\nMore.\n",
       "marked expression", ""},
      // WinHelp 3 skips .URL blocks: their index lines are not reported as missing.
      {"winhelp3", ".1\nTop\n\nText.\n.URL http://example.com/\n.SW homepage\n.LOCAL\nMore.\n",
       "marked expression", ""},
      // IPF: an index line inside the external block writes nothing; after .LOCAL it does.
      {"ipf", ".1\nTop\n\nText.\n.EX tool.exe\n.SW launcher\n.LOCAL\n.SW kettle\nMore.\n",
       "launcher", ":i1 id=i"},
  };
  for (const BlockRunCase& c : cases) {
    TestRun m(WholeRun(c.Target));
    const TRunResult r = CompileText(m, Crlf(c.Source));
    EXPECT_EQ(r.ExitCode, -1) << c.Target << r.Console;
    EXPECT_FALSE(Contains(r.Console, c.Absent)) << c.Target << r.Console;
    EXPECT_FALSE(AnyFileHas(r, std::string(":i1.") + c.Absent)) << c.Target;
    if (*c.Present) {
      EXPECT_TRUE(AnyFileHas(r, c.Present)) << c.Target;
      EXPECT_TRUE(AnyFileHas(r, "kettle")) << c.Target;
    }
  }
}

}  // namespace
