#include "console/prepare_parameters.h"

#include <gtest/gtest.h>

#include "support/pty_device.h"
#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

class NewAcquisition : public ::testing::Test {
 protected:
  NewAcquisition() : system_(dir_.path() / "system"), home_("HOME", dir_.path().string()) {
    AcquisitionState& s = shared_.acquisition;
    // What a finished acquisition leaves behind.
    s.shutterState = 3;
    s.closeLoopActive = s.closeLoopHeld = s.closeLoopRedoPending = 1;
    s.pauseDialogState = s.abortDialogState = s.endDialogState = 1;
    s.closeLoopWatch = 0;
    s.lastLogLength = 123456;
  }

  TempDir dir_;
  ScopedSystemDir system_;
  ScopedEnv home_;
  SharedState shared_;
};

TEST_F(NewAcquisition, TheDefaultsResetWhatTheMonitorAndTheAlarmsShare) {
  PrepareNewAcquisitionParameters(shared_, dir_.path());
  const AcquisitionState& s = shared_.acquisition;
  EXPECT_EQ(s.shutterState, 0);
  EXPECT_EQ(s.closeLoopActive, 0);
  EXPECT_EQ(s.closeLoopHeld, 0);
  EXPECT_EQ(s.closeLoopRedoPending, 0);
  EXPECT_EQ(s.pauseDialogState, 0);
  EXPECT_EQ(s.abortDialogState, 0);
  EXPECT_EQ(s.endDialogState, 0);
  EXPECT_EQ(s.closeLoopWatch, 1);
  EXPECT_EQ(s.lastLogLength, kUnknownLength);
}

TEST_F(NewAcquisition, ARunningAcquisitionKeepsItsState) {
  shared_.parameters.RunState = 1;
  PrepareNewAcquisitionParameters(shared_, dir_.path());
  const AcquisitionState& s = shared_.acquisition;
  EXPECT_EQ(s.shutterState, 3);
  EXPECT_EQ(s.closeLoopHeld, 1);
  EXPECT_EQ(s.closeLoopWatch, 0);
  EXPECT_EQ(s.lastLogLength, 123456);
}

}  // namespace
}  // namespace velmar::testing
