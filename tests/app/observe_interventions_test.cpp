// A whole scripted observation with the operator's interventions, read back from
// its log as the observer would read it.
#include <gtest/gtest.h>

#include "app/observe_interventions.h"
#include "app/runner_fixture.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

class ObserveInterventions : public RunnerFixture {
 protected:
  std::vector<std::string> Flags() const {
    return {"--fast", "--system-dir", dir_.file("system"), "--preset", "2", "--tht", "9600", "--data",
            dir_.file("obs/G001"), "--prefix", "G", "--number", "1", "--channels", "3", "--exposure", "4",
            "--cycles", "2", "--see-saw", "on", "--type", "object"};
  }
  // The log's lines that begin with "!!!" or "###", in their order.
  std::vector<std::string> Events() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(dir_.file("obs/G001/G001.VLT")));
    for (std::string line; std::getline(in, line);)
      if (line.rfind("!!!", 0) == 0 || line.rfind("###", 0) == 0 || line.rfind("Was acquired", 0) == 0)
        lines.push_back(line.substr(0, line.find(" at ")) + line.substr(line.find(" : ") == std::string::npos
                                                                             ? line.size()
                                                                             : line.find(" : ")));
    return lines;
  }
};

TEST_F(ObserveInterventions, ASuspensionACommentACloseLoopFaultAndADeferredStopReadInTheLogAsTheyHappened) {
  auto flags = Flags();
  flags.insert(flags.end(), {"--suspend", "6+3:channel", "--comment", "15:seeing 0.8 arcsec", "--close-loop-fault",
                             "20:3", "--deferred-stop", "17:2,2", "--deferred-stop", "18:cancel"});
  ASSERT_EQ(RunWith({}, flags), 0) << output_;
  EXPECT_NE(output_.find("Suspended during the channel #0002 et the cycle #0001"), std::string::npos) << output_;
  EXPECT_NE(output_.find("Resumed: channel 2 of cycle 1 is exposed next"), std::string::npos);
  // The channel the redo cut short is said as such, not as a channel done.
  const auto cut = output_.find("channel 0002 cycle 0001  photons");
  ASSERT_NE(cut, std::string::npos) << output_;
  EXPECT_NE(output_.find("cut short by the redo: exposed again", cut), std::string::npos) << output_;
  EXPECT_LT(output_.find("cut short by the redo"), output_.find("efficiency", cut)) << output_;
  EXPECT_NE(output_.find("ALARM: WARNING : Close loop (PF in default) !"), std::string::npos) << output_;
  EXPECT_NE(output_.find("Planned end reached"), std::string::npos);
  const std::vector<std::string> events = Events();
  const auto at = [&](const std::string& text) {
    return std::find_if(events.begin(), events.end(), [&](const std::string& e) { return e.find(text) != std::string::npos; }) -
           events.begin();
  };
  std::string all;
  for (const auto& e : events) all += e + "\n";
  // Suspended in channel 2, whose partial record is named, then the redo command.
  EXPECT_LT(at("!!! User command : redo last channel"), at("### Comment : seeing 0.8 arcsec")) << all;
  EXPECT_LT(at("### Comment : seeing 0.8 arcsec"), at("!!! ALARM : WARNING : Close loop")) << all;
  EXPECT_LT(at("!!! ALARM : WARNING : Close loop"), at("!!! Automatic system decision")) << all;
  EXPECT_LT(at("!!! Automatic system decision"), at("TERMINATE ACQUISITION")) << all;
  EXPECT_LT(static_cast<std::size_t>(at("TERMINATE ACQUISITION")), events.size()) << all;
  // The deferred stop, then its cancel, left the stop at channel 2 of cycle 2: the
  // last record is channel 2 of the decreasing cycle.
  const std::string log = ReadFile(dir_.file("obs/G001/G001.VLT"));
  const auto last = log.rfind("Was acquired at ");
  ASSERT_NE(last, std::string::npos);
  EXPECT_NE(log.find("ch=0002  cy=0002", last), std::string::npos) << log;
  EXPECT_TRUE(Exists("obs/G001/G0010202.VLA"));
  EXPECT_FALSE(Exists("obs/G001/G0010201.VLA"));
}

TEST_F(ObserveInterventions, AnAbortFromTheSuspensionEndsKeepingTheCompleteChannels) {
  auto flags = Flags();
  flags.insert(flags.end(), {"--suspend", "7+2:abort"});
  ASSERT_EQ(RunWith({}, flags), 0) << output_;
  EXPECT_NE(output_.find("Abort definitively acquisition, then Yes: abort and quit"), std::string::npos) << output_;
  EXPECT_NE(output_.find("was in progress: its photons were not kept"), std::string::npos) << output_;
  EXPECT_TRUE(Exists("obs/G001/G0010101.VLA"));
  EXPECT_FALSE(Exists("obs/G001/G0010102.VLA"));
  EXPECT_FALSE(Exists("obs/G001/ipcsdata.tmp"));
}

TEST_F(ObserveInterventions, AScriptThatDoesNotReadIsRefusedBeforeAnythingIsWritten) {
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--suspend", "6:later"}, {"--suspend", "x:channel"}, {"--deferred-stop", "5:soon"},
        {"--comment", "no time"}, {"--comment", "3:" + std::string(71, 'c')}, {"--close-loop-fault", "5:0"}}) {
    auto flags = Flags();
    flags.insert(flags.end(), bad.begin(), bad.end());
    EXPECT_EQ(RunWith({}, flags), 2) << bad[0] << " " << bad[1];
    EXPECT_NE(output_.find(bad[0] + " takes"), std::string::npos) << output_;
    EXPECT_FALSE(Exists("obs/G001")) << bad[0] << " " << bad[1];
  }
}

}  // namespace
}  // namespace velmar::testing
