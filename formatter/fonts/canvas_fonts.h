#pragma once
// Puts a font of the font definitions (a face name that may carry " Italic" and " Bold") on a
// canvas or on a control's font, and measures single characters with it.

#include <cstdint>
#include <string>

#include "platform/canvas.h"

namespace tavrel {

// The face name without its style words, and the styles they stood for.
struct FaceAndStyle {
  std::string Face;
  bool Bold = false;
  bool Italic = false;
};
FaceAndStyle SplitFaceStyle(const std::string& fontText);

// With a canvas: for line drawing thinner than 3 only the pen changes (middle grey, width =
// size); otherwise the pen takes the colour, the font the face, styles, size and the OEM code
// page, and the brush becomes clear. With a control font, that font gets the same face, styles,
// size and code page. Either may be null. Sizes below 1 count as 1.
void ApplyFontSpec(platform::Canvas* canvas, platform::CanvasFont* control,
                   const std::string& fontText, std::int32_t colour, bool lineDrawing,
                   std::int32_t size);

// The width of one character in the canvas's current font.
std::int32_t CharTextWidth(platform::Canvas& canvas, std::uint8_t c);

}  // namespace tavrel
