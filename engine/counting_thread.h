#pragma once
// Comptage: the counting thread. It only paces: one counting step after another,
// each run on the window thread; between two steps it stays parked while the
// window thread changes the TV levels.
#include <functional>

#include "engine/counting_engine.h"
#include "platform/pacing_thread.h"

namespace velmar {

class CountingThread {
 public:
  // showStandby runs on the window thread when the thread starts.
  CountingThread(CountingEngine& engine, std::function<void()> showStandby);
  ~CountingThread();
  void Start();
  void Stop();  // waits for the loop to end
  void RequestStop() { thread_.RequestStop(); }  // does not wait

 private:
  void Body(std::stop_token stop);

  CountingEngine& engine_;
  std::function<void()> showStandby_;
  PacingThread thread_;
};

}  // namespace velmar
