// Frame layouts of ".WA"/".FA": the rectangles of every documented word combination, the
// HTML Help rule, and the messages of commands that are dropped or out of range.
#include <gtest/gtest.h>

#include "compiler/foundation/command_line.h"
#include "compiler/writers/frame_layout.h"
#include "tests/support/compiler_test_support.h"

using namespace skeldon;

namespace {

// "WxH LT" per frame: width, height, l/r and t/b.
std::string Describe(const CompilerRun& run, int frame) {
  const TGroupWindow& w = run.Passes.GroupWindowTable[frame];
  return std::to_string(w.WidthPercent) + "x" + std::to_string(w.HeightPercent) + " " +
         (w.Left ? "l" : "r") + (w.Top ? "t" : "b");
}

struct LayoutCase {
  const char* words;
  int levels;
  const char* frame1;
  const char* frame2;
  const char* frame3;  // "" for two frames
  const char* frame4;
};

TEST(FrameLayoutTest, LayoutsOfTheDocumentedWordCombinations) {
  const LayoutCase cases[] = {
      {"verti 30", 2, "30x100 lt", "70x100 rb", "", "70x100 rb"},
      {"hori 20", 2, "100x20 lt", "100x80 rb", "", "100x80 rb"},
      {"verti 30 hori 20", 3, "30x20 lt", "70x20 rt", "70x80 rb", "70x20 rt"},
      {"verti 30 hori 20 I", 3, "30x100 lt", "70x20 rt", "70x80 rb", "70x100 rt"},
      {"verti 30 hori 20 III", 3, "30x20 lt", "30x80 lb", "70x100 rb", "30x80 lb"},
      {"hori 20 verti 30", 3, "30x20 lt", "30x80 lb", "70x80 rb", "30x80 lb"},
      {"hori 20 verti 30 III", 3, "30x20 lt", "70x20 rt", "100x80 rb", "70x20 rt"},
      {"hori 20 verti 30 I", 3, "100x20 lt", "30x80 lb", "70x80 rb", "100x80 lb"},
  };
  for (const LayoutCase& c : cases) {
    TestRun t("html");
    SplitWords(*t, c.words);
    HandleFrameCommand(*t);
    EXPECT_EQ(t->Passes.GroupWindowCount, c.levels) << c.words;
    EXPECT_EQ(Describe(*t, 1), c.frame1) << c.words;
    EXPECT_EQ(Describe(*t, 2), c.frame2) << c.words;
    if (c.levels == 3) {
      EXPECT_EQ(Describe(*t, 3), c.frame3) << c.words;
    }
    EXPECT_EQ(Describe(*t, 4), c.frame4) << c.words;
    EXPECT_TRUE(t->LinkPass.FramePending) << c.words;
    EXPECT_EQ(t.Text(), "") << c.words;
  }
}

TEST(FrameLayoutTest, HtmlHelpTakesEveryNumberAsHorizontalSplit) {
  TestRun t("htmlhelp");
  SplitWords(*t, "verti 30");
  HandleFrameCommand(*t);
  EXPECT_EQ(t->Passes.GroupWindowCount, 2);
  EXPECT_EQ(Describe(*t, 1), "100x30 lt");
  EXPECT_EQ(Describe(*t, 2), "100x70 rb");
}

struct MessageCase {
  const char* words;
  const char* message;  // English text; empty: none
  bool accepted;
  const char* frame1;
};

TEST(FrameLayoutTest, WrongCommandsAreReportedAndDroppedOrClamped) {
  const MessageCase cases[] = {
      {"hori 5", "per cent values in dot command .WA should be between 10 and 90", true,
       "100x5 lt"},
      {"hori", "more parameters in dot command .WA required", false, ""},
      {"30", "in the .WA dot command, per cent values has to be after \"hori\" or \"verti\"", false,
       ""},
      {"HORI 20", "unknown parameter \"HORI\" in dot command .WA", false, ""},
      // Beyond the window: reported, then kept inside it so no frame wraps to a huge size.
      {"verti 150", "per cent values in dot command .WA should be between 10 and 90", true,
       "99x100 lt"},
      {"verti 0", "per cent values in dot command .WA should be between 10 and 90", true,
       "1x100 lt"},
      {"verti 99999999999999999999",
       "per cent values in dot command .WA should be between 10 and 90", true, "99x100 lt"},
  };
  for (const MessageCase& c : cases) {
    TestRun t("html");
    t->Passes.GroupWindowTable[1].WidthPercent = 42;  // an earlier layout
    SplitWords(*t, c.words);
    HandleFrameCommand(*t);
    EXPECT_NE(t.Text().find(c.message), std::string::npos) << c.words << ": " << t.Text();
    EXPECT_EQ(t->LinkPass.FramePending, c.accepted) << c.words;
    if (c.accepted) {
      EXPECT_EQ(Describe(*t, 1), c.frame1) << c.words;
    } else {
      EXPECT_EQ(t->Passes.GroupWindowTable[1].WidthPercent, 42) << c.words;
    }
    EXPECT_FALSE(t->RunSuccess) << c.words;
  }
}

TEST(FrameLayoutTest, GermanMessageIsChosenByLanguage) {
  TestRun t("html");
  t->Language = 1;
  SplitWords(*t, "hori");
  HandleFrameCommand(*t);
  EXPECT_NE(t.Text().find("Zu wenig Parameter hinter .FA"), std::string::npos) << t.Text();
}

}  // namespace
