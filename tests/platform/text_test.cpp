#include "platform/text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

using platform::CodePage;

// Expected byte -> code point tables, written from Python's codecs (tests/data/platform).
std::array<char32_t, 256> load_expected(const std::string& file) {
  std::array<char32_t, 256> table{};
  std::array<bool, 256> seen{};
  std::ifstream in(std::string(CORVINA_SOURCE_DIR) + "/tests/data/platform/" + file);
  EXPECT_TRUE(in) << file;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    unsigned byte = 0, cp = 0;
    fields >> std::hex >> byte >> cp;
    if (byte < 256) {
      table[byte] = cp;
      seen[byte] = true;
    }
  }
  for (int b = 0; b < 256; ++b) EXPECT_TRUE(seen[b]) << file << " lacks byte " << b;
  return table;
}

struct CodePageFile {
  CodePage cp;
  const char* file;
};

// Test output names the table file instead of dumping the case's bytes.
void PrintTo(const CodePageFile& c, std::ostream* os) { *os << c.file; }

class CodePageTableTest : public ::testing::TestWithParam<CodePageFile> {};

TEST_P(CodePageTableTest, MatchesIndependentTableForAll256Bytes) {
  auto expected = load_expected(GetParam().file);
  const auto& table = platform::code_page_table(GetParam().cp);
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(table[b], expected[b]) << GetParam().file << " byte " << std::hex << b;
    EXPECT_EQ(platform::to_unicode(GetParam().cp, std::uint8_t(b)), expected[b]);
  }
}

TEST_P(CodePageTableTest, EveryByteSurvivesUtf8RoundTrip) {
  CodePage cp = GetParam().cp;
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  std::string utf8 = platform::code_page_to_utf8(all, cp);
  EXPECT_TRUE(platform::is_valid_utf8(utf8));
  EXPECT_EQ(platform::utf8_to_code_page(utf8, cp), all);
}

TEST_P(CodePageTableTest, ByteConversionKeepsEveryCharacterTheTargetHas) {
  // Checked against the independent tables: a character both code pages have keeps its
  // identity; one the target lacks becomes a look-alike or '?', nearly always ASCII.
  auto from = load_expected(GetParam().file);
  for (auto [to_cp, to_file] :
       {CodePageFile{CodePage::cp437, "cp437.txt"}, CodePageFile{CodePage::cp850, "cp850.txt"},
        CodePageFile{CodePage::cp1252, "cp1252.txt"}}) {
    auto to = load_expected(to_file);
    for (int b = 0; b < 256; ++b) {
      std::uint8_t out = platform::convert_byte(std::uint8_t(b), GetParam().cp, to_cp);
      bool target_has = false;
      for (int t = 0; t < 256; ++t) target_has = target_has || to[t] == from[b];
      if (target_has) {
        EXPECT_EQ(to[out], from[b]) << GetParam().file << " -> " << to_file << " byte " << b;
      } else if (out >= 0x80) {
        // Only these three look-alikes lie outside ASCII: reversed not sign -> not
        // sign, bullet and bullet operator -> middle dot.
        EXPECT_TRUE((from[b] == 0x2310 && to[out] == 0x00AC) ||
                    ((from[b] == 0x2022 || from[b] == 0x2219) && to[out] == 0x00B7))
            << GetParam().file << " -> " << to_file << " byte " << b;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllCodePages, CodePageTableTest,
                         ::testing::Values(CodePageFile{CodePage::cp437, "cp437.txt"},
                                           CodePageFile{CodePage::cp850, "cp850.txt"},
                                           CodePageFile{CodePage::cp1252, "cp1252.txt"}),
                         [](const ::testing::TestParamInfo<CodePageFile>& info) {
                           const std::string n = info.param.file;
                           return n.substr(0, n.find('.'));
                         });

TEST(ByteConversion, OemToCharAndBackWithBestFit) {
  struct Case {
    CodePage from, to;
    std::uint8_t in, out;
  } cases[] = {
      {CodePage::cp850, CodePage::cp1252, 0x84, 0xE4},  // a umlaut
      {CodePage::cp850, CodePage::cp1252, 0xE1, 0xDF},  // sharp s
      {CodePage::cp850, CodePage::cp1252, 0xF5, 0xA7},  // section sign
      {CodePage::cp850, CodePage::cp1252, 0xC4, '-'},   // box line horizontal
      {CodePage::cp850, CodePage::cp1252, 0xB3, '|'},   // box line vertical
      {CodePage::cp850, CodePage::cp1252, 0xC5, '+'},   // box cross
      {CodePage::cp850, CodePage::cp1252, 0xCD, '='},   // double horizontal
      {CodePage::cp850, CodePage::cp1252, 0xB0, '#'},   // light shade
      {CodePage::cp850, CodePage::cp1252, 0xD5, 'i'},   // dotless i
      {CodePage::cp850, CodePage::cp1252, 0x15, 0x15},  // control codes stay
      {CodePage::cp1252, CodePage::cp850, 0xE4, 0x84},
      {CodePage::cp1252, CodePage::cp850, 0xA7, 0xF5},
      {CodePage::cp1252, CodePage::cp850, 0x80, '?'},   // euro: no look-alike
      {CodePage::cp1252, CodePage::cp850, 0x81, '?'},   // undefined code
      {CodePage::cp1252, CodePage::cp850, 0x93, '"'},   // left double quote
      {CodePage::cp1252, CodePage::cp850, 0x96, '-'},   // en dash
      {CodePage::cp1252, CodePage::cp850, 0x8A, 'S'},   // S caron
      {CodePage::cp1252, CodePage::cp437, 0xC0, 'A'},   // A grave: 437 lacks it
      {CodePage::cp437, CodePage::cp1252, 0xE1, 0xDF},  // sharp s
      {CodePage::cp437, CodePage::cp1252, 0xE3, 'p'},   // pi
      {CodePage::cp437, CodePage::cp1252, 0xF9, 0xB7},  // bullet operator -> middle dot
      {CodePage::cp437, CodePage::cp850, 0xD5, '+'},    // a 437-only box corner
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::convert_byte(c.in, c.from, c.to), c.out) << std::hex << int(c.in);
  }
  EXPECT_EQ(platform::oem_to_char("\x84rger \xC4\xC4"), "\xE4rger --");
  EXPECT_EQ(platform::char_to_oem("\xC4rger\x85"), "\x8Erger.");
}

TEST(Utf8, DecodeRejectsMalformedInput) {
  struct Case {
    std::string bytes;
    bool valid;
    char32_t cp;
    std::size_t length;
  } cases[] = {
      {"A", true, 'A', 1},
      {"\xC3\xA4", true, 0xE4, 2},
      {"\xE2\x82\xAC", true, 0x20AC, 3},
      {"\xF0\x9F\x98\x80", true, 0x1F600, 4},
      {"\xC0\x80", false, 0xFFFD, 1},          // overlong NUL
      {"\xE0\x80\x80", false, 0xFFFD, 1},      // overlong
      {"\xED\xA0\x80", false, 0xFFFD, 1},      // surrogate
      {"\xF4\x90\x80\x80", false, 0xFFFD, 1},  // above U+10FFFF
      {"\xE2\x82", false, 0xFFFD, 1},          // truncated
      {"\x80", false, 0xFFFD, 1},              // lone continuation
      {"\xF8\x88\x80\x80\x80", false, 0xFFFD, 1},
  };
  for (const auto& c : cases) {
    auto d = platform::decode_utf8(c.bytes, 0);
    EXPECT_EQ(d.valid, c.valid) << c.bytes;
    EXPECT_EQ(d.code_point, c.cp) << c.bytes;
    EXPECT_EQ(d.length, c.length) << c.bytes;
    EXPECT_EQ(platform::is_valid_utf8(c.bytes), c.valid) << c.bytes;
  }
  EXPECT_EQ(platform::utf8_encode(0xD800), "\xEF\xBF\xBD");
  EXPECT_EQ(platform::utf8_encode(0x110000), "\xEF\xBF\xBD");
}

TEST(Utf8, ToCodePageUnmappableAndInvalid) {
  // euro is missing in 850; "\xFF" is not UTF-8; the quotes have look-alikes.
  std::string text = "\xE2\x82\xAC x\xFF \xE2\x80\x9Cq\xE2\x80\x9D \xC3\xBC";
  EXPECT_EQ(platform::utf8_to_code_page(text, CodePage::cp850), "? x? ?q? \x81");
  EXPECT_EQ(platform::utf8_to_code_page(text, CodePage::cp850, '_'), "_ x_ _q_ \x81");
  EXPECT_EQ(platform::utf8_to_code_page(text, CodePage::cp850, '?',
                                        platform::Unmappable::best_fit_or_default),
            "? x? \"q\" \x81");
  EXPECT_EQ(platform::utf8_to_code_page(text, CodePage::cp1252), "\x80 x? \x93q\x94 \xFC");
}

TEST(CaseMapping, LettersOfEachCodePage) {
  struct Case {
    CodePage cp;
    std::uint8_t lower, upper;
  } pairs[] = {
      {CodePage::cp850, 0x84, 0x8E},  {CodePage::cp850, 0x81, 0x9A},
      {CodePage::cp850, 0x94, 0x99},  {CodePage::cp850, 0x82, 0x90},
      {CodePage::cp850, 0x85, 0xB7},  {CodePage::cp850, 0xEC, 0xED},
      {CodePage::cp437, 0x84, 0x8E},  {CodePage::cp437, 0xA4, 0xA5},
      {CodePage::cp437, 0x87, 0x80},  {CodePage::cp1252, 0xE4, 0xC4},
      {CodePage::cp1252, 0x9A, 0x8A}, {CodePage::cp1252, 0xFF, 0x9F},
      {CodePage::cp1252, 0x9C, 0x8C}, {CodePage::cp1252, 'q', 'Q'},
  };
  for (const auto& p : pairs) {
    EXPECT_EQ(platform::to_upper(p.cp, p.lower), p.upper) << std::hex << int(p.lower);
    EXPECT_EQ(platform::to_lower(p.cp, p.upper), p.lower) << std::hex << int(p.upper);
  }
  struct Same {
    CodePage cp;
    std::uint8_t byte;
  } unchanged[] = {
      {CodePage::cp850, 0xE1},   // sharp s has no single upper case
      {CodePage::cp437, 0x85},   // a grave: 437 has no A grave
      {CodePage::cp437, 0xE5},   // greek sigma: letters of Latin only
      {CodePage::cp1252, 0xF7},  // division sign
      {CodePage::cp1252, 0xD7},  // multiplication sign
      {CodePage::cp1252, 0xDF},
  };
  for (const auto& s : unchanged) {
    EXPECT_EQ(platform::to_upper(s.cp, s.byte), s.byte) << std::hex << int(s.byte);
    EXPECT_EQ(platform::to_lower(s.cp, s.byte), s.byte) << std::hex << int(s.byte);
  }
  EXPECT_EQ(platform::to_upper(CodePage::cp850, "\x84rger \xE1"),
            "\x8E"
            "RGER \xE1");
}

TEST(CaseMapping, Utf8EqualIgnoreCase) {
  EXPECT_TRUE(platform::utf8_equal_ignore_case("\xC3\x84rger.TXT", "\xC3\xA4RGER.txt"));
  EXPECT_TRUE(platform::utf8_equal_ignore_case("\xC5\xA0KODA", "\xC5\xA1koda"));
  EXPECT_FALSE(platform::utf8_equal_ignore_case("abc", "abcd"));
  EXPECT_FALSE(platform::utf8_equal_ignore_case("a\xFF", "A\xFE"));
  EXPECT_TRUE(platform::utf8_equal_ignore_case("a\xFF", "A\xFF"));
}

}  // namespace
