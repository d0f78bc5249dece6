#pragma once
// The graphics services of the formatting run: loading a picture file by the formatter's
// naming rules, its pixel size, and the graphics characters that ".GR" and ".BT" register so
// that a line counts each one with the width of its picture.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "formatter/common/file_services.h"
#include "platform/pictures.h"

namespace tavrel {

// Loads a picture: "gra" is read as "bmp", a name without "." gets ".bmp", the file is found
// with LocateFile; "bmp", "gif", "jpg", "jpeg" load, "wmf" and "emf" give the error that
// metafiles are not supported, any other extension is no graphics file. Shares the page
// engine's loader, so a picture is read the same way when formatting and when printing.
// Why a picture was not loaded: callers tell a missing file from one they cannot read.
enum class GraphicsLoadFailure { kNone, kNoName, kNotGraphics, kNotFound, kUnreadable };
struct GraphicsLoadError {
  GraphicsLoadFailure Kind = GraphicsLoadFailure::kNone;
  std::string Text;
};
bool LoadGraphicsFile(std::shared_ptr<const platform::Bitmap>& picture, const std::string& name,
                      const FileContext& files, GraphicsLoadError* error = nullptr);
// Loads the picture and gives its size in pixels; false (sizes 0) when it cannot be loaded.
bool GetPictureSize(const std::string& name, const FileContext& files, std::int32_t& width,
                    std::int32_t& height, GraphicsLoadError* error = nullptr);

inline constexpr int kGraphicsCharDefinitions = 20;

// The graphics characters of the formatting run, as the page engine will define them from the
// same dot lines: the first definition of a character counts until an empty name frees it.
struct GraphicsCharTable {
  struct Entry {
    std::uint8_t Char = 0;  // 0: free
    std::string FileName;
    std::int32_t Width = 0;  // printer dots
  };
  std::array<Entry, kGraphicsCharDefinitions> Entries{};
  std::array<bool, 256> Defined{};

  void Clear();
  // The width of the character's picture in printer dots; -1 when it is no graphics character.
  std::int32_t WidthOf(std::uint8_t c) const;
};

// The argument of a ".GR"/".BT" line: the character at the fourth place of the line, the file
// name from the sixth on without leading blanks (".GR" also drops a leading "C:") and without
// one trailing blank.
struct GraphicsCharDefinition {
  bool Valid = false;
  std::uint8_t Char = 0;
  std::string FileName;
};
GraphicsCharDefinition ParseGraphicsCharLine(std::string_view line, std::string_view command);

enum class GraphicsCharOutcome { kDefined, kRemoved, kTableFull, kNotLoaded };

// Registers a definition: an empty name frees the character's entry; otherwise the first free
// entry takes the character with the picture's width scaled from `graphicsDpi` (the ".GS"
// resolution, 300 when not above 0) to printerDpi. A picture that cannot be loaded defines
// the character with width 0, as the page engine does (kNotLoaded; error names why).
GraphicsCharOutcome DefineGraphicsChar(GraphicsCharTable& table, const GraphicsCharDefinition& def,
                                       const FileContext& files, std::int32_t printerDpi,
                                       std::int32_t graphicsDpi,
                                       GraphicsLoadError* error = nullptr);

}  // namespace tavrel
