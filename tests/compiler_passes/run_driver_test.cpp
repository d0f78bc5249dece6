// The output pass's character loop: target conditions, raw HTML blocks, excluded text and the
// closing messages and exit codes of a run.
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

struct TConditionCase {
  const char* Target;
  const char* Shown;   // word expected in the output
  const char* Hidden;  // word that must not appear
  const char* File;
};

// Test output shows target and word instead of dumping the case's bytes.
void PrintTo(const TConditionCase& c, std::ostream* os) { *os << c.Target << " shows " << c.Shown; }

class TargetConditions : public ::testing::TestWithParam<TConditionCase> {};

TEST_P(TargetConditions, NameTheTarget) {
  const TConditionCase& c = GetParam();
  TestRun m(WholeRun(c.Target));
  m->Ini.CreateContents = false;
  const std::string source =
      ".1\nT\n\n.IF html\nwordhtml\n.EN\n.IF htmlhelp\nwordhelp\n.EN\n.IF ipf\nwordipf\n.EN\n"
      ".IF winhelp3\nwordthree\n.EN\n.IF winhelp4\nwordfour\n.EN\n.IF winhelp\nwordrtf\n.EN\n";
  const auto r = CompileText(m, Crlf(source));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& text = FileOf(r, c.File);
  EXPECT_NE(text.find(c.Shown), std::string::npos) << text;
  EXPECT_EQ(text.find(c.Hidden), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, TargetConditions,
    ::testing::Values(TConditionCase{"html", "wordhtml", "wordhelp", "DOC\\N000.HTML"},
                      TConditionCase{"htmlhelp", "wordhelp", "wordipf", "DOC\\N000.HTML"},
                      TConditionCase{"ipf", "wordipf", "wordhtml", "DOC.IPF"},
                      TConditionCase{"winhelp3", "wordthree", "wordfour", "DOC.RTF"},
                      TConditionCase{"winhelp3", "wordrtf", "wordhtml", "DOC.RTF"},
                      TConditionCase{"winhelp4", "wordfour", "wordthree", "DOC.RTF"},
                      TConditionCase{"rtftext", "wordfour", "wordthree", "DOC.RTF"}),
    [](const ::testing::TestParamInfo<TConditionCase>& info) {
      return std::string(info.param.Target) + "_shows_" + info.param.Shown;
    });

TEST(RunDriver, RawHtmlBlockIsCopiedUntilHy) {
  TestRun m(WholeRun("html"));
  const auto r =
      CompileText(m, Crlf(".1\nT\n\nBefore\n.HT\n<b>raw & \"kept\"</b>\n.hy rest\nAfter\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const std::string& page = FileOf(r, "DOC\\N000.HTML");
  EXPECT_NE(page.find("<br>\r\n<b>raw & \"kept\"</b>\r\n"), std::string::npos) << page;
  EXPECT_EQ(page.find("rest"), std::string::npos) << page;
  EXPECT_NE(page.find("After"), std::string::npos) << page;
  TestRun ipf(WholeRun("ipf"));
  const auto ri = CompileText(ipf, Crlf(".1\nT\n\nBefore\n.HT\n<b>raw</b>\n.HY\nAfter\n"));
  EXPECT_EQ(FileOf(ri, "DOC.IPF").find("raw"), std::string::npos);
}

TEST(RunDriver, FinalMessagesPerTarget) {
  struct {
    const char* Target;
    const char* Message;
    const char* Absent;
  } cases[] = {{"html", "successful creation of 3 HTML files", "HHP file created"},
               {"htmlhelp", "HHP file created", "Successful creation of"},
               {"ipf", "Successful creation of IPF file.", "HTML files"},
               {"winhelp4", "Successful creation of RTF and HPJ file.", "HTML files"},
               {"rtftext", "Successful creation of RTF file.", "HPJ"}};
  for (const auto& c : cases) {
    TestRun m(WholeRun(c.Target));
    const auto r = CompileText(m, Crlf(".1\nA\n\n^Text here.\n.1\nB\n\nMore.\n"));
    EXPECT_EQ(r.ExitCode, -1) << c.Target << r.Console;
    EXPECT_TRUE(r.RunCompleted);
    EXPECT_NE(r.Console.find(c.Message), std::string::npos) << c.Target << r.Console;
    EXPECT_EQ(r.Console.find(c.Absent), std::string::npos) << c.Target << r.Console;
  }
}

TEST(RunDriver, TableLeftOpenIsReportedAtTheNextHeading) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nT\n\n.TA Open\na  b\n.1\nU\n\nText\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("Tables end command missing"), std::string::npos) << r.Console;
  EXPECT_NE(FileOf(r, "DOC\\N001.HTML").find("<h1><a name=\"hd2\">U</a></h1>"), std::string::npos);
}

TEST(RunDriver, LineDrawingLeftOpenAtTheEnd) {
  TestRun m(WholeRun("rtftext"));
  m->Ini.CreateContents = false;
  const auto r = CompileText(m, Crlf(".1\nT\n\n.LI +\n+-+\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(r.Console.find("line drawing end command missing"), std::string::npos) << r.Console;
}

TEST(RunDriver, EmptySourceStops) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, "");
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Console.find("source file is empty!"), std::string::npos);
}

}  // namespace

namespace {

// A line end inside a paragraph separates two words in every target, RTF included.
TEST(RunDriver, SoftLineEndKeepsWordsApartInRtf) {
  TestRun m(WholeRun("rtftext"));
  m->Switches.SoftLineEnds = true;
  m->Ini.CreateContents = false;
  const auto r = CompileText(m, Crlf(".1\nT\n\nfirst\nsecond line.\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  EXPECT_NE(FileOf(r, "DOC.RTF").find("first \r\nsecond"), std::string::npos)
      << FileOf(r, "DOC.RTF");
}

}  // namespace
