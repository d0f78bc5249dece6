#include "platform/gui/window_messages.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace platform::gui {

struct CallQueue::Impl {
  struct Pending {
    bool done = false;
    bool ran = false;
  };
  struct Item {
    std::function<void()> fn;
    Pending* pending = nullptr;
  };
  int fd = -1;
  QSocketNotifier* notifier = nullptr;
  std::mutex mutex;
  std::condition_variable done;
  std::deque<Item> queue;
  bool open = true;

  void wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
  }
};

CallQueue::CallQueue(QObject* owner) : impl_(std::make_unique<Impl>()) {
  impl_->fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  impl_->notifier = new QSocketNotifier(impl_->fd, QSocketNotifier::Read, owner);
  QObject::connect(impl_->notifier, &QSocketNotifier::activated, impl_->notifier,
                   [this] { drain(); });
}

CallQueue::~CallQueue() {
  close();
  delete impl_->notifier;
  ::close(impl_->fd);
}

bool CallQueue::post(std::function<void()> fn) {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (!impl_->open) return false;
    impl_->queue.push_back({std::move(fn), nullptr});
  }
  impl_->wake();
  return true;
}

bool CallQueue::call(std::function<void()> fn) {
  Impl::Pending pending;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (!impl_->open) return false;
    impl_->queue.push_back({std::move(fn), &pending});
  }
  impl_->wake();
  std::unique_lock<std::mutex> lock(impl_->mutex);
  impl_->done.wait(lock, [&] { return pending.done; });
  return pending.ran;
}

void CallQueue::close() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->open = false;
  for (Impl::Item& item : impl_->queue)
    if (item.pending) item.pending->done = true;
  impl_->queue.clear();
  impl_->done.notify_all();
}

bool CallQueue::is_open() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->open;
}

void CallQueue::drain() {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(impl_->fd, &count, sizeof count);
  for (;;) {
    Impl::Item item;
    {
      std::lock_guard<std::mutex> lock(impl_->mutex);
      if (impl_->queue.empty()) return;
      item = std::move(impl_->queue.front());
      impl_->queue.pop_front();
    }
    // A handler may run a nested event loop (a modal box): later items are served there.
    item.fn();
    if (item.pending) {
      std::lock_guard<std::mutex> lock(impl_->mutex);
      item.pending->ran = true;
      item.pending->done = true;
      impl_->done.notify_all();
    }
  }
}

namespace {

// The queue of the application's own thread, made when the application object is.
std::atomic<CallQueue*> gui_queue{nullptr};

void make_gui_queue() {
  static QObject owner;
  static CallQueue queue(&owner);
  gui_queue.store(&queue);
}
Q_COREAPP_STARTUP_FUNCTION(make_gui_queue)

}  // namespace

struct MessagePort::State {
  explicit State(QObject* window) : queue(window) {}
  MessageHandler handler;
  CallQueue queue;
};

MessagePort::MessagePort(QObject* window, MessageHandler handler)
    : window_(window), state_(std::make_shared<State>(window)) {
  state_->handler = std::move(handler);
}

MessagePort::~MessagePort() { close(); }

void MessagePort::close() { state_->queue.close(); }

bool MessagePort::is_open() const { return state_->queue.is_open(); }

bool MessagePort::on_window_thread() const {
  return window_ && QThread::currentThread() == window_->thread();
}

std::intptr_t MessagePort::send(std::uint32_t message, std::int32_t wParam, std::int32_t lParam) {
  if (!window_ || !is_open()) return 0;
  if (on_window_thread()) return state_->handler(message, wParam, lParam);
  std::intptr_t result = 0;
  State* state = state_.get();
  if (!state->queue.call([state, &result, message, wParam, lParam] {
        result = state->handler(message, wParam, lParam);
      }))
    return 0;
  return result;
}

bool MessagePort::post(std::uint32_t message, std::int32_t wParam, std::int32_t lParam) {
  if (!window_) return false;
  State* state = state_.get();
  return state->queue.post(
      [state, message, wParam, lParam] { state->handler(message, wParam, lParam); });
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
  CallQueue* queue = gui_queue.load();
  if (!queue || on_gui_thread()) {
    fn();
    return;
  }
  queue->call(fn);
}

}  // namespace platform::gui
