// Code pages 437, 850 and Windows-1252, UTF-8, and the byte conversions that Windows'
// OemToChar / CharToOem perform. Text inside the suite is code-page bytes; these are the
// edges where it meets Unicode (console, file names) or the other code page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class CodePage {
  cp437,   // DOS United States
  cp850,   // DOS Western Europe (the suite's German texts)
  cp1252,  // Windows Western ("ANSI")
};

// ---- Code page <-> Unicode ------------------------------------------------------------

// The code point of every byte. Bytes 0x00..0x7F are ASCII (controls stay controls, as
// Windows' MultiByteToWideChar gives them). The five codes that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value, as Windows does.
const std::array<char32_t, 256>& code_page_table(CodePage cp);

char32_t to_unicode(CodePage cp, std::uint8_t byte);

// The byte of the code point in the code page; empty when the code page lacks it.
std::optional<std::uint8_t> from_unicode(CodePage cp, char32_t code_point);

// A stand-in for a code point the code page lacks: an ASCII or code-page look-alike
// (box-drawing lines -> '-', '|', '+', '='; shades and blocks -> '#'; typographic quotes and
// dashes -> ASCII; accented letters without a form of their own -> the base letter; a few
// Greek and math signs of code page 437 -> their Latin look-alike). Empty when there is none.
// This is our own best-fit list, close to but not copied from Windows' best-fit tables.
std::optional<std::uint8_t> best_fit(CodePage cp, char32_t code_point);

// ---- UTF-8 ----------------------------------------------------------------------------

// Appends the UTF-8 form of a code point; invalid code points (surrogates, > U+10FFFF)
// become U+FFFD.
void append_utf8(std::string& out, char32_t code_point);
std::string utf8_encode(char32_t code_point);

struct Utf8Char {
  char32_t code_point;  // U+FFFD when invalid
  std::size_t length;   // bytes consumed, at least 1 when pos < size
  bool valid;
};
// Decodes one character at pos. Rejects overlong forms, surrogates, values above U+10FFFF
// and truncated sequences (each invalid byte is consumed alone). pos must be < text.size().
Utf8Char decode_utf8(std::string_view text, std::size_t pos);

bool is_valid_utf8(std::string_view text);

// ---- Whole-text conversions -----------------------------------------------------------

std::string code_page_to_utf8(std::string_view bytes, CodePage cp);

// How utf8_to_code_page treats a character the code page lacks.
enum class Unmappable {
  default_char,        // always the default character
  best_fit_or_default  // best_fit() when there is one, else the default character
};
// Invalid UTF-8 bytes count as unmappable characters (one default character per bad byte).
std::string utf8_to_code_page(std::string_view utf8, CodePage cp, char default_char = '?',
                              Unmappable mode = Unmappable::default_char);

// ---- Byte-to-byte (OemToChar / CharToOem) ---------------------------------------------

// The table that turns a byte of `from` into a byte of `to`: the same character when `to`
// has it, else best_fit(), else '?'. Bytes 0x00..0x7F always stay themselves.
// Examples: 850 -> 1252: 0x84 (a umlaut) -> 0xE4, 0xC4 (box line) -> '-', 0xB0 (shade) -> '#';
// 1252 -> 850: 0xE4 -> 0x84, 0x80 (euro) -> '?', 0x93 (left double quote) -> '"'.
const std::array<std::uint8_t, 256>& conversion_table(CodePage from, CodePage to);

std::uint8_t convert_byte(std::uint8_t byte, CodePage from, CodePage to);
std::string convert_text(std::string_view bytes, CodePage from, CodePage to);

// The Windows names: OEM (437 or 850) <-> ANSI (1252).
inline std::string oem_to_char(std::string_view bytes, CodePage oem = CodePage::cp850) {
  return convert_text(bytes, oem, CodePage::cp1252);
}
inline std::string char_to_oem(std::string_view bytes, CodePage oem = CodePage::cp850) {
  return convert_text(bytes, CodePage::cp1252, oem);
}

// ---- Case mapping ---------------------------------------------------------------------

// Upper / lower case of a letter within one code page: ASCII letters and every accented
// letter whose other case the code page also holds (850: 0x84 <-> 0x8E; 1252: 0xE4 <-> 0xC4,
// 0x9A <-> 0x8A). Every other byte, and letters whose partner is missing (0xE1 sharp s,
// 437's 0xE4 ... greek), stay as they are.
std::uint8_t to_upper(CodePage cp, std::uint8_t byte);
std::uint8_t to_lower(CodePage cp, std::uint8_t byte);
std::string to_upper(CodePage cp, std::string_view bytes);
std::string to_lower(CodePage cp, std::string_view bytes);

// Simple case folding for comparing names: ASCII and Latin-1/Latin Extended-A letters
// folded to lower case; other code points unchanged.
char32_t fold_case(char32_t code_point);
// Case-insensitive equality of two UTF-8 texts under fold_case (bytes that are not valid
// UTF-8 compare exactly).
bool utf8_equal_ignore_case(std::string_view a, std::string_view b);
// A key for a name under the same rule: two names have equal keys exactly when
// utf8_equal_ignore_case holds for them.
std::u32string utf8_case_key(std::string_view text);

}  // namespace platform
