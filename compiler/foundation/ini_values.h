// Parsers of the ini values that are small languages of their own: the "font" definitions per
// font letter, the navigation-button functions and texts, text templates with placeholders and
// texts that name a font; also the word-character table and the ini line error report.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/foundation/ini_keys.h"

namespace skeldon {

struct FoundationRun;

// Font letters run from "@" to "z" (kFirstFontLetter, kFontLetterCount: ini_keys.h).

struct TFontDef {
  std::string IpfFace;   // " facename=", " size=", " codepage=" parts (at most 90)
  std::string IpfColor;  // " fc=", " bc=" parts (at most 30)
  std::int16_t CodePage = 0;
  std::uint8_t BackgroundIndex = 0;   // 255 = none
  std::string HtmlMarkup;             // "<font" ... ">" after parsing (at most 80)
  std::string HtmlTag;                // "EM", "PRE", ... (at most 20)
  std::int16_t RelativeHtmlSize = 0;  // 255 = none
  std::uint8_t Centre = 0;
  std::uint8_t RtfFamily = 0;        // 0 none, 1 swiss, 2 roman, 3 modern
  std::string RtfFontName;           // "fnil" when none (at most 40)
  std::uint8_t ForegroundIndex = 0;  // 255 = none
  std::int16_t LastSizeValue = 0;
  std::int16_t SizeInPoints = 0;  // 0 = none
};

struct TRgb {
  std::uint8_t R, G, B;
};
extern const std::array<const char*, 16> kHtmlColorNames;
extern const std::array<TRgb, 16> kHtmlColorRgb;
extern const std::array<const char*, 16> kIpfColorNames;  // "" where IPF has no name
extern const std::array<const char*, 8> kHtmlLogicalTags;

inline constexpr int kButtonGroups = 2;  // 0 first line, 1 last line
inline constexpr int kButtonsPerGroup = 15;
struct TButtonEntry {
  std::uint8_t Key = 0;  // 1 back, 2 forward, 3 content, 4 index, 6 homef, 7 max, 8.. others
  std::string Name;      // at most 20
  std::string Text;      // at most 30
  std::uint8_t Flags = 0;
};

// The raw "font" texts (FontSpecs) live with the ini settings; these are the parsed records.
struct IniValueTables {
  std::array<TFontDef, kFontLetterCount> FontDefs{};
  std::array<bool, kFontLetterCount> FontOmitsLinks{};
  char LineStandardFont = 0;
  std::array<std::array<TButtonEntry, kButtonsPerGroup>, kButtonGroups> ButtonTable{};
  std::uint8_t LastButtonCode = 0;
  bool HomeButtonInFrame = false;
  std::array<bool, 256> IsWordChar{};
};

// Index of a font letter in the tables, or -1 outside "@".."z".
int FontLetterIndex(char letter);

// Clears every TFontDef and gives "@" its IPF defaults, as the run preparation does first.
void ClearFontDefs(IniValueTables& tables);

void ParseFontDefinition(FoundationRun& run, char fontLetter);
// Parses the letter's definition only for its errors, while its ini line is the current one:
// they name that line and stop the run with the other ini errors. The tables are left as they
// were; the run preparation builds the records.
void CheckFontDefinition(FoundationRun& run, char fontLetter);
// Group 0 first line, 1 last line; "homef" reads the "default frame" and "contents frame"
// settings. More than 15 words: a message, the rest is not used.
void ParseButtonFunctions(FoundationRun& run, std::string_view list, int group);
void ParseButtonTexts(FoundationRun& run, std::string_view list, int group);
// "NO" empties the text; otherwise the text and the positions of "DOCTITLE", "HEADING" and
// "FILENAME" in it (ReportIniLineError lives with the ini reader).
void ParseTextTemplate(std::string_view text, TTemplateText& templ);
// "text (Font X)" gives "text" and X; any other value stays whole with the letter "@".
void SplitFontSuffix(std::string_view value, std::uint8_t& fontLetter, std::string& text);
void BuildWordCharTable(std::array<bool, 256>& table, std::string_view extendedLetters);
// The run's table from the "extended letters" setting.
void BuildWordCharTable(FoundationRun& run);

}  // namespace skeldon
