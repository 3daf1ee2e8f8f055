#pragma once
// Work spread over time without holding the window thread: one step waits for its
// time on the process clock, and whoever owns it polls (a window's timer in the
// program, the virtual clock in tests). Between two steps the operator's clicks
// are handled, so a stop asked between steps is seen before the next one runs.
#include <cstdint>
#include <functional>

namespace velmar {

class DueStep {
 public:
  // Replaces any step still waiting.
  void After(std::int64_t ms, std::function<void()> step);
  void Cancel() { step_ = nullptr; }
  bool pending() const { return static_cast<bool>(step_); }
  // Runs the step when its time has come; the step may schedule the next one.
  // Returns whether a step ran.
  bool RunIfDue();

 private:
  std::function<void()> step_;
  std::int64_t dueMs_ = 0;
};

}  // namespace velmar
