#include "compiler/foundation/ini_keys.h"

#include <cstdint>
#include <limits>

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/foundation_run.h"
#include "compiler/foundation/ini_file.h"
#include "compiler/foundation/ini_values.h"
#include "compiler/foundation/project_file.h"

namespace skeldon {

namespace {

using View = TIniLineView;

bool IsAsciiLetterOrDigit(std::uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

void LineError(FoundationRun& run, const Message& message) { ReportIniLineError(run, message); }

// Byte number 0..max with the key's own error message.
void ReadByteSetting(FoundationRun& run, const View& line, std::int64_t max, std::uint8_t& target,
                     MessageId error) {
  std::int64_t n = 0;
  if (ParseIniNumber(line.Value(), 0, max, n)) {
    target = static_cast<std::uint8_t>(n);
  } else {
    LineError(run, error);
  }
}

// A value longer than its setting is cut to the setting's length, as the ini format has it,
// but never silently: a warning names the line (the run goes on).
std::string CutValue(FoundationRun& run, std::string_view value, std::size_t max) {
  if (value.size() > max) {
    WriteMessage(run, {MessageId::IniValueCut, run.IniFile.IniLine, std::to_string(max)}, true);
  }
  return CutText(value, max);
}

// Text (n) of the value as written.
void ReadText(FoundationRun& run, const View& line, std::size_t max, std::string& target) {
  target = CutValue(run, line.Value(), max);
}

// Text with font: the text and the letter of "(Font X)".
void ReadTextWithFont(FoundationRun& run, const View& line, std::string& text, std::uint8_t& font) {
  SplitFontSuffix(line.Value(), font, text);
  text = CutValue(run, text, kShortStringMax);
}

// The font letter of "(Font X)" only.
void ReadFontLetterOnly(const View& line, std::uint8_t& font) {
  std::string ignored;
  SplitFontSuffix(line.Value(), font, ignored);
}

// "no" (any case) empties the setting, else text (254).
void ReadTagText(FoundationRun& run, const View& line, std::string& target) {
  target = (line.LowerValue() == "no") ? std::string() : CutValue(run, line.Value(), 254);
}

void OnLanguage(FoundationRun& run, const View& line) {
  if (line.LineHas("engl")) {
    run.Language = 0;
  } else if (line.LineHas("germ")) {
    run.Language = 1;
  } else {
    LineError(run, MessageId::UnknownLanguage);
  }
  run.MainUnit.PascalForm = line.LineHas("pascal");
  WriteMessage(run, {MessageId::ReadingIniFile, run.Switches.IniFileName}, false);
}

void OnSourceFormat(FoundationRun& run, const View& line) {
  TSwitches& s = run.Switches;
  if (line.LineHas("star4")) {
    s.WordStarInput = true;
    s.SoftLineEnds = true;
  } else if (line.LineHas("hard")) {
    s.WordStarInput = false;
    s.SoftLineEnds = false;
  } else if (line.LineHas("soft")) {
    s.WordStarInput = false;
    s.SoftLineEnds = true;
  } else {
    LineError(run, MessageId::UnknownSourceFormat);
  }
}

void OnListChars(FoundationRun& run, const View& line) {
  ReadText(run, line, 20, run.Ini.ListChars);
}

void OnIndexChar(FoundationRun& run, const View& line) {
  const std::string_view value = line.Value();
  if (value.empty()) {
    // Nothing after the blanks: there is no character to take.
    LineError(run, MessageId::FunctionEqualsValueWanted);
    return;
  }
  const std::uint8_t c = static_cast<std::uint8_t>(value[0]);
  run.Ini.IndexChar = c;
  if (IsAsciiLetterOrDigit(c) ||
      run.Ini.ExtendedLetters.find(static_cast<char>(c)) != std::string::npos) {
    LineError(run, MessageId::LettersAsSpecialChars);
  }
}

void OnNoMoreLinksIn(FoundationRun& run, const View& line) {
  run.Ini.LinksPerParagraph = line.ValueHas("para");
  run.Ini.LinkEveryOccurrence = line.ValueHas("no") || line.ValueHas("always");
}

void OnFont(FoundationRun& run, const View& line) {
  const std::string_view text = line.Line;
  const std::size_t e = line.EqualPos;
  // "font X = definition": X stands right before the "=" or one blank before it.
  char letter = e >= 1 ? text[e - 1] : ' ';
  if (letter == ' ' && e >= 2) letter = text[e - 2];
  const bool twoBlanksAfter = e + 2 < text.size() && text[e + 1] == ' ' && text[e + 2] == ' ';
  if (letter < 'A' || letter > 'z' || twoBlanksAfter) {
    LineError(run, MessageId::OnlyFontLetters);
    return;
  }
  const std::size_t index = static_cast<std::size_t>(letter - kFirstFontLetter);
  bool& defined = run.IniFile.FontLetterDefined.at(index);
  if (defined) {
    LineError(run, {MessageId::FontDefinedTwice, std::string(1, letter)});
  }
  run.Ini.FontSpecs.at(index) = CutValue(run, line.Value(), kFontSpecMax);
  defined = true;
  CheckFontDefinition(run, letter);
}

void OnToggles(FoundationRun& run, const View& line) {
  ReadText(run, line, 20, run.Ini.ToggleChars);
  if (line.Value().size() != 12) {
    LineError(run, MessageId::WrongNumberOfChars);
  }
}

void OnEndingOfWords(FoundationRun& run, const View& line) {
  run.Ini.EndingOfWords = CutValue(run, line.LowerValue(), 150);
}

void OnSubchapterLink(FoundationRun& run, const View& line) {
  ReadTextWithFont(run, line, run.Ini.SubchapterLinkText, run.Ini.SubchapterLinkFont);
}

void OnNextChapterLink(FoundationRun& run, const View& line) {
  ReadTextWithFont(run, line, run.Ini.NextChapterLinkText, run.Ini.NextChapterLinkFont);
}

void OnHelpSubtableStartId(FoundationRun& run, const View& line) {
  std::int64_t n = 0;
  if (ParseIniNumber(line.Value(), std::numeric_limits<std::int32_t>::min(),
                     std::numeric_limits<std::int32_t>::max(), n)) {
    run.Ini.HelpSubtableStartId = static_cast<std::int32_t>(n);
  } else {
    LineError(run, MessageId::WrongSubtableStartId);
  }
}

void OnHelpTableFileName(FoundationRun& run, const View& line) {
  ReadText(run, line, 100, run.Ini.HelpTableFileName);
}

void OnPanelIdFileName(FoundationRun& run, const View& line) {
  ReadText(run, line, 100, run.Ini.PanelIdFileName);
}

void OnExtendedLetters(FoundationRun& run, const View& line) {
  ReadText(run, line, 80, run.Ini.ExtendedLetters);
}

void OnIndexFilter(FoundationRun& run, const View& line) {
  ReadText(run, line, 60, run.Ini.IndexFilter);
}

void OnTarget(FoundationRun& run, const View& line) {
  TTargetFlags& t = run.Ini.TargetFlags;
  t = TTargetFlags{};
  if (line.LineHas("ipf")) {
    t.Ipf = true;
  } else if (line.LineHas("html")) {
    t.Html = true;
    t.HtmlHelp = line.LineHas("help");
  } else if (line.LineHas("winhelp3")) {
    t.RtfFamily = true;
    t.WinHelp3 = true;
  } else if (line.LineHas("winhelp4")) {
    t.RtfFamily = true;
    t.WinHelp4 = true;
  } else if (line.LineHas("rtftext")) {
    t.RtfFamily = true;
    t.RtfText = true;
  } else {
    LineError(run, MessageId::UnknownTargetFormat);
  }
}

void OnNewFileLevel(FoundationRun& run, const View& line) {
  ReadByteSetting(run, line, 6, run.Ini.NewFileLevel, MessageId::WrongNewFileLevel);
}

void OnFunctionFirstLine(FoundationRun& run, const View& line) {
  run.Ini.FunctionsFirstLine = CutValue(run, line.LowerLine.substr(line.FirstNonBlank), 150);
}

void OnFunctionLastLine(FoundationRun& run, const View& line) {
  run.Ini.FunctionsLastLine = CutValue(run, line.LowerLine.substr(line.FirstNonBlank), 150);
}

void OnTextFirstLine(FoundationRun& run, const View& line) {
  run.Ini.TextsFirstLine = CutValue(run, line.Line.substr(line.FirstNonBlank), 150);
}

void OnTextLastLine(FoundationRun& run, const View& line) {
  run.Ini.TextsLastLine = CutValue(run, line.Line.substr(line.FirstNonBlank), 150);
}

void OnTitleInEveryFile(FoundationRun& run, const View& line) {
  run.Ini.TitleInEveryFile = line.LineHas("yes");
  ReadFontLetterOnly(line, run.Ini.TitleFont);
}

void OnHorizontalRuleLevel(FoundationRun& run, const View& line) {
  ReadByteSetting(run, line, 6, run.Ini.HorizontalRuleLevel, MessageId::WrongHorizontalRuleLevel);
}

void OnMainChapterLink(FoundationRun& run, const View& line) {
  ReadTextWithFont(run, line, run.Ini.MainChapterLinkText, run.Ini.MainChapterLinkFont);
}

void OnBeep(FoundationRun& run, const View& line) { run.Ini.BeepOn = line.LineHas("yes"); }

void OnPreFileName(FoundationRun& run, const View& line) {
  // Every page name starts with the prefix: one naming a folder would put the pages outside
  // the output directory.
  if (!IsUsablePrefixPattern(line.Value())) {
    LineError(run, MessageId::PreFileNameWithPath);
    return;
  }
  ReadText(run, line, 40, run.Ini.PreFileName);
}

void OnButtons(FoundationRun& run, const View& line) {
  run.Ini.ButtonsOn = line.LineHas("yes") || line.LineHas("gif");
  run.Ini.ButtonsJavaScript = line.LineHas("java");
  ReadFontLetterOnly(line, run.Ini.ButtonFont);
}

void OnBodyTags(FoundationRun& run, const View& line) { ReadTagText(run, line, run.Ini.BodyTags); }

void OnExtendedIndexEntries(FoundationRun& run, const View& line) {
  std::int64_t n = 0;
  if (ParseIniNumber(line.Value(), 0, std::numeric_limits<std::int32_t>::max(), n)) {
    run.Ini.ExtendedIndexEntries = static_cast<std::int32_t>(n);
  } else {
    LineError(run, MessageId::WrongExtendedIndexEntries);
  }
}

void OnSourceCodepage(FoundationRun& run, const View& line) {
  if (line.LineHas("ibm")) {
    run.Ini.SourceIsIso = false;
    BuildIbmLowerCaseTable(run.FileNames.LowerCaseTable);
  } else if (line.LineHas("iso")) {
    // The following lines are lower-cased by the ISO table at once.
    run.Ini.SourceIsIso = true;
    BuildIsoLowerCaseTable(run.FileNames.LowerCaseTable);
  } else {
    LineError(run, MessageId::OnlyIbmOrIsoCodePages);
  }
}

void OnContentLevel(FoundationRun& run, const View& line) {
  std::uint8_t level = 0;
  std::int64_t n = 0;
  if (ParseIniNumber(line.Value(), 0, 6, n)) {
    level = static_cast<std::uint8_t>(n);
    run.Switches.ContentsDepth = level;
  } else {
    LineError(run, MessageId::WrongContentLevel);
  }
}

void OnFilenameAppearance(FoundationRun& run, const View& line) {
  const std::string_view value = line.Value();
  TIniSettings& ini = run.Ini;
  ini.FilenameAppearance = CutValue(run, value, kShortStringMax);
  const std::size_t dot = line.Line.find('.');
  if (value.size() < 6 || dot == std::string_view::npos) {
    LineError(run, MessageId::WrongFileNameAppearance);
  }
  ini.CapitalFirstLetter = !value.empty() && static_cast<std::uint8_t>(value[0]) <= 90;
  ini.CapitalOtherLetters = value.size() >= 2 && static_cast<std::uint8_t>(value[1]) <= 90;
  // A dot at the fourth-last character or later leaves room for three letters at most.
  const std::size_t length = line.Line.size();
  ini.ExtensionLength = (dot != std::string_view::npos && dot + 4 >= length) ? 4 : 5;
}

void OnDefaultFrame(FoundationRun& run, const View& line) {
  ReadText(run, line, 40, run.Ini.DefaultFrame);
}

void OnFileTitle(FoundationRun& run, const View& line) {
  ParseTextTemplate(line.Value(), run.Ini.FileTitle);
}

void OnMetaContent(FoundationRun& run, const View& line) {
  ParseTextTemplate(line.Value(), run.Ini.MetaContent);
}

void OnNotesText(FoundationRun& run, const View& line) {
  ReadText(run, line, 40, run.Ini.NotesText);
}

void OnListIndention(FoundationRun& run, const View& line) {
  ReadByteSetting(run, line, 255, run.Ini.ListIndention, MessageId::NumberMissing);
}

void OnDefaultFontSize(FoundationRun& run, const View& line) {
  ReadByteSetting(run, line, 255, run.Ini.DefaultFontSize, MessageId::NumberMissing);
}

void OnHeadingFonts(FoundationRun& run, const View& line) {
  std::string fonts = CutValue(run, line.Value(), 20);
  if (!fonts.empty() && fonts.back() == ' ') fonts.pop_back();
  run.Ini.HeadingFonts = fonts;
  if (fonts.size() != 6) {
    LineError(run, MessageId::SixHeadingFontsWanted);
  }
}

void OnContentsCreation(FoundationRun& run, const View& line) {
  TIniSettings& ini = run.Ini;
  if (line.LineHas("cnt")) {
    ini.ContentsInternal = false;
    ini.ContentsCntFile = true;
  } else if (line.LineHas("intern")) {
    ini.ContentsInternal = true;
    ini.ContentsCntFile = false;
  } else if (line.LineHas("both")) {
    ini.ContentsInternal = true;
    ini.ContentsCntFile = true;
  } else if (line.LineHas("no")) {
    ini.ContentsInternal = false;
    ini.ContentsCntFile = false;
  } else {
    LineError(run, MessageId::UnknownContentsParameter);
  }
}

void OnContentsGeneralText(FoundationRun& run, const View& line) {
  ReadText(run, line, 40, run.Ini.ContentsGeneralText);
}

void OnKeepHeading(FoundationRun& run, const View& line) {
  run.Ini.KeepHeading = line.LineHas("yes");
}

void OnPrintedListChars(FoundationRun& run, const View& line) {
  ReadText(run, line, 20, run.Ini.PrintedListChars);
}

void OnFootnotes(FoundationRun& run, const View& line) {
  run.Ini.FootnotesNoFrames = line.LineHas("noframes");
  run.Ini.FootnotesPopup = line.LineHas("java") || line.LineHas("activex");
}

void OnUrlGraphicsFile(FoundationRun& run, const View& line) {
  ReadText(run, line, 40, run.Ini.UrlGraphicsFile);
}

void OnGraphicPath(FoundationRun& run, const View& line) {
  TGraphicDirectories& graphics = run.Graphics;
  // A path from the project file or an earlier line stays.
  if (!graphics.GraphicPath.empty() || line.LowerValue() == "no") return;
  graphics.GraphicPath = CutValue(run, line.Value(), kShortStringMax);
  ParseGraphicPath(run);
  graphics.SearchGraphicFiles = true;
}

void OnSearchGraphicFiles(FoundationRun& run, const View& line) {
  if (!run.Graphics.SearchGraphicFiles) run.Graphics.SearchGraphicFiles = line.LineHas("yes");
}

void OnFilenames(FoundationRun& run, const View& line) {
  run.Ini.DosFileNames = line.LineHas("dos") || line.LineHas("fat");
}

void OnContentsTree(FoundationRun& run, const View& line) {
  TIniSettings& ini = run.Ini;
  std::string_view lowerValue = line.LowerValue();
  std::string_view value = line.Value();
  if (lowerValue == "no") {
    ini.ContentsTreeOn = false;
    return;
  }
  if (lowerValue.substr(0, 3) == "no/") {
    ini.ContentsTreeOn = false;
    value.remove_prefix(3);
  } else {
    ini.ContentsTreeOn = true;
  }
  std::string ignored;
  SplitFontSuffix(value, ini.ContentsTreeFont, ignored);
  std::string text = CutValue(run, value, 200);
  const std::size_t fontPos = text.find("(Font ");
  if (fontPos != std::string::npos) text.erase(fontPos == 0 ? 0 : fontPos - 1);
  // AlternateLinkText;OpenText;CloseText: a ";" at the very end of the text counts as none.
  const std::size_t first = text.find(';');
  ini.ContentsTreeAltText = text.substr(0, first);
  const bool firstCounts = first != std::string::npos && first + 1 < text.size();
  const std::size_t second = firstCounts ? text.find(';', first + 1) : std::string::npos;
  if (firstCounts) {
    ini.ContentsTreeOpenText = CutValue(run, text.substr(first + 1, second - (first + 1)), 50);
  }
  if (!firstCounts || second == std::string::npos || second + 1 >= text.size()) {
    LineError(run, MessageId::WrongContentsTreeTexts);
    return;
  }
  ini.ContentsTreeCloseText = CutValue(run, std::string_view(text).substr(second + 1), 50);
}

void OnStatusbarMouseover(FoundationRun& run, const View& line) {
  ParseTextTemplate(line.Value(), run.Ini.StatusbarMouseover);
}

void OnStatusbarDefault(FoundationRun& run, const View& line) {
  ParseTextTemplate(line.Value(), run.Ini.StatusbarDefault);
}

void OnContentsFrame(FoundationRun& run, const View& line) {
  ReadText(run, line, 40, run.Ini.ContentsFrame);
}

void OnContentsTags(FoundationRun& run, const View& line) {
  ReadTagText(run, line, run.Ini.ContentsTags);
}

void OnCreateContents(FoundationRun& run, const View& line) {
  run.Ini.CreateContents = !line.ValueHas("no");
}

void OnCreateIndex(FoundationRun& run, const View& line) {
  run.Ini.CreateIndex = !line.ValueHas("no");
}

void OnWinhelpFontsForHtmlHeading(FoundationRun& run, const View& line) {
  run.Ini.WinhelpFontsForHtmlHeading = !line.ValueHas("no");
}

void OnColorCorrection(FoundationRun& run, const View& line) {
  run.Ini.ColorCorrection = !line.ValueHas("no");
}

void OnAutomaticHeadingEnumeration(FoundationRun& run, const View& line) {
  run.Ini.AutomaticHeadingEnumeration = !line.ValueHas("no");
}

}  // namespace

const std::array<TIniKeyDef, kIniKeyCount> kIniKeys = {{
    {1, "language", false, OnLanguage},
    {2, "source format", false, OnSourceFormat},
    {3, "list chars", false, OnListChars},
    {4, "index char", false, OnIndexChar},
    {5, "no more links in", false, OnNoMoreLinksIn},
    {6, "font", false, OnFont},
    {7, "toggles", false, OnToggles},
    {8, "ending of words", false, OnEndingOfWords},
    {9, "text for link to subchapters", false, OnSubchapterLink},
    {10, "text for link to next chapter", false, OnNextChapterLink},
    {11, "help subtable start id", false, OnHelpSubtableStartId},
    {12, "helptable filename", false, OnHelpTableFileName},
    {13, "panel id filename", false, OnPanelIdFileName},
    {14, "extended letters", false, OnExtendedLetters},
    {15, "index filter", false, OnIndexFilter},
    {16, "target", false, OnTarget},
    {17, "new file level", false, OnNewFileLevel},
    {18, "function for first line", false, OnFunctionFirstLine},
    {19, "function for last line", false, OnFunctionLastLine},
    {20, "text for first line", false, OnTextFirstLine},
    {21, "text for last line", false, OnTextLastLine},
    {22, "title in every file", false, OnTitleInEveryFile},
    {23, "horizontal rule level", false, OnHorizontalRuleLevel},
    {24, "text for link to main chapter", false, OnMainChapterLink},
    {25, "beep", false, OnBeep},
    {26, "pre filename", false, OnPreFileName},
    {27, "buttons", false, OnButtons},
    {28, "body tags", false, OnBodyTags},
    {29, "entries for extended index", false, OnExtendedIndexEntries},
    {30, "source codepage", false, OnSourceCodepage},
    {31, "content level", false, OnContentLevel},
    {32, "filename appearance", false, OnFilenameAppearance},
    {33, "default frame", false, OnDefaultFrame},
    {34, "file title", false, OnFileTitle},
    {35, "meta content", false, OnMetaContent},
    {36, "notes text", false, OnNotesText},
    {37, "list indention", false, OnListIndention},
    {38, "default font size", false, OnDefaultFontSize},
    {39, "heading fonts", false, OnHeadingFonts},
    {40, "contents creation", false, OnContentsCreation},
    {41, "contents general text", false, OnContentsGeneralText},
    {42, "keep heading", false, OnKeepHeading},
    {43, "printed listchars", false, OnPrintedListChars},
    {44, "footnotes", false, OnFootnotes},
    {45, "url graphics file", false, OnUrlGraphicsFile},
    {46, "graphic path", true, OnGraphicPath},
    {47, "search graphic files", true, OnSearchGraphicFiles},
    {48, "filenames", false, OnFilenames},
    {49, "contents tree", false, OnContentsTree},
    {50, "statusbar mouseover", false, OnStatusbarMouseover},
    {51, "statusbar default", false, OnStatusbarDefault},
    {52, "contents frame", false, OnContentsFrame},
    {53, "contents tags", true, OnContentsTags},
    {54, "create contents", true, OnCreateContents},
    {55, "create index", true, OnCreateIndex},
    {56, "winhelp fonts for html heading", true, OnWinhelpFontsForHtmlHeading},
    {57, "color correction", true, OnColorCorrection},
    {58, "automatic heading enumeration", true, OnAutomaticHeadingEnumeration},
}};

const TIniKeyDef* IniKeyByNumber(int number) {
  if (number < 1 || number > kIniKeyCount) return nullptr;
  return &kIniKeys[static_cast<std::size_t>(number - 1)];
}

void ResetIniSettings(TIniSettings& settings) { settings = TIniSettings{}; }

bool ParseIniNumber(std::string_view value, std::int64_t min, std::int64_t max,
                    std::int64_t& result) {
  std::size_t i = 0;
  std::size_t end = value.size();
  while (i < end && value[i] == ' ') ++i;
  while (end > i && value[end - 1] == ' ') --end;
  bool negative = false;
  if (i < end && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  if (i == end) return false;
  std::int64_t n = 0;
  for (; i < end; ++i) {
    const char c = value[i];
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
    // Beyond every range any key accepts: stop before the value could overflow.
    if (n > (std::int64_t{1} << 40)) return false;
  }
  if (negative) n = -n;
  if (n < min || n > max) return false;
  result = n;
  return true;
}

}  // namespace skeldon
