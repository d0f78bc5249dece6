// Reads whatever bytes stand in a printer data file and uses the widths the way formatting does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formatter/common/font_numbers.h"
#include "formatter/fonts/printer_data.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = fuzz_support::MakeTempFolder("tavrel-printer-fuzz");
  const std::string path = folder + "/Printer.dta";
  const std::string bytes = fuzz_support::RecordSizedBytes(data, size, tavrel::kPrinterDataSize);
  size = bytes.size();
  fuzz_support::WriteBytes(path, bytes);
  auto record = tavrel::MakeEmptyPrinterData();
  const tavrel::PrinterDataRead result = tavrel::ReadPrinterDataFile(path, *record);
  if ((result == tavrel::PrinterDataRead::Ok) != (size >= tavrel::kPrinterDataSize)) std::abort();
  if (record->PrinterName.Str().size() > 255) std::abort();
  for (int font = 0; font <= 209; ++font) {
    std::int32_t column = 0;
    tavrel::CharWidths widths{};
    tavrel::LoadFontWidths(column, 60, static_cast<std::uint8_t>(font), widths, *record,
                           static_cast<std::uint8_t>(bytes.empty() ? 3 : bytes[0]));
    if (font >= 1 && font <= tavrel::kFontCount &&
        record->Fonts[font - 1].FaceName.Str().size() > 45)
      std::abort();
  }
  return 0;
}
