#include "formatter/common/messages.h"

#include <cstddef>
#include <iterator>
#include <stdexcept>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/settings_record.h"

namespace tavrel {
namespace {

using M = MessageId;

// Rows whose two texts are the same are shown in German (or both languages) whatever the
// language is; their sites take the stored text.
constexpr MessageRow kRows[] = {
    // run messages
    {M::kParagraphAbbreviation, "Abs ", "Par "},
    {M::kTooManyErrors, "Mehr als 50 Fehlermeldungen! Formatieren wird abgebrochen.",
     "More than 50 error messages! Formatting interrupted."},
    {M::kOldFileKeptAsBackup, "Die alte Datei ist noch vorhanden und hat die Erweiterung .$$$",
     "Die alte Datei ist noch vorhanden und hat die Erweiterung .$$$"},
    {M::kFormatJobInterrupted, "Formatierung wurde abgebrochen!", "Format job interrupted!"},
    {M::kErrorOpeningOutputFile,
     "Fehler beim \x99"
     "ffnen der Datei (%1) %2 .",
     "Error while opening file (%1) %2 ."},
    {M::kOutputIsInput,
     "%1 ist ein Link auf das Dokument %2 (dieselbe Datei): das Dokument wird nicht "
     "\x81"
     "berschrieben. Bitte l\x94schen oder benennen Sie %1 um.",
     "%1 is a link to the document %2 (the same file): the document is not overwritten. Please "
     "delete or rename %1."},
    // help, settings
    {M::kFileNotFound, "Datei %1 nicht gefunden.", "File %1 not found."},
    {M::kDotHelpLanguageLetter, "g", "e"},
    {M::kAskGermanLanguage, "user language german (Deutsche Sprache?)",
     "user language german (Deutsche Sprache?)"},
    {M::kSettingsFileUnreadable,
     "Fehler beim Lesen von %1, Datei wird mit Standardwerten neu angelegt",
     "Error reading %1, file recreated with default values"},
    {M::kEditorNotFound,
     "Dunmoor.exe konnte nicht gefunden werden. Bitte tragen Sie den Dateinamen unter Settings - "
     "program ein.",
     "Dunmoor.exe not found. Please enter the name on the \"Program\" page of the settings "
     "notebook."},
    {M::kSettingsFileNotWritten, "Fehler: Datei Tavrel.dta kann nicht geschrieben werden.",
     "Error: Could not write file Tavrel.dta."},
    {M::kTutorialFolder, "Tutorial_Deutsch", "Tutorial_English"},
    {M::kProgramsFolder, "C:\\Programme", "C:\\Programs"},
    // font definition file, printer data
    {M::kFontDefinitionFileCreated,
     "Fonts.ini Schriften-Defintions-Datei existiert bislang noch nicht. Es wird automatisch "
     "erzeugt. Sie k\x94nnen jederzeit diese Textdatei ihren Bed\x81rfnissen anpassen "
     "(Einstellungen - Schriftdefinition).",
     "Fonts.ini font definition file does not exist yet. It will be generated now automatically. "
     "You are encouraged to modify this text file to fit your purpose! (Settings - Font "
     "definition)"},
    {M::kFontDefinitionFileNotFound, "Fonts.ini nicht gefunden", "Fonts.ini not found"},
    {M::kFontDefinitionFileRecreatedAfterBug,
     "Wegen eines inzwischen behobenen Fehlers aus einer fr\x81heren Tavrel-Version wird die Datei "
     "fonts.ini neu angelegt und die alte in fonts.old umbenannt.",
     "Because of a meanwhile fixed bug of a former Tavrel version, the file fonts.ini will be "
     "recreated and the old one gets the name fonts.old."},
    {M::kFontLettersDeclaredTwice,
     "Der Schriftbuchstaben %1wurden in der Schriftendefinitionsdatei Fonts.ini zweimal vergeben. "
     "Bitte die Datei editieren (Einstellungen - Schriften-Definition) oder l\x94schen",
     "Font characters %1have been declared twice in font definition file Fonts.ini. Please edit "
     "(Settings - Font Definition) or delete it."},
    {M::kAskRecreateFontDefinitionFile,
     "Soll die Schriften-Definition (Datei Fonts.ini) neu angelegt werden ?",
     "Do you want to recreate the font definition (fonts.ini file) ?"},
    {M::kFontSizesUnreadable,
     "Die Gr\x94\xE1"
     "e dieser Schriften in Fonts.ini ist nicht lesbar (eine ganze Zahl von Punkten, mindestens "
     "1); sie erhalten ihre Standardgr\x94\xE1"
     "e:\r\n%1",
     "The size of these fonts in Fonts.ini cannot be read (a whole number of points, at least 1); "
     "they get their default size:\r\n%1"},
    {M::kPrinterResolutionUnknown,
     "Schwer Fehler: Die Druckeraufl\x94sung konnte nicht ermittelt werden.",
     "Fatal Error: querying printer resolution failed"},
    {M::kPrinterDataFileWrongSize,
     "%1 hat die falsche Gr\x94\xE1"
     "e. Bitte l\x94schen.",
     "%1 has got wrong size. Please delete."},
    {M::kMeasuringFont, "Schrift %1 %2", "Font %1 %2"},
    {M::kFileCannotBeWritten, "Datei %1 kann nicht geschrieben werden.",
     "File %1 cannot be written."},
    {M::kFontWidthsLimited,
     "Schriften %1haben bei %2 dpi Zeichenbreiten au\xE1"
     "erhalb 0 bis 255 Punkte; sie wurden "
     "begrenzt.",
     "Fonts %1have character widths outside 0 to 255 dots at %2 dpi; they were limited."},
    {M::kFontsNotInstalled, "Nicht installierte Schriften: %1", "Fonts not installed: %1"},
    {M::kPrinterResolutionTooHigh,
     "Die Druckeraufl\x94sung %1 dpi ist zu hoch (Spaltenbreite > 255 Punkte).",
     "The printer resolution %1 dpi is too high (column width > 255 dots)."},
    {M::kNoPrinterInstalled,
     "Tavrel: kein Drucker installiert, weder Formatieren noch Drucken m\x94glich! Tavrel kann "
     "nicht ausgef\x81hrt werden.",
     "Tavrel: No printer installed, neither formatting nor printing possible! Tavrel cannot be "
     "executed!"},
    {M::kSelectFormattingPrinter,
     "Bitte w\x84hlen Sie den Drucker aus, auf den sich die Formatierung beziehen soll (d.h. ihr "
     "f\x81r Tavrel Ausdrucke meist verwendeter Drucker)",
     "Please select the printer to which formatting refers to (your favourite printer for Tavrel "
     "printouts)"},
    {M::kCannotFormatWithoutPrinter,
     "Formatieren kann ohne diese Auswahl nicht ausgef\x81hrt werden",
     "Cannot format without this selection"},
    {M::kPrinterDataReset,
     "Mit dem Wechsel auf diese Versionsnummer werden die alten Druckerdaten gel\x94scht und "
     "sp\x84ter wieder neu angelegt.",
     "With the Update to this version, the old printer data information will be deleted and "
     "recreated later."},
    // formatting
    {M::kNumberMissingBehindDotCommand, "Zahl fehlt hinter dem Punktbefehl .%1 !",
     "Number missing behind dot command .%1 !"},
    {M::kUnderlineNotEnded, "Kein Ende der Unterstreichung angegeben", "end of underlined missing"},
    {M::kBoldNotEnded, "Kein Ende des Fettdrucks angegeben", "end of bold print missing"},
    {M::kItalicNotEnded, "Kein Ende des Kursivdrucks angegeben", "end of italic print missing"},
    {M::kPageNoteSwallowed, "Fehler: Blattverweis \"%1\" wird geschluckt, ",
     "Error: Pagenote \"%1\" will be omitted, "},
    {M::kTwoPageNotesInOneLine, "weil zwei Blattverweise in einer Zeile sind.",
     "because two pagenotes resides in a single line."},
    {M::kTooManyIndexCharacters, "Mehr als 4 Indexzeichen, Index %1 wird ignoriert.",
     "More than 4 index characters, index %1 ignored."},
    {M::kDocumentCannotBeWritten, "Datei %1 kann nicht geschrieben werden.",
     "file %1 cannot be written."},
    {M::kUnexpectedEndOfFile, "Unerwartetes Ende der Datei %1", "unexpected end of file %1"},
    {M::kHeadingsFileTooLong, "Datei %1 ist zu lang (mehr als 1000 Zeichen).",
     "File %1 is too long (more than 1000 characters)."},
    {M::kHeadingsFileErrorAtLevel,
     "Fehler in der \x9A"
     "berschriftsformatierungs-Datei beim %1. Rang",
     "Error in content format file, level %1 "},
    {M::kHeadingsNumberingHint, " Vermutlich steht hinter \".\" oder \")\" nicht 1, I, A oder a !",
     "Assuming that behind . or ) the \"1\", \"I\", \"A\" or \"a\" is missing."},
    {M::kHeadingsFileReplaced, "Datei %1 nicht gefunden. Stattdessen wird %2 verwendet.",
     "File %1 not found. Instead, %2 will be used."},
    {M::kHeadingsFileNotOpened,
     "Datei %1 konnte nicht ge\x94"
     "ffnet werden.",
     "Could not read file %1 ."},
    {M::kHeadingsFileName, "Gliform.ws", "Headings.ws"},
    {M::kPageLengthBelowMargins,
     "Seitenl\x84nge .PL nicht gr\x94\xE1"
     "er als oberer und unterer Rand (.MT + .MB), jede Zeile "
     "beginnt eine neue Seite",
     "Page length .PL not above top and bottom margin (.MT + .MB), every line starts a new page"},
    {M::kFileEndsInsideBlock, "Datei endet in einem WordStar-Block (0x1D), der Rest wird ignoriert",
     "File ends inside a WordStar block (0x1D), the rest is ignored"},
    {M::kTwoRightJustifyControls,
     "Zwei Rechtsb\x81ndig-Steuerzeichen ^PZ (Dunmoor) bzw. ^P@ (Wordstar) in einer Zeile nicht "
     "erlaubt",
     "Two \"right justified\" printer chars ^PZ (Dunmoor), ^P@ (Wordstar) not allowed in a single "
     "line"},
    {M::kStoppedByUser, "Formatierung vom Benutzer abgebrochen", "Formatting stopped by user"},
    {M::kFootnoteEndMarkerMissing, "Ende-Markierung der %1. Fu\xE1note vergessen!",
     "End marker of footnote %1 does not exist"},
    {M::kFootnoteBeginMarkerMissing, "Anfang-Markierung der %1. Fu\xE1note vergessen!",
     "Begin marker of footnote %1 does not exist"},
    {M::kFormattingErrorInTable,
     "Formatierungsfehler, vermutlich in Tabelle. Setzen Sie .BA an den Anfang und .BE an das Ende "
     "der Tabelle.",
     "Formatting error, possibly in table. Enclose the table with .BD and .BE commands!"},
    {M::kDeletingFile, "Die Datei %1 wird gel\x94scht", "Deleting file %1"},
    {M::kRenamingFile, "Die Datei %1 wird in %2 umbenannt", "Renaming %1 to %2"},
    {M::kWriteError, "Schreibfehler: %1", "Write error: %1"},
    {M::kIndexEntryCount, "%1 Stichw\x94rter in %2", "%1 index entries in %2"},
    {M::kHeaderSettingsStart, "..Aktuelle Werte aus dem Einstellungen-Buch",
     "..Current values from the settings notebook"},
    {M::kHeaderPageLayout, "..Seitenlayout: %1", "..Page layout: %1"},
    {M::kHeaderSettingsEnd, "..Ende Einstellungen-Buch", "..End settings notebook"},
    {M::kTooManyHeadingNumbers,
     "Mehr als neun \x9A"
     "berschriftsnummern, der Rest wird ignoriert",
     "More than nine heading numbers, the rest is ignored"},
    {M::kDotCommandValueNotPositive,
     "Der Wert von .%1 muss gr\x94\xE1"
     "er als 0 sein, die Zeile wird ignoriert",
     "The value of .%1 must be above 0, the line is ignored"},
    {M::kTooManyGraphicsCharacters,
     "Zu viele Grafikbuchstaben (h\x94"
     "chstens 20): %1",
     "Too many graphics characters (at most 20): %1"},
    {M::kGraphicsFileUnusable, "Grafik-Datei %1 nicht gefunden oder nicht lesbar (%2).",
     "Graphics file %1 not found or unreadable (%2)."},
    {M::kGraphicsFileNotFoundNoLines,
     "Grafik-Datei %1 nicht gefunden. Ben\x94tigte Leerzeilen wurden nicht eingef\x81gt.",
     "Graphics file %1 not found. Necessary empty lines not inserted."},
    {M::kGraphicsFileNotInterpreted, "Grafik-Datei %1 konnte nicht korrekt interpretiert werden.",
     "Graphics file %1 coudn't be interpreted correctly."},
    {M::kDotLineTooLong, "Punktzeile zu lang (mehr als 248 Zeichen), der Rest wird ignoriert",
     "Dot line too long (more than 248 characters), the rest is ignored"},
    {M::kIfConditionSyntax, "\".IF %1\": falsche Schreibweise der .IF-Bedingung",
     "\".IF %1\": wrong syntax in .IF condition"},
    {M::kMacroNameTooLong,
     "Name des Punktbefehlmakros zu lang (mehr als 30 Zeichen), der Rest wird ignoriert",
     "Name of dot command macro too long (more than 30 characters), the rest is ignored"},
    {M::kMacroTooLong,
     "Punktbefehlmakro %1 zu lang (mehr als 199 Zeichen), der Rest wird ignoriert",
     "Dot command macro %1 too long (more than 199 characters), the rest is ignored"},
    {M::kMacroCalledRecursively, "Es wurde versucht, das Punktbefehlmakro %1 rekursiv aufzurufen",
     "Recursive execution of dot command macro %1 not allowed"},
    {M::kTooManyNestedIncludeFiles, "Zu viele verschachtelte .FI-Dateien: %1",
     "Too many nested .FI files: %1"},
    {M::kErrorOpeningIncludeFile,
     "Fehler beim \x99"
     "ffnen der Datei %1 .",
     "Error while opening file %1 ."},
    {M::kFontNotDefined,
     "Schrift %1 ist nicht definiert oder nicht ordnungsgem\x84\xE1 angemeldet.",
     "Font %1 not defined or not registered."},
    {M::kNamedFontNotDefined,
     "%1 Schrift %2 ist nicht definiert oder nicht ordnungsgem\x84\xE1 angemeldet.",
     "%1 Font %2 not defined or not registered."},
    // hyphenation
    {M::kHyphenationFileNotFound, "Trenndatei %1 nicht gefunden", "Hyphenation file %1 not found"},
    {M::kHyphenationFileTooLarge,
     "Trenndatei %1 ist gr\x94\xE1"
     "er als 32 MB und wird nicht geladen",
     "Hyphenation file %1 is larger than 32 MB and is not loaded"},
    {M::kErrorOpeningHyphenationFile,
     "Fehler beim \x99"
     "ffnen der Datei %1",
     "Error while opening file %1"},
    {M::kHyphenationFileCrLf,
     "Trenndatei %1 hat CR-LF-Zeilenenden; ihre Muster ergeben keine Trennstellen",
     "Hyphenation file %1 has CR LF line ends; its patterns give no breaks"},
    {M::kErrorReadingLearnedFile, "Fehler beim Lesen der Datei %1", "Error while reading file %1"},
    {M::kErrorAppendingLearnedFile, "Fehler beim Erg\x84nzen der Datei %1",
     "Error while appending file %1"},
    // pages
    {M::kNumberedOutputError, "Fehler %1: %2", "Error %1: %2"},
    {M::kFormattedFileNotFound, "Datei %1 nicht gefunden", "File %1 not found"},
    {M::kPageRangeTo, " bis %1", " to %1"},
    {M::kPageCountOf, " von %1", " of %1"},
    {M::kWrongNumberInDotCommand, "Fehler beim Punktbefehl .%1 Zahl stimmt nicht  ",
     "Fehler beim Punktbefehl .%1 Zahl stimmt nicht  "},
    {M::kGraphicsCharacterNotFound, "Grafikbuchstabe %1 nicht gefunden.",
     "Grafikbuchstabe %1 nicht gefunden."},
    // font definition file and font demo file contents; ^B and ^Y are the bold and italic
    // toggles of a formatted file
    {M::kFontFilePrinterLine, "..Schriften f\x81r den Drucker-Typ: %1",
     "..Fonts refer to Printer: %1"},
    {M::kFontFileEverySystem,
     "..Schriften, die auf jedem System verf\x81gbar sind:", "..Fonts available on every system:"},
    {M::kNoFontLikeTimes, "keine Schrift \x84hnlich \"Times Roman\" gefunden",
     "no font similar to \"Times Roman\" found"},
    {M::kNoFontLikeHelvetica, "keine Schrift \x84hnlich \"Helvetica\" gefunden",
     "no font similar to \"Helvetica\" found"},
    {M::kNoFontLikeCourier, "keine Schrift \x84hnlich \"Courier\" gefunden",
     "no font similar to \"Courier\" found"},
    {M::kFontFileOwnDefinitions, "..Geben Sie hier Ihre eigenen Schrift-Definitionen ein!",
     "..Enter your personal font definitions here!"},
    {M::kFontFileAdditionalFonts, "..Weitere Schriften, die auf Ihrem System verf\x81gbar sind,",
     "..Additional fonts available on your system,"},
    {M::kFontFileModifyThem, "..\x84ndern Sie diese nach Ihrem Bedarf ab!",
     "..please modify to fit your purpose!"},
    {M::kFontFileInactiveFonts,
     "..Weitere verf\x81gbare Schriften auf Ihrem System (derzeit nicht aktiviert)",
     "..other fonts available on your system (yet deactivated)"},
    // The German first line of the demo file is plain text, not a comment line.
    {M::kFontDemoTitle, "Schriftendemo-Datei", "..Fonts demonstration file"},
    {M::kFontDemoBold, "fett", "bold"},
    {M::kFontDemoItalic, "kursiv", "italic"},
    {M::kFontDemoBoldItalic, "fettkursiv", "bold+italic"},
    // console
    {M::kFormattingPage, "formatiere Seite %1 (%2 --> %3)", "format page %1 (%2 --> %3)"},
    {M::kPrintingPageToFile, "Seite %1 %2 --> %3", "Page %1 %2 --> %3"},
    {M::kPrintingPage, "drucke Seite %1 (%2)", "print page %1 (%2)"},
    {M::kOutputError, "Fehler: %1", "Error: %1"},
    {M::kMeasuringPrinterFonts, "Tavrel: Schriften des Druckers werden vermessen: %1",
     "Tavrel: measuring the printer's fonts: %1"},
    {M::kPrinterNotFound, "Drucker nicht gefunden: %1", "printer not found: %1"},
    {M::kPrinterTaken, "Drucker: %1", "printer: %1"},
    {M::kFormattingRefersToPrinter, "Formatierung bezieht sich auf den Drucker %1",
     "formatting refers to the printer %1"},
    {M::kRtfNotAvailable, "Die RTF-Konvertierung ist in dieser Version nicht vorhanden: %1",
     "The RTF conversion is not available in this version: %1"},
    {M::kNotADocumentFile, "Keine WS-, TXT-, SKT-, FMT- oder TAF-Datei: %1",
     "Not a WS, TXT, SKT, FMT or TAF file: %1"},
    {M::kFormattedFileChangedByHand,
     "Die formatierte Datei wurde von Hand ge\x84ndert. Eine erneute Formatierung verwirft diese "
     "\x8E"
     "nderungen. Trotzdem fortfahren?",
     "The formatted file was changed manually. Changes gets lost while Re-formatting. Continue "
     "anyway?"},
    {M::kFormattedFilePages, "Formatierte Datei %1: %2 Seite(n)", "formatted file %1: %2 page(s)"},
    {M::kFormattingEndedWithErrors, "Formatieren mit Fehlern beendet: %1",
     "formatting ended with errors: %1"},
    {M::kNoPagePrinted, "Keine Seite gedruckt: %1", "no page printed: %1"},
    {M::kPrinterError, "Drucker %1: %2", "printer %1: %2"},
    {M::kPostScriptFilePages, "PostScript-Datei %1: %2 Seite(n)", "PostScript file %1: %2 page(s)"},
    {M::kPngPages, "%1 Seite(n) als PNG in %2", "%1 page(s) as PNG into %2"},
    {M::kPagesSentToPrinter, "%1 Seite(n) an den Drucker %2", "%1 page(s) sent to the printer %2"},
    {M::kPrinterRequired,
     "Um Tavrel benutzen zu k\x94nnen, mu\xE1 mindestens ein Drucker installiert sein.",
     "To use Tavrel, at least one printer has to be installed! Please install a printer first."},
    {M::kConditionWordsCut,
     "Die Bedingungsw\x94rter sind l\x84nger als 199 Zeichen und wurden gek\x81rzt: %1",
     "The condition words are longer than 199 characters and were cut: %1"},
    {M::kParameterIgnored, "Parameter nicht beachtet: %1", "parameter ignored: %1"},
    {M::kDocumentDoesNotExist, "Falscher Programmparameter: Die Datei %1 existiert nicht.",
     "Wrong program parameter: The file %1 does not exist."},
    {M::kGraphicsFileNeedsWindow,
     "Grafikdateien \x94"
     "ffnet nur das Fenster von Tavrel: %1",
     "Graphics files open in Tavrel's window only: %1"},
    {M::kUsage,
     "Aufruf: tavrel DOKUMENT /F    formatiert das Dokument und endet\n"
     "        tavrel DOKUMENT /P    druckt die formatierte Datei und endet\n"
     "        #WORT                 Bedingungswort f\x81r .IF (mehrfach m\x94glich)\n"
     "Drucker: die Umgebungsvariable PRINTER (\"PNG Pages\", eine CUPS-Warteschlange);\n"
     "sonst \"PostScript File\" (eine PostScript-Datei neben dem Dokument).\n"
     "Programmverzeichnis (Datendateien): TAVREL_PROGRAM_DIR.\n",
     "Usage: tavrel DOCUMENT /F    formats the document and ends\n"
     "       tavrel DOCUMENT /P    prints its formatted file and ends\n"
     "       #WORD                 condition word for .IF (may be repeated)\n"
     "Printer: the environment variable PRINTER (\"PNG Pages\", a CUPS queue);\n"
     "otherwise \"PostScript File\" (a PostScript file beside the document).\n"
     "Program directory (data files): TAVREL_PROGRAM_DIR.\n"},
    // job R
    {M::kOverwriteFile,
     "Datei %1 \x81"
     "berschreiben ?",
     "Overwrite file %1 ?"},
    {M::kRtfConversionSucceeded, "RTF nach WS Konvertierung erfolgreich beendet.",
     "RTF to WS conversion finished successfully."},
    {M::kRtfConversionFailed, "RTF nach WS Konvertierung ist nicht gelungen",
     "RTF to WS conversion has not succeeded"},
    {M::kCouldNotWriteWsFile, "WS-Datei konnte nicht geschrieben werden",
     "Could not write WS file"},
};

constexpr bool RowsFollowTheEnumeration() {
  for (std::size_t i = 0; i < std::size(kRows); ++i)
    if (static_cast<std::size_t>(kRows[i].Id) != i) return false;
  return true;
}
static_assert(std::size(kRows) == static_cast<std::size_t>(MessageId::kCount),
              "one row per message");
static_assert(RowsFollowTheEnumeration(), "rows in the order of MessageId");

std::string_view Stored(std::uint8_t language, MessageId id) {
  const MessageRow& row = MessageRowOf(id);
  return language == kLanguageGerman ? row.German : row.English;
}

// Copies `text` with "%n" replaced by args[n-1]; `fixed` takes each run of fixed text.
template <typename Fixed>
std::string Substitute(std::string_view text, MessageArgs args, Fixed fixed) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%' || text[i + 1] < '1' || text[i + 1] > '9') continue;
    const std::size_t n = static_cast<std::size_t>(text[i + 1] - '1');
    if (n >= args.size()) throw std::out_of_range("message argument missing");
    out += fixed(text.substr(from, i - from));
    out += args.begin()[n];
    from = i + 2;
    ++i;
  }
  out += fixed(text.substr(from));
  return out;
}

std::string AsGiven(std::string_view text) { return std::string(text); }

}  // namespace

std::span<const MessageRow> MessageTable() { return kRows; }

const MessageRow& MessageRowOf(MessageId id) {
  const auto index = static_cast<std::size_t>(id);
  if (index >= std::size(kRows)) throw std::out_of_range("no such message");
  return kRows[index];
}

MessageTexts ComposeMessage(MessageId id, MessageArgs args) {
  const MessageRow& row = MessageRowOf(id);
  return {Substitute(row.German, args, AsGiven), Substitute(row.English, args, AsGiven)};
}

std::string ShowMessage(std::uint8_t language, const MessageTexts& texts) {
  if (language == kLanguageGerman) return ToDisplayText(texts.German);
  return texts.English;
}

std::string MessageText(std::uint8_t language, MessageId id, MessageArgs args) {
  if (language != kLanguageGerman) return MessageSource(language, id, args);
  return Substitute(MessageRowOf(id).German, args, ToDisplayText);
}

std::string MessageText(const TSettingsRecord& settings, MessageId id, MessageArgs args) {
  return MessageText(settings.Language, id, args);
}

std::string MessageSource(std::uint8_t language, MessageId id, MessageArgs args) {
  return Substitute(Stored(language, id), args, AsGiven);
}

}  // namespace tavrel
