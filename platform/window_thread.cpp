#include "platform/window_thread.h"

#include <atomic>
#include <stdexcept>

namespace velmar {

HandOverLoop::HandOverLoop() : owner_(std::this_thread::get_id()) {}

bool HandOverLoop::IsWindowThread() const { return std::this_thread::get_id() == owner_; }

void HandOverLoop::Run(const std::function<void()>& step) {
  if (IsWindowThread()) {
    step();
    return;
  }
  Task task{&step};
  std::unique_lock lock(mutex_);
  queue_.push_back(&task);
  wake_.notify_all();
  finished_.wait(lock, [&] { return task.done; });
}

bool HandOverLoop::RunOne(std::unique_lock<std::mutex>& lock) {
  if (queue_.empty()) return false;
  Task* task = queue_.front();
  queue_.pop_front();
  lock.unlock();
  // A step that throws must still release its caller.
  try {
    (*task->step)();
  } catch (...) {
    lock.lock();
    task->done = true;
    finished_.notify_all();
    throw;
  }
  lock.lock();
  task->done = true;
  finished_.notify_all();
  return true;
}

void HandOverLoop::ServePending() {
  std::unique_lock lock(mutex_);
  while (RunOne(lock)) {
  }
}

void HandOverLoop::ServeUntil(const std::function<bool()>& done) {
  std::unique_lock lock(mutex_);
  for (;;) {
    lock.unlock();
    if (done()) return;
    lock.lock();
    if (!RunOne(lock))
      wake_.wait_for(lock, std::chrono::milliseconds(5), [&] { return !queue_.empty(); });
  }
}

namespace {
std::atomic<WindowThread*> installed{nullptr};
}

WindowThread& CurrentWindowThread() {
  WindowThread* windowThread = installed.load();
  if (!windowThread) throw std::logic_error("no window thread installed");
  return *windowThread;
}

void InstallWindowThread(WindowThread* windowThread) { installed.store(windowThread); }

void runOnWindowThread(const std::function<void()>& step) { CurrentWindowThread().Run(step); }

void ServePendingHandOvers() {
  WindowThread* windowThread = installed.load();
  if (windowThread && windowThread->IsWindowThread()) windowThread->ServePending();
}

}  // namespace velmar
