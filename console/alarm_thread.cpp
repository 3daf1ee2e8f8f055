#include "console/alarm_thread.h"

#include <chrono>
#include <thread>

#include "platform/thread_priority.h"
#include "platform/window_thread.h"

namespace velmar {

void AlarmThread::Start() {
  thread_.Start([this](std::stop_token stop) {
    RequestThreadPriority(1);
    while (!stop.stop_requested()) {
      // A second in small slices, so that a stop is seen at once.
      for (int slice = 0; slice < 10 && !stop.stop_requested(); ++slice)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!stop.stop_requested()) runOnWindowThread(alarmStep_);
    }
  });
}

}  // namespace velmar
