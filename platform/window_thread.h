#pragma once
// The synchronous hand-over from a pacing thread to the window thread: the caller
// blocks until the step has run there. The GUI installs a Qt implementation; the
// headless runner and the tests use HandOverLoop.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace velmar {

class WindowThread {
 public:
  virtual ~WindowThread() = default;
  // Runs the step on the window thread and returns when it has run. Called on the
  // window thread itself, it runs the step at once.
  virtual void Run(const std::function<void()>& step) = 0;
  // On the window thread: runs the hand-overs already waiting (a wait that must
  // not block them, such as the TV-level pause, calls this while it waits).
  virtual void ServePending() = 0;
  virtual bool IsWindowThread() const = 0;
};

// A window thread of our own: the thread that calls Serve*() is the window thread.
class HandOverLoop final : public WindowThread {
 public:
  HandOverLoop();  // the constructing thread becomes the window thread
  void Run(const std::function<void()>& step) override;
  void ServePending() override;
  bool IsWindowThread() const override;
  // Serves hand-overs until the predicate, checked after each one, holds.
  void ServeUntil(const std::function<bool()>& done);

 private:
  struct Task {
    const std::function<void()>* step;
    bool done = false;
  };
  bool RunOne(std::unique_lock<std::mutex>& lock);

  std::thread::id owner_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::deque<Task*> queue_;
};

// The window thread in force (installed by the program entry or a test).
WindowThread& CurrentWindowThread();
void InstallWindowThread(WindowThread* windowThread);
void runOnWindowThread(const std::function<void()>& step);
// On the window thread, runs the hand-overs that wait; elsewhere (or with no window
// thread installed) does nothing.
void ServePendingHandOvers();

}  // namespace velmar
