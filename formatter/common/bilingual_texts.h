#pragma once
// The code-page tables that show code page 850 text (the German messages of the catalogue,
// document text) in Windows-1252, and small text helpers.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

using ByteTable = std::array<std::uint8_t, 256>;

// Code page 850 to Windows-1252 with the display deviations (0x15 -> section sign, 0xBF -> not
// sign, 0x9F/0xBD/0xFF unchanged, bytes without a counterpart unchanged).
const ByteTable& DisplayTable();
const ByteTable& DisplayTableInverse();
// The same pair for PDF marks, which also map 0xFE to the bullet (0x95).
const ByteTable& PdfTextTable();
const ByteTable& PdfTextTableInverse();

// Builds an inverse the way the display tables are inverted: entry v takes the first source
// byte mapping to v, but an unchanged byte gives way to a later byte mapping to v.
ByteTable InvertDisplayTable(const ByteTable& table);

// Code page 850 text to the display code page.
std::string ToDisplayText(std::string_view cp850);

// a-z to A-Z; every other byte unchanged.
std::string MakeUpperCase(std::string_view text);

void TranslatePdfText(std::string& text);

}  // namespace tavrel
