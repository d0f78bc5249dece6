// Single behaviours of the link pass: the index character commands, URL targets, the length
// limit of index expressions, .DP parsing and frame groups.
#include <gtest/gtest.h>

#include "tests/support/compiler_test_support.h"
#include "tests/support/pass_fakes.h"

namespace skeldon {
namespace {

TEST(LinkPass, IndexCharacterCommands) {
  struct Case {
    const char* line;
    std::uint8_t indexChar;
  } cases[] = {{".IC #", '#'}, {".IC#", '#'}, {".IC  ", ' '},
               {".ST $", '$'}, {".IZ@", '@'}, {".IC", '%'}};
  for (const Case& c : cases) {
    TestRun t;
    t->Ini.IndexChar = '%';
    t.Load(std::string(".1\r\nA\r\n") + c.line + "\r\ntext\r\n");
    RunPrepasses(*t);
    EXPECT_EQ(t->LinkPass.IndexChar, c.indexChar) << c.line;
  }
}

TEST(LinkPass, UrlTargets) {
  struct Case {
    const char* line;
    const char* target;
  } cases[] = {
      {".URL http://x.org/a", "http://x.org/a"},
      {".URL  http://x.org/a", " http://x.org/a"},
      {".URL FILE:C:\\Dir\\Page", "file:C:/Dir/Page"},
      {".url Mailto:Me@X", "mailto:Me@X"},
  };
  for (const Case& c : cases) {
    TestRun t;
    t.Load(std::string(".1\r\nA\r\n") + c.line + "\r\n.IN entry\r\n.LOCAL\r\n");
    RunPrepasses(*t);
    const TIndexEntry* e = FindIndexEntry(*t, "entry", nullptr, false);
    ASSERT_TRUE(e && e->LinkTarget) << c.line;
    EXPECT_EQ(*e->LinkTarget, c.target) << c.line;
    EXPECT_TRUE(e->IsUrl && e->Unlisted);
  }
}

TEST(LinkPass, IndexExpressionLengthLimit) {
  TestRun ok;
  ok.Load(".1\r\nA\r\n.IN " + std::string(150, 'a') + "\r\n");
  EXPECT_NO_THROW(RunPrepasses(*ok));
  TestRun tooLong;
  tooLong.Load(".1\r\nA\r\n.IN " + std::string(151, 'a') + "\r\n");
  try {
    RunPrepasses(*tooLong);
    FAIL() << "no stop";
  } catch (const TerminateRun& stop) {
    EXPECT_EQ(stop.ExitCode, 2);
  }
  EXPECT_NE(tooLong.Text().find("end marker \":\" for index expression"), std::string::npos);
  // A colon-form expression that meets the index character stops the run as well.
  TestRun open;
  open.Load(".1\r\nA\r\nan #:open expression #here\r\n");
  EXPECT_THROW(RunPrepasses(*open), TerminateRun);
}

TEST(LinkPass, HeadingLevelStyles) {
  struct Case {
    const char* line;
    int level;
    bool index, keywords, comma;
    const char* message;
  } cases[] = {
      {".DP 2#", 2, true, false, false, nullptr},
      {".DP 2##", 2, true, true, false, nullptr},
      {".DP 3,#", 3, true, false, true, nullptr},
      {".DP #", 5, true, false, false, nullptr},
      {".DP 7", 4, false, false, false, "wrong char in .DP command"},
  };
  for (const Case& c : cases) {
    TestRun t;
    t.Load(std::string(c.line) + "\r\n");
    // Sources of .DP lines alone, which the real heading pass would stop for want of a heading.
    RunPrepassesWithFakeHeadings(*t);
    const THeadingLevelStyle& s = t->LinkPass.HeadingLevelStyles[c.level];
    EXPECT_EQ(s.IndexMark, c.index) << c.line;
    EXPECT_EQ(s.SecondIndexMark, c.keywords) << c.line;
    EXPECT_EQ(s.Comma, c.comma) << c.line;
    if (c.message) {
      EXPECT_NE(t.Text().find(c.message), std::string::npos) << c.line;
    }
  }
  TestRun clear;
  clear.Load(".DP 2##A\r\n.DP -\r\n");
  RunPrepassesWithFakeHeadings(*clear);
  EXPECT_FALSE(clear->LinkPass.HeadingLevelStyles[2].IndexMark);
  EXPECT_FALSE(clear->LinkPass.HeadingLevelStyles[2].LetterGiven);
}

TEST(LinkPass, FrameGroupsEndAtTheSameOrAHigherLevel) {
  TestRun t;
  t.Load(".WA\r\n.WA\r\n.1\r\nG\r\n.IN g\r\n.2\r\nIn\r\n.IN in\r\n.1\r\nOut\r\n.IN out\r\n");
  RunPrepasses(*t);
  const TIndexEntry* g = FindIndexEntry(*t, "g", nullptr, false);
  const TIndexEntry* in = FindIndexEntry(*t, "in", nullptr, false);
  const TIndexEntry* out = FindIndexEntry(*t, "out", nullptr, false);
  ASSERT_TRUE(g && in && out);
  EXPECT_TRUE(g->OpensFrameGroup);
  EXPECT_EQ(g->GroupFileNumber, 4);  // three times heading 1, plus 1
  EXPECT_EQ(in->GroupFileNumber, 4);
  EXPECT_FALSE(in->OpensFrameGroup);
  EXPECT_EQ(in->FileNumber, 1);  // every heading of a group is a page
  EXPECT_EQ(out->GroupFileNumber, -99);
  EXPECT_TRUE(t->IndexStore.FrameGroupsUsed);
  TestRun noFrames;
  noFrames->Switches.NoFrames = true;
  noFrames.Load(".WA\r\n.1\r\nG\r\n.IN g\r\n");
  RunPrepasses(*noFrames);
  EXPECT_FALSE(FindIndexEntry(*noFrames, "g", nullptr, false)->OpensFrameGroup);
}

TEST(LinkPass, ButtonBindingOnlyNamedRows) {
  // An empty .ID in a URL block must not bind the empty rows of the button table.
  TestRun t;
  t.Load(".URL http://x.org/\r\n.ID\r\n.ID forward\r\n.LOCAL\r\n");
  t->IniValues.ButtonTable[0][1] = TButtonEntry{2, "forward", "Forward", 0};
  t->IniValues.ButtonTable[0][2] = TButtonEntry{0, "", "", 0};
  // A source without a heading, which the real heading pass would stop.
  RunPrepassesWithFakeHeadings(*t);
  for (std::size_t code = 0; code < t->LinkPass.ButtonUrls.size(); ++code)
    EXPECT_EQ(t->LinkPass.ButtonUrls[code] != nullptr, code == 2) << code;
}

}  // namespace
}  // namespace skeldon
