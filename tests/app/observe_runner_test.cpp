#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "params/observation_files.h"
#include "params/fixed_text.h"
#include "params/parameters_file.h"
#include "platform/quit_signals.h"
#include "runner_fixture.h"

namespace velmar::testing {
namespace {

class Runner : public RunnerFixture {
 protected:
  int Run(const std::vector<std::string>& args) {
    return RunWith({"--system-dir", dir_.file("system"), "--fast", "--source", "simulation", "--random-points", "5",
                    "--exposure", "1"},
                   args);
  }
};

TEST_F(Runner, TwoRunsInARowAdvanceTheObservationNumber) {
  ASSERT_EQ(Run({"--data", dir_.file("obs/G041"), "--number", "41", "--channels", "2", "--cycles", "1"}), 0) << output_;
  EXPECT_NE(output_.find("preset 3"), std::string::npos);  // no instrument in a first parameters file
  EXPECT_TRUE(Exists("obs/G041/G041.VLT"));
  EXPECT_TRUE(Exists("obs/G041/G0410102.VLA"));
  EXPECT_NE(output_.find("channel 0002 cycle 0001"), std::string::npos);
  EXPECT_NE(output_.find("Files written in"), std::string::npos);
  EXPECT_EQ(output_.find("ipcslock.tmp"), std::string::npos) << "the lock is not a file of the observation";
  ASSERT_EQ(Run({"--channels", "2", "--cycles", "1"}), 0) << output_;
  EXPECT_TRUE(Exists("obs/G042/G042.VLT"));  // beside the previous one
  EXPECT_TRUE(Exists("obs/G042/G0420102.VLA"));
  EXPECT_FALSE(Exists("obs/G042/ipcsdata.tmp"));
  EXPECT_FALSE(Exists("system/vltemoin.tmp"));  // "Yes" took the witness file away
}

TEST_F(Runner, AnEmptyDataPathSavedAsHomeTakesTheNextObservationInsideIt) {
  const std::string home = dir_.file("home/obs");
  std::filesystem::create_directories(home);
  ScopedEnv homeEnv("HOME", home);
  AcquisitionParameters p;
  p.Numobs = 41;
  SetText(p.Path, "");
  SetText(p.DcfFile, "camera.dcf");  // a file without driver names would not load
  SetText(p.VcfFile, "display.vcf");
  ASSERT_TRUE(SaveParametersFile(p));
  ASSERT_EQ(Run({"--channels", "1", "--cycles", "1"}), 0) << output_;
  EXPECT_TRUE(Exists("home/obs/G042/G042.VLT"));
  EXPECT_FALSE(Exists("home/G042"));
}

TEST_F(Runner, ABadValueExitsWithTheRulesMessageAndWritesNothing) {
  EXPECT_EQ(Run({"--data", dir_.file("obs/G007"), "--channels", "-3"}), 2);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"Error in the definition of one parameter (at least)",
                                                "current number of channels", "Correct it please"}));
  EXPECT_FALSE(Exists("obs/G007"));
  EXPECT_FALSE(Exists("system/vla.def"));
  EXPECT_EQ(Run({"--data", dir_.file("obs/G007"), "--type", "4d"}), 2);
  EXPECT_NE(output_.find("--type must be 2d, calibration, object or analogic"), std::string::npos);
  std::string error;
  EXPECT_FALSE(ParseObserveOptions({"--chanels", "3"}, error));
  EXPECT_EQ(error, "unknown argument --chanels (see --help)");
}

TEST_F(Runner, ADataPathLongerThanItsFieldIsRefusedAndNothingIsWritten) {
  // Cut to 255 characters this path would name obs/aaa..., a directory that can be made.
  const std::string data = dir_.file("obs/") + std::string(240, 'a') + "/G001";
  ASSERT_GT(data.size(), 255u);
  EXPECT_EQ(Run({"--data", data, "--number", "1", "--channels", "1", "--cycles", "1"}), 2) << output_;
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"Error in the definition of one parameter (at least)",
                                                "Data storage directory is longer than 255 characters",
                                                "Correct it please"}));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.file("obs")));
  EXPECT_FALSE(Exists("system/vla.def"));
}

TEST_F(Runner, APresetPathIsLoadedFromWhereItIsAndABareNameFromTheProgramDirectory) {
  // A 512 camera under the name of a Thomson preset, and a file the program directory lacks.
  std::filesystem::create_directory(dir_.file("mine"));
  std::filesystem::copy_file(dir_.file("kem512.def"), dir_.file("mine/varsa.def"));
  std::filesystem::copy_file(dir_.file("kem512.def"), dir_.file("mine/own.def"));
  const auto cameraWidth = [&] {
    AcquisitionParameters p;
    LoadParametersFile(p, dir_.file("system/vla.def"));
    return p.CCDXSize;
  };
  ASSERT_EQ(Run({"--preset", dir_.file("mine/varsa.def"), "--data", dir_.file("obs/G001"), "--number", "1",
                 "--channels", "1", "--cycles", "1"}),
            0)
      << output_;
  EXPECT_EQ(cameraWidth(), 512);
  ASSERT_EQ(Run({"--preset", dir_.file("mine/own.def"), "--data", dir_.file("obs/G002"), "--number", "2",
                 "--channels", "1", "--cycles", "1"}),
            0)
      << output_;
  EXPECT_EQ(cameraWidth(), 512);
  ASSERT_EQ(Run({"--preset", "varsa.def", "--data", dir_.file("obs/G003"), "--number", "3", "--channels", "1",
                 "--cycles", "1"}),
            0)
      << output_;
  EXPECT_EQ(cameraWidth(), 768);
}

TEST_F(Runner, ADefinitionValueOutOfRangeIsRefusedBeforeAnythingIsWritten) {
  std::string text = ReadFile(dir_.file("kem512.def"));
  text.replace(text.find("40\tDiscri"), 2, "300");
  WriteFile(dir_.file("discri.def"), text);
  EXPECT_EQ(Run({"--preset", "discri.def", "--data", dir_.file("obs/G004"), "--number", "4", "--channels", "1",
                 "--cycles", "1"}),
            2)
      << output_;
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line3, "line 4: discriminator 300 is out of 0..255");
  EXPECT_FALSE(Exists("obs/G004"));
  EXPECT_FALSE(Exists("system/vla.def"));
}

TEST_F(Runner, AFlagIsOneWholeValue) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--channels", "3abc"}, "--channels must be one whole number, not \"3abc\""},
      {{"--number", "12x"}, "--number must be one whole number, not \"12x\""},
      {{"--cycles", "2 3"}, "--cycles must be one whole number, not \"2 3\""},
      {{"--exposure", "99999999999"}, "--exposure must be one whole number, not \"99999999999\""},
      {{"--random-points", "5.5"}, "--random-points must be one whole number, not \"5.5\""},
      {{"--lambda", "6562.78A"}, "--lambda must be one number, not \"6562.78A\""},
      {{"--cqg", "nan"}, "--cqg must be one number, not \"nan\""},
      {{"--prefix", "AB"}, "--prefix must be one letter, not \"AB\""},
      {{"--end", "continue:2147483647"}, "--end must be stop or continue:N (N from 0 to 9999 more cycles)"},
  };
  for (const auto& [flags, message] : cases) {
    SCOPED_TRACE(flags[0] + " " + flags[1]);
    std::vector<std::string> args{"--data", dir_.file("obs/A001"), "--channels", "1", "--cycles", "1"};
    args.insert(args.end(), flags.begin(), flags.end());
    EXPECT_EQ(Run(args), 2);
    EXPECT_NE(output_.find(message), std::string::npos) << output_;
    EXPECT_FALSE(Exists("obs/A001"));
    EXPECT_FALSE(Exists("system/vla.def"));
  }
  // Blanks around a value are no second value.
  EXPECT_EQ(Run({"--data", dir_.file("obs/A002"), "--prefix", "A", "--number", " 2", "--channels", "1 ", "--cycles",
                 "1", "--lambda", "6562.78", "--cqg", "9.21"}),
            0)
      << output_;
  EXPECT_TRUE(Exists("obs/A002/A0020101.VLA"));
}

TEST_F(Runner, ARefusedRunCreatesNoDataDirectoryAtHome) {
  std::filesystem::create_directory(dir_.file("home"));
  ScopedEnv home("HOME", dir_.file("home"));
  EXPECT_EQ(Run({"--channels", "-3"}), 2);
  EXPECT_EQ(Run({"--type", "4d"}), 2);
  EXPECT_FALSE(Exists("home/velmar-data"));
  EXPECT_FALSE(Exists("system/vla.def"));
  // An accepted run makes it, and the observation's directory inside.
  ASSERT_EQ(Run({"--number", "5", "--channels", "1", "--cycles", "1"}), 0) << output_;
  EXPECT_TRUE(Exists("home/velmar-data/G005/G0050101.VLA"));
}

TEST_F(Runner, SimulatedPhotonsPerFrameAreBounded) {
  for (const char* count : {"301", "2147483647"}) {
    EXPECT_EQ(Run({"--data", dir_.file("obs/G006"), "--random-points", count, "--channels", "1", "--cycles", "1"}), 2);
    ASSERT_FALSE(errors_.reported().empty());
    EXPECT_EQ(errors_.reported().back().line2, "random nbpts (simulation)");
    EXPECT_FALSE(Exists("obs/G006"));
  }
  ASSERT_EQ(Run({"--data", dir_.file("obs/G006"), "--number", "6", "--random-points", "300", "--channels", "1",
                 "--cycles", "1"}),
            0)
      << output_;
}

TEST_F(Runner, OverwritingRemovesTheFilesThatExistWhateverTheChannelCount) {
  ASSERT_EQ(Run({"--data", dir_.file("obs/G008"), "--number", "8", "--channels", "2", "--cycles", "1"}), 0);
  WriteFile(dir_.file("obs/G008/notes.txt"), "kept");
  WriteFile(dir_.file("obs/G008/H0080101.VLA"), "another observation");
  // With two billion channels the old loop asked for 98 x 2^31 removals.
  std::vector<std::string> victims;
  {
    AcquisitionParameters p;
    SetText(p.Path, dir_.file("obs/G008"));
    SetText(p.Prefix, "G");
    p.Numobs = 8;
    p.Lz = 2147483647;
    const auto start = std::chrono::steady_clock::now();
    DeleteObservationPhotonFiles(p);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
  EXPECT_FALSE(Exists("obs/G008/G0080101.VLA"));
  EXPECT_FALSE(Exists("obs/G008/G0080102.VLA"));
  EXPECT_TRUE(Exists("obs/G008/G008.VLT"));
  EXPECT_TRUE(Exists("obs/G008/notes.txt"));
  EXPECT_TRUE(Exists("obs/G008/H0080101.VLA"));
  // Through the runner: the flag removes the observation's files and runs it again.
  ASSERT_EQ(Run({"--data", dir_.file("obs/G008"), "--number", "8", "--channels", "1", "--cycles", "1"}), 0);
  ASSERT_EQ(Run({"--data", dir_.file("obs/G008"), "--number", "8", "--channels", "1", "--cycles", "1",
                 "--overwrite"}),
            0)
      << output_;
  EXPECT_TRUE(Exists("obs/G008/H0080101.VLA"));
}

TEST_F(Runner, AThousandFrameCameraHasEveryFrameCountedAndLogged) {
  // Preset 3's camera at 1000 frames a second; the definition says 80.
  std::string camera = ReadFile(dir_.file("asga512.dcf"));
  const auto rate = camera.find("frame_rate");
  ASSERT_NE(rate, std::string::npos);
  camera.replace(rate, camera.find('\n', rate) - rate, "frame_rate = 1000");
  WriteFile(dir_.file("asga512.dcf"), camera);
  ASSERT_EQ(Run({"--data", dir_.file("obs/G009"), "--number", "9", "--channels", "1", "--exposure", "2", "--cycles",
                 "1"}),
            0)
      << output_;
  std::smatch shown;
  // The photon buffer holds seconds of this camera's frames: none is dropped.
  ASSERT_TRUE(std::regex_search(output_, shown, std::regex("channel 0001 .* frames +([0-9]+) +efficiency ([0-9]+) %")))
      << output_;
  EXPECT_EQ(shown[1], "2000") << output_;
  EXPECT_EQ(shown[2], "100") << output_;
  const std::string log = ReadFile(dir_.file("obs/G009/G009.VLT"));
  std::smatch logged;
  ASSERT_TRUE(std::regex_search(log, logged, std::regex("efficiency=([0-9]+) %"))) << log;
  EXPECT_EQ(logged[1], shown[2]);
}

TEST_F(Runner, TwoBillionCyclesArePlannedWithoutOverflow) {
  // 2 x 2147483647 channels planned; Ctrl-C ends the run after a few of them.
  QuitSignals::Install();
  QuitSignals::ResetForTests();
  std::thread interrupt([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ::raise(SIGINT);
  });
  const int code = Run({"--data", dir_.file("obs/G011"), "--number", "11", "--channels", "2", "--cycles",
                        "2147483647"});
  interrupt.join();
  QuitSignals::ResetForTests();
  EXPECT_EQ(code, 130) << output_;
  // 4294967294 channels of 1 s left after the first.
  EXPECT_NE(output_.find("remaining 1193046:28:14"), std::string::npos) << output_;
}

TEST_F(Runner, ContinuingAtThePlannedEndRunsMoreCycles) {
  ASSERT_EQ(Run({"--data", dir_.file("obs/G010"), "--number", "10", "--channels", "2", "--cycles", "2",
                 "--see-saw", "on", "--end", "continue:1"}),
            0)
      << output_;
  EXPECT_TRUE(Exists("obs/G010/G0100301.VLA"));
  EXPECT_TRUE(Exists("obs/G010/G0100302.VLA"));
  EXPECT_FALSE(Exists("obs/G010/G0100401.VLA"));
  EXPECT_NE(output_.find("1 more cycle(s)"), std::string::npos);
}

TEST_F(Runner, AnExistingObservationIsNotOverwrittenUnasked) {
  ASSERT_EQ(Run({"--data", dir_.file("obs/G020"), "--number", "20", "--channels", "1", "--cycles", "1"}), 0);
  const auto before = std::filesystem::last_write_time(dir_.file("obs/G020/G0200101.VLA"));
  EXPECT_EQ(Run({"--data", dir_.file("obs/G020"), "--number", "20", "--channels", "1", "--cycles", "1"}), 2);
  EXPECT_NE(output_.find("The file G0200101.VLA already exists."), std::string::npos);
  EXPECT_EQ(std::filesystem::last_write_time(dir_.file("obs/G020/G0200101.VLA")), before);
  EXPECT_EQ(Run({"--data", dir_.file("obs/G020"), "--number", "20", "--channels", "1", "--cycles", "1",
                 "--overwrite"}),
            0);
}

TEST_F(Runner, AScanDrivesTheControllerThroughTheTestFile) {
  ASSERT_EQ(Run({"--data", dir_.file("obs/G030"), "--number", "30", "--channels", "3", "--cycles", "1", "--cs100",
                 "file:" + dir_.file("cs100.txt"), "--lambda", "6562.78", "--cqg", "10.4"}),
            0)
      << output_;
  // Parked on the current channel (0, a step below channel 1), then on channel 1,
  // then channels 1 to 3 of the scan: -526, -316, -316, -105, 105.
  EXPECT_EQ(ReadFile(dir_.file("cs100.txt")),
            "!QT\nO+D\nO1\nO0\nI4DF2P1P0I0\nI4EC4P1P0I0\nI4EC4P1P0I0\nI4F97P1P0I0\nI4069P1P0I0\n");
}

}  // namespace
}  // namespace velmar::testing
