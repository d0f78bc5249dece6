#include "formatter/app/window_outlets.h"

#include "platform/gui/message_boxes.h"
#include "platform/text.h"

namespace tavrel {

namespace {

namespace gui = platform::gui;

gui::BoxIcon IconOf(int kind) {
  switch (kind) {
    case kBoxWarning:
      return gui::BoxIcon::warning;
    case kBoxError:
      return gui::BoxIcon::error;
    case kBoxConfirmation:
      return gui::BoxIcon::question;
    default:
      return gui::BoxIcon::information;
  }
}

gui::BoxChoice ChoiceOf(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::OkCancel:
      return gui::BoxChoice::ok_cancel;
    case BoxButtons::YesNo:
      return gui::BoxChoice::yes_no;
    case BoxButtons::YesNoCancel:
      return gui::BoxChoice::yes_no_cancel;
    case BoxButtons::Ok:
      break;
  }
  return gui::BoxChoice::ok;
}

gui::BoxRequest RequestOf(const std::string& text, int kind, BoxButtons buttons) {
  gui::BoxRequest r;
  r.title = "Tavrel";
  r.text = platform::code_page_to_utf8(text, platform::CodePage::cp1252);
  r.icon = IconOf(kind);
  r.choice = ChoiceOf(buttons);
  return r;
}

}  // namespace

void WindowMessageBoxes::ShowMessageBox(const std::string& text, int kind) {
  if (console_) {
    gui::run_on_gui_thread([&] { console_->ShowMessageBox(text, kind); });
    return;
  }
  gui::show_box(RequestOf(text, kind, BoxButtons::Ok), Parent);
}

int WindowMessageBoxes::AskMessageBox(const std::string& text, int kind, BoxButtons buttons) {
  if (console_) {
    int answer = kAnswerNo;
    gui::run_on_gui_thread([&] { answer = console_->AskMessageBox(text, kind, buttons); });
    return answer;
  }
  // The platform numbers its answers as the engine does.
  return gui::show_box(RequestOf(text, kind, buttons), Parent);
}

void TeeMessageList::AddLine(const std::string& line, std::int32_t paragraph) {
  window_.AddLine(line, paragraph);
  if (console_) gui::run_on_gui_thread([&] { console_->AddLine(line, paragraph); });
}

}  // namespace tavrel
