#include "platform/system.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <ctime>

namespace platform {

namespace {

bool is_leap_year(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int y, int m) {
  static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && is_leap_year(y)) return 29;
  return days[m - 1];
}

void sleep_for_ms(unsigned ms) {
  timespec req{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  timespec rem{};
  // nanosleep is cut short by signals; carry on with the rest.
  while (nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
}

void ring_bell() {
  if (isatty(STDERR_FILENO)) {
    static const char bell = '\a';
    ssize_t n = ::write(STDERR_FILENO, &bell, 1);
    (void)n;
  }
}

}  // namespace

bool is_valid_date_time(const LocalDateTime& t) {
  if (t.month < 1 || t.month > 12) return false;
  if (t.day < 1 || t.day > days_in_month(t.year, t.month)) return false;
  if (t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59) return false;
  if (t.second < 0 || t.second > 59 || t.millisecond < 0 || t.millisecond > 999) return false;
  return true;
}

LocalDateTime local_from_time_t(std::time_t t, int millisecond) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return LocalDateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                       tm.tm_min,         tm.tm_sec,     millisecond};
}

std::optional<std::time_t> time_t_from_local(const LocalDateTime& t) {
  if (!is_valid_date_time(t)) return std::nullopt;
  if (t.year < 1 || t.year > 9999) return std::nullopt;
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;  // let the zone rules decide summer time
  errno = 0;
  std::time_t r = mktime(&tm);
  if (r == static_cast<std::time_t>(-1) && errno != 0) return std::nullopt;
  return r;
}

// ---- RealSystem -----------------------------------------------------------------------

void RealSystem::beep(unsigned /*frequency_hz*/, unsigned duration_ms) {
  ring_bell();
  sleep_for_ms(duration_ms);
}

void RealSystem::message_beep(unsigned /*kind*/) { ring_bell(); }

void RealSystem::sleep_ms(unsigned ms) { sleep_for_ms(ms); }

LocalDateTime RealSystem::now() const {
  auto now = std::chrono::system_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  std::time_t secs = static_cast<std::time_t>(ms / 1000);
  int rest = static_cast<int>(ms % 1000);
  if (rest < 0) {
    rest += 1000;
    --secs;
  }
  return local_from_time_t(secs, rest);
}

std::uint64_t RealSystem::tick_ms() const {
  auto d = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

// ---- RecordingSystem ------------------------------------------------------------------

void RecordingSystem::beep(unsigned frequency_hz, unsigned duration_ms) {
  std::lock_guard lock(mutex_);
  calls_.push_back({CallKind::beep, frequency_hz, duration_ms});
  tick_ += duration_ms;
}

void RecordingSystem::message_beep(unsigned kind) {
  std::lock_guard lock(mutex_);
  calls_.push_back({CallKind::message_beep, kind, 0});
}

void RecordingSystem::sleep_ms(unsigned ms) {
  std::lock_guard lock(mutex_);
  calls_.push_back({CallKind::sleep, ms, 0});
  tick_ += ms;
}

LocalDateTime RecordingSystem::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

std::uint64_t RecordingSystem::tick_ms() const {
  std::lock_guard lock(mutex_);
  return tick_;
}

void RecordingSystem::set_now(LocalDateTime now) {
  std::lock_guard lock(mutex_);
  now_ = now;
}

std::vector<RecordingSystem::Call> RecordingSystem::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void RecordingSystem::clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

}  // namespace platform
