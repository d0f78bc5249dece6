// The picture formats the graphics-file dialog saves, and the pixel size the editor asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavrel {

// Index order of the dialog's format choice; EMF and WMF are metafiles.
inline constexpr const char* kGraphicsFormats[5] = {"BMP", "EMF", "WMF", "GIF", "JPG"};

// 0..4 for the extension (any case; "jpeg" is JPG), -1 for any other.
int GrafikdateiTypnr(const std::string& extension);
bool IsMetafileFormat(int index);

struct RequiredSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// Bitmaps larger than this on a side are refused: the values come from another process.
inline constexpr std::int32_t kLargestRequiredSide = 32767;

// The size in pixels for the text width (tenths of an inch) at percent of it, at metafileDpi
// (0 is taken as 300 and stored so), with height = width x ratio. Nothing when the size would
// be empty, negative or beyond kLargestRequiredSide, or the ratio is not a positive number: a
// picture of that size would replace the one loaded.
std::optional<RequiredSize> BerechneGroesse(double ratio, std::int32_t& metafileDpi,
                                            std::int32_t pictureTextWidth,
                                            std::int32_t picturePercent);

// Height / width of a picture; nothing for a picture without width or height.
std::optional<double> PictureRatio(std::int32_t width, std::int32_t height);

}  // namespace tavrel
