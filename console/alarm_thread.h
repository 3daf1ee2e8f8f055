#pragma once
// Alarm: sleeps a second, then hands one alarm step to the window thread, until
// the process ends.
#include <functional>

#include "platform/pacing_thread.h"

namespace velmar {

class AlarmThread {
 public:
  explicit AlarmThread(std::function<void()> alarmStep) : alarmStep_(std::move(alarmStep)) {}
  ~AlarmThread() { Stop(); }
  void Start();
  void Stop() { thread_.Stop(); }
  void RequestStop() { thread_.RequestStop(); }  // does not wait

 private:
  std::function<void()> alarmStep_;
  PacingThread thread_;
};

}  // namespace velmar
