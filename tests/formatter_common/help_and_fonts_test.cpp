#include <gtest/gtest.h>

#include <string>

#include "formatter/fonts/canvas_fonts.h"
#include "formatter/common/help_lookup.h"
#include "formatter/common/message_boxes.h"
#include "platform/recording_canvas.h"
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
  WriteAll(tmp / "tavdoc-e.pan", "  Introduction = 1001;\r\n  Dot commands = 2002;\n  Broken = x1;\r\nno sign\r\n");
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

TEST(CanvasFontTest, StyleWordsBecomeStyles) {
  struct Case {
    const char* text;
    const char* face;
    bool bold, italic;
  };
  for (const Case c : {Case{"Arial", "Arial", false, false}, Case{"Arial Bold", "Arial", true, false},
                       Case{"Times New Roman Italic Bold", "Times New Roman", true, true},
                       Case{"Courier New bold italic", "Courier New", true, true}}) {
    const FaceAndStyle s = SplitFaceStyle(c.text);
    EXPECT_EQ(s.Face, c.face) << c.text;
    EXPECT_EQ(s.Bold, c.bold) << c.text;
    EXPECT_EQ(s.Italic, c.italic) << c.text;
  }
}

TEST(CanvasFontTest, FontOrThinLinePen) {
  platform::RecordingCanvas canvas(300, 1000, 1000);
  ApplyFontSpec(&canvas, nullptr, "Arial Italic", 0x000080, false, 0);
  EXPECT_EQ(canvas.font().face, "Arial");
  EXPECT_TRUE(canvas.font().italic);
  EXPECT_EQ(canvas.font().size, 1);
  EXPECT_EQ(canvas.font().code_page, platform::CodePage::cp850);
  EXPECT_EQ(canvas.pen().colour, (platform::Rgb{0, 0, 0x80}));
  EXPECT_EQ(canvas.brush().style, platform::BrushStyle::clear);

  // Thin line drawing changes the pen only.
  ApplyFontSpec(&canvas, nullptr, "Courier New", 0xFF0000, true, 2);
  EXPECT_EQ(canvas.font().face, "Arial");
  EXPECT_EQ(canvas.pen().colour, (platform::Rgb{128, 128, 128}));
  EXPECT_EQ(canvas.pen().width, 2);

  platform::CanvasFont control;
  ApplyFontSpec(nullptr, &control, "Courier New Bold", 0, false, 12);
  EXPECT_EQ(control.face, "Courier New");
  EXPECT_TRUE(control.bold);
  EXPECT_EQ(control.size, 12);

  ApplyFontSpec(&canvas, nullptr, "Courier New", 0, false, 10);
  EXPECT_EQ(CharTextWidth(canvas, 'W'), canvas.text_width("W"));
  EXPECT_GT(CharTextWidth(canvas, 'W'), 0);
}

}  // namespace
}  // namespace tavrel
