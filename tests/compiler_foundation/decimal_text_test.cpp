// Decimal numbers appended in place must read exactly as std::to_string writes them, since the
// pages they go into are compared byte for byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "compiler/foundation/decimal_text.h"

using namespace skeldon;

namespace {

TEST(DecimalText, ReadsAsToStringAndKeepsWhatWasThere) {
  std::mt19937_64 random(7);
  std::vector<std::int64_t> values = {0,
                                      -1,
                                      9,
                                      10,
                                      -10,
                                      65535,
                                      32767,
                                      -32768,
                                      std::numeric_limits<std::int64_t>::max(),
                                      std::numeric_limits<std::int64_t>::min()};
  for (int i = 0; i < 1000; ++i) {
    // Every length of number, both signs.
    const std::int64_t v = static_cast<std::int64_t>(random() >> (random() % 64));
    values.push_back(i % 2 ? v : -v);
  }
  for (std::int64_t v : values) {
    std::string out = "hd";
    AppendDecimal(out, v);
    EXPECT_EQ(out, "hd" + std::to_string(v));
  }
}

}  // namespace
