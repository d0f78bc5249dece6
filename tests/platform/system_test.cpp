#include "platform/system.h"

#include <gtest/gtest.h>

namespace {

using platform::LocalDateTime;
using platform::RecordingSystem;

TEST(RecordingSystem, LogsSoundsAndPausesInOrder) {
  RecordingSystem sys(LocalDateTime{2024, 5, 6, 7, 8, 9, 10}, 1000);
  platform::System& s = sys;
  s.beep(523, 90);
  s.message_beep(0x40);
  s.sleep_ms(250);
  using K = RecordingSystem::CallKind;
  std::vector<RecordingSystem::Call> expected = {
      {K::beep, 523, 90}, {K::message_beep, 0x40, 0}, {K::sleep, 250, 0}};
  EXPECT_EQ(sys.calls(), expected);
  // Waiting moves the tick, so a loop that waits on it ends; the date stays fixed.
  EXPECT_EQ(s.tick_ms(), 1340u);
  EXPECT_EQ(s.now(), (LocalDateTime{2024, 5, 6, 7, 8, 9, 10}));
  sys.set_now({2025, 1, 1, 0, 0, 0, 0});
  EXPECT_EQ(s.now().year, 2025);
  sys.clear();
  EXPECT_TRUE(sys.calls().empty());
}

TEST(FixedClock, ShowsTheSetTime) {
  platform::FixedClock clock({2001, 2, 3, 4, 5, 6, 7}, 5);
  const platform::Clock& c = clock;
  EXPECT_EQ(c.now(), (LocalDateTime{2001, 2, 3, 4, 5, 6, 7}));
  clock.advance_ms(10);
  EXPECT_EQ(c.tick_ms(), 15u);
}

TEST(DateTime, Validity) {
  struct Case {
    LocalDateTime t;
    bool valid;
  } cases[] = {
      {{2000, 2, 29, 0, 0, 0, 0}, true},     {{1900, 2, 29, 0, 0, 0, 0}, false},
      {{2024, 2, 29, 0, 0, 0, 0}, true},     {{2023, 2, 29, 0, 0, 0, 0}, false},
      {{2023, 4, 31, 0, 0, 0, 0}, false},    {{2023, 13, 1, 0, 0, 0, 0}, false},
      {{2023, 0, 1, 0, 0, 0, 0}, false},     {{2023, 1, 1, 24, 0, 0, 0}, false},
      {{2023, 1, 1, 23, 59, 59, 999}, true}, {{2023, 1, 1, 0, 60, 0, 0}, false},
      {{2023, 1, 1, 0, 0, 0, 1000}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::is_valid_date_time(c.t), c.valid) << c.t.year << "-" << c.t.month;
}

TEST(DateTime, LocalTimeRoundTrip) {
  for (LocalDateTime t :
       {LocalDateTime{1999, 12, 31, 23, 59, 59, 0}, LocalDateTime{2024, 7, 15, 12, 0, 1, 0},
        LocalDateTime{2050, 1, 1, 0, 0, 0, 0}}) {
    auto secs = platform::time_t_from_local(t);
    ASSERT_TRUE(secs.has_value());
    EXPECT_EQ(platform::local_from_time_t(*secs), t);
  }
  EXPECT_FALSE(platform::time_t_from_local({2023, 2, 30, 0, 0, 0, 0}).has_value());
}

TEST(RealSystem, ClockGivesValidTimesAndSteadyTicks) {
  platform::RealSystem sys;
  EXPECT_TRUE(platform::is_valid_date_time(sys.now()));
  EXPECT_GE(sys.now().year, 2024);
  auto a = sys.tick_ms();
  sys.sleep_ms(1);
  EXPECT_GE(sys.tick_ms(), a);
}

}  // namespace
