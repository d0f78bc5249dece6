// Writes metafiles (EMF, WMF) that hold a bitmap: what a drawing becomes when it is saved in
// the other metafile kind.
#pragma once

#include "platform/picture_encoders.h"
#include "platform/pictures.h"

namespace platform {

// The drawing's own size is given in pixels at this resolution, as a screen shows it.
inline constexpr int kMetafileScreenDpi = 96;

// A metafile of format (emf or wmf) that shows bitmap at its size in pixels at
// kMetafileScreenDpi.
EncodeResult metafile_from_bitmap(const Bitmap& bitmap, PictureFormat format);

}  // namespace platform
