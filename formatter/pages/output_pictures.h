#pragma once
// Characters drawn as something other than a glyph: graphics characters (a picture file),
// box-drawing characters (lines), characters with a figure (square, rounded square, circle),
// and the "BM" picture across the line.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "formatter/pages/page_state.h"

namespace tavrel {

// Starts a run: no graphics characters, character 254 a filled square of 35 percent.
void ResetOutputPictures(TDruckVar& state);

// "GR" / "BT": an empty name removes the character's definition. False after a fatal stop.
bool DefineGraphicsChar(PageRun& run, std::uint8_t character, std::string fileName);
// "DT": the argument is the character followed by words (size 10..100, kind 0..9).
void DefineFigure(TDruckVar& state, std::string_view argument);

bool IsBoxDrawingChar(const PageRun& run, std::uint8_t character);
// Box-drawing or figure character: drawn in the cell at position (printer dots).
void DrawBoxOrFigureChar(PageRun& run, std::uint8_t character, std::int32_t position);
// A graphics character at position; its picture's width in printer dots (0 when the
// character is not defined: the run is then stopped).
std::int32_t DrawGraphicsChar(PageRun& run, std::uint8_t character, std::int32_t position,
                              bool paint);
// "BM": the picture across the line.
void DrawBmPicture(PageRun& run, const std::string& fileName, BmAlignment alignment);

// Finds and loads a picture as the formatter's picture loader does (bmp, gif, jpg, jpeg;
// "gra" is read as bmp; a name without "." gets ".bmp"); null when it cannot be loaded.
std::shared_ptr<const platform::Bitmap> LoadGraphicsFile(PageRun& run, std::string name);

}  // namespace tavrel
