// Reads whatever bytes stand in a printer data file and uses the widths the way formatting does.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formatter/engine/font_numbers.h"
#include "formatter/engine/printer_data.h"

namespace {

std::string MakeFolder() {
  char pattern[] = "/tmp/tavrel-printer-fuzz-XXXXXX";
  const char* dir = ::mkdtemp(pattern);
  if (!dir) std::abort();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = MakeFolder();
  const std::string path = folder + "/Printer.dta";
  // An odd first byte repeats the rest up to a whole record, so that damaged whole records are
  // tried as well as short files.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (size > 1 && (data[0] & 1)) {
    const std::string pattern = bytes.substr(1);
    bytes.clear();
    while (bytes.size() < tavrel::kPrinterDataSize + (data[0] >> 1)) bytes += pattern;
  }
  size = bytes.size();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  auto record = tavrel::MakeEmptyPrinterData();
  const tavrel::PrinterDataRead result = tavrel::ReadPrinterDataFile(path, *record);
  if ((result == tavrel::PrinterDataRead::Ok) != (size >= tavrel::kPrinterDataSize)) std::abort();
  if (record->PrinterName.Str().size() > 255) std::abort();
  for (int font = 0; font <= 209; ++font) {
    std::int32_t column = 0;
    tavrel::CharWidths widths{};
    tavrel::LoadFontWidths(column, 60, static_cast<std::uint8_t>(font), widths, *record,
                           static_cast<std::uint8_t>(bytes.empty() ? 3 : bytes[0]));
    if (font >= 1 && font <= tavrel::kFontCount && record->Fonts[font - 1].FaceName.Str().size() > 45) std::abort();
  }
  return 0;
}
