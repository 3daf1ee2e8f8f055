#include <gtest/gtest.h>

#include "engine/acquisition_state.h"
#include "params/collect_parameters.h"
#include "params/fixed_text.h"
#include "platform/error_reporter.h"

namespace velmar {
namespace {

class CollectParametersTest : public ::testing::Test {
 protected:
  CollectParametersTest() : installed_(errors_) {
    p_.RefreshMode = 2;
    controls_ = ControlsShowing(p_);
    controls_.path = "/data/G999";
  }

  CollectOutcome Collect(bool silent = false) {
    const CollectOutcome outcome = CollectParameters(p_, controls_, silent);
    HandOverCollectedPlan(p_, outcome, state_);
    return outcome;
  }
  std::string FailedRule() { return Collect().failedRule; }

  AcquisitionParameters p_;
  AcquisitionState state_;
  ParameterControls controls_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter installed_;
};

TEST_F(CollectParametersTest, DefaultsAreValidAndHandTheStopPointOver) {
  controls_.dataFormatEntry = ParameterControls{}.dataFormatEntry;  // the window's list starts on entry 2
  const auto outcome = Collect();
  EXPECT_EQ(outcome.result, 0);
  EXPECT_TRUE(outcome.failedRule.empty());
  EXPECT_TRUE(errors_.reported().empty());
  EXPECT_EQ(state_.Lz, 32);
  EXPECT_EQ(state_.stopCycle, 99);
  EXPECT_EQ(state_.stopChannel, 32);  // see-saw, odd number of cycles: ends going up
  EXPECT_EQ(TextOf(p_.Path), "/data/G999");
  EXPECT_EQ(p_.DataFormat, 2);  // the list's entry is taken at collection
}

TEST_F(CollectParametersTest, ObservationNumberBounds) {
  for (const char* bad : {"1000", "-1", "abc", ""}) {
    controls_.numobs = bad;
    EXPECT_EQ(FailedRule(), "number of the observation") << bad;
  }
  for (const char* good : {"0", "999", "042"}) {
    controls_.numobs = good;
    EXPECT_EQ(FailedRule(), "") << good;
  }
  EXPECT_EQ(p_.Numobs, 42);
}

TEST_F(CollectParametersTest, PrefixIsOneLetterRaisedToUpperCase) {
  controls_.prefix = "b";
  EXPECT_EQ(FailedRule(), "");
  EXPECT_EQ(TextOf(p_.Prefix), "B");
  for (const char* bad : {"1", "", " ", "\xc3\xa9"}) {
    controls_.prefix = bad;
    EXPECT_EQ(FailedRule(), "Prefix must be a character A to Z") << bad;
  }
}

TEST_F(CollectParametersTest, ErrorWindowNamesTheFirstFailingRule) {
  controls_.lz3Dobj = "x";
  controls_.cqg = "-1";  // fails later; only the first failure is shown
  const auto outcome = Collect();
  EXPECT_EQ(outcome.result, 1);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"Error in the definition of one parameter (at least)",
                                                "number of channels object", "Correct it please"}));
}

TEST_F(CollectParametersTest, SilentCollectionShowsNothingAndReturnsZero) {
  controls_.tcan = "-5";
  const auto outcome = Collect(true);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.failedRule, "current exposure time per channel");
  EXPECT_TRUE(errors_.reported().empty());
}

TEST_F(CollectParametersTest, ValuesBeforeTheFailingRuleStayInTheSet) {
  controls_.numobs = "12";
  controls_.randomPoints = "77";
  controls_.lz = "40";
  controls_.tcan = "bad";
  controls_.maxcycles = "5";
  EXPECT_EQ(FailedRule(), "current exposure time per channel");
  EXPECT_EQ(p_.Numobs, 12);
  EXPECT_EQ(p_.RandomPoints, 77);
  EXPECT_EQ(p_.Lz, 40);
  EXPECT_EQ(state_.Lz, 40);
  EXPECT_EQ(p_.Maxcycles, 99);  // after the failing rule: untouched
  EXPECT_EQ(state_.stopCycle, 99);
}

TEST_F(CollectParametersTest, StartingChannelAndCycleAgainstThePlan) {
  controls_.lz = "24";
  controls_.startcan = "24";
  EXPECT_EQ(FailedRule(), "");
  controls_.startcan = "25";
  EXPECT_EQ(FailedRule(), "starting channel number");
  controls_.startcan = "0";
  EXPECT_EQ(FailedRule(), "starting channel number");
  controls_.startcan = "1";
  controls_.startcycle = "0";
  EXPECT_EQ(FailedRule(), "");
  controls_.maxcycles = "3";
  controls_.startcycle = "4";
  EXPECT_EQ(FailedRule(), "starting cycle number");
}

TEST_F(CollectParametersTest, StopChannelFollowsSeeSawAndCycleParity) {
  controls_.lz = "24";
  controls_.maxcycles = "4";
  Collect();
  EXPECT_EQ(state_.stopChannel, 1);
  EXPECT_EQ(state_.stopCycle, 4);
  controls_.maxcycles = "3";
  Collect();
  EXPECT_EQ(state_.stopChannel, 24);
  controls_.seeSaw = false;
  controls_.maxcycles = "4";
  Collect();
  EXPECT_EQ(state_.stopChannel, 24);
}

TEST_F(CollectParametersTest, RealsAndDirectory) {
  controls_.lambda = "abc";
  EXPECT_EQ(FailedRule(), "calibration scanning wavelength");
  controls_.lambda = "6562.78";
  controls_.lambdaCalib = "-1";
  EXPECT_EQ(FailedRule(), "calibration scanning wavelength");
  controls_.lambdaCalib = "6598.953";
  controls_.lambdaObj = "-0.1";
  EXPECT_EQ(FailedRule(), "object scanning wavelength");
  controls_.lambdaObj = "0";
  controls_.cqg = "nan";
  EXPECT_EQ(FailedRule(), "Queensgate constant");
  controls_.cqg = "9.21";
  for (const char* bad : {"", "(null)"}) {
    controls_.path = bad;
    EXPECT_EQ(FailedRule(), "Data storage directory is not defined");
  }
}

TEST_F(CollectParametersTest, OverLongTextsAreCutToTheirFieldsButAnOverLongPathIsRefused) {
  controls_.comment = std::string(500, 'c');
  controls_.path = "/" + std::string(254, 'p');  // 255 characters: the field holds it whole
  EXPECT_EQ(FailedRule(), "");
  EXPECT_EQ(TextOf(p_.Comment).size(), sizeof(p_.Comment) - 1);
  EXPECT_EQ(TextOf(p_.Path), controls_.path);
  SetText(p_.Path, "/data/G001");
  for (const std::size_t length : {256u, 400u}) {
    controls_.path = "/" + std::string(length - 1, 'p');
    EXPECT_EQ(FailedRule(), "Data storage directory is longer than 255 characters");
    EXPECT_EQ(TextOf(p_.Path), "/data/G001");  // a cut path never reaches the set
  }
}

TEST_F(CollectParametersTest, PortsOutsideTheListShowAndReadAsCom2) {
  for (const std::int32_t port : {-2147483647 - 1, 0, 5, 2147483647}) {
    p_.ComPort = port;
    EXPECT_EQ(ControlsShowing(p_).serialEntry, 1) << port;
  }
  p_.ComPort = 4;
  EXPECT_EQ(ControlsShowing(p_).serialEntry, 3);
  for (const std::int32_t entry : {-2147483647 - 1, -1, 4, 2147483647}) {
    controls_.serialEntry = entry;
    Collect();
    EXPECT_EQ(p_.ComPort, 2) << entry;
  }
  controls_.serialEntry = 0;
  Collect();
  EXPECT_EQ(p_.ComPort, 1);
}

TEST_F(CollectParametersTest, FullRefreshModeReadsNothingButTheCameraKind) {
  p_.RefreshMode = 1;
  p_.CCDXSize = 768;
  p_.CCDYSize = 288;
  controls_.numobs = "5";
  EXPECT_EQ(Collect().result, 0);
  EXPECT_EQ(p_.Numobs, 999);
  EXPECT_EQ(p_.ThomsonCamera, 1);
}

TEST(AcquisitionType, ChoosingATypeCopiesItsColumn) {
  AcquisitionParameters p;
  p.Lz3Dobj = 48;
  p.Tcan3Dobj = 20;
  p.Maxcycles3Dobj = 6;
  p.LambdaObj = 4861.3f;
  SelectAcquisitionType(p, kAcq3DObject);
  EXPECT_EQ(p.Lz, 48);
  EXPECT_EQ(p.Tcan, 20);
  EXPECT_EQ(p.Maxcycles, 6);
  EXPECT_FLOAT_EQ(p.Lambda, 4861.3f);

  SelectAcquisitionType(p, kAcq2DImage);
  EXPECT_EQ(p.Lz, 1);
  EXPECT_EQ(p.Tcan, 10);
  EXPECT_EQ(p.Maxcycles, 99);
  EXPECT_FLOAT_EQ(p.Lambda, 4861.3f);  // the 2D type leaves the wavelength

  SelectAcquisitionType(p, kAcqAnalogicCalibration);
  EXPECT_EQ(p.AcqType, 3);
  EXPECT_EQ(p.Lz, 32);
  EXPECT_FLOAT_EQ(p.Lambda, 6598.953f);
  EXPECT_EQ(p.Tcan, 1);
  EXPECT_EQ(p.Maxcycles, 1);
}

TEST(ParameterSet, DefaultsLeaveTheInstrumentBlockButTheStoredSizes) {
  AcquisitionParameters p;
  AcquisitionState s;
  p.Numobs = 12;
  p.Discri = 37;
  p.CCDXSize = 1024;
  p.StoredXSize = 1024;
  p.StoredYSize = 512;
  SetText(p.Prefix, "Q");
  SetText(p.Path, "/data/Q012");
  SetDefaultParameters(p, s);
  EXPECT_EQ(p.Numobs, 999);
  EXPECT_EQ(TextOf(p.Prefix), "G");
  EXPECT_EQ(TextOf(p.Path), "");
  EXPECT_EQ(p.Discri, 37);
  EXPECT_EQ(p.CCDXSize, 1024);
  EXPECT_EQ(p.StoredXSize, 256);
  EXPECT_EQ(p.StoredYSize, 256);
}

TEST(ParameterSet, DefaultsResetTheMonitoredAcquisitionState) {
  AcquisitionParameters p;
  AcquisitionState s;
  s.shutterState = 3;
  s.closeLoopActive = s.closeLoopHeld = s.closeLoopRedoPending = 1;
  s.pauseDialogState = s.abortDialogState = s.endDialogState = 1;
  s.closeLoopWatch = 0;
  s.lastLogLength = 4096;
  s.currentChannel = 7;
  s.thtSent = 1200;
  SetDefaultParameters(p, s);
  EXPECT_EQ(s.shutterState, 0);
  EXPECT_EQ(s.closeLoopActive + s.closeLoopHeld + s.closeLoopRedoPending, 0);
  EXPECT_EQ(s.pauseDialogState + s.abortDialogState + s.endDialogState, 0);
  EXPECT_EQ(s.closeLoopWatch, 1);
  EXPECT_EQ(s.lastLogLength, kUnknownLength);
  EXPECT_EQ(s.currentChannel, 7);  // the rest of the state is not the defaults' business
  EXPECT_EQ(s.thtSent, 1200);
}

TEST(ParameterSet, CoordinateBytesAndThomsonCamera) {
  EXPECT_EQ(CoordinateBytes(256), 1);
  EXPECT_EQ(CoordinateBytes(257), 2);
  EXPECT_EQ(ThomsonCamera(768, 288), 1);
  EXPECT_EQ(ThomsonCamera(768, 576), 0);
  EXPECT_EQ(ThomsonCamera(512, 512), 0);
}

}  // namespace
}  // namespace velmar
