// The runner walked as an observer walks it: every preset and a definition file of
// one's own, on the virtual clock and in real time; holds by the instrument that
// must be shown and must end; the pause between channels; signals.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <regex>

#include "platform/single_instance.h"
#include "runner_fixture.h"
#include "support/child_process.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

class ObservePaths : public RunnerFixture {
 protected:
  ObservePaths() { fs::create_directory(dir_.file("run")); }

  int Run(const std::vector<std::string>& args, bool fast = true) {
    std::vector<std::string> leading{"--source", "simulation", "--random-points", "5", "--cs100",
                                     "file:" + dir_.file("cs100.txt"), "--hold-limit", "5"};
    if (fast) leading.push_back("--fast");
    return RunWith(leading, args);
  }
  void SetBench(const std::string& key, const std::string& value) {
    const std::string text = ReadFile(dir_.file("axdrv.ini"));
    WriteFile(dir_.file("axdrv.ini"),
              std::regex_replace(text, std::regex("\n" + key + " = [^ \n]*"), "\n" + key + " = " + value));
  }
};

TEST_F(ObservePaths, EveryPresetAndADefinitionFileRunAWholeObservationFromAFirstStart) {
  fs::copy_file(dir_.file("varsa.def"), dir_.file("my survey.def"));
  const std::vector<std::string> definitions = {"1", "2", "3", "4", "5", "6", "7", "8", "kem512.def",
                                                dir_.file("my survey.def")};
  int number = 1;
  for (const std::string& definition : definitions) {
    SCOPED_TRACE(definition);
    const std::string data = dir_.file("obs/T" + std::to_string(number));
    const int code = Run({"--system-dir", dir_.file("system" + std::to_string(number)), "--preset", definition,
                          "--data", data, "--prefix", "T", "--number", std::to_string(number), "--type", "object",
                          "--channels", "2", "--exposure", "1", "--cycles", "2", "--see-saw", "on"});
    ASSERT_EQ(code, 0) << output_;
    EXPECT_EQ(output_.find("HOLD"), std::string::npos) << output_;
    for (const char* file : {"00", "0100", "0101", "0102", "0202", "0201"}) {
      const std::string name = data + "/T" + (number < 10 ? "00" : "0") + std::to_string(number) +
                               (std::string(file) == "00" ? ".VLT" : std::string(file) + ".VLA");
      EXPECT_TRUE(fs::exists(name)) << name;
    }
    EXPECT_FALSE(fs::exists(data + "/ipcsdata.tmp"));
    ++number;
  }
}

TEST_F(ObservePaths, AThomsonPresetRunsInRealTime) {
  ASSERT_EQ(Run({"--preset", "1", "--data", dir_.file("obs/R001"), "--prefix", "R", "--number", "1", "--channels", "1",
                 "--exposure", "1", "--cycles", "1"},
                false),
            0)
      << output_;
  EXPECT_TRUE(Exists("obs/R001/R0010100.VLA"));
  EXPECT_TRUE(Exists("obs/R001/R0010101.VLA"));
  EXPECT_GT(fs::file_size(dir_.file("obs/R001/R0010101.VLA")), 0u);
}

TEST_F(ObservePaths, ACloseLoopThatNeverLocksIsShownAndEndsTheObservation) {
  SetBench("close_loop_variant", "0");  // the lock is wired where the AX5215H board does not read
  EXPECT_EQ(Run({"--preset", "3", "--data", dir_.file("obs/H001"), "--prefix", "H", "--number", "1", "--channels",
                 "2", "--exposure", "1", "--cycles", "1"}),
            1);
  EXPECT_NE(output_.find("HOLD at channel 0 cycle 1: WARNING : Close loop (PF in default) ! waiting for good CL"),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("Storing held for more than 5 s"), std::string::npos) << output_;
  const std::string log = ReadFile(dir_.file("obs/H001/H001.VLT"));
  EXPECT_NE(log.find("!!! Automatic system decision at"), std::string::npos) << log;
  EXPECT_NE(log.find("TERMINATE ACQUISITION"), std::string::npos);
  EXPECT_FALSE(Exists("obs/H001/ipcsdata.tmp"));
  EXPECT_FALSE(Exists("system/vltemoin.tmp"));
}

TEST_F(ObservePaths, ACloseLoopLostForAWhileRedoesTheSpoiltChannel) {
  // The lock is lost from second 9 to 12 of the run: during channel 1 of cycle 1.
  SetBench("close_loop_lost_from", "9");
  SetBench("close_loop_lost_for", "3");
  ASSERT_EQ(Run({"--preset", "3", "--data", dir_.file("obs/L001"), "--prefix", "L", "--number", "1", "--channels",
                 "3", "--exposure", "2", "--cycles", "1"}),
            0)
      << output_;
  EXPECT_NE(output_.find("HOLD at channel 1 cycle 1"), std::string::npos) << output_;
  EXPECT_NE(output_.find("hold ended after"), std::string::npos);
  EXPECT_NE(output_.find("channel 0001 cycle 0001  not kept: spoilt by the close loop, exposed again"),
            std::string::npos);
  EXPECT_NE(output_.find("channel 0001 cycle 0001  photons"), std::string::npos);  // the redo
  const std::string log = ReadFile(dir_.file("obs/L001/L001.VLT"));
  EXPECT_NE(log.find("!!! Automatic system decision : redo last channel because CLOSE LOOP"), std::string::npos);
  for (const char* name : {"L0010100.VLA", "L0010101.VLA", "L0010102.VLA", "L0010103.VLA"})
    EXPECT_TRUE(Exists(std::string("obs/L001/") + name)) << name;
}

TEST_F(ObservePaths, EveryPauseBetweenChannelsIsAnsweredAndSaid) {
  ASSERT_EQ(Run({"--preset", "3", "--data", dir_.file("obs/P001"), "--prefix", "P", "--number", "1", "--channels",
                 "2", "--exposure", "1", "--cycles", "1", "--scanning", "pause"}),
            0)
      << output_;
  EXPECT_NE(output_.find("Pause after channel 0 cycle 1: continue scanning."), std::string::npos) << output_;
  EXPECT_NE(output_.find("Pause after channel 2 cycle 1: continue scanning."), std::string::npos);
  EXPECT_TRUE(Exists("obs/P001/P0010102.VLA"));
}

// The real program in a child process, stopped by a signal in the middle of a channel.
class ObserveSignals : public ObservePaths {
 protected:
  std::optional<int> RunAndSignal(int signal, const std::string& data) {
    ChildProcess runner(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe",
                        {"--system-dir", dir_.file("system"), "--data", data, "--prefix", "S", "--number", "1",
                         "--preset", "3", "--cs100", "file:" + dir_.file("cs100.txt"), "--source", "simulation",
                         "--channels", "3", "--exposure", "2", "--cycles", "1", "--temp-mode", "1"},
                        dir_.path().string(), {"XDG_RUNTIME_DIR=" + dir_.file("run")});
    EXPECT_TRUE(runner.WaitForOutput("channel 0001 cycle 0001", 30000)) << runner.output();
    runner.Signal(signal);
    const auto code = runner.Wait(15000);
    output_ = runner.output();
    return code;
  }
};

TEST_F(ObserveSignals, CtrlCStopsSafelyKeepingTheCompleteChannels) {
  const std::string data = dir_.file("obs/S001");
  EXPECT_EQ(RunAndSignal(SIGINT, data), 130) << output_;
  EXPECT_NE(output_.find("SIGINT received: abort and quit"), std::string::npos) << output_;
  EXPECT_NE(output_.find("Channel 2 of cycle 1 was in progress: its photons were not kept."), std::string::npos);
  EXPECT_TRUE(Exists("obs/S001/S0010100.VLA"));
  EXPECT_TRUE(Exists("obs/S001/S0010101.VLA"));
  EXPECT_FALSE(Exists("obs/S001/S0010102.VLA"));
  EXPECT_FALSE(Exists("obs/S001/ipcsdata.tmp"));
  EXPECT_FALSE(Exists("system/vltemoin.tmp"));
  const std::string log = ReadFile(data + "/S001.VLT");
  EXPECT_NE(log.find(": ABORT AND QUIT (SIGINT received)"), std::string::npos) << log;
  EXPECT_NE(log.find(": TERMINATE ACQUISITION..."), std::string::npos);
  SingleInstanceLock lock(fs::path(dir_.file("run")), kApplicationTitle);
  EXPECT_TRUE(lock.held());  // released by the runner's end
}

TEST_F(ObserveSignals, SigtermAndSighupStopAsCtrlCDoes) {
  EXPECT_EQ(RunAndSignal(SIGTERM, dir_.file("obs/S002")), 143) << output_;
  EXPECT_TRUE(Exists("obs/S002/S0010101.VLA"));
  EXPECT_FALSE(Exists("obs/S002/ipcsdata.tmp"));
  EXPECT_EQ(RunAndSignal(SIGHUP, dir_.file("obs/S003")), 129) << output_;
  EXPECT_NE(output_.find("SIGHUP received"), std::string::npos) << output_;
}

}  // namespace
}  // namespace velmar::testing
