// Writes a bitmap as a BMP, GIF or JPEG file's bytes: the forms the graphics dialog saves and
// the picture readers (platform/pictures) read back.
#pragma once

#include <string>

#include "platform/pictures.h"

namespace platform {

struct EncodeResult {
  std::string bytes;
  std::string error;  // empty on success
  bool ok() const { return error.empty(); }
};

// 24-bit uncompressed Windows bitmap, rows bottom up; alpha is dropped.
EncodeResult encode_bmp(const Bitmap& bitmap);
// GIF89a: the exact colours when the picture has at most 256, else a quantised palette.
EncodeResult encode_gif(const Bitmap& bitmap);
// Baseline JPEG, quality 1..100.
EncodeResult encode_jpeg(const Bitmap& bitmap, int quality = 90);
// By format (bmp, gif, jpeg); any other format is an error.
EncodeResult encode_picture(const Bitmap& bitmap, PictureFormat format);

}  // namespace platform
