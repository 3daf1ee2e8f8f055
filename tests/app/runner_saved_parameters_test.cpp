// What one run saves, the next run reads back, through the runner: the parameters
// file in every state an observer can leave it (no instrument loaded yet, only test
// observations, a CS100 test file, instrument values out of range, unreadable), and
// the runner's refusal of targets and leftovers that would break the file names.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "runner_fixture.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

class SavedParameters : public RunnerFixture {
 protected:
  int Run(const std::vector<std::string>& args) {
    return RunWith({"--system-dir", dir_.file("system"), "--fast", "--source", "simulation", "--random-points", "5",
                    "--exposure", "1", "--channels", "2", "--cycles", "1"},
                   args);
  }
  std::string ParametersFile() const { return dir_.file("system/vla.def"); }
  bool Reported(const std::string& line1) const {
    for (const ErrorLines& e : errors_.reported())
      if (e.line1.find(line1) != std::string::npos) return true;
    return false;
  }
  int CountReported(const std::string& line1) const {
    const std::vector<ErrorLines> reported = errors_.reported();
    return static_cast<int>(std::count_if(reported.begin(), reported.end(), [&](const ErrorLines& e) {
      return e.line1.find(line1) != std::string::npos;
    }));
  }
  std::set<std::string> PhotonFiles(const std::string& dir) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.file(dir)))
      if (entry.path().extension() == ".VLA") names.insert(entry.path().filename().string());
    return names;
  }
};

TEST_F(SavedParameters, EveryStateTheFileIsSavedInIsReadBack) {
  fs::create_directories(dir_.file("system"));
  // Saved before any instrument was loaded (the parameters window quit at once):
  // empty driver names, yet the observation number moves on.
  AcquisitionParameters empty;
  SetDefaultParameterValues(empty);
  empty.Numobs = 41;
  ASSERT_TRUE(SaveParametersFile(empty, ParametersFile()));
  ASSERT_EQ(Run({"--data", dir_.file("obs/a")}), 0) << output_;
  EXPECT_NE(output_.find("Observation G042"), std::string::npos) << output_;
  EXPECT_FALSE(Reported("cannot be read whole"));

  // Only a test observation so far: line 2 holds no prefix, and the next run is
  // an ordinary observation again.
  fs::remove(ParametersFile());
  ASSERT_EQ(Run({"--data", dir_.file("obs/b"), "--prefix", "T", "--number", "5"}), 0) << output_;
  ASSERT_EQ(Run({"--data", dir_.file("obs/c")}), 0) << output_;
  EXPECT_NE(output_.find("Observation G001"), std::string::npos) << output_;

  // The CS100 test file chosen once drives the controller at the next run too.
  const std::string commands = dir_.file("cs100-commands.txt");
  ASSERT_EQ(Run({"--data", dir_.file("obs/d"), "--cs100", "file:" + commands}), 0) << output_;
  fs::remove(commands);
  ASSERT_EQ(Run({"--data", dir_.file("obs/e")}), 0) << output_;
  EXPECT_TRUE(fs::exists(commands));
  EXPECT_NE(ReadFile(commands).find("!QT"), std::string::npos);
  EXPECT_FALSE(Exists("click here to choose file"));
  EXPECT_TRUE(errors_.reported().empty()) << errors_.reported()[0].line1;
}

// Instrument values a definition file would be refused for are refused in the
// parameters file too: said, never used (the file is kept aside), and the runner
// loads an instrument the observer named nowhere only as on a first start, saying so.
TEST_F(SavedParameters, InstrumentValuesOutOfRangeAreSaidAndNeverUsed) {
  struct Bad {
    std::int32_t AcquisitionParameters::*field;
    std::int32_t value;
    std::string fault;
  };
  const std::vector<Bad> cases = {
      {&AcquisitionParameters::StoredXSize, 0, "line 35: stored image X size 0 is out of 1..4096"},
      {&AcquisitionParameters::StoredXSize, 99999, "line 35: stored image X size 99999 is out of 1..4096"},
      {&AcquisitionParameters::CCDXSize, 100000, "line 33: CCD X size 100000 is out of 1..4096"},
      {&AcquisitionParameters::FramesPerSecond, 0, "line 37: frames per second 0 is out of 1..1000"},
  };
  int run = 0;
  for (const Bad& bad : cases) {
    SCOPED_TRACE(bad.fault);
    fs::remove_all(dir_.file("system"));
    fs::create_directories(dir_.file("system"));
    AcquisitionParameters p;
    SetDefaultParameterValues(p);
    SetText(p.ProgramDir, dir_.path().string());
    ASSERT_EQ(LoadInstrumentDefinition(p, 4).result, LoadResult::Applied);
    p.*bad.field = bad.value;
    ASSERT_TRUE(SaveParametersFile(p, ParametersFile()));
    const std::string written = ReadFile(ParametersFile());
    errors_.Clear();
    const std::string data = dir_.file("obs/r" + std::to_string(++run));
    ASSERT_EQ(Run({"--data", data}), 0) << output_;
    ASSERT_EQ(CountReported("A value of the parameters file is out of range"), 1);
    for (const ErrorLines& e : errors_.reported()) EXPECT_NE(e.line3.find(bad.fault), std::string::npos) << e.line3;
    EXPECT_NE(output_.find("preset 3"), std::string::npos) << output_;
    EXPECT_EQ(ReadFile(ParametersFile() + ".bad"), written);
    // Every record of the channel files lies inside the preset's 512 by 512 image.
    std::string photons;
    for (const auto& entry : fs::directory_iterator(data))
      if (entry.path().extension() == ".VLA") photons += ReadFile(entry.path().string());
    ASSERT_FALSE(photons.empty());
    ASSERT_EQ(photons.size() % 4, 0u);
    for (std::size_t i = 0; i < photons.size(); i += 4) {
      const int y = static_cast<std::int16_t>(static_cast<unsigned char>(photons[i]) | photons[i + 1] << 8);
      const int x = static_cast<std::int16_t>(static_cast<unsigned char>(photons[i + 2]) | photons[i + 3] << 8);
      ASSERT_TRUE(x >= 0 && x < 512 && y >= 0 && y < 512) << x << "," << y;
    }
  }
}

TEST_F(SavedParameters, EachUnreadableFileIsKeptAndSaidOnce) {
  fs::create_directories(dir_.file("system"));
  WriteFile(ParametersFile(), "first spoilt file\r\n");
  ASSERT_EQ(Run({"--data", dir_.file("obs/a")}), 0) << output_;
  EXPECT_EQ(CountReported("cannot be read whole"), 1);
  WriteFile(ParametersFile(), "second spoilt file\r\n");
  errors_.Clear();
  ASSERT_EQ(Run({"--data", dir_.file("obs/b")}), 0) << output_;
  EXPECT_EQ(CountReported("cannot be read whole"), 1);
  EXPECT_EQ(ReadFile(ParametersFile() + ".bad"), "first spoilt file\r\n");
  EXPECT_EQ(ReadFile(ParametersFile() + ".bad2"), "second spoilt file\r\n");
}

// A deferred stop the file names cannot follow is refused before anything is written.
TEST_F(SavedParameters, ADeferredStopOutsideThePlansNamesIsRefused) {
  for (const std::string& target : {"5:-1", "5:1,-1", "5:3,1", "5:100", "5:0,1"}) {
    SCOPED_TRACE(target);
    const std::string data = dir_.file("obs/stop");
    EXPECT_EQ(Run({"--data", data, "--deferred-stop", target}), 2) << output_;
    EXPECT_NE(output_.find("--deferred-stop at 5 s"), std::string::npos) << output_;
    EXPECT_FALSE(fs::exists(data));
  }
  // Continuing at the planned end stops at the last cycle short names can hold.
  EXPECT_EQ(Run({"--data", dir_.file("obs/more"), "--number", "1", "--channels", "1", "--see-saw", "off", "--end",
                 "continue:150"}),
            0)
      << output_;
  EXPECT_NE(output_.find("The file names hold cycles up to 99: the observation stops after cycle 99."),
            std::string::npos);
  EXPECT_TRUE(Exists("obs/more/G0019901.VLA"));
  EXPECT_EQ(PhotonFiles("obs/more").size(), 100u);  // channel 0, then cycles 1 to 99
  // A target inside the plan is taken.
  EXPECT_EQ(Run({"--data", dir_.file("obs/inside"), "--deferred-stop", "1:2,1"}), 0) << output_;
  EXPECT_NE(output_.find("the acquisition stops after channel 2 of cycle 1"), std::string::npos) << output_;
}

// "--overwrite" takes away every file of the old observation, whatever its plan
// and names were, so that no file sits beside a log that does not describe it.
TEST_F(SavedParameters, OverwritingLeavesOnlyTheNewObservationsFiles) {
  const std::string data = dir_.file("obs/G007");
  ASSERT_EQ(Run({"--data", data, "--number", "7", "--channels", "3", "--cycles", "2", "--names", "long"}), 0)
      << output_;
  ASSERT_EQ(PhotonFiles("obs/G007").size(), 7u);  // channel 0, then 3 channels up and down
  // Unasked, nothing of the long-named observation is overwritten.
  EXPECT_EQ(Run({"--data", data, "--number", "7", "--names", "short"}), 2) << output_;
  EXPECT_NE(output_.find("G00700010000.VLA already exists"), std::string::npos) << output_;
  EXPECT_EQ(PhotonFiles("obs/G007").size(), 7u);
  ASSERT_EQ(Run({"--data", data, "--number", "7", "--channels", "3", "--cycles", "2", "--names", "short",
                 "--overwrite"}),
            0)
      << output_;
  EXPECT_NE(output_.find("--overwrite: 7 photon file(s) of G007 removed"), std::string::npos) << output_;
  ASSERT_EQ(Run({"--data", data, "--number", "7", "--overwrite"}), 0) << output_;
  EXPECT_EQ(PhotonFiles("obs/G007"), (std::set<std::string>{"G0070100.VLA", "G0070101.VLA", "G0070102.VLA"}));
}

}  // namespace
}  // namespace velmar::testing
