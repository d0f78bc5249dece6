#include "platform/gui/window_messages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <atomic>
#include <thread>

namespace platform::gui {

struct MessagePort::State {
  MessageHandler handler;
  std::atomic<bool> open{true};
};

MessagePort::MessagePort(QObject* window, MessageHandler handler)
    : window_(window), state_(std::make_shared<State>()) {
  state_->handler = std::move(handler);
}

MessagePort::~MessagePort() { close(); }

void MessagePort::close() { state_->open.store(false); }

bool MessagePort::is_open() const { return state_->open.load(); }

bool MessagePort::on_window_thread() const {
  return window_ && QThread::currentThread() == window_->thread();
}

std::intptr_t MessagePort::send(std::uint32_t message, std::int32_t wParam, std::int32_t lParam) {
  if (!state_->open.load() || !window_) return 0;
  if (on_window_thread()) return state_->handler(message, wParam, lParam);
  std::intptr_t result = 0;
  std::shared_ptr<State> state = state_;
  // A blocking queued call is released also when the window goes before it runs.
  QMetaObject::invokeMethod(
      window_,
      [state, &result, message, wParam, lParam] {
        if (state->open.load()) result = state->handler(message, wParam, lParam);
      },
      Qt::BlockingQueuedConnection);
  return result;
}

bool MessagePort::post(std::uint32_t message, std::int32_t wParam, std::int32_t lParam) {
  if (!state_->open.load() || !window_) return false;
  std::shared_ptr<State> state = state_;
  QMetaObject::invokeMethod(
      window_,
      [state, message, wParam, lParam] {
        if (state->open.load()) state->handler(message, wParam, lParam);
      },
      Qt::QueuedConnection);
  return true;
}

bool on_gui_thread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

bool wait_serving_messages(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void run_on_gui_thread(const std::function<void()>& fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || on_gui_thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

}  // namespace platform::gui
