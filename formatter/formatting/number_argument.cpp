#include "formatter/formatting/number_argument.h"

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/font_numbers.h"
#include "formatter/common/messages.h"
#include "formatter/common/run_messages.h"
#include "formatter/common/settings_record.h"
#include "formatter/common/text_services.h"
#include "formatter/formatting/formatted_writer.h"

namespace tavrel {
namespace {

bool IsNumberChar(std::uint8_t c) { return (c >= '0' && c <= '9') || c == '"' || c == '.'; }

}  // namespace

std::uint8_t DotLineReader::CurrentChar() const {
  if (Position < 1 || Position > Line.size()) return 13;
  return static_cast<std::uint8_t>(Line[Position - 1]);
}

std::uint8_t DotLineReader::NextDotChar() {
  // The position stops one beyond the end, so reading on keeps giving CR.
  if (Position <= Line.size()) ++Position;
  return CurrentChar();
}

void DotLineReader::Start(const std::string& line) {
  Line = line.substr(0, kDotLineCapacity);
  Position = 0;
  Command =
      MakeUpperCase(Line.size() >= 3 ? Line.substr(1, 2) : (Line.size() > 1 ? Line.substr(1) : ""));
  NumberOmitted = 0;
}

bool ReadDotNumber(DotLineReader& dot, std::int32_t& value, bool plainTextSource,
                   const TSettingsRecord& settings, RunMessages& messages) {
  dot.NumberOmitted = 0;
  std::uint8_t c = dot.NextDotChar();
  if (c == ' ' || c == '+' || c == '-') c = dot.NextDotChar();
  if (!plainTextSource) {
    c = dot.NextDotChar();
    if (c == ' ') c = dot.NextDotChar();
  }
  std::string text;
  for (;;) {
    text.push_back(static_cast<char>(c));
    c = dot.NextDotChar();
    if (text.size() >= 16 || !IsNumberChar(c)) break;
  }
  if (ParseMeasure(text, value, dot.Command) || IsNumberChar(c)) return true;

  const std::string& cmd = dot.Command;
  if (cmd == "PN") {
    dot.NumberOmitted = 1;
  } else if (cmd == "LM" || cmd == "PM") {
    value = 0;
  } else if (cmd == "PS") {
    value = 1;
  } else if (cmd == "DE" || cmd == "TS") {
    value = settings.DefaultTS;
  } else if (cmd == "GU") {
    value = settings.DefaultGU;
  } else if (cmd == "HN") {
    value = settings.DefaultHN;
  } else {
    messages.ReportFormatError(messages.Text(MessageId::kNumberMissingBehindDotCommand, {cmd}));
    messages.InterruptFormatJob();
    return false;
  }
  return true;
}

std::uint8_t ReadFontArgument(DotLineReader& dot, const TSettingsRecord& settings,
                              std::uint8_t slot0Font) {
  std::uint8_t c = dot.NextDotChar();
  if (c == ' ') c = dot.NextDotChar();
  const char upper = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (upper >= 'A' && upper <= 'Z') {
    const char prefix = static_cast<char>(dot.NextDotChar());
    return FontCharToNumber(static_cast<char>(c), prefix);
  }
  const char second = dot.Command.size() >= 2 ? dot.Command[1] : ' ';
  const std::string slotSpec = FontNumberToSpec(slot0Font);
  const char slotLetter = slotSpec.empty() ? 'A' : slotSpec[0];
  switch (second) {
    case 'A':
      return settings.AlternateFont;
    case 'F':
    case 'N':
      return dot.Command == "AF" ? settings.AlternateFont : settings.NormalFont;
    case 'B':
      return FontCharToNumber(slotLetter, '"');
    case 'Y':
      return FontCharToNumber(slotLetter, '\'');
    case 'X':
      return FontCharToNumber(slotLetter, '&');
    default:
      return settings.NormalFont;
  }
}

void SwitchFrameMode(DotLineReader& dot, FrameState& frame) {
  std::uint8_t c = dot.NextDotChar();
  if (c == 13 || c == ' ') {
    frame.On = false;
    return;
  }
  frame.Clear();
  frame.On = true;
  frame.VerticalChar = c;
  c = dot.NextDotChar();
  if (c != 13) frame.HorizontalChar = c;
  c = dot.NextDotChar();
  if (c != 13 && c < 32) frame.DoubleMarker = c;
}

}  // namespace tavrel
