#include <filesystem>

#include "instrument_fixture.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"
#include "platform/format.h"
#include "instruments/device_simulators.h"
#include <thread>

namespace velmar::testing {
namespace {

TEST(Cs100Commands, ThePositionCommandIsTwelveBitsInHex) {
  EXPECT_EQ(PositionCommand(-316), "I4EC4P1P0I0");
  EXPECT_EQ(PositionCommand(0), "I4000P1P0I0");
  EXPECT_EQ(PositionCommand(289), "I4121P1P0I0");
  EXPECT_EQ(PositionCommand(2048), "I4800P1P0I0");   // outside -2048..2047: its low 12 bits
  EXPECT_EQ(PositionCommand(-2049), "I47FFP1P0I0");
}

TEST(Cs100Commands, PositionsRoundToNearestWithHalvesTowardZero) {
  EXPECT_EQ(PositionOfChannel(1, 1.0f, 12.5f), 12);
  EXPECT_EQ(PositionOfChannel(1, 1.0f, -12.5f), -12);
  EXPECT_EQ(PositionOfChannel(1, 1.0f, 12.6f), 13);
  EXPECT_EQ(PositionOfChannel(1, 1.0f, -12.6f), -13);
}

TEST_F(Instruments, TheScanSpansTheFreeSpectralRangeCentredOnZero) {
  link_.ComputeScanGeometry();
  EXPECT_NEAR(s_.PFstep, 26.293, 0.001);
  EXPECT_NEAR(s_.PFbase, -315.518, 0.001);
  EXPECT_EQ(PositionOfChannel(1, s_.PFstep, s_.PFbase), -316);
  EXPECT_EQ(PositionOfChannel(2, s_.PFstep, s_.PFbase), -289);
  EXPECT_EQ(PositionOfChannel(13, s_.PFstep, s_.PFbase), 0);
  EXPECT_EQ(PositionOfChannel(24, s_.PFstep, s_.PFbase), 289);
  p_.Cqg = 0.0f;
  link_.ComputeScanGeometry();
  EXPECT_EQ(p_.Cqg, 1.0f);
}

TEST_F(Instruments, ParallelLinesCarryTheNegatedPositionOnEachBoardVariant) {
  p_.CS100Link = 0;
  link_.ComputeScanGeometry();
  p_.AxiomBoard = 0;
  s_.shutterState = 0;  // open: bit 5 set on port 3
  link_.DriveToChannel(1);
  link_.DriveToChannel(24);
  s_.shutterState = 1;
  link_.DriveToChannel(24);
  p_.AxiomBoard = 1;
  link_.DriveToChannel(1);
  p_.AxiomBoard = 2;  // no other variant writes anything
  link_.DriveToChannel(2);
  EXPECT_EQ(Writes(), (std::vector<SimulatedBench::Write>{{1, 2, 0x3C, 0xFF}, {1, 3, 0x21, 0xFF},
                                                          {1, 2, 0xDF, 0xFF}, {1, 3, 0x2E, 0xFF},
                                                          {1, 2, 0xDF, 0xFF}, {1, 3, 0x0E, 0xFF},
                                                          {2, 6, 0x3C, 0xFF}, {2, 7, 0x01, 0xFF}}));
  EXPECT_EQ(s_.cs100Position, -289);
  EXPECT_EQ(console_.shown.front(), "driving PF");
}

TEST_F(Instruments, NoScanNoDrive) {
  p_.CS100Link = 0;
  link_.ComputeScanGeometry();
  s_.cs100Position = 77;
  p_.AcqType = kAcq2DImage;
  link_.DriveToChannel(3);
  p_.AcqType = kAcq3DObject;
  p_.ScanningMode = kScanningNotPerformed;
  link_.DriveToChannel(3);
  link_.InitialiseAndPark();
  EXPECT_TRUE(Writes().empty());
  EXPECT_EQ(s_.cs100Position, 77);
}

TEST_F(Instruments, TheTestFileGetsTheInitialisationAndOneLinePerPosition) {
  TempDir dir;
  p_.CS100Link = 2;
  SetText(p_.TestFileName, dir.file("Testfile.tmp"));
  link_.ComputeScanGeometry();
  s_.currentChannel = 1;
  link_.InitialiseAndPark();
  link_.DriveToChannel(13);
  EXPECT_EQ(ReadFile(dir.file("Testfile.tmp")), "!QT\nO+D\nO1\nO0\nI4EC4P1P0I0\nI4000P1P0I0\n");
  EXPECT_EQ(clock_.MonotonicMs(), 3000);  // 4 x 0.5 s, then 1 s before parking
  EXPECT_EQ(console_.shown, (std::vector<std::string>{"initializing PF", "restored", "driving PF", "restored",
                                                      "driving PF", "restored"}));
  SetText(p_.TestFileName, dir.file("no/such/Testfile.tmp"));
  link_.DriveToChannel(2);
  link_.DriveToChannel(3);
  EXPECT_EQ(errors_.reported().size(), 1u);  // told once, the scan goes on
}

// The positions that no longer reach the controller are said in the observation
// log when it starts and when it ends, once in each observation's log.
TEST_F(Instruments, AControllerNotDrivenIsSaidOnceInEachObservationsLog) {
  TempDir dir;
  p_.CS100Link = 2;
  SetText(p_.TestFileName, dir.file("no/Testfile.tmp"));
  link_.ComputeScanGeometry();
  WriteFile(dir.file("first.VLT"), "header");
  s_.logPath = dir.file("first.VLT");
  link_.DriveToChannel(1);  // at -316
  link_.DriveToChannel(2);
  EXPECT_EQ(link_.driveFault(), "test file " + dir.file("no/Testfile.tmp") + " cannot be written");
  EXPECT_EQ(ReadFile(dir.file("first.VLT")),
            "header\n!!! CS100 not driven at 21:00:00 : test file " + dir.file("no/Testfile.tmp") +
                " cannot be written; from channel 1 on, the interferometer was never positioned while the records "
                "give the positions asked");
  WriteFile(dir.file("second.VLT"), "header");
  s_.logPath = dir.file("second.VLT");
  link_.DriveToChannel(3);
  std::filesystem::create_directory(dir.file("no"));
  link_.DriveToChannel(4);
  EXPECT_EQ(link_.driveFault(), "");
  EXPECT_EQ(ReadFile(dir.file("second.VLT")),
            "header\n!!! CS100 not driven at 21:00:00 : test file " + dir.file("no/Testfile.tmp") +
                " cannot be written; from channel 3 on, the interferometer was never positioned while the records "
                "give the positions asked\n!!! CS100 driven again at 21:00:00 : channel 4 at position -237");
}

TEST_F(Instruments, TheSerialLineGetsTheInitialisationBytesInOrderThenThePositions) {
  PtyDevice line;
  ScopedEnv com2("VELMAR_COM2", line.slaveName());
  p_.CS100Link = 1;
  p_.ComPort = 2;
  link_.ComputeScanGeometry();
  s_.currentChannel = 1;
  link_.InitialiseAndPark();
  static const char kInit[] = "\r!QT\0\rO+D\rO1\rO0\r";  // the zero byte after "!QT" included
  const std::string init(kInit, sizeof kInit - 1);
  const std::string expected = init + "I4EC4P1P0I0\r";
  EXPECT_EQ(line.Read(expected.size()), expected);
  EXPECT_TRUE(link_.portOpened());
  // A second initialisation sends the sequence again on the port already open.
  ScopedEnv gone("VELMAR_COM2", "/dev/velmar-no-such-port");
  link_.InitialiseController();
  EXPECT_EQ(line.Read(init.size()), init);
  EXPECT_EQ(ended_, 0);
}

TEST_F(Instruments, APortThatCannotBeOpenedEndsTheProgram) {
  ScopedEnv com3("VELMAR_COM3", "/dev/velmar-no-such-port");
  p_.CS100Link = 1;
  p_.ComPort = 3;
  link_.InitialiseController();
  EXPECT_EQ(ended_, 1);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"Impossible to open the COM port of the CS100 !", "COM3", ""}));
}

TEST_F(Instruments, TheSimulatedControllerIsDrivenThroughEveryPositionOfAScan) {
  PtyDevice line;
  TempDir dir;
  const std::string log = dir.file("cs100.log");
  line.RunOnMaster(std::string(VELMAR_BIN_DIR) + "/vlmipcs-cs100-sim", {"--log", log});
  ScopedEnv com2("VELMAR_COM2", line.slaveName());
  p_.CS100Link = 1;
  p_.ComPort = 2;
  link_.ComputeScanGeometry();
  s_.currentChannel = 1;
  link_.InitialiseAndPark();
  for (int channel = 2; channel <= 24; ++channel) link_.DriveToChannel(channel);
  std::string expected = "wake\ninit !QT\ninit O+D\ninit O1\ninit O0\n";
  for (int channel = 1; channel <= 24; ++channel)
    expected += Format("position %d\n", PositionOfChannel(channel, s_.PFstep, s_.PFbase));
  std::string reported;
  for (int i = 0; i < 200 && reported.size() < expected.size(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    reported = ReadFile(log);
  }
  EXPECT_EQ(reported, expected);
  EXPECT_NE(reported.find("position -316\nposition -289\n"), std::string::npos);
  EXPECT_NE(reported.find("position 289\n"), std::string::npos);
}

TEST(Cs100Simulator, ParsesTheCommandsItIsSent) {
  Cs100Simulator cs100;
  EXPECT_EQ(cs100.Feed(std::string("\r!QT\0\rO+", 8)), (std::vector<std::string>{"wake", "init !QT"}));
  EXPECT_EQ(cs100.Feed("D\rI4EC4P1P0I0\rI4FFFP1P0I0\rXYZ\r"),
            (std::vector<std::string>{"init O+D", "position -316", "position -1", "unknown XYZ"}));
  EXPECT_EQ(cs100.position(), -1);
}

}  // namespace
}  // namespace velmar::testing
