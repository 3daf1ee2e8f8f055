// An observation ended without its shutdown (the process killed in the middle of a
// channel) and the next start: the partial channel file is put aside under a name no
// reader takes for a channel file, the log says so, complete channels stay as they
// were, and the witness file left behind goes; a clean previous end is not reported.
#include "app/interrupted_observation.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/channel_in_progress.h"
#include "platform/single_instance.h"
#include "platform/system_dir.h"
#include "runner_fixture.h"
#include "support/child_process.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFound = "The previous observation was interrupted during a channel";

class InterruptedObservation : public RunnerFixture {
 protected:
  std::vector<std::string> Common() const {
    return {"--system-dir", dir_.file("system"), "--preset", "3", "--cs100", "file:" + dir_.file("cs100.txt"),
            "--source", "simulation", "--random-points", "5"};
  }

  // The real program, stopped by a signal in the middle of channel 2 (channels of 2 s).
  void RunAndKill(const std::string& data, const std::string& tempMode, int signal = SIGKILL) {
    std::vector<std::string> args = Common();
    for (const char* a : {"--prefix", "K", "--number", "1", "--channels", "3", "--exposure", "2", "--cycles", "1"})
      args.emplace_back(a);
    args.insert(args.end(), {"--data", data, "--temp-mode", tempMode});
    ChildProcess runner(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe", args, dir_.path().string(),
                        {"XDG_RUNTIME_DIR=" + dir_.file("run")});
    ASSERT_TRUE(runner.WaitForOutput("channel 0001 cycle 0001", 30000)) << runner.output();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // channel 2 has its first second
    runner.Signal(signal);
    EXPECT_EQ(runner.Wait(15000), 128 + signal);
  }

  // A short observation on the virtual clock, in this process.
  int RunNext(const std::string& data, const std::string& number) {
    return RunWith(Common(), {"--fast", "--data", data, "--prefix", "K", "--number", number, "--channels", "1",
                              "--exposure", "1", "--cycles", "1"});
  }
};

TEST_F(InterruptedObservation, AChannelKilledInEitherTemporaryFileModeIsPutAsideAtTheNextStart) {
  for (const std::string mode : {"0", "1"}) {
    SCOPED_TRACE("temporary-file mode " + mode);
    const std::string data = dir_.file("obs/K001-mode" + mode);
    ASSERT_NO_FATAL_FAILURE(RunAndKill(data, mode));
    // What the kill left: the partial file, the witness file.
    const std::string left = mode == "1" ? "ipcsdata.tmp" : "K0010102.VLA";
    ASSERT_TRUE(fs::exists(data + "/" + left));
    ASSERT_TRUE(Exists("system/vltemoin.tmp"));
    const std::string channel0 = ReadFile(data + "/K0010100.VLA");
    const std::string channel1 = ReadFile(data + "/K0010101.VLA");
    ASSERT_FALSE(channel1.empty());

    ASSERT_EQ(RunNext(dir_.file("obs/K002-mode" + mode), "2"), 0) << output_;

    EXPECT_NE(output_.find(std::string(kFound) + ": " + data + "/" + left +
                           ". This partial file was moved aside as K0010102.VLA.partial; noted in K001.VLT"),
              std::string::npos)
        << output_;
    EXPECT_TRUE(fs::exists(data + "/K0010102.VLA.partial"));
    EXPECT_FALSE(fs::exists(data + "/K0010102.VLA"));
    EXPECT_FALSE(fs::exists(data + "/ipcsdata.tmp"));
    EXPECT_FALSE(fs::exists(data + "/ipcschn.tmp"));
    EXPECT_FALSE(fs::exists(data + "/" + kChannelInProgressFile));
    EXPECT_EQ(ReadFile(data + "/K0010100.VLA"), channel0);
    EXPECT_EQ(ReadFile(data + "/K0010101.VLA"), channel1);
    const std::string log = ReadFile(data + "/K001.VLT");
    EXPECT_NE(log.find("\n!!! Found at the next start, "), std::string::npos) << log;
    EXPECT_NE(log.find(" : the program ended during a channel; its partial file " + left +
                       " was moved aside as K0010102.VLA.partial"),
              std::string::npos)
        << log;
    EXPECT_FALSE(Exists("system/vltemoin.tmp"));
    // The next start after that finds nothing more.
    ASSERT_EQ(RunNext(dir_.file("obs/K003-mode" + mode), "3"), 0) << output_;
    EXPECT_EQ(output_.find(kFound), std::string::npos) << output_;
  }
}

TEST_F(InterruptedObservation, ACleanPreviousEndIsNotReportedAndNothingIsMoved) {
  for (const std::string mode : {"0", "1"}) {
    SCOPED_TRACE("temporary-file mode " + mode);
    const std::string data = dir_.file("obs/C001-mode" + mode);
    ASSERT_EQ(RunWith(Common(), {"--fast", "--data", data, "--prefix", "K", "--number", "1", "--channels", "2",
                                 "--exposure", "1", "--cycles", "1", "--temp-mode", mode}),
              0)
        << output_;
    const std::string before = ReadFile(data + "/K0010102.VLA");
    const std::string logBefore = ReadFile(data + "/K001.VLT");
    ASSERT_EQ(RunNext(dir_.file("obs/C002-mode" + mode), "2"), 0) << output_;
    EXPECT_EQ(output_.find(kFound), std::string::npos) << output_;
    EXPECT_EQ(ReadFile(data + "/K0010102.VLA"), before);
    EXPECT_EQ(ReadFile(data + "/K001.VLT"), logBefore);
    for (const auto& entry : fs::directory_iterator(data))
      EXPECT_EQ(entry.path().string().find(kPartialSuffix), std::string::npos) << entry.path();
  }
}

TEST_F(InterruptedObservation, AStopByCtrlCInTheMiddleOfAChannelLeavesNoMarkAndIsNotReported) {
  for (const std::string mode : {"0", "1"}) {
    SCOPED_TRACE("temporary-file mode " + mode);
    const std::string data = dir_.file("obs/I001-mode" + mode);
    ASSERT_NO_FATAL_FAILURE(RunAndKill(data, mode, SIGINT));
    EXPECT_FALSE(fs::exists(data + "/" + kChannelInProgressFile));
    ASSERT_EQ(RunNext(dir_.file("obs/I002-mode" + mode), "2"), 0) << output_;
    EXPECT_EQ(output_.find(kFound), std::string::npos) << output_;
    for (const auto& entry : fs::directory_iterator(data))
      EXPECT_EQ(entry.path().string().find(kPartialSuffix), std::string::npos) << entry.path();
  }
}

TEST_F(InterruptedObservation, WhileAnotherCopyRunsNothingOfItsObservationIsTouched) {
  const std::string data = dir_.file("obs/K001");
  fs::create_directories(data);
  WriteFile(data + "/K001.VLT", "Velmar Photon Counting");
  WriteFile(data + "/K0010102.VLA", "partial");
  MarkChannelInProgress(data, {"K0010102.VLA", "K0010102.VLA", "K001.VLT"});
  ASSERT_EQ(RunNext(data, "1"), 0) << output_;  // a first run records the directory
  MarkChannelInProgress(data, {"K0010102.VLA", "K0010102.VLA", "K001.VLT"});
  WriteFile(data + "/K0010102.VLA", "partial");
  WriteFile(dir_.file("system/vltemoin.tmp"), "Temoin VlmIPCS");
  const std::string logBefore = ReadFile(data + "/K001.VLT");

  SingleInstanceLock running(fs::path(dir_.file("run")), kApplicationTitle);
  ASSERT_TRUE(running.held());
  EXPECT_EQ(RunNext(dir_.file("obs/K002"), "2"), 1) << output_;  // refused, touching nothing
  EXPECT_NE(output_.find("already running"), std::string::npos) << output_;
  EXPECT_EQ(output_.find(kFound), std::string::npos) << output_;
  EXPECT_EQ(ReadFile(data + "/K0010102.VLA"), "partial");
  EXPECT_TRUE(fs::exists(data + "/" + kChannelInProgressFile));
  EXPECT_EQ(ReadFile(data + "/K001.VLT"), logBefore);
  EXPECT_TRUE(Exists("system/vltemoin.tmp"));
}

TEST_F(InterruptedObservation, OnlyAMarkedFileStillOnDiskIsPutAsideAndNeverOverAnEarlierOne) {
  const std::string data = dir_.file("obs/M001");
  fs::create_directories(data);
  const LocalTime now{2026, 12, 8, 23, 4, 5, 0};
  // The channel closed just before the end: its mark names a file no longer there.
  WriteFile(data + "/M0010101.VLA", "complete");
  MarkChannelInProgress(data, {"M0010101.VLA", "ipcsdata.tmp", "M001.VLT"});
  EXPECT_FALSE(RecoverInterruptedChannel(data, now));
  EXPECT_EQ(ReadFile(data + "/M0010101.VLA"), "complete");
  EXPECT_FALSE(fs::exists(data + "/" + kChannelInProgressFile));
  // No mark, no temporary file: nothing at all.
  WriteFile(data + "/ipcschn.tmp", "M0010101.VLA\n");
  EXPECT_FALSE(RecoverInterruptedChannel(data, now));
  EXPECT_EQ(ReadFile(data + "/M0010101.VLA"), "complete");

  // Two interruptions of the same channel keep both partial files.
  WriteFile(data + "/M001.VLT", "header");
  for (const char* content : {"first", "second"}) {
    WriteFile(data + "/M0010102.VLA", content);
    MarkChannelInProgress(data, {"M0010102.VLA", "M0010102.VLA", "M001.VLT"});
    ASSERT_TRUE(RecoverInterruptedChannel(data, now));
  }
  EXPECT_EQ(ReadFile(data + "/M0010102.VLA.partial"), "first");
  EXPECT_EQ(ReadFile(data + "/M0010102.VLA.partial2"), "second");
  EXPECT_EQ(ReadFile(data + "/M001.VLT"),
            "header"
            "\n!!! Found at the next start, 08/12/2026     23:04:05 : the program ended during a channel; its partial "
            "file M0010102.VLA was moved aside as M0010102.VLA.partial"
            "\n!!! Found at the next start, 08/12/2026     23:04:05 : the program ended during a channel; its partial "
            "file M0010102.VLA was moved aside as M0010102.VLA.partial2");

  // A temporary file left by a program that wrote no mark: its channel is unknown.
  WriteFile(data + "/ipcsdata.tmp", "third");
  const auto found = RecoverInterruptedChannel(data, now);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->movedTo, "ipcsdata.tmp.partial");
  EXPECT_EQ(found->logFile, "M001.VLT");
  EXPECT_EQ(ReadFile(data + "/ipcsdata.tmp.partial"), "third");
}

TEST_F(InterruptedObservation, TheStartUpCheckRemovesALeftoverWitnessFileAndLooksWhereTheParametersFileSays) {
  WriteFile(dir_.file("system/vltemoin.tmp"), "Temoin VlmIPCS");
  EXPECT_FALSE(RecoverPreviousObservation(LocalTime{2026, 12, 8, 23, 4, 5, 0}));  // no parameters file yet
  EXPECT_FALSE(Exists("system/vltemoin.tmp"));
}

}  // namespace
}  // namespace velmar::testing
