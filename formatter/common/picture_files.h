#pragma once
// Finding and loading a picture file by the formatter's naming rules. Formatting (picture widths
// of graphics characters) and printing (the pictures themselves) both load through here, so a
// picture is read the same way in both.

#include <map>
#include <memory>
#include <string>

#include "formatter/common/file_services.h"
#include "platform/pictures.h"

namespace tavrel {

// Characters kept of the file name of a graphics character's picture.
inline constexpr int kGraphicsNameRoom = 100;

// Pictures already loaded, by the path found.
using PictureCache = std::map<std::string, std::shared_ptr<const platform::Bitmap>>;

// The loader's naming rules: "gra" is read as "bmp", a name without "." gets ".bmp".
std::string PictureFileName(std::string name);

// The name after PictureFileName; only "bmp", "gif", "jpg", "jpeg",
// "wmf" and "emf" are tried; the file is found with LocateFile or by opening it. Null when the
// picture cannot be had. A cache, when given, keeps every result, failures included.
std::shared_ptr<const platform::Bitmap> LoadPictureFile(std::string name, const FileContext& files,
                                                        PictureCache* cache);

}  // namespace tavrel
