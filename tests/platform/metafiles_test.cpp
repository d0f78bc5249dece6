#include "platform/metafiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>
#include <string>

#include "platform/metafile_loader.h"
#include "platform/picture_encoders.h"
#include "tests/support/test_support.h"

namespace {

using platform::argb;
using platform::Bitmap;
using platform::PictureFormat;

// Left half red, right half blue, black top rows: a reader that flips or swaps shows it.
Bitmap Halves(int width, int height) {
  Bitmap b;
  b.width = width;
  b.height = height;
  b.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      b.pixels[static_cast<std::size_t>(y) * width + x] = y < 3           ? argb(255, 0, 0, 0)
                                                          : x < width / 2 ? argb(255, 255, 0, 0)
                                                                          : argb(255, 0, 0, 255);
  return b;
}

Bitmap Random(int width, int height, int colours, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint32_t> palette;
  for (int i = 0; i < colours; ++i) palette.push_back(random() | 0xFF000000u);
  Bitmap b;
  b.width = width;
  b.height = height;
  for (int i = 0; i < width * height; ++i) b.pixels.push_back(palette[random() % palette.size()]);
  return b;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int x = static_cast<int>((a >> shift) & 0xFF), y = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(x - y) > tolerance) return false;
  }
  return true;
}

// Lossless formats give back every pixel, whatever the size (odd widths need row padding)
// and, for GIF, up to 256 colours.
TEST(PictureEncoders, BmpAndGifGiveBackEveryPixel) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const Bitmap b = Random(1 + static_cast<int>(seed * 7 % 23), 1 + static_cast<int>(seed % 5),
                            seed % 2 ? 256 : 3, seed);
    for (auto format : {PictureFormat::bmp, PictureFormat::gif}) {
      const platform::EncodeResult encoded = platform::encode_picture(b, format);
      ASSERT_TRUE(encoded.ok()) << encoded.error;
      const platform::PictureResult back = platform::decode_picture(encoded.bytes);
      ASSERT_TRUE(back.ok()) << back.error;
      EXPECT_EQ(back.bitmap.width, b.width);
      EXPECT_EQ(back.bitmap.height, b.height);
      EXPECT_EQ(back.bitmap.pixels, b.pixels) << "seed " << seed;
    }
  }
}

TEST(PictureEncoders, ManyColoursAndJpegStayClose) {
  const Bitmap many = Random(40, 30, 5000, 99);
  const platform::EncodeResult gif = platform::encode_gif(many);
  ASSERT_TRUE(gif.ok()) << gif.error;
  const platform::PictureResult gifBack = platform::decode_gif(gif.bytes);
  ASSERT_TRUE(gifBack.ok()) << gifBack.error;
  EXPECT_EQ(gifBack.bitmap.width, 40);
  EXPECT_EQ(gifBack.bitmap.height, 30);

  const Bitmap halves = Halves(64, 32);
  const platform::EncodeResult jpeg = platform::encode_jpeg(halves);
  ASSERT_TRUE(jpeg.ok()) << jpeg.error;
  const platform::PictureResult back = platform::decode_jpeg(jpeg.bytes);
  ASSERT_TRUE(back.ok()) << back.error;
  ASSERT_EQ(back.bitmap.width, 64);
  ASSERT_EQ(back.bitmap.height, 32);
  EXPECT_TRUE(Near(back.bitmap.pixel(8, 16), argb(255, 255, 0, 0), 40));
  EXPECT_TRUE(Near(back.bitmap.pixel(56, 16), argb(255, 0, 0, 255), 40));
}

TEST(PictureEncoders, RefuseEmptyOrInconsistentBitmaps) {
  Bitmap lying;
  lying.width = 10;
  lying.height = 10;
  lying.pixels.resize(5);
  for (auto format : {PictureFormat::bmp, PictureFormat::gif, PictureFormat::jpeg}) {
    EXPECT_FALSE(platform::encode_picture(Bitmap{}, format).ok());
    EXPECT_FALSE(platform::encode_picture(lying, format).ok());
  }
  EXPECT_FALSE(platform::encode_picture(Halves(4, 4), PictureFormat::emf).ok());
}

class Metafiles : public ::testing::TestWithParam<PictureFormat> {};

// A bitmap made into a metafile keeps its size, and drawing it at twice the size shows the
// same halves in the same places.
TEST_P(Metafiles, HoldABitmapAndDrawItAtAnySize) {
  const platform::EncodeResult written = platform::metafile_from_bitmap(Halves(60, 30), GetParam());
  ASSERT_TRUE(written.ok()) << written.error;
  const platform::MetafileResult read = platform::read_metafile(written.bytes);
  ASSERT_TRUE(read.ok()) << read.error;
  EXPECT_EQ(read.metafile.format, GetParam());
  EXPECT_EQ(read.metafile.width, 60);
  EXPECT_EQ(read.metafile.height, 30);
  const platform::PictureResult drawn = platform::render_metafile(read.metafile, 120, 60);
  ASSERT_TRUE(drawn.ok()) << drawn.error;
  ASSERT_EQ(drawn.bitmap.width, 120);
  ASSERT_EQ(drawn.bitmap.height, 60);
  EXPECT_TRUE(Near(drawn.bitmap.pixel(20, 40), argb(255, 255, 0, 0), 40));
  EXPECT_TRUE(Near(drawn.bitmap.pixel(100, 40), argb(255, 0, 0, 255), 40));
  EXPECT_TRUE(Near(drawn.bitmap.pixel(20, 3), argb(255, 0, 0, 0), 40));
}

// The other kind holds the same drawing; its own kind is written byte for byte.
TEST_P(Metafiles, WriteInEitherKind) {
  const PictureFormat other =
      GetParam() == PictureFormat::emf ? PictureFormat::wmf : PictureFormat::emf;
  const platform::EncodeResult written = platform::metafile_from_bitmap(Halves(50, 20), GetParam());
  ASSERT_TRUE(written.ok());
  const platform::Metafile source = platform::read_metafile(written.bytes).metafile;
  EXPECT_EQ(platform::write_metafile(source, GetParam()).bytes, written.bytes);
  const platform::EncodeResult converted = platform::write_metafile(source, other);
  ASSERT_TRUE(converted.ok()) << converted.error;
  const platform::MetafileResult back = platform::read_metafile(converted.bytes);
  ASSERT_TRUE(back.ok()) << back.error;
  EXPECT_EQ(back.metafile.format, other);
  EXPECT_EQ(back.metafile.width, 50);
  EXPECT_EQ(back.metafile.height, 20);
  const platform::PictureResult drawn = platform::render_metafile(back.metafile, 50, 20);
  ASSERT_TRUE(drawn.ok()) << drawn.error;
  EXPECT_TRUE(Near(drawn.bitmap.pixel(45, 10), argb(255, 0, 0, 255), 40));
  EXPECT_FALSE(platform::write_metafile(source, PictureFormat::bmp).ok());
}

INSTANTIATE_TEST_SUITE_P(Kinds, Metafiles,
                         ::testing::Values(PictureFormat::emf, PictureFormat::wmf));

// Another program reads what is written: file(1) names the kind, wmf2svg draws the WMF at
// its size.
TEST(MetafilesOnDisk, OtherProgramsReadThem) {
  corvina_test::TempDir dir("metafiles");
  const std::string emf = dir / "p.emf", wmf = dir / "p.wmf";
  corvina_test::WriteFile(emf,
                          platform::metafile_from_bitmap(Halves(90, 45), PictureFormat::emf).bytes);
  corvina_test::WriteFile(wmf,
                          platform::metafile_from_bitmap(Halves(90, 45), PictureFormat::wmf).bytes);
  EXPECT_NE(corvina_test::CommandOutput("file -b '" + emf + "'").find("Enhanced Metafile"),
            std::string::npos);
  EXPECT_NE(corvina_test::CommandOutput("file -b '" + wmf + "'").find("metafile"),
            std::string::npos);
  const std::string svg = corvina_test::CommandOutput("wmf2svg '" + wmf + "' 2>/dev/null");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, std::regex("width=\"([0-9.]+)\"\\s+height=\"([0-9.]+)\"")))
      << svg.substr(0, 400);
  EXPECT_NEAR(std::stod(m[2]) / std::stod(m[1]), 0.5, 0.02);
}

TEST(MetafilesOnDisk, DamagedOrSizelessHeaders) {
  std::string emf = platform::metafile_from_bitmap(Halves(10, 10), PictureFormat::emf).bytes;
  EXPECT_FALSE(platform::read_metafile(emf.substr(0, 60)).ok());
  std::string longer = emf;
  longer[48] = '\xFF';  // claims more bytes than there are
  EXPECT_FALSE(platform::read_metafile(longer).ok());
  // A frame of width 0 is read, but there is no size to draw it at.
  std::string flat = emf;
  for (int i = 24; i < 40; ++i) flat[i] = 0;
  const platform::MetafileResult read = platform::read_metafile(flat);
  ASSERT_TRUE(read.ok()) << read.error;
  EXPECT_EQ(read.metafile.width, 0);
  EXPECT_FALSE(platform::render_metafile(read.metafile, 0, 10).ok());
  EXPECT_FALSE(platform::render_metafile(read.metafile, 40000, 40000).ok());

  std::string wmf = platform::metafile_from_bitmap(Halves(10, 10), PictureFormat::wmf).bytes;
  EXPECT_FALSE(platform::read_metafile(wmf.substr(0, 30)).ok());
  wmf[14] = wmf[15] = 0;  // no units per inch
  EXPECT_EQ(platform::read_metafile(wmf).metafile.width, 0);
  EXPECT_FALSE(platform::read_metafile("BM not a metafile").ok());
  EXPECT_FALSE(platform::load_metafile("/nonexistent/p.emf").ok());
}

// The metafile libraries come in a module of their own, loaded on first use: a program that
// draws no metafile does not map them. The module is found from the tests' folder too.
TEST(MetafileModule, LoadedOnUseNotLinked) {
  const std::string needed = corvina_test::CommandOutput("readelf -d /proc/self/exe");
  ASSERT_NE(needed.find("NEEDED"), std::string::npos) << needed;
  for (const char* library : {"librsvg", "libwmf", "libemf2svg", "libuemf"})
    EXPECT_EQ(needed.find(library), std::string::npos) << library;
  const platform::MetafileModule& module = platform::metafile_module();
  ASSERT_TRUE(module.ok()) << module.error;
  EXPECT_EQ(module.calls->version, CORVINA_METAFILE_CALLS_VERSION);
}

// A missing or broken module is an error that says what is wrong, never a crash.
TEST(MetafileModule, MissingOrBrokenModuleIsReported) {
  corvina_test::TempDir empty("metafile-module"), broken("metafile-module");
  const platform::MetafileModule missing = platform::open_metafile_module({empty.Path().string()});
  EXPECT_FALSE(missing.ok());
  EXPECT_NE(missing.error.find("not found"), std::string::npos) << missing.error;
  EXPECT_NE(missing.error.find(empty.Path().string()), std::string::npos) << missing.error;

  corvina_test::WriteFile(broken / platform::kMetafileModuleName, "not a shared object");
  const platform::MetafileModule bad =
      platform::open_metafile_module({empty.Path().string(), broken.Path().string()});
  EXPECT_FALSE(bad.ok());
  EXPECT_NE(bad.error.find("cannot be loaded"), std::string::npos) << bad.error;

  // The first folder that holds the module wins over the broken one after it.
  const std::vector<std::string> folders = platform::metafile_module_folders();
  std::vector<std::string> places{empty.Path().string()};
  places.insert(places.end(), folders.begin(), folders.end());
  places.push_back(broken.Path().string());
  EXPECT_TRUE(platform::open_metafile_module(places).ok());
}

}  // namespace
