// The "Fonts.ini" reader on arbitrary text: every line must land inside the 208 font entries,
// with face names of at most 45 characters, whatever the words.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formatter/fonts/fonts_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 16) return 0;
  tavrel::FontDefinitionTables tables;
  const std::string duplicates = tavrel::ParseFontDefinitionText(
      std::string_view(reinterpret_cast<const char*>(data), size), tables);
  for (int n = 0; n < tavrel::kFontCount; ++n) {
    if (tables.PrinterFonts->Fonts[n].FaceName.Length > 45 ||
        tables.PreviewFonts->Fonts[n].FaceName.Length > 45)
      __builtin_trap();
    if (tables.AutoVariant[static_cast<std::size_t>(n)] > 1) __builtin_trap();
  }
  if (duplicates.size() > size * 2 + 2) __builtin_trap();
  return 0;
}
