#include "formatter/fonts/fonts_ini.h"

#include <algorithm>
#include <limits>

#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "formatter/common/notifications.h"
#include "formatter/common/text_services.h"
#include "platform/files.h"

namespace tavrel {

namespace {

struct NamedColour {
  const char* Name;
  std::uint8_t R, G, B;
};

constexpr NamedColour kColourNames[16] = {
    {"BLACK", 0, 0, 0},       {"GREEN", 0, 128, 0},    {"SILVER", 192, 192, 192},
    {"LIME", 0, 255, 0},      {"GRAY", 128, 128, 128}, {"OLIVE", 128, 128, 0},
    {"WHITE", 255, 255, 255}, {"YELLOW", 255, 255, 0}, {"MAROON", 128, 0, 0},
    {"NAVY", 0, 0, 128},      {"RED", 255, 0, 0},      {"BLUE", 0, 0, 255},
    {"PURPLE", 128, 0, 128},  {"TEAL", 0, 128, 128},   {"FUCHSIA", 255, 0, 255},
    {"AQUA", 0, 255, 255},
};

// A whole word as a signed integer (optional sign, then digits only).
bool ReadInteger(std::string_view text, long long& value) {
  if (text.empty() || text.size() > 18) return false;
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

// A number word read as a real: signs and digits only, so an integer with one leading sign.
double ReadSize(std::string_view word) {
  long long v = 0;
  return ReadInteger(word, v) ? static_cast<double>(v) : 0.0;
}

std::uint8_t ReadCorrection(std::string_view word) {
  long long v = 0;
  if (!ReadInteger(word, v) || v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max())
    return 0;
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(v)) &
                                   0xFFu);
}

void AppendFaceWord(TFontEntry& entry, std::string_view word) {
  std::string name = entry.FaceName.Str();
  if (!name.empty()) name += ' ';
  name += word;
  entry.FaceName.Assign(name);
}

// A number with a decimal point or comma ("10.5", "10,5"): meant as a size, but not one that
// reads; it must not end up in the face name, where it would only make the font unknown.
bool IsDecimalWord(std::string_view word) {
  if (!word.empty() && (word[0] == '+' || word[0] == '-')) word.remove_prefix(1);
  const std::size_t mark = word.find_first_of(".,");
  if (mark == std::string_view::npos || mark == 0 || mark + 1 == word.size()) return false;
  const auto digits = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return digits(word.substr(0, mark)) && digits(word.substr(mark + 1));
}

// Applies the words after "=" to one font number's printer entry (and, after "//", its
// preview entry). Returns whether the line had a preview part.
bool ApplyFontWords(const WordList& words, TFontEntry& printerEntry, TFontEntry& previewEntry) {
  TFontEntry* target = &printerEntry;
  int numbers = 0;
  bool preview = false;
  for (std::size_t i = 3; i < words.size() && !words[i].empty(); ++i) {
    const std::string& word = words[i];
    std::int32_t colour = 0;
    if (word == "//") {
      target = &previewEntry;
      numbers = 0;
      preview = true;
    } else if (FontColorFromName(word, colour)) {
      target->Colour = colour;
    } else if (IsNumberWord(word) || IsDecimalWord(word)) {
      if (numbers == 0)
        target->Size = IsNumberWord(word) ? ReadSize(word) : 0.0;
      else if (IsNumberWord(word))
        target->WidthCorrection = ReadCorrection(word);
      ++numbers;
    } else {
      AppendFaceWord(*target, word);
    }
  }
  return preview;
}

// A defined entry whose size did not read as at least 1 point gets the fallback size; true
// when it had to.
bool MendUnreadableSize(TFontEntry& entry, double fallback) {
  if (entry.FaceName.Empty() || entry.Size >= 1) return false;
  entry.Size = fallback;
  return true;
}

void AddStyleSuffix(TFontEntry& entry, std::string_view suffix, std::string_view unlessContains) {
  if (UpperCaseCp850(entry.FaceName.Str()).find(unlessContains) != std::string::npos) return;
  entry.FaceName.Assign(entry.FaceName.Str() + std::string(suffix));
}

}  // namespace

bool FontColorFromName(std::string_view word, std::int32_t& colour) {
  const std::string upper = UpperCaseCp850(word);
  for (const NamedColour& c : kColourNames) {
    if (upper == c.Name) {
      colour = c.R * 65536 + c.G * 256 + c.B;
      return true;
    }
  }
  const std::size_t first = word.find(':');
  if (first == std::string_view::npos) return false;
  const std::size_t second = word.find(':', first + 1);
  if (second == std::string_view::npos || word.find(':', second + 1) != std::string_view::npos)
    return false;
  long long r = 0, g = 0, b = 0;
  if (!ReadInteger(word.substr(0, first), r) ||
      !ReadInteger(word.substr(first + 1, second - first - 1), g) ||
      !ReadInteger(word.substr(second + 1), b))
    return false;
  // Red is kept to a byte like green and blue, so a large value cannot spill into the top byte.
  colour = static_cast<std::int32_t>((r & 0xFF) * 65536 + (g & 0xFF) * 256 + (b & 0xFF));
  return true;
}

double DefaultFontSize(int fontNumber) {
  if (fontNumber < 1 || fontNumber > kFontCount) return 12;
  const int letter = (fontNumber - 1) % 52 + 1;  // the variants add 52, 104 and 156
  // The generated file gives each family its letters up to the next family's first one.
  for (std::size_t g = 0; g < std::size(kStandardFontGroups); ++g) {
    const StandardFontGroup& group = kStandardFontGroups[g];
    const int sizes = (group.LargestSize - 8) / 2 + 1;
    int end = group.FirstFont + sizes;
    if (g + 1 < std::size(kStandardFontGroups))
      end = std::min(end, kStandardFontGroups[g + 1].FirstFont);
    if (letter >= group.FirstFont && letter < end) return 8 + 2 * (letter - group.FirstFont);
  }
  return 12;
}

bool IsNumberWord(std::string_view word) {
  for (char c : word)
    if (!((c >= '0' && c <= '9') || c == '+' || c == '-')) return false;
  return true;
}

std::string UpperCaseCp850(std::string_view text) {
  std::string r(text);
  for (char& ch : r) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z')
      ch = static_cast<char>(c - 'a' + 'A');
    else if (c == 0x84)
      ch = static_cast<char>(0x8E);
    else if (c == 0x94)
      ch = static_cast<char>(0x99);
    else if (c == 0x81)
      ch = static_cast<char>(0x9A);
  }
  return r;
}

std::string ParseFontDefinitionText(std::string_view text, FontDefinitionTables& tables) {
  tables.PrinterFonts = MakeEmptyPrinterData();
  tables.PreviewFonts = MakeEmptyPrinterData();
  tables.AutoVariant.fill(0);
  tables.UnreadableSizes.clear();
  bool autoItalicBold = true;
  std::string duplicates;

  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() >= 2 && line[0] == '.' && line[1] == '.') continue;

    WordList words;
    SplitLineIntoWords(line, words, 1);
    const std::string keyword = UpperCaseCp850(words[0]);

    if (keyword == "AUTOITALICBOLD" && words[1] == "=") {
      const std::string value = UpperCaseCp850(words[2]);
      autoItalicBold = value == "YES" || value == "ON";
      continue;
    }
    if (keyword != "FONT" || words[2] != "=") continue;

    const std::string& fontName = words[1];
    // A font name that does not start with a letter names no font; the line is ignored.
    const int n = fontName.empty() ? 0 : FontSpecToNumber(fontName.substr(0, 2));
    if (n < 1 || n > kFontCount) continue;

    TFontEntry& printer = tables.PrinterFonts->Fonts[n - 1];
    if (!printer.FaceName.Empty()) {
      duplicates += fontName + " ";
      printer.FaceName.Assign("");
    }
    const bool expand = autoItalicBold && fontName.size() == 1;
    tables.AutoVariant[static_cast<std::size_t>(n - 1)] = expand ? 1 : 0;

    TFontEntry& previewEntry = tables.PreviewFonts->Fonts[n - 1];
    const bool preview = ApplyFontWords(words, printer, previewEntry);
    bool unreadable = MendUnreadableSize(printer, DefaultFontSize(n));
    // A preview part without a size of its own shows the printer's size.
    if (preview)
      unreadable = MendUnreadableSize(previewEntry, printer.Size) || unreadable;
    else
      previewEntry = printer;
    if (unreadable) {
      const std::size_t from = line.find(fontName);
      tables.UnreadableSizes += std::string(line.substr(from == std::string_view::npos ? 0 : from));
      tables.UnreadableSizes += "\r\n";
    }

    if (!expand) continue;
    struct Variant {
      char Mark;
      const char* Suffix;
      const char* UnlessContains;
    };
    static constexpr Variant kVariants[3] = {
        {'\'', " Italic", "ITALIC"}, {'"', " Bold", "BOLD"}, {'&', " Bold Italic", "BOLD"}};
    for (const Variant& v : kVariants) {
      const int m = FontCharToNumber(fontName[0], v.Mark);
      if (m < 1 || m > kFontCount) continue;
      TFontEntry& vp = tables.PrinterFonts->Fonts[m - 1];
      TFontEntry& vv = tables.PreviewFonts->Fonts[m - 1];
      ApplyFontWords(words, vp, vv);
      MendUnreadableSize(vp, DefaultFontSize(m));
      if (preview) MendUnreadableSize(vv, vp.Size);
      AddStyleSuffix(vp, v.Suffix, v.UnlessContains);
      if (preview)
        AddStyleSuffix(vv, v.Suffix, v.UnlessContains);
      else
        vv = vp;
    }
  }
  return duplicates;
}

std::string FontDefinitionFilePath(const std::string& programDirectory) {
  return JoinPath(programDirectory, "Fonts.ini");
}

void EnsureFontDefinitionFile(bool force, const std::string& programDirectory,
                              std::uint8_t language, MessageBoxes* boxes,
                              MainNotifier& mainWindow) {
  if (!force) {
    if (FileExistsByOpen(FontDefinitionFilePath(programDirectory))) return;
    if (boxes)
      boxes->ShowMessageBox(MessageText(language, MessageId::kFontDefinitionFileCreated),
                            kBoxInformation);
  }
  mainWindow.Send(MN_WRITE_FONT_DEFINITION, 0);
}

FontDefinitionRead ReadFontDefinitionFile(FontDefinitionTables& tables,
                                          const FontDefinitionContext& ctx) {
  const std::string path = FontDefinitionFilePath(ctx.ProgramDirectory);
  // The file is recreated at most once per call: a writer that produced duplicates again
  // would otherwise make this loop for ever.
  bool recreated = false;
  for (;;) {
    const platform::ReadResult file = platform::read_file(path);
    if (!file.ok()) {
      tables.PrinterFonts = MakeEmptyPrinterData();
      tables.PreviewFonts = MakeEmptyPrinterData();
      tables.AutoVariant.fill(0);
      if (ctx.ReportFatalOutputError) {
        const MessageTexts texts = ComposeMessage(MessageId::kFontDefinitionFileNotFound);
        ctx.ReportFatalOutputError(1, texts.German, texts.English);
      }
      return FontDefinitionRead::NotFound;
    }
    const std::string text(file.bytes.begin(), file.bytes.end());
    const std::string duplicates = ParseFontDefinitionText(text, tables);
    if (!tables.UnreadableSizes.empty() && ctx.Boxes)
      ctx.Boxes->ShowMessageBox(
          ShowMessage(ctx.Language,
                      ComposeMessage(MessageId::kFontSizesUnreadable, {tables.UnreadableSizes})),
          kBoxError);
    if (duplicates.empty()) return FontDefinitionRead::Ok;

    if (!recreated && ctx.VersionStamp < 991 && ctx.EnsureFontDefinitionFile) {
      if (ctx.Boxes)
        ctx.Boxes->ShowMessageBox(
            MessageText(ctx.Language, MessageId::kFontDefinitionFileRecreatedAfterBug),
            kBoxInformation);
      const std::string old = ChangeFileExtension(path, "OLD");
      platform::erase_file(old);
      platform::rename_file(file.path.empty() ? path : file.path, old);
      ctx.EnsureFontDefinitionFile(true);
      recreated = true;
      continue;
    }
    if (ctx.Boxes) {
      ctx.Boxes->ShowMessageBox(
          ShowMessage(ctx.Language,
                      ComposeMessage(MessageId::kFontLettersDeclaredTwice, {duplicates})),
          kBoxError);
      if (!recreated && ctx.EnsureFontDefinitionFile &&
          ctx.Boxes->AskMessageBox(
              MessageText(ctx.Language, MessageId::kAskRecreateFontDefinitionFile),
              kBoxConfirmation, BoxButtons::YesNo) == kAnswerYes) {
        ctx.EnsureFontDefinitionFile(true);
        recreated = true;
        continue;
      }
    }
    return FontDefinitionRead::Duplicates;
  }
}

}  // namespace tavrel
