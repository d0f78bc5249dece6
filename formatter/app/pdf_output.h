// PDF output after a PostScript print run: the pdfmark lines (document information, view
// settings, the contents outline) appended to the PostScript file, and the PostScript-to-PDF
// converter started with an argument list.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/common/file_services.h"
#include "platform/printers.h"

namespace tavrel {

class MainNotifier;
struct PageEngineContext;
struct TSettingsRecord;

// The values of "AU", "TI", "SU" and "KY", in code page 850 as the document holds them.
struct PdfDocumentValues {
  std::string Author, Title, Subject, Keywords;
  bool Empty() const {
    return Author.empty() && Title.empty() && Subject.empty() && Keywords.empty();
  }
};

// "0" + number below 10, else the number.
std::string TwoDigitText(int number);
// "D:" + year + month, day, hour, minute, second without separators.
std::string PdfCreationDate(const std::tm& when);
// Code page 850 text as the inside of a PostScript string "(...)": converted to the Windows
// character set, with "(", ")" and "\" escaped so that no value can end the string early.
std::string PdfStringText(std::string_view cp850);

// The DOCINFO and DOCVIEW lines (CR LF each, starting with an empty line). The outline file's
// bytes follow them when withOutline is set.
std::string PdfMarksText(const PdfDocumentValues& values, bool withOutline, const std::tm& when);

struct PdfMarkResult {
  bool Appended = false;  // nothing is appended when there is nothing to say
  int FailedStep = 0;     // 1: the PostScript file, 2: the outline file, 3: writing
  std::string Error;      // the box text in the user's language (display code page)
  bool ok() const { return FailedStep == 0; }
};

// The box text for a failed step.
std::string PdfMarkErrorText(std::uint8_t language, int step);

// Appends the marks to the document's PostScript file (location rule, extension "ps"). The
// outline is taken when PsWithContents is set and the document's "ps_cnt" file exists. A
// failed write cuts the file back to its old length, so no broken mark is left behind.
PdfMarkResult AppendPdfMarks(const std::string& documentFileName, const PdfDocumentValues& values,
                             const FileContext& files, MainNotifier* notifier, const std::tm& when);

// The converter's arguments: the parameter text split as a command line (blanks separate,
// double quotes group), then in each argument "*" becomes the PostScript file name, "#" the
// PDF file name and "&" the base name. A substituted name stays one argument even when it
// holds blanks.
std::vector<std::string> PdfConverterArguments(std::string_view parameters,
                                               const std::string& psFileName,
                                               const std::string& pdfFileName,
                                               const std::string& baseName);

// The document name up to, not including, its last "." (the whole name without one).
std::string PdfBaseName(const std::string& documentFileName);

struct PdfConversion {
  bool Started = false;
  int ExitStatus = -1;  // when waited for
  std::string PdfFile;  // the PDF the converter was asked to write
  std::string Error;    // the box text (display code page); empty on success
  bool ok() const { return Error.empty(); }
};

// Starts PdfProgram for the document (ps2pdf when none is set, or when it is the default
// batch file of the suite's util folder, which does not exist here); with wait set (the print
// thread, which has nothing else to do) waits for it and reports a non-zero exit status.
PdfConversion RunPdfConverter(const TSettingsRecord& settings, const std::string& documentFileName,
                              const std::string& psFileName, bool wait);

// One PDF job of the print thread: the document printed into its PostScript file on the
// job's printer, the marks appended, then the converter started unless the user stopped the
// print or RunPdfProgram is off.
struct PdfJob {
  // Settings, fonts, cache, notifier, files and print control as for printing; the job sets
  // the printer surface and reads the document values back.
  PageEngineContext* Engine = nullptr;
  std::string FileName;  // the formatted file
  bool WaitForConverter = true;
  // Chosen by PdfJobPrinter when the job is made: the print thread leaves the list's
  // selection alone, since the window's printer list shows it.
  platform::Printer* Printer = nullptr;
};

struct PdfJobResult {
  std::string PsFile;
  int Pages = 0;
  bool Stopped = false;  // by the user (after the current page) or by a fatal error
  PdfMarkResult Marks;
  bool ConverterStarted = false;
  PdfConversion Conversion;
  std::string Error;  // the box text; empty when everything asked for was done
  bool ok() const { return Error.empty(); }
};

// The printer a PDF job prints on: the last of several named `name` (PdfPrinterName), else
// the selected one.
platform::Printer& PdfJobPrinter(platform::PrinterList& printers, const std::string& name);

PdfJobResult RunPdfJob(const PdfJob& job);

}  // namespace tavrel
