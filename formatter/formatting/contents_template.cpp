#include "formatter/formatting/contents_template.h"

#include <algorithm>

#include "formatter/common/file_services.h"
#include "formatter/common/formatted_file.h"
#include "formatter/common/messages.h"
#include "formatter/common/run_messages.h"
#include "formatter/formatting/formatted_writer.h"
#include "platform/files.h"

namespace tavrel {
namespace {

// Level texts are stored behind the three default characters, so that a level the template
// does not define still points at CR, LF and a blank.
constexpr std::int32_t kFirstLevelPosition = 3;

// Ends the reading of a template that cannot go on (reported already).
struct StopReading {};

std::uint8_t LowerAscii(std::uint8_t c) {
  return c >= 'A' && c <= 'Z' ? static_cast<std::uint8_t>(c + 32) : c;
}

class TemplateParser {
 public:
  TemplateParser(HeadingsTemplate& tpl, TemplateCharReader& reader, RunMessages& messages,
                 std::string_view name)
      : t_(tpl), r_(reader), m_(messages), name_(name) {}

  void Run() {
    t_.Position = 10;
    if (!r_.AtEnd()) SkipToLevelSection();
    t_.Position = kFirstLevelPosition;
    base_ = kFirstLevelPosition;
    while (!r_.AtEnd()) ReadSection(level_);
  }

 private:
  std::uint8_t& At(std::int32_t pos) {
    return t_.TemplateText[static_cast<std::size_t>(std::clamp(pos, 0, 1000))];
  }

  [[noreturn]] void UnexpectedEnd() {
    m_.ReportFormatError(m_.Text(MessageId::kUnexpectedEndOfFile, {t_.ReaderFileName}));
    m_.InterruptFormatJob();
    throw StopReading{};
  }

  std::uint8_t Append() {
    if (r_.AtEnd()) UnexpectedEnd();
    if (t_.Position >= static_cast<std::int32_t>(kTemplateTextSize)) {
      m_.ReportFormatError(m_.Text(MessageId::kHeadingsFileTooLong, {name_}));
      m_.InterruptFormatJob();
      throw StopReading{};
    }
    ++t_.Position;
    const std::uint8_t c = r_.ReadTemplateChar();
    At(t_.Position) = c;
    return c;
  }

  // Blanks of part texts become hard spaces.
  std::uint8_t AppendHard() {
    std::uint8_t c = Append();
    if (c == ' ') c = At(t_.Position) = kColumnMark;
    return c;
  }

  bool EndsWith(std::string_view word) const {
    const std::int32_t n = static_cast<std::int32_t>(word.size());
    if (t_.Position - n + 1 < 1) return false;
    for (std::int32_t i = 0; i < n; ++i)
      if (LowerAscii(t_.TemplateText[t_.Position - n + 1 + i]) !=
          LowerAscii(static_cast<std::uint8_t>(word[i])))
        return false;
    return true;
  }

  void SkipToLevelSection() {
    base_ = t_.Position;
    bool header = false;
    bool figures = false;
    while (!r_.AtEnd()) {
      Append();
      if (EndsWith("Rang\r") || EndsWith("Ebene\r") || EndsWith("Level\r")) {
        header = true;
        break;
      }
      if (EndsWith("..Abbi")) {
        figures = true;
        break;
      }
    }
    if (header) {
      while (t_.Position > base_ && !(At(t_.Position) >= '0' && At(t_.Position) <= '9'))
        --t_.Position;
      // A header without a digit, or with 0, names no level: its section is read and dropped.
      level_ = t_.Position > base_ ? At(t_.Position) - '0' : 0;
    } else {
      level_ = 10;
    }
    (void)figures;
    if (!r_.AtEnd()) {
      do {
        --t_.Position;
      } while (t_.Position > base_ &&
               !(At(t_.Position - 1) == kCarriageReturn && At(t_.Position) == kLineFeed));
      if (t_.Position < base_) t_.Position = base_;
      while (!r_.AtEnd() && r_.ReadRawByte() != kLineFeed) {}
    }
  }

  void NumberingError(int level) {
    if (errorReported_) return;
    errorReported_ = true;
    m_.AddMessagePrefix(m_.Text(MessageId::kHeadingsFileErrorAtLevel, {std::to_string(level)}));
    m_.ReportFormatError(m_.Text(MessageId::kHeadingsNumberingHint));
    m_.InterruptFormatJob();
  }

  void ReadSection(int level) {
    errorReported_ = false;
    LevelTemplate& lt = t_.LevelTemplates[level];
    LevelNumberingEntry& ln = t_.LevelNumbering[level];
    std::uint8_t c = Append();
    lt.Parts[0].First = t_.Position;

    if (level == 10) {
      while (c != '1' && !r_.AtEnd()) c = Append();
      if (c != '1') UnexpectedEnd();
      lt.Parts[0].Last = t_.Position - 1;
      --t_.Position;
      if (!r_.AtEnd()) Append();
    } else {
      if (c == ' ') c = At(t_.Position) = kColumnMark;
      // The section's first character stands at a line start.
      std::uint8_t before = kLineFeed;
      while (!(c == ')' || (c == '.' && before != kLineFeed))) {
        if (r_.AtEnd()) UnexpectedEnd();  // the file ends inside the number
        before = c;
        c = AppendHard();
      }
      ln.NumberSeparatorFlag = c == ')' ? 1 : 0;
      std::int32_t stylePos = t_.Position - 1;
      const std::uint8_t styleChar = At(stylePos);
      switch (styleChar) {
        case '1':
          ln.NumberingStyle = 1;
          break;
        case 'I':
          ln.NumberingStyle = 2;
          break;
        case 'A':
          ln.NumberingStyle = 3;
          break;
        case 'a':
          ln.NumberingStyle = 4;
          if (stylePos - 1 >= lt.Parts[0].First && At(stylePos - 1) == 'a') {
            ln.NumberingStyle = 5;
            --stylePos;
          }
          break;
        case 0xE0:
          ln.NumberingStyle = 6;
          break;
        default:
          ln.NumberingStyle = 0;
          NumberingError(level);
          break;
      }
      lt.Parts[0].Last = stylePos - 1;
      t_.Position = stylePos - 1;

      int count = 0;
      while (!r_.AtEnd()) {
        c = Append();
        ++count;
        if (c != '1' && c != '.' && c != ')') break;
      }
      if (count > 1) {
        if (ln.NumberingStyle == 1)
          ln.NumberingStyle = 0;
        else
          NumberingError(level);
        ln.NumberSeparatorFlag = count % 2 == 0 ? 1 : 0;
      }
      if (At(t_.Position) == ' ') At(t_.Position) = kColumnMark;
    }

    lt.Parts[1].First = t_.Position;
    for (;;) {
      if (r_.AtEnd()) UnexpectedEnd();  // the file ends inside the heading text
      AppendHard();
      if (EndsWith("XXX")) {
        t_.Position -= 3;
        lt.Parts[1].Last = t_.Position;
        break;
      }
      if (EndsWith("HEADING")) {
        t_.Position -= 7;
        lt.Parts[1].Last = t_.Position;
        break;
      }
    }
    if (!r_.AtEnd()) Append();
    lt.Parts[2].First = t_.Position;
    SkipToLevelSection();
    lt.Parts[2].Last = t_.Position;
  }

  HeadingsTemplate& t_;
  TemplateCharReader& r_;
  RunMessages& m_;
  std::string_view name_;
  std::int32_t base_ = 0;
  int level_ = 10;
  bool errorReported_ = false;
};

}  // namespace

std::string GetHeadingsTemplateName(std::uint8_t language) {
  return MessageSource(language, MessageId::kHeadingsFileName);
}

bool TemplateCharReader::AtEnd() const {
  if (pendingLf_) return false;
  return pos_ >= data_.size() || static_cast<std::uint8_t>(data_[pos_]) == kEndOfFileMark;
}

std::uint8_t TemplateCharReader::NextByte() {
  if (pendingLf_) {
    pendingLf_ = false;
    last_ = kLineFeed;
    return kLineFeed;
  }
  if (pos_ >= data_.size()) return kEndOfFileMark;
  const auto b = static_cast<std::uint8_t>(data_[pos_++]);
  if (b == kLineFeed && last_ != kCarriageReturn) {
    pendingLf_ = true;
    last_ = kCarriageReturn;
    return kCarriageReturn;
  }
  last_ = b;
  return b;
}

std::uint8_t TemplateCharReader::ReadRawByte() { return NextByte(); }

std::uint8_t TemplateCharReader::ReadTemplateChar() {
  if (AtEnd()) return kEndOfFileMark;
  std::uint8_t b = NextByte();
  while (b == kTagMark) {
    const std::uint8_t t1 = NextByte();
    const std::uint8_t t2 = NextByte();
    std::uint8_t p2 = t1;
    std::uint8_t p1 = t2;
    for (;;) {
      if (pos_ >= data_.size() && !pendingLf_) return kEndOfFileMark;
      const std::uint8_t x = NextByte();
      if (x == kTagMark && p2 == t1 && p1 == t2) break;
      p2 = p1;
      p1 = x;
    }
    if (t1 == kAlternateFontTag) {
      b = kAlternateFont;
      break;
    }
    if (AtEnd()) return kEndOfFileMark;
    b = NextByte();
  }
  b &= 0x7F;
  if (b == kEscape) {
    b = NextByte();
    NextByte();
  }
  return b;
}

void ParseHeadingsTemplate(HeadingsTemplate& tpl, std::string_view fileName, std::string data,
                           RunMessages& messages) {
  tpl.ReaderFileName = std::string(fileName.substr(0, 12));
  tpl.TemplateText[1] = kCarriageReturn;
  tpl.TemplateText[2] = kLineFeed;
  tpl.TemplateText[3] = ' ';
  for (int level = 0; level <= kTemplateLevels; ++level) {
    tpl.LevelTemplates[level].Parts[0] = {2, 1};
    tpl.LevelTemplates[level].Parts[1] = {3, 3};
    tpl.LevelTemplates[level].Parts[2] = {1, 2};
    if (level < kTemplateLevels) tpl.LevelNumbering[level] = {0, 0};
  }
  TemplateCharReader reader(std::move(data));
  TemplateParser parser(tpl, reader, messages, fileName);
  try {
    parser.Run();
  } catch (const StopReading&) {
    // Reported and the run interrupted; the levels read so far stay.
  }
}

bool LoadHeadingsTemplate(HeadingsTemplate& tpl, std::uint8_t language, const FileContext& files,
                          RunMessages& messages) {
  tpl.HeadingsTemplateReload = 0;
  const std::string defaultName = GetHeadingsTemplateName(language);
  std::string name = tpl.HeadingsTemplateName;
  if (tpl.HeadingsTemplateName != defaultName && !LocateFile(name, files)) {
    messages.ReportFormatError(
        messages.Text(MessageId::kHeadingsFileReplaced, {tpl.HeadingsTemplateName, defaultName}));
    name = defaultName;
  }
  if (!LocateFile(name, files)) {
    messages.ReportFormatError(messages.Text(MessageId::kFileNotFound, {tpl.HeadingsTemplateName}));
    messages.InterruptFormatJob();
    return false;
  }
  platform::ReadResult file = platform::read_file(name);
  if (!file.ok()) {
    messages.ReportFormatError(
        messages.Text(MessageId::kHeadingsFileNotOpened, {tpl.HeadingsTemplateName}));
    messages.InterruptFormatJob();
    return false;
  }
  ParseHeadingsTemplate(tpl, tpl.HeadingsTemplateName,
                        std::string(file.bytes.begin(), file.bytes.end()), messages);
  return true;
}

std::string TemplatePartText(const HeadingsTemplate& tpl, int level, int part) {
  std::string out;
  if (level < 1 || level > kTemplateLevels || part < 0 || part > 2) return out;
  const TemplatePart& p = tpl.LevelTemplates[level].Parts[part];
  const std::int32_t first = std::max(p.First, 1);
  const std::int32_t last = std::min<std::int32_t>(p.Last, kTemplateTextSize);
  for (std::int32_t i = first; i <= last; ++i)
    if (tpl.TemplateText[i] != kLineFeed) out.push_back(static_cast<char>(tpl.TemplateText[i]));
  return out;
}

std::string RomanNumber(std::int32_t n) {
  if (n <= 0 || n > 3999) return std::to_string(n);
  static constexpr struct {
    int value;
    const char* text;
  } kRoman[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
                {90, "XC"},  {50, "L"},   {40, "XL"}, {10, "X"},   {9, "IX"},
                {5, "V"},    {4, "IV"},   {1, "I"}};
  std::string out;
  for (const auto& r : kRoman)
    while (n >= r.value) {
      out += r.text;
      n -= r.value;
    }
  return out;
}

namespace {

std::string Letter(std::int32_t n, char first) {
  if (n < 1 || n > 26) return " ";
  return std::string(1, static_cast<char>(first + n - 1));
}

}  // namespace

std::string FormatHeadingNumber(const HeadingsTemplate& tpl, int level,
                                const std::int32_t numbers[9]) {
  if (level < 1 || level > 9) return std::string();
  const LevelNumberingEntry& ln = tpl.LevelNumbering[level];
  const std::int32_t n = numbers[level - 1];
  std::string out;
  switch (ln.NumberingStyle) {
    case 0:
      for (int i = 0; i < level; ++i) out += (i ? "." : "") + std::to_string(numbers[i]);
      return out + (ln.NumberSeparatorFlag ? "" : ".");
    case 1:
      out = std::to_string(n);
      break;
    case 2:
      out = RomanNumber(n);
      break;
    case 3:
      out = Letter(n, 'A');
      break;
    case 4:
      out = Letter(n, 'a');
      break;
    case 5:
      // Level 1 has no level above: only its own letter.
      out = (level > 1 ? Letter(numbers[level - 2], 'a') : std::string()) + Letter(n, 'a');
      break;
    case 6: {
      static constexpr std::uint8_t kGreek[6] = {0xE0, 0xE1, 0x79, 0xEB, 0xEE, 0x7A};
      out = (n >= 1 && n <= 6) ? std::string(1, static_cast<char>(kGreek[n - 1])) : " ";
      break;
    }
    default:
      out = std::to_string(n);
      break;
  }
  return out + (ln.NumberSeparatorFlag ? ")" : ".");
}

}  // namespace tavrel
