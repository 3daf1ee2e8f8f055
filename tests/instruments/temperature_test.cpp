#include <gtest/gtest.h>

#include <thread>

#include "instruments/device_simulators.h"
#include "instruments/temperature.h"
#include "platform/error_reporter.h"
#include "support/pty_device.h"

namespace velmar::testing {
namespace {

TEST(Temperature, RequestFramesAndTheirCheck) {
  EXPECT_EQ(TemperatureRequest(0), "@00100000071*");
  EXPECT_EQ(TemperatureRequest(1), "@00101000070*");
}

TEST(Temperature, RepliesAndDisplays) {
  EXPECT_EQ(TemperatureOfReply("@00100000023"), 23);
  EXPECT_EQ(TemperatureOfReply("@00100001023"), -23);
  EXPECT_EQ(TemperatureOfReply("@0010000-023"), -23);
  EXPECT_FALSE(TemperatureOfReply("@0010000"));      // too short
  EXPECT_FALSE(TemperatureOfReply("@001000000x3"));  // not digits
  EXPECT_EQ(TemperatureText(23), "023");
  EXPECT_EQ(TemperatureText(-5), "-005");
  EXPECT_EQ(TemperatureText(kNoTemperature), "- - -");
  EXPECT_EQ(TemperatureCommandText(20), "Command= 20");
  EXPECT_EQ(TemperatureCommandText(kNoTemperature), "No command");
}

TEST(Temperature, NoDeviceNoValueAndNothingSent) {
  AcquisitionParameters p;
  AcquisitionState s;
  s.temperature = 12;
  TemperatureLink link(p, s, [] {});
  link.OpenTemperaturePort();
  link.PollTemperature();
  EXPECT_EQ(s.temperature, kNoTemperature);
  EXPECT_EQ(s.temperatureCommand, kNoTemperature);
}

class TemperatureOnALine : public ::testing::Test {
 protected:
  void Run(const std::vector<std::string>& knobs) {
    line_.RunOnMaster(std::string(VELMAR_BIN_DIR) + "/vlmipcs-temperature-sim", knobs);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  PtyDevice line_;
  ScopedEnv com2_{"VELMAR_COM2", line_.slaveName()};
  AcquisitionParameters p_;
  AcquisitionState s_;
  int ended_ = 0;
  TemperatureLink link_{p_, s_, [this] { ++ended_; }};
};

TEST_F(TemperatureOnALine, TheControllerIsPolledForBothValues) {
  Run({"--temperature", "-5", "--command", "20"});
  p_.TemperatureInterface = 1;
  link_.OpenTemperaturePort();
  link_.OpenTemperaturePort();  // opened once
  link_.PollTemperature();
  EXPECT_EQ(s_.temperature, -5.0f);
  EXPECT_EQ(s_.temperatureCommand, 20.0f);
  EXPECT_EQ(ended_, 0);
}

TEST_F(TemperatureOnALine, SilenceGarbageAndShortRepliesKeepThePreviousValues) {
  for (const char* knob : {"--silent", "--garbage", "--short"}) {
    PtyDevice line;
    ScopedEnv com2("VELMAR_COM2", line.slaveName());
    line.RunOnMaster(std::string(VELMAR_BIN_DIR) + "/vlmipcs-temperature-sim", {knob});
    AcquisitionState s;
    s.temperature = 18;
    s.temperatureCommand = 17;
    p_.TemperatureInterface = 1;
    TemperatureLink link(p_, s, [] {});
    link.OpenTemperaturePort();
    link.PollTemperature();
    EXPECT_EQ(s.temperature, 18.0f) << knob;
    EXPECT_EQ(s.temperatureCommand, 17.0f) << knob;
  }
}

class RecordingTemperatureDisplay : public TemperatureDisplay {
 public:
  void ShowTemperatureLabels(const std::string& t, const std::string& c) override {
    temperature = t;
    command = c;
  }
  std::string temperature, command;
};

// The test plays the controller on the line: each request, byte for byte, then its reply.
TEST(Temperature, ShowingPollsTheTwoItemsInTurnThenFillsBothLabels) {
  PtyDevice line;
  ScopedEnv com2("VELMAR_COM2", line.slaveName());
  AcquisitionParameters p;
  p.TemperatureInterface = 1;
  AcquisitionState s;
  TemperatureLink link(p, s, [] {});
  link.OpenTemperaturePort();
  RecordingTemperatureDisplay window;
  std::thread showing([&] { link.ShowTemperature(window); });
  EXPECT_EQ(line.Read(14), "@00100000071*\r");
  line.Write("@00100000023??*\r");
  EXPECT_EQ(line.Read(14), "@00101000070*\r");
  line.Write("@00100001017??*\r");
  showing.join();
  EXPECT_EQ(window.temperature, "023");
  EXPECT_EQ(window.command, "Command= -17");
  EXPECT_EQ(link.replyProblem(), "");
  EXPECT_EQ(line.Read(1, 200), "");  // nothing more was sent

  // No answer to either request: the values stay, and the link says why.
  std::thread unanswered([&] { link.ShowTemperature(window); });
  EXPECT_EQ(line.Read(28), "@00100000071*\r@00101000070*\r");
  unanswered.join();
  EXPECT_EQ(window.temperature, "023");
  EXPECT_EQ(link.replyProblem(), "no reply");
}

TEST(Temperature, APortThatCannotBeOpenedEndsTheProgram) {
  RecordingErrorReporter errors;
  ScopedErrorReporter installed(errors);
  ScopedEnv com2("VELMAR_COM2", "/dev/velmar-no-such-port");
  AcquisitionParameters p;
  p.TemperatureInterface = 1;
  AcquisitionState s;
  int ended = 0;
  TemperatureLink link(p, s, [&] { ++ended; });
  link.OpenTemperaturePort();
  EXPECT_EQ(ended, 1);
  ASSERT_EQ(errors.reported().size(), 1u);
  EXPECT_EQ(errors.reported()[0].line1, "Impossible to open the COM port of the Temperature device !");
  EXPECT_EQ(errors.reported()[0].line2, "COM2");
}

TEST(TemperatureSimulator, AnswersEachRequest) {
  TemperatureSimulator controller({23, 20, false, false, false});
  const std::string answer = controller.Feed("@00100000071*\r@00101000070*\r");
  EXPECT_EQ(answer.substr(0, 12), "@00100000023");
  EXPECT_EQ(TemperatureOfReply(answer), 23);
  EXPECT_EQ(TemperatureOfReply(answer.substr(answer.find('\r') + 1)), 20);
}

}  // namespace
}  // namespace velmar::testing
