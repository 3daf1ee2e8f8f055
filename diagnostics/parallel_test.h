#pragma once
// The parallel-line test of the CS100 link: with the checking device on the board's
// lines, every line is lit alone in turn (1, 2, 4 ... 2048), after an all-off 0,
// then all off and all on twice, until the operator stops it.
#include <cstdint>
#include <string>
#include <vector>

#include "instruments/cs100_link.h"

namespace velmar {

class ParallelTestHost {
 public:
  virtual ~ParallelTestHost() = default;
  virtual void ShowSending(const std::string& text) = 0;
  // The half-second each value stays on the lines, the window kept responsive.
  virtual void WaitStep() = 0;
  virtual bool StopRequested() = 0;
};

// The values of one round, as the lines carry them, with their texts.
struct ParallelTestStep {
  std::int32_t lines;
  std::string text;
};
std::vector<ParallelTestStep> ParallelTestRound();

// Rounds until the host asks to stop (looked at after every step). Each value v is
// sent as the position -v, so that the lines carry v.
void RunParallelTest(Cs100Link& link, ParallelTestHost& host);

}  // namespace velmar
