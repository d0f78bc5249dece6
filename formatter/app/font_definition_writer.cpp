#include "formatter/app/font_definition_writer.h"

#include <array>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/fonts/fonts_ini.h"
#include "formatter/fonts/printer_data.h"
#include "platform/files.h"

namespace tavrel {

namespace {

constexpr int kLastWrittenFont = 52;  // "z": the writer uses the plain letters only
constexpr int kAdditionalLetters = 26;

std::string Upper(const std::string& s) { return MakeUpperCase(s); }

class Writer {
 public:
  Writer(const std::vector<std::string>& fonts, std::uint8_t language)
      : fonts_(fonts), language_(language) {}

  void Line(const std::string& text) { out_ += text + "\r\n"; }
  // The file is code page 850 text: the catalogue's text as stored.
  std::string Text(MessageId id, MessageArgs args = {}) const {
    return MessageSource(language_, id, args);
  }

  bool AddStandardFontIfPresent(const std::string& candidate) {
    for (const std::string& font : fonts_) {
      if (Upper(StripFontStyleWords(font)) != Upper(candidate)) continue;
      WriteFontSizeEntries(candidate);
      standards_.push_back(candidate);
      return true;
    }
    return false;
  }

  void WriteFontSizeEntries(const std::string& name) {
    for (int size = 8; size <= largest_ && next_ < kLastWrittenFont + 1; size += 2) {
      Line("Font " + FontNumberToSpec(static_cast<std::uint8_t>(next_)) + " = " + name + " " +
           std::to_string(size));
      ++next_;
    }
  }

  // Case-sensitive on purpose: only the exact standard names written are left out.
  bool IsNotUsedStandardFont(const std::string& name) const {
    const std::string plain = StripFontStyleWords(name);
    for (const std::string& s : standards_)
      if (s == plain) return false;
    return true;
  }

  bool IsAdditional(const std::string& name) const {
    return Upper(name).find("PITCH") == std::string::npos && IsNotUsedStandardFont(name);
  }

  std::string out_;
  const std::vector<std::string>& fonts_;
  std::uint8_t language_;
  int next_ = 1;
  int largest_ = 0;
  std::vector<std::string> standards_;
};

}  // namespace

std::string StripFontStyleWords(const std::string& name) {
  std::string result = name;
  for (const char* word : {" ITALIC", " BOLD"}) {
    const std::string w = word;
    for (;;) {
      const std::size_t at = Upper(result).find(w);
      if (at == std::string::npos) break;
      result.erase(at, w.size());
    }
  }
  return result;
}

std::string BuildFontDefinitionText(const std::string& printerName,
                                    const std::vector<std::string>& printerFonts,
                                    std::uint8_t language,
                                    const std::function<void(const std::string&)>& info) {
  Writer w(printerFonts, language);
  w.Line(w.Text(MessageId::kFontFilePrinterLine, {printerName}));
  w.Line("");
  w.Line(w.Text(MessageId::kFontFileEverySystem));
  for (const StandardFontGroup& group : kStandardFontGroups) {
    w.next_ = group.FirstFont;
    w.largest_ = group.LargestSize;
    bool found = false;
    for (const char* candidate : group.Candidates)
      if (candidate && w.AddStandardFontIfPresent(candidate)) {
        found = true;
        break;
      }
    if (!found && info) info(MessageText(language, group.Missing));
  }
  w.Line("");
  w.Line(w.Text(MessageId::kFontFileOwnDefinitions));
  w.Line("");
  w.Line("");
  w.Line("");
  w.Line(w.Text(MessageId::kFontFileAdditionalFonts));
  w.Line(w.Text(MessageId::kFontFileModifyThem));

  int additional = 0;
  for (const std::string& font : printerFonts)
    if (w.IsAdditional(font)) ++additional;
  if (additional > kAdditionalLetters) additional = kAdditionalLetters;

  int number = kLastWrittenFont - additional + 1;
  std::size_t i = 0;
  // The additional fonts take the last letters up to "z"; the loop ends with the one that got it.
  for (; i < printerFonts.size() && additional > 0; ++i) {
    if (!w.IsAdditional(printerFonts[i])) continue;
    w.Line("Font " + FontNumberToSpec(static_cast<std::uint8_t>(number)) + " = " + printerFonts[i] +
           " 12");
    if (number == kLastWrittenFont) {
      ++i;
      break;
    }
    ++number;
  }
  bool first = true;
  for (; i < printerFonts.size() && additional == kAdditionalLetters; ++i) {
    if (!w.IsAdditional(printerFonts[i])) continue;
    if (first) {
      w.Line("");
      w.Line(w.Text(MessageId::kFontFileInactiveFonts));
      first = false;
    }
    w.Line("..Font ? = " + printerFonts[i] + " 12");
  }
  return w.out_;
}

bool WriteFontDefinitionFile(const std::string& programDirectory, const std::string& printerName,
                             const std::vector<std::string>& printerFonts, std::uint8_t language,
                             const std::function<void(const std::string&)>& info) {
  const std::string text = BuildFontDefinitionText(printerName, printerFonts, language, info);
  return platform::replace_file_atomic(FontDefinitionFilePath(programDirectory), text) ==
         platform::FileError::none;
}

std::string BuildFontDemoText(const TPrinterDataRecord& printerFonts, std::uint8_t language) {
  // The sample words between the bold and italic toggles of a formatted file.
  const std::string b(1, static_cast<char>(kBoldToggle)), i(1, static_cast<char>(kItalicToggle));
  const std::string samples = b + MessageSource(language, MessageId::kFontDemoBold) + b + " " + i +
                              MessageSource(language, MessageId::kFontDemoItalic) + i + " " + b +
                              i + MessageSource(language, MessageId::kFontDemoBoldItalic) + i + b;
  std::string out = MessageSource(language, MessageId::kFontDemoTitle) + "\r\n";
  out += ".LH12\r\n";
  for (int n = 1; n <= kLastWrittenFont; ++n) {
    const TFontEntry& entry = printerFonts.Fonts[n - 1];
    if (entry.FaceName.Empty()) continue;
    const std::string fontName = FontNumberToSpec(static_cast<std::uint8_t>(n));
    out += ".SF" + fontName + "\r\n";
    out += "Font " + fontName + ": " + entry.FaceName.Str() + " " + samples + "\r\n";
  }
  return out;
}

bool WriteFontDemoFile(const std::string& programDirectory, const TPrinterDataRecord& printerFonts,
                       std::uint8_t language) {
  return platform::replace_file_atomic(JoinPath(programDirectory, "Fontdemo.fmt"),
                                       BuildFontDemoText(printerFonts, language)) ==
         platform::FileError::none;
}

}  // namespace tavrel
