#include "formatter/app/pdf_output.h"

#include <unistd.h>

#include <cstdio>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/messages.h"
#include "formatter/common/notifications.h"
#include "formatter/common/settings_record.h"
#include "formatter/pages/page_engine.h"
#include "formatter/pages/print_surface.h"
#include "platform/files.h"
#include "platform/process.h"

namespace tavrel {

namespace {

constexpr const char* kCreator = "Corvina 0.99a https://corvina.example.org";

std::string InLanguage(std::uint8_t language, std::string_view germanCp850,
                       std::string_view english) {
  return language == 1 ? ToDisplayText(germanCp850) : std::string(english);
}

// The settings name the suite's Windows batch file by default ("util\\gs.bat"), which cannot run
// here; Ghostscript's ps2pdf takes the same "* #" parameters.
std::string ConverterProgram(const std::string& configured) {
  constexpr const char* kDefaultConverter = "ps2pdf";
  if (configured.empty()) return kDefaultConverter;
  const std::string name = MakeUpperCase(ExtractFileNamePart(configured));
  if ((name == "GS.BAT" || name == "GS.CMD") && !platform::file_exists(configured))
    return kDefaultConverter;
  return configured;
}

}  // namespace

std::string TwoDigitText(int number) {
  return (number >= 0 && number < 10 ? "0" : "") + std::to_string(number);
}

std::string PdfCreationDate(const std::tm& when) {
  return "D:" + std::to_string(when.tm_year + 1900) + TwoDigitText(when.tm_mon + 1) +
         TwoDigitText(when.tm_mday) + TwoDigitText(when.tm_hour) + TwoDigitText(when.tm_min) +
         TwoDigitText(when.tm_sec);
}

std::string PdfStringText(std::string_view cp850) {
  const ByteTable& table = PdfTextTable();
  std::string out;
  out.reserve(cp850.size());
  for (char ch : cp850) {
    const char c = static_cast<char>(table[static_cast<std::uint8_t>(ch)]);
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string PdfMarksText(const PdfDocumentValues& values, bool withOutline, const std::tm& when) {
  std::string out = "\r\n";
  auto line = [&out](std::string_view text) {
    out += text;
    out += "\r\n";
  };
  line("systemdict /pdfmark known not {userdict /pdfmark systemdict /cleartomark get put } if [");
  line("/Author (" + PdfStringText(values.Author) + ")");
  line("/Title (" + PdfStringText(values.Title) + ")");
  line("/Subject (" + PdfStringText(values.Subject) + ")");
  line("/Keywords (" + PdfStringText(values.Keywords) + ")");
  line("/CreationDate (" + PdfCreationDate(when) + ")");
  line(std::string("/Creator (") + kCreator + ")");
  line("/DOCINFO pdfmark");
  line(withOutline ? "[/PageMode /UseOutlines /Page 1 /View [/XYZ null null 1] /DOCVIEW pdfmark"
                   : "[/PageMode /UseNone /Page 1 /View [/XYZ null null 1] /DOCVIEW pdfmark");
  return out;
}

std::string PdfMarkErrorText(std::uint8_t language, int step) {
  const std::string n = std::to_string(step);
  return InLanguage(language, "Fehler " + n + " beim Anh\x84ngen der PDFmarks an die PS-Datei",
                    "Error " + n + " while appending PDFmarks to the PS file");
}

PdfMarkResult AppendPdfMarks(const std::string& documentFileName, const PdfDocumentValues& values,
                             const FileContext& files, MainNotifier* notifier,
                             const std::tm& when) {
  PdfMarkResult result;
  const std::uint8_t language = files.Settings ? files.Settings->Language : 0;
  auto fail = [&](int step) {
    result.FailedStep = step;
    result.Error = PdfMarkErrorText(language, step);
    return result;
  };
  const std::string outlineName = ChangeFileExtension(documentFileName, "ps_cnt");
  const bool withOutline =
      files.Settings && files.Settings->PsWithContents != 0 && platform::file_exists(outlineName);
  if (values.Empty() && !withOutline) return result;
  if (notifier) notifier->Post(MN_APPENDING_PDFMARKS, 0);

  const std::string psName =
      MakePostScriptFileName(ChangeFileExtension(documentFileName, "ps"), files);
  // Only an existing PostScript file gets marks: "a" would create one from nothing.
  if (!platform::file_exists(psName)) return fail(1);
  std::string text = PdfMarksText(values, withOutline, when);
  if (withOutline) {
    const platform::ReadTextResult outline = platform::read_text_file(outlineName);
    if (!outline.ok()) return fail(2);
    text += outline.text;
  }
  platform::FilePtr file = platform::open_file(psName, "ab");
  if (!file) return fail(1);
  std::FILE* f = file.get();
  std::fseek(f, 0, SEEK_END);
  const long oldLength = std::ftell(f);
  const bool written =
      std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
  if (!written) {
    // Half a pdfmark would make the converter fail on the whole file.
    // When even that fails, the box still tells the user that the file is not usable.
    static_cast<void>(oldLength >= 0 && ::ftruncate(fileno(f), oldLength) == 0);
    return fail(3);
  }
  if (std::fclose(file.release()) != 0) return fail(3);
  result.Appended = true;
  return result;
}

std::vector<std::string> PdfConverterArguments(std::string_view parameters,
                                               const std::string& psFileName,
                                               const std::string& pdfFileName,
                                               const std::string& baseName) {
  std::vector<std::string> args = platform::split_command_line(parameters);
  for (std::string& arg : args) {
    std::string out;
    for (char c : arg) {
      switch (c) {
        case '*':
          out += psFileName;
          break;
        case '#':
          out += pdfFileName;
          break;
        case '&':
          out += baseName;
          break;
        default:
          out += c;
      }
    }
    arg = std::move(out);
  }
  return args;
}

std::string PdfBaseName(const std::string& documentFileName) {
  const std::size_t dot = documentFileName.rfind('.');
  const std::size_t sep = documentFileName.find_last_of("/\\");
  // A point in a folder name is no extension.
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return documentFileName;
  return documentFileName.substr(0, dot);
}

PdfConversion RunPdfConverter(const TSettingsRecord& settings, const std::string& documentFileName,
                              const std::string& psFileName, bool wait) {
  PdfConversion result;
  const std::uint8_t language = settings.Language;
  result.PdfFile = ChangeFileExtension(documentFileName, "pdf");
  const std::string program = ConverterProgram(settings.PdfProgram.Str());
  // The converter gets the names as they are on disk.
  const std::vector<std::string> args =
      PdfConverterArguments(settings.PdfParameters.Str(), platform::resolve_path(psFileName),
                            platform::resolve_path(result.PdfFile),
                            platform::resolve_path(PdfBaseName(documentFileName)));
  const platform::SpawnResult started = platform::start_program(program, args, wait);
  if (!started.ok()) {
    result.Error = InLanguage(language, "PDF-Konverter " + program + " nicht gestartet: ",
                              "PDF converter " + program + " not started: ") +
                   started.error;
    return result;
  }
  result.Started = true;
  if (!wait) return result;
  result.ExitStatus = platform::wait_program(started.pid);
  if (result.ExitStatus != 0)
    result.Error = InLanguage(
        language,
        "PDF-Konverter " + program + " endete mit Fehler " + std::to_string(result.ExitStatus),
        "PDF converter " + program + " ended with error " + std::to_string(result.ExitStatus));
  return result;
}

namespace {

std::tm Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

platform::Printer& PdfJobPrinter(platform::PrinterList& printers, const std::string& name) {
  const std::vector<std::string> names = printers.names();
  for (std::size_t i = names.size(); i-- > 0;)
    if (names[i] == name) return printers.at(i);
  return printers.selected();
}

PdfJobResult RunPdfJob(const PdfJob& job) {
  PdfJobResult result;
  PageEngineContext& engine = *job.Engine;
  const TSettingsRecord& settings = *engine.Settings;
  platform::Printer& printer = *job.Printer;
  if (printer.kind() == platform::PrinterKind::png_folder) {
    // Its output is a folder of images: there would be no PostScript to convert.
    result.Error = MessageText(
        settings, MessageId::kPrinterError,
        {printer.name(), InLanguage(settings.Language, "schreibt kein PostScript f\x81r PDF",
                                    "writes no PostScript for a PDF")});
    return result;
  }

  result.PsFile = MakePostScriptFileName(ChangeFileExtension(job.FileName, "ps"), engine.Files);
  const std::string keptOutput = printer.output();
  // The printer opens files by their names on disk.
  printer.set_output(platform::resolve_path(result.PsFile));
  printer.set_title(ExtractFileNamePart(job.FileName));
  PrinterPrintSurface surface(printer);
  engine.Printer = &surface;
  RenderFormattedPages(engine, job.FileName, false, true);
  engine.Printer = nullptr;
  result.Pages = surface.Pages();
  result.Stopped = engine.Print && engine.Print->Abort.load() != 0;
  const bool fatal = !engine.ThreadErrorText.empty();
  std::string printerError;
  bool delivered = false;
  if (fatal || result.Pages == 0)
    printer.abort_document();
  else
    delivered = printer.end_document(&printerError);
  printer.set_output(keptOutput);
  if (fatal) {
    result.Error = engine.ThreadErrorText;
    return result;
  }
  if (result.Pages == 0) {
    result.Error = MessageText(settings, MessageId::kNoPagePrinted, {job.FileName});
    return result;
  }
  if (!delivered) {
    result.Error = MessageText(settings, MessageId::kPrinterError, {printer.name(), printerError});
    return result;
  }

  // A stopped run still gets its marks: what was printed is a whole document.
  const PdfDocumentValues values{engine.PdfAuthor, engine.PdfTitle, engine.PdfSubject,
                                 engine.PdfKeywords};
  result.Marks = AppendPdfMarks(job.FileName, values, engine.Files, engine.Notifier, Now());
  if (!result.Marks.ok()) {
    result.Error = result.Marks.Error;
    return result;
  }
  const bool stoppedByUser = engine.Print && engine.Print->StopPrinting.load() != 0;
  if (settings.RunPdfProgram == 0 || result.Stopped || stoppedByUser) return result;
  result.Conversion = RunPdfConverter(settings, job.FileName, result.PsFile, job.WaitForConverter);
  result.ConverterStarted = result.Conversion.Started;
  if (!result.Conversion.ok()) result.Error = result.Conversion.Error;
  return result;
}

}  // namespace tavrel
