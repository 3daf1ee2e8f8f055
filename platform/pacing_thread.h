#pragma once
// A thread that paces steps run on the window thread. Stopping it from the window
// thread keeps serving the hand-overs while it waits, so a step the thread has
// asked for can run and the thread can see the stop.
#include <atomic>
#include <functional>
#include <stop_token>
#include <thread>

namespace velmar {

class PacingThread {
 public:
  PacingThread() = default;
  ~PacingThread() { Stop(); }
  PacingThread(const PacingThread&) = delete;
  PacingThread& operator=(const PacingThread&) = delete;

  // Starts the body unless it runs already.
  void Start(std::function<void(std::stop_token)> body);
  void Stop();
  // Asks the body to end without waiting for it: safe inside a step this thread
  // may be waiting for, where Stop() would wait for ever.
  void RequestStop() {
    if (thread_.joinable()) thread_.request_stop();
  }
  bool running() const { return thread_.joinable() && !finished_.load(); }

 private:
  std::jthread thread_;
  std::atomic<bool> finished_{true};
};

}  // namespace velmar
