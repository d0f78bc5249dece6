#include "formatter/fonts/canvas_fonts.h"

#include "formatter/common/bilingual_texts.h"

namespace tavrel {
namespace {

// Removes the first occurrence of word (found in the upper-cased text) from text.
bool TakeWord(std::string& text, const std::string& word) {
  const std::size_t at = MakeUpperCase(text).find(word);
  if (at == std::string::npos) return false;
  text.erase(at, word.size());
  return true;
}

}  // namespace

FaceAndStyle SplitFaceStyle(const std::string& fontText) {
  FaceAndStyle result;
  result.Face = fontText;
  result.Italic = TakeWord(result.Face, " ITALIC");
  result.Bold = TakeWord(result.Face, " BOLD");
  return result;
}

void ApplyFontSpec(platform::Canvas* canvas, platform::CanvasFont* control,
                   const std::string& fontText, std::int32_t colour, bool lineDrawing,
                   std::int32_t size) {
  if (size < 1) size = 1;
  const FaceAndStyle style = SplitFaceStyle(fontText);
  auto fill = [&](platform::CanvasFont& font) {
    font.face = style.Face;
    font.bold = style.Bold;
    font.italic = style.Italic;
    font.size = size;
    font.code_page = platform::CodePage::cp850;  // the OEM character set of the documents
  };
  if (canvas) {
    if (lineDrawing && size < 3) {
      platform::Pen pen = canvas->pen();
      pen.colour = platform::Rgb{128, 128, 128};
      pen.width = size;
      canvas->set_pen(pen);
    } else {
      platform::Pen pen = canvas->pen();
      pen.colour = platform::Rgb::from_int(colour);
      canvas->set_pen(pen);
      platform::CanvasFont font = canvas->font();
      fill(font);
      font.colour = platform::Rgb::from_int(colour);
      canvas->set_font(font);
      platform::Brush brush = canvas->brush();
      brush.style = platform::BrushStyle::clear;
      canvas->set_brush(brush);
    }
  }
  if (control) fill(*control);
}

std::int32_t CharTextWidth(platform::Canvas& canvas, std::uint8_t c) {
  const char text[1] = {static_cast<char>(c)};
  return canvas.text_width(std::string_view(text, 1));
}

}  // namespace tavrel
