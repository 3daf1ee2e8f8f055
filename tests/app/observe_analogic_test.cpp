// The analogic calibration through the headless runner: the real grabber on the
// simulated (or replayed) camera, the simulated bench, the files read back.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "analogic/image_files.h"
#include "platform/format.h"
#include "platform/quit_signals.h"
#include "runner_fixture.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

class AnalogicRunner : public RunnerFixture {
 protected:
  int Run(const std::vector<std::string>& args, bool fast = true) {
    std::vector<std::string> leading = {"--system-dir", dir_.file("system"), "--type", "analogic", "--prefix", "T"};
    if (fast) leading.push_back("--fast");
    return RunWith(leading, args);
  }
  ImageFile Read(const std::string& name) {
    std::string error;
    auto image = ReadImageFile(dir_.file(name), error);
    EXPECT_TRUE(image) << error;
    return image ? *image : ImageFile{};
  }
  int Count(const std::string& text) const {
    int n = 0;
    for (std::size_t at = output_.find(text); at != std::string::npos; at = output_.find(text, at + 1)) ++n;
    return n;
  }
  // A camera of our own: every frame 7, but for pixel (3, 5) at 255.
  void ReplayCamera() {
    std::string frame(512 * 512, static_cast<char>(7));
    frame[5 * 512 + 3] = static_cast<char>(255);
    WriteFile(dir_.file("flat.raw"), frame);
    WriteFile(dir_.file("flat.dcf"),
              "kind = digitizer\nsize_x = 512\nsize_y = 512\nframe_rate = 80\nsource = replay\n"
              "replay_file = flat.raw\n");
    std::string def = ReadFile(dir_.file("kem512.def"));
    def.replace(def.find("asga512.dcf"), 11, "flat.dcf");
    WriteFile(dir_.file("flat.def"), def);
  }
};

TEST_F(AnalogicRunner, TheCubeAndTheSlicesOfOnePlanHoldTheSameValues) {
  ASSERT_EQ(Run({"--data", dir_.file("obs/T001"), "--number", "1", "--channels", "3", "--frames-per-channel", "4",
                 "--tht", "1500"}),
            0)
      << output_;
  EXPECT_EQ(Count("channel 000"), 3) << output_;
  EXPECT_NE(output_.find("channel 0003/0003"), std::string::npos) << output_;
  EXPECT_NE(output_.find("Scan terminated"), std::string::npos);
  EXPECT_NE(output_.find("THT set back to 0 V"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_.file("system/vlm_ana.tmp")), "1500\n");
  const std::string log = ReadFile(dir_.file("obs/T001/T001.VLT"));
  EXPECT_NE(log.find("\n3D analogic calibration\nNb of frames per channel = 4\nTHT = 1500 volts\nX and Y dimensions"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\n==> position channel 3     "), std::string::npos) << log;
  const ImageFile cube = Read("obs/T001/T001.vl3");
  ASSERT_EQ(cube.dimensions, 3);
  EXPECT_EQ(cube.sizeX, 512);
  EXPECT_EQ(cube.sizeY, 512);
  EXPECT_EQ(cube.sizeZ, 3);
  EXPECT_EQ(cube.text, "Analogic VlmIPCS calibration");

  // Run again with a plan of slices: the same frames, the same values, plane by plane.
  ASSERT_EQ(Run({"--data", dir_.file("obs/T002"), "--number", "2", "--channels", "3", "--frames-per-channel", "4",
                 "--slices"}),
            0)
      << output_;
  EXPECT_FALSE(Exists("obs/T002/T002.vl3"));
  EXPECT_NE(output_.find("T0020003.vl2"), std::string::npos) << output_;
  for (int c = 0; c < 3; ++c) {
    const ImageFile slice = Read("obs/T002/T002" + std::string(c == 0 ? "0001" : c == 1 ? "0002" : "0003") + ".vl2");
    ASSERT_EQ(slice.dimensions, 2);
    ASSERT_EQ(slice.values.size(), 512u * 512u);
    double sum = 0;
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x) {
        ASSERT_EQ(cube.Value(x, y, c), slice.Value(x, y)) << x << "," << y << " channel " << c + 1;
        sum += slice.Value(x, y);
      }
    // Four frames of a sky at grey 8 at least, and some photons above it.
    EXPECT_GT(sum, 4.0 * 8 * 512 * 512);
  }
}

TEST_F(AnalogicRunner, APixelAt255InEveryOf100FramesSumsTo25500) {
  ReplayCamera();
  ASSERT_EQ(Run({"--preset", "flat.def", "--data", dir_.file("obs/T003"), "--number", "3", "--channels", "2",
                 "--frames-per-channel", "100"}),
            0)
      << output_;
  const ImageFile cube = Read("obs/T003/T003.vl3");
  ASSERT_EQ(cube.sizeZ, 2);
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(cube.Value(3, 5, c), 25500.0f);
    EXPECT_EQ(cube.Value(4, 5, c), 700.0f);
    EXPECT_EQ(cube.Value(3, 4, c), 700.0f);
    EXPECT_EQ(cube.Value(511, 511, c), 700.0f);
  }
  EXPECT_NE(output_.find(Format("sum %.0f", 700.0 * (512 * 512 - 1) + 25500.0)), std::string::npos) << output_;
}

// A python 3 with numpy: the first on the path, else the system's (where Debian's
// python3-numpy goes); empty when there is none.
std::string PythonWithNumpy() {
  for (const char* python : {"python3", "/usr/bin/python3"})
    if (std::system((std::string(python) + " -c 'import numpy' >/dev/null 2>&1").c_str()) == 0) return python;
  return {};
}

// numpy reads the files from their layout alone, not through the program's reader.
std::string IndependentRead(const std::string& args) {
  std::string text;
  const std::string command =
      PythonWithNumpy() + " " VELMAR_SOURCE_DIR "/tests/analogic/read_image.py " + args + " 2>&1";
  if (std::FILE* pipe = ::popen(command.c_str(), "r")) {
    for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) text += static_cast<char>(c);
    ::pclose(pipe);
  }
  return text;
}

TEST_F(AnalogicRunner, AnIndependentReaderFindsTheSizesBlocksAndSumsOfCubeAndSlices) {
  if (PythonWithNumpy().empty())
    GTEST_SKIP() << "python3 with numpy is not installed (scripts/bootstrap installs python3-numpy): "
                    "the independent reader of the image files is not run";
  ReplayCamera();
  ASSERT_EQ(Run({"--preset", "flat.def", "--data", dir_.file("obs/T011"), "--number", "11", "--channels", "3",
                 "--frames-per-channel", "10"}),
            0)
      << output_;
  ASSERT_EQ(Run({"--preset", "flat.def", "--data", dir_.file("obs/T012"), "--number", "12", "--channels", "3",
                 "--frames-per-channel", "10", "--slices"}),
            0)
      << output_;
  const std::string plane = Format("%.0f", 70.0 * (512 * 512 - 1) + 2550.0);
  EXPECT_EQ(IndependentRead(dir_.file("obs/T011/T011.vl3") + " 3,5 4,5"),
            "dimensions 3 size 512 512 3 text 'Analogic VlmIPCS calibration'\nsums " + plane + " " + plane + " " +
                plane + "\npixel 3 5: 2550 2550 2550\npixel 4 5: 70 70 70\n");
  for (const char* slice : {"T0120001.vl2", "T0120003.vl2"})
    EXPECT_EQ(IndependentRead(dir_.file("obs/T012/") + slice + " 3,5"),
              "dimensions 2 size 512 512 1 text 'Analogic VlmIPCS calibration'\nsums " + plane + "\npixel 3 5: 2550\n");
}

TEST_F(AnalogicRunner, RefusalsWriteNothingAndAnOlderLongerFileIsReplacedOnlyWhenAsked) {
  for (const char* frames : {"0", "-2", "3x"}) {
    EXPECT_EQ(Run({"--data", dir_.file("obs/T004"), "--number", "4", "--channels", "2", "--frames-per-channel",
                   frames}),
              2)
        << frames;
    EXPECT_NE(output_.find("--frames-per-channel must be a whole number, at least 1"), std::string::npos) << output_;
  }
  EXPECT_FALSE(Exists("obs/T004"));
  EXPECT_FALSE(Exists("system/vlm_ana.tmp"));
  EXPECT_FALSE(Exists("system/vla.def"));

  fs::create_directories(dir_.file("obs/T005"));
  WriteFile(dir_.file("obs/T005/T005.vl3"), std::string(3000000, 'x'));
  EXPECT_EQ(Run({"--data", dir_.file("obs/T005"), "--number", "5", "--channels", "2"}), 2);
  EXPECT_NE(output_.find("T005.vl3 already exists"), std::string::npos) << output_;
  EXPECT_EQ(fs::file_size(dir_.file("obs/T005/T005.vl3")), 3000000u);
  EXPECT_FALSE(Exists("obs/T005/T005.VLT"));

  ASSERT_EQ(Run({"--data", dir_.file("obs/T005"), "--number", "5", "--channels", "2", "--overwrite"}), 0) << output_;
  EXPECT_EQ(fs::file_size(dir_.file("obs/T005/T005.vl3")), 512u * 512 * 2 * 4 + 256);
  EXPECT_EQ(Read("obs/T005/T005.vl3").sizeZ, 2);
}

TEST_F(AnalogicRunner, ACloseLoopFaultStopsTheScanKeepingTheSlicesWrittenAndWritingNoCube) {
  // Each channel takes a second of frames: the loop goes out during the third.
  ASSERT_EQ(Run({"--data", dir_.file("obs/T006"), "--number", "6", "--channels", "6", "--frames-per-channel", "80",
                 "--slices", "--close-loop-fault", "2:1000"}),
            1)
      << output_;
  EXPECT_NE(output_.find("Close loop error"), std::string::npos) << output_;
  ASSERT_FALSE(errors_.reported().empty());
  EXPECT_EQ(errors_.reported().back(), (ErrorLines{"Close loop error !", "", "look to the CS100 controler..."}));
  int slices = 0;
  for (int c = 1; c <= 6; ++c)
    if (Exists("obs/T006/T006000" + std::to_string(c) + ".vl2")) {
      EXPECT_EQ(c, slices + 1) << "slices are written in order";
      EXPECT_EQ(Read("obs/T006/T006000" + std::to_string(c) + ".vl2").sizeX, 512);
      ++slices;
    }
  EXPECT_GE(slices, 1);
  EXPECT_LT(slices, 6);
  EXPECT_EQ(Count("channel 000"), slices);
  EXPECT_NE(output_.find("THT set back to 0 V"), std::string::npos);

  ASSERT_EQ(Run({"--data", dir_.file("obs/T007"), "--number", "7", "--channels", "6", "--frames-per-channel", "80",
                 "--close-loop-fault", "2:1000"}),
            1)
      << output_;
  EXPECT_FALSE(Exists("obs/T007/T007.vl3"));
  EXPECT_TRUE(Exists("obs/T007/T007.VLT"));
}

TEST_F(AnalogicRunner, ADiskThatFillsDuringTheCubeLeavesNoHalfWrittenCube) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit previous{};
  getrlimit(RLIMIT_FSIZE, &previous);
  rlimit limit = previous;
  limit.rlim_cur = 1000000;  // the 2 MB cube fails halfway; the log fits
  setrlimit(RLIMIT_FSIZE, &limit);
  const int code = Run({"--data", dir_.file("obs/T009"), "--number", "9", "--channels", "2"});
  setrlimit(RLIMIT_FSIZE, &previous);
  EXPECT_EQ(code, 1) << output_;
  ASSERT_FALSE(errors_.reported().empty());
  EXPECT_EQ(errors_.reported().back().line1, "Impossible to write the VL3 output file");
  EXPECT_FALSE(Exists("obs/T009/T009.vl3"));
  EXPECT_TRUE(Exists("obs/T009/T009.VLT"));
}

TEST_F(AnalogicRunner, CtrlCStopsBetweenChannelsKeepingTheSlicesAndWritingNoCube) {
  // Real time: the scan begins about two seconds after the start (the shutter and the
  // driver files are seen to first), then each channel is a quarter of a second of frames.
  QuitSignals::Install();
  QuitSignals::ResetForTests();
  std::thread interrupt([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(4000));
    ::raise(SIGINT);
  });
  const int code = Run({"--data", dir_.file("obs/T008"), "--number", "8", "--channels", "40", "--frames-per-channel",
                        "20", "--slices"},
                       false);
  interrupt.join();
  QuitSignals::ResetForTests();
  EXPECT_EQ(code, 130) << output_;
  EXPECT_NE(output_.find("SIGINT received: the scan is stopped"), std::string::npos) << output_;
  const int slices = Count("channel 00");
  EXPECT_GE(slices, 1) << output_;
  EXPECT_LT(slices, 40) << output_;
  EXPECT_TRUE(Exists("obs/T008/T008" + Format("%4.4d", slices) + ".vl2"));
  EXPECT_FALSE(Exists("obs/T008/T008" + Format("%4.4d", slices + 1) + ".vl2"));
  EXPECT_FALSE(Exists("system/vltemoin.tmp"));
}

}  // namespace
}  // namespace velmar::testing
