#pragma once
// Measuring a printer's fonts into its printer data file: every font definition of the printer
// font table whose face, size or width correction differs from the file's entry is measured
// again (256 character widths in printer dots), and the file is rewritten only then.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "formatter/fonts/fonts_ini.h"
#include "formatter/fonts/printer_data.h"
#include "platform/canvas.h"
#include "platform/fonts.h"
#include "platform/printers.h"

namespace tavrel {

class MainNotifier;
class MessageBoxes;
struct TSettingsRecord;

// Printer fonts are set with the OEM character set, whose bytes are those of the settings'
// code page (850 by default): the byte 0x84 of a document is measured and drawn as a umlaut.
inline constexpr platform::CodePage kPrinterFontCodePage = platform::CodePage::cp850;

// The OEM code page of the settings record's CodePage field (1: 850, otherwise 437).
platform::CodePage PrinterFontCodePage(std::uint8_t settingsCodePage);

// The canvas font of a font entry as the measurement sets it: the face name with its style
// words, the size rounded to whole points (at least 1), the colour and the code page.
platform::CanvasFont PrinterCanvasFont(const TFontEntry& entry,
                                       platform::CodePage codePage = kPrinterFontCodePage);

// The font-measuring progress dialog.
class FontMeasureProgress {
 public:
  virtual ~FontMeasureProgress() = default;
  virtual void Start(int total) = 0;
  // One more font; label is "Font "/"Schrift " + face + " " + size.
  virtual void Step(const std::string& label) = 0;
  virtual void Finish() = 0;
};

struct PrinterMeasureContext {
  std::string ProgramDirectory;
  std::uint8_t Language = 0;  // 1 German
  MessageBoxes* Boxes = nullptr;
  platform::PrinterList* Printers = nullptr;
  // Lets the user pick a printer when the named one is not installed; false when cancelled.
  std::function<bool()> ChoosePrinter;
  std::function<void()> Beep;
  FontMeasureProgress* Progress = nullptr;
  // The page engine's per-font prepared flags.
  std::function<void()> ClearPreparedFlags;
  // Used for the widths; one per thread (a fresh one when empty).
  platform::FontMeasurer* Measurer = nullptr;
  // The code page the page engine draws the document's bytes in (PrinterFontCodePage).
  platform::CodePage CodePage = kPrinterFontCodePage;
};

enum class MeasureOutcome {
  Unchanged,     // every entry was up to date; the file was not touched
  Written,       // changed entries were measured and the file rewritten
  WrongSize,     // the file is shorter than one record: reported, left alone
  NoPrinter,     // no printer to measure with
  NoResolution,  // the printer reports no resolution: reported, nothing written
  WriteFailed,   // the file could not be written: reported
};

// The 256 widths of one font entry at dpi, each with the entry's width correction. A width
// that does not fit a byte (wide characters at high resolutions, or a negative correction on
// a narrow one) is held at 255 or 0 and flagged, instead of wrapping round.
struct FontWidthsResult {
  std::array<std::uint8_t, 256> Widths{};
  bool OutOfRange = false;
  // When the face is not installed: which face was measured instead (fontconfig's fallback).
  std::string FallbackNote;
};
FontWidthsResult MeasureFontWidths(platform::FontMeasurer& measurer, const TFontEntry& entry,
                                   int dpi, platform::CodePage codePage = kPrinterFontCodePage);

// Dots per column (1/10 inch) as the record stores it; 255 at most (flagged).
std::uint8_t DotsPerColumnFromDpi(int dpi, bool* outOfRange = nullptr);

// The selected printer's resolution; 0 (after the error box) when it has none.
int QueryPrinterDpi(platform::Printer& printer, MessageBoxes* boxes, std::uint8_t language);

// Reads the printer's data file into record (which the caller keeps between calls), measures
// the entries of printerFonts that differ from it, and writes the file when anything changed.
MeasureOutcome MeasurePrinterFonts(const std::string& printerName,
                                   const TPrinterDataRecord& printerFonts,
                                   TPrinterDataRecord& record, PrinterMeasureContext& ctx);

// Clears the record and measures (the printer data of one printer, fresh from its file).
MeasureOutcome LoadPrinterData(const std::string& printerName,
                               const TPrinterDataRecord& printerFonts, TPrinterDataRecord& record,
                               PrinterMeasureContext& ctx);

// The index of the printer of exactly that name in the list, -1 when none.
int FindPrinterIndex(const platform::PrinterList& printers, const std::string& name);

// The platform's printer set-up dialog: lets the user select a printer of the list; false
// when cancelled.
using PrinterSetupDialog = std::function<bool(platform::PrinterList& printers)>;

// Makes FormattingPrinterName name an installed printer: the only one, or the one the user
// picks. With no printer at all the error box is shown and endProgram is called (Tavrel
// cannot run); the result is then false.
bool ChoosePrinter(TSettingsRecord& settings, platform::PrinterList& printers, MessageBoxes* boxes,
                   const PrinterSetupDialog& dialog, const std::function<void()>& endProgram);

// What formatting, preview and printing work with: the two font tables from "Fonts.ini" and
// the measured record of the current printer.
struct PrinterSetup {
  FontDefinitionTables Fonts;
  std::unique_ptr<TPrinterDataRecord> PrinterData = MakeEmptyPrinterData();
};

struct PrepareContext {
  FontDefinitionContext FontFile;      // ProgramDirectory, language, boxes, writer, fatal errors
  PrinterMeasureContext Measure;       // printers, progress, measurer
  MainNotifier* MainWindow = nullptr;  // writes a missing "Fonts.ini"
  PrinterSetupDialog Dialog;
  std::function<void()> EndProgram;
};

// Before every formatting job (useCurrentPrinter false: the printer formatting refers to)
// and every preview and print (true: the selected printer): makes sure "Fonts.ini" exists,
// reads it again when its date is later than at the last reading, and loads and re-measures
// the printer data. False when no printer could be chosen.
bool PrepareFontsAndPrinter(bool useCurrentPrinter, PrinterSetup& setup, TSettingsRecord& settings,
                            PrepareContext& ctx);

// After a program update: tells the user and deletes the data file of every printer.
void ResetPrinterDataAfterUpdate(const platform::PrinterList& printers,
                                 const std::string& programDirectory, std::uint8_t language,
                                 MessageBoxes* boxes);

}  // namespace tavrel
