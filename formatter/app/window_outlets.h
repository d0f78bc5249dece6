// The engine's outlets when Tavrel runs with its main window: the notification channel to
// the main window (posted and sent across threads), message boxes from any thread, and the
// message list window. With a console attached (no screen, or a caller that reads the
// console), boxes and lines go to the console instead of a dialog, written on the GUI thread
// so that the job thread and the window never write at once.
#pragma once

#include <memory>
#include <string>

#include "formatter/app/console_outlets.h"
#include "formatter/common/message_boxes.h"
#include "formatter/common/notifications.h"
#include "platform/gui/window_messages.h"

class QWidget;

namespace tavrel {

class WindowNotifier final : public MainNotifier {
 public:
  explicit WindowNotifier(platform::gui::MessagePort& port) : port_(port) {}
  void Send(std::int32_t code, std::int32_t value) override {
    port_.send(WM_MAIN_NOTIFY, code, value);
  }
  void Post(std::int32_t code, std::int32_t value) override {
    port_.post(WM_MAIN_NOTIFY, code, value);
  }

 private:
  platform::gui::MessagePort& port_;
};

class WindowMessageBoxes final : public MessageBoxes {
 public:
  // console: when set, the boxes are written there and answered by its answerer.
  explicit WindowMessageBoxes(ConsoleMessageBoxes* console = nullptr) : console_(console) {}
  void ShowMessageBox(const std::string& text, int kind) override;
  int AskMessageBox(const std::string& text, int kind, BoxButtons buttons) override;
  QWidget* Parent = nullptr;

 private:
  ConsoleMessageBoxes* console_;
};

// The message list window, and a console that gets the same lines.
class TeeMessageList final : public MessageList {
 public:
  TeeMessageList(MessageList& window, ConsoleMessageList* console)
      : window_(window), console_(console) {}
  void Clear() override { window_.Clear(); }
  void AddLine(const std::string& line, std::int32_t paragraph) override;

 private:
  MessageList& window_;
  ConsoleMessageList* console_;
};

}  // namespace tavrel
