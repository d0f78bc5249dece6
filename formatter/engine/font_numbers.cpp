#include "formatter/engine/font_numbers.h"

#include <algorithm>
#include <cmath>

#include "formatter/engine/printer_data.h"

namespace tavrel {

std::uint8_t FontCharToNumber(char letter, char prefix) {
  int base = 0;
  if (letter >= 'A' && letter <= 'Z') base = letter - 'A' + 1;
  else if (letter >= 'a' && letter <= 'z') base = letter - 'a' + 27;
  else return 0;
  int variant = 0;
  if (prefix == '\'') variant = 1;
  else if (prefix == '"') variant = 2;
  else if (prefix == '&') variant = 3;
  return static_cast<std::uint8_t>(base + 52 * variant);
}

std::uint8_t FontSpecToNumber(std::string_view fontName) {
  const char letter = fontName.empty() ? 'A' : fontName[0];
  const char prefix = fontName.size() > 1 ? fontName[1] : ' ';
  return FontCharToNumber(letter, prefix);
}

std::string FontNumberToSpec(std::uint8_t number) {
  if (number < 1 || number > kFontCount) return std::string();
  const int base = (number - 1) % 52 + 1;
  const int variant = (number - 1) / 52;
  std::string fontName(1, base <= 26 ? static_cast<char>('A' + base - 1) : static_cast<char>('a' + base - 27));
  if (variant > 0) fontName.push_back("'\"&"[variant - 1]);
  return fontName;
}

bool IsProportionalFont(const CharWidths& widths) { return widths['W'] != widths['i']; }

void SetColumnWidth(std::int32_t& columnWidth, std::int32_t tabStep, CharWidths& widths) {
  if (IsProportionalFont(widths))
    columnWidth = static_cast<std::int32_t>(std::nearbyint(static_cast<double>(widths['W']) * tabStep / 100.0));
  else
    columnWidth = widths['X'];
  // Box drawings keep their columns; a width table holds bytes.
  const auto boxWidth = static_cast<std::uint8_t>(std::clamp(columnWidth, 0, 255));
  for (int c = 176; c <= 223; ++c) widths[c] = boxWidth;
}

bool LoadFontWidths(std::int32_t& columnWidth, std::int32_t tabStep, std::uint8_t fontNumber,
                    CharWidths& widths, const TPrinterDataRecord& printer, std::uint8_t normalFont) {
  bool measured = false;
  if (const std::uint8_t* w = FontWidths(printer, fontNumber)) {
    std::copy_n(w, 256, widths.begin());
    measured = std::any_of(widths.begin(), widths.end(), [](std::uint8_t x) { return x != 0; });
  }
  if (!measured) {
    widths.fill(0);
    if (const std::uint8_t* w = FontWidths(printer, normalFont)) std::copy_n(w, 256, widths.begin());
  }
  SetColumnWidth(columnWidth, tabStep, widths);
  return measured;
}

}  // namespace tavrel
