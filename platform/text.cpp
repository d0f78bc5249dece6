#include "platform/text.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace platform {

namespace {

// The upper halves (0x80..0xFF) of the published code page mappings; the lower halves are
// ASCII. Windows-1252's undefined 0x81, 0x8D, 0x8F, 0x90, 0x9D map to the C1 control of the
// same value, as Windows does.
constexpr char32_t kHigh437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};
constexpr char32_t kHigh850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};
constexpr char32_t kHigh1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

constexpr int kCodePages = 3;

int index_of(CodePage cp) { return static_cast<int>(cp); }

const char32_t* high_half(CodePage cp) {
  switch (cp) {
    case CodePage::cp437:
      return kHigh437;
    case CodePage::cp850:
      return kHigh850;
    case CodePage::cp1252:
      return kHigh1252;
  }
  return kHigh1252;
}

// Look-alikes for characters a code page lacks, as code points (looked up again in the
// target code page). Sorted by the first member.
constexpr std::pair<char32_t, char32_t> kBestFit[] = {
    {0x00A0, ' '},  {0x00A4, '?'},    {0x00A6, '|'}, {0x00A8, '"'},    {0x00A9, 'c'},
    {0x00AE, 'R'},  {0x00AF, '-'},    {0x00B3, '3'}, {0x00B4, '\''},   {0x00B8, ','},
    {0x00B9, '1'},  {0x00C0, 'A'},    {0x00C1, 'A'}, {0x00C2, 'A'},    {0x00C3, 'A'},
    {0x00C4, 'A'},  {0x00C5, 'A'},    {0x00C7, 'C'}, {0x00C8, 'E'},    {0x00C9, 'E'},
    {0x00CA, 'E'},  {0x00CB, 'E'},    {0x00CC, 'I'}, {0x00CD, 'I'},    {0x00CE, 'I'},
    {0x00CF, 'I'},  {0x00D0, 'D'},    {0x00D1, 'N'}, {0x00D2, 'O'},    {0x00D3, 'O'},
    {0x00D4, 'O'},  {0x00D5, 'O'},    {0x00D6, 'O'}, {0x00D7, 'x'},    {0x00D8, 'O'},
    {0x00D9, 'U'},  {0x00DA, 'U'},    {0x00DB, 'U'}, {0x00DC, 'U'},    {0x00DD, 'Y'},
    {0x00E0, 'a'},  {0x00E1, 'a'},    {0x00E2, 'a'}, {0x00E3, 'a'},    {0x00E4, 'a'},
    {0x00E5, 'a'},  {0x00E7, 'c'},    {0x00E8, 'e'}, {0x00E9, 'e'},    {0x00EA, 'e'},
    {0x00EB, 'e'},  {0x00EC, 'i'},    {0x00ED, 'i'}, {0x00EE, 'i'},    {0x00EF, 'i'},
    {0x00F0, 'd'},  {0x00F1, 'n'},    {0x00F2, 'o'}, {0x00F3, 'o'},    {0x00F4, 'o'},
    {0x00F5, 'o'},  {0x00F6, 'o'},    {0x00F8, 'o'}, {0x00F9, 'u'},    {0x00FA, 'u'},
    {0x00FB, 'u'},  {0x00FC, 'u'},    {0x00FD, 'y'}, {0x00FF, 'y'},    {0x0131, 'i'},
    {0x0152, 'O'},  {0x0153, 'o'},    {0x0160, 'S'}, {0x0161, 's'},    {0x0178, 'Y'},
    {0x017D, 'Z'},  {0x017E, 'z'},    {0x0192, 'f'}, {0x02C6, '^'},    {0x02DC, '~'},
    {0x0393, 'G'},  {0x0398, 'T'},    {0x03A3, 'S'}, {0x03A6, 'F'},    {0x03A9, 'O'},
    {0x03B1, 'a'},  {0x03B4, 'd'},    {0x03B5, 'e'}, {0x03C0, 'p'},    {0x03C3, 's'},
    {0x03C4, 't'},  {0x03C6, 'f'},    {0x2013, '-'}, {0x2014, '-'},    {0x2017, '_'},
    {0x2018, '\''}, {0x2019, '\''},   {0x201A, ','}, {0x201C, '"'},    {0x201D, '"'},
    {0x201E, '"'},  {0x2020, '+'},    {0x2021, '+'}, {0x2022, 0x00B7}, {0x2026, '.'},
    {0x2030, '%'},  {0x2039, '<'},    {0x203A, '>'}, {0x207F, 'n'},    {0x20A7, 'P'},
    {0x2122, 'T'},  {0x2219, 0x00B7}, {0x221A, 'v'}, {0x221E, '8'},    {0x2229, 'n'},
    {0x2248, '~'},  {0x2261, '='},    {0x2264, '<'}, {0x2265, '>'},    {0x2310, 0x00AC},
    {0x25A0, '#'},
};

// Box drawing U+2500..U+257F as ASCII art: lines keep their direction, everything that
// joins lines becomes '+'.
char box_drawing_fit(char32_t c) {
  switch (c) {
    case 0x2500:
    case 0x2501:
    case 0x2504:
    case 0x2505:
    case 0x2508:
    case 0x2509:
    case 0x254C:
    case 0x254D:
    case 0x2574:
    case 0x2576:
    case 0x2578:
    case 0x257A:
    case 0x257C:
    case 0x257E:
      return '-';
    case 0x2550:
      return '=';
    case 0x2502:
    case 0x2503:
    case 0x2506:
    case 0x2507:
    case 0x250A:
    case 0x250B:
    case 0x254E:
    case 0x254F:
    case 0x2551:
    case 0x2575:
    case 0x2577:
    case 0x2579:
    case 0x257B:
    case 0x257D:
    case 0x257F:
      return '|';
    default:
      return '+';
  }
}

char32_t simple_upper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  switch (c) {
    case 0xFF:
      return 0x178;
    case 0x161:
      return 0x160;
    case 0x17E:
      return 0x17D;
    case 0x153:
      return 0x152;
    default:
      return c;
  }
}

char32_t simple_lower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  switch (c) {
    case 0x178:
      return 0xFF;
    case 0x160:
      return 0x161;
    case 0x17D:
      return 0x17E;
    case 0x152:
      return 0x153;
    default:
      return c;
  }
}

using ByteTable = std::array<std::uint8_t, 256>;

// Every derived table, built once on first use and never changed afterwards.
struct Tables {
  std::array<std::array<char32_t, 256>, kCodePages> to_unicode{};
  // Sorted (code point, byte) pairs of the upper half, for the reverse look-up.
  std::array<std::vector<std::pair<char32_t, std::uint8_t>>, kCodePages> reverse;
  std::array<std::array<ByteTable, kCodePages>, kCodePages> convert{};
  std::array<ByteTable, kCodePages> upper{};
  std::array<ByteTable, kCodePages> lower{};

  Tables() {
    for (int p = 0; p < kCodePages; ++p) {
      const char32_t* high = high_half(static_cast<CodePage>(p));
      for (int b = 0; b < 256; ++b) to_unicode[p][b] = b < 128 ? char32_t(b) : high[b - 128];
      for (int b = 128; b < 256; ++b) reverse[p].emplace_back(to_unicode[p][b], std::uint8_t(b));
      std::sort(reverse[p].begin(), reverse[p].end());
    }
  }
  void build_derived() {
    for (int f = 0; f < kCodePages; ++f) {
      for (int t = 0; t < kCodePages; ++t) {
        for (int b = 0; b < 256; ++b) {
          if (b < 128) {
            convert[f][t][b] = std::uint8_t(b);
            continue;
          }
          char32_t c = to_unicode[f][b];
          auto exact = lookup(t, c);
          if (!exact) exact = fit(t, c);
          convert[f][t][b] = exact ? *exact : std::uint8_t('?');
        }
      }
      for (int b = 0; b < 256; ++b) {
        char32_t c = to_unicode[f][b];
        auto u = lookup(f, simple_upper(c));
        auto l = lookup(f, simple_lower(c));
        upper[f][b] = u ? *u : std::uint8_t(b);
        lower[f][b] = l ? *l : std::uint8_t(b);
      }
    }
  }
  std::optional<std::uint8_t> lookup(int p, char32_t c) const {
    if (c < 128) return std::uint8_t(c);
    const auto& r = reverse[p];
    auto it = std::lower_bound(r.begin(), r.end(), std::pair<char32_t, std::uint8_t>(c, 0));
    if (it != r.end() && it->first == c) return it->second;
    return std::nullopt;
  }
  std::optional<std::uint8_t> fit(int p, char32_t c) const {
    if (c >= 0x2500 && c <= 0x257F) return std::uint8_t(box_drawing_fit(c));
    if (c >= 0x2580 && c <= 0x259F) return std::uint8_t('#');
    auto it = std::lower_bound(std::begin(kBestFit), std::end(kBestFit), c,
                               [](const auto& e, char32_t v) { return e.first < v; });
    if (it == std::end(kBestFit) || it->first != c) return std::nullopt;
    return lookup(p, it->second);
  }
};

const Tables& tables() {
  static const Tables t = [] {
    Tables x;
    x.build_derived();
    return x;
  }();
  return t;
}

}  // namespace

// ---- Code page <-> Unicode ------------------------------------------------------------

const std::array<char32_t, 256>& code_page_table(CodePage cp) {
  return tables().to_unicode[index_of(cp)];
}

char32_t to_unicode(CodePage cp, std::uint8_t byte) {
  return tables().to_unicode[index_of(cp)][byte];
}

std::optional<std::uint8_t> from_unicode(CodePage cp, char32_t code_point) {
  return tables().lookup(index_of(cp), code_point);
}

std::optional<std::uint8_t> best_fit(CodePage cp, char32_t code_point) {
  return tables().fit(index_of(cp), code_point);
}

// ---- UTF-8 ----------------------------------------------------------------------------

void append_utf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (c >> 18)));
    out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

std::string utf8_encode(char32_t code_point) {
  std::string s;
  append_utf8(s, code_point);
  return s;
}

Utf8Char decode_utf8(std::string_view text, std::size_t pos) {
  const Utf8Char bad{0xFFFD, 1, false};
  if (pos >= text.size()) return {0xFFFD, 0, false};
  auto b0 = static_cast<unsigned char>(text[pos]);
  if (b0 < 0x80) return {b0, 1, true};
  std::size_t n;
  char32_t c;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, c = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, c = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, c = b0 & 0x07, min = 0x10000;
  } else {
    return bad;
  }
  if (text.size() - pos < n) return bad;
  for (std::size_t i = 1; i < n; ++i) {
    auto b = static_cast<unsigned char>(text[pos + i]);
    if ((b & 0xC0) != 0x80) return bad;
    c = (c << 6) | (b & 0x3F);
  }
  if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return bad;
  return {c, n, true};
}

bool is_valid_utf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    auto d = decode_utf8(text, pos);
    if (!d.valid) return false;
    pos += d.length;
  }
  return true;
}

// ---- Whole-text conversions -----------------------------------------------------------

std::string code_page_to_utf8(std::string_view bytes, CodePage cp) {
  const auto& table = code_page_table(cp);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (char ch : bytes) append_utf8(out, table[static_cast<unsigned char>(ch)]);
  return out;
}

std::string utf8_to_code_page(std::string_view utf8, CodePage cp, char default_char,
                              Unmappable mode) {
  const Tables& t = tables();
  int p = index_of(cp);
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    auto d = decode_utf8(utf8, pos);
    pos += d.length;
    if (!d.valid) {
      out.push_back(default_char);
      continue;
    }
    auto b = t.lookup(p, d.code_point);
    if (!b && mode == Unmappable::best_fit_or_default) b = t.fit(p, d.code_point);
    out.push_back(b ? char(*b) : default_char);
  }
  return out;
}

// ---- Byte-to-byte ---------------------------------------------------------------------

const std::array<std::uint8_t, 256>& conversion_table(CodePage from, CodePage to) {
  return tables().convert[index_of(from)][index_of(to)];
}

std::uint8_t convert_byte(std::uint8_t byte, CodePage from, CodePage to) {
  return conversion_table(from, to)[byte];
}

std::string convert_text(std::string_view bytes, CodePage from, CodePage to) {
  const auto& table = conversion_table(from, to);
  std::string out(bytes.size(), '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    out[i] = char(table[static_cast<unsigned char>(bytes[i])]);
  return out;
}

// ---- Case mapping ---------------------------------------------------------------------

std::uint8_t to_upper(CodePage cp, std::uint8_t byte) { return tables().upper[index_of(cp)][byte]; }
std::uint8_t to_lower(CodePage cp, std::uint8_t byte) { return tables().lower[index_of(cp)][byte]; }

std::string to_upper(CodePage cp, std::string_view bytes) {
  const auto& table = tables().upper[index_of(cp)];
  std::string out(bytes);
  for (char& ch : out) ch = char(table[static_cast<unsigned char>(ch)]);
  return out;
}

std::string to_lower(CodePage cp, std::string_view bytes) {
  const auto& table = tables().lower[index_of(cp)];
  std::string out(bytes);
  for (char& ch : out) ch = char(table[static_cast<unsigned char>(ch)]);
  return out;
}

char32_t fold_case(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

std::u32string utf8_case_key(std::string_view text) {
  std::u32string key;
  key.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    auto d = decode_utf8(text, i);
    key.push_back(d.valid ? fold_case(d.code_point)
                          : 0x110000 + static_cast<unsigned char>(text[i]));
    i += d.length;
  }
  return key;
}

bool utf8_equal_ignore_case(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    auto x = decode_utf8(a, i);
    auto y = decode_utf8(b, j);
    // An invalid byte only equals the same invalid byte.
    char32_t cx = x.valid ? fold_case(x.code_point) : 0x110000 + static_cast<unsigned char>(a[i]);
    char32_t cy = y.valid ? fold_case(y.code_point) : 0x110000 + static_cast<unsigned char>(b[j]);
    if (cx != cy) return false;
    i += x.length;
    j += y.length;
  }
  return i == a.size() && j == b.size();
}

}  // namespace platform
