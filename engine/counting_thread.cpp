#include "engine/counting_thread.h"

#include <chrono>

#include "platform/thread_priority.h"
#include "platform/window_thread.h"

namespace velmar {

CountingThread::CountingThread(CountingEngine& engine, std::function<void()> showStandby)
    : engine_(engine), showStandby_(std::move(showStandby)) {}

CountingThread::~CountingThread() { Stop(); }

void CountingThread::Start() {
  thread_.Start([this](std::stop_token stop) { Body(stop); });
}

void CountingThread::Stop() { thread_.Stop(); }

void CountingThread::Body(std::stop_token stop) {
  RequestThreadPriority(2);
  engine_.photons().Reset();
  if (showStandby_) runOnWindowThread(showStandby_);
  engine_.countingThreadRunning.store(1);
  while (!stop.stop_requested()) {
    bool grabbed = false;
    engine_.WaitForNextFrame();
    runOnWindowThread([&] { grabbed = engine_.GrabNextFrame(); });
    while (engine_.tvLevelRequest.load() && !stop.stop_requested()) {
      engine_.tvLevelAck.store(1);
      std::this_thread::yield();
    }
    // Nothing to grab (terminated, or no camera): do not spin the window thread.
    if (!grabbed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  engine_.countingThreadRunning.store(0);
}

}  // namespace velmar
