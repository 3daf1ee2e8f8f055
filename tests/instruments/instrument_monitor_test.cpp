// The instrument monitor's tick on the simulated bench and the virtual clock, and
// its pacing thread.
#include "instruments/instrument_monitor.h"

#include <gtest/gtest.h>

#include "instrument_fixture.h"
#include "instruments/monitor_text_display.h"
#include "platform/window_thread.h"

namespace velmar::testing {
namespace {

class MonitorTest : public Instruments {
 protected:
  MonitorTest() {
    p_.THTLow = 6000;
    p_.THTMedium = 9400;
    p_.THTMax = 10800;
    p_.StartWithTHT = 0;
    s_.monitorEnabled = 1;
  }
  // The voltages the tick sent to a THT system 3 or 4 supply, as codes.
  std::vector<int> ThtCodesSent() const {
    std::vector<int> codes;
    for (const auto& w : bench_.writes())
      if (w.board == 2 && w.port == 0) codes.push_back(w.value);
    return codes;
  }

  HighVoltage tht_{p_, s_, board_};
  TemperatureLink temperature_{p_, s_, {}};
  TextMonitorDisplay display_;
  InstrumentMonitor monitor_{{p_, s_, board_, tht_, temperature_}, display_};
};

TEST_F(MonitorTest, AnUncontrolledOrUnsetThtIsNotProbed) {
  p_.THTSystem = 0;
  monitor_.Tick();
  EXPECT_EQ(display_.Text("THTRead"), "99999");
  EXPECT_FALSE(display_.Visible("LabelTHTNoResponse"));  // 99999 is above any low level
  EXPECT_TRUE(bench_.writes().empty());
  p_.THTSystem = 1;
  s_.thtSent = 0;
  monitor_.Tick();
  EXPECT_EQ(display_.Text("THTRead"), "99999");
  EXPECT_EQ(display_.Text("THTSent"), "00000");
  EXPECT_EQ(bench_.AnalogSetPoint(), 0.0f);  // nothing sent
  EXPECT_EQ(display_.refreshes, 2);
}

TEST_F(MonitorTest, TheProbePassesOnSupplysWithoutMeasurement) {
  p_.THTSystem = 4;
  const std::int64_t before = clock_.MonotonicMs();
  monitor_.Tick();
  EXPECT_EQ(clock_.MonotonicMs() - before, 500);  // the probe's half second
  EXPECT_EQ(ThtCodesSent(), (std::vector<int>{ThtCode(200), 0}));
  EXPECT_EQ(s_.thtSent, 0);  // each probe leaves the THT at 0
  EXPECT_EQ(s_.thtWarningText, kThtTooLowText);
  EXPECT_EQ(display_.Text("LabelTHTNoResponse"), "THT too low !");
  // THT system 1: "zero" is 1 V, read as 0; after the probe the read is "none".
  p_.THTSystem = 1;
  s_.thtSent = 1;
  monitor_.Tick();
  EXPECT_EQ(s_.thtSent, 0);
  EXPECT_EQ(s_.thtRead, kThtNotControlled);
  EXPECT_EQ(s_.thtWarningText, "");
  EXPECT_FALSE(display_.Visible("LabelTHTNoResponse"));
}

TEST_F(MonitorTest, ASupplyThatDoesNotFollowIsTold) {
  BenchConfig config;
  config.thtNotFollowing = true;
  for (int system : {2, 3}) {
    p_.THTSystem = config.thtSystem = system;
    bench_.SetConfig(config);
    monitor_.Tick();
    EXPECT_EQ(display_.Text("LabelTHTNoResponse"), kNoThtText) << system;
    EXPECT_EQ(s_.thtWarningText, kNoThtText) << system;
    EXPECT_EQ(s_.thtSent, 0) << system;
  }
  // The same supply answering: the probe passes, the THT is only too low.
  config.thtNotFollowing = false;
  for (int system : {2, 3}) {
    p_.THTSystem = config.thtSystem = system;
    bench_.SetConfig(config);
    monitor_.Tick();
    EXPECT_EQ(s_.thtWarningText, kThtTooLowText) << system;
  }
  config.thtNotFollowing = true;
  // A squeezed read passes whatever the supply does.
  bench_.SetConfig(config);
  p_.THTSqueeze = 1;
  monitor_.Tick();
  EXPECT_EQ(s_.thtWarningText, kThtTooLowText);
  // The analogic calibration needs no THT.
  p_.AcqType = kAcqAnalogicCalibration;
  monitor_.Tick();
  EXPECT_EQ(s_.thtWarningText, "");
}

TEST_F(MonitorTest, AfterTheTuningWindowALowThtIsToldWithoutAProbe) {
  p_.THTSystem = 4;  // an AsGa tube's supply
  p_.THTLow = 1200;
  p_.THTMedium = 1800;
  p_.THTMax = 1900;
  p_.StartWithTHT = 1;
  monitor_.Tick();
  EXPECT_TRUE(bench_.writes().empty());
  EXPECT_EQ(display_.Text("LabelTHTNoResponse"), kThtTooLowText);
  tht_.SetTHT(1200);
  monitor_.Tick();
  EXPECT_FALSE(display_.Visible("LabelTHTNoResponse"));
  EXPECT_EQ(display_.Text("THTRead"), "01200");
}

TEST_F(MonitorTest, AScanOfOneChannelIsQuestionedExceptFor2DImages) {
  p_.THTSystem = 0;
  display_.channelField = "1";
  p_.AcqType = kAcq3DObject;
  monitor_.Tick();
  EXPECT_TRUE(display_.Visible("Label1can"));
  EXPECT_EQ(p_.MonitorWarning, 1);
  EXPECT_EQ(s_.scanOneChannelShown, 1);
  display_.channelField = "";  // unreadable: the label keeps its state
  monitor_.Tick();
  EXPECT_TRUE(display_.Visible("Label1can"));
  EXPECT_EQ(p_.MonitorWarning, 0);
  p_.AcqType = kAcq2DImage;
  display_.channelField = "1";
  monitor_.Tick();
  EXPECT_FALSE(display_.Visible("Label1can"));
  // Without the field, the parameter set's number counts.
  display_.channelField.reset();
  p_.AcqType = kAcq3DCalibration;
  p_.Lz = 0;
  monitor_.Tick();
  EXPECT_TRUE(display_.Visible("Label1can"));
}

TEST_F(MonitorTest, TheTickRefreshesTheRemoteControlsIntoTheState) {
  p_.THTSystem = 0;
  p_.ShutterSystem = 1;
  s_.closeLoopWatch = 0;
  s_.filterPosition = 2;
  s_.filterNames[1] = "Halpha";
  s_.mirrorPosition = 2;
  struct : BoardDisplay {
    void ShowShutterStatus(const std::string& text, std::int32_t, std::int32_t) override { shown = text; }
    std::string shown;
  } tuningWindow;
  monitor_.AlsoShowShutterOn(&tuningWindow);
  monitor_.Tick();
  EXPECT_EQ(tuningWindow.shown, s_.shutterStateText);
  EXPECT_EQ(display_.Text("LabelShutter"), s_.shutterStateText);
  EXPECT_EQ(display_.Text("LabelCloseLoop"), "INHIB");
  EXPECT_EQ(display_.Text("LabelTemperature"), "- - -");
  EXPECT_EQ(display_.Text("LabelTemperatureCommand"), "No command");
  EXPECT_EQ(display_.Text("LabelFilterNum"), "#2");
  EXPECT_EQ(display_.Text("LabelFilter"), "Halpha");
  EXPECT_EQ(display_.Text("LabelMirror"), "Sky");
  EXPECT_EQ(display_.Text("LabelLamp1"), " off ");
  // Disabled, the monitor does nothing.
  s_.monitorEnabled = 0;
  monitor_.TickIfEnabled();
  EXPECT_EQ(display_.refreshes, 1);
}

TEST(ControleThread, HandsATickToTheWindowThreadEverySecondUntilStopped) {
  HandOverLoop loop;
  InstallWindowThread(&loop);
  const auto windowThread = std::this_thread::get_id();
  int ticks = 0;
  bool onWindowThread = true;
  {
    ControleThread controle([&] {
      ++ticks;
      onWindowThread = onWindowThread && std::this_thread::get_id() == windowThread;
    });
    controle.Start();
    EXPECT_TRUE(controle.running());
    loop.ServeUntil([&] { return ticks >= 2; });
    controle.Stop();  // serves the hand-over it may be waiting in
    EXPECT_FALSE(controle.running());
  }
  EXPECT_GE(ticks, 2);
  EXPECT_TRUE(onWindowThread);
  InstallWindowThread(nullptr);
}

}  // namespace
}  // namespace velmar::testing
