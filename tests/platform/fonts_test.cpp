#include "platform/fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using platform::CodePage;
using platform::FontMeasurer;
using platform::FontSpec;

TEST(FaceStyle, StyleWordsLeaveTheNameOnce) {
  struct Case {
    const char* text;
    const char* name;
    bool bold, italic;
  };
  const Case cases[] = {
      {"Times New Roman", "Times New Roman", false, false},
      {"Arial Bold", "Arial", true, false},
      {"Courier New Italic", "Courier New", false, true},
      {"Arial bold italic", "Arial", true, true},
      {"Arial Italic Bold", "Arial", true, true},
      {"Arial Bold Bold", "Arial Bold", true, false},  // only one is a style
      {"Boldface Sans", "Boldface Sans", false, false},
      {"", "", false, false},
  };
  for (const Case& c : cases) {
    const platform::FaceStyle fs = platform::split_face_style(c.text);
    EXPECT_EQ(fs.name, c.name) << c.text;
    EXPECT_EQ(fs.bold, c.bold) << c.text;
    EXPECT_EQ(fs.italic, c.italic) << c.text;
  }
}

TEST(ResolveFont, WindowsFacesFindTheirMetricCompatibleSubstitutes) {
  struct Case {
    const char* face;
    bool bold, italic;
    const char* family;
  };
  const Case cases[] = {
      {"Times New Roman", false, false, "Liberation Serif"},
      {"Arial", true, false, "Liberation Sans"},
      {"Courier New", false, true, "Liberation Mono"},
      {"Helvetica", false, false, "Nimbus Sans"},
      {"Times-Bold", false, false, "Nimbus Roman"},  // a PostScript name with its style
  };
  for (const Case& c : cases) {
    const platform::ResolvedFont r = platform::resolve_font(c.face, c.bold, c.italic);
    EXPECT_EQ(r.family, c.family) << c.face;
    EXPECT_FALSE(r.fallback) << c.face << ": " << r.note;
    EXPECT_FALSE(r.file.empty()) << c.face;
    EXPECT_TRUE(r.note.empty()) << c.face;
  }
  EXPECT_TRUE(platform::resolve_font("Arial", true, false).bold);
  EXPECT_TRUE(platform::resolve_font("Courier New", false, true).italic);
  EXPECT_TRUE(platform::resolve_font("Times-Bold", false, false).bold);
}

TEST(ResolveFont, UnknownFaceFallsBackAndSaysSo) {
  const platform::ResolvedFont r = platform::resolve_font("Quorblax Grotesk", false, false);
  EXPECT_TRUE(r.fallback);
  EXPECT_FALSE(r.file.empty());
  EXPECT_NE(r.note.find("Quorblax Grotesk"), std::string::npos) << r.note;
  EXPECT_NE(r.note.find(r.family), std::string::npos) << r.note;
}

TEST(ListFontFamilies, HoldsTheCoreNamesThatResolve) {
  const std::vector<std::string> families = platform::list_font_families();
  for (const char* name :
       {"Arial", "Courier New", "Times New Roman", "Helvetica", "Liberation Sans"})
    EXPECT_TRUE(std::binary_search(families.begin(), families.end(), std::string(name))) << name;
  EXPECT_TRUE(std::is_sorted(families.begin(), families.end()));
  EXPECT_EQ(std::adjacent_find(families.begin(), families.end()), families.end());
}

TEST(FontPixelSize, AsGdiRoundsPointsAtAResolution) {
  EXPECT_EQ(platform::font_pixel_size(12, 300), 50);
  EXPECT_EQ(platform::font_pixel_size(10, 300), 42);  // 41.67
  EXPECT_EQ(platform::font_pixel_size(10, 96), 13);   // 13.33
  EXPECT_EQ(platform::font_pixel_size(0, 300), 4);    // below 1 point counts as 1
  EXPECT_EQ(platform::font_pixel_size(12, 0), 1);     // no resolution: no division by zero
}

// Published advance widths of the Windows core fonts in font units of a 2048 em; the
// Liberation faces keep them, which is what makes documents break lines as on Windows.
TEST(FontMeasurer, WidthsAreThoseOfTheWindowsFaces) {
  struct Case {
    const char* face;
    char c;
    int units;
  };
  const Case cases[] = {
      {"Arial", 'a', 1139},
      {"Arial", 'W', 1933},
      {"Arial", 'i', 455},
      {"Arial", ' ', 569},
      {"Arial", 'm', 1706},
      {"Times New Roman", 'a', 909},
      {"Times New Roman", 'W', 1933},
      {"Times New Roman", 'i', 569},
      {"Times New Roman", 'm', 1593},
      {"Courier New", 'i', 1229},
      {"Courier New", 'W', 1229},
  };
  FontMeasurer m;
  for (int dpi : {300, 600}) {
    for (const Case& c : cases) {
      FontSpec font_spec;
      font_spec.face = c.face;
      font_spec.size = 10;
      const int px = platform::font_pixel_size(10, dpi);
      const int expected = static_cast<int>(std::lround(c.units * px / 2048.0));
      EXPECT_EQ(m.measure(font_spec, dpi).advance[static_cast<unsigned char>(c.c)], expected)
          << c.face << " '" << c.c << "' at " << dpi;
    }
  }
}

TEST(FontMeasurer, CodePageDecidesWhichCharacterAByteIs) {
  FontMeasurer m;
  FontSpec ansi;
  ansi.face = "Times New Roman";
  ansi.size = 12;
  FontSpec oem = ansi;
  oem.code_page = CodePage::cp850;
  const auto& a = m.measure(ansi, 300);
  const auto& o = m.measure(oem, 300);
  // a umlaut: 0xE4 in 1252, 0x84 in 850; the same glyph and width.
  EXPECT_EQ(a.glyph[0xE4], o.glyph[0x84]);
  EXPECT_EQ(a.advance[0xE4], o.advance[0x84]);
  EXPECT_NE(a.glyph[0xE4], 0u);
  // 850's 0xC4 is a box-drawing line, 1252's is A umlaut.
  EXPECT_NE(a.glyph[0xC4], o.glyph[0xC4]);
  // Control codes draw nothing.
  EXPECT_FALSE(a.drawn[0x0D]);
  EXPECT_TRUE(a.drawn['A']);
}

TEST(FontMeasurer, CellHeightAndStyles) {
  FontMeasurer m;
  FontSpec font_spec;
  font_spec.face = "Arial";
  font_spec.size = 10;
  const auto& plain = m.measure(font_spec, 300);
  // Arial's Windows ascent and descent: 1854 and 434 units of 2048.
  EXPECT_EQ(plain.ascent, 38);
  EXPECT_EQ(plain.descent, 9);
  EXPECT_EQ(plain.height, 47);
  EXPECT_GT(plain.underline_thickness, 0);

  FontSpec bold = font_spec;
  bold.face = "Arial Bold";  // style given as a word of the face
  const auto& b = m.measure(bold, 300);
  EXPECT_TRUE(b.font.bold);
  // Arial Bold's 'a' is 1139 units as well, its 'b' is wider than the regular one.
  EXPECT_EQ(b.advance['a'], plain.advance['a']);
  EXPECT_GT(b.advance['b'], plain.advance['b']);
  EXPECT_EQ(m.text_width(font_spec, 300, "ab"), plain.advance['a'] + plain.advance['b']);
}

TEST(FontMeasurer, ZeroOrNegativeSizesStillMeasure) {
  FontMeasurer m;
  FontSpec font_spec;
  font_spec.size = -3;
  const auto& fm = m.measure(font_spec, 300);
  EXPECT_EQ(fm.pixel_size, 4);
  EXPECT_GE(fm.advance['x'], 0);
}

}  // namespace
