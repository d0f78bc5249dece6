// Turns arbitrary converted text into WordStar bytes: every wide or narrow setting must finish
// within a bounded size.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "formatter/formatting/wordstar_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool wide = data[0] & 1;
  const std::uint8_t indent = (data[0] & 2) ? tavrel::kConvertedIndentChar : 0;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string out = tavrel::ConvertToWordStar(text, wide, indent);
  // Each input byte becomes at most three output bytes; a wrap adds a line end, a blank and
  // the repeated indentation (less than the widest line of 250).
  if (out.size() > (3 + 3 + 250) * (text.size() + 1)) std::abort();
  return 0;
}
