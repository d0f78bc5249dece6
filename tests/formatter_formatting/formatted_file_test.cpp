// The formatted file as the contract of its two sides: the codes that share a layer stay
// apart, and what the formatting run's writer puts in comes out of the page engine's reader.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "formatter/common/formatted_file.h"
#include "formatter/common/run_messages.h"
#include "formatter/formatting/formatted_writer.h"
#include "formatter/pages/page_engine.h"

namespace tavrel {
namespace {

template <std::size_t N>
constexpr bool Distinct(const std::uint8_t (&codes)[N]) {
  for (std::size_t i = 0; i < N; ++i)
    for (std::size_t j = i + 1; j < N; ++j)
      if (codes[i] == codes[j]) return false;
  return true;
}

// Each code of a line the page engine draws has a handling of its own.
constexpr std::uint8_t kEngineLineCodes[] = {kRightAlignMark,  kAlternateFont,
                                             kBoldToggle,      kDoubleToggle,
                                             kPrintControlE,   kCentreMark,
                                             kCarriageReturn,  kNoBreakBlank,
                                             kPrintControlQ,   kPrintControlR,
                                             kUnderlineToggle, kSuperscriptToggle,
                                             kRightAlignMarkU, kSubscriptToggle,
                                             kPrintControlW,   kItalicToggle,
                                             kColumnMark,      kEngineSoftLineEnd,
                                             kSoftHyphen,      kSectionSignDel,
                                             kSectionSign850,  ' '};
static_assert(Distinct(kEngineLineCodes));

// What the formatting run hands its writer.
constexpr std::uint8_t kWriterCodes[] = {kLineFeed,
                                         kCarriageReturn,
                                         kSoftLineEnd,
                                         kColumnMark,
                                         kSectionChar,
                                         kPageNoteMark,
                                         kEscape,
                                         kSoftHyphen,
                                         kRightAlignMark,
                                         kCentreMark,
                                         kNoBreakBlank,
                                         kAlternateFont,
                                         kBoldToggle,
                                         kDoubleToggle,
                                         kUnderlineToggle,
                                         kItalicToggle,
                                         kSubscriptToggle,
                                         kSuperscriptToggle,
                                         kPrintControlE,
                                         kPrintControlQ,
                                         kPrintControlR,
                                         kPrintControlW,
                                         ' '};
static_assert(Distinct(kWriterCodes));

// The bytes that give the file its structure.
constexpr std::uint8_t kStructureBytes[] = {kLineFeed,       kCarriageReturn, kSoftLineEndByte,
                                            kColumnMarkByte, kEscape,         kEscapeEnd,
                                            kTagMark,        kEndOfFileMark,  kDotLineMark};
static_assert(Distinct(kStructureBytes));

std::string Bytes(std::initializer_list<std::uint8_t> codes) {
  std::string out;
  for (std::uint8_t c : codes) out.push_back(static_cast<char>(c));
  return out;
}

struct RoundTrip {
  const char* Name;
  std::string Written;  // what the formatting run hands the writer
  std::string Read;     // the line the page engine reads back
  bool Soft;
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.Name; }

class FormattedFileRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(FormattedFileRoundTrip, TheEngineReadsWhatTheWriterMeant) {
  const RoundTrip& c = GetParam();
  FormattedWriter writer;
  BuildCharacterClasses(writer.Classes);
  writer.ResetForFile();
  writer.Streams[kTextStream].File.OpenInMemory();
  for (char ch : c.Written) writer.PutOutputChar(static_cast<std::uint8_t>(ch));
  const std::string& file = writer.Streams[kTextStream].File.Memory();

  std::array<std::uint8_t, 256> table{};
  BuildTranslationTable(table);
  const std::vector<std::uint8_t> data(file.begin(), file.end());
  std::size_t cursor = 0;
  FormattedLine line;
  ASSERT_TRUE(ReadFormattedLine(data.data(), data.size(), cursor, table, line));
  EXPECT_EQ(line.Text, c.Read);
  EXPECT_EQ(line.SoftReturn, c.Soft);
  EXPECT_EQ(line.HardReturn, !c.Soft);
  EXPECT_EQ(cursor, data.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormattedFileRoundTrip,
    ::testing::Values(
        RoundTrip{"print_controls",
                  Bytes({kBoldToggle, 'a', kBoldToggle, kItalicToggle, 'b', kItalicToggle,
                         kUnderlineToggle, 'c', kUnderlineToggle, kSuperscriptToggle, '2',
                         kSuperscriptToggle, kCarriageReturn, kLineFeed}),
                  Bytes({kBoldToggle, 'a', kBoldToggle, kItalicToggle, 'b', kItalicToggle,
                         kUnderlineToggle, 'c', kUnderlineToggle, kSuperscriptToggle, '2',
                         kSuperscriptToggle}),
                  false},
        RoundTrip{"marks_of_the_line",
                  Bytes({kAlternateFont, 'a', kCentreMark, 'b', kRightAlignMark, 'c', kSoftHyphen,
                         kNoBreakBlank, kCarriageReturn, kLineFeed}),
                  Bytes({kAlternateFont, 'a', kCentreMark, 'b', kRightAlignMark, 'c', kSoftHyphen,
                         kNoBreakBlank}),
                  false},
        RoundTrip{"column_marks",
                  Bytes({kColumnMark, kColumnMark, 'x', kCarriageReturn, kLineFeed}),
                  Bytes({kColumnMark, kColumnMark, 'x'}), false},
        RoundTrip{"soft_line_end", Bytes({'a', 'b', kSoftLineEnd, kLineFeed}), "ab", true},
        RoundTrip{"extended_characters",
                  Bytes({0x84, kSectionChar, 0xE1, kCarriageReturn, kLineFeed}),
                  Bytes({0x84, kSectionSign850, 0xE1}), false},
        RoundTrip{"escape_is_a_filler",
                  Bytes({'a', kEscape, kEscape, 'b', kCarriageReturn, kLineFeed}), "ab", false}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tavrel
