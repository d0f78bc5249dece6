// Beep, MessageBeep, Sleep and the clock, behind an interface so that tests can record the
// sounds and pauses instead of making them, and can fix the time.
#pragma once

#include <compare>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

// A local (not UTC) date and time with Windows' field ranges: month 1..12, day 1..31.
struct LocalDateTime {
  int year = 1980;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;

  auto operator<=>(const LocalDateTime&) const = default;
};

// True when the fields name a real calendar date and time (leap years included).
bool is_valid_date_time(const LocalDateTime& t);

// Conversions to and from the POSIX time in the local time zone (TZ).
LocalDateTime local_from_time_t(std::time_t t, int millisecond = 0);
// Empty when the fields are invalid or outside what time_t can hold.
std::optional<std::time_t> time_t_from_local(const LocalDateTime& t);

// The time services. Everything that needs "now" takes a Clock, so tests can fix it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime now() const = 0;
  // Milliseconds since some fixed start; only differences are meaningful (GetTickCount).
  virtual std::uint64_t tick_ms() const = 0;
};

// Beep, MessageBeep and Sleep plus the clock.
class System : public Clock {
 public:
  // Beep(frequency in Hz, duration in ms).
  virtual void beep(unsigned frequency_hz, unsigned duration_ms) = 0;
  // MessageBeep(kind): 0 = default sound, 0x10 hand, 0x20 question, 0x30 exclamation,
  // 0x40 asterisk, 0xFFFFFFFF simple beep.
  virtual void message_beep(unsigned kind) = 0;
  virtual void sleep_ms(unsigned ms) = 0;
};

// The real thing: sounds become one terminal bell ("\a") on stderr, and only when stderr is
// a terminal (a bell in a redirected log is noise); beep also waits for its duration, as
// Windows' Beep blocks. Sleep is nanosleep; the clock is the system clock.
class RealSystem final : public System {
 public:
  void beep(unsigned frequency_hz, unsigned duration_ms) override;
  void message_beep(unsigned kind) override;
  void sleep_ms(unsigned ms) override;
  LocalDateTime now() const override;
  std::uint64_t tick_ms() const override;
};

// A clock that shows a set time; tests advance it by hand.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(LocalDateTime now = {}, std::uint64_t tick = 0) : now_(now), tick_(tick) {}
  LocalDateTime now() const override { return now_; }
  std::uint64_t tick_ms() const override { return tick_; }
  void set(LocalDateTime now) { now_ = now; }
  void set_tick(std::uint64_t tick) { tick_ = tick; }
  void advance_ms(std::uint64_t ms) { tick_ += ms; }

 private:
  LocalDateTime now_;
  std::uint64_t tick_;
};

// Records every sound and pause instead of making it. Time stands still except that
// sleep_ms and beep advance the tick by their duration, so code that waits on the tick ends.
// Safe to call from several threads.
class RecordingSystem final : public System {
 public:
  enum class CallKind { beep, message_beep, sleep };
  struct Call {
    CallKind kind;
    unsigned first;   // frequency (beep), kind (message_beep), ms (sleep)
    unsigned second;  // duration (beep), 0 otherwise
    bool operator==(const Call&) const = default;
  };

  explicit RecordingSystem(LocalDateTime now = {}, std::uint64_t tick = 0)
      : now_(now), tick_(tick) {}

  void beep(unsigned frequency_hz, unsigned duration_ms) override;
  void message_beep(unsigned kind) override;
  void sleep_ms(unsigned ms) override;
  LocalDateTime now() const override;
  std::uint64_t tick_ms() const override;

  void set_now(LocalDateTime now);
  std::vector<Call> calls() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
  LocalDateTime now_;
  std::uint64_t tick_;
};

}  // namespace platform
