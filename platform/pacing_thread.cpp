#include "platform/pacing_thread.h"

#include <chrono>

#include "platform/window_thread.h"

namespace velmar {

void PacingThread::Start(std::function<void(std::stop_token)> body) {
  if (thread_.joinable()) return;
  finished_.store(false);
  thread_ = std::jthread([this, body = std::move(body)](std::stop_token stop) {
    body(stop);
    finished_.store(true);
  });
}

void PacingThread::Stop() {
  if (!thread_.joinable()) return;
  thread_.request_stop();
  while (!finished_.load()) {
    ServePendingHandOvers();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  thread_.join();
}

}  // namespace velmar
