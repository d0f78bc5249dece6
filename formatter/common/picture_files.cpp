#include "formatter/common/picture_files.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <utility>

namespace tavrel {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The lower-case name ends in "." + ext.
bool EndsInExtension(const std::string& lower, const char* ext) {
  const std::string e = std::string(".") + ext;
  return lower.size() >= e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0;
}

}  // namespace

std::string PictureFileName(std::string name) {
  const std::string lower = Lower(name);
  if (lower.size() >= 3 && lower.compare(lower.size() - 3, 3, "gra") == 0)
    name = ChangeFileExtension(name, "bmp");
  else if (name.find('.') == std::string::npos)
    name += ".bmp";
  return name;
}

std::shared_ptr<const platform::Bitmap> LoadPictureFile(std::string name, const FileContext& files,
                                                        PictureCache* cache) {
  name = PictureFileName(std::move(name));
  const std::string lower = Lower(name);
  static const char* const kAccepted[] = {"bmp", "gif", "jpg", "jpeg", "wmf", "emf"};
  if (std::none_of(std::begin(kAccepted), std::end(kAccepted),
                   [&](const char* e) { return EndsInExtension(lower, e); }))
    return nullptr;
  std::string found = name;
  if (!LocateFile(found, files) && !FileExistsByOpen(found)) return nullptr;
  if (cache) {
    if (auto it = cache->find(found); it != cache->end()) return it->second;
  }
  platform::PictureResult result = platform::load_picture(found);
  std::shared_ptr<const platform::Bitmap> picture;
  if (result.ok() && !result.bitmap.empty())
    picture = std::make_shared<platform::Bitmap>(std::move(result.bitmap));
  if (cache) (*cache)[found] = picture;
  return picture;
}

}  // namespace tavrel
