#include "compiler/foundation/messages.h"

#include <stdexcept>

namespace skeldon {

namespace {

// German texts are code page 850 bytes, written as escapes. No text holds a well-formed UTF-8
// multi-byte sequence: the terminal console tells the two apart by that.
constexpr MessageTexts kMessages[] = {
    // The reporter
    {MessageId::PressAnyKey,
     "dr\x81"
     "cken Sie eine beliebige Taste",
     "press any key"},
    {MessageId::SourceLinePrefix, "Abs ", "Par "},
    {MessageId::MessageFileNotCreated, "Fehler beim Anlegen der Message-Datei %1",
     "error writing Message file %1"},
    {MessageId::ErrorFileNotCreated, "Fehler beim Anlegen der Error-Datei %1",
     "error writing Error file %1"},
    // The command line
    {MessageId::FileNameTooLong,
     "Dateiname zu lang (h\x94"
     "chstens %1 Zeichen): %2",
     "file name too long (at most %1 characters): %2"},
    {MessageId::WrongFootnoteSwitch, "Falsche Verwendung des Schalters /fu[]",
     "Wrong usage of parameter /fu[]"},
    {MessageId::TooManyConditions, "Zu viele Def-Parameter.", "Too much define parameters"},
    {MessageId::ConditionTooLong,
     "Def-Parameter zu lang (h\x94"
     "chstens 30 Zeichen): %1",
     "define parameter too long (at most 30 characters): %1"},
    // The ini file
    {MessageId::IniLineError, "Fehler in Ini-Datei Zeile:", "Error in ini file line:"},
    {MessageId::IniLineTooLong, "Zeile l\x84nger als 255 Zeichen",
     "line longer than 255 characters"},
    {MessageId::FunctionEqualsValueWanted, "richtig w\x84re: \"Funktion = Wert\"",
     "correct input: function = value"},
    {MessageId::IniUnknownSetting, "unbekannter Schalter", "unknown setting"},
    {MessageId::IniCharacterClash,
     "Das Zeichen \"%1\" kommt in der Ini-Datei unerlaubterweise sowohl unter \"toggles\"\r\n%2",
     "It's not allowed that Char \"%1\" is placed both in ini setting \"toggles\"\r\n%2"},
    {MessageId::ClashWithExtendedLetters, "als auch unter \"extended letters\" vor.",
     "and \"extended letters\"."},
    {MessageId::ClashWithListChars, "als auch unter \"list chars\" vor.", "and \"list chars\"."},
    {MessageId::ClashWithIndexChar, "als auch als \"index char\" vor.", "and \"index char\"."},
    {MessageId::IniFileNotFound, "Ini-Datei nicht gefunden.", "ini file not found."},
    {MessageId::IniFileUnreadable, "Ini-Datei %1 kann nicht gelesen werden.",
     "ini file %1 cannot be read (%2)."},
    {MessageId::IniSettingMissing, "Ini-Datei Schalter \"%1\" fehlt",
     "ini file setting \"%1\" missing"},
    {MessageId::IniSettingTwice, "Ini-Datei Schalter \"%1\" doppelt vorhanden",
     "ini file setting \"%1\" exists twice"},
    {MessageId::IniValueCut, "Ini-Datei Zeile \"%1\": Wert l\x84nger als %2 Zeichen, gek\x81rzt",
     "ini file line \"%1\": value longer than %2 characters, cut"},
    {MessageId::ReadingIniFile, "Lesen der Ini-Datei %1", "Reading ini file %1"},
    {MessageId::UnknownLanguage, "unbekannte Sprache", "unknown language"},
    {MessageId::UnknownSourceFormat, "unbekanntes Eingabeformat", "unknown source format"},
    {MessageId::LettersAsSpecialChars, "keine Buchstaben f\x81r Sonderzeichen",
     "do not use letters for special functions"},
    {MessageId::OnlyFontLetters, "nur Schrift-Kennbuchstaben verwenden",
     "only use chars to sign the font"},
    {MessageId::FontDefinedTwice, "Font %1 wurde zweimal definiert", "Font %1 defined twice."},
    {MessageId::WrongNumberOfChars, "falsche Anzahl Sonderzeichen", "wrong number of chars"},
    {MessageId::WrongSubtableStartId, "inkorrekte Help Subtable Start ID",
     "wrong Help Subtable Start ID"},
    {MessageId::UnknownTargetFormat, "unbekanntes Zielformat", "unknown target format"},
    {MessageId::WrongNewFileLevel, "inkorrektes \"new file level\" (erlaubt ist 0 bis 6)",
     "wrong new file level (enter 0...6)"},
    {MessageId::WrongHorizontalRuleLevel,
     "inkorrektes \"horizontal rule level\" (erlaubt ist 0 bis 6)",
     "wrong horizontal rule level (enter 0...6)"},
    {MessageId::WrongExtendedIndexEntries,
     "inkorrektes \"entries for extended index\" (erlaubt sind positive Zahlen",
     "wrong \"entries for extended index\" (enter a number of 0 or more)"},
    {MessageId::OnlyIbmOrIsoCodePages, "es sind nur Codepages IBM order ISO erlaubt",
     "only IBM or ISO codepages allowed"},
    {MessageId::WrongContentLevel, "inkorrektes \"content level\" (erlaubt ist 0 bis 6)",
     "wrong \"content level\" (enter 0...6)"},
    {MessageId::WrongFileNameAppearance,
     "hinter \"filename appearance =\" mu\xE1 z. B. \"Sample.html\" stehen",
     "place e.g. \"Sample.html\" behind \"filename appearance =\""},
    {MessageId::NumberMissing, "Zahl fehlt", "number missing"},
    {MessageId::SixHeadingFontsWanted,
     "Es m\x81ssen 6 Schrift-Buchstaben f\x81r jeder der 6 Gliederungsebenen eingegeben werden",
     "You have to enter 6 font chars, one for each heading level"},
    {MessageId::UnknownContentsParameter, "ung\x81ltiger contents Parameter",
     "unknown contents Parameter"},
    {MessageId::WrongContentsTreeTexts,
     "Richtige Eingabe: AlternativerLinkText;Aufklapptext;Zuklapptext",
     "correct input: AlternateLinkText;OpenText;CloseText"},
    {MessageId::NumberExpected, "Zahl erwartet", "number expected"},
    {MessageId::TooManyButtons,
     "Zu viele Schaltfl\x84"
     "chen in erste/letzte Zeile (h\x94"
     "chstens 15), die \x81"
     "brigen "
     "werden nicht verwendet.",
     "Too many buttons in first/last line (at most 15), the others are not used."},
    {MessageId::ButtonTextsAndFunctionsDiffer,
     "Bei erste/letzte Zeile (Text/function for first/last line) weicht die Anzahl von "
     "Funktionen und Text voneinander ab.",
     "The number of items differs between Text and function for first/last line."},
    // The project file
    {MessageId::ProjectLineError, "Fehler in SKJ-Datei Zeile:", "Error in SKJ file line:"},
    {MessageId::ProjectValueTooLong,
     "Wert zu lang (h\x94"
     "chstens %1 Zeichen)",
     "value too long (at most %1 characters)"},
    {MessageId::NoCorrectTargetFormat, "Es wurde kein korrektes Zielformat eingegeben",
     "that's not a correct target format"},
    {MessageId::ProjectLineTooLong,
     "Zeile zu lang (h\x94"
     "chstens 255 Zeichen)",
     "line too long (at most 255 characters)"},
    {MessageId::ProjectUnknownSetting, "unbekannter Schalter \"%1\"", "unknown setting \"%1\""},
    {MessageId::ProjectSourceFileMissing,
     "Es mu\xe1 mit \"source file=\" eine Quelldatei angegeben werden!",
     "It's necessary to enter a \"source file=\""},
    {MessageId::ProjectFileNotFound, "SKJ-Datei %1 nicht gefunden.", "SKJ file %1 not found."},
    {MessageId::ProjectFileIsDirectory, "SKJ-Datei %1 ist ein Verzeichnis.",
     "SKJ file %1 is a directory."},
    {MessageId::ProjectFileUnreadable, "SKJ-Datei %1 kann nicht gelesen werden.",
     "SKJ file %1 cannot be read."},
    {MessageId::ReadingProjectFile, "Lese SKJ-Datei...", "Reading SKJ file"},
    // Sources, file names, characters and toggles
    {MessageId::UnknownParameter, "Parameter \"%1\" nicht bekannt.",
     "Parameter \"%1\" does not exist."},
    {MessageId::SourceFileNotFound,
     "Quelldatei \"%1\" nicht gefunden oder schon ge\x94"
     "ffnet.",
     "Source file \"%1\" not found or open."},
    {MessageId::SourceFileEmpty, "Quelldatei ist leer!", "source file is empty!"},
    {MessageId::SourceTooLarge,
     "Quelltext zu gro\xe1 (h\x94"
     "chstens 2 GB).",
     "source text too large (at most 2 GB)."},
    {MessageId::CharNotAllowedWithWinHelp,
     "Sonderzeichen ASCII dezimal %1 bei Winhelp nicht erlaubt",
     "Character ASCII decimal %1 not allowed with Winhelp"},
    {MessageId::FileNameTooLongForDos, "Dateiname %1 f\x81r DOS zu lang",
     "filename %1 exceeds 8.3 convention"},
    {MessageId::NoFreeInternalChars,
     "Es d\x81rfen nicht alle Zeichen zwischen #128 und #255 im Flie\xe1text verwendet werden, "
     "da intern 12 freie Sonderzeichen ben\x94tigt werden",
     "It's not allowed to use all chars between #128 and #255 in running text because 12 free "
     "chars are used internally"},
    {MessageId::ToggleAlternate, "alternativ", "alternate"},
    {MessageId::ToggleItalic, "kursiv (italic)", "italic"},
    {MessageId::ToggleBold, "fett (bold)", "bold"},
    {MessageId::ToggleUnderline, "unterstrichen", "underline"},
    {MessageId::ToggleRed, "Rot", "red"},
    {MessageId::ToggleCyan, "Cyan", "cyan"},
    {MessageId::ToggleBlue, "Blau", "blue"},
    {MessageId::ToggleStrike, "durchgestrichen", "strike"},
    {MessageId::ToggleBig, "gro\xe1 (big)", "big"},
    {MessageId::ToggleSmall, "klein (small)", "small"},
    {MessageId::ToggleSubscript, "tiefgestellt", "subscript"},
    {MessageId::ToggleSuperscript, "hochgestellt", "superscr."},
    // The compile run
    {MessageId::WritingRtfFile, "Schreibe RTF-Datei", "Writing RTF file"},
    {MessageId::WritingIpfFile, "Schreibe IPF-Datei", "Writing IPF file"},
    {MessageId::TableEndMissing, "Table-Ende Punktbefehl fehlt", "Tables end command missing"},
    {MessageId::LineDrawingEndMissing, "Linienziehen-Ende Punktbefehl fehlt",
     "line drawing end command missing"},
    {MessageId::EnterSourceFileFirst, "Zuerst eine Quelldatei angeben!",
     "Enter a source file first!"},
    {MessageId::ReadingSourceFile, "Lese Quelldatei...", "Reading source file..."},
    {MessageId::IndexingHeadings,
     "Indizierung der \x9A"
     "berschriften",
     "Indexing headings"},
    {MessageId::IndexingLinks, "Indizierung der Verweise", "Indexing links"},
    {MessageId::UserButtonWithoutId,
     "Hinweis: Nicht f\x81r jeden User Button in der Ini-Datei ist eine korrespondierende "
     ".ID-Markierung vorhanden",
     "Note: Not every user button entry in the ini file has got an .ID command in the text!"},
    {MessageId::HhpFileCreated, "HHP-Datei erzeugt", "HHP file created"},
    {MessageId::HtmlFilesCreated, "%1 HTML-Dateien erfolgreich erzeugt",
     "successful creation of %1 HTML files"},
    {MessageId::InfoFileCreated, "Info-Datei %1 erzeugt.", "Info file %1 created."},
    {MessageId::IpfFileCreated, "IPF-Datei erfolgreich erzeugt.",
     "Successful creation of IPF file."},
    {MessageId::RtfFileCreated, "RTF-Datei erfolgreich erzeugt.",
     "Successful creation of RTF file."},
    {MessageId::RtfAndHpjFileCreated, "RTF- und HPJ-Datei erfolgreich erzeugt.",
     "Successful creation of RTF and HPJ file."},
    {MessageId::UserBreak, "Benutzerabbruch", "User Break"},
    {MessageId::WrongPreFileName, "falsche Verwendung von \"pre filename\"",
     "wrong usage of \"pre filename\""},
    {MessageId::PreFileNameWithPath,
     "\"pre filename\" darf keine Pfadzeichen (/ \\ : ..) und keine in Dateinamen "
     "unerlaubten Zeichen enthalten",
     "\"pre filename\" must not hold path characters (/ \\ : ..) or characters a file name "
     "cannot hold"},
    // Dot commands and the source text
    {MessageId::DotCommandErroneous, "Punktbefehl inkorrekt", "dot command erroneous"},
    {MessageId::WrongHeadingTagDigits, "Fehlerhafte Verwendung von .HS 123456",
     "Wrong usage of .HS 123456"},
    {MessageId::UnknownDotCommand, "Punktbefehl .%1 nicht bekannt.", "unknown dot command .%1"},
    {MessageId::GraphicsCharError, "b^.Fehler bei Punktbefehl BT", "Error dot command BT"},
    {MessageId::PictureNameWithApostrophe,
     "Bildname %1 mit Apostroph kann in IPF nicht stehen, das Bild wird ausgelassen",
     "picture name %1 holds an apostrophe, which IPF cannot quote: the picture is left out"},
    {MessageId::TooManyGraphicsChars,
     "Zu viele Grafikzeichen (.BT, h\x94"
     "chstens 100)",
     "too many graphics characters (.BT, at most 100)"},
    {MessageId::IdWordNamesNoFile, ".ID-Wort %1 taugt nicht als Dateiname",
     ".ID word %1 cannot name a file"},
    {MessageId::FirstHeadingNotLevelOne,
     "erste \x9A"
     "berschrift mu\xE1 .1 sein",
     "first header has to be .1"},
    {MessageId::HeadingLevelJumped, "Sprung in der Gliederungshierarchie von %1 auf %2",
     "heading level has jumped from %1 to %2"},
    {MessageId::NoHeading,
     "Es mu\xE1 mindestens eine \x9A"
     "berschrift (.1) enthalten sein!",
     "You have to write at least one heading (.1) !"},
    {MessageId::TooManyIndexEntries,
     "Zu viele Stichw\x94rter (h\x94"
     "chstens 65535)",
     "too many index entries (at most 65535)"},
    {MessageId::ExternalLinkWithoutId, "externe Links: vor .IN mu\xE1 .ID verwendet werden",
     "external links: use .ID before .IN"},
    {MessageId::EmptyIndexWord, "Fehler bei Stichwort kann zu Absturz f\x81hren",
     "Error in index word can occur program termination"},
    {MessageId::FileNotFound, "Datei %1 nicht gefunden", "file %1 not found"},
    {MessageId::ErrorReading, "b^.Fehler beim Einlesen von %1", "error reading %1"},
    {MessageId::HeadingLevelError,
     "Fehler \x9A"
     "berschriftsebene",
     "Error heading level"},
    {MessageId::WrongListLevel, "falsche Listen-Ebene (falsches list char verwendet)",
     "wrong list level (wrong list char used)"},
    {MessageId::WrongIndentLevel,
     "Fehlerhafte Einr\x81"
     "ckungsebene",
     "Wrong heading level"},
    {MessageId::UndefinedIndent,
     "nicht definierte Einr\x81"
     "ckung (falsche Anzahl Leerzeichen)",
     "incorrect list level (wrong number of spaces)"},
    {MessageId::IndexEndMarkerMissing,
     "Ende-Markierung \":\" f\x81r Stichwort im Flie\xE1text vergessen oder Indexzeichen in "
     "Punktbefehl",
     "end marker \":\" for index expression in running text missing or index char in dot command"},
    {MessageId::SpaceAfterIv, "Am Ende von .IV darf kein Leerzeichen stehen",
     "at the end of the line .IT space is not allowed"},
    {MessageId::SpaceAfterIn,
     "Am Ende von .IN darf kein Leerzeichen stehen, wenn Programme gestartet werden sollen",
     "at the end of the line .IN space is not allowed when launching programs"},
    {MessageId::UrlMissing, "URL hinter .URL Punktbefehl fehlt", "URL in .URL command missing"},
    {MessageId::PanelIdFileNameWithoutWildcard,
     "In der Ini-Datei mu\xE1 unter Panel ID filename z.B. *.PAN mit Jokerzeichen eingetragen "
     "werden",
     "in the ini file line \"Panel ID filename\", enter a filename with wildcard like *.PAN"},
    {MessageId::WrongExUsage, "Falsche Verwendung des .EX Punktbefehls",
     "wrong usage of .EX command"},
    {MessageId::PanelIdNotFound, "Panel ID \"%1\" nicht gefunden", "Panel ID \"%1\" not found"},
    {MessageId::IndexEntryBeforeFirstHeading,
     "Stichwort vor erster \x9A"
     "berschrift nicht erlaubt",
     "Index entry before first heading not allowed"},
    {MessageId::WrongDpChar, "falsche Angabe hinter .DP", "wrong char in .DP command"},
    {MessageId::ExWithoutParameters, ".EX ohne weitere Parameter oder .LOCAL fehlt",
     ".EX without parameters or .LOCAL missing"},
    {MessageId::LastHeadingTooLong,
     "letzte \x9A"
     "berschrift hat zu viele Zeichen oder ist nicht vom Flie\xE1text getrennt",
     "last heading has too much chars or is not seperated from running text"},
    {MessageId::HeadingMissing,
     "\x9A"
     "berschrift fehlt nach \x9A"
     "berschrift-Punktbefehl",
     "heading missing after heading dot command"},
    {MessageId::DotCommandTooLong, "Punktbefehl zu lang", "dot command exceeds line"},
    {MessageId::TooManyHeadings,
     "Zu viele \x9A"
     "berschriften (h\x94"
     "chstens 65535)",
     "too many headings (at most 65535)"},
    {MessageId::TooManyOutputFiles,
     "Zu viele Ausgabedateien (h\x94"
     "chstens 32767)",
     "too many output files (at most 32767)"},
    {MessageId::ReservationTooLow, "Warnung: .%1%2 nicht hoch genug gesetzt",
     "Warning: .%1%2 value too low"},
    {MessageId::FootnoteBeginMissing, "Fu\xE1notenanfangsmarkierung fehlt",
     "Footnote begin marker missing"},
    {MessageId::FootnoteEndMissing, "Fu\xE1notenendemarkierung fehlt",
     "Footnote end marker missing"},
    {MessageId::ToggleOnAtFootnote, "%1 Umschalter (Toggle) vor Fu\xE1note noch ein",
     "%1 toggle on when using footnote"},
    {MessageId::WrongIfSyntax, "falsche Schreibweise der .IF-Bedingung",
     "wrong syntax in .IF condition"},
    {MessageId::NumberMissingAfterNr, "Hinter .NR mu\xE1 eine Zahl stehen",
     "number behind .NR missing"},
    {MessageId::NumberMissingAfterHd, "Hinter .HD mu\xE1 eine Zahl stehen",
     "number behind .HD missing"},
    {MessageId::NumberTooLarge,
     "Zahl hinter .%1 zu gro\xE1 (h\x94"
     "chstens 65535)",
     "number behind .%1 too large (at most 65535)"},
    {MessageId::IfNotClosed, "Letzte .IF-Bedingung nicht mit .END geschlossen",
     "last .IF-condition not closed with .END"},
    {MessageId::EndWithoutIf,
     ".END ohne davor ge\x94"
     "ffnete .IF-Bedingung",
     ".END located without beginning .IF-condition"},
    {MessageId::TableLineTooLong,
     "Tabellenzeile l\x84nger als 2000 Zeichen, der Rest der Zeile fehlt in der Tabelle",
     "table line longer than 2000 characters, the rest of the line is left out"},
    {MessageId::TaWithoutParameter,
     ".TA mit nichts dahinter beendet eine Tabelle! An den Beginn der Tabelle .TA Titel oder .TA "
     "NO schreiben",
     ".TA without parameter closes the table! To begin a table, write .TA title or .TA NO"},
    {MessageId::OldTableNotClosed, "alte Tabelle ist nicht geschlossen", "old Table is not closed"},
    {MessageId::RunningTextMissingOrJoined,
     "Flie\xE1text nach letzter \x9A"
     "berschrift fehlt - evtl. keine Trennung zw. "
     "\x9A"
     "berschrift und Flie\xE1text",
     "running text behind last heading missing - perhaps last heading not seperated from "
     "running text"},
    {MessageId::RunningTextMissing,
     "Flie\xE1text nach letzter \x9A"
     "berschrift fehlt",
     "running text behind last heading missing"},
    // Writing the output
    {MessageId::TargetFileNotWritten,
     "Ausgabedatei %1 kann nicht geschrieben werden. Programmabbruch.",
     "error while writing target file %1. Program stopped."},
    {MessageId::UpdatingGraphicsFile, "aktualisiere Grafikdatei %1", "updating graphics file %1"},
    {MessageId::GraphicsFileNotCreated, "Fehler beim Anlegen der Zieldatei %1. Programmabbruch.",
     "error while creating target file %1. Program stopped."},
    {MessageId::ContentsTreeLoops,
     "Programmfehler bei Javascript-Inhaltsverzeichnis f\x81hrt zu Endlosschleife!",
     "Bug in Javascript contents tree forces endless loop!"},
    {MessageId::TurnOffContentsTree,
     "Verzichten Sie auf das Javascript-Verzeichnis und informieren Sie den Autor.",
     "Turn off Javascript contents tree and contact the author!"},
    {MessageId::UnknownFaParameter, "unbekannter Parameter \"%1\" hinter .FA",
     "unknown parameter \"%1\" in dot command .WA"},
    {MessageId::FaPerCentRange, "bei .FA sollten Prozentangaben zwischen 10 und 90 stehen",
     "per cent values in dot command .WA should be between 10 and 90"},
    {MessageId::FaHoriOrVertiWanted,
     "bei .FA sollten mu\xE1 vor den Prozentangaben \"hori\" oder \"verti\" stehen",
     "in the .WA dot command, per cent values has to be after \"hori\" or \"verti\""},
    {MessageId::FaTooFewParameters, "Zu wenig Parameter hinter .FA",
     "more parameters in dot command .WA required"},
    {MessageId::WritingCntFile, "Schreibe CNT-Datei...", "Writing CNT file..."},
    {MessageId::HelpContentsTitle, "Inhaltsverzeichnis", "Contents"},
    {MessageId::WinHelpTitleTooLong, "Titel bei Winhelp darf nicht l\x84nger als 50 Zeichen sein",
     "Title in Winhelp must not exceed 50 chars"},
    {MessageId::HistoryButton, "Bisher", "History"},
    {MessageId::Warning, "Warnung:", "Warning:"},
    {MessageId::GraphicsFileMissing, "Grafik-Datei %1 ist noch nicht vorhanden.",
     "graphics file %1 missing."},
    {MessageId::RcParameterMissing, "Parameter hinter RC-Befehl fehlt",
     "parameter behind RC wanted"},
    {MessageId::RcWithoutMainId, "RC , -Befehl: bislang noch keine Main ID definiert",
     "RC , -command: no Main ID defined yet"},
    {MessageId::RcBeforeFirstHeading,
     ".RC-Befehl vor der ersten \x9A"
     "berschrift: es wird zum ersten Kapitel verbunden",
     ".RC command before the first heading: it will be linked to the first Panel"},
    {MessageId::IdWordWithPath, ".ID-Wort %1 darf kein Pfadzeichen enthalten",
     ".ID word %1 must not hold path characters"},
    {MessageId::WrongIdUsage, "Falsche Verwendung von .ID. Richtig ist: .ID WORT ZAHL",
     "Wrong usage of .ID command. Correct is: .ID WORD NUMBER"},
    {MessageId::WrongPanelIdFileName, "falscher Panel-ID-Dateiname in Ini-Datei",
     "wrong Panel ID filename in Ini file"},
    {MessageId::WrongHelpTableFileName, "falscher Helptable-Dateiname in Ini-Datei",
     "wrong helptable filename in Ini file"},
    {MessageId::WritingHelpTable, "Schreiben des Helptables in die Datei %1 ...",
     "Writing Helptable in file %1 ..."},
    {MessageId::RcWithoutSubitem,
     ".RC %1 ohne Subitem fehlt, es wird zum ersten Kapitel verbunden.",
     ".RC %1 without subitem missing, it will be linked to the first Panel"},
    {MessageId::WritingPanelIds, "Schreiben der Panel ID's in die Datei %1 ...",
     "Writing Panel ID's in file %1 ..."},
    {MessageId::HeadFileUnreadable, "Kopfdatei %1 kann nicht gelesen werden. Programmabbruch.",
     "Error while reading head file %1. Program stopped."},
    {MessageId::SourceNeedsExtension,
     "Quelldatei braucht eine Erweiterung, weil der Name ohne Erw. f\x81r den Ziel-Pfad bestimmt "
     "ist.",
     "Source file needs an extension otherwise new target directory gets the same name."},
    {MessageId::WritingHtmlFiles, "Schreibe HTML-Dateien", "Writing HTML files"},
    {MessageId::IndexMarkerInFootnote, "Stichwortmarkierung \"%1\" in Fu\xE1note",
     "Index marker \"%1\" in footnote"},
    {MessageId::IndexMarkerUnknown, "Fehler bei Stichwort \"%1\"",
     "Error in marked expression \"%1\""},
    {MessageId::IndexMarkerNotInserted, "Fehler Stichwort \"%1\"",
     "Error marked expression \"%1\""},
    {MessageId::IndexProgramFault, "Fehler im Programm bei Stichwortverzeichnis",
     "bug in program (index)"},
    {MessageId::HtmlFileNotFound, "HTML-Datei %1 nicht gefunden.", "HTML file %1 not found."},
    {MessageId::FontNotDefined, "Schrift %1 nicht in Ini-Datei definiert",
     "Font %1 not defined in ini file"},
    {MessageId::WrongToggle, "falscher toggle", "wrong toggle"},
    {MessageId::ToggleStillOpen, "%1 Umschalter (toggle) noch offen", "%1 Toggle missing"},
    {MessageId::TargetFileNotCreatedDiskFull,
     "Ausgabedatei %1 kann nicht angelegt werden. Diskette voll? Programmabbruch.",
     "Error while creating target file %1. Disk full? Program stopped."},
    {MessageId::TargetFileNotCreated,
     "Ausgabedatei %1 kann nicht angelegt werden. Programmabbruch.",
     "Error while creating target file %1. Program stopped."},
    {MessageId::DosFileNamesOnly, "Das Laufwerk l\x84\xE1t nur DOS-Dateinamen zu",
     "Drive supports only DOS filenames"},
    {MessageId::TooManyTableColumns,
     "Tabelle hat mehr als 200 Spalten, die weiteren Spalten werden zusammengefa\xE1t",
     "table has more than 200 columns, the further columns are joined"},
    // The summary page
    {MessageId::SummaryHtmlHelpProject, "HTML-Help Projektdatei: ", "HTML-Help Project File: "},
    {MessageId::SummaryHomeFrame, "Homeframe (Start-Rahmen): ", "Homeframe: "},
    {MessageId::SummaryContents, "Inhaltsverzeichnis: ", "Contents file: "},
    {MessageId::SummaryIndex, "Stichwortverzeichnis: ", "Index file: "},
    {MessageId::SummaryFirstPage, "Erste Seite: ", "First page: "},
    {MessageId::SummaryHtmlFiles, "HTML-Dateien ", "HTML files "},
    {MessageId::SummaryCreatedAt, " erstellt am ", " created at "},
    {MessageId::SummaryWith, "mit ", "with "},
    {MessageId::SummaryFor, " f\x81r ", " for "},
    {MessageId::SummarySourceFiles, "Quelltext-Datei(en): ", "Source file(s): "},
    {MessageId::SummaryIniFile, "Ini-Datei: ", "Ini file: "},
    {MessageId::SummarySourceLength,
     "L\x84nge der Quelltext-Datei(en): ", "Length of of source file(s): "},
    {MessageId::SummaryHtmlFileCount,
     "Anzahl der erzeugten HTML-Dateien: ", "Number of generated HTML files: "},
    {MessageId::SummaryHtmlFileSize,
     "Gesamtl\x84nge der erzeugten HTML-Dateien: ", "Size of all generated HTML files: "},
    {MessageId::SummaryCompileTime, "Kompilierzeit: ", "Compile time: "},
    {MessageId::SummarySeconds, " sek ", " sec "},
    {MessageId::SummaryAutomaticLinks,
     "Automatisch gezogene Links (ohne Buttons und \x9A"
     "berschriften): ",
     "Automatically generated links (without buttons and headings): "},
    {MessageId::SummaryInternalLinks, "- Intern: ", "- internal: "},
    {MessageId::SummaryExternalLinks, "- Extern: ", "- external: "},
    {MessageId::SummaryEnumerationHead, "Numerierung", "Enumeration"},
    {MessageId::SummaryAt, "Bei ", "At "},
    {MessageId::SummaryLine, "(Zeile ", "(line "},
    {MessageId::SummaryExceedingBy,
     "\x9A"
     "berschreitung um ",
     "exceeding by "},
    {MessageId::SummaryRoomFor, "Platz f\x81r weitere ", "room for additional "},
    {MessageId::SummaryFiles, "Dateien", "files"},
    {MessageId::SummaryHeadings,
     "\x9A"
     "berschriften",
     "headings"},
    {MessageId::SummaryGraphicsCheckOffWithBd,
     "Die automatische Kontrolle von Grafik-Dateien (Ini- oder SKJ-Datei \"graphic path\") wurde "
     "abgeschaltet, da die Verwendung zusammen mit .BD Bitmap Directory nicht m\x94glich ist. Es "
     "liegen daher keine Daten vor.",
     "Control graphics files (ini or skj file \"graphic path\") was disabled, because the usage "
     "of .BD Bitmap Directory is not possible with this setting. There is no graphic files data "
     "available."},
    {MessageId::SummaryGraphicsCheckOff,
     "Die automatische Kontrolle von Grafik-Dateien (Ini- oder SKJ-Datei \"graphic path\") ist "
     "ausgeschaltet. Es liegen daher keine Daten vor.",
     "Control graphics files (ini or skj file \"graphic path\") is disabled. There is no "
     "graphic files data available."},
    {MessageId::SummaryNoGraphicPath,
     "Es sind unter \"graphic path\" keine Verzeichnisse angegeben, deshalb konnten die "
     "Grafik-Dateien nicht gefunden werden.",
     "There are no \"graphic path\" entries, so graphics files coudln't be found."},
    {MessageId::SummarySearchedDirectories,
     "Es wurden folgende Verzeichnisse nach Grafikdateien durchsucht:",
     "The graphic files were searched in the following directories:"},
    {MessageId::SummaryAllGraphicsThere,
     "Alle erforderlichen Grafiken befinden sich im Zielverzeichnis.",
     "All necessary graphics files are available in the target directory."},
    {MessageId::SummaryUsedGraphicsCount,
     "Anzahl der verwendeten Grafik-Dateien: ", "Number of used graphic files: "},
    {MessageId::SummaryGraphicsList,
     "Liste verwendeter Grafik-Dateien (Download-Zeit bei 7 kB/sec)",
     "List of used graphic files (download time at 7 kB/sec)"},
    {MessageId::SummaryProject, "Projekt ", "Project "},
    {MessageId::SummaryProjectAfterTarget, " Projekt ", " Project "},
    {MessageId::SummaryTo, "Zur", "To"},
    {MessageId::SummaryNotForWeb,
     "Diese HTML-Dateien eignen sich nicht zur Ver\x94"
     "ffentlichung im Web, ",
     "These HTML pages shouldn't be published in the Web, "},
    {MessageId::SummaryActivexOnly,
     "weil die Einstellung \"footnotes = activex\" nur von Microsoft Produkten gelesen werden "
     "kann.",
     "because the setting \"footnotes = activex\" can only be used together with Microsoft "
     "products."},
    {MessageId::SummaryPopupFootnotesTip,
     "Tip: Microsoft HTML-Help verf\x81gt \x81"
     "ber Popup-Fu\xE1noten, die Sie \x81"
     "ber "
     "\"footnotes = activex\" erstellen k\x94nnen.",
     "Hint: Microsoft HTML-Help offers popup footnotes which you can create with \"footnotes = "
     "activex\"."},
    {MessageId::SummaryLinksHead, "Links zum erzeugten HTML-Text", "Links to generated HTML text"},
    {MessageId::SummaryTechnicalHead, "Technische Angaben", "Technical review"},
    {MessageId::SummaryGraphicsHead, "Grafiken", "Graphics"},
    {MessageId::SummaryExternalLinksHead, "Verwendete Externe Links", "Used external links"},
    {MessageId::SummaryTestExternalLinks,
     "Hier k\x94nnen Sie die externen Links \x81"
     "berpr\x81"
     "fen.",
     "Here you can test the exteral links."},
    // Publishing: pictures, the help-compiler start, the directory compare and the upload batch
    {MessageId::StartingSecondCompiler, "Starte zweiten Compiler...", "starting second compiler"},
    {MessageId::BatchNotExecuted, "%1 wurde nicht korrekt aufgerufen.",
     "%1 was not executed correctly."},
    {MessageId::FileNotWrittenBecause, "%1 konnte nicht geschrieben werden: %2",
     "%1 could not be written: %2"},
    {MessageId::UnsafeBatchName, "Der Name %1 kann nicht in eine Batchdatei geschrieben werden.",
     "The name %1 cannot be written into a batch file."},
    {MessageId::GraphicsFileUnreadable, "Grafikdatei %1 wurde nicht kopiert: %2",
     "graphics file %1 was not copied: %2"},
    {MessageId::WritingUploadBatch, "Schreibe die Upload-Batchdatei %1",
     "Writing the Upload batchfile %1"},
    {MessageId::CompareOldDirectory, "Altes Verzeichnis: %1", "Old Directory: %1"},
    {MessageId::CompareNewDirectory, "Neues Verzeichnis: %1", "New Directory: %1"},
    {MessageId::FilesToDeleteHead, "---zu l\x94schende Dateien:---", "---files to delete:---"},
    {MessageId::NewOrUpdatedFilesHead, "---Neue/ge\x84nderte Dateien:---",
     "---New/updated files:---"},
    {MessageId::NoFilesFoundInDirectory, "keine Dateien gefunden im Verzeichnis %1",
     "no files found in directory %1"},
    {MessageId::NoneListed, "keine", "none"},
    {MessageId::UploadWithoutEffect,
     "Es m\x81ssen keine Dateien hochgeladen oder gel\x94scht werden, die Batchdatei bleibt "
     "ohne Wirkung.",
     "No files have to be uploaded or deleted, the command file will have no effect."},
    {MessageId::PageUnreadable,
     "%1 ist nicht lesbar; die Datei wird weder verglichen noch hochgeladen.",
     "%1 cannot be read; it is neither compared nor uploaded."},
    {MessageId::EncryptedPasswordInvalid,
     "Das ftp-Passwort nach \"encrypted:\" ist kein g\x81ltiges Base64.",
     "The ftp password after \"encrypted:\" is not valid base64."},
    {MessageId::PrepareUploadWithoutSource,
     "/prepareupload braucht die Quelldatei des Projekts, um das Ausgabeverzeichnis zu finden.",
     "/prepareupload needs the project's source file to find the output directory."},
    {MessageId::UploadConnectHint, "Versichern Sie sich, dass Sie online sind!",
     "make sure that you are connected to the internet"},
    {MessageId::UploadServerDirectoryHint,
     "Das Verzeichnis %1 auf dem Server muss schon existieren.",
     "The directory %1 has already to exist on the server."},
    {MessageId::UploadConfirmHint,
     "wenn der Upload erfolgreich war, druecken Sie LEERTASTE, sonst Strng-C",
     "if the upload succeeded, press SPACE, otherwise Ctrl-C"},
    {MessageId::UploadFinished, "Hochladen beendet.", "upload process finished."},
    // Conversions and tools not built yet
    {MessageId::NotBuiltYet, "%1 ist noch nicht eingebaut.", "%1 is not built yet."},
    {MessageId::IpfConversion, "Die Umwandlung von IPF in Quelltext (ConvertIpfToSource)",
     "The IPF to source conversion (ConvertIpfToSource)"},
    {MessageId::RtfConversion, "Die Umwandlung von RTF in Quelltext (RunRtfReverseConversion)",
     "The RTF to source conversion (RunRtfReverseConversion)"},
    {MessageId::HelpCompilerStart, "Der Start des Hilfe-Compilers (StartSecondCompiler)",
     "The help compiler start (StartSecondCompiler)"},
    {MessageId::HtmlDirectoryCompare,
     "Der Vergleich von HTML-Verzeichnissen (CompareHtmlDirectories)",
     "The HTML directory compare (CompareHtmlDirectories)"},
};

// Row i must hold the message of value i: the lookup indexes the table by the value.
constexpr bool RowsInEnumOrder() {
  for (std::size_t i = 0; i < std::size(kMessages); ++i)
    if (static_cast<std::size_t>(kMessages[i].Id) != i) return false;
  return true;
}
static_assert(std::size(kMessages) == kMessageCount, "one row per message");
static_assert(RowsInEnumOrder(), "rows in the order of MessageId");

// The text with %1, %2, ... replaced by the message's parts.
std::string FillParts(std::string_view text, const Message& message) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (text[i] == '%' && next >= '1' && next <= '9') {
      out += message.Part(static_cast<std::size_t>(next - '0'));
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

std::span<const MessageTexts> MessageTable() { return kMessages; }

const MessageTexts& MessageRow(MessageId id) {
  const auto index = static_cast<std::size_t>(id);
  if (index >= kMessageCount) throw std::out_of_range("no such message");
  return kMessages[index];
}

std::string_view Message::Part(std::size_t n) const {
  if (n < 1 || n > partCount_) throw std::out_of_range("message part not given");
  return parts_[n - 1];
}

bool LanguageHasMessages(std::int32_t language) { return language == 1 || language == 0; }

std::string MessageText(std::int32_t language, const Message& message) {
  if (!LanguageHasMessages(language)) return {};
  return GermanOrEnglishText(language, message);
}

std::string GermanOrEnglishText(std::int32_t language, const Message& message) {
  const MessageTexts& row = MessageRow(message.Id());
  return FillParts(language == 1 ? row.German : row.English, message);
}

}  // namespace skeldon
