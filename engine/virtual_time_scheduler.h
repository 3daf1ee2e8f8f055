#pragma once
// Pacing on the virtual clock: one discrete-event loop runs the counting steps at
// the camera's frame times and a store step a second after the previous one ended
// (as the StoreFrames thread sleeps), each frame's worker finishing before the next
// step, so a whole observation is deterministic and runs as fast as the machine
// allows.
#include <functional>

#include "engine/counting_engine.h"
#include "platform/clock.h"

namespace velmar {

class VirtualTimeScheduler {
 public:
  VirtualTimeScheduler(Clock& clock, CountingEngine& engine, Grabber& grabber, const GrabberObjects& objects,
                       std::function<void()> storeStep);

  // A step run each whole second after the store step (the alarm step), as the
  // thread created after StoreFrames runs it.
  void SetSecondStep(std::function<void()> step) { secondStep_ = std::move(step); }

  // Runs until done() holds after a store step, or for maxSeconds store steps;
  // returns the number of store steps run.
  int RunUntil(const std::function<bool()>& done, int maxSeconds);

 private:
  Clock& clock_;
  CountingEngine& engine_;
  Grabber& grabber_;
  const GrabberObjects& objects_;
  std::function<void()> storeStep_;
  std::function<void()> secondStep_;
  std::int64_t nextStoreMs_;
};

}  // namespace velmar
