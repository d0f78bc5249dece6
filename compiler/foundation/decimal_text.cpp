#include "compiler/foundation/decimal_text.h"

#include <charconv>

namespace skeldon {

void AppendDecimal(std::string& out, std::int64_t value) {
  char digits[24];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, end.ptr);
}

}  // namespace skeldon
