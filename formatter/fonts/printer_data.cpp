#include "formatter/fonts/printer_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/files.h"

namespace tavrel {

std::unique_ptr<TPrinterDataRecord> MakeEmptyPrinterData() {
  return std::make_unique<TPrinterDataRecord>();
}

const std::uint8_t* FontWidths(const TPrinterDataRecord& record, int fontNumber) {
  if (fontNumber < 1 || fontNumber > kFontCount) return nullptr;
  return record.CharWidths[fontNumber - 1];
}

PrinterDataRead ReadPrinterDataFile(const std::string& path, TPrinterDataRecord& record) {
  const platform::ReadResult file = platform::read_file(path);
  if (file.error == platform::FileError::missing || file.error == platform::FileError::is_directory)
    return PrinterDataRead::Missing;
  if (!file.ok() || file.bytes.size() < kPrinterDataSize) return PrinterDataRead::TooShort;
  std::memcpy(&record, file.bytes.data(), kPrinterDataSize);
  return PrinterDataRead::Ok;
}

bool WritePrinterDataFile(const std::string& path, const TPrinterDataRecord& record) {
  const std::string_view bytes(reinterpret_cast<const char*>(&record), kPrinterDataSize);
  return platform::replace_file_atomic(path, bytes) == platform::FileError::none;
}

std::string MakePrinterDataFileName(const std::string& programDirectory,
                                    const std::string& printerName) {
  std::string name = printerName;
  const std::size_t on = name.find(" on ");
  if (on != std::string::npos) name.resize(on);
  std::string cleaned;
  for (char c : name)
    if (c != ':' && c != '.' && c != '\\' && c != '/') cleaned.push_back(c);
  return platform::join_path(programDirectory, cleaned + ".dta");
}

std::unique_ptr<TPrinterDataRecord> BuildFixedWidthPrinterData(int printerDpi,
                                                               const std::string& printerName,
                                                               const FixedWidthFont* fonts,
                                                               std::size_t count) {
  auto record = MakeEmptyPrinterData();
  record->PrinterDpi = printerDpi;
  record->DotsPerColumn = static_cast<std::uint8_t>(std::nearbyint(printerDpi / 10.0));
  record->PrinterName.Assign(printerName);
  for (std::size_t i = 0; i < count; ++i) {
    const FixedWidthFont& f = fonts[i];
    if (f.FontNumber < 1 || f.FontNumber > kFontCount) continue;
    TFontEntry& entry = record->Fonts[f.FontNumber - 1];
    entry.FaceName.Assign(f.FaceName);
    entry.Size = f.Size;
    std::uint8_t* widths = record->CharWidths[f.FontNumber - 1];
    for (int c = 0; c < 256; ++c) widths[c] = f.Overrides[c] != 0 ? f.Overrides[c] : f.Width;
  }
  return record;
}

bool IsProportionalFont(const CharWidths& widths) { return widths['W'] != widths['i']; }

void SetColumnWidth(std::int32_t& columnWidth, std::int32_t tabStep, CharWidths& widths) {
  if (IsProportionalFont(widths))
    columnWidth = static_cast<std::int32_t>(
        std::nearbyint(static_cast<double>(widths['W']) * tabStep / 100.0));
  else
    columnWidth = widths['X'];
  // Box drawings keep their columns; a width table holds bytes.
  const auto boxWidth = static_cast<std::uint8_t>(std::clamp(columnWidth, 0, 255));
  for (int c = 176; c <= 223; ++c) widths[c] = boxWidth;
}

bool LoadFontWidths(std::int32_t& columnWidth, std::int32_t tabStep, std::uint8_t fontNumber,
                    CharWidths& widths, const TPrinterDataRecord& printer,
                    std::uint8_t normalFont) {
  bool measured = false;
  if (const std::uint8_t* w = FontWidths(printer, fontNumber)) {
    std::copy_n(w, 256, widths.begin());
    measured = std::any_of(widths.begin(), widths.end(), [](std::uint8_t x) { return x != 0; });
  }
  if (!measured) {
    widths.fill(0);
    if (const std::uint8_t* w = FontWidths(printer, normalFont))
      std::copy_n(w, 256, widths.begin());
  }
  SetColumnWidth(columnWidth, tabStep, widths);
  return measured;
}

}  // namespace tavrel
