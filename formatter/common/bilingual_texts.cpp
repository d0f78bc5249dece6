#include "formatter/common/bilingual_texts.h"

#include "platform/text.h"

namespace tavrel {
namespace {

// The published 850 -> 1252 mapping of every character both code pages hold, then the
// deviations the formatter has always shown.
ByteTable BuildDisplayTable(bool forPdf) {
  ByteTable t{};
  for (int b = 0; b < 256; ++b) {
    t[b] = static_cast<std::uint8_t>(b);
    if (b < 0x80) continue;
    const char32_t u =
        platform::to_unicode(platform::CodePage::cp850, static_cast<std::uint8_t>(b));
    if (auto w = platform::from_unicode(platform::CodePage::cp1252, u)) t[b] = *w;
  }
  t[0x15] = 0xA7;  // section sign
  t[0x9F] = 0x9F;
  t[0xBD] = 0xBD;
  t[0xFF] = 0xFF;
  t[0xBF] = 0xAC;              // not sign
  if (forPdf) t[0xFE] = 0x95;  // bullet
  return t;
}

}  // namespace

ByteTable InvertDisplayTable(const ByteTable& table) {
  ByteTable inv{};
  std::array<bool, 256> taken{};
  for (int v = 0; v < 256; ++v) inv[v] = static_cast<std::uint8_t>(v);
  for (int b = 0; b < 256; ++b) {
    const std::uint8_t v = table[b];
    if (!taken[v]) {
      inv[v] = static_cast<std::uint8_t>(b);
      taken[v] = true;
    } else if (inv[v] == v) {
      // An unchanged byte gives way to a real character that shows as v.
      inv[v] = static_cast<std::uint8_t>(b);
    }
  }
  return inv;
}

const ByteTable& DisplayTable() {
  static const ByteTable table = BuildDisplayTable(false);
  return table;
}
const ByteTable& DisplayTableInverse() {
  static const ByteTable table = InvertDisplayTable(DisplayTable());
  return table;
}
const ByteTable& PdfTextTable() {
  static const ByteTable table = BuildDisplayTable(true);
  return table;
}
const ByteTable& PdfTextTableInverse() {
  static const ByteTable table = InvertDisplayTable(PdfTextTable());
  return table;
}

std::string ToDisplayText(std::string_view cp850) {
  const ByteTable& t = DisplayTable();
  std::string out(cp850);
  for (char& c : out) c = static_cast<char>(t[static_cast<std::uint8_t>(c)]);
  return out;
}

std::string MakeUpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

void TranslatePdfText(std::string& text) {
  const ByteTable& t = PdfTextTable();
  for (char& c : text) c = static_cast<char>(t[static_cast<std::uint8_t>(c)]);
}

}  // namespace tavrel
