#pragma once
// Writes a converted text block (CR LF paragraph ends) as a WordStar document: long paragraphs
// broken into soft lines, indentation repeated on continuation lines, extended characters encoded.

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

class MessageBoxes;

inline constexpr std::uint8_t kConvertedIndentChar = 0xB0;

// The WordStar bytes for the text block.
std::string ConvertToWordStar(std::string_view text, bool wideLines, std::uint8_t indentChar);

// Writes the document to fileName (temporary file renamed into place); false after the message
// box when it cannot be written.
bool WriteWordStarDocument(const std::string& fileName, std::string_view text, bool wideLines,
                           std::uint8_t indentChar, std::uint8_t language, MessageBoxes& boxes);

}  // namespace tavrel
