#include "compiler/foundation/ini_values.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "compiler/foundation/char_conversion.h"
#include "compiler/foundation/foundation_run.h"
#include "platform/text.h"

namespace skeldon {

const std::array<const char*, 16> kHtmlColorNames = {
    "Black",  "Green", "Silver", "Lime", "Gray",   "Olive", "White",   "Yellow",
    "Maroon", "Navy",  "Red",    "Blue", "Purple", "Teal",  "Fuchsia", "Aqua",
};

// The HTML 4 colour names' RGB values, in the order of kHtmlColorNames.
const std::array<TRgb, 16> kHtmlColorRgb = {{
    {0x00, 0x00, 0x00},
    {0x00, 0x80, 0x00},
    {0xC0, 0xC0, 0xC0},
    {0x00, 0xFF, 0x00},
    {0x80, 0x80, 0x80},
    {0x80, 0x80, 0x00},
    {0xFF, 0xFF, 0xFF},
    {0xFF, 0xFF, 0x00},
    {0x80, 0x00, 0x00},
    {0x00, 0x00, 0x80},
    {0xFF, 0x00, 0x00},
    {0x00, 0x00, 0xFF},
    {0x80, 0x00, 0x80},
    {0x00, 0x80, 0x80},
    {0xFF, 0x00, 0xFF},
    {0x00, 0xFF, 0xFF},
}};

const std::array<const char*, 16> kIpfColorNames = {
    "black", "", "",    "green", "", "neutral", "white", "yellow",
    "",      "", "red", "blue",  "", "",        "",      "cyan",
};

const std::array<const char*, 8> kHtmlLogicalTags = {"EM",   "STRONG", "DFN",     "CODE",
                                                     "SAMP", "VAR",    "ADDRESS", "CITE"};

namespace {

// Nearest whole number, halves upwards.
long RoundHalfUp(double value) { return static_cast<long>(std::floor(value + 0.5)); }

int FindColor(const std::array<const char*, 16>& names, std::string_view word) {
  int found = -1;
  for (int i = 0; i < 16; ++i)
    if (*names[i] != '\0' && word == names[i]) found = i;
  return found;
}

// The value of a size word as a 16-bit number: an optional sign, then digits. `whole` is false
// when characters follow the digits; `digits` is false when there are none at all.
struct SizeNumber {
  long value = 0;
  bool whole = false;
  bool digits = false;
  bool overflow = false;
};
SizeNumber ReadSizeNumber(std::string_view word) {
  SizeNumber n;
  std::size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
  for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
    n.digits = true;
    n.value = n.value * 10 + (word[i] - '0');
    if (n.value > 32767) n.overflow = true;
    if (n.overflow) n.value = 32767;
  }
  n.whole = n.digits && i == word.size() && !n.overflow;
  if (negative) n.value = -n.value;
  return n;
}

}  // namespace

int FontLetterIndex(char letter) {
  const int index = static_cast<unsigned char>(letter) - kFirstFontLetter;
  return index >= 0 && index < kFontLetterCount ? index : -1;
}

void ClearFontDefs(IniValueTables& tables) {
  for (TFontDef& def : tables.FontDefs) def = TFontDef{};
  tables.FontDefs[0].IpfFace = " facename=default size=0x0";
  tables.FontDefs[0].IpfColor = " fc=default bc=default";
}

void ParseFontDefinition(FoundationRun& run, char fontLetter) {
  const int index = FontLetterIndex(fontLetter);
  if (index < 0) return;
  const std::string& definition = run.Ini.FontSpecs[index];
  if (definition.empty()) return;

  // The record is rebuilt from the text; the defaults of "@" would otherwise double up.
  TFontDef def;
  def.ForegroundIndex = 255;
  def.BackgroundIndex = 255;
  def.RelativeHtmlSize = 255;
  std::string markup;
  bool sizesAsWritten = false;

  for (std::string word : SplitWords(definition)) {
    if (word.size() >= 2 && (word[0] == 'S' || word[0] == 's') && word[1] >= '0' &&
        word[1] <= '9') {
      word.erase(0, 1);
      sizesAsWritten = true;
    }
    const char first = word[0];
    const int wordClass = (first >= 'A' && first <= 'Z')   ? 1
                          : (first >= 'a' && first <= 'z') ? 2
                                                           : 0;
    const std::string lower = LowerCaseCp850(word);
    const bool capitalised = word.size() >= 2 && wordClass == 1 && word[1] >= 'a' && word[1] <= 'z';

    if (lower == "center") {
      def.Centre = 1;
      continue;
    }
    const int ipfColor = capitalised ? -1 : FindColor(kIpfColorNames, lower);
    if (ipfColor >= 0) {
      // Small letters name the IPF foreground (red), capitals the background (RED).
      if (wordClass == 2) {
        if (def.ForegroundIndex == 255) def.ForegroundIndex = static_cast<std::uint8_t>(ipfColor);
        def.IpfColor += " fc=" + lower;
      } else {
        def.BackgroundIndex = static_cast<std::uint8_t>(ipfColor);
        def.IpfColor += " bc=" + lower;
      }
      continue;
    }
    const int htmlColor = FindColor(kHtmlColorNames, word);
    if (htmlColor >= 0) {
      markup += " color=" + word;
      def.ForegroundIndex = static_cast<std::uint8_t>(htmlColor);
      continue;
    }
    if (ContainsText(word, ",")) {
      markup += " face=" + word;
      if (ContainsText(lower, "arial") || ContainsText(lower, "helv"))
        def.RtfFamily = 1;
      else if (ContainsText(lower, "times") || ContainsText(lower, "tms"))
        def.RtfFamily = 2;
      else if (ContainsText(lower, "courier") || ContainsText(lower, "system"))
        def.RtfFamily = 3;
      continue;
    }
    bool isTag = word == "PRE";
    for (const char* tag : kHtmlLogicalTags) isTag = isTag || word == tag;
    if (isTag) {
      def.HtmlTag = word;
      continue;
    }
    if (lower == "omitlinks") {
      run.IniValues.FontOmitsLinks[index] = true;
      continue;
    }
    if (lower == "linestandard") {
      run.IniValues.LineStandardFont = fontLetter;
      continue;
    }
    if (wordClass == 0) {
      const SizeNumber number = ReadSizeNumber(word);
      if (!number.digits || number.overflow) {
        // Nothing usable in the word: reported, and the word is left out.
        ReportIniLineError(run, MessageId::NumberExpected);
        continue;
      }
      const long n = number.value;
      const bool relative = word[0] == '+' || n < 1;
      if (relative) def.RelativeHtmlSize = static_cast<std::int16_t>(n);
      if (n >= 200) {
        def.IpfFace += " codepage=" + word;
        def.CodePage = static_cast<std::int16_t>(n);
      } else if (!relative) {
        def.SizeInPoints = static_cast<std::int16_t>(n);
        const long h = RoundHalfUp(static_cast<double>(n) * run.Switches.FontScale);
        long w = 2;
        if (number.whole)
          w = RoundHalfUp(static_cast<double>(h) * 0.6);
        else
          ReportIniLineError(run, MessageId::NumberExpected);
        def.IpfFace += " size=" + std::to_string(h) + "x" + std::to_string(w);
      }
      if (n < 200) {
        if (!ContainsText(markup, "size=")) {
          if (relative && n >= 0) {
            markup += " size=+" + std::to_string(n);
          } else if (relative) {
            markup += " size=" + std::to_string(n);
          } else {
            // Sizes below 5 points have no square root; they get the smallest
            // HTML size.
            long m = n;
            if (!sizesAsWritten)
              m = n >= 5 ? RoundHalfUp(std::sqrt(static_cast<double>(n - 5))) : 1;
            markup += " size=" + std::to_string(m);
          }
        }
        def.LastSizeValue = static_cast<std::int16_t>(n);
      }
      continue;
    }
    if (ContainsText(lower, ":")) {
      std::string name = lower;
      name[name.find(':')] = ' ';
      for (char& c : name)
        if (c == '_') c = ' ';
      def.RtfFontName = name;
      if (ContainsText(lower, "fswiss"))
        def.RtfFamily = 1;
      else if (ContainsText(lower, "froman"))
        def.RtfFamily = 2;
      else if (ContainsText(lower, "fmodern"))
        def.RtfFamily = 3;
      continue;
    }
    // Any other word is an IPF face name.
    std::string face = word;
    face[0] = static_cast<char>(
        platform::to_upper(platform::CodePage::cp850, static_cast<std::uint8_t>(face[0])));
    const std::size_t underscore = face.find('_');
    if (underscore != std::string::npos) {
      face[underscore] = ' ';
      face = "'" + face + "'";
    }
    def.IpfFace += " facename=" + face;
  }

  if (!ContainsText(def.IpfColor, "fc=")) def.IpfColor += " fc=default";
  if (!ContainsText(def.IpfColor, "bc=")) def.IpfColor += " bc=default";
  if (!ContainsText(def.IpfFace, "size=")) def.IpfFace += " size=0x0";
  if (!ContainsText(def.IpfFace, "facename=")) def.IpfFace += " facename=default";
  def.HtmlMarkup = "<font" + markup + ">";
  if (def.RtfFontName.empty()) def.RtfFontName = "fnil";
  run.IniValues.FontDefs[index] = def;
}

void CheckFontDefinition(FoundationRun& run, char fontLetter) {
  const IniValueTables kept = run.IniValues;
  ParseFontDefinition(run, fontLetter);
  run.IniValues = kept;
}

void ParseButtonFunctions(FoundationRun& run, std::string_view list, int group) {
  if (group < 0 || group >= kButtonGroups) return;
  IniValueTables& t = run.IniValues;
  auto& entries = t.ButtonTable[group];
  for (TButtonEntry& entry : entries) {
    entry.Key = 0;
    entry.Name.clear();
    entry.Flags = 0;
  }
  const std::vector<std::string> words = SplitWords(LowerCaseCp850(list));
  std::uint8_t nextCode = 8;
  t.LastButtonCode = 7;
  struct KeyRow {
    const char* name;
    std::uint8_t key;
  };
  static const KeyRow kKeys[] = {{"back", 1},  {"forward", 2}, {"content", 3},
                                 {"index", 4}, {"homef", 6},   {"max", 7}};
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i >= entries.size()) {
      WriteMessage(run, MessageId::TooManyButtons, true);
      break;
    }
    TButtonEntry& entry = entries[i];
    entry.Name = words[i];
    entry.Key = 0;
    for (const KeyRow& row : kKeys)
      if (words[i] == row.name) entry.Key = row.key;
    if (entry.Key == 0) {
      entry.Key = nextCode;
      t.LastButtonCode = nextCode;
      ++nextCode;
    }
    entry.Flags = 0;
    if (words[i] == "homef" && run.Ini.DefaultFrame != run.Ini.ContentsFrame &&
        run.Ini.DefaultFrame != "_top")
      t.HomeButtonInFrame = true;
  }
}

void ParseButtonTexts(FoundationRun& run, std::string_view list, int group) {
  if (group < 0 || group >= kButtonGroups) return;
  auto& entries = run.IniValues.ButtonTable[group];
  for (TButtonEntry& entry : entries) entry.Text.clear();
  const std::vector<std::string> words = SplitWords(list);
  const std::size_t count = std::min(words.size(), entries.size());
  for (std::size_t i = 0; i < count; ++i) entries[i].Text = words[i];
  bool mismatch = words.size() > entries.size();
  if (count > 0) {
    if (count < entries.size() && entries[count].Key != 0 && entries[count].Text.empty())
      mismatch = true;
    if (!entries[count - 1].Text.empty() && entries[count - 1].Key == 0) mismatch = true;
  }
  if (mismatch) WriteMessage(run, MessageId::ButtonTextsAndFunctionsDiffer, true);
}

void ParseTextTemplate(std::string_view text, TTemplateText& templ) {
  if (text == "NO") {
    templ.Text.clear();
    return;
  }
  templ.Text = std::string(text);
  const auto position = [&](std::string_view placeholder) -> std::uint8_t {
    const std::size_t at = text.find(placeholder);
    // Positions are bytes; a text of the ini file has at most 255 characters.
    return at == std::string_view::npos || at + 1 > 255 ? 0 : static_cast<std::uint8_t>(at + 1);
  };
  templ.DocTitlePos = position("DOCTITLE");
  templ.HeadingPos = position("HEADING");
  templ.FileNamePos = position("FILENAME");
}

void SplitFontSuffix(std::string_view value, std::uint8_t& fontLetter, std::string& text) {
  static constexpr std::string_view kMarker = "(Font ";
  const std::size_t at = value.find(kMarker);
  const std::size_t letterAt = at + kMarker.size();
  if (at != std::string_view::npos && letterAt < value.size()) {
    const char letter = value[letterAt];
    if ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) {
      text = std::string(value.substr(0, at));
      if (!text.empty() && text.back() == ' ') text.pop_back();
      fontLetter = static_cast<std::uint8_t>(letter);
      return;
    }
  }
  text = std::string(value);
  fontLetter = '@';
}

void BuildWordCharTable(std::array<bool, 256>& table, std::string_view extendedLetters) {
  for (int c = 0; c < 256; ++c)
    table[c] = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  for (char c : extendedLetters) table[static_cast<std::uint8_t>(c)] = true;
}

void BuildWordCharTable(FoundationRun& run) {
  BuildWordCharTable(run.IniValues.IsWordChar, run.Ini.ExtendedLetters);
}

}  // namespace skeldon
