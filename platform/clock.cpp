#include "platform/clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

#include "platform/format.h"

namespace velmar {

void Clock::SleepUntilMs(std::int64_t deadline) {
  const std::int64_t now = MonotonicMs();
  if (deadline > now) SleepMs(deadline - now);
}

LocalTime SystemClock::Now() const {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  LocalTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  t.millisecond = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return t;
}

std::int64_t SystemClock::MonotonicMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepMs(std::int64_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SystemClock::SleepUntilMs(std::int64_t deadline) {
  std::this_thread::sleep_until(std::chrono::steady_clock::time_point(std::chrono::milliseconds(deadline)));
}

namespace {
// Local calendar time as if in UTC, so virtual time never meets a daylight-saving jump.
std::int64_t ToEpochMs(const LocalTime& t) {
  std::tm tm{};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  return static_cast<std::int64_t>(timegm(&tm)) * 1000 + t.millisecond;
}

LocalTime FromEpochMs(std::int64_t ms) {
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&seconds, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
          static_cast<int>(ms % 1000)};
}
}  // namespace

VirtualClock::VirtualClock(LocalTime start) : startEpochMs_(ToEpochMs(start)) {}

LocalTime VirtualClock::Now() const {
  std::lock_guard lock(mutex_);
  return FromEpochMs(startEpochMs_ + elapsedMs_);
}

std::int64_t VirtualClock::MonotonicMs() const {
  std::lock_guard lock(mutex_);
  return elapsedMs_;
}

void VirtualClock::SleepMs(std::int64_t ms) { AdvanceMs(ms); }

void VirtualClock::AdvanceMs(std::int64_t ms) {
  if (ms <= 0) return;
  std::lock_guard lock(mutex_);
  elapsedMs_ += ms;
}

namespace {
SystemClock& DefaultClock() {
  static SystemClock clock;
  return clock;
}
std::atomic<Clock*> installedClock{nullptr};
}  // namespace

Clock& ProcessClock() {
  Clock* clock = installedClock.load();
  return clock ? *clock : DefaultClock();
}

ScopedClock::ScopedClock(Clock& clock) : previous_(installedClock.exchange(&clock)) {}
ScopedClock::~ScopedClock() { installedClock.store(previous_); }

std::string TimeText(const LocalTime& t) {
  return Format("%2.2d/%2.2d/%4.4d     %2.2d:%2.2d:%2.2d", t.day, t.month, t.year, t.hour, t.minute,
                t.second);
}

std::string TimeOfDayText(const LocalTime& t) {
  return Format("%2.2d:%2.2d:%2.2d", t.hour, t.minute, t.second);
}

namespace {
std::atomic<WaitCutTest> waitCutTest{nullptr};
}

void SetWaitCutTest(WaitCutTest test) { waitCutTest.store(test); }

bool WaitsCut() {
  const WaitCutTest test = waitCutTest.load();
  return test && test();
}

void WaitSeconds(double seconds) {
  if (seconds <= 0) return;
  Clock& clock = ProcessClock();
  const std::int64_t ms = static_cast<std::int64_t>(seconds * 1000.0 + 0.5);
  if (!waitCutTest.load()) {
    clock.SleepMs(ms);
    return;
  }
  // In slices, so that a stop asked for meanwhile is not kept waiting.
  const std::int64_t deadline = clock.MonotonicMs() + ms;
  for (std::int64_t left = ms; left > 0 && !WaitsCut(); left = deadline - clock.MonotonicMs())
    clock.SleepMs(std::min<std::int64_t>(left, 20));
}

}  // namespace velmar
