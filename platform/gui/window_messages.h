// Numbered window messages (message, wParam, lParam) between threads and windows, on Qt's
// event loop. A port belongs to one receiving window: post queues the call on the window's
// thread; send from another thread waits until the window has handled it; send on the
// window's own thread calls the handler at once. A closed port drops what arrives, so no
// sender waits for a window that is gone.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QObject;
class QSocketNotifier;

namespace platform::gui {

// Calls handed to the thread of an owner object. A caller queues under a mutex and wakes the
// owner's thread through an eventfd that a socket notifier watches; a waiting caller sleeps on
// a condition variable. Every hand-off goes through these primitives, never through Qt's own
// cross-thread calls, so the thread sanitizer sees each one. Make it on the owner's thread.
class CallQueue {
 public:
  explicit CallQueue(QObject* owner);
  ~CallQueue();
  CallQueue(const CallQueue&) = delete;
  CallQueue& operator=(const CallQueue&) = delete;

  // False when the queue is closed.
  bool post(std::function<void()> fn);
  // Waits until the owner's thread ran fn; false when the queue closed first.
  bool call(std::function<void()> fn);
  // Queued calls are dropped and waiting callers released.
  void close();
  bool is_open();

 private:
  struct Impl;
  void drain();
  std::unique_ptr<Impl> impl_;
};

using MessageHandler =
    std::function<std::intptr_t(std::uint32_t message, std::int32_t wParam, std::int32_t lParam)>;

class MessagePort {
 public:
  // window: the receiver; its thread serves the messages. It must outlive the port or close
  // it first.
  MessagePort(QObject* window, MessageHandler handler);
  ~MessagePort();
  MessagePort(const MessagePort&) = delete;
  MessagePort& operator=(const MessagePort&) = delete;

  // The handler's result; 0 when the port is closed.
  std::intptr_t send(std::uint32_t message, std::int32_t wParam, std::int32_t lParam);
  // False when the port is closed.
  bool post(std::uint32_t message, std::int32_t wParam, std::int32_t lParam);
  // Later messages are dropped, queued ones are not handled.
  void close();
  bool is_open() const;
  bool on_window_thread() const;

 private:
  struct State;
  QObject* window_;
  std::shared_ptr<State> state_;
};

// True on the thread of the application object (the thread that owns the windows).
bool on_gui_thread();

// Serves the window messages of the calling (GUI) thread until done() holds or the time is
// up; true when done() held. Used where the GUI thread must wait for a worker that may be
// sending to it.
bool wait_serving_messages(const std::function<bool()>& done, std::chrono::milliseconds limit);

// Runs fn on the GUI thread and waits for it (at once when already there).
void run_on_gui_thread(const std::function<void()>& fn);

}  // namespace platform::gui
