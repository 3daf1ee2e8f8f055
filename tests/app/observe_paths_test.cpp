// The runner walked as an observer walks it: every preset and a definition file of
// one's own, on the virtual clock and in real time; holds by the instrument that
// must be shown and must end; the pause between channels; signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>

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
  // The high voltage up: a THT alarm raised as counting resumes would take the
  // decision's place in the one-line log queue.
  ASSERT_EQ(Run({"--preset", "2", "--data", dir_.file("obs/L001"), "--prefix", "L", "--number", "1", "--channels",
                 "3", "--exposure", "2", "--cycles", "1", "--tht", "9600"}),
            0)
      << output_;
  EXPECT_NE(output_.find("HOLD at channel 1 cycle 1"), std::string::npos) << output_;
  EXPECT_NE(output_.find("hold ended after"), std::string::npos);
  EXPECT_NE(output_.find("channel 0001 cycle 0001  not kept: spoilt by the close loop, exposed again"),
            std::string::npos);
  EXPECT_NE(output_.find("channel 0001 cycle 0001  photons"), std::string::npos);  // the redo
  const std::string log = ReadFile(dir_.file("obs/L001/L001.VLT"));
  EXPECT_NE(log.find("!!! Automatic system decision : redo last channel because CLOSE LOOP"), std::string::npos) << log;
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

// Every way the runner ends after the single-instance check wrote the witness file
// takes it away again: the file says an acquisition task runs, and none does. A
// refused run leaves no empty data directory behind either.
TEST_F(ObservePaths, EveryWayOutAfterTheInstanceCheckTakesTheWitnessFileAway) {
  struct WayOut {
    std::string name;
    int code;
    std::string said;  // on the console or in an error window
    std::function<void(const std::string& data)> prepare;
    std::vector<std::string> flags;
  };
  const std::vector<WayOut> ways = {
      {"first photon file already there", 2, "Nothing was overwritten",
       [](const std::string& data) {
         fs::create_directories(data);
         WriteFile(data + "/W0010101.VLA", "an earlier observation");
       },
       {}},
      // The probe file of the data directory cannot be made.
      {"data directory unusable", 2, "Impossible to access the path",
       [](const std::string& data) { fs::create_directories(data + "/bidon.tmp/obstruction"); }, {}},
      {"log file cannot be made", 1, "log file",
       [](const std::string& data) { fs::create_directories(data + "/W003.VLT/obstruction"); }, {}},
      {"CS100 port cannot be opened", 1, "Impossible to open the COM port of the CS100 !", [](const std::string&) {},
       {"--cs100", "serial:2"}},
      {"display driver file missing", 2, "Impossible to find the VCF configuration file",
       [this](const std::string&) {
         fs::remove(dir_.file("desktop.vcf"));
         fs::remove(dir_.file("ccirmon.vcf"));
       },
       {}},
  };
  ScopedEnv com2("VELMAR_COM2", "/nonexistent/velmar-cs100-port");
  int number = 1;
  for (const WayOut& way : ways) {
    SCOPED_TRACE(way.name);
    const std::string system = dir_.file("system-" + std::to_string(number));
    const std::string data = dir_.file("obs/W00" + std::to_string(number));
    way.prepare(data);
    errors_.Clear();
    std::vector<std::string> flags{"--system-dir", system, "--preset", "3", "--data", data, "--prefix", "W",
                                   "--number", std::to_string(number), "--channels", "2", "--exposure", "1",
                                   "--cycles", "1"};
    flags.insert(flags.end(), way.flags.begin(), way.flags.end());
    EXPECT_EQ(Run(flags), way.code) << output_;
    std::string said = output_;
    for (const ErrorLines& error : errors_.reported()) said += error.line1 + " | ";
    EXPECT_NE(said.find(way.said), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(system + "/vltemoin.tmp")) << said;
    EXPECT_FALSE(fs::exists(data) && fs::is_empty(data)) << said;
    ++number;
  }
}

// A second copy of the runner while a first one counts, both in real time, sharing
// the system directory (and the data directory the second was pointed at).
class SecondCopy : public ObservePaths {
 protected:
  ChildProcess StartRunner(const std::string& system, const std::string& data, const std::string& runtime) {
    return ChildProcess(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe",
                        {"--system-dir", system, "--data", data, "--prefix", "D", "--number", "1", "--preset", "3",
                         "--cs100", "file:" + dir_.file("cs100.txt"), "--source", "simulation", "--channels", "2",
                         "--exposure", "3", "--cycles", "1", "--temp-mode", "1"},
                        dir_.path().string(), {"XDG_RUNTIME_DIR=" + runtime});
  }

  // Each channel line's photons against its file: every file there, of the size
  // its count gives, and without a run of zero bytes (a hole left where the file
  // was deleted and written again).
  static void ExpectEveryChannelIntact(const std::string& output, const std::string& data) {
    const std::regex line(R"(channel (\d{4}) cycle (\d{4})  photons +(\d+))");
    int channels = 0;
    std::int64_t recordSize = 0;
    for (auto it = std::sregex_iterator(output.begin(), output.end(), line); it != std::sregex_iterator(); ++it) {
      const std::string name = data + "/D001" + (*it)[2].str().substr(2) + (*it)[1].str().substr(2) + ".VLA";
      SCOPED_TRACE(name);
      ++channels;
      const std::int64_t photons = std::stoll((*it)[3].str());
      ASSERT_TRUE(fs::exists(name));
      ASSERT_GT(photons, 0);
      const auto size = static_cast<std::int64_t>(fs::file_size(name));
      if (recordSize == 0) recordSize = size / photons;
      EXPECT_TRUE(recordSize == 2 || recordSize == 4 || recordSize == 8) << size << " bytes for " << photons;
      EXPECT_EQ(size, photons * recordSize);
      const std::string bytes = ReadFile(name);
      EXPECT_EQ(bytes.find(std::string(64, '\0')), std::string::npos) << "a zero-filled hole";
    }
    EXPECT_EQ(channels, 3) << output;
  }
};

TEST_F(SecondCopy, IsRefusedTouchingNothingAndTheFirstCompletesIntact) {
  for (const bool sameRuntime : {true, false}) {
    SCOPED_TRACE(sameRuntime ? "same runtime directory" : "runtime directories of their own");
    const std::string tag = sameRuntime ? "same" : "own";
    const std::string system = dir_.file("system-" + tag), data = dir_.file("obs/" + tag);
    fs::create_directories(dir_.file("run-" + tag));
    ChildProcess first = StartRunner(system, data, dir_.file("run"));
    ASSERT_TRUE(first.WaitForOutput("channel 0000 cycle 0001", 30000)) << first.output();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // channel 1 has photons on disk
    const std::string parameters = ReadFile(system + "/vla.def");
    ChildProcess second = StartRunner(system, data, sameRuntime ? dir_.file("run") : dir_.file("run-" + tag));
    EXPECT_EQ(second.Wait(30000), 1) << second.output();
    EXPECT_NE(second.output().find("The VlmIPCS program is already running !"), std::string::npos)
        << second.output();
    EXPECT_EQ(ReadFile(system + "/vla.def"), parameters) << "the refused copy wrote its parameters";
    EXPECT_EQ(first.Wait(60000), 0) << first.output();
    ExpectEveryChannelIntact(first.output(), data);
    EXPECT_FALSE(fs::exists(data + "/ipcsdata.tmp"));
    EXPECT_FALSE(fs::exists(system + "/vltemoin.tmp"));
  }
}

// The real program in a child process whose disk fails under it: a file-size limit
// put on it and lifted again from outside (writes past it fail with EFBIG), or its
// data directory removed.
class ObserveDiskErrors : public ObservePaths {
 protected:
  ChildProcess Start(const std::string& data, const std::vector<std::string>& more) {
    std::vector<std::string> args{"--system-dir", dir_.file("system"), "--data", data, "--prefix", "D", "--number",
                                  "1", "--cs100", "file:" + dir_.file("cs100.txt"), "--source", "simulation",
                                  "--cycles", "1", "--temp-mode", "1"};
    args.insert(args.end(), more.begin(), more.end());
    return ChildProcess(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe", args, dir_.path().string(),
                        {"XDG_RUNTIME_DIR=" + dir_.file("run")});
  }
  static bool LimitFileSize(int pid, rlim_t bytes) {
    rlimit limit{};
    if (prlimit(pid, RLIMIT_FSIZE, nullptr, &limit) != 0) return false;
    limit.rlim_cur = bytes;
    return prlimit(pid, RLIMIT_FSIZE, &limit, nullptr) == 0;
  }
  // Polls the file until it holds at least bytes; false when the deadline passes first.
  static bool WaitForSize(const std::string& path, std::uintmax_t bytes, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 50) {
      std::error_code ec;
      if (fs::file_size(path, ec) >= bytes && !ec) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
};

// Photons and frames of a channel's record, and the photons of its "!!! Disk error" lines.
struct LoggedChannel {
  long photons = -1, frames = -1, lost = 0;
  int lostSeconds = 0;
};

LoggedChannel LoggedChannelOf(const std::string& log, int channel) {
  LoggedChannel c;
  char begin[64];
  std::snprintf(begin, sizeof begin, "\n\n==> Beginning channel=%4.4d at ", channel);
  const std::size_t from = log.find(begin);
  const std::size_t record = from == std::string::npos ? from : log.find("\nWas acquired at ", from);
  if (record == std::string::npos) return c;
  const std::string section = log.substr(from, record - from);
  static const std::regex lost(R"(\n!!! Disk error at \d\d:\d\d:\d\d : (\d+) photons of this second not written \(File too large\))");
  for (auto it = std::sregex_iterator(section.begin(), section.end(), lost); it != std::sregex_iterator(); ++it) {
    c.lost += std::stol((*it)[1]);
    ++c.lostSeconds;
  }
  std::smatch m;
  const std::string line = log.substr(record, log.find('\n', record + 1) - record);
  if (std::regex_search(line, m, std::regex(R"(ch=(\d{4})  cy=0001  QGval=[+-]\d{4}  ph=(\d{8})  fr=(\d{5})$)")) &&
      std::stoi(m[1]) == channel) {
    c.photons = std::stol(m[2]);
    c.frames = std::stol(m[3]);
  }
  return c;
}

TEST_F(ObserveDiskErrors, ADiskFullForAWhileLosesOnlyThoseSecondsSaysSoAndTheObservationEnds) {
  const std::string data = dir_.file("obs/D001");
  // A camera stored on 256 lines, so that every photon counted has its record.
  ChildProcess runner = Start(data, {"--preset", "1", "--format", "1", "--random-points", "20", "--channels", "2",
                                     "--exposure", "8", "--disk-error-grace", "30"});
  ASSERT_TRUE(runner.WaitForOutput("channel 0000 cycle 0001", 30000)) << runner.output();
  // Channel 1 is written: once its file is larger than the log, the disk "fills"
  // halfway into a record, and the log can still take its lines.
  const std::string temporary = data + "/ipcsdata.tmp";
  ASSERT_TRUE(WaitForSize(temporary, 16384, 10000)) << runner.output();
  ASSERT_TRUE(LimitFileSize(runner.pid(), fs::file_size(temporary) + 8 * 3 + 5));
  ASSERT_TRUE(runner.WaitForOutput("DISK ERROR at channel 1 cycle 1", 10000)) << runner.output();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));  // a second more of full disk
  ASSERT_TRUE(LimitFileSize(runner.pid(), RLIM_INFINITY));
  EXPECT_EQ(runner.Wait(30000), 0) << runner.output();
  output_ = runner.output();
  EXPECT_NE(output_.find("photons of this second not written (File too large)"), std::string::npos) << output_;
  EXPECT_NE(output_.find("disk writable again after"), std::string::npos) << output_;

  const std::string log = ReadFile(data + "/D001.VLT");
  for (int channel : {0, 1, 2}) {
    SCOPED_TRACE(channel);
    const LoggedChannel c = LoggedChannelOf(log, channel);
    const std::string file = data + "/D00101" + (channel == 0 ? "00" : channel == 1 ? "01" : "02") + ".VLA";
    ASSERT_GE(c.photons, 0) << log;
    // ph= counts the photons whose 8-byte records are in the file, not one more.
    EXPECT_EQ(fs::file_size(file), static_cast<std::uintmax_t>(c.photons) * 8);
    if (channel == 1) {
      EXPECT_GE(c.lostSeconds, 2) << log;
      EXPECT_GT(c.lost, 0);
      EXPECT_LE(c.frames, 8 * 50 + 50);  // the refused seconds counted as exposure
    } else {
      EXPECT_EQ(c.lostSeconds, 0) << log;
    }
  }
  EXPECT_FALSE(Exists("obs/D001/ipcsdata.tmp"));
}

TEST_F(ObserveDiskErrors, ARemovedDataDirectoryEndsTheObservationWithinTheGrace) {
  const std::string data = dir_.file("obs/D002");
  ChildProcess runner = Start(data, {"--preset", "3", "--channels", "2", "--exposure", "20", "--disk-error-grace", "3"});
  ASSERT_TRUE(runner.WaitForOutput("channel 0000 cycle 0001", 30000)) << runner.output();
  // The runner may create a file in it while it is being removed: remove until it is gone.
  for (int attempt = 0; attempt < 100 && fs::exists(data); ++attempt) {
    std::error_code ec;
    fs::remove_all(data, ec);
  }
  ASSERT_FALSE(fs::exists(data));
  EXPECT_EQ(runner.Wait(15000), 1) << runner.output();
  output_ = runner.output();
  EXPECT_NE(output_.find("DISK ERROR at channel 1 cycle 1: "), std::string::npos) << output_;
  EXPECT_NE(output_.find("(No such file or directory); the observation log cannot be written either"),
            std::string::npos);
  EXPECT_NE(output_.find("The photon file could not be written for 3 s (No such file or directory): quit "
                         "integration; the complete channels are kept."),
            std::string::npos);
  EXPECT_NE(output_.find("Channel 1 of cycle 1 was in progress: its photons were not kept."), std::string::npos);
  EXPECT_FALSE(Exists("system/vltemoin.tmp"));
}

TEST_F(ObserveDiskErrors, AGraceThatIsNotAWholeNumberOfSecondsIsRefusedAndNothingIsWritten) {
  // An empty value is refused as the flags are read, before anything runs.
  std::string error;
  EXPECT_FALSE(ParseObserveOptions({"--disk-error-grace", ""}, error));
  EXPECT_EQ(error, "--disk-error-grace needs a value, not an empty one");
  for (const char* grace : {"-1", "soon", "1.5"}) {
    SCOPED_TRACE(grace);
    EXPECT_EQ(Run({"--preset", "3", "--data", dir_.file("obs/D004"), "--disk-error-grace", grace}), 2);
    EXPECT_NE(output_.find("--disk-error-grace must be a whole number of seconds, 0 or more"), std::string::npos)
        << output_;
    EXPECT_FALSE(Exists("obs/D004"));
    EXPECT_FALSE(Exists("system/vla.def"));
  }
}

TEST_F(ObserveDiskErrors, AFileThatNeverTakesItsNameEndsTheObservationAfterTheGrace) {
  // A directory in the way of channel 2's final name: every second is written,
  // the renaming at the channel's end always fails.
  fs::create_directories(dir_.file("obs/D003/D0030102.VLA/in the way"));
  EXPECT_EQ(Run({"--preset", "3", "--data", dir_.file("obs/D003"), "--prefix", "D", "--number", "3", "--channels", "2",
                 "--exposure", "2", "--cycles", "1", "--disk-error-grace", "5"}),
            1)
      << output_;
  EXPECT_NE(output_.find("DISK ERROR: Impossible to rename tempraty file !"), std::string::npos) << output_;
  EXPECT_NE(output_.find("The photon file could not be written for 5 s (Is a directory): quit integration; the "
                         "complete channels are kept."),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("Channel 2 of cycle 1 was in progress: its photons were not kept."), std::string::npos);
  EXPECT_TRUE(Exists("obs/D003/D0030100.VLA"));
  EXPECT_TRUE(Exists("obs/D003/D0030101.VLA"));
  EXPECT_FALSE(Exists("obs/D003/ipcsdata.tmp"));
  const std::string log = ReadFile(dir_.file("obs/D003/D003.VLT"));
  EXPECT_NE(log.find(": QUIT INTEGRATION, disk error for 5 s (Is a directory)"), std::string::npos) << log;
}

}  // namespace
}  // namespace velmar::testing
