#pragma once
// StoreFrames: sleeps a second, then hands one store step to the window thread.
#include <functional>

#include "platform/pacing_thread.h"

namespace velmar {

class StoreFramesThread {
 public:
  // stampEnd runs first (on the window thread): the end stamp of a previous step.
  StoreFramesThread(std::function<void()> stampEnd, std::function<void()> storeStep)
      : stampEnd_(std::move(stampEnd)), storeStep_(std::move(storeStep)) {}
  ~StoreFramesThread() { Stop(); }
  void Start();
  void Stop() { thread_.Stop(); }
  void RequestStop() { thread_.RequestStop(); }  // does not wait

 private:
  std::function<void()> stampEnd_;
  std::function<void()> storeStep_;
  PacingThread thread_;
};

}  // namespace velmar
