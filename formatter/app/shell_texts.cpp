#include "formatter/app/shell_texts.h"

#include <array>
#include <stdexcept>

#include "formatter/common/bilingual_texts.h"

namespace tavrel {

namespace {

struct ShellTextRow {
  ShellText Id;
  const char* German;  // code page 850
  const char* English;
};

using T = ShellText;
constexpr ShellTextRow kRows[] = {
    {T::kFormatting, "formatieren...", "formatting..."},
    {T::kPreviewing, "Druckvorschau...", "preview..."},
    {T::kPrinting, "drucken...", "printing..."},
    {T::kFormatButton, "format", "format"},
    {T::kStopFormatButton, "stop f", "stop f"},
    {T::kStopButton, "stop", "stop"},
    {T::kPrintButton, "Drucken", "print"},
    {T::kStopPrintButton, "stop dr.", "stop p"},
    {T::kFormatted, "formatted", "formatted"},
    {T::kFormattedTaf, "formatted (TAF file)", "formatted (TAF file)"},
    {T::kPreviewPage, "preview page ", "preview page "},
    {T::kPageToFile, "Seite ", "Page "},
    {T::kPrintPage, "drucke Seite ", "print page "},
    {T::kFromCopy, " von Kopie ", " from copy "},
    {T::kAppendingPdfMarks, "Anh\x84ngen der PDFmarks", "Appending PDFmarks"},
    {T::kScanningIndexPage, "lese Index Seite ", "scanning index page "},
    {T::kFormatPage, "formatiere Seite ", "format page "},
    {T::kSearchingHeadings,
     "Suche \x9A"
     "berschriften Seite ",
     "searching for headings page "},
    {T::kFootnotePage,
     "Fu\xE1noten"
     "zuordnung Seite ",
     "footnote arrangement page "},
    {T::kReading, "einlesen ", "reading "},
    {T::kMergingIndex, " und Index sortieren", " and merging index"},
    {T::kMessagesCaption, "Info- und Fehlermeldungen", "Info and Error Messages"},
    {T::kIndexCaption, "Stichwortverzeichnis erstellen", "Creating Index"},
    {T::kTerminateJobsFirst, "Es m\x81ssen erst alle laufenden Jobs beendet sein",
     "first, terminate all jobs"},
    {T::kWrongParameter, "Falscher Programmparameter: Die Datei %1 existiert nicht.",
     "Wrong program parameter: The file %1 does not exist."},
    {T::kCloseQuestion,
     "Warten Sie bitte bis der Druck/Formatierjob beendet ist. Oder wollen Sie trotzdem beenden?",
     "Wait until printing/formatting job is finished. Do you really want to interrupt the thread "
     "and leave Tavrel?"},
    {T::kWaitUntilPrintingIdle, "warten Sie bitte bis das Drucken beendet ist",
     "wait until printing is idle"},
    {T::kCompilerNotFound,
     "Skeldon Kommandozeilenprogramm nicht gefunden. Geben Sie zuerst den Dateinamen auf der "
     "\"program\" Seite des Einstellungen-Buches ein!",
     "Skeldon commandline program not found. Make your entry on the \"program\" page in the "
     "settings notebook first!"},
    {T::kNoPdfPrinter,
     "Kein PDF-Drucker definiert. F\x81llen Sie bitte die Seite PDF des Einstellungen-Buches "
     "zuerst aus!",
     "No PDF printer selected. Please edit the page PDF of the settings notebook first!"},
    {T::kJobNotAvailable, "Dieser Job ist in dieser Version nicht vorhanden: %1",
     "This job is not available in this version: %1"},
    {T::kGraphicsDialogNotAvailable,
     "Der Grafikdatei-Dialog ist in dieser Version nicht vorhanden: %1",
     "The graphics file dialog is not available in this version: %1"},
    {T::kNotFound, "%1 nicht gefunden", "%1 not found"},
    {T::kPageListPrefix, "S.", "P."},
    {T::kRefusedWhilePrinting,
     "Es wird gerade gedruckt. Warten Sie bitte bis das Drucken beendet ist.",
     "Printing is in progress. Please wait until printing is idle."},
    {T::kCloseTimedOut,
     "Die laufenden Jobs haben nicht rechtzeitig angehalten; Tavrel wird trotzdem beendet.",
     "The running jobs did not stop in time; Tavrel ends anyway."},
    {T::kEditorNotAvailable, "Der Editor kann nicht gestartet werden: %1",
     "The editor cannot be started: %1"},
    {T::kSelectFile, "W\x84hlen Sie eine WS-, TXT- oder RTF-Datei", "Select a WS, TXT or RTF file"},
    {T::kCreateFileQuestion, "Die Datei %1 gibt es noch nicht. Wollen Sie sie neu anlegen?",
     "The file %1 does not exist. Do you want to create it?"},
};
static_assert(std::size(kRows) == static_cast<std::size_t>(T::kCount));

std::string Fill(std::string text, MessageArgs args) {
  int n = 1;
  for (std::string_view arg : args) {
    const std::string mark = "%" + std::to_string(n++);
    for (std::size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + arg.size()))
      text.replace(at, mark.size(), arg);
  }
  return text;
}

}  // namespace

std::string ShellMessage(std::uint8_t language, ShellText id, MessageArgs args) {
  const auto index = static_cast<std::size_t>(id);
  if (index >= std::size(kRows) || kRows[index].Id != id)
    throw std::out_of_range("no shell text with this number");
  const ShellTextRow& row = kRows[index];
  const std::string text =
      language == kLanguageGerman ? ToDisplayText(row.German) : std::string(row.English);
  return Fill(text, args);
}

}  // namespace tavrel
