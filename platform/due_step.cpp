#include "platform/due_step.h"

#include "platform/clock.h"

namespace velmar {

void DueStep::After(std::int64_t ms, std::function<void()> step) {
  dueMs_ = ProcessClock().MonotonicMs() + ms;
  step_ = std::move(step);
}

bool DueStep::RunIfDue() {
  if (!step_ || ProcessClock().MonotonicMs() < dueMs_) return false;
  auto step = std::move(step_);
  step_ = nullptr;
  step();
  return true;
}

}  // namespace velmar
