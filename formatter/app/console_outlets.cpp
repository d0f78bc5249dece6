#include "formatter/app/console_outlets.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <iostream>

#include "formatter/common/messages.h"

namespace tavrel {

namespace {

struct BoxStyle {
  int kind;
  const char* prefix;
  platform::ConsoleStream stream;
};

// A row per box kind: how the console marks it and where it goes.
constexpr BoxStyle kBoxStyles[] = {
    {kBoxWarning, "Warning: ", platform::ConsoleStream::err},
    {kBoxError, "Error: ", platform::ConsoleStream::err},
    {kBoxInformation, "", platform::ConsoleStream::out},
    {kBoxConfirmation, "", platform::ConsoleStream::out},
};

const BoxStyle& StyleOf(int kind) {
  for (const BoxStyle& s : kBoxStyles)
    if (s.kind == kind) return s;
  return kBoxStyles[1];
}

const char* ButtonHint(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return " [ok]";
    case BoxButtons::OkCancel:
      return " [ok/cancel]";
    case BoxButtons::YesNo:
      return " [y/n]";
    case BoxButtons::YesNoCancel:
      return " [y/n/c]";
  }
  return "";
}

int DefaultAnswer(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::Ok:
      return kAnswerOk;
    case BoxButtons::OkCancel:
      return kAnswerCancel;
    case BoxButtons::YesNo:
    case BoxButtons::YesNoCancel:
      return kAnswerNo;
  }
  return kAnswerNo;
}

const char* AnswerWord(int answer) {
  switch (answer) {
    case kAnswerOk:
      return "ok";
    case kAnswerYes:
      return "y";
    case kAnswerNo:
      return "n";
    default:
      return "c";
  }
}

// The answer a typed word gives with these buttons; 0 when it is none of them.
int ParseAnswer(const std::string& word, BoxButtons buttons) {
  const char c =
      word.empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>(word[0])));
  const bool yesNo = buttons == BoxButtons::YesNo || buttons == BoxButtons::YesNoCancel;
  if (yesNo && (c == 'y' || c == 'j')) return kAnswerYes;
  if (yesNo && c == 'n') return kAnswerNo;
  if (!yesNo && c == 'o') return kAnswerOk;
  if ((buttons == BoxButtons::OkCancel || buttons == BoxButtons::YesNoCancel) && c == 'c')
    return kAnswerCancel;
  return 0;
}

}  // namespace

QuestionAnswerer TerminalAnswerer(platform::Console& console) {
  return [&console](const std::string&, BoxButtons buttons) {
    const int fallback = DefaultAnswer(buttons);
    if (!::isatty(0)) {
      console.write_line(std::string(" -> ") + AnswerWord(fallback) + " (no terminal to answer)");
      return fallback;
    }
    for (int tries = 0; tries < 3; ++tries) {
      console.flush();
      std::string word;
      if (!std::getline(std::cin, word)) break;
      if (const int answer = ParseAnswer(word, buttons)) return answer;
      console.write(ButtonHint(buttons));
    }
    return fallback;
  };
}

void ConsoleMessageBoxes::ShowMessageBox(const std::string& text, int kind) {
  if (BeforeWrite) BeforeWrite();
  const BoxStyle& style = StyleOf(kind);
  if (kind == kBoxError) ++errors_;
  console_.write_line(std::string("Tavrel: ") + style.prefix + text, style.stream);
}

int ConsoleMessageBoxes::AskMessageBox(const std::string& text, int kind, BoxButtons buttons) {
  if (BeforeWrite) BeforeWrite();
  const BoxStyle& style = StyleOf(kind);
  console_.write(std::string("Tavrel: ") + style.prefix + text + ButtonHint(buttons),
                 platform::ConsoleStream::out);
  if (answer_) return answer_(text, buttons);
  console_.write_line();
  return DefaultAnswer(buttons);
}

void ConsoleMessageList::AddLine(const std::string& line, std::int32_t) {
  if (BeforeWrite) BeforeWrite();
  const bool error = line.rfind("ERROR", 0) == 0 || line.rfind("FEHLER", 0) == 0;
  if (error) ++errors_;
  console_.write_line(line, error ? platform::ConsoleStream::err : platform::ConsoleStream::out);
}

void ConsoleMeasureProgress::Start(int total) {
  console_.write_line(
      MessageText(language_, MessageId::kMeasuringPrinterFonts, {std::to_string(total)}));
}

}  // namespace tavrel
