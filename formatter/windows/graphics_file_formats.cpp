#include "formatter/windows/graphics_file_formats.h"

#include <cmath>

#include "formatter/common/bilingual_texts.h"

namespace tavrel {

int GrafikdateiTypnr(const std::string& extension) {
  const std::string upper = MakeUpperCase(extension);
  // A ".jpeg" file loads as a JPEG: it must save as one too, never without a format.
  if (upper == "JPEG") return 4;
  for (int i = 0; i < 5; ++i)
    if (upper == kGraphicsFormats[i]) return i;
  return -1;
}

bool IsMetafileFormat(int index) { return index == 1 || index == 2; }

std::optional<RequiredSize> BerechneGroesse(double ratio, std::int32_t& metafileDpi,
                                            std::int32_t pictureTextWidth,
                                            std::int32_t picturePercent) {
  if (metafileDpi == 0) metafileDpi = 300;
  if (!std::isfinite(ratio) || ratio <= 0) return std::nullopt;
  const double width = std::round(static_cast<double>(pictureTextWidth) * 0.1 * metafileDpi /
                                  100.0 * picturePercent);
  const double height = std::round(width * ratio);
  if (width < 1 || height < 1 || width > kLargestRequiredSide || height > kLargestRequiredSide)
    return std::nullopt;
  return RequiredSize{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
}

std::optional<double> PictureRatio(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  return static_cast<double>(height) / width;
}

}  // namespace tavrel
