// Toggle characters: twelve characters of the running text that switch a text attribute on and
// off. Inside the compiler each toggle is carried by an internal character; for plain-text
// sources these are chosen among the unused bytes 128..255 and the source is rewritten.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/foundation/messages.h"

namespace skeldon {

struct FoundationRun;

inline constexpr int kToggleCount = 12;

struct TToggleDef {
  MessageId Name;          // at most 15 characters in German, 9 in English
  const char* HtmlTag;     // "" when none
  const char* RtfKeyword;  // "" when none
};
extern const std::array<TToggleDef, kToggleCount> kToggleDefs;

struct ToggleTables {
  std::string InternalToggleChars;              // position n-1: internal char of toggle n
  std::array<std::uint8_t, 256> ToggleCharMap;  // user char -> internal char
  std::array<bool, 256> IsInternalToggleChar{};
  // ASCII letters and digits that are no toggle: every target writes them unchanged.
  std::array<bool, 256> IsPlainOutputChar{};
  std::array<bool, kToggleCount> ToggleState{};  // on/off of each toggle during output
  ToggleTables() {
    SetIdentity();
    for (int c = 0; c < 256; ++c)
      IsPlainOutputChar[c] =
          (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  }
  void SetIdentity() {
    for (int c = 0; c < 256; ++c) ToggleCharMap[c] = static_cast<std::uint8_t>(c);
  }
};

// What the choice of internal characters must avoid besides the source's own bytes.
struct ToggleChoiceInput {
  std::string_view ToggleChars;       // the twelve user characters ("toggles")
  std::string_view ListChars;         // "list chars"
  std::string_view PrintedListChars;  // "printed listchars"
  std::uint8_t IndexChar = 0;         // "index char"
};

// Picks twelve free characters from 255 downwards, fills ToggleCharMap and rewrites the buffer
// outside dot-command lines. Returns false (nothing rewritten) when fewer than twelve are free.
bool ChooseInternalToggleChars(ToggleTables& tables, std::string& buffer,
                               const ToggleChoiceInput& input);
// The run's version: reads the ini settings, rewrites the source buffer and the button texts;
// too few free characters end the run (exit code 2).
void ChooseInternalToggleChars(FoundationRun& run);

// IsInternalToggleChar[c] := c occurs in InternalToggleChars.
void BuildToggleCharTable(ToggleTables& tables);

std::string MapToggleChars(const ToggleTables& tables, std::string_view text);
std::string UpperCaseAscii(std::string_view text);
// Inline: the link lookup asks it for every word of the running text.
inline std::uint8_t IndexBucketOf(std::string_view word) {
  if (word.size() < 3) return 170;
  const auto first = static_cast<std::uint8_t>(word[0]);
  const auto third = static_cast<std::uint8_t>(word[2]);
  return static_cast<std::uint8_t>((first % 16) * 16 + third % 16);
}

}  // namespace skeldon
