// The runner started from wherever the observer happens to be: it finds its
// program directory on its own, and the paths given on its command line keep
// meaning what they meant where it was started.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "runner_fixture.h"
#include "support/child_process.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kShortObservation = {"--preset", "4", "--fast", "--source", "simulation",
                                                    "--random-points", "5", "--type", "object", "--channels", "2",
                                                    "--exposure", "1", "--cycles", "1"};

class RunnerProgramDir : public RunnerFixture {
 protected:
  RunnerProgramDir() { fs::create_directories(elsewhere()); }
  fs::path elsewhere() const { return dir_.path() / "elsewhere"; }

  // The real runner, its system directory and its home under the test's directory.
  std::pair<std::optional<int>, std::string> RunBinary(const fs::path& cwd, const std::string& number) {
    std::vector<std::string> args = kShortObservation;
    args.insert(args.end(), {"--data", dir_.file("obs/G" + number), "--prefix", "G", "--number", number, "--cs100",
                             "file:" + dir_.file("cs100.txt")});
    ChildProcess runner(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe", args, cwd.string(),
                        {"VELMAR_SYSTEM_DIR=" + dir_.file("home/system"), "HOME=" + dir_.file("home"),
                         "XDG_RUNTIME_DIR=" + dir_.file("run"), "VELMAR_PROGRAM_DIR="});
    const auto code = runner.Wait(60000);
    return {code, runner.output()};
  }
};

std::set<std::string> Entries(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

TEST_F(RunnerProgramDir, TheBuiltRunnerObservesFromTheSourceRootAndFromAnyOtherDirectory) {
  const std::set<std::string> sourceRoot = Entries(VELMAR_SOURCE_DIR);
  const auto [first, firstOutput] = RunBinary(VELMAR_SOURCE_DIR, "001");
  ASSERT_EQ(first, 0) << firstOutput;
  const std::string programDir = dir_.file("home/system-program");
  EXPECT_NE(firstOutput.find("program directory: " + programDir + " (per user, "), std::string::npos) << firstOutput;
  EXPECT_NE(firstOutput.find("files laid out from " VELMAR_SOURCE_DIR "/presets)"), std::string::npos);
  EXPECT_TRUE(fs::exists(dir_.file("obs/G001/G0010101.VLA")));
  // The camera and monitor files were copied into the program directory, never into the source tree.
  EXPECT_TRUE(fs::exists(programDir + "/comptage.dcf"));
  EXPECT_EQ(Entries(VELMAR_SOURCE_DIR), sourceRoot);

  WriteFile(programDir + "/axdrv.ini", ReadFile(programDir + "/axdrv.ini") + "# kept by the observer\n");
  const auto [second, secondOutput] = RunBinary(elsewhere(), "002");
  ASSERT_EQ(second, 0) << secondOutput;
  EXPECT_NE(secondOutput.find("program directory: " + programDir + " (per user)\n"), std::string::npos)
      << secondOutput;
  EXPECT_TRUE(fs::exists(dir_.file("obs/G002/G0020102.VLA")));
  EXPECT_NE(ReadFile(programDir + "/axdrv.ini").find("# kept by the observer"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(elsewhere()));
}

TEST_F(RunnerProgramDir, RelativePathsAreTheStartingDirectorysAndTheProgramDirectoryIsNamed) {
  ScopedCurrentDir started(elsewhere());
  fs::create_directories(elsewhere() / "obs");
  fs::copy_file(dir_.file("varsa.def"), elsewhere() / "mine.def");
  std::vector<std::string> args = kShortObservation;
  args.insert(args.end(), {"--program-dir", "../", "--data", "obs/G003", "--prefix", "G", "--number", "3", "--preset", "./mine.def", "--system-dir",
                           "system", "--cs100", "file:cs100.txt"});
  ASSERT_EQ(RunWith({}, args), 0) << output_;
  EXPECT_NE(output_.find("program directory: " + dir_.path().string() + " (given by --program-dir)"),
            std::string::npos)
      << output_;
  EXPECT_TRUE(fs::exists(elsewhere() / "obs/G003/G0030101.VLA"));
  EXPECT_TRUE(fs::exists(elsewhere() / "system/vla.def"));
  EXPECT_TRUE(fs::exists(elsewhere() / "cs100.txt"));
  EXPECT_TRUE(fs::exists(dir_.path() / "comptage.dcf"));
  EXPECT_FALSE(fs::exists(elsewhere() / "comptage.dcf"));
}

TEST_F(RunnerProgramDir, AProgramDirectoryThatIsNotThereRefusesTheRunAndWritesNothing) {
  const std::string absent = dir_.file("absent");
  ASSERT_EQ(RunWith({"--system-dir", dir_.file("fresh-system"), "--program-dir", absent, "--data",
                     dir_.file("obs/G004")},
                    kShortObservation),
            2);
  EXPECT_NE(output_.find("program directory: --program-dir names " + absent + ", which is not a directory"),
            std::string::npos)
      << output_;
  EXPECT_FALSE(fs::exists(dir_.file("fresh-system")));
  EXPECT_FALSE(fs::exists(dir_.file("obs/G004")));
  EXPECT_FALSE(fs::exists(absent));
}

}  // namespace
}  // namespace velmar::testing
