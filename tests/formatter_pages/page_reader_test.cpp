// The byte and line readers of formatted files.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "formatter/pages/page_engine.h"
#include "tests/support/page_test_support.h"

namespace tavrel::page_test {
namespace {

struct ByteCase {
  const char* Name;
  std::string Input;
  std::vector<int> Bytes;       // -1 closes the list (the end of the input)
  std::vector<int> Parameters;  // parameter of each escaped byte, in order
};

// Test output names the case instead of dumping its bytes.
void PrintTo(const ByteCase& c, std::ostream* os) { *os << c.Name; }

class FormattedByteReaderTest : public ::testing::TestWithParam<ByteCase> {};

TEST_P(FormattedByteReaderTest, YieldsTheBytesAndNeverReadsBeyondTheInput) {
  const ByteCase& c = GetParam();
  std::array<std::uint8_t, 256> table{};
  BuildTranslationTable(table);
  // A copy on the heap of exactly the input's size, so that an over-read shows in ASan.
  std::vector<std::uint8_t> data(c.Input.begin(), c.Input.end());
  std::size_t cursor = 0;
  std::vector<int> got;
  std::vector<int> params;
  for (int guard = 0; guard < 100; ++guard) {
    const FormattedByte b = ReadFormattedByte(data.data(), data.size(), cursor, table);
    got.push_back(b.Byte);
    if (b.Escaped) params.push_back(b.Parameter);
    ASSERT_LE(cursor, data.size());
    if (b.Byte < 0) break;
  }
  EXPECT_EQ(got, c.Bytes);
  EXPECT_EQ(params, c.Parameters);
  EXPECT_EQ(cursor, data.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormattedByteReaderTest,
    ::testing::Values(
        ByteCase{"plain_bytes_lose_bit_7", "a\xE1", {'a', 'a', -1}, {}},
        ByteCase{"soft_return_and_soft_space", "\x8D\xA0", {0x1D, 0x1C, -1}, {}},
        ByteCase{"block_of_type_18_is_byte_1",
                 std::string("\x1D\x12\x01xyz\x12\x01\x1D", 9) + "b",
                 {1, 'b', -1},
                 {}},
        ByteCase{"other_blocks_disappear",
                 "\x1D\x05\x06"
                 "data\x05\x06\x1D\x1D\x07\x07\x07\x07\x1D"
                 "c",
                 {'c', -1},
                 {}},
        ByteCase{"extended_character", "\x1B\x84\x1C", {0x84, -1}, {0x1C}},
        ByteCase{"esc_21_is_section_sign", "\x9B\x15\x1C", {245, -1}, {0x1C}},
        ByteCase{"esc_lf_is_no_line_end", "\x1B\x0A\x1C", {0x0A, -1}, {0x1C}},
        ByteCase{"unterminated_block", "x\x1D\x03\x04never closed", {'x', -1}, {}},
        ByteCase{"block_cut_in_its_tags", "x\x1D\x03", {'x', -1}, {}},
        ByteCase{"block_closed_by_other_tags_only", "\x1D\x03\x04...\x03\x05\x1D", {-1}, {}},
        ByteCase{"esc_at_the_end", "x\x1B", {'x', -1}, {}},
        ByteCase{"esc_without_parameter", "x\x1B\x84", {'x', 0x84, -1}, {0}}),
    [](const auto& info) { return std::string(info.param.Name); });

struct LineCase {
  const char* Name;
  std::string Input;
  std::vector<std::string> Texts;
  std::vector<char> Kinds;  // 'H' hard return, 'S' soft return
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.Name; }

class FormattedLineReaderTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(FormattedLineReaderTest, SplitsLinesAsThePageEngineReadsThem) {
  const LineCase& c = GetParam();
  std::array<std::uint8_t, 256> table{};
  BuildTranslationTable(table);
  std::vector<std::uint8_t> data(c.Input.begin(), c.Input.end());
  std::size_t cursor = 0;
  FormattedLine line;
  std::vector<std::string> texts;
  std::vector<char> kinds;
  while (ReadFormattedLine(data.data(), data.size(), cursor, table, line)) {
    texts.push_back(line.Text);
    kinds.push_back(line.SoftReturn ? 'S' : 'H');
    ASSERT_LE(texts.size(), 10u);
  }
  EXPECT_EQ(texts, c.Texts);
  EXPECT_EQ(kinds, c.Kinds);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormattedLineReaderTest,
    ::testing::Values(
        LineCase{"hard_and_soft_returns", "one two\x8D\ntwo\r\n", {"one two", "two"}, {'S', 'H'}},
        LineCase{"bare_lf_counts_as_cr_lf", "a\nb\n", {"a", "b"}, {'H', 'H'}},
        LineCase{"two_trailing_blanks_go", "a   \r\n", {"a "}, {'H'}},
        LineCase{"last_line_without_end", "a\r\nb", {"a", "b"}, {'H', 'H'}},
        LineCase{"escaped_lf_stays_in_the_line",
                 "a\x1B\x0A\x1C"
                 "b\r\n",
                 {"a\nb"},
                 {'H'}},
        LineCase{"empty_lines", "\r\n\r\n", {"", ""}, {'H', 'H'}},
        LineCase{"a_line_holds_254_bytes",
                 std::string(300, 'x') + "\r\n",
                 {std::string(254, 'x'), std::string(46, 'x')},
                 {'H', 'H'}}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tavrel::page_test
