#include "formatter/fonts/printer_measure.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "formatter/common/settings_record.h"
#include "platform/files.h"

namespace tavrel {

namespace {

bool SameDefinition(const TFontEntry& a, const TFontEntry& b) {
  return a.FaceName.Str() == b.FaceName.Str() && a.Size == b.Size &&
         a.WidthCorrection == b.WidthCorrection;
}

double RoundedSize(double size) {
  if (!std::isfinite(size)) return 1;
  const double r = std::nearbyint(size);
  return r < 1 ? 1 : (r > 32767 ? 32767 : r);
}

std::string SizeText(double size) {
  return std::to_string(static_cast<long long>(RoundedSize(size)));
}

}  // namespace

platform::CodePage PrinterFontCodePage(std::uint8_t settingsCodePage) {
  return settingsCodePage == 1 ? platform::CodePage::cp850 : platform::CodePage::cp437;
}

platform::CanvasFont PrinterCanvasFont(const TFontEntry& entry, platform::CodePage codePage) {
  platform::CanvasFont font;
  font.face = entry.FaceName.Str();  // the canvas takes "Bold"/"Italic" out of the name itself
  font.size = RoundedSize(entry.Size);
  font.colour = platform::Rgb::from_int(entry.Colour);
  font.code_page = codePage;
  return font;
}

FontWidthsResult MeasureFontWidths(platform::FontMeasurer& measurer, const TFontEntry& entry,
                                   int dpi, platform::CodePage codePage) {
  FontWidthsResult result;
  const platform::FontMetrics& fm = measurer.measure(PrinterCanvasFont(entry, codePage), dpi);
  if (fm.font.fallback) result.FallbackNote = fm.font.note;
  // The correction byte is added modulo 256, so 254 narrows by 2.
  const int correction = static_cast<std::int8_t>(entry.WidthCorrection);
  for (int c = 0; c < 256; ++c) {
    int w = fm.advance[static_cast<std::size_t>(c)] + correction;
    if (w > 255 || w < 0) {
      result.OutOfRange = true;
      w = w > 255 ? 255 : 0;
    }
    result.Widths[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(w);
  }
  return result;
}

std::uint8_t DotsPerColumnFromDpi(int dpi, bool* outOfRange) {
  const double d = std::nearbyint(dpi / 10.0);
  const bool out = d > 255 || d < 0;
  if (outOfRange) *outOfRange = out;
  return static_cast<std::uint8_t>(out ? (d > 255 ? 255 : 0) : d);
}

int QueryPrinterDpi(platform::Printer& printer, MessageBoxes* boxes, std::uint8_t language) {
  const int dpi = printer.dpi();
  if (dpi > 0) return dpi;
  if (boxes)
    boxes->ShowMessageBox(MessageText(language, MessageId::kPrinterResolutionUnknown), kBoxError);
  return 0;
}

MeasureOutcome MeasurePrinterFonts(const std::string& printerName,
                                   const TPrinterDataRecord& printerFonts,
                                   TPrinterDataRecord& record, PrinterMeasureContext& ctx) {
  if (ctx.ClearPreparedFlags) ctx.ClearPreparedFlags();
  const std::string path = MakePrinterDataFileName(ctx.ProgramDirectory, printerName);
  if (ReadPrinterDataFile(path, record) == PrinterDataRead::TooShort) {
    if (ctx.Boxes)
      ctx.Boxes->ShowMessageBox(
          MessageText(ctx.Language, MessageId::kPrinterDataFileWrongSize, {path}), kBoxError);
    return MeasureOutcome::WrongSize;
  }

  platform::PrinterList* printers = ctx.Printers;
  const int named = printers ? printers->index_of(printerName) : -1;
  // Widths measured at another resolution (or by a file that never got one) are all stale.
  const bool staleResolution =
      record.PrinterDpi <= 0 ||
      (named >= 0 && printers->at(static_cast<std::size_t>(named)).dpi() != record.PrinterDpi);

  bool anyChanged = false;
  int faces = 0;
  for (int n = 0; n < kFontCount; ++n) {
    if (!printerFonts.Fonts[n].FaceName.Empty()) ++faces;
    if (!SameDefinition(printerFonts.Fonts[n], record.Fonts[n]) ||
        (staleResolution && !printerFonts.Fonts[n].FaceName.Empty()))
      anyChanged = true;
  }
  if (!anyChanged) return MeasureOutcome::Unchanged;

  // Measure with the named printer; the user's selection comes back afterwards.
  if (!printers || printers->count() == 0) return MeasureOutcome::NoPrinter;
  const int remembered = printers->selected_index();
  if (named >= 0) {
    printers->select(named);
  } else {
    if (ctx.Beep) ctx.Beep();
    if (!ctx.ChoosePrinter || !ctx.ChoosePrinter()) return MeasureOutcome::NoPrinter;
  }
  platform::Printer& printer = printers->selected();
  const int dpi = QueryPrinterDpi(printer, ctx.Boxes, ctx.Language);
  if (dpi <= 0) {
    // Without a resolution every later scale would divide by zero: nothing is measured.
    printers->select(remembered);
    return MeasureOutcome::NoResolution;
  }
  record.PrinterName.Assign(printer.name());
  if (ctx.Progress) ctx.Progress->Start(faces);

  std::unique_ptr<platform::FontMeasurer> own;
  platform::FontMeasurer* measurer = ctx.Measurer;
  if (!measurer) {
    own = std::make_unique<platform::FontMeasurer>();
    measurer = own.get();
  }
  std::string tooWide;
  std::string fallbacks;
  for (int n = 0; n < kFontCount; ++n) {
    const TFontEntry& wanted = printerFonts.Fonts[n];
    if (SameDefinition(wanted, record.Fonts[n]) && !staleResolution) continue;
    record.Fonts[n] = wanted;
    std::uint8_t* widths = record.CharWidths[n];
    if (wanted.FaceName.Empty()) {
      std::fill(widths, widths + 256, std::uint8_t{0});
      continue;
    }
    if (ctx.Progress)
      ctx.Progress->Step(MessageText(ctx.Language, MessageId::kMeasuringFont,
                                     {wanted.FaceName.Str(), SizeText(wanted.Size)}));
    const FontWidthsResult measured = MeasureFontWidths(*measurer, wanted, dpi, ctx.CodePage);
    std::copy(measured.Widths.begin(), measured.Widths.end(), widths);
    if (measured.OutOfRange) tooWide += FontNumberToSpec(static_cast<std::uint8_t>(n + 1)) + " ";
    if (!measured.FallbackNote.empty() &&
        fallbacks.find(measured.FallbackNote) == std::string::npos)
      fallbacks += (fallbacks.empty() ? "" : "; ") + measured.FallbackNote;
  }

  bool columnOut = false;
  record.PrinterDpi = dpi;
  record.DotsPerColumn = DotsPerColumnFromDpi(dpi, &columnOut);
  MeasureOutcome outcome = MeasureOutcome::Written;
  if (!WritePrinterDataFile(path, record)) {
    if (ctx.Boxes)
      ctx.Boxes->ShowMessageBox(
          ShowMessage(ctx.Language, ComposeMessage(MessageId::kFileCannotBeWritten, {path})),
          kBoxError);
    outcome = MeasureOutcome::WriteFailed;
  }
  if (ctx.Progress) ctx.Progress->Finish();
  // A printer data file holds widths and dots per column in bytes: report what did not fit.
  if (ctx.Boxes && !tooWide.empty())
    ctx.Boxes->ShowMessageBox(
        ShowMessage(ctx.Language,
                    ComposeMessage(MessageId::kFontWidthsLimited, {tooWide, std::to_string(dpi)})),
        kBoxError);
  // A face that is not installed is measured (and later drawn) in fontconfig's stand-in.
  if (ctx.Boxes && !fallbacks.empty())
    ctx.Boxes->ShowMessageBox(MessageText(ctx.Language, MessageId::kFontsNotInstalled, {fallbacks}),
                              kBoxInformation);
  if (ctx.Boxes && columnOut)
    ctx.Boxes->ShowMessageBox(
        MessageText(ctx.Language, MessageId::kPrinterResolutionTooHigh, {std::to_string(dpi)}),
        kBoxError);
  if (printers->selected_index() != remembered) printers->select(remembered);
  return outcome;
}

MeasureOutcome LoadPrinterData(const std::string& printerName,
                               const TPrinterDataRecord& printerFonts, TPrinterDataRecord& record,
                               PrinterMeasureContext& ctx) {
  record = TPrinterDataRecord{};
  return MeasurePrinterFonts(printerName, printerFonts, record, ctx);
}

int FindPrinterIndex(const platform::PrinterList& printers, const std::string& name) {
  return printers.index_of(name);
}

bool ChoosePrinter(TSettingsRecord& settings, platform::PrinterList& printers, MessageBoxes* boxes,
                   const PrinterSetupDialog& dialog, const std::function<void()>& endProgram) {
  const std::uint8_t language = settings.Language;
  if (printers.count() == 0) {
    if (boxes)
      boxes->ShowMessageBox(MessageText(language, MessageId::kNoPrinterInstalled), kBoxError);
    if (endProgram) endProgram();
    return false;
  }
  if (printers.count() == 1) {
    printers.select(0);
  } else {
    if (boxes)
      boxes->ShowMessageBox(MessageText(language, MessageId::kSelectFormattingPrinter),
                            kBoxInformation);
    if (!dialog || !dialog(printers)) {
      if (boxes)
        boxes->ShowMessageBox(MessageText(language, MessageId::kCannotFormatWithoutPrinter),
                              kBoxInformation);
      return false;
    }
  }
  settings.FormattingPrinterName.Assign(printers.selected().name());
  return true;
}

bool PrepareFontsAndPrinter(bool useCurrentPrinter, PrinterSetup& setup, TSettingsRecord& settings,
                            PrepareContext& ctx) {
  const std::string& directory = ctx.FontFile.ProgramDirectory;
  if (ctx.MainWindow)
    EnsureFontDefinitionFile(false, directory, settings.Language, ctx.FontFile.Boxes,
                             *ctx.MainWindow);
  const std::optional<std::int64_t> date = GetFileDate(FontDefinitionFilePath(directory));
  // A missing file is read too, so that its absence is reported.
  if (!date || *date > setup.Fonts.FileDate) {
    ReadFontDefinitionFile(setup.Fonts, ctx.FontFile);
    setup.Fonts.FileDate = date.value_or(0);
  }
  platform::PrinterList* printers = ctx.Measure.Printers;
  if (!printers) return false;
  // Measured in the code page the page engine draws the document in.
  ctx.Measure.CodePage = PrinterFontCodePage(settings.CodePage);
  if (useCurrentPrinter) {
    if (printers->count() == 0) return false;
    LoadPrinterData(printers->selected().name(), *setup.Fonts.PrinterFonts, *setup.PrinterData,
                    ctx.Measure);
    return true;
  }
  bool result = true;
  if (FindPrinterIndex(*printers, settings.FormattingPrinterName.Str()) == -1)
    result = ChoosePrinter(settings, *printers, ctx.Measure.Boxes, ctx.Dialog, ctx.EndProgram);
  if (result)
    LoadPrinterData(settings.FormattingPrinterName.Str(), *setup.Fonts.PrinterFonts,
                    *setup.PrinterData, ctx.Measure);
  return result;
}

void ResetPrinterDataAfterUpdate(const platform::PrinterList& printers,
                                 const std::string& programDirectory, std::uint8_t language,
                                 MessageBoxes* boxes) {
  if (boxes)
    boxes->ShowMessageBox(MessageText(language, MessageId::kPrinterDataReset), kBoxInformation);
  for (const std::string& name : printers.names()) {
    const std::string path = MakePrinterDataFileName(programDirectory, name);
    if (FileExistsByOpen(path)) platform::erase_file(path);
  }
}

}  // namespace tavrel
