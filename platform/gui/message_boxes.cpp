#include "platform/gui/message_boxes.h"

#include <QMessageBox>
#include <QString>
#include <mutex>

#include "platform/gui/window_messages.h"

namespace platform::gui {

namespace {

std::mutex responder_mutex;
BoxResponder& responder() {
  static BoxResponder r;
  return r;
}

QMessageBox::Icon icon_of(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::warning:
      return QMessageBox::Warning;
    case BoxIcon::error:
      return QMessageBox::Critical;
    case BoxIcon::question:
      return QMessageBox::Question;
    case BoxIcon::information:
      break;
  }
  return QMessageBox::Information;
}

struct ButtonRow {
  QMessageBox::StandardButton button;
  int answer;
};
constexpr ButtonRow kButtons[] = {
    {QMessageBox::Ok, kBoxOk},
    {QMessageBox::Cancel, kBoxCancel},
    {QMessageBox::Yes, kBoxYes},
    {QMessageBox::No, kBoxNo},
};

QMessageBox::StandardButtons buttons_of(BoxChoice choice) {
  switch (choice) {
    case BoxChoice::ok_cancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxChoice::yes_no:
      return QMessageBox::Yes | QMessageBox::No;
    case BoxChoice::yes_no_cancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case BoxChoice::ok:
      break;
  }
  return QMessageBox::Ok;
}

int closed_answer(BoxChoice choice) {
  if (choice == BoxChoice::ok) return kBoxOk;
  return choice == BoxChoice::yes_no ? kBoxNo : kBoxCancel;
}

int show_on_gui_thread(const BoxRequest& request, QWidget* parent) {
  BoxResponder r;
  {
    std::lock_guard<std::mutex> lock(responder_mutex);
    r = responder();
  }
  if (r) return r(request);
  QMessageBox box(icon_of(request.icon), QString::fromStdString(request.title),
                  QString::fromStdString(request.text), buttons_of(request.choice), parent);
  const int pressed = box.exec();
  for (const ButtonRow& row : kButtons)
    if (pressed == row.button) return row.answer;
  return closed_answer(request.choice);
}

}  // namespace

int show_box(const BoxRequest& request, QWidget* parent) {
  int answer = closed_answer(request.choice);
  run_on_gui_thread([&] { answer = show_on_gui_thread(request, parent); });
  return answer;
}

void set_box_responder(BoxResponder r) {
  std::lock_guard<std::mutex> lock(responder_mutex);
  responder() = std::move(r);
}

}  // namespace platform::gui
