#include <gtest/gtest.h>

#include <random>
#include <string>

#include "compiler/foundation/byte_scan.h"

using namespace skeldon;

namespace {

std::size_t FirstStopOneByOne(const TStopBytes& stops, const std::string& text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i)
    if (stops.IsStop[static_cast<std::uint8_t>(text[i])]) return i;
  return text.size();
}

// Every stop byte is found, in order, whatever the set, the text and the start: with each
// filter width the processor has. Sets mix nibbles so that the filter lets others through.
TEST(ByteScanTest, FindsEveryStopByteInOrder) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    std::string set;
    const int members = static_cast<int>(random() % 20);
    for (int k = 0; k < members; ++k) set += static_cast<char>(random() % 256);
    // Text drawn mostly from a small alphabet that shares nibbles with the set, so that stop
    // bytes and near misses both occur, sometimes at block edges.
    std::string alphabet = set + "az .\r\n\x80\xFF";
    std::string text(random() % 150, '\0');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    const TStopBytes widest = MakeStopBytes(set);
    for (auto step :
         {TStopBytes::TStep::One, TStopBytes::TStep::Sixteen, TStopBytes::TStep::ThirtyTwo}) {
      if (step > widest.Step) break;  // not on this processor
      TStopBytes stops = widest;
      stops.Step = step;
      for (std::size_t from = 0; from <= text.size() + 1; ++from)
        ASSERT_EQ(FindStopByte(stops, text, from), FirstStopOneByOne(stops, text, from))
            << round << " from " << from;
    }
  }
}

TEST(ByteScanTest, EmptySetAndEmptyTextFindNothing) {
  const TStopBytes none = MakeStopBytes("");
  const std::string text(70, 'x');
  EXPECT_EQ(FindStopByte(none, text, 0), text.size());
  const TStopBytes some = MakeStopBytes("x");
  EXPECT_EQ(FindStopByte(some, "", 0), 0u);
  EXPECT_EQ(FindStopByte(some, text, 69), 69u);
  EXPECT_EQ(FindStopByte(some, text, 80), text.size());
}

}  // namespace
