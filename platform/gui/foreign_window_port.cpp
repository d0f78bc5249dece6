#include "platform/gui/foreign_window_port.h"

#include <QSocketNotifier>

namespace platform::gui {

ForeignWindowPort::ForeignWindowPort(const WindowRegistry& registry, const std::string& title,
                                     MessageHandler handler)
    : window_(registry.register_window(title)), handler_(std::move(handler)) {
  if (!window_) return;
  notifier_ = std::make_unique<QSocketNotifier>(window_->fd(), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { drain(); });
}

ForeignWindowPort::~ForeignWindowPort() {
  // The notifier goes before the socket it watches.
  notifier_.reset();
  window_.reset();
}

WindowHandle ForeignWindowPort::handle() const { return window_ ? window_->handle() : 0; }

void ForeignWindowPort::set_title(const std::string& title) {
  if (window_) window_->set_title(title);
}

void ForeignWindowPort::activate() {
  if (window_) window_->activate();
}

void ForeignWindowPort::drain() {
  while (window_) {
    const auto message = window_->receive();
    if (!message) return;
    if (handler_) handler_(message->message, message->wParam, message->lParam);
  }
}

}  // namespace platform::gui
