#include "platform/postscript_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cairo_canvas.h"
#include "platform/printers.h"
#include "tests/support/test_support.h"

namespace {

using namespace platform;
using corvina_test::ReadFile;
using corvina_test::TempDir;
using corvina_test::WriteFile;

bool have_ghostscript() { return run_program({"gs", "--version"}) == 0; }

CanvasFont font_of(const char* face, double size, Rgb colour = {}) {
  CanvasFont f;
  f.face = face;
  f.size = size;
  f.colour = colour;
  return f;
}

// An RGB raster as Ghostscript's ppmraw device writes it.
struct Raster {
  int width = 0, height = 0;
  std::string rgb;
  int at(int x, int y, int channel) const {
    return static_cast<unsigned char>(rgb[(static_cast<std::size_t>(y) * width + x) * 3 + channel]);
  }
};

Raster parse_ppm(const std::string& bytes) {
  Raster r;
  std::size_t pos = 0;
  std::vector<std::string> fields;
  while (fields.size() < 4 && pos < bytes.size()) {
    if (bytes[pos] == '#') {
      pos = bytes.find('\n', pos) + 1;
    } else if (std::isspace(static_cast<unsigned char>(bytes[pos]))) {
      ++pos;
    } else {
      const std::size_t end = bytes.find_first_of(" \t\r\n", pos);
      fields.push_back(bytes.substr(pos, end - pos));
      pos = end;
    }
  }
  if (fields.size() < 4 || fields[0] != "P6") return r;
  r.width = std::stoi(fields[1]);
  r.height = std::stoi(fields[2]);
  r.rgb = bytes.substr(pos + 1);
  if (r.rgb.size() < static_cast<std::size_t>(r.width) * r.height * 3) r = Raster{};
  return r;
}

// Ghostscript's raster of each page of a PostScript file at dpi.
std::vector<Raster> render(const std::string& ps, int dpi, const TempDir& dir) {
  const std::string pattern = dir / "page-%d.ppm";
  EXPECT_EQ(run_program({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=ppmraw",
                         "-r" + std::to_string(dpi), "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4",
                         "-sOutputFile=" + pattern, ps}),
            0);
  std::vector<Raster> pages;
  for (int n = 1; std::filesystem::exists(dir / ("page-" + std::to_string(n) + ".ppm")); ++n)
    pages.push_back(parse_ppm(ReadFile(dir / ("page-" + std::to_string(n) + ".ppm"))));
  return pages;
}

std::string extracted_text(const std::string& ps) {
  std::string text;
  EXPECT_EQ(run_program({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=txtwrite",
                         "-sOutputFile=-", ps},
                        &text),
            0);
  return text;
}

// Everything a page engine draws: text in several faces, sizes and colours, on a solid brush,
// underlined and in synthetic bold italic, lines in three directions, outlined and filled shapes, a
// picture and a clip that cuts a word.
void draw_scene(Canvas& c) {
  c.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::clear});
  c.set_font(font_of("Times New Roman", 14));
  c.text_out(60, 60, "Justified words (in brackets) \\ back");
  c.set_font(font_of("Arial", 24, Rgb{200, 0, 0}));
  c.text_out(60, 110, "Red heading");
  CanvasFont underlined = font_of("Times New Roman Bold Italic", 12, Rgb{0, 0, 160});
  underlined.underline = true;
  c.set_font(underlined);
  c.set_brush(Brush{Rgb{255, 255, 0}, BrushStyle::solid});
  c.text_out(60, 170, "On yellow, underlined");
  c.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::clear});
  // A face without bold or italic of its own: both are made from its outlines.
  c.set_font(font_of("DejaVu Math TeX Gyre Bold Italic", 16));
  c.text_out(400, 170, "Made bold, slanted");

  c.set_pen(Pen{Rgb{0, 0, 0}, 3, PenStyle::solid});
  c.move_to(60, 230);
  c.line_to(500, 230);
  c.line_to(500, 400);
  c.line_to(300, 300);
  c.set_pen(Pen{Rgb{0, 128, 0}, 2, PenStyle::solid});
  c.set_brush(Brush{Rgb{0, 0, 255}, BrushStyle::solid});
  c.rectangle({60, 260, 200, 360});
  c.round_rect({60, 400, 250, 500}, 40, 30);
  c.ellipse({300, 420, 500, 520});
  c.set_pen(Pen{Rgb{0, 0, 0}, 1, PenStyle::clear});
  c.set_brush(Brush{Rgb{255, 0, 255}, BrushStyle::solid});
  c.fill_rect({550, 260, 700, 300});
  c.rectangle({550, 320, 700, 360});

  Bitmap picture;
  picture.width = 2;
  picture.height = 2;
  picture.pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x00000000u};  // last: transparent
  c.stretch_draw({550, 400, 750, 600}, picture);

  c.set_brush(Brush{Rgb{255, 255, 255}, BrushStyle::clear});
  c.set_clip({60, 650, 200, 700});
  c.set_font(font_of("Arial", 30));
  c.text_out(60, 650, "Clipped away here");
  c.reset_clip();
  c.set_font(font_of("Times New Roman", 14));
  c.text_out(60, 750, "After the clip");
}

// The page as ghostscript draws the PostScript canvas's file is the page the image canvas draws:
// compared in cells of 10 x 10 dots, no cell's mean colour differs by more than a glyph's edge
// rendering can explain. A word out of place, a shape of the wrong size, a wrong colour or a
// clip not applied changes whole cells.
TEST(PostScriptCanvasTest, GhostscriptDrawsThePageTheImageCanvasDraws) {
  if (!have_ghostscript()) GTEST_SKIP() << "gs is not installed";
  TempDir dir("postscript_canvas_test");
  constexpr int kDpi = 100, kWidth = 850, kHeight = 1100;
  const std::string ps = dir / "scene.ps";
  {
    PostScriptCanvas c(ps, kDpi, kWidth, kHeight, "Scene");
    ASSERT_TRUE(c.ok()) << c.error();
    draw_scene(c);
    ASSERT_TRUE(c.finish()) << c.error();
  }
  ImageCanvas image(kDpi, kWidth, kHeight);
  draw_scene(image);
  const Bitmap expected = image.snapshot();
  const std::vector<Raster> pages = render(ps, kDpi, dir);
  ASSERT_EQ(pages.size(), 1u);
  const Raster& got = pages[0];
  ASSERT_EQ(got.width, kWidth);
  ASSERT_EQ(got.height, kHeight);

  constexpr int kCell = 10;
  int worst = 0, worst_x = 0, worst_y = 0;
  for (int cy = 0; cy + kCell <= kHeight; cy += kCell)
    for (int cx = 0; cx + kCell <= kWidth; cx += kCell)
      for (int channel = 0; channel < 3; ++channel) {
        long a = 0, b = 0;
        for (int y = cy; y < cy + kCell; ++y)
          for (int x = cx; x < cx + kCell; ++x) {
            a += (expected.pixel(x, y) >> (16 - 8 * channel)) & 0xFF;
            b += got.at(x, y, channel);
          }
        const int diff = static_cast<int>(std::labs(a - b) / (kCell * kCell));
        if (diff > worst) {
          worst = diff;
          worst_x = cx;
          worst_y = cy;
        }
      }
  EXPECT_LE(worst, 35) << "cell at " << worst_x << "," << worst_y;
  // The transparent quarter of the picture shows the paper.
  EXPECT_EQ(got.at(745, 595, 0), 255);
  EXPECT_EQ(got.at(745, 595, 1), 255);
  EXPECT_EQ(got.at(745, 595, 2), 255);
}

// Every byte that has a glyph, in two code pages and two sizes, comes back as its character when
// the text is extracted; PostScript's string quotes are escaped, and long runs are broken into
// lines that PostScript readers take (at most 255 characters).
TEST(PostScriptCanvasTest, EveryDrawnByteComesBackAsItsCharacter) {
  if (!have_ghostscript()) GTEST_SKIP() << "gs is not installed";
  TempDir dir("postscript_canvas_test");
  for (CodePage cp : {CodePage::cp1252, CodePage::cp850}) {
    SCOPED_TRACE(static_cast<int>(cp));
    const std::string ps = dir / "bytes.ps";
    std::vector<std::string> expected;
    {
      PostScriptCanvas c(ps, 300, 2481, 3508);
      ASSERT_TRUE(c.ok()) << c.error();
      int y = 100;
      for (double size : {10.0, 14.0}) {
        CanvasFont f = font_of("Times New Roman", size);
        f.code_page = cp;
        c.set_font(f);
        const FontMetrics& fm = c.font_metrics();
        std::string run, utf8;
        // Spaces are left out: text extraction joins and splits at them by position.
        for (int b = 0x21; b <= 0xFF; ++b) {
          const char32_t u = to_unicode(cp, static_cast<std::uint8_t>(b));
          if (!fm.drawn[b] || u == 0xA0 || u == 0xAD) continue;
          run += static_cast<char>(b);
          append_utf8(utf8, u);
          if (run.size() == 24) {
            c.text_out(100, y, run);
            expected.push_back(utf8);
            y += 80;
            run.clear();
            utf8.clear();
          }
        }
        c.text_out(100, y, run);
        expected.push_back(utf8);
        y += 80;
      }
      std::string long_run;
      for (int k = 0; k < 150; ++k) long_run += "(\\)";
      c.set_font(font_of("Arial", 4));
      c.text_out(100, y, long_run);
      expected.push_back(long_run);
      ASSERT_TRUE(c.finish()) << c.error();
    }
    const std::string file = ReadFile(ps);
    std::istringstream lines(file);
    std::size_t longest = 0;
    for (std::string line; std::getline(lines, line);) longest = std::max(longest, line.size());
    EXPECT_LE(longest, 255u);
    const std::string text = extracted_text(ps);
    for (const std::string& run : expected) EXPECT_NE(text.find(run), std::string::npos) << run;
  }
}

// Each page keeps the size it was begun with, landscape between portrait ones; the text of a
// bold face, set on the landscape page, comes back as well.
TEST(PostScriptCanvasTest, PagesKeepTheirOwnSizes) {
  if (!have_ghostscript()) GTEST_SKIP() << "gs is not installed";
  TempDir dir("postscript_canvas_test");
  const std::string ps = dir / "sizes.ps";
  {
    PostScriptCanvas c(ps, 100, 827, 1169);
    c.set_font(font_of("Arial", 12));
    c.text_out(50, 50, "Portrait");
    c.new_page(1169, 827);
    c.set_font(font_of("Arial Bold", 12));
    c.text_out(50, 50, "Landscape");
    c.new_page(827, 1169);
    c.text_out(50, 50, "Portrait again");
    EXPECT_EQ(c.page_count(), 3);
    ASSERT_TRUE(c.finish()) << c.error();
  }
  EXPECT_NE(ReadFile(ps).find("%%Pages: 3\n"), std::string::npos);
  const std::vector<Raster> pages = render(ps, 10, dir);
  ASSERT_EQ(pages.size(), 3u);
  // 827 dots at 100 dpi are 595.44 points: pages are whole points (596 x 842), as before.
  EXPECT_EQ(pages[0].width, 83);
  EXPECT_EQ(pages[0].height, 117);
  EXPECT_EQ(pages[1].width, 117);
  EXPECT_EQ(pages[1].height, 83);
  EXPECT_EQ(pages[2].width, 83);
  EXPECT_EQ(pages[2].height, 117);
  const std::string text = extracted_text(ps);
  for (const char* t : {"Portrait", "Landscape", "Portrait again"})
    EXPECT_NE(text.find(t), std::string::npos) << t;
}

// Helvetica resolves to a CFF-flavoured OpenType file (Nimbus Sans .otf), whose glyphs the
// PostScript canvas embeds when it is finished. Document after document the font is embedded
// and the text comes back; the sanitizer build checks that nothing stays allocated.
TEST(PostScriptCanvasTest, CffOpenTypeFontIsEmbeddedInEveryDocument) {
  if (!have_ghostscript()) GTEST_SKIP() << "gs is not installed";
  TempDir dir("postscript_canvas_test");
  for (int document = 1; document <= 3; ++document) {
    const std::string ps = dir / ("doc" + std::to_string(document) + ".ps");
    {
      PostScriptCanvas c(ps, 300, 2481, 3508, "Notes");
      ASSERT_TRUE(c.ok()) << c.error();
      c.set_font(font_of("Helvetica", 11));
      c.text_out(300, 300, "Notes page " + std::to_string(document));
      ASSERT_TRUE(c.finish()) << c.error();
    }
    const std::string file = ReadFile(ps);
    EXPECT_NE(file.find("%%BeginResource: font"), std::string::npos) << "font not embedded";
    const std::string text = extracted_text(ps);
    EXPECT_NE(text.find("Notes page " + std::to_string(document)), std::string::npos) << text;
  }
}

// A file that cannot be made is refused when the canvas is made, and an existing file is only
// replaced by the finished document: until then, and when writing fails, it stays as it was.
TEST(PostScriptCanvasTest, BadPathsAreRefusedAndAnOldFileStaysUntilTheEnd) {
  TempDir dir("postscript_canvas_test");
  std::filesystem::create_directories(dir / "folder");
  for (const std::string& bad : {dir / "missing/out.ps", dir / "folder"}) {
    PostScriptCanvas c(bad, 300, 100, 100);
    EXPECT_FALSE(c.ok()) << bad;
    EXPECT_NE(c.error().find(bad), std::string::npos) << c.error();
    c.text_out(1, 1, "ignored");
    EXPECT_FALSE(c.finish());
  }
  const std::string ps = dir / "old.ps";
  WriteFile(ps, "old contents");
  {
    PostScriptCanvas c(ps, 300, 2481, 3508);
    c.set_font(font_of("Arial", 12));
    c.text_out(100, 100, "New");
    c.new_page();
    EXPECT_EQ(ReadFile(ps), "old contents");
    ASSERT_TRUE(c.finish()) << c.error();
  }
  const std::string file = ReadFile(ps);
  EXPECT_EQ(file.rfind("%!PS-Adobe-3.0\n", 0), 0u);
  EXPECT_EQ(file.substr(file.size() - 16), "%%Trailer\n%%EOF\n");
}

}  // namespace
