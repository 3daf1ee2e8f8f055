#pragma once
// The program's one source of time: local time with milliseconds, a monotonic
// millisecond count for pacing, and sleeps. Tests and the fast runner install a
// virtual clock whose sleeps advance time instead of waiting.
#include <cstdint>
#include <mutex>
#include <string>

namespace velmar {

struct LocalTime {
  int year = 2000, month = 1, day = 1;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
  // Milliseconds on a monotonic scale, for pacing and durations.
  virtual std::int64_t MonotonicMs() const = 0;
  virtual void SleepMs(std::int64_t ms) = 0;
  // Sleeps until MonotonicMs() reaches the given value (returns at once if it has).
  virtual void SleepUntilMs(std::int64_t deadline);
};

class SystemClock final : public Clock {
 public:
  LocalTime Now() const override;
  std::int64_t MonotonicMs() const override;
  void SleepMs(std::int64_t ms) override;
  // Wakes at the deadline itself, not up to a millisecond after it: a camera at a
  // thousand frames a second is paced on it.
  void SleepUntilMs(std::int64_t deadline) override;
};

// Time that moves only when someone sleeps on it or advances it. Local time is a
// fixed start plus the elapsed virtual milliseconds.
class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(LocalTime start = {2026, 12, 8, 21, 0, 0, 0});
  LocalTime Now() const override;
  std::int64_t MonotonicMs() const override;
  void SleepMs(std::int64_t ms) override;
  void AdvanceMs(std::int64_t ms);

 private:
  mutable std::mutex mutex_;
  std::int64_t startEpochMs_;
  std::int64_t elapsedMs_ = 0;
};

// The clock in force for the process (a SystemClock unless one is installed).
Clock& ProcessClock();

// Installs a clock for the lifetime of this object, then puts the previous one back.
class ScopedClock {
 public:
  explicit ScopedClock(Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  Clock* previous_;
};

// "%2.2d/%2.2d/%4.4d     %2.2d:%2.2d:%2.2d": day, month, year, five spaces, time.
std::string TimeText(const LocalTime& time);
// The hour:minute:second part of TimeText.
std::string TimeOfDayText(const LocalTime& time);

// The blocking wait of the instrument code, on the process clock. It ends early
// once WaitsCut() is true (a wait under way within 20 ms).
void WaitSeconds(double seconds);

// Waits a program that is stopping no longer sits out: while the installed test
// answers true, WaitSeconds and the serial line's writes return at once. The quit
// signals install one (platform/quit_signals.h); nullptr: no wait is ever cut.
using WaitCutTest = bool (*)();
void SetWaitCutTest(WaitCutTest test);
bool WaitsCut();

}  // namespace velmar
