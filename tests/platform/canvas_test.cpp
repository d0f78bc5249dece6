#include "platform/cairo_canvas.h"
#include "platform/recording_canvas.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/test_support.h"

namespace {

using namespace platform;

bool dark(std::uint32_t p) {
  return ((p >> 16) & 0xFF) < 128 && ((p >> 8) & 0xFF) < 128 && (p & 0xFF) < 128;
}
bool white(std::uint32_t p) { return (p & 0xFFFFFF) == 0xFFFFFF; }

CanvasFont font_of(const char* face, double size) {
  CanvasFont f;
  f.face = face;
  f.size = size;
  return f;
}

// The columns that hold ink (any non-white pixel) in x >= from.
std::pair<int, int> ink_columns(const Bitmap& bm, int from) {
  int first = -1, last = -1;
  for (int x = from; x < bm.width; ++x)
    for (int y = 0; y < bm.height; ++y)
      if (!white(bm.pixel(x, y))) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

using corvina_test::ReadFile;
using corvina_test::TempDir;

// Text is drawn at exactly the measured advances: a mark drawn after a long text in one call
// lands on the same dots as the mark drawn alone at x + measured width.
TEST(ImageCanvasText, DrawnAdvancesAreTheMeasuredWidths) {
  const std::string text = "The quick brown fox jumps over the lazy dog, 0123456789 W\xe4rme.";
  for (auto [face, size, dpi] :
       {std::tuple{"Times New Roman", 12.0, 300}, std::tuple{"Arial Bold", 9.0, 300},
        std::tuple{"Courier New", 10.0, 96}}) {
    ImageCanvas together(dpi, 3000, 120), alone(dpi, 3000, 120);
    together.set_font(font_of(face, size));
    alone.set_font(font_of(face, size));
    const int w = together.text_width(text);
    FontMeasurer m;
    EXPECT_EQ(w, m.text_width(together.font(), dpi, text)) << face;
    together.text_out(10, 10, text + "|");
    EXPECT_EQ(together.pen_position(), (Point{10 + w + together.text_width("|"), 10}));
    alone.text_out(10 + w, 10, "|");
    const Bitmap a = together.snapshot(), b = alone.snapshot();
    const auto mark = ink_columns(b, 0);
    ASSERT_GT(mark.first, 10 + w - 2) << face;
    // From just before the mark on, both pages are the same dot for dot.
    for (int x = mark.first; x < a.width; ++x)
      for (int y = 0; y < a.height; ++y)
        ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << face << " at " << x << "," << y;
    // And the text itself ends within its measured width.
    ImageCanvas only(dpi, 3000, 120);
    only.set_font(font_of(face, size));
    only.text_out(10, 10, text);
    const auto ink = ink_columns(only.snapshot(), 0);
    EXPECT_GE(ink.first, 10);
    EXPECT_LE(ink.second, 10 + w) << face;
    EXPECT_GT(ink.second, 10 + w - w / 20) << face;
  }
}

TEST(ImageCanvasText, HeightUnderlineAndOpaqueBackground) {
  ImageCanvas c(300, 600, 200);
  CanvasFont f = font_of("Arial", 10);
  f.underline = true;
  f.colour = Rgb{0, 0, 128};
  c.set_font(f);
  EXPECT_EQ(c.text_height("x"), c.font_metrics().height);
  Brush yellow{Rgb{255, 255, 0}, BrushStyle::solid};
  c.set_brush(yellow);
  c.text_out(20, 20, "i i");
  const Bitmap bm = c.snapshot();
  const FontMetrics& fm = c.font_metrics();
  // The cell is yellow where no glyph is (the blank's middle, near the top).
  const int blank_x = 20 + fm.advance['i'] + fm.advance[' '] / 2;
  EXPECT_EQ(bm.pixel(blank_x, 22) & 0xFFFFFF, 0xFFFF00u);
  // The underline runs through the blank, below the baseline, in the font colour.
  const int underline_y = 20 + fm.ascent + fm.underline_position;
  EXPECT_EQ(bm.pixel(blank_x, underline_y) & 0xFFFFFF, 0x000080u);
  // Nothing outside the cell.
  EXPECT_TRUE(white(bm.pixel(blank_x, 20 + fm.height)));
  EXPECT_TRUE(white(bm.pixel(19, 25)));
}

// The preview and the print thread draw at the same time, each on its own canvas.
TEST(ImageCanvasText, TwoThreadsDrawTheSameAsOne) {
  auto draw = [] {
    ImageCanvas c(150, 600, 300);
    for (int i = 0; i < 6; ++i) {
      c.set_font(font_of(i % 2 ? "Times New Roman Italic" : "Arial Bold", 8 + i));
      c.text_out(5, 5 + 45 * i,
                 "Fontconfig, FreeType und cairo: gr\xfc\xdf"
                 "e");
    }
    return c.snapshot();
  };
  const Bitmap alone = draw();
  Bitmap a, b;
  std::thread t1([&] { a = draw(); });
  std::thread t2([&] { b = draw(); });
  t1.join();
  t2.join();
  EXPECT_TRUE(a.pixels == alone.pixels);
  EXPECT_TRUE(b.pixels == alone.pixels);
  EXPECT_FALSE(ink_columns(alone, 0).first < 0);
}

// Text is collected into runs before it reaches cairo; what is drawn later still covers it.
TEST(ImageCanvasText, DrawingOrderIsKept) {
  ImageCanvas c(96, 300, 100);
  c.set_font(font_of("Arial", 20));
  c.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::clear});
  c.text_out(10, 10, "covered");
  c.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::solid});
  c.fill_rect({0, 0, 150, 100});
  c.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::clear});
  c.text_out(160, 10, "shown");
  const Bitmap bm = c.snapshot();
  EXPECT_EQ(ink_columns(bm, 0).first, ink_columns(bm, 150).first);
  EXPECT_GE(ink_columns(bm, 0).first, 160);
  // A run in another colour is its own run, drawn in its colour.
  ImageCanvas d(96, 300, 100);
  CanvasFont red = font_of("Arial", 20);
  red.colour = Rgb{255, 0, 0};
  d.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::clear});
  d.set_font(font_of("Arial", 20));
  d.text_out(10, 10, "I");
  d.set_font(red);
  d.text_out(100, 10, "I");
  const Bitmap out = d.snapshot();
  int black = 0, reds = 0;
  for (std::uint32_t p : out.pixels) {
    if ((p & 0xFFFFFF) == 0x000000) ++black;
    if ((p & 0xFFFFFF) == 0xFF0000) ++reds;
  }
  EXPECT_GT(black, 10);
  EXPECT_GT(reds, 10);
}

// The canvas keeps the current font's metrics and face between texts; every change of the
// font, however small, must reach the drawing and the metrics.
TEST(ImageCanvasText, EveryFontChangeIsDrawn) {
  const std::string text = "Hag W\xe4rme";
  CanvasFont italic = font_of("Times New Roman", 14), bold = italic, dos = italic;
  italic.italic = true;
  bold.bold = true;
  dos.code_page = CodePage::cp850;
  const struct {
    const char* what;
    CanvasFont from, to;
  } cases[] = {
      {"style word in the face", font_of("Arial", 14), font_of("Arial Bold", 14)},
      {"bold flag", font_of("Times New Roman", 14), bold},
      {"italic flag", font_of("Times New Roman", 14), italic},
      {"size", font_of("Arial", 14), font_of("Arial", 15)},
      {"face", font_of("Arial", 14), font_of("Courier New", 14)},
      {"code page", font_of("Times New Roman", 14), dos},
      {"back again", bold, font_of("Times New Roman", 14)},
  };
  for (const auto& k : cases) {
    ImageCanvas changed(150, 400, 120), fresh(150, 400, 120);
    changed.set_font(k.from);
    changed.text_out(5, 5, text);
    (void)changed.font_metrics();
    changed.set_font(k.to);
    changed.text_out(5, 60, text);
    fresh.set_font(k.to);
    fresh.text_out(5, 60, text);
    FontMeasurer m;
    const FontMetrics& want = m.measure(k.to, 150);
    EXPECT_EQ(changed.font_metrics().font.file, want.font.file) << k.what;
    EXPECT_EQ(changed.font_metrics().pixel_size, want.pixel_size) << k.what;
    EXPECT_EQ(changed.text_width(text), m.text_width(k.to, 150, text)) << k.what;
    EXPECT_EQ(changed.pen_position(), fresh.pen_position()) << k.what;
    const Bitmap a = changed.snapshot(), b = fresh.snapshot();
    ASSERT_FALSE(ink_columns(b, 0).first < 0) << k.what;
    for (int y = 55; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x)
        ASSERT_EQ(a.pixel(x, y), b.pixel(x, y)) << k.what << " at " << x << "," << y;
  }
}

// GDI leaves out the right and bottom edge of shapes and the end point of lines.
TEST(ImageCanvasShapes, WindowsEdgeRules) {
  ImageCanvas c(96, 200, 200);
  c.set_pen(Pen{Rgb{0, 0, 0}, 1, PenStyle::solid});
  c.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::clear});
  c.rectangle({10, 10, 20, 16});
  c.set_brush(Brush{Rgb{255, 0, 0}, BrushStyle::solid});
  c.fill_rect({30, 10, 35, 14});
  c.move_to(5, 30);
  c.line_to(15, 30);
  c.move_to(15, 40);
  c.line_to(5, 40);
  c.move_to(50, 5);
  c.line_to(50, 15);
  c.set_brush(Brush{Rgb{0, 0, 0}, BrushStyle::clear});
  c.ellipse({40, 40, 60, 50});
  c.set_pen(Pen{Rgb{0, 0, 0}, 1, PenStyle::clear});
  c.set_brush(Brush{Rgb{0, 0, 255}, BrushStyle::solid});
  c.rectangle({70, 10, 80, 20});
  const Bitmap bm = c.snapshot();
  struct Probe {
    int x, y;
    std::uint32_t rgb;
    const char* what;
  };
  const Probe probes[] = {
      {10, 10, 0x000000, "rect top-left corner"},
      {19, 15, 0x000000, "rect last column and row"},
      {20, 12, 0xFFFFFF, "rect right edge excluded"},
      {12, 16, 0xFFFFFF, "rect bottom edge excluded"},
      {15, 13, 0xFFFFFF, "rect inside, clear brush"},
      {30, 10, 0xFF0000, "fill first dot"},
      {34, 13, 0xFF0000, "fill last dot"},
      {35, 12, 0xFFFFFF, "fill right edge excluded"},
      {32, 14, 0xFFFFFF, "fill bottom edge excluded"},
      {5, 30, 0x000000, "line start"},
      {14, 30, 0x000000, "line before its end"},
      {15, 30, 0xFFFFFF, "line end point excluded"},
      {15, 40, 0x000000, "backward line start"},
      {6, 40, 0x000000, "backward line before its end"},
      {5, 40, 0xFFFFFF, "backward line end excluded"},
      {50, 14, 0x000000, "vertical line before its end"},
      {50, 15, 0xFFFFFF, "vertical line end excluded"},
      {40, 45, 0x000000, "ellipse left edge"},
      {59, 45, 0x000000, "ellipse last column"},
      {60, 45, 0xFFFFFF, "ellipse right edge excluded"},
      {50, 45, 0xFFFFFF, "ellipse inside, clear brush"},
      {70, 10, 0x0000FF, "clear pen: fill starts"},
      {78, 18, 0x0000FF, "clear pen: fill's last dot"},
      {79, 15, 0xFFFFFF, "clear pen: one dot less"},
  };
  for (const Probe& p : probes) {
    const std::uint32_t got = bm.pixel(p.x, p.y) & 0xFFFFFF;
    // Curves are anti-aliased: their edge dots are dark, not black.
    if (std::string_view(p.what).rfind("ellipse", 0) == 0 && p.rgb == 0)
      EXPECT_TRUE(dark(got)) << p.what << " at " << p.x << "," << p.y;
    else
      EXPECT_EQ(got, p.rgb) << p.what << " at " << p.x << "," << p.y;
  }
}

TEST(ImageCanvasShapes, WidePenRoundRectAndClip) {
  ImageCanvas c(96, 200, 200);
  c.set_pen(Pen{Rgb{0, 0, 0}, 5, PenStyle::solid});
  c.move_to(10, 20);
  c.line_to(60, 20);
  c.set_pen(Pen{Rgb{0, 0, 0}, 1, PenStyle::solid});
  c.set_brush(Brush{Rgb{0, 0, 0}, BrushStyle::solid});
  c.round_rect({100, 100, 140, 130}, 20, 20);
  c.set_clip({0, 150, 50, 170});
  c.fill_rect({0, 140, 200, 200});
  EXPECT_EQ(c.clip_rect(), (Rect{0, 150, 50, 170}));
  c.reset_clip();
  EXPECT_EQ(c.clip_rect(), (Rect{0, 0, 200, 200}));
  const Bitmap bm = c.snapshot();
  // A pen of 5 is centred on the line: rows 18..22.
  EXPECT_TRUE(dark(bm.pixel(30, 18)));
  EXPECT_TRUE(dark(bm.pixel(30, 22)));
  EXPECT_TRUE(white(bm.pixel(30, 17)));
  EXPECT_TRUE(white(bm.pixel(30, 23)));
  // Rounded corners stay white, the middle of the edges is drawn.
  EXPECT_TRUE(white(bm.pixel(100, 100)));
  EXPECT_TRUE(dark(bm.pixel(120, 100)));
  EXPECT_TRUE(dark(bm.pixel(120, 115)));
  EXPECT_TRUE(white(bm.pixel(140, 115)));
  // The fill reached only the clip rectangle.
  EXPECT_TRUE(dark(bm.pixel(49, 169)));
  EXPECT_TRUE(white(bm.pixel(50, 160)));
  EXPECT_TRUE(white(bm.pixel(10, 145)));
  EXPECT_TRUE(white(bm.pixel(10, 170)));
}

TEST(ImageCanvasPictures, StretchDrawScalesIntoTheRectangle) {
  Bitmap bm;
  bm.width = 2;
  bm.height = 2;
  bm.pixels = {argb(255, 255, 0, 0), argb(255, 0, 255, 0), argb(255, 0, 0, 255), argb(0, 0, 0, 0)};
  ImageCanvas c(96, 200, 200);
  c.stretch_draw({100, 100, 140, 140}, bm);
  const Bitmap out = c.snapshot();
  EXPECT_EQ(out.pixel(105, 105) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(out.pixel(135, 105) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(out.pixel(105, 135) & 0xFFFFFF, 0x0000FFu);
  EXPECT_TRUE(white(out.pixel(135, 135)));  // transparent shows the page
  EXPECT_TRUE(white(out.pixel(99, 120)));
  EXPECT_TRUE(white(out.pixel(140, 120)));
  EXPECT_TRUE(white(out.pixel(120, 140)));
  // An empty picture or rectangle draws nothing and does not fail.
  c.stretch_draw({0, 0, 0, 10}, bm);
  c.stretch_draw({0, 0, 10, 10}, Bitmap{});
}

TEST(ImageCanvasPng, WritesAPngOfThePageSize) {
  TempDir dir("canvas_test");
  ImageCanvas c(300, 321, 123);
  c.set_font(font_of("Arial", 10));
  c.text_out(5, 5, "PNG");
  std::string error;
  ASSERT_TRUE(c.write_png(dir / "page.png", &error)) << error;
  const std::string png = ReadFile(dir / "page.png");
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) |
           (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  EXPECT_EQ(be32(16), 321);
  EXPECT_EQ(be32(20), 123);
  EXPECT_FALSE(c.write_png(dir / "no/such/folder/page.png", &error));
  EXPECT_NE(error.find("page.png"), std::string::npos);
}

TEST(RecordingCanvas, LogsOperationsAndChangedStateOnce) {
  RecordingCanvas c(300, 1000, 800);
  c.set_pen(Pen{Rgb{0, 0, 0}, 3, PenStyle::solid});
  c.move_to(1, 2);
  c.line_to(10, 2);
  c.line_to(10, 20);
  c.set_brush(Brush{Rgb{255, 0, 0}, BrushStyle::solid});
  c.rectangle({5, 5, 10, 10});
  c.round_rect({5, 5, 30, 30}, 4, 6);
  c.set_pen(Pen{Rgb{0, 0, 128}, 1, PenStyle::clear});
  c.ellipse({10, 20, 30, 40});
  c.fill_rect({0, 0, 3, 4});
  c.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::clear});
  CanvasFont f = font_of("Times New Roman Bold", 12);
  f.italic = true;
  f.colour = Rgb{0, 0, 128};
  f.code_page = CodePage::cp850;
  c.set_font(f);
  c.text_out(100, 200, "A\"b\\\x84");
  c.text_out(100, 260, "next");
  c.set_clip({0, 0, 500, 400});
  c.reset_clip();
  Bitmap bm;
  bm.width = 1;
  bm.height = 1;
  bm.pixels = {argb(255, 1, 2, 3)};
  c.stretch_draw({1, 2, 3, 4}, bm);
  c.new_page(800, 1000);
  char digest[24];
  std::snprintf(digest, sizeof digest, "%016llx",
                static_cast<unsigned long long>(bitmap_digest(bm)));
  const std::string expected = std::string() +
                               "pen #000000 3 solid\n"
                               "line 1 2 10 2\n"
                               "line 10 2 10 20\n"
                               "brush #FF0000 solid\n"
                               "rect 5 5 10 10\n"
                               "roundrect 5 5 30 30 4 6\n"
                               "pen #000080 1 clear\n"
                               "ellipse 10 20 30 40\n"
                               "fill 0 0 3 4\n"
                               "font \"Times New Roman Bold\" 12 italic #000080 cp850\n"
                               "text 100 200 \"A\\\"b\\\\\\x84\"\n"
                               "text 100 260 \"next\"\n"
                               "clip 0 0 500 400\n"
                               "noclip\n"
                               "picture 1 2 3 4 1x1 " +
                               digest +
                               "\n"
                               "page 800 1000\n";
  EXPECT_EQ(c.text(), expected);
  EXPECT_EQ(c.width(), 800);
}

TEST(RecordingCanvas, SyntheticAndRealMetrics) {
  RecordingCanvas synthetic(300, 100, 100);
  synthetic.set_font(font_of("Arial", 12));  // 50 dots per em
  EXPECT_EQ(synthetic.text_width("abc"), 75);
  EXPECT_EQ(synthetic.text_width("a\r\n"), 25);
  EXPECT_EQ(synthetic.text_height(), 60);
  synthetic.text_out(7, 8, "ab");
  EXPECT_EQ(synthetic.pen_position(), (Point{57, 8}));
  // Metrics handed out stay valid while other fonts are measured.
  const FontMetrics& first = synthetic.font_metrics();
  for (int size = 1; size < 40; ++size) {
    synthetic.set_font(font_of("Arial", size));
    synthetic.font_metrics();
  }
  EXPECT_EQ(first.pixel_size, 50);
  EXPECT_EQ(first.advance['a'], 25);

  RecordingCanvas real(300, 100, 100, RecordingMetrics::real);
  real.set_font(font_of("Arial", 10));
  FontMeasurer m;
  EXPECT_EQ(real.text_width("Wahl"), m.text_width(real.font(), 300, "Wahl"));
  EXPECT_EQ(real.text_height(), 47);
}

}  // namespace
