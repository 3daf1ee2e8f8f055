// The real runner, in child processes, fed what an observer or a robot may feed it
// by mistake: empty flag values, signals at every moment (in the start-up, twice in
// a row), a runtime directory where no lock can be made, a second copy aimed at the
// data directory of a first, and an output that is a pipe.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "support/child_process.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

class RunnerGuards : public ::testing::Test {
 protected:
  RunnerGuards() {
    fs::copy(VELMAR_PRESETS_DIR, dir_.path(), fs::copy_options::recursive);
    fs::create_directories(dir_.file("run"));
    fs::create_directories(dir_.file("obs"));
  }
  std::vector<std::string> Flags(const std::string& system, const std::string& data,
                                 const std::vector<std::string>& more = {}) const {
    std::vector<std::string> args{"--system-dir", system, "--data", data, "--prefix", "D", "--number", "1",
                                  "--preset", "3", "--cs100", "file:" + dir_.file("cs100.txt"), "--source",
                                  "simulation", "--channels", "2", "--exposure", "2", "--cycles", "1",
                                  "--temp-mode", "1"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }
  ChildProcess Start(const std::vector<std::string>& args, const std::string& runtime = {},
                     std::vector<std::string> env = {}) const {
    env.push_back("XDG_RUNTIME_DIR=" + (runtime.empty() ? dir_.file("run") : runtime));
    return ChildProcess(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe", args, dir_.path().string(), env);
  }
  // The channel files of a log's records, each of the size its photons give and
  // without a zero-filled hole; the log holds one observation's header.
  static void ExpectOneIntactObservation(const std::string& data) {
    const std::string log = ReadFile(data + "/D001.VLT");
    std::size_t headers = 0;
    for (std::size_t at = log.find("Velmar Photon Counting"); at != std::string::npos;
         at = log.find("Velmar Photon Counting", at + 1))
      ++headers;
    EXPECT_EQ(headers, 1u) << log;
    const std::regex record(R"(ch=(\d{4})  cy=(\d{4})  QGval=[+-]\d{4}  ph=(\d{8}))");
    int channels = 0;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), record); it != std::sregex_iterator(); ++it) {
      const std::string name = data + "/D001" + (*it)[2].str().substr(2) + (*it)[1].str().substr(2) + ".VLA";
      SCOPED_TRACE(name);
      ++channels;
      const std::string bytes = ReadFile(name);
      EXPECT_EQ(bytes.size(), std::stoul((*it)[3]) * 4);
      EXPECT_EQ(bytes.find(std::string(64, '\0')), std::string::npos) << "a zero-filled hole";
    }
    EXPECT_EQ(channels, 3) << log;
  }

  TempDir dir_;
};

TEST_F(RunnerGuards, AnEmptyFlagValueIsRefusedAndNothingIsWritten) {
  for (const std::string flag : {"--channels", "--number", "--exposure", "--cycles", "--random-points", "--format",
                                 "--temp-mode", "--preset", "--lambda", "--cqg", "--tht", "--data", "--comment"}) {
    SCOPED_TRACE(flag);
    ChildProcess runner = Start({"--system-dir", dir_.file("system"), "--fast", "--data", dir_.file("obs/E001"),
                                 "--channels", "1", "--exposure", "1", "--cycles", "1", flag, ""});
    EXPECT_EQ(runner.Wait(20000), 2) << runner.output();
    EXPECT_NE(runner.output().find(flag + " needs a value, not an empty one"), std::string::npos) << runner.output();
    EXPECT_FALSE(fs::exists(dir_.file("system/vla.def")));
    EXPECT_FALSE(fs::exists(dir_.file("obs/E001")));
  }
}

TEST_F(RunnerGuards, ALockThatCannotBeMadeIsSaidAsSuchNotAsAnotherCopy) {
  ChildProcess runner = Start(Flags(dir_.file("system"), dir_.file("obs/L001"), {"--fast"}), "/proc/nonexistent");
  EXPECT_EQ(runner.Wait(20000), 1) << runner.output();
  EXPECT_NE(runner.output().find("cannot be made (cannot open /proc/nonexistent/IPCS Velmar.lock"), std::string::npos)
      << runner.output();
  EXPECT_EQ(runner.output().find("already running"), std::string::npos) << runner.output();
  EXPECT_FALSE(fs::exists(dir_.file("obs/L001")));
}

// "Abort definitively acquisition" answered at once ends the observation.
TEST_F(RunnerGuards, ASuspensionAnsweredAbortAtOnceEndsTheObservation) {
  ChildProcess runner = Start(Flags(dir_.file("system"), dir_.file("obs/A001"), {"--fast", "--suspend", "3:abort"}));
  EXPECT_EQ(runner.Wait(30000), 0) << runner.output();
  EXPECT_NE(runner.output().find("Abort definitively acquisition, then Yes"), std::string::npos) << runner.output();
  EXPECT_TRUE(fs::exists(dir_.file("obs/A001/D0010100.VLA")));
}

// A controller on a serial line that takes nothing makes the start-up long; a
// signal in it stops the runner at once, before the shutter is opened, and the data
// directory it made goes again.
TEST_F(RunnerGuards, ASignalDuringTheStartUpStopsItAtOnceOpeningNothing) {
  PtyDevice line;
  const int filler = ::open(line.slaveName().c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(filler, 0);
  const std::string block(1024, 'x');
  while (::write(filler, block.data(), block.size()) > 0) {
  }
  const std::string data = dir_.file("obs/S001");
  std::vector<std::string> args = Flags(dir_.file("system"), data, {"--cs100", "serial:2"});
  ChildProcess runner = Start(args, {}, {"VELMAR_COM2=" + line.slaveName()});
  ASSERT_TRUE(runner.WaitForOutput("program directory", 10000)) << runner.output();
  std::this_thread::sleep_for(std::chrono::milliseconds(4000));  // into the controller's initialisation
  const auto signalled = std::chrono::steady_clock::now();
  runner.Signal(SIGINT);
  EXPECT_EQ(runner.Wait(15000), 130) << runner.output();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
  EXPECT_LT(seconds, 2.5) << runner.output();
  EXPECT_NE(runner.output().find("SIGINT received during the start-up"), std::string::npos) << runner.output();
  EXPECT_EQ(runner.output().find("shutter OPEN"), std::string::npos) << runner.output();
  EXPECT_EQ(runner.output().find("Observation D001"), std::string::npos) << runner.output();
  EXPECT_FALSE(fs::exists(data));
  EXPECT_FALSE(fs::exists(dir_.file("system/vltemoin.tmp")));
  ::close(filler);
}

// `timeout` signals the program and then its process group: the second copy of the
// signal must not cut the safe stop short.
TEST_F(RunnerGuards, ARepeatedSignalNeverSkipsTheSafeStop) {
  const std::string data = dir_.file("obs/R001");
  ChildProcess runner = Start(Flags(dir_.file("system"), data, {"--channels", "4"}));
  ASSERT_TRUE(runner.WaitForOutput("channel 0001 cycle 0001", 30000)) << runner.output();
  runner.Signal(SIGTERM);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  runner.Signal(SIGTERM);
  EXPECT_EQ(runner.Wait(15000), 143) << runner.output();
  EXPECT_NE(runner.output().find("SIGTERM received: abort and quit"), std::string::npos) << runner.output();
  EXPECT_FALSE(fs::exists(data + "/ipcsdata.tmp"));
  EXPECT_FALSE(fs::exists(data + "/ipcsopen.tmp"));
  EXPECT_FALSE(fs::exists(dir_.file("system/vltemoin.tmp")));
  EXPECT_NE(ReadFile(data + "/D001.VLT").find("ABORT AND QUIT (SIGTERM received)"), std::string::npos);
}

// Two copies that share nothing but the data directory: the second is refused and
// touches nothing; a lock left by a copy that was killed refuses nobody.
TEST_F(RunnerGuards, ADataDirectoryInUseRefusesASecondObservation) {
  const std::string data = dir_.file("obs/D001");
  fs::create_directories(dir_.file("run-2"));
  ChildProcess first = Start(Flags(dir_.file("system-1"), data, {"--exposure", "3"}));
  ASSERT_TRUE(first.WaitForOutput("channel 0000 cycle 0001", 30000)) << first.output();
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // channel 1 has photons on disk
  ChildProcess second = Start(Flags(dir_.file("system-2"), data, {"--overwrite"}), dir_.file("run-2"));
  EXPECT_EQ(second.Wait(30000), 1) << second.output();
  EXPECT_NE(second.output().find("is in use by another copy of the program"), std::string::npos) << second.output();
  EXPECT_FALSE(fs::exists(dir_.file("system-2/vla.def")));
  EXPECT_EQ(first.Wait(60000), 0) << first.output();
  ExpectOneIntactObservation(data);
  EXPECT_FALSE(fs::exists(data + "/ipcslock.tmp"));

  // Killed in the middle of a channel: its lock dies with it.
  const std::string other = dir_.file("obs/K001");
  ChildProcess killed = Start(Flags(dir_.file("system-1"), other));
  ASSERT_TRUE(killed.WaitForOutput("channel 0000 cycle 0001", 30000)) << killed.output();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // into channel 1
  killed.Signal(SIGKILL);
  killed.Wait(5000);
  ASSERT_TRUE(fs::exists(other + "/ipcsopen.tmp"));
  ChildProcess after = Start(Flags(dir_.file("system-2"), other, {"--number", "2", "--fast"}), dir_.file("run-2"));
  EXPECT_EQ(after.Wait(30000), 0) << after.output();
  EXPECT_NE(after.output().find("The previous observation was interrupted during a channel"), std::string::npos)
      << after.output();
  EXPECT_TRUE(fs::exists(other + "/D0010101.VLA.partial"));
}

// Alarm beeps ring the terminal, never the output: read through a pipe, it holds
// no bell character.
TEST_F(RunnerGuards, AlarmBeepsNeverGoIntoTheOutput) {
  ChildProcess runner =
      Start(Flags(dir_.file("system"), dir_.file("obs/B001"), {"--close-loop-fault", "1:2", "--hold-limit", "30"}));
  EXPECT_EQ(runner.Wait(60000), 0) << runner.output();
  EXPECT_NE(runner.output().find("ALARM"), std::string::npos) << runner.output();
  EXPECT_EQ(runner.output().find('\a'), std::string::npos) << runner.output();
}

}  // namespace
}  // namespace velmar::testing
