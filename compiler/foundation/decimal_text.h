// Whole numbers written as decimal digits straight into the text being built: the pages name
// heading anchors, running numbers and counts thousands of times, and a temporary string for
// each would cost more than the digits.
#pragma once

#include <cstdint>
#include <string>

namespace skeldon {

// Appends `value` in decimal, with a leading '-' when negative (as std::to_string writes it).
void AppendDecimal(std::string& out, std::int64_t value);

}  // namespace skeldon
