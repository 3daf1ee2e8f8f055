#include <map>

#include "instrument_fixture.h"
#include "instruments/high_voltage.h"
#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

class RecordingDisplay : public BoardDisplay {
 public:
  void ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t) override {
    status = text;
    this->code = code;
    ++shown;
  }
  void ShowShutterClosedLabel(bool on) override { closedLabel = on; }
  void ShowCloseLoop(const std::string& text, bool red) override {
    loop = text;
    loopRed = red;
  }
  std::string status, loop;
  int code = -1, shown = 0;
  bool closedLabel = false, loopRed = false;
};

TEST_F(Instruments, EveryShutterSystemCommandsAndReadsItsShutter) {
  for (int system : {1, 2, 3, 4}) {
    BenchConfig config;
    config.shutterSystem = system;
    bench_.SetConfig(config);
    p_.ShutterSystem = system;
    RecordingDisplay display;
    board_.CommandShutter(0);
    board_.ShowShutterStatus(display);
    EXPECT_EQ(display.status, "OPEN") << system;
    EXPECT_FALSE(display.closedLabel);
    board_.CommandShutter(1);
    board_.ShowShutterStatus(display);
    EXPECT_EQ(display.status, "CLOSED") << system;
    EXPECT_TRUE(display.closedLabel);
    EXPECT_EQ(s_.shutterStateText, "CLOSED");
    config.shutterDisconnected = true;  // status bits of a shutter that answers nothing sensible
    bench_.SetConfig(config);
    board_.ShowShutterStatus(display);
    EXPECT_EQ(display.code, 2);
    EXPECT_EQ(display.status, system == 2 ? "DECONCT" : "UNDEFND") << system;
  }
}

TEST_F(Instruments, ShutterCommandsWriteTheirBitsAndNothingElse) {
  p_.ShutterSystem = 1;
  board_.CommandShutter(1);
  board_.CommandShutter(0);
  p_.ShutterSystem = 2;
  board_.CommandShutter(1);
  p_.ShutterSystem = 3;
  board_.CommandShutter(1);
  p_.ShutterSystem = 4;
  board_.CommandShutter(1);
  board_.SetShutterBit(0);
  EXPECT_EQ(Writes(), (std::vector<SimulatedBench::Write>{{1, 3, 0x00, 0x20}, {1, 3, 0x20, 0x20}, {1, 3, 0x20, 0x20},
                                                          {2, 2, 0, 0xFF}, {2, 2, 1, 0xFF}, {1, 3, 0x00, 0x20}}));
  EXPECT_EQ(s_.shutterState, 1);  // systems 1 and 2 keep the commanded state; 3 and 4 leave it
}

TEST_F(Instruments, UncontrolledShuttersShowInhibOrNothing) {
  RecordingDisplay display;
  display.closedLabel = true;
  p_.ShutterSystem = 0;
  board_.CommandShutter(1);
  board_.ShowShutterStatus(display);
  EXPECT_EQ(display.status, "INHIB");
  EXPECT_TRUE(display.closedLabel);  // left as it was
  p_.ShutterSystem = 5;
  board_.ShowShutterStatus(display);
  board_.RefreshShutterStatus(display);
  EXPECT_EQ(display.shown, 1);
  EXPECT_TRUE(Writes().empty());
}

TEST_F(Instruments, TheCloseLoopIsReadOnTheBoardOfTheVariant) {
  BenchConfig config;
  config.closeLoopLostFrom = 10;
  config.closeLoopLostFor = 5;
  bench_.SetConfig(config);
  s_.closeLoopWatch = 1;
  RecordingDisplay display;
  board_.ShowCloseLoop(display);
  EXPECT_EQ(display.loop, "OK");
  clock_.AdvanceMs(11000);  // the controller lost its lock
  board_.ShowCloseLoop(display);
  EXPECT_EQ(display.loop, "NOK");
  EXPECT_TRUE(display.loopRed);
  EXPECT_EQ(s_.closeLoopActive, 1);
  p_.AxiomBoard = 1;  // variant 1 reads board 2 port 8, where this bench has nothing
  EXPECT_EQ(board_.ReadCloseLoop(), 0);
  config.closeLoopVariant = 1;
  bench_.SetConfig(config);
  clock_.AdvanceMs(5000);
  EXPECT_EQ(board_.ReadCloseLoop(), 1);
  s_.closeLoopWatch = 0;
  board_.ShowCloseLoop(display);
  EXPECT_EQ(display.loop, "INHIB");
  p_.CS100Link = 1;
  config.readFails = true;
  bench_.SetConfig(config);
  EXPECT_EQ(board_.ReadCloseLoop(), 0);  // serial link and inhibited: nothing read
  s_.closeLoopWatch = 1;
  EXPECT_FALSE(board_.ReadCloseLoop());
  EXPECT_EQ(board_.lastErrorText(), "AXDRV: digital input read error");
}

TEST_F(Instruments, TheBoardOpensFromItsIniFileAndTellsWhyNot) {
  TempDir dir;
  ScopedCurrentDir cwd(dir.path());
  EXPECT_FALSE(board_.OpenBoard());
  WriteFile("axdrv.ini", "shutter_system = 3\nfail_open = 1\nopen_error = AX5215H not answering at 0x300\n");
  EXPECT_TRUE(board_.OpenBoard());
  EXPECT_EQ(board_.lastErrorText(), "AX5215H not answering at 0x300");
  WriteFile("axdrv.ini", "shutter_sistem = 3\n");
  EXPECT_TRUE(board_.OpenBoard());
  EXPECT_NE(board_.lastErrorText().find("unknown key \"shutter_sistem\""), std::string::npos);
  WriteFile("axdrv.ini", "shutter_system = 3\n");
  EXPECT_FALSE(board_.OpenBoard());
  EXPECT_EQ(bench_.config().shutterSystem, 3);
  WriteFile("axdrv.ini", "fail_writes = 1\nfail_analog_out = 1\n");
  EXPECT_FALSE(board_.OpenBoard());
  EXPECT_TRUE(bench_.config().writeFails);
  EXPECT_TRUE(bench_.config().analogOutFails);
}

// A board whose ports read fixed values: the read-back formulas on exact inputs.
class FixedPorts : public IoBoard {
 public:
  std::uint16_t Open(const std::string&) override { return 0; }
  std::string ErrorText(std::uint16_t) override { return "fixed"; }
  std::uint16_t AnalogOut(int, int, float volts) override {
    analog = volts;
    return failAnalog ? 9 : 0;
  }
  std::uint16_t DigitalIn(int board, int port, std::uint16_t& value) override {
    value = ports[{board, port}];
    return 0;
  }
  std::uint16_t DigitalOut(int board, int port, std::uint16_t value, std::uint16_t) override {
    writes.push_back({board, port, value, 0xFF});
    return 0;
  }
  std::map<std::pair<int, int>, std::uint16_t> ports;
  std::vector<SimulatedBench::Write> writes;
  float analog = -1;
  bool failAnalog = false;
};

class Tht : public Instruments {
 protected:
  FixedPorts fixed_;
  InstrumentBoard fixedBoard_{fixed_, p_, s_};
  HighVoltage tht_{p_, s_, fixedBoard_};
};

TEST_F(Tht, SystemsThreeAndFourSendATenBitCodeWithAStrobeAndNeverOneThatWraps) {
  p_.THTSystem = 3;
  EXPECT_TRUE(tht_.SetTHT(1912));
  // The code 1024 has no bit below 10: sent, it would set the supply to 0 V. Refused,
  // with the largest voltage that can be set, and the THT sent kept.
  EXPECT_FALSE(tht_.SetTHT(1913));
  EXPECT_EQ(s_.thtSent, 1912);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"Impossible to set the THT to 1913 V",
                                                "THT system 3 reaches at most 1912 V", "THT set was not done..."}));
  tht_.SetTHT(-50);   // a negative voltage never reaches the board as a negative code
  EXPECT_EQ(fixed_.writes, (std::vector<SimulatedBench::Write>{{2, 0, 0xFF, 0xFF}, {2, 1, 0x83, 0xFF}, {2, 1, 0x03, 0xFF},
                                                               {2, 0, 0x00, 0xFF}, {2, 1, 0x80, 0xFF}, {2, 1, 0x00, 0xFF}}));
  EXPECT_EQ(ThtCode(1912), 1023);
  EXPECT_EQ(ThtCode(1913), 1024);
  EXPECT_EQ(ThtReachableMaximum(3), 1912);
  EXPECT_EQ(ThtReachableMaximum(4), 1912);
  EXPECT_EQ(ThtReachableMaximum(2), std::nullopt);  // the analog set point scales to the maximum
  fixed_.ports[{2, 3}] = 0xFF;
  fixed_.ports[{2, 4}] = 0xFF;  // only bits 0-1 count
  tht_.ReadTHT();
  EXPECT_EQ(s_.thtRead, 2497);
  p_.THTSystem = 4;
  tht_.SetTHT(1500);
  EXPECT_EQ(s_.thtRead, 1500);
}

TEST_F(Tht, SystemsOneAndTwoSetAnAnalogVoltage) {
  p_.THTMax = 10800;
  p_.THTSystem = 1;
  tht_.SetTHT(10800);
  EXPECT_NEAR(fixed_.analog, 2.385, 0.001);
  EXPECT_EQ(s_.thtRead, 10800);
  tht_.SetTHT(1);  // "zero" on system 1 is 1 V, read back as 0
  EXPECT_EQ(s_.thtRead, 0);
  tht_.SetTHT(0);
  EXPECT_EQ(s_.thtRead, kThtNotControlled);
  p_.THTSystem = 2;
  tht_.SetTHT(10800);
  EXPECT_FLOAT_EQ(fixed_.analog, 5.0f);
  fixed_.ports[{1, 0}] = 0x70;
  fixed_.ports[{1, 1}] = 0x46;  // 0x4670 = 18032 counts
  tht_.ReadTHT();
  EXPECT_EQ(s_.thtRead, 10313);  // 18032 x 0.57198
  p_.THTMax = 0;
  tht_.SetTHT(5000);
  EXPECT_EQ(fixed_.analog, 0.0f);
}

TEST_F(Tht, UncontrolledSqueezedAndFailingSupplies) {
  p_.THTSystem = 0;
  s_.thtSent = 300;
  tht_.SetTHT(6000);
  EXPECT_EQ(s_.thtSent, 300);  // nothing sent
  tht_.ReadTHT();
  EXPECT_EQ(s_.thtRead, kThtNotControlled);
  p_.THTSystem = 3;
  p_.THTSqueeze = -1;
  tht_.SetTHT(1200);
  EXPECT_EQ(s_.thtRead, 1200);
  p_.THTSqueeze = 0;
  p_.THTSystem = 2;
  p_.THTMax = 10800;
  fixed_.failAnalog = true;
  tht_.SetTHT(6000);
  EXPECT_EQ(s_.thtSent, 6000);  // still updated
  ASSERT_FALSE(errors_.reported().empty());
  EXPECT_EQ(errors_.reported().back(), (ErrorLines{"Error initializing the AXIOM input/output board", "fixed", ""}));
}

TEST_F(Instruments, TheSqueezedReadFollowsTheSentValueOnEveryPath) {
  TempDir dir;
  ScopedCurrentDir cwd(dir.path());  // no axdrv.ini: reopening keeps the knobs set here
  HighVoltage tht(p_, s_, board_);
  p_.THTSqueeze = -1;
  for (int system : {0, 5}) {  // nothing is sent, the read still follows
    p_.THTSystem = system;
    s_.thtSent = 300;
    s_.thtRead = 7;
    tht.SetTHT(6000);
    EXPECT_EQ(s_.thtSent, 300) << system;
    EXPECT_EQ(s_.thtRead, 300) << system;
    s_.thtRead = 7;
    tht.ReadTHT();
    EXPECT_EQ(s_.thtRead, 300) << system;
  }
  EXPECT_TRUE(Writes().empty());
  BenchConfig config;
  config.readFails = true;
  p_.THTMax = 10800;
  for (int system : {2, 3}) {  // a failed read-back does not escape the squeeze
    config.thtSystem = system;
    bench_.SetConfig(config);
    p_.THTSystem = system;
    s_.thtRead = 7;
    tht.SetTHT(1200);
    EXPECT_EQ(s_.thtRead, 1200) << system;
  }
  p_.THTSqueeze = 0;
  s_.thtRead = 7;
  tht.SetTHT(1500);
  EXPECT_EQ(s_.thtRead, 7);  // unsqueezed, a failed read keeps its value
}

TEST_F(Instruments, ThtWritesAndReadsKeepTheDriversError) {
  TempDir dir;
  ScopedCurrentDir cwd(dir.path());  // no axdrv.ini: reopening keeps the knobs set here
  HighVoltage tht(p_, s_, board_);
  BenchConfig config;
  config.readFails = true;
  config.thtSystem = 2;
  bench_.SetConfig(config);
  p_.THTSystem = 2;
  p_.THTMax = 10800;
  // System 2: the text is fetched, the board opened again, the read kept.
  s_.thtRead = 42;
  const int opens = bench_.opens();
  tht.ReadTHT();
  EXPECT_EQ(board_.lastErrorText(), "AXDRV: digital input read error");
  EXPECT_EQ(bench_.opens(), opens + 2);
  EXPECT_EQ(s_.thtRead, 42);

  config.readFails = false;
  config.writeFails = true;
  config.thtSystem = 4;
  bench_.SetConfig(config);
  p_.THTSystem = 4;
  tht.SetTHT(1912);
  EXPECT_EQ(board_.lastError(), 6);
  EXPECT_EQ(board_.lastErrorText(), "AXDRV: digital output write error");
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(s_.thtSent, 1912);

  config.writeFails = false;
  config.readFails = true;
  config.thtSystem = 3;
  bench_.SetConfig(config);
  p_.THTSystem = 3;
  s_.thtRead = 42;
  tht.SetTHT(1912);
  EXPECT_EQ(Writes(), (std::vector<SimulatedBench::Write>{{2, 0, 0xFF, 0xFF}, {2, 1, 0x83, 0xFF}, {2, 1, 0x03, 0xFF}}));
  EXPECT_EQ(board_.lastError(), 5);
  EXPECT_EQ(board_.lastErrorText(), "AXDRV: digital input read error");
  EXPECT_EQ(s_.thtRead, 42);
  EXPECT_TRUE(errors_.reported().empty());  // failing digital calls show no window

  // A failing analog output shows the driver's own words.
  config.readFails = false;
  config.analogOutFails = true;
  config.thtSystem = 2;
  bench_.SetConfig(config);
  p_.THTSystem = 2;
  tht.SetTHT(9400);
  EXPECT_EQ(bench_.AnalogSetPoint(), 0.0f);
  EXPECT_EQ(s_.thtSent, 9400);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0],
            (ErrorLines{"Error initializing the AXIOM input/output board", "AXDRV: analog output error", ""}));
}

TEST_F(Instruments, TheBenchsThtSupplyFollowsItsSetPointOrNot) {
  BenchConfig config;
  config.thtSystem = 2;
  config.thtMax = 10800;
  bench_.SetConfig(config);
  p_.THTSystem = 2;
  p_.THTMax = 10800;
  HighVoltage tht(p_, s_, board_);
  tht.SetTHT(9400);
  EXPECT_NEAR(s_.thtRead, 9400, 2);
  config.thtNotFollowing = true;
  bench_.SetConfig(config);
  tht.SetTHT(9400);
  EXPECT_EQ(s_.thtRead, 0);
  config.thtSystem = 3;
  config.thtNotFollowing = false;
  bench_.SetConfig(config);
  p_.THTSystem = 3;
  tht.SetTHT(1800);
  EXPECT_NEAR(s_.thtRead, 1800, 6);
}

}  // namespace
}  // namespace velmar::testing

#include "engine/grabber_files.h"
#include "engine/software_grabber.h"
#include "console/instrument_safe_stop.h"

namespace velmar::testing {
namespace {

TEST_F(Instruments, TheSafeStopClosesTheShutterWarnsOfTheHighVoltageAndShowsTheIdleBanner) {
  TempDir dir;
  ScopedCurrentDir cwd(dir.path());
  WriteFile("ecran.vcf", DisplayDescriptionText(DisplayDescription{}, "monitor"));
  WriteFile("comptage.dcf", DigitizerDescriptionText(DigitizerDescription{}, "camera"));
  SoftwareGrabber grabber;
  int warnings = 0;
  InstrumentSafeStop devices(board_, s_, grabber, [&] { ++warnings; });
  p_.ShutterSystem = 1;
  BenchConfig config;
  config.shutterSystem = 1;
  bench_.SetConfig(config);
  board_.CommandShutter(0);
  for (std::int32_t sent : {0, 150, 99999, 6000}) {
    s_.thtSent = sent;
    SafeStop(devices, dir.path().string());
  }
  EXPECT_EQ(warnings, 1);  // only 6000 V is still on
  EXPECT_EQ(bench_.Output(1, 3) & 0x20, 0);  // system 1: bit 5 low is closed
  GreyImage monitor;
  ASSERT_TRUE(grabber.ControlMonitorPicture(monitor));
  EXPECT_GT(std::count(monitor.pixels.begin(), monitor.pixels.end(), 240), 500);  // "TORVEL" at scale 5
  EXPECT_EQ(grabber.LiveObjects(), 0);
}

}  // namespace
}  // namespace velmar::testing
