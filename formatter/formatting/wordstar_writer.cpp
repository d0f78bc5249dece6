#include "formatter/formatting/wordstar_writer.h"

#include "formatter/common/message_boxes.h"
#include "formatter/common/messages.h"
#include "platform/files.h"

namespace tavrel {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kEsc = 27;
constexpr char kFs = 28;
constexpr char kSuperscript = 20;

bool ReadWholeNumber(const std::string& text, long& value) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;  // leading blanks are allowed, as in ".RM 60"
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    if (v < 100000000) v = v * 10 + (text[i] - '0');
  }
  value = negative ? -v : v;
  return true;
}

class WordStarWriter {
 public:
  WordStarWriter(bool wideLines, std::uint8_t indentChar)
      : wide_(wideLines),
        indent_(static_cast<char>(indentChar)),
        hasIndentChar_(indentChar != 0),
        width_(wideLines ? 250 : 78) {}

  std::string Convert(std::string_view text) {
    const std::size_t n = text.size();
    for (std::size_t k = 0; k < n; ++k) {
      const char c = text[k];
      line_.push_back(c);
      if (line_.size() == 1 && c == '.') dotLine_ = true;
      if (line_.size() == 2 && c == '.') dotLine_ = false;
      if (hasIndentChar_ && line_.size() < width_ && c == indent_) indentPos_ = line_.size();
      if (c == ' ' && k + 1 < n && text[k + 1] == kCr) noWrap_ = true;
      if (line_.size() > width_ && !dotLine_ && !noWrap_) {
        const std::size_t b = line_.rfind(' ');
        if (b != std::string::npos) {
          std::string rest = line_.substr(b + 1);
          line_.resize(b);
          WriteLine(false, line_);
          line_ = indentPos_ > 0 ? std::string(indentPos_, indent_) + rest : rest;
        } else {
          WriteLine(false, line_);
          line_.clear();
        }
      }
      if (c == kLf && k > 0 && text[k - 1] == kCr) {
        if (line_.size() > 1) line_.resize(line_.size() - 2);
        WriteLine(true, line_);
        indentPos_ = 0;
        line_.clear();
        noWrap_ = false;
      }
    }
    if (!line_.empty()) {
      lastLine_ = true;
      WriteLine(true, line_);
    }
    return std::move(out_);
  }

 private:
  void WriteLine(bool hardEnd, std::string& line) {
    if (!line.empty() && line[0] == '.' && !wide_ && line.size() >= 5 &&
        (line[1] == 'R' || line[1] == 'r') && (line[2] == 'M' || line[2] == 'm')) {
      long value = 0;
      if (ReadWholeNumber(line.substr(3, 199), value))
        width_ = value > 250 ? 250 : (value < 35 ? 35 : value);
    }
    if (hardEnd && !wide_ && !line.empty() && line.find('\xAF') == std::string::npos) {
      while (!line.empty() && (line.back() == ' ' || (hasIndentChar_ && line.back() == indent_)))
        line.pop_back();
    }
    const bool dotStart = !line.empty() && line[0] == '.';
    for (char c : line) {
      const auto u = static_cast<std::uint8_t>(c);
      if (hasIndentChar_ && c == indent_) {
        out_.push_back(dotStart ? ' ' : '\xA0');
      } else if (u == 0xAF) {
        out_.push_back('\0');
      } else if (u == 0xFD) {
        out_ += {kSuperscript, '2', kSuperscript};
      } else if (u == 0xFC) {
        out_ += {kSuperscript, '3', kSuperscript};
      } else if (u == 0xF0) {
        out_.push_back('\x1F');
      } else if (u == 0xF5) {
        out_ += {kEsc, '\x15', kFs};
      } else if (u > 127) {
        out_ += {kEsc, c, kFs};
      } else if (c == '\0' || c == kCr || c == kLf) {
        // line ends are written below
      } else {
        out_.push_back(c);
      }
    }
    if (!lastLine_) {
      const bool endsInBlank = !line.empty() && line.back() == ' ';
      if (hardEnd) {
        if (wide_ && endsInBlank)
          out_ += "\x8D\n";
        else
          out_ += "\r\n";
        commentContinues_ = false;
      } else {
        commentContinues_ =
            commentContinues_ || (line.size() >= 2 && line[0] == '.' && line[1] == '.');
        if (!endsInBlank) out_.push_back(' ');
        if (!commentContinues_) out_ += "\x8D\n";
      }
    }
    dotLine_ = false;
  }

  bool wide_;
  char indent_;
  bool hasIndentChar_;
  std::size_t width_;
  std::string line_;
  std::string out_;
  std::size_t indentPos_ = 0;
  bool dotLine_ = false;
  bool noWrap_ = false;
  bool commentContinues_ = false;
  bool lastLine_ = false;
};

}  // namespace

std::string ConvertToWordStar(std::string_view text, bool wideLines, std::uint8_t indentChar) {
  return WordStarWriter(wideLines, indentChar).Convert(text);
}

bool WriteWordStarDocument(const std::string& fileName, std::string_view text, bool wideLines,
                           std::uint8_t indentChar, std::uint8_t language, MessageBoxes& boxes) {
  const std::string bytes = ConvertToWordStar(text, wideLines, indentChar);
  if (platform::replace_file_atomic(fileName, bytes) != platform::FileError::none) {
    // The file name is kept as it is; only the surrounding words are converted for display.
    boxes.ShowMessageBox(MessageText(language, MessageId::kDocumentCannotBeWritten, {fileName}),
                         kBoxError);
    return false;
  }
  return true;
}

}  // namespace tavrel
