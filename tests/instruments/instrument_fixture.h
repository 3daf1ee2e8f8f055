#pragma once
#include <gtest/gtest.h>

#include "instruments/board_operations.h"
#include "instruments/cs100_link.h"
#include "instruments/simulated_bench.h"
#include "params/fixed_text.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"

namespace velmar::testing {

class RecordingCs100Console : public Cs100Console {
 public:
  void ShowLinkState(CountingState state) override { shown.push_back(ViewOf(state, 2, 0).text); }
  void RestoreCountingState() override { shown.push_back("restored"); }
  std::vector<std::string> shown;
};

class Instruments : public ::testing::Test {
 protected:
  Instruments() : clockInstalled_(clock_), errorsInstalled_(errors_) {
    p_.Lambda = 6562.78f;
    p_.Cqg = 10.4f;
    p_.Lz = 24;
    p_.AcqType = kAcq3DObject;
  }
  std::vector<SimulatedBench::Write> Writes() const { return bench_.writes(); }

  VirtualClock clock_;
  ScopedClock clockInstalled_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter errorsInstalled_;
  AcquisitionParameters p_;
  AcquisitionState s_;
  SimulatedBench bench_;
  InstrumentBoard board_{bench_, p_, s_};
  RecordingCs100Console console_;
  int ended_ = 0;
  Cs100Link link_{p_, s_, board_, console_, [this] { ++ended_; }};
};

}  // namespace velmar::testing
