// The help files: panel numbers by name, dot-command help lines, the help topic shown for a
// number.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "formatter/common/file_services.h"
#include "formatter/common/help_lookup.h"
#include "formatter/common/message_boxes.h"
#include "tests/support/formatter_unit_support.h"

namespace tavrel {
namespace {

using unit_test::TempDir;
using unit_test::WriteAll;

HelpFiles MakeHelp(const TempDir& dir, std::uint8_t language, MessageBoxes* boxes) {
  HelpFiles help;
  help.ProgramDirectory = dir.Path().string();
  help.Language = language;
  help.Boxes = boxes;
  return help;
}

TEST(HelpLookupTest, PanelNumbersByExactName) {
  TempDir tmp;
  WriteAll(tmp / "tavdoc-e.pan",
           "  Introduction = 1001;\r\n  Dot commands = 2002;\n  Broken = x1;\r\nno sign\r\n");
  RecordingMessageBoxes boxes;
  HelpFiles help = MakeHelp(tmp, 0, &boxes);
  struct Case {
    const char* name;
    int number;
  };
  for (const Case c : {Case{"Introduction", 1001}, Case{"Dot commands", 2002}, Case{"Broken", 0},
                       Case{"introduction", 0}, Case{"Intro", 0}})
    EXPECT_EQ(LookUpPanelNumber(help, c.name), c.number) << c.name;
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(HelpLookupTest, MissingPanelTableIsReportedOnce) {
  TempDir tmp;
  RecordingMessageBoxes boxes;
  HelpFiles help = MakeHelp(tmp, 0, &boxes);
  EXPECT_EQ(LookUpPanelNumber(help, "x"), 0);
  EXPECT_EQ(LookUpPanelNumber(help, "y"), 0);
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].Text, "File " + (tmp / "tavdoc-e.pan") + " not found.");
}

TEST(HelpLookupTest, DotCommandHelpByCommandPrefix) {
  TempDir tmp;
  WriteAll(tmp / "tavdoc-e.pan", "  Page layout = 300;\r\n  Margins = 301;\r\n");
  WriteAll(tmp / "dothelpe.txt",
           ".XX = before any panel\r\n"
           "***Page layout\r\n"
           ".PL = page length in lines\r\n"
           "***Margins\r\n"
           ".RM1, = right margin\r\n"
           "^B = bold print\r\n");
  HelpFiles help = MakeHelp(tmp, 0, nullptr);
  struct Case {
    const char* line;
    std::string text;
    int panel;
  };
  const Case cases[] = {
      {".pl 66", ".PL  =  page length in lines", 300},
      {".RM60", ".RM1,  =  right margin", 301},
      {".XX 1", ".XX  =  before any panel", 0},
      {".XX", "", -1},  // the command is the text before "=", its blank included
      {".PA", "", -1},
      {"^B", "", -1},
  };
  for (const Case& c : cases) {
    std::int16_t panel = -1;
    std::string text = "old";
    LookUpDotCommandHelp(help, c.line, panel, text);
    EXPECT_EQ(text, c.text) << c.line;
    EXPECT_EQ(panel, c.panel) << c.line;
  }
}

TEST(HelpLookupTest, GermanHelpIsShownInTheWindowsCodePage) {
  TempDir tmp;
  WriteAll(tmp / "dothelpg.txt", ".FU= Fu\xE1noten\r\n");
  HelpFiles help = MakeHelp(tmp, 1, nullptr);
  std::int16_t panel = -1;
  std::string text;
  LookUpDotCommandHelp(help, ".FU[]", panel, text);
  EXPECT_EQ(text, ".FU =  Fu\xDFnoten");
}

TEST(HelpTopicTest, PrintsTheTopicNumberAndItsPanelName) {
  TempDir tmp;
  WriteAll(tmp / "tavdoc-e.pan", "  Dot commands = 12;\r\n  Fonts = 40;\n");
  RecordingMessageBoxes boxes;
  HelpFiles help = MakeHelp(tmp, 0, &boxes);
  struct Case {
    int number;
    const char* line;
  } cases[] = {
      {12, "Help topic 12: Dot commands"}, {40, "Help topic 40: Fonts"}, {7, "Help topic 7: ?"}};
  for (const Case& c : cases) {
    std::ostringstream out;
    EXPECT_EQ(ShowHelpTopic(help, c.number, out), c.line);
    EXPECT_EQ(out.str(), std::string(c.line) + "\n");
  }
  EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(HelpTopicTest, MissingPanelTableIsReportedOnceAndShowsNoName) {
  TempDir tmp;
  RecordingMessageBoxes boxes;
  HelpFiles help = MakeHelp(tmp, 0, &boxes);
  std::ostringstream out;
  EXPECT_EQ(ShowHelpTopic(help, 12, out), "Help topic 12: ?");
  EXPECT_EQ(ShowHelpTopic(help, 13, out), "Help topic 13: ?");
  ASSERT_EQ(boxes.Boxes().size(), 1u);
  EXPECT_NE(boxes.Boxes()[0].Text.find("tavdoc-e.pan"), std::string::npos);
}

}  // namespace
}  // namespace tavrel
