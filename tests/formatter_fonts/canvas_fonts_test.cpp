// The canvas fonts: face names with style words, and a font or a thin line pen on a canvas.
#include <gtest/gtest.h>

#include <string>

#include "formatter/fonts/canvas_fonts.h"
#include "platform/recording_canvas.h"

namespace tavrel {
namespace {

TEST(CanvasFontTest, StyleWordsBecomeStyles) {
  struct Case {
    const char* text;
    const char* face;
    bool bold, italic;
  };
  for (const Case c :
       {Case{"Arial", "Arial", false, false}, Case{"Arial Bold", "Arial", true, false},
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
