#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <thread>

#include "platform/error_reporter.h"
#include "platform/processes.h"
#include "platform/single_instance.h"
#include "platform/system_dir.h"
#include "platform/tone.h"
#include "platform/window_thread.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::TempDir;

TEST(HandOverLoop, StepsFromOtherThreadsRunOnTheWindowThreadOneAtATime) {
  HandOverLoop loop;
  InstallWindowThread(&loop);
  const auto windowThread = std::this_thread::get_id();
  std::atomic<int> running{0}, overlaps{0}, done{0};
  std::vector<std::thread> pacers;
  for (int t = 0; t < 3; ++t)
    pacers.emplace_back([&] {
      for (int i = 0; i < 50; ++i)
        runOnWindowThread([&] {
          if (std::this_thread::get_id() != windowThread || running++ > 0) ++overlaps;
          --running;
        });
      ++done;
    });
  loop.ServeUntil([&] { return done.load() == 3; });
  for (auto& t : pacers) t.join();
  EXPECT_EQ(overlaps.load(), 0);
  bool ranInline = false;
  runOnWindowThread([&] { ranInline = true; });  // on the window thread: at once
  EXPECT_TRUE(ranInline);
  InstallWindowThread(nullptr);
}

TEST(HandOverLoop, AWaitOnTheWindowThreadCanServeThePendingStep) {
  // The TV-level pause: the window thread waits for an acknowledgement that the
  // pacing thread can only give once its pending step has run.
  HandOverLoop loop;
  std::atomic<bool> request{true}, ack{false};
  std::thread counting([&] {
    loop.Run([] {});
    while (request) ack = true;
  });
  while (!ack) loop.ServePending();
  request = false;
  counting.join();
  SUCCEED();
}

TEST(SingleInstanceLock, ASecondHolderFindsTheLockTaken) {
  TempDir dir;
  SingleInstanceLock first(dir.path(), kApplicationTitle);
  ASSERT_TRUE(first.held());
  {
    SingleInstanceLock second(dir.path(), kApplicationTitle);
    EXPECT_FALSE(second.held());
    EXPECT_EQ(second.error(), "held by another copy");
    SingleInstanceLock otherKey(dir.path(), "Vlm3D");
    EXPECT_TRUE(otherKey.held());
  }
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "IPCS Velmar.lock"));
}

TEST(SingleInstanceLock, TheLockEndsWithItsHolder) {
  TempDir dir;
  { SingleInstanceLock first(dir.path(), kApplicationTitle); }
  SingleInstanceLock again(dir.path(), kApplicationTitle);
  EXPECT_TRUE(again.held());
  SingleInstanceLock unusable("/proc/velmar-no-such-dir", kApplicationTitle);
  EXPECT_FALSE(unusable.held());
  EXPECT_FALSE(unusable.error().empty());
}

// Copies sharing a system directory would share its files: they exclude each other
// whatever their runtime directories; a refused copy makes no lock file of its own.
TEST(ProgramInstanceLock, CopiesSharingASystemDirectoryExcludeEachOther) {
  TempDir dir;
  std::optional<ProgramInstanceLock> first, second, otherSystem;
  {
    testing::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.file("run-1"));
    first.emplace(dir.path() / "system", kApplicationTitle);
  }
  ASSERT_TRUE(first->held()) << first->error();
  {
    testing::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.file("run-2"));
    second.emplace(dir.path() / "system", kApplicationTitle);
  }
  EXPECT_FALSE(second->held());
  EXPECT_EQ(second->error(), "held by another copy");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "run-2"));
  {
    testing::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.file("run-1"));
    otherSystem.emplace(dir.path() / "system-2", kApplicationTitle);  // the same user's runtime lock
  }
  EXPECT_FALSE(otherSystem->held());
  first.reset();
  otherSystem.reset();
  {
    testing::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.file("run-2"));
    second.emplace(dir.path() / "system", kApplicationTitle);
  }
  EXPECT_TRUE(second->held()) << "the lock ends with its holder";
}

TEST(Processes, ARunningProgramIsFoundByName) {
  TempDir dir;
  // A name of this test's own: other tests start display-program stand-ins named
  // Vlm3D at the same time.
  const std::string name = "Vlmprobe" + std::to_string(getpid() % 100000);
  const auto program = dir.path() / name;
  std::filesystem::copy_file("/bin/sleep", program);
  EXPECT_FALSE(ProcessRunning(name));
  const StartResult started = StartProgram(program.string(), {"5"});
  ASSERT_TRUE(started.started) << started.error;
  bool found = false;
  for (int i = 0; i < 100 && !found; ++i) {
    found = ProcessRunning(name);
    if (!found) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(found);
  kill(started.pid, SIGKILL);
}

TEST(Processes, ArgumentsGoThroughUnchangedAndNoShellIsUsed) {
  TempDir dir;
  const std::string out = dir.file("args.txt");
  // printf writes its arguments as given: a shell would have expanded "$HOME" and ";".
  const std::string script = dir.file("echo.sh");
  testing::WriteFile(script, "#!/bin/sh\nprintf '%s|' \"$@\" > \"" + out + "\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  ASSERT_TRUE(StartProgram(script, {"G042.VLA", "$HOME", "a b; rm -rf x", "0"}).started);
  for (int i = 0; i < 200 && testing::ReadFile(out).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(testing::ReadFile(out), "G042.VLA|$HOME|a b; rm -rf x|0|");
  const StartResult missing = StartProgram(dir.file("Vlm3D.exe"), {});
  EXPECT_FALSE(missing.started);
  EXPECT_FALSE(missing.error.empty());
}

TEST(Tone, TheAlarmToneIs3000HzFor100Ms) {
  RecordingTone recorder;
  InstallToneSink(&recorder);
  Beep();
  InstallToneSink(nullptr);
  ASSERT_EQ(recorder.played().size(), 1u);
  EXPECT_EQ(recorder.played()[0].frequencyHz, 3000);
  EXPECT_EQ(recorder.played()[0].durationMs, 100);
}

TEST(ShowError, SecondLineIsShortenedToSeventyCharacters) {
  RecordingErrorReporter recorder;
  ScopedErrorReporter installed(recorder);
  const std::string longPath = "/home/observer/data/" + std::string(100, 'x') + "/G042.VLT";
  ShowError("Impossible to access the path", longPath, "Note");
  ASSERT_EQ(recorder.reported().size(), 1u);
  EXPECT_EQ(recorder.reported()[0].line2.size(), 70u);
  EXPECT_EQ(recorder.reported()[0].line2.substr(0, 3), "...");
  EXPECT_EQ(recorder.reported()[0].line1, "Impossible to access the path");
}

TEST(SystemDirectory, FollowsTheEnvironmentAndIsCreated) {
  TempDir dir;
  testing::ScopedSystemDir system(dir.path() / "nested" / "velmar");
  EXPECT_EQ(SystemFile(kParametersFileName), dir.path() / "nested" / "velmar" / "vla.def");
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "nested" / "velmar"));
  EXPECT_EQ(RemanenceFile(3).filename(), "reman3.vl2");
  EXPECT_EQ(JoinPath("/data/G042", "ipcschn.tmp"), "/data/G042/ipcschn.tmp");
  EXPECT_EQ(JoinPath("/data/", "x"), "/data/x");
}

}  // namespace
}  // namespace velmar
