// Code-page and UTF-8 conversions take text from files and the command line: any bytes must
// convert without reading past the input, and the results must keep their invariants.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  using platform::CodePage;
  for (CodePage cp : {CodePage::cp437, CodePage::cp850, CodePage::cp1252}) {
    std::string utf8 = platform::code_page_to_utf8(in, cp);
    if (!platform::is_valid_utf8(utf8)) __builtin_trap();
    // Every byte comes back from its own UTF-8 form.
    if (platform::utf8_to_code_page(utf8, cp) != in) __builtin_trap();
    std::string back =
        platform::utf8_to_code_page(in, cp, '?', platform::Unmappable::best_fit_or_default);
    if (back.size() > in.size()) __builtin_trap();
    if (platform::convert_text(in, cp, CodePage::cp1252).size() != in.size()) __builtin_trap();
    (void)platform::to_upper(cp, in);
  }
  std::size_t chars = 0;
  for (std::size_t pos = 0; pos < in.size(); ++chars) {
    auto d = platform::decode_utf8(in, pos);
    if (d.length == 0 || d.length > 4 || pos + d.length > in.size()) __builtin_trap();
    pos += d.length;
  }
  if (platform::utf8_to_code_page(in, CodePage::cp850).size() != chars) __builtin_trap();
  return 0;
}
