#include "formatter/derived/derived_documents.h"

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/file_services.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/common/text_services.h"
#include "formatter/derived/contents_run.h"
#include "formatter/derived/derived_messages.h"
#include "formatter/derived/footnote_arrangement.h"

namespace tavrel {

DerivedPageState StartPageState(const TSettingsRecord& settings) {
  DerivedPageState page;
  const TPageTemplate& t = CurrentPageTemplate(settings);
  page.PL = t.PL;
  page.MT = t.MT;
  page.MB = t.MB;
  page.ComputeTextHeight();
  return page;
}

DerivedJobResult MakeDerivedDocument(char mode, const DerivedJobInput& input,
                                     RunMessages& messages) {
  messages.RunStop = 0;
  switch (mode) {
    case 'I':
      return ContentsRun(input, messages);
    case 'Z':
      return FootnoteArrangementRun(input, messages);
    default:
      return {};
  }
}

bool ParseDotNumber(std::string_view line, std::int32_t page, std::int32_t& value,
                    RunMessages& messages) {
  const std::string command = DotCommandOf(line);
  std::size_t i = 3;
  if (i < line.size() && line[i] == ' ') ++i;
  std::string number;
  while (i < line.size() && number.size() < 6 &&
         ((line[i] >= '0' && line[i] <= '9') || line[i] == '"' || line[i] == '.'))
    number += line[i++];
  const std::uint8_t language = messages.Language();
  if (number.empty()) {
    messages.ReportFormatError(
        DerivedMessage(language, DerivedText::kNumberRequired, {std::to_string(page), command}));
    messages.InterruptFormatJob();
    return false;
  }
  if (!ParseMeasure(number, value, command)) {
    messages.ReportFormatError(
        DerivedMessage(language, DerivedText::kNumberOutOfRange, {command, number}));
    messages.InterruptFormatJob();
    return false;
  }
  return true;
}

std::string FormattedLineReader::Next() {
  std::string line;
  while (pos_ < bytes_.size()) {
    const char c = bytes_[pos_];
    if (c == '\x1A') break;
    if (c == '\r') {
      ++pos_;
      if (pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
      break;
    }
    if (static_cast<std::uint8_t>(c) == 0x1D && pos_ + 2 < bytes_.size()) {
      // a tagged block: 0x1D t1 t2 ... t1 t2 0x1D, taken over whole
      const std::string_view tag = bytes_.substr(pos_ + 1, 2);
      const std::size_t close = bytes_.find(std::string(tag) + '\x1D', pos_ + 3);
      if (close != std::string_view::npos) {
        line.append(bytes_.substr(pos_, close + 3 - pos_));
        pos_ = close + 3;
        continue;
      }
    }
    line += c;
    ++pos_;
  }
  return line;
}

std::string DotCommandOf(std::string_view line) {
  if (line.size() < 3 || line[0] != '.') return {};
  return MakeUpperCase(line.substr(1, 2));
}

}  // namespace tavrel
