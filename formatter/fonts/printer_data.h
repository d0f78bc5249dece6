#pragma once
// The measured font metrics of one printer (a file of one 71,152-byte record per printer) and a
// builder for such a file from fixed widths, for machines and tests without a measured printer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formatter/common/font_numbers.h"
#include "formatter/common/settings_record.h"

namespace tavrel {

// One font definition of 80 bytes.
struct TFontEntry {
  double Size = 0;                   // point size
  ShortString<45> FaceName;          // empty: no font
  std::uint8_t WidthCorrection = 0;  // added modulo 256 to every measured width
  std::uint8_t Reserved55 = 0;
  std::int32_t Colour = 0;  // red x 65536 + green x 256 + blue
  std::uint8_t Reserved60[20] = {};
};
static_assert(sizeof(TFontEntry) == 80);

struct TPrinterDataRecord {
  std::uint8_t DotsPerColumn = 0;  // PrinterDpi / 10, rounded
  std::uint8_t Reserved1[3] = {};
  std::int32_t PrinterDpi = 0;
  ShortString<255> PrinterName;
  TFontEntry Fonts[kFontCount];                   // font n at index n - 1
  std::uint8_t CharWidths[kFontCount][256] = {};  // font n at index n - 1
  std::uint8_t Reserved70152[1000] = {};
};

inline constexpr std::size_t kPrinterDataSize = 71152;
static_assert(sizeof(TPrinterDataRecord) == kPrinterDataSize);
static_assert(offsetof(TPrinterDataRecord, PrinterDpi) == 4);
static_assert(offsetof(TPrinterDataRecord, PrinterName) == 8);
static_assert(offsetof(TPrinterDataRecord, Fonts) == 264);
static_assert(offsetof(TPrinterDataRecord, CharWidths) == 16904);
static_assert(offsetof(TPrinterDataRecord, Reserved70152) == 70152);

// The record is large; keep it on the heap.
std::unique_ptr<TPrinterDataRecord> MakeEmptyPrinterData();

// Font n's widths (n in 1..208); nullptr outside that range.
const std::uint8_t* FontWidths(const TPrinterDataRecord& record, int fontNumber);

enum class PrinterDataRead { Ok, Missing, TooShort };

// Reads the first record of the file into record. Missing: record untouched. TooShort: record
// untouched (the caller reports the wrong size and never overwrites the file).
PrinterDataRead ReadPrinterDataFile(const std::string& path, TPrinterDataRecord& record);
// Writes the record whole, through a temporary file renamed into place. False on failure.
bool WritePrinterDataFile(const std::string& path, const TPrinterDataRecord& record);

// The printer's name cut at the first " on ", without ":", ".", "\" and "/", + ".dta", in the
// program directory.
std::string MakePrinterDataFileName(const std::string& programDirectory,
                                    const std::string& printerName);

// A font for the fixed-width builder: every character has Width dots, except the overrides.
struct FixedWidthFont {
  int FontNumber = 0;  // 1..208
  std::string FaceName;
  double Size = 0;
  std::uint8_t Width = 0;
  std::array<std::uint8_t, 256> Overrides{};  // non-zero entries replace Width
};

// A record as a measurement would leave it: resolution, name, the given fonts with their widths.
std::unique_ptr<TPrinterDataRecord> BuildFixedWidthPrinterData(int printerDpi,
                                                               const std::string& printerName,
                                                               const FixedWidthFont* fonts,
                                                               std::size_t count);

bool IsProportionalFont(const CharWidths& widths);
// Column width from "W" (proportional, by tabStep percent) or "X"; box characters 176..223 get it.
void SetColumnWidth(std::int32_t& columnWidth, std::int32_t tabStep, CharWidths& widths);
// The measured widths of fontNumber; false (and the normal font's widths) when it was not measured.
bool LoadFontWidths(std::int32_t& columnWidth, std::int32_t tabStep, std::uint8_t fontNumber,
                    CharWidths& widths, const TPrinterDataRecord& printer, std::uint8_t normalFont);

}  // namespace tavrel
