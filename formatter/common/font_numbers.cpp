#include "formatter/common/font_numbers.h"

#include <algorithm>
#include <cmath>

namespace tavrel {

std::uint8_t FontCharToNumber(char letter, char prefix) {
  int base = 0;
  if (letter >= 'A' && letter <= 'Z')
    base = letter - 'A' + 1;
  else if (letter >= 'a' && letter <= 'z')
    base = letter - 'a' + 27;
  else
    return 0;
  int variant = 0;
  if (prefix == '\'')
    variant = 1;
  else if (prefix == '"')
    variant = 2;
  else if (prefix == '&')
    variant = 3;
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
  std::string fontName(
      1, base <= 26 ? static_cast<char>('A' + base - 1) : static_cast<char>('a' + base - 27));
  if (variant > 0) fontName.push_back("'\"&"[variant - 1]);
  return fontName;
}

}  // namespace tavrel
