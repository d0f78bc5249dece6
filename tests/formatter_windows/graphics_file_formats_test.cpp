// Formats of the graphics-file dialog and the size the editor asks for.
#include "formatter/windows/graphics_file_formats.h"

#include <gtest/gtest.h>

namespace tavrel {
namespace {

TEST(GraphicsFormats, ExtensionsNameTheirFormat) {
  const std::pair<const char*, int> cases[] = {{"bmp", 0}, {"EMF", 1},  {"Wmf", 2},   {"gif", 3},
                                               {"JPG", 4}, {"jpeg", 4}, {"JPEG", 4},  {"png", -1},
                                               {"", -1},   {"jp", -1},  {"bmpx", -1}, {".bmp", -1}};
  for (const auto& [extension, index] : cases)
    EXPECT_EQ(GrafikdateiTypnr(extension), index) << extension;
}

struct SizeCase {
  double ratio;
  std::int32_t dpi, textWidth, percent;
  std::optional<RequiredSize> size;
  std::int32_t dpiAfter;
};

TEST(GraphicsFormats, RequiredSizeFollowsTextWidthPercentAndDpi) {
  const SizeCase cases[] = {
      // 6 inch text, half of it, at 300 dpi: 900 pixels wide.
      {0.5, 300, 60, 50, RequiredSize{900, 450}, 300},
      // No resolution set: 300 dpi, and it stays set.
      {0.5, 0, 60, 50, RequiredSize{900, 450}, 300},
      {1.0, 96, 65, 100, RequiredSize{624, 624}, 96},
      // Rounded, not cut: 6.5 x 72 x 0.33 = 154.44; x 0.75 = 115.83.
      {0.75, 72, 65, 33, RequiredSize{154, 116}, 72},
      // A size that makes no picture is refused instead of replacing the picture.
      {0.5, 300, 60, 0, std::nullopt, 300},
      {0.5, 300, 0, 50, std::nullopt, 300},
      {0.5, 300, 60, -10, std::nullopt, 300},
      {0.0, 300, 60, 50, std::nullopt, 300},
      {0.5, 300, 60, 2000000, std::nullopt, 300},
  };
  for (const auto& c : cases) {
    std::int32_t dpi = c.dpi;
    const auto got = BerechneGroesse(c.ratio, dpi, c.textWidth, c.percent);
    ASSERT_EQ(got.has_value(), c.size.has_value()) << c.textWidth << "/" << c.percent;
    if (got) {
      EXPECT_EQ(got->Width, c.size->Width) << c.textWidth << "/" << c.percent;
      EXPECT_EQ(got->Height, c.size->Height) << c.textWidth << "/" << c.percent;
    }
    EXPECT_EQ(dpi, c.dpiAfter);
  }
}

TEST(GraphicsFormats, MetafileWithoutWidthHasNoRatio) {
  EXPECT_FALSE(PictureRatio(0, 100).has_value());
  EXPECT_FALSE(PictureRatio(100, 0).has_value());
  EXPECT_DOUBLE_EQ(*PictureRatio(200, 100), 0.5);
}

}  // namespace
}  // namespace tavrel
