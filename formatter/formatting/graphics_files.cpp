#include "formatter/formatting/graphics_files.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "formatter/common/picture_files.h"
#include "platform/files.h"

namespace tavrel {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Why the shared loader gave nothing, named by the same rules.
GraphicsLoadError LoadFailure(std::string name, const FileContext& files) {
  name = PictureFileName(name);
  const std::string ext = Lower(name.substr(name.rfind('.') + 1));
  switch (platform::picture_format_from_extension(ext)) {
    case platform::PictureFormat::unknown:
      return {GraphicsLoadFailure::kNotGraphics,
              name + ": not a graphics file (bmp, gif, jpg, jpeg, wmf, emf)"};
    case platform::PictureFormat::wmf:
    case platform::PictureFormat::emf:
      return {GraphicsLoadFailure::kUnreadable,
              name + ": metafile pictures (WMF, EMF) are not supported"};
    default:
      break;
  }
  std::string found = name;
  if (!LocateFile(found, files) && !FileExistsByOpen(found))
    return {GraphicsLoadFailure::kNotFound, name + ": file not found"};
  const platform::PictureResult result = platform::load_picture(found);
  return {GraphicsLoadFailure::kUnreadable, result.ok() ? found + ": empty picture" : result.error};
}

}  // namespace

bool LoadGraphicsFile(std::shared_ptr<const platform::Bitmap>& picture, const std::string& name,
                      const FileContext& files, GraphicsLoadError* error) {
  picture.reset();
  if (name.empty()) {
    if (error) *error = {GraphicsLoadFailure::kNoName, "no graphics file named"};
    return false;
  }
  // The file API finds names whatever their case and separators; the picture reader opens the
  // path as given, so it gets the path on disk.
  std::string found = PictureFileName(name);
  if (LocateFile(found, files) || FileExistsByOpen(found)) {
    picture = LoadPictureFile(platform::resolve_path(found), files, nullptr);
    if (picture) return true;
  }
  if (error) *error = LoadFailure(name, files);
  return false;
}

bool GetPictureSize(const std::string& name, const FileContext& files, std::int32_t& width,
                    std::int32_t& height, GraphicsLoadError* error) {
  width = height = 0;
  std::shared_ptr<const platform::Bitmap> picture;
  if (!LoadGraphicsFile(picture, name, files, error)) return false;
  width = picture->width;
  height = picture->height;
  return true;
}

void GraphicsCharTable::Clear() {
  Entries.fill(Entry{});
  Defined.fill(false);
}

std::int32_t GraphicsCharTable::WidthOf(std::uint8_t c) const {
  if (!Defined[c]) return -1;
  for (const Entry& e : Entries)
    if (e.Char == c) return e.Width;
  return -1;
}

GraphicsCharDefinition ParseGraphicsCharLine(std::string_view line, std::string_view command) {
  GraphicsCharDefinition def;
  if (line.size() < 4 || static_cast<std::uint8_t>(line[3]) == 0) return def;
  def.Valid = true;
  def.Char = static_cast<std::uint8_t>(line[3]);
  std::string name(line.size() > 5 ? line.substr(5) : std::string_view{});
  name.erase(0, std::min(name.find_first_not_of(' '), name.size()));
  if (!name.empty() && name.back() == ' ') name.pop_back();
  if (command == "GR" && name.size() >= 2 &&
      std::toupper(static_cast<unsigned char>(name[0])) == 'C' && name[1] == ':')
    name.erase(0, 2);
  def.FileName = name.substr(0, std::min<std::size_t>(name.size(), kGraphicsNameRoom));
  return def;
}

GraphicsCharOutcome DefineGraphicsChar(GraphicsCharTable& table, const GraphicsCharDefinition& def,
                                       const FileContext& files, std::int32_t printerDpi,
                                       std::int32_t graphicsDpi, GraphicsLoadError* error) {
  if (def.FileName.empty()) {
    table.Defined[def.Char] = false;
    for (GraphicsCharTable::Entry& e : table.Entries)
      if (e.Char == def.Char) e = GraphicsCharTable::Entry{};
    return GraphicsCharOutcome::kRemoved;
  }
  auto free = std::find_if(table.Entries.begin(), table.Entries.end(),
                           [](const GraphicsCharTable::Entry& e) { return e.Char == 0; });
  if (free == table.Entries.end()) return GraphicsCharOutcome::kTableFull;
  std::int32_t w = 0, h = 0;
  const bool loaded = GetPictureSize(def.FileName, files, w, h, error);
  const double factor =
      static_cast<double>(std::max(1, printerDpi)) / (graphicsDpi > 0 ? graphicsDpi : 300);
  free->Char = def.Char;
  free->FileName = def.FileName;
  free->Width = static_cast<std::int32_t>(std::min(std::nearbyint(w * factor), 1.0e9));
  // Defined even without a picture, as the page engine defines it: the line is then counted as
  // it will be printed.
  table.Defined[def.Char] = true;
  return loaded ? GraphicsCharOutcome::kDefined : GraphicsCharOutcome::kNotLoaded;
}

}  // namespace tavrel
