#include "diagnostics/parallel_test.h"

#include "platform/format.h"

namespace velmar {

std::vector<ParallelTestStep> ParallelTestRound() {
  std::vector<ParallelTestStep> steps;
  steps.push_back({0, Format("Sending %d = %3.3XH", 0, 0u)});
  for (int v = 1; v <= 2048; v *= 2) steps.push_back({v, Format("Sending %d = %3.3XH", v, static_cast<unsigned>(v))});
  for (int twice = 0; twice < 2; ++twice) {
    steps.push_back({0, "Sending 0"});
    steps.push_back({0xFFF, "Sending FFF"});
  }
  return steps;
}

void RunParallelTest(Cs100Link& link, ParallelTestHost& host) {
  const std::vector<ParallelTestStep> round = ParallelTestRound();
  for (;;)
    for (const ParallelTestStep& step : round) {
      link.SendPosition(-step.lines);
      host.ShowSending(step.text);
      host.WaitStep();
      if (host.StopRequested()) return;
    }
}

}  // namespace velmar
