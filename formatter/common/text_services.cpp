#include "formatter/common/text_services.h"

#include <cmath>
#include <cstdlib>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/formatted_file.h"

namespace tavrel {

void SplitLineIntoWords(std::string_view line, WordList& words, std::uint8_t quotesAsText) {
  for (std::string& w : words) w.clear();
  std::size_t current = 0;
  bool quoted = false;
  for (char c : line) {
    if (quotesAsText == 0 && c == '"') {
      quoted = !quoted;
    } else if (c == ' ' && !quoted) {
      ++current;
    } else if (current < kWordListSize && words[current].size() < kWordLength) {
      words[current].push_back(c);
    }
  }
}

std::string JoinWordList(std::string_view line) {
  WordList words;
  SplitLineIntoWords(line, words, 0);
  return words[0] + " " + words[1] + ", " + words[2];
}

bool AlignmentFromWord(std::string_view word, std::uint8_t& alignment) {
  const std::string w = MakeUpperCase(word);
  if (w == "LEFT" || w == "LINKS") {
    alignment = 1;
  } else if (w == "RIGHT" || w == "RECHTS") {
    alignment = 2;
  } else if (w == "CENTER" || w == "CENTERED" || w == "ZENTRIERT") {
    alignment = 0;
  } else {
    return true;
  }
  return false;
}

std::uint8_t ToggleFontStyle(std::uint8_t control, std::uint8_t style) {
  if (style > 3) return 0;
  if (control == kBoldToggle) return style ^ 1;
  if (control == kItalicToggle) return style ^ 2;
  return 0;
}

bool IsMeasureChar(char c) { return (c >= '0' && c <= '9') || c == '"' || c == '-' || c == '.'; }

int GetMeasureUnitsPerInch(std::string_view command) {
  if (!command.empty() && command[0] == '.') command.remove_prefix(1);
  const std::string c = MakeUpperCase(command.substr(0, 2));
  for (const char* k : {"LM", "PM", "MT", "MB", "PL", "HM", "FM"})
    if (c == k) return 6;
  for (const char* k : {"RM", "RF", "PO", "BS", "GU"})
    if (c == k) return 10;
  for (const char* k : {"LH", "SH", "HH", "MH"})
    if (c == k) return 48;
  return 0;
}

namespace {

// A decimal number as a whole: sign, digits, point, digits, exponent; nothing else.
bool ReadDecimal(const std::string& text, double& out) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != text.size()) return false;
  out = std::strtod(text.c_str(), nullptr);
  return std::isfinite(out);
}

}  // namespace

bool ParseMeasure(std::string_view textIn, std::int32_t& value, std::string_view commandIn) {
  std::string text(textIn.substr(0, 11));
  const std::string command = MakeUpperCase(commandIn.substr(0, 2));
  const bool alwaysTrue = command == "P#" || command == "CN" || command == "LG";

  const std::size_t lead = text.find_first_not_of(' ');
  text.erase(0, lead == std::string::npos ? text.size() : lead);
  bool inches = false;
  const std::size_t quote = text.find('"');
  if (quote != std::string::npos && quote + 1 == text.size()) {
    text.pop_back();
    inches = true;
  }
  const std::size_t comma = text.find(',');
  if (comma != std::string::npos) text[comma] = '.';
  const bool centimetres = !inches && text.find('.') != std::string::npos;

  double number = 0;
  bool ok = ReadDecimal(text, number);
  if (ok) {
    const double units = GetMeasureUnitsPerInch(command);
    if (inches) number *= units;
    if (centimetres) number = number * units / 2.54;
    const double rounded = std::nearbyint(number);  // ties to the even neighbour
    if (std::fabs(rounded) > 2147483647.0) {
      ok = false;
      value = 0;
    } else {
      value = static_cast<std::int32_t>(rounded);
    }
  } else {
    value = 0;
  }
  return ok || alwaysTrue;
}

}  // namespace tavrel
