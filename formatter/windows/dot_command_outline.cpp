#include "formatter/windows/dot_command_outline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "formatter/common/bilingual_texts.h"

namespace tavrel {

namespace {

constexpr std::uint8_t kS = kDotLeadingString;
constexpr std::uint8_t kP = kDotNeedsParameter;

// The outline in display order; German texts in code page 850.
constexpr DotCommandEntry kOutline[] = {
    {1, 85, 0, "Textformatierung", "Text Formatting", true},
    {2, 86, 0,
     "Einr\x81"
     "ckung",
     "Indention"},
    {3, 1, kP, "Tabulatorstopps (.TB)", "Tabulator stops (.TB)"},
    {3, 2, kP,
     "Einr\x81"
     "ckungsma\xE1stab (.TS)",
     "Scale of indention (.TS)"},
    {3, 84, 0,
     "Autom. Einr\x81"
     "ckung",
     "Auto Indention"},
    {4, 3, kP, "linker Rand (.LM)", "left margin (.LM)"},
    {4, 4, kP, "Absatzrand (.PM)", "paragraph margin (.PM)"},
    {2, 87, 0, "Formatierung", "Formatting"},
    {3, 6, 0, "formatieren ein (.BE)", "formatting on (.BE)"},
    {3, 5, 0, "formatieren aus (.BA)", "formatting off (.BD)"},
    {3, 7, kS, "aus f\x81r gesamtes Dokument (.BA TOTAL)", "off for whole docum. (.BD TOTAL)"},
    {3, 8, kP, "Silbentrennverfahren (.HY)", "Hyphenation algorithm (.HY)"},
    {3, 9, kP, "Mindestzahl nicht getrennter Zeichen (.HN)",
     "Minimum number of not hyphenated chars (.HN)"},
    {2, 88, 0, "Textpositionierung", "Text Justification"},
    {3, 10, 0, "zentrieren ein (.OC EIN)", "output centered on (.OC ON)"},
    {3, 11, 0, "zentrieren aus (.OC AUS)", "output centered off (.OC OFF)"},
    {3, 12, 0, "Blocksatz (.BL)", "block on (.BL ON)"},
    {3, 13, 0, "Flattersatz (.FL)", "block off (.BL OFF)"},
    {2, 14, kP, "Zeilenh\x94he (.LH)", "Line Height (.LH)"},
    {1, 89, 0, "Seitenformatierung", "Page Formatting", true},
    {2, 90, 0, "Seitenumbruch", "Page Break"},
    {3, 15, 0, "Neue Seite (.PA)", "New Page (.PA)"},
    {3, 16, kP, "Bedingter Seitenumbruch (.CP)", "Conditional Page (.CP)"},
    {2, 91, 0,
     "Seiten-Gr\x94\xE1"
     "e und -R\x84nder",
     "Page dimensions and margins"},
    {3, 19, kS | kP, "Seitenl\x84nge (.PL)", "page length (.PL)"},
    {3, 20, kS | kP, "oberer Rand (.MT)", "Margin Top (.MT)"},
    {3, 21, kS | kP, "unterer Rand (.MB)", "Margin Bottom (.MB)"},
    {3, 22, kS | kP, "linker Seitenrand (.PO)", "Left Margin (.PO)"},
    {3, 25, kS | kP, "Textbreite (.RM)", "Text Width (.RM)"},
    {3, 26, kS | kP, "Textbreite (.RF)", "Text Width (.RF)"},
    {2, 92, 0, "Kopf- und Fu\xE1zeilen", "Header and Footer Lines"},
    {3, 27, kS, "Kopfzeile (.HE)", "Header Line (.HE)"},
    {3, 28, kS, "Fu\xE1zeile (.FO)", "Footer Line (.FO)"},
    {3, 97, kS, "linke und rechte Seiten", "left and right pages"},
    {4, 40, kS, "\"links rechts\"-Modus einschalten (.LR)", "enable \"left right\" mode (.LR)"},
    {4, 29, kS, "Kopfzeile rechts (.HER)", "Header Line Right (.HER)"},
    {4, 30, kS, "Fu\xE1zeile rechts (.FOR)", "Footer Line Right (.FOR)"},
    {4, 31, kS, "Kopfzeile links (.HEL)", "Header Line Left (.HEL)"},
    {4, 32, kS, "Fu\xE1zeile links (.FOL)", "Footer Line Left (.FOL)"},
    {4, 23, kS | kP, "linker Rand linker Seiten (.POL)", "Left margin for left pages (.POL)"},
    {4, 24, kS | kP, "linker Rand rechter Seiten (.POR)", "Left margin for right pages (.POR)"},
    {3, 33, kS | kP, "Kopfzeilenabstand (.HM)", "Header Margin (.HM)"},
    {3, 34, kS | kP, "Fu\xE1zeilenabstand (.FM)", "Footer Margin (.FM)"},
    {3, 35, kS | kP, "Kopfzeilenh\x94he (.MH)", "Header line Height (.MH)"},
    {3, 36, kS | kP, "Fu\xE1zeilenh\x94he (.FH)", "Footer line Height (.FH)"},
    {2, 93, 0, "Seitennumerierung", "Page Enumeration"},
    {3, 37, 0, "Seitennummern weglassen (.OP)", "Omit Page Numbering (.OP)"},
    {3, 38, 0, "Seitennummern zeigen (.PG)", "Show Page Numbering (.PG)"},
    {3, 39, kP, "Seitennummer \x84ndern (.PN)", "Change Page Number (.PN)"},
    {2, 94, 0, "Absatz-Numerierung", "Paragraph Enumeration"},
    {3, 17, 0, "Absatz-Numerierung (.EP AUS)", "enumerate paragraphs off (.EP OFF)"},
    {3, 18, 0, "Absatz-Numerierung (.EP EIN)", "enumerate paragraphs on (.EP ON)"},
    {1, 41, kP, "Datei einbinden (.FI)", "Embedding file (.FI)"},
    {1, 95, 0, "Schriften", "Fonts"},
    {2, 42, 0, "Schrift w\x84hlen (.SF)", "Select Font (.SF)"},
    {2, 43, 0, "Alternativschrift w\x84hlen (.SA)", "Select Alternate Font (.SA)"},
    {2, 96, 0, "erweiterte Funktionalit\x84t", "Extended Functionality"},
    {3, 44, 0, "Normalschrift w\x84hlen (.SN)", "Select Normal Font (.SN)"},
    {3, 45, 0, "Fettschrift w\x84hlen (.SB)", "Select Bold Font (.SB)"},
    {3, 46, 0, "Kursivschrift w\x84hlen (.SY)", "Select Italic Font (.SY)"},
    {3, 47, 0, "Fett-Kursivschrift w\x84hlen (.SX)", "Select Bold-Italic Font (.SX)"},
    {3, 48, 0, "Hoch-/Tiefschrift w\x84hlen (.SS)", "Select superscript/subscript Font (.SS)"},
    {3, 49, kP, "Hoch-/Tiefstellung (.SR)", "Select superscript/subscript roll (.SR)"},
    {1, 98, 0, "Grafische Elemente", "Graphical Elements"},
    {2, 99, 0, "Bitmaps einbinden", "Embedding Bitmaps"},
    {3, 100, 0,
     "gro\xE1"
     "e Grafik vom Flie\xE1text abgetrennt",
     "big graphic separated from text"},
    {4, 50, kP, "Bitmap (.BM)", "Bitmap (.BM)"},
    {4, 54, kP, "Bitmap-Breite (.BW)", "Bitmap Width (.BW)"},
    {4, 51, kP, "zentriert (.BM ZENTRIERT)", "centered (.BM center)"},
    {4, 52, kP, "links (.BM LINKS)", "left (.BM LEFT)"},
    {4, 53, kP, "rechts (.BM RECHTS)", "right (.BM RIGHT)"},
    {4, 57, 0, "Leerzeilen einf\x81gen (.FG EIN)", "insert empty lines (.FG ON)"},
    {4, 58, 0, "keine Leerzeilen einf\x81gen (.FG AUS)", "omit inserting empty lines (.FG OFF)"},
    {3, 101, 0, "kleine Grafik im Flie\xE1text", "small graphic in running text"},
    {4, 55, kP, "Bitmap-Text (.BT)", "Bitmap text (.BT)"},
    {4, 56, kP,
     "Grafikgr\x94\xE1"
     "e (.GS)",
     "graphic size (.GS)"},
    {2, 102, 0, "Linienziehen", "Line drawing"},
    {3, 60, 0, "Rechtecke zeichnen beginnen (.LIXY)", "Begin Creating Boxes (.LIXY)"},
    {3, 61, 0, "Rechtecke zeichnen beenden (.LI)", "End Creating Boxes (.LI)"},
    {3, 62, kP, "d\x81nne Linienbreite (.LS)", "Line drawing small line width (.LS)"},
    {3, 63, kP, "breite Linienbreite (.LW)", "Line drawing wide line width (.LW)"},
    {2, 59, kP, "Punkt- und Quadratzeichen (.DT)", "dot and square characters (.DT)"},
    {1, 103, 0,
     "Kapitel\x81"
     "berschriften, Inhaltsverzeichnis",
     "Headings and Contents"},
    {2, 104, 0,
     "Kapitel\x81"
     "berschrift eingeben",
     "Enter a Heading"},
    {3, 64, 0, "Ebene 1 (.1)", "Level 1 (.1)"},
    {3, 65, 0, "Ebene 2 (.2)", "Level 2 (.2)"},
    {3, 66, 0, "Ebene 3 (.3)", "Level 3 (.3)"},
    {3, 67, 0, "Ebene 4 (.4)", "Level 4 (.4)"},
    {3, 68, 0, "Ebene 5 (.5)", "Level 5 (.5)"},
    {3, 69, 0, "Ebene 6 (.6)", "Level 6 (.6)"},
    {2, 70, kS | kP, "Kapitelnumerierung festlegen (.CN)", "Set Content Numbering (.CN)"},
    {2, 72, kP,
     "Einr\x81"
     "ckung des Inhaltsverzeichnisses (.CI)",
     "Contents Indention (.CI)"},
    {2, 73, 0, "Absatz ins Inhaltsverzeichnis aufnehmen (.CT)",
     "make paragraph part of contents (.CT)"},
    {2, 71, kP, "Gliederungsformat-Datei w\x84hlen (.HF)", "Select Heading File (.HF)"},
    {1, 105, 0, "Fu\xE1noten, Endnoten, Randnoten", "Footnotes, Endnotes, Margin Notes"},
    {2, 74, kS, "Fu\xE1-/Endnoten verwenden (.FU[])", "Use Footnotes/Endnotes (.FU[])"},
    {2, 74, kS, "Ende der Fu\xE1-/Endnoten (.FU)", "End of Use Footnotes/Endnotes (.FU)"},
    {2, 75, 0, "Endnoten einf\x81gen (.FI *.FUN)", "Insert Endnotes (.FI *.FUN)"},
    {2, 75, 0, "Endnoten einf\x81gen (.PE)", "Insert Endnotes (.PE)"},
    {2, 76, kP, "Randnoten verwenden (.MN<>)", "Use Margin Notes (.MN<>)"},
    {2, 76, kP, "Ende der Randnoten (.MN)", "End of Use Margin Notes (.MN)"},
    {1, 106, 0, "Stichwortverzeichnis (Index)", "Creating an Index"},
    {2, 77, kS, "Stichwortzeichen festlegen (.ST)", "Specifying an index char (.IC)"},
    {2, 78, 0, "Stichwort aufnehmen (.SW)", "place expression in index (.IN)"},
    {2, 79, 0, "Stichwort vertauscht (.SV)", "index turned (.IT)"},
    {1, 107, 0, "Bedingte Ausf\x81hrung", "Conditional statements"},
    {2, 80, kP, "wenn BEDINGUNG (.IF)", "if CONDITION (.IF)"},
    {2, 81, 0, "sonst (.ELSE)", "else (.ELSE)"},
    {2, 82, 0, "Ende (.END)", "end (.END)"},
};

bool InRange(int code, int first, int last) { return code >= first && code <= last; }

bool OneOf(int code, std::initializer_list<int> codes) {
  for (const int c : codes)
    if (c == code) return true;
  return false;
}

// A number as the parameter field holds it: a trailing double quote and blanks ignored, a
// decimal comma read as a point.
std::optional<double> ReadNumber(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  if (!text.empty() && text.back() == '"') text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(text.begin());
  if (text.empty()) return std::nullopt;
  for (char& c : text)
    if (c == ',') c = '.';
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

std::span<const DotCommandEntry> DotCommandOutline() { return kOutline; }

int DotCommandTag(const DotCommandEntry& entry) { return entry.Class * 1000 + entry.Code; }

std::optional<std::string> BracketCommand(std::string_view itemText) {
  const auto open = itemText.rfind('(');
  if (open == std::string_view::npos) return std::nullopt;
  const auto close = itemText.find(')', open);
  if (close == std::string_view::npos) return std::nullopt;
  return MakeUpperCase(itemText.substr(open + 1, close - open - 1));
}

bool IsFontCommand(int code) { return IsHeaderFontCommand(code) || InRange(code, 42, 48); }
bool IsHeaderFontCommand(int code) { return InRange(code, 27, 32) || code == 74; }
bool IsFileCommand(int code) { return OneOf(code, {41, 50, 55, 71}); }
bool IsCharacterCommand(int code) { return OneOf(code, {55, 59, 77}); }
bool IsFreeParameterCommand(int code) { return OneOf(code, {1, 8, 70, 80}); }
bool IsPlainNumberCommand(int code) { return OneOf(code, {9, 16, 49, 54, 56, 59, 76}); }
bool IsHeadingCommand(int code) { return InRange(code, 64, 69); }
bool IsMeasureCommand(int code) {
  return !IsFreeParameterCommand(code) && !IsFileCommand(code) && !IsPlainNumberCommand(code);
}

int DotCommandHelpTopic(int code) {
  struct Row {
    int First, Last, Topic;
  };
  static constexpr Row kTopics[] = {
      {85, 85, 40},  {86, 86, 41},   {87, 87, 43},   {88, 88, 47},   {89, 89, 49},   {90, 90, 50},
      {91, 91, 51},  {92, 93, 52},   {95, 95, 31},   {96, 96, 36},   {97, 97, 53},   {98, 98, 57},
      {99, 101, 58}, {102, 102, 59}, {103, 104, 61}, {105, 105, 70}, {106, 106, 75}, {107, 107, 85},
  };
  for (const Row& row : kTopics)
    if (InRange(code, row.First, row.Last)) return row.Topic;
  return 9999;
}

int DefaultDotCommandValue(int code, const TSettingsRecord& settings) {
  switch (code) {
    case 2:
      return settings.DefaultTS;
    case 14:
      return 8;
    case 16:
      return 6;
    case 19:
      return CurrentPageTemplate(settings).PL;
    case 20:
      return CurrentPageTemplate(settings).MT;
    case 49:
      return 3;
    case 54:
      return 100;
    case 56:
      return 300;
    case 59:
      return 35;
    case 70:
      return 5;
    case 76:
      return 3;
    default:
      return 0;
  }
}

std::string FormatMeasure(double value, int scale, int unitsPerInch) {
  char text[64];
  if (unitsPerInch <= 0 || scale == kScaleColumns)
    std::snprintf(text, sizeof text, "%.0f", value);
  else if (scale == kScaleInches)
    std::snprintf(text, sizeof text, "%.2f\"", value / unitsPerInch);
  else
    std::snprintf(text, sizeof text, "%.1f", value / unitsPerInch * 2.54);
  return text;
}

std::string DotCommandPreset(int code, int scale, const TSettingsRecord& settings,
                             int unitsPerInch) {
  if (IsFreeParameterCommand(code)) return code == 80 ? "FINAL" : "";
  if (IsFileCommand(code)) return "";
  const int value = DefaultDotCommandValue(code, settings);
  if (value == 0) return "";
  if (IsPlainNumberCommand(code)) return std::to_string(value);
  return FormatMeasure(value, scale, unitsPerInch);
}

std::string ConvertDotScale(const std::string& parameter, int fromScale, int toScale,
                            int unitsPerInch) {
  // A command without a unit of length has no inches: dividing by its 0 units would write
  // "inf" into the parameter.
  if (fromScale == toScale || unitsPerInch <= 0) return parameter;
  const auto number = ReadNumber(parameter);
  if (!number) return parameter;
  double units = *number;
  if (fromScale == kScaleInches) units *= unitsPerInch;
  if (fromScale == kScaleCentimetres) units = units / 2.54 * unitsPerInch;
  return FormatMeasure(units, toScale, unitsPerInch);
}

std::optional<std::size_t> FindDotCommandItem(const std::vector<std::string>& itemTexts,
                                              const std::string& typed) {
  std::string wanted = MakeUpperCase(typed);
  if (wanted.size() > 1 && wanted.front() == '.') wanted.erase(wanted.begin());
  if (wanted.empty()) return std::nullopt;
  for (;;) {
    const std::string needle = "(." + wanted;
    for (std::size_t i = 0; i < itemTexts.size(); ++i)
      if (MakeUpperCase(itemTexts[i]).find(needle) != std::string::npos) return i;
    if (wanted.size() <= 2) return std::nullopt;
    wanted.pop_back();
  }
}

EditorDotCommand SplitEditorCommand(const std::string& received) {
  std::string text = MakeUpperCase(received);
  // The command may come with its point; the split counts the letters after it.
  if (!text.empty() && text.front() == '.') text.erase(text.begin());
  const auto at = [&text](std::size_t i) { return i < text.size() ? text[i] : '\0'; };
  const char second = at(1);
  const bool headerOrFooter = (at(0) == 'H' || at(0) == 'F') &&
                              ((second >= '1' && second <= '9') || second == 'E' || second == 'O');
  const std::size_t length = headerOrFooter && (at(2) == 'R' || at(2) == 'L') ? 3 : 2;
  EditorDotCommand result;
  result.Command = text.substr(0, std::min(length, text.size()));
  result.Parameter = text.size() > length ? text.substr(length) : "";
  if (!result.Parameter.empty() && result.Parameter.front() == ' ')
    result.Parameter.erase(result.Parameter.begin());
  return result;
}

std::string FontNameOfParameter(int code, const std::string& parameter) {
  if (!IsHeaderFontCommand(code)) return IsFontCommand(code) ? parameter : "";
  const std::string upper = MakeUpperCase(parameter.substr(0, 2));
  if (parameter.size() < 3 || (upper != "SN" && upper != "SF")) return "";
  const char letter = parameter[2];
  if (letter < 'A' || letter > 'Z') return "";
  std::string name(1, letter);
  if (parameter.size() > 3 && (parameter[3] == '"' || parameter[3] == '&' || parameter[3] == '\''))
    name += parameter[3];
  return name;
}

std::string ComposeDotCommand(int code, const std::string& command, const DotCommandChoice& c) {
  std::string text = command;
  if (IsCharacterCommand(code)) {
    if (c.Character) text += *c.Character;
    if (code == 59 && c.Shape > 0) text += std::to_string(c.Shape);
  } else if (IsHeaderFontCommand(code) && !c.FontItem.empty()) {
    text += " SF" + c.FontItem.substr(0, 2);
    if (text.back() != ' ') text += ' ';
  } else if (IsFontCommand(code) && !c.FontItem.empty()) {
    text += c.FontItem.substr(0, 2);
  }
  return text;
}

const char* DotCommandPrompt(int code, bool german) {
  struct Row {
    std::array<int, 6> Codes;  // 0: unused
    const char* German;
    const char* English;
  };
  static const Row kPrompts[] = {
      {{27, 29, 31},
       "Geben Sie hier den Text ein, der zu Beginn jeder Seite erscheinen soll",
       "Enter the text here which shall occur at the top of every page"},
      {{28, 30, 32},
       "Geben Sie hier den Text ein, der am Ende jeder Seite erscheinen soll",
       "Enter the text here which shall occur on the bottom of every page"},
      {{60},
       "X markiert die Ecken des Rechtecks, Y den Beginn einer Unterteilunglinie",
       "X marks the corners of the box, Y a partition of the box"},
      {{64, 65, 66, 67, 68, 69},
       "Geben Sie hier den Text der Kapitel\x81"
       "berschrift ein",
       "Enter here the heading text"},
  };
  for (const Row& row : kPrompts)
    if (code != 0 && std::find(row.Codes.begin(), row.Codes.end(), code) != row.Codes.end())
      return german ? row.German : row.English;
  return "";
}

}  // namespace tavrel
