#pragma once
// Word splitting, alignment words, font styles and the measures of dot commands.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

inline constexpr std::size_t kWordListSize = 20;
inline constexpr std::size_t kWordLength = 30;
// Word 1 is Words[0].
using WordList = std::array<std::string, kWordListSize>;

// Splits at blanks; with quotesAsText 0 double quotes group blanks and are dropped. Words beyond
// the 20th are dropped and each word is cut at 30 characters, as the fixed list holds no more.
void SplitLineIntoWords(std::string_view line, WordList& words, std::uint8_t quotesAsText);
// Word 1 + " " + word 2 + ", " + word 3.
std::string JoinWordList(std::string_view line);
// True when the word is not recognised (alignment then unchanged): 1 left, 2 right, 0 centred.
bool AlignmentFromWord(std::string_view word, std::uint8_t& alignment);
// Styles 0 normal, 1 bold, 2 italic, 3 bold italic; controls kBoldToggle and kItalicToggle.
std::uint8_t ToggleFontStyle(std::uint8_t control, std::uint8_t style);
bool IsMeasureChar(char c);

// 6, 10 or 48 units per inch; 0 for a command without units.
int GetMeasureUnitsPerInch(std::string_view command);
// Reads a measure in the command's units, inches (trailing double quote) or centimetres
// ("." or ","). False when unreadable, except for P#, CN and LG.
bool ParseMeasure(std::string_view text, std::int32_t& value, std::string_view command);

}  // namespace tavrel
