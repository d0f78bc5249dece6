// A window of this program in the registry of windows of other processes, served on the GUI
// thread: each message that another process posts to it is handed to the handler there, one
// at a time, as the window's own messages are.
#pragma once

#include <memory>
#include <string>

#include "platform/gui/window_messages.h"
#include "platform/gui/window_registry.h"

class QSocketNotifier;

namespace platform::gui {

class ForeignWindowPort {
 public:
  // Make it on the GUI thread. ok() is false when the registry is unusable; the program then
  // works without other processes.
  ForeignWindowPort(const WindowRegistry& registry, const std::string& title,
                    MessageHandler handler);
  ~ForeignWindowPort();
  ForeignWindowPort(const ForeignWindowPort&) = delete;
  ForeignWindowPort& operator=(const ForeignWindowPort&) = delete;

  bool ok() const { return window_ != nullptr; }
  // 0 when not registered.
  WindowHandle handle() const;
  void set_title(const std::string& title);
  void activate();

 private:
  void drain();
  std::unique_ptr<RegisteredWindow> window_;
  std::unique_ptr<QSocketNotifier> notifier_;
  MessageHandler handler_;
};

}  // namespace platform::gui
