#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "runner_fixture.h"

namespace velmar::testing {
namespace {

// The headless runner with the temperature controller simulator on COM2 (a
// pseudo-terminal), on the virtual clock.
class RunnerWithTemperature : public RunnerFixture {
 protected:
  RunnerWithTemperature() {
    WriteDefinition("temp512.def", 1);
    WriteDefinition("none512.def", 0);
  }

  // A 512 camera definition whose line 18 (temperature interface) is the given value.
  void WriteDefinition(const std::string& name, int temperatureInterface) {
    std::istringstream lines(ReadFile(dir_.file("kem512.def")));
    std::string text, line;
    for (int n = 1; std::getline(lines, line); ++n) {
      if (n == 18) line = std::to_string(temperatureInterface) + "\ttemperature interface (0=none)";
      text += line + "\n";
    }
    WriteFile(dir_.file(name), text);
  }

  // The simulator with its knobs, keeping what it received in requests.bin; once it
  // answers, the log starts empty, so it holds only what the program sends.
  void RunSimulator(PtyDevice& line, std::vector<std::string> knobs) {
    const bool answers = std::find(knobs.begin(), knobs.end(), "--silent") == knobs.end();
    knobs.insert(knobs.end(), {"--log", dir_.file("requests.bin")});
    line.RunOnMaster(std::string(VELMAR_BIN_DIR) + "/vlmipcs-temperature-sim", knobs);
    if (answers) ASSERT_NE(line.AskThroughSlave("@00100000071*\r", '\r'), "") << "the simulator does not answer";
    std::error_code ec;
    std::filesystem::resize_file(dir_.file("requests.bin"), 0, ec);
  }

  int Run(const std::string& observation, const std::string& definition) {
    const auto started = std::chrono::steady_clock::now();
    const int code = RunWith({"--system-dir", dir_.file("system"), "--fast", "--type", "object", "--source",
                              "simulation", "--random-points", "5", "--exposure", "1", "--channels", "2", "--cycles",
                              "1", "--data", dir_.file("obs/" + observation), "--preset", dir_.file(definition)},
                             {});
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return code;
  }

  std::vector<std::string> ProgressLines() const {
    std::vector<std::string> lines;
    std::istringstream in(output_);
    for (std::string line; std::getline(in, line);)
      if (line.rfind("channel ", 0) == 0) lines.push_back(line);
    return lines;
  }

  std::string Requests() const {
    return std::filesystem::exists(dir_.file("requests.bin")) ? ReadFile(dir_.file("requests.bin")) : "";
  }

  double seconds_ = 0.0;
};

TEST_F(RunnerWithTemperature, EveryProgressLineCarriesTheControllersValuesAndOnlyTheTwoRequestsAreSent) {
  PtyDevice line;
  ScopedEnv com2("VELMAR_COM2", line.slaveName());
  RunSimulator(line, {"--temperature", "-5", "--command", "20"});
  ASSERT_EQ(Run("G051", "temp512.def"), 0) << output_;
  const auto progress = ProgressLines();
  ASSERT_EQ(progress.size(), 3u) << output_;  // channel 0, then channels 1 and 2
  for (const auto& l : progress) EXPECT_NE(l.find("  temperature -005  Command= 20"), std::string::npos) << l;
  EXPECT_EQ(output_.find("reply"), std::string::npos) << output_;
  // The controller's replies take the store step's time, not the channels': a
  // second's exposure holds a second of frames (80 a second here).
  for (std::size_t i = 1; i < progress.size(); ++i)
    EXPECT_NE(progress[i].find("  frames    80  "), std::string::npos) << progress[i];

  // Once before Start and once a second after: the temperature request, then the
  // command request, each with its carriage return, and nothing else.
  const std::string pair = "@00100000071*\r@00101000070*\r";
  const std::string sent = Requests();
  ASSERT_GE(sent.size(), 4 * pair.size());
  ASSERT_EQ(sent.size() % pair.size(), 0u) << sent;
  for (std::size_t at = 0; at < sent.size(); at += pair.size()) EXPECT_EQ(sent.substr(at, pair.size()), pair) << at;
  EXPECT_TRUE(errors_.reported().empty());
}

TEST_F(RunnerWithTemperature, WithoutTheInterfaceNothingIsSentAndTheLinesSayNothingOfIt) {
  PtyDevice line;
  ScopedEnv com2("VELMAR_COM2", line.slaveName());
  RunSimulator(line, {});
  ASSERT_EQ(Run("G052", "none512.def"), 0) << output_;
  ASSERT_EQ(ProgressLines().size(), 3u) << output_;
  EXPECT_EQ(output_.find("temperature"), std::string::npos) << output_;
  EXPECT_EQ(Requests(), "");
}

// A controller that does not answer, or answers what cannot be read, leaves the
// values unknown and says so on each line; the observation goes on to its end.
TEST_F(RunnerWithTemperature, SilentGarbledOrShortRepliesAreShownAndNeverHoldTheObservation) {
  struct Case {
    const char* knob;
    const char* problem;
  };
  int number = 60;
  for (const Case c : {Case{"--silent", "(no reply)"},
                       Case{"--garbage", "(unreadable reply \"@00100000x?z"},
                       Case{"--short", "(unreadable reply \"@0010000\\r\")"}}) {
    PtyDevice line;
    ScopedEnv com2("VELMAR_COM2", line.slaveName());
    std::filesystem::remove(dir_.file("requests.bin"));
    RunSimulator(line, {c.knob});
    ASSERT_EQ(Run("G0" + std::to_string(++number), "temp512.def"), 0) << c.knob << "\n" << output_;
    const auto progress = ProgressLines();
    ASSERT_EQ(progress.size(), 3u) << c.knob << "\n" << output_;
    for (const auto& l : progress) {
      EXPECT_NE(l.find("  temperature - - -  No command "), std::string::npos) << c.knob << ": " << l;
      EXPECT_NE(l.find(c.problem), std::string::npos) << c.knob << ": " << l;
    }
    EXPECT_NE(progress[2].find("  frames    80  "), std::string::npos) << c.knob << ": " << progress[2];
    EXPECT_LT(seconds_, 30.0) << c.knob;  // each unanswered request waits 100 ms, no more
    EXPECT_EQ(Requests().substr(0, 28), "@00100000071*\r@00101000070*\r") << c.knob;
  }
}

TEST_F(RunnerWithTemperature, APortThatCannotBeOpenedStopsTheRunnerBeforeAnythingIsWritten) {
  ScopedEnv com2("VELMAR_COM2", dir_.file("no-such-port"));
  EXPECT_EQ(Run("G070", "temp512.def"), 1);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0],
            (ErrorLines{"Impossible to open the COM port of the Temperature device !", "COM2", ""}));
  EXPECT_NE(output_.find("The temperature device on COM2 cannot be opened (" + dir_.file("no-such-port")),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("the observation is not started"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.file("obs/G070")));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("system/vltemoin.tmp")));
}

}  // namespace
}  // namespace velmar::testing
