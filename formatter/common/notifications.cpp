#include "formatter/common/notifications.h"

namespace tavrel {

void RecordingNotifier::Send(std::int32_t code, std::int32_t value) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back({true, code, value});
  }
  // Outside the lock: the handler may notify again, as the main window may.
  if (OnSend) OnSend(code, value);
}

void RecordingNotifier::Post(std::int32_t code, std::int32_t value) {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.push_back({false, code, value});
}

std::vector<RecordingNotifier::Entry> RecordingNotifier::Entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_;
}

std::vector<RecordingNotifier::Entry> RecordingNotifier::WithCode(std::int32_t code) const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Entry> out;
  for (const Entry& e : entries_)
    if (e.Code == code) out.push_back(e);
  return out;
}

void RecordingNotifier::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  entries_.clear();
}

}  // namespace tavrel
