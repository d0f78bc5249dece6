// The heading structure of a source: the heading tree and the stops and reports of bad
// structures, run through the whole compile run.
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

struct TStructureCase {
  const char* Name;
  const char* Source;
  int ExitCode;         // -1 for a run that ends normally; every stop exits with 2
  const char* Message;  // expected in the console, "" for none
  bool RunSuccess;
};

// Test output names the case instead of dumping its bytes.
void PrintTo(const TStructureCase& c, std::ostream* os) { *os << c.Name; }

class HeadingStructure : public ::testing::TestWithParam<TStructureCase> {};

TEST_P(HeadingStructure, StopsOrReports) {
  const TStructureCase& c = GetParam();
  TestRun m(WholeRun("html"));
  const TRunResult r = CompileText(m, Crlf(c.Source));
  EXPECT_EQ(r.ExitCode, c.ExitCode) << r.Console;
  if (*c.Message) {
    EXPECT_NE(r.Console.find(c.Message), std::string::npos) << r.Console;
  }
  if (c.ExitCode == -1) {
    EXPECT_TRUE(r.RunCompleted);
    EXPECT_EQ(r.RunSuccess, c.RunSuccess) << r.Console;
  } else {
    EXPECT_FALSE(r.RunCompleted);
  }
}

INSTANTIATE_TEST_SUITE_P(
    HeadingCases, HeadingStructure,
    ::testing::Values(TStructureCase{"NoHeading", "Just text.\n", 2,
                                     "You have to write at least one heading (.1) !", false},
                      TStructureCase{"FirstNotLevelOne", "Text\n.2\nTitle\n\nText\n", 2,
                                     "Par 2: first header has to be .1", false},
                      TStructureCase{"JumpOneToThree", ".1\nA\n\nText\n.3\nB\n\nText\n", -1,
                                     "heading level has jumped from 1 to 3", false},
                      TStructureCase{"OneThreeTwo", ".1\nA\n\nText\n.3\nB\n\nText\n.2\nC\n\nText\n",
                                     -1, "heading level has jumped from 1 to 3", false},
                      TStructureCase{"HeadingOnlyInFalseIf", ".IF nothing\n.1\nA\n\nText\n.EN\n", 2,
                                     "You have to write at least one heading", false},
                      TStructureCase{"Clean", ".1\nA\n\nText\n.2\nB\n\nMore\n", -1, "", true}),
    [](const ::testing::TestParamInfo<TStructureCase>& info) {
      return std::string(info.param.Name);
    });

// ".1 .3 .2": the ".2" heading has no cursor of its level; it becomes the next child of the
// ".1" heading and every page names its own heading.
TEST(HeadingPass, LevelGapKeepsTreeWellFormed) {
  TestRun m(WholeRun("html"));
  m->Ini.NewFileLevel = 3;
  const auto r = CompileText(m, Crlf(".1\nA\n\nText a\n.3\nB\n\nText b\n.2\nC\n\nText c\n"));
  ASSERT_EQ(r.ExitCode, -1) << r.Console;
  const THeadingNode* root = m->Passes.HeadingTreeRoot;
  ASSERT_NE(root, nullptr);
  ASSERT_NE(root->FirstChild, nullptr);
  EXPECT_EQ(root->FirstChild->HeadingNumber, 2);
  ASSERT_NE(root->FirstChild->NextSibling, nullptr);
  EXPECT_EQ(root->FirstChild->NextSibling->HeadingNumber, 3);
  const std::string& page = FileOf(r, "DOC\\N002.HTML");
  EXPECT_NE(page.find("<h2><a name=\"hd3\">C</a></h2>"), std::string::npos) << page;
}

TEST(HeadingPass, IdWordsThatLeaveTheDirectoryNameNoPage) {
  TestRun m(WholeRun("html"));
  const auto r = CompileText(m, Crlf(".1\nA\n\n.ID ..\\evil\nText\n.1\nB\n\n.ID good\nText\n"));
  ASSERT_EQ(r.ExitCode, -1);
  EXPECT_NE(r.Console.find(".ID word ..\\evil cannot name a file"), std::string::npos) << r.Console;
  EXPECT_EQ(r.Files.count("DOC\\N000.HTML"), 1u);
  EXPECT_EQ(r.Files.count("DOC\\GOOD.HTML"), 1u);
  for (const auto& [name, text] : r.Files) EXPECT_EQ(name.find(".."), std::string::npos) << name;
}

}  // namespace

namespace {

// A ".FA" or ".WA" frame group needs the "navi" window of WinHelp 4 and the window suffixes of
// the contents file and the jumps whether or not an index entry points into it.
TEST(FrameGroups, WindowsFollowTheGroupsNotTheIndex) {
  struct Case {
    const char* Name;
    const char* Source;
    bool Groups;
  } cases[] = {
      {"FA group, no index", ".1\nA\n\nText\n.FA\n.1\nB\n\nText\n.2\nC\n\nText\n", true},
      {"WA group, no index", ".1\nA\n\nText\n.WA\n.1\nB\n\nText\n.2\nC\n\nText\n", true},
      {"FA group, index entry", ".1\nA\n\nText\n.FA\n.1\nB\n.IN word\nText\n.2\nC\n\nText\n", true},
      {"no group", ".1\nA\n\nText\n.1\nB\n\nText\n.2\nC\n\nText\n", false},
  };
  for (const Case& c : cases) {
    TestRun m(WholeRun("winhelp4"));
    m->Ini.ContentsCntFile = true;
    m->Switches.ContentsDepth = 3;
    const auto r = CompileText(m, Crlf(c.Source));
    ASSERT_EQ(r.ExitCode, -1) << c.Name << r.Console;
    const std::string& hpj = FileOf(r, "DOC.HPJ");
    const std::string& cnt = FileOf(r, "DOC.CNT");
    ASSERT_FALSE(hpj.empty()) << c.Name;
    ASSERT_FALSE(cnt.empty()) << c.Name;
    EXPECT_EQ(Contains(hpj, "\r\nnavi=\"\",(0,,350,550)"), c.Groups) << c.Name << "\n" << hpj;
    EXPECT_EQ(Contains(cnt, ">navi\r\n"), c.Groups) << c.Name << "\n" << cnt;
    EXPECT_EQ(Contains(cnt, ">main\r\n"), c.Groups) << c.Name << "\n" << cnt;
  }
}

}  // namespace
