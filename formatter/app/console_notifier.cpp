#include "formatter/app/console_notifier.h"

#include "formatter/common/file_services.h"
#include "formatter/common/messages.h"
#include "formatter/formatting/format_run.h"
#include "formatter/pages/page_state.h"

namespace tavrel {

// Codes without a row (lamps, buttons, preview requests) have nothing to show here.
const ConsoleNotifier::Row ConsoleNotifier::kRows[] = {
    {MN_FORMAT_PAGE, &ConsoleNotifier::OnFormatPage},
    {MN_PRINT_PAGE_DONE, &ConsoleNotifier::OnPrintPage},
    {MN_PREVIEW_STOP, &ConsoleNotifier::OnOutputStop},
    {MN_PRINT_DONE, &ConsoleNotifier::OnOutputStop},
    {MN_WRITE_FONT_DEFINITION, &ConsoleNotifier::OnWriteFontDefinition},
    {MN_STOP_FORMATTING, &ConsoleNotifier::OnStopFormatting},
};

void ConsoleNotifier::Handle(std::int32_t code, std::int32_t value) {
  for (const Row& row : kRows)
    if (row.code == code) {
      (this->*row.handler)(value);
      return;
    }
}

void ConsoleNotifier::Progress(const std::string& text) {
  if (!progress_) return;
  console_.carriage_return();
  console_.write(text + "\x1B[K");
  console_.flush();
  progressOpen_ = true;
}

void ConsoleNotifier::EndProgressLine() {
  if (!progressOpen_) return;
  console_.write_line();
  progressOpen_ = false;
}

void ConsoleNotifier::OnFormatPage(std::int32_t value) {
  if (!view_.Run) return;
  Progress(MessageText(view_.Language, MessageId::kFormattingPage,
                       {std::to_string(value), ExtractFileNamePart(view_.Run->Run.InputName),
                        ExtractFileNamePart(view_.Run->Run.OutputName)}));
}

void ConsoleNotifier::OnPrintPage(std::int32_t value) {
  ++pagesDone_;
  const std::string name = ExtractFileNamePart(view_.PrintFileName);
  if (view_.PrintToPostScriptFile)
    Progress(MessageText(view_.Language, MessageId::kPrintingPageToFile,
                         {std::to_string(value), name, ChangeFileExtension(name, "ps")}));
  else
    Progress(MessageText(view_.Language, MessageId::kPrintingPage, {std::to_string(value), name}));
}

void ConsoleNotifier::OnOutputStop(std::int32_t value) {
  if (value != 2) return;
  outputFailed_ = true;
  EndProgressLine();
  const std::string text = view_.Page ? view_.Page->ThreadErrorText : std::string();
  console_.write_line("Tavrel: " + MessageText(view_.Language, MessageId::kOutputError, {text}),
                      platform::ConsoleStream::err);
}

void ConsoleNotifier::OnWriteFontDefinition(std::int32_t) {
  EndProgressLine();
  if (view_.WriteFontDefinition) view_.WriteFontDefinition();
}

void ConsoleNotifier::OnStopFormatting(std::int32_t) {
  if (view_.Run) view_.Run->Messages.UserStop = 1;
}

}  // namespace tavrel
