#pragma once
// Font numbers 1..208 (letter and prefix) and the column width of a font's measured widths.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

inline constexpr int kFontCount = 208;  // font numbers 1..208

using CharWidths = std::array<std::uint8_t, 256>;

// A-Z 1..26, a-z 27..52, plus 52 x the prefix position in "'", '"', "&". 0 when the letter is
// not a letter (no such font).
std::uint8_t FontCharToNumber(char letter, char prefix);
// First character the letter (default "A"), second the prefix.
std::uint8_t FontSpecToNumber(std::string_view fontName);
// The letter, followed by the prefix for numbers above 52; empty for numbers outside 1..208.
std::string FontNumberToSpec(std::uint8_t number);

}  // namespace tavrel
