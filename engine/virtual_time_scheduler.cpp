#include "engine/virtual_time_scheduler.h"

namespace velmar {

VirtualTimeScheduler::VirtualTimeScheduler(Clock& clock, CountingEngine& engine, Grabber& grabber,
                                           const GrabberObjects& objects, std::function<void()> storeStep)
    : clock_(clock),
      engine_(engine),
      grabber_(grabber),
      objects_(objects),
      storeStep_(std::move(storeStep)),
      nextStoreMs_(clock.MonotonicMs() + 1000) {
  engine_.SetWaitForWorkers(true);
}

int VirtualTimeScheduler::RunUntil(const std::function<bool()>& done, int maxSeconds) {
  int steps = 0;
  while (steps < maxSeconds) {
    const bool camera = objects_.setUpDone && objects_.digitizer != 0 && !engine_.terminate.load();
    // A step that grabs nothing (the camera gone) ends the grabbing of this second.
    while (camera && grabber_.NextFrameTimeMs(objects_.digitizer) < nextStoreMs_ && engine_.GrabNextFrame()) {
    }
    clock_.SleepUntilMs(nextStoreMs_);
    storeStep_();
    // As StoreFrames, a second after the end of the step: a step that waits on a
    // device (the temperature controller's replies) does not shorten the next second.
    nextStoreMs_ = clock_.MonotonicMs() + 1000;
    if (secondStep_) secondStep_();
    ++steps;
    if (done && done()) break;
  }
  return steps;
}

}  // namespace velmar
