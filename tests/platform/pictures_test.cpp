#include "platform/pictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using platform::argb;
using platform::Bitmap;
using platform::PictureResult;

const std::string kDir = std::string(CORVINA_SOURCE_DIR) + "/tests/data/platform/pictures/";

std::string read_fixture(const std::string& name) {
  std::ifstream in(kDir + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The pattern every BMP and GIF fixture shows (see make_fixtures.py).
const std::uint32_t kColours[] = {argb(255, 0, 0, 0),   argb(255, 255, 255, 255),
                                  argb(255, 255, 0, 0), argb(255, 0, 128, 0),
                                  argb(255, 0, 0, 255), argb(255, 255, 255, 0)};
const int kPattern[3][5] = {{2, 3, 4, 5, 1}, {1, 0, 2, 3, 4}, {5, 4, 3, 2, 0}};

bool near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int x = static_cast<int>((a >> shift) & 0xFF), y = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(x - y) > tolerance) return false;
  }
  return true;
}

std::string hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

struct PatternCase {
  const char* file;
  bool monochrome;  // 1-bit: white where the pattern has white, black elsewhere
  int tolerance;
};

// Test output names the file instead of dumping the case's bytes.
void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.file; }

class PatternPictures : public testing::TestWithParam<PatternCase> {};

TEST_P(PatternPictures, DecodeToThePatternOfFivebyThree) {
  const PatternCase& c = GetParam();
  PictureResult r = platform::load_picture(kDir + c.file);
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.bitmap.width, 5);
  ASSERT_EQ(r.bitmap.height, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      int idx = kPattern[y][x];
      if (c.monochrome && idx != 1) idx = 0;
      EXPECT_TRUE(near(r.bitmap.pixel(x, y), kColours[idx], c.tolerance))
          << c.file << " at " << x << "," << y << ": " << hex(r.bitmap.pixel(x, y)) << " expected "
          << hex(kColours[idx]);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, PatternPictures,
    testing::Values(
        PatternCase{"bmp_1bit.bmp", true, 0}, PatternCase{"bmp_4bit.bmp", false, 0},
        PatternCase{"bmp_8bit.bmp", false, 0}, PatternCase{"bmp_rle8.bmp", false, 0},
        PatternCase{"bmp_24bit.bmp", false, 0}, PatternCase{"bmp_24bit_topdown.bmp", false, 0},
        PatternCase{"bmp_core_24bit.bmp", false, 0}, PatternCase{"bmp_32bit.bmp", false, 0},
        // 5-6-5 bits cannot hold 128 exactly; the scale-back is within 2.
        PatternCase{"bmp_16bit_565.bmp", false, 2}, PatternCase{"gif_global.gif", false, 0}),
    [](const testing::TestParamInfo<PatternCase>& info) {
      const std::string n = info.param.file;
      return n.substr(0, n.find('.'));
    });

TEST(Gif, FrameOnLargerScreenWithTransparentIndexAndLocalTable) {
  PictureResult r = platform::load_picture(kDir + "gif_local_transparent.gif");
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.bitmap.width, 5);
  ASSERT_EQ(r.bitmap.height, 4);
  // Outside the frame and at the transparent index: alpha 0.
  EXPECT_EQ(r.bitmap.pixel(0, 0) >> 24, 0u);
  EXPECT_EQ(r.bitmap.pixel(4, 3) >> 24, 0u);
  EXPECT_EQ(r.bitmap.pixel(1, 1) >> 24, 0u);
  EXPECT_EQ(r.bitmap.pixel(2, 2) >> 24, 0u);
  EXPECT_EQ(r.bitmap.pixel(2, 1), kColours[2]);
  EXPECT_EQ(r.bitmap.pixel(3, 1), kColours[3]);
  EXPECT_EQ(r.bitmap.pixel(1, 2), kColours[4]);
  EXPECT_EQ(r.bitmap.pixel(3, 2), kColours[5]);
}

TEST(Gif, InterlacedRowsLandInTheirPlaces) {
  PictureResult r = platform::load_picture(kDir + "gif_interlaced.gif");
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(r.bitmap.width, 2);
  ASSERT_EQ(r.bitmap.height, 9);
  for (int y = 0; y < 9; ++y) EXPECT_EQ(r.bitmap.pixel(1, y), kColours[y % 6]) << "row " << y;
}

TEST(Jpeg, ColourAndGreyQuadrants) {
  struct Sample {
    int x, y;
    std::uint32_t rgb, grey;
  };
  // Grey quadrants: 0.2, 0.5, 0.8 and 1.0 of white.
  const Sample samples[] = {{4, 4, argb(255, 255, 0, 0), argb(255, 51, 51, 51)},
                            {12, 4, argb(255, 0, 255, 0), argb(255, 128, 128, 128)},
                            {4, 12, argb(255, 0, 0, 255), argb(255, 204, 204, 204)},
                            {12, 12, argb(255, 255, 255, 255), argb(255, 255, 255, 255)}};
  PictureResult rgb = platform::load_picture(kDir + "jpeg_rgb.jpg");
  PictureResult grey = platform::load_picture(kDir + "jpeg_gray.jpg");
  ASSERT_TRUE(rgb.ok()) << rgb.error;
  ASSERT_TRUE(grey.ok()) << grey.error;
  ASSERT_EQ(rgb.bitmap.width, 16);
  ASSERT_EQ(rgb.bitmap.height, 16);
  ASSERT_EQ(grey.bitmap.width, 16);
  for (const Sample& s : samples) {
    EXPECT_TRUE(near(rgb.bitmap.pixel(s.x, s.y), s.rgb, 12)) << hex(rgb.bitmap.pixel(s.x, s.y));
    EXPECT_TRUE(near(grey.bitmap.pixel(s.x, s.y), s.grey, 12)) << hex(grey.bitmap.pixel(s.x, s.y));
  }
}

TEST(Pictures, FormatComesFromTheBytesNotTheName) {
  const std::string bytes = read_fixture("gif_global.gif");
  EXPECT_EQ(platform::sniff_picture_format(bytes), platform::PictureFormat::gif);
  EXPECT_EQ(platform::picture_format_from_extension(".GRA"), platform::PictureFormat::bmp);
  EXPECT_EQ(platform::picture_format_from_extension("jpeg"), platform::PictureFormat::jpeg);
  PictureResult r = platform::decode_picture(bytes);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.bitmap.width, 5);
}

// Every cut of a file whose pixel data the cut reaches must be an error, never a crash.
TEST(DamagedPictures, EveryTruncationIsAnError) {
  for (const char* name :
       {"bmp_1bit.bmp", "bmp_8bit.bmp", "bmp_24bit.bmp", "bmp_32bit.bmp", "bmp_16bit_565.bmp",
        "bmp_core_24bit.bmp", "gif_global.gif", "gif_interlaced.gif"}) {
    const std::string bytes = read_fixture(name);
    // A GIF without its trailer byte is still a whole picture.
    const std::size_t whole = bytes.substr(0, 3) == "GIF" ? bytes.size() - 1 : bytes.size();
    for (std::size_t n = 0; n < whole; ++n) {
      PictureResult r = platform::decode_picture(bytes.substr(0, n));
      EXPECT_FALSE(r.ok()) << name << " cut at " << n;
    }
  }
  const std::string jpeg = read_fixture("jpeg_rgb.jpg");
  for (std::size_t n : {std::size_t{2}, std::size_t{20}, jpeg.size() / 2, jpeg.size() - 10}) {
    PictureResult r = platform::decode_jpeg(jpeg.substr(0, n));
    EXPECT_FALSE(r.ok()) << "jpeg cut at " << n;
  }
}

void put_u32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

TEST(DamagedPictures, SizesThatLieAreErrors) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* expect;  // a word of the error text
  };
  std::vector<Case> cases;

  std::string big = read_fixture("bmp_24bit.bmp");
  put_u32(big, 18, 100000);
  put_u32(big, 22, 100000);
  cases.push_back({"BMP of 100000 x 100000", big, "too large"});

  std::string claims_more = read_fixture("bmp_24bit.bmp");
  put_u32(claims_more, 18, 400);
  put_u32(claims_more, 22, 300);
  cases.push_back({"BMP of 400 x 300 with 15 pixels", claims_more, "truncated"});

  std::string offset = read_fixture("bmp_8bit.bmp");
  put_u32(offset, 10, 0x7FFFFFF0);
  cases.push_back({"BMP pixel offset beyond the file", offset, "outside"});

  std::string depth = read_fixture("bmp_8bit.bmp");
  depth[28] = 7;
  cases.push_back({"BMP of 7 bits per pixel", depth, "bit depth"});

  std::string zero = read_fixture("bmp_8bit.bmp");
  put_u32(zero, 18, 0);
  cases.push_back({"BMP of width 0", zero, "no pixels"});

  std::string gif = read_fixture("gif_global.gif");
  gif[6] = gif[7] = gif[8] = gif[9] = static_cast<char>(0xFF);
  cases.push_back({"GIF screen of 65535 x 65535", gif, "too large"});

  std::string frame = read_fixture("gif_global.gif");
  // The image descriptor follows the 13-byte header and the 768-byte table; width at +5.
  frame[13 + 768 + 5] = static_cast<char>(0xFF);
  frame[13 + 768 + 6] = static_cast<char>(0x7F);
  cases.push_back({"GIF frame wider than its data", frame, "GIF"});

  std::string jpeg = read_fixture("jpeg_rgb.jpg");
  const auto sof = jpeg.find("\xFF\xC0", 2);
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 5] = jpeg[sof + 6] = jpeg[sof + 7] = jpeg[sof + 8] = static_cast<char>(0xFD);
  cases.push_back({"JPEG of 65021 x 65021", jpeg, "too large"});

  cases.push_back({"nothing", "", "unknown"});
  cases.push_back(
      {"a WMF", std::string("\xD7\xCD\xC6\x9A", 4) + std::string(40, '\0'), "not supported"});
  cases.push_back({"text", "hello, world", "unknown"});

  for (const Case& c : cases) {
    PictureResult r = platform::decode_picture(c.bytes);
    EXPECT_FALSE(r.ok()) << c.what;
    EXPECT_NE(r.error.find(c.expect), std::string::npos) << c.what << ": " << r.error;
  }
}

TEST(DamagedPictures, MissingFileNamesThePath) {
  PictureResult r = platform::load_picture(kDir + "no_such_picture.bmp");
  EXPECT_FALSE(r.ok());
  EXPECT_NE(r.error.find("no_such_picture.bmp"), std::string::npos) << r.error;
}

TEST(DamagedPictures, PaletteIndexBeyondTheTableIsBlack) {
  // An 8-bit BMP whose pixels point past its 6 palette entries.
  std::string b = read_fixture("bmp_8bit.bmp");
  const std::uint32_t offset = static_cast<unsigned char>(b[10]);
  b[offset] = static_cast<char>(200);
  PictureResult r = platform::decode_bmp(b);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.bitmap.pixel(0, 2), argb(255, 0, 0, 0));
}

TEST(Pictures, DigestTellsPicturesApart) {
  PictureResult a = platform::load_picture(kDir + "bmp_24bit.bmp");
  PictureResult b = platform::load_picture(kDir + "bmp_24bit_topdown.bmp");
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(platform::bitmap_digest(a.bitmap), platform::bitmap_digest(b.bitmap));
  Bitmap changed = a.bitmap;
  changed.pixels[7] ^= 1;
  EXPECT_NE(platform::bitmap_digest(a.bitmap), platform::bitmap_digest(changed));
}

}  // namespace
