#pragma once
// Font numbers 1..208 (letter and prefix) and the column width of a font's measured widths.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

struct TPrinterDataRecord;

using CharWidths = std::array<std::uint8_t, 256>;

// A-Z 1..26, a-z 27..52, plus 52 x the prefix position in "'", '"', "&". 0 when the letter is
// not a letter (no such font).
std::uint8_t FontCharToNumber(char letter, char prefix);
// First character the letter (default "A"), second the prefix.
std::uint8_t FontSpecToNumber(std::string_view fontName);
// The letter, followed by the prefix for numbers above 52; empty for numbers outside 1..208.
std::string FontNumberToSpec(std::uint8_t number);

bool IsProportionalFont(const CharWidths& widths);
// Column width from "W" (proportional, by tabStep percent) or "X"; box characters 176..223 get it.
void SetColumnWidth(std::int32_t& columnWidth, std::int32_t tabStep, CharWidths& widths);
// The measured widths of fontNumber; false (and the normal font's widths) when it was not measured.
bool LoadFontWidths(std::int32_t& columnWidth, std::int32_t tabStep, std::uint8_t fontNumber,
                    CharWidths& widths, const TPrinterDataRecord& printer, std::uint8_t normalFont);

}  // namespace tavrel
