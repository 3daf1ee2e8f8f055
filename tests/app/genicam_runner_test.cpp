// Whole observations through the runner with a GenICam camera: Aravis's in-process
// fake camera named by the camera description (source = genicam, camera = Fake_1).
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "engine/genicam_camera.h"
#include "platform/error_reporter.h"
#include "runner_fixture.h"
#include "support/child_process.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

struct ChannelRecord {
  int channel = 0;
  long photons = 0, frames = 0;
};

class GenicamRunner : public RunnerFixture {
 protected:
  void SetUp() override {
    if (!GenicamBuiltIn()) GTEST_SKIP() << "built without Aravis: no GenICam camera to test";
  }
  // Every camera description of the program directory names the fake camera, cut to
  // the instrument definition's 768 by 288 pixels at its 50 frames a second.
  void DescribeCamera(const std::string& more = "") {
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      if (entry.path().extension() == ".dcf")
        WriteFile(entry.path().string(),
                  "kind = digitizer\nsource = genicam\ncamera = Fake_1\nregion = 0,0,768,288\nframe_rate = 50\n" +
                      more);
  }
  // Preset 2: a 768 by 288 camera stored on 256 lines, so that every photon counted
  // has its 4-byte record (format 0).
  std::vector<std::string> Flags(const std::string& observation, int channels, int exposure, bool fast) const {
    std::vector<std::string> flags = {
        "--system-dir", dir_.file("system"), "--preset", "2", "--format", "0", "--source", "tv", "--cs100",
        "file:" + dir_.file("cs100.txt"), "--data", Data(observation), "--prefix", "G", "--number", observation,
        "--type", "object", "--channels", std::to_string(channels), "--exposure", std::to_string(exposure),
        "--cycles", "1"};
    if (fast) flags.push_back("--fast");
    return flags;
  }
  std::string Data(const std::string& observation) const { return dir_.file("obs/G" + observation); }
  std::string PhotonFile(const std::string& observation, int channel) const {
    char name[32];
    std::snprintf(name, sizeof name, "/G%s01%2.2d.VLA", observation.c_str(), channel);
    return Data(observation) + name;
  }
  // The channels the log records, each with its photon file of photons x 4 bytes,
  // and no other photon or temporary file.
  std::vector<ChannelRecord> ChannelsKept(const std::string& observation) {
    const std::string log = ReadFile(Data(observation) + "/G" + observation + ".VLT");
    static const std::regex record(R"(ch=(\d{4})  cy=0001  QGval=[+-]\d{4}  ph=(\d{8})  fr=(\d{5}))");
    std::vector<ChannelRecord> kept;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), record); it != std::sregex_iterator(); ++it) {
      const ChannelRecord r{std::stoi((*it)[1]), std::stol((*it)[2]), std::stol((*it)[3])};
      kept.push_back(r);
      const std::string file = PhotonFile(observation, r.channel);
      EXPECT_GT(r.photons, 0) << file;
      EXPECT_TRUE(fs::exists(file)) << file;
      if (fs::exists(file)) EXPECT_EQ(fs::file_size(file), static_cast<std::uintmax_t>(r.photons) * 4) << file;
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(Data(observation))) {
      files += entry.path().extension() == ".VLA" ? 1 : 0;
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(files, kept.size()) << log;
    return kept;
  }
};

// On the virtual clock the camera gives one frame per frame time, on its software
// trigger: every channel has all its frames, run after run.
TEST_F(GenicamRunner, AWholeObservationOnTheVirtualClockCountsEveryFrame) {
  DescribeCamera();
  for (const char* observation : {"001", "002"}) {
    ASSERT_EQ(RunWith({}, Flags(observation, 2, 2, true)), 0) << output_;
    const auto kept = ChannelsKept(observation);
    ASSERT_EQ(kept.size(), 3u) << output_;
    for (const ChannelRecord& r : kept) EXPECT_EQ(r.frames, r.channel == 0 ? 50 : 100) << r.channel;
    EXPECT_NE(output_.find("efficiency 100 %"), std::string::npos) << output_;
  }
}

// In real time the camera streams at its own rate into the pool of buffers.
TEST_F(GenicamRunner, AWholeObservationInRealTimeKeepsEveryChannelWhole) {
  DescribeCamera();
  ASSERT_EQ(RunWith({}, Flags("003", 2, 1, false)), 0) << output_;
  const auto kept = ChannelsKept("003");
  ASSERT_EQ(kept.size(), 3u) << output_;
  for (const ChannelRecord& r : kept) {
    EXPECT_GE(r.frames, 35) << r.channel;  // 50 a second, less the start of the first second
    EXPECT_LE(r.frames, 53) << r.channel;
  }
}

// The camera goes away in the middle of a channel: the grabber's error is said,
// the observation stops through the safe stop, the complete channels are kept
// whole and the channel in progress is not.
TEST_F(GenicamRunner, ACameraThatVanishesMidChannelStopsTheObservationAndKeepsTheCompleteChannels) {
  DescribeCamera("vanish_from = 5.5\n");
  EXPECT_EQ(RunWith({}, Flags("004", 4, 3, true)), 1) << output_;
  EXPECT_NE(output_.find("frame grabber error: grab: the camera Fake_1 is gone: it no longer answers"),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("the observation is stopped; the complete channels are kept"), std::string::npos) << output_;
  const auto kept = ChannelsKept("004");
  ASSERT_GE(kept.size(), 1u) << output_;
  ASSERT_LT(kept.size(), 5u) << output_;
  const int inProgress = kept.back().channel + 1;
  EXPECT_NE(output_.find("Channel " + std::to_string(inProgress) + " of cycle 1 was in progress: its photons were "
                         "not kept."),
            std::string::npos)
      << output_;
  EXPECT_FALSE(fs::exists(PhotonFile("004", inProgress)));
  const std::string log = ReadFile(Data("004") + "/G004.VLT");
  EXPECT_NE(log.find(": ABORT AND QUIT, camera gone (grab: the camera Fake_1 is gone"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(dir_.file("system/vltemoin.tmp")));
}

// A camera that pauses but still answers is not gone: the observation goes on,
// the channel it paused in has fewer frames, and every channel is kept.
// The analogic calibration sums whole frames only: a camera that goes away stops
// the scan with the grabber's error instead of summing the last picture again.
TEST_F(GenicamRunner, AnAnalogicScanStopsWhenTheCameraVanishes) {
  DescribeCamera("vanish_from = 1.5\n");
  RecordingErrorReporter errors;
  ScopedErrorReporter installed(errors);
  EXPECT_EQ(RunWith({}, {"--system-dir", dir_.file("system"), "--preset", "2", "--source", "tv", "--cs100",
                         "file:" + dir_.file("cs100.txt"), "--data", Data("010"), "--prefix", "G", "--number", "010",
                         "--type", "analogic", "--channels", "4", "--frames-per-channel", "40", "--fast"}),
            1)
      << output_;
  EXPECT_NE(output_.find("The frame grabber cannot grab: the scan is stopped"), std::string::npos) << output_;
  ASSERT_EQ(errors.reported().size(), 1u);
  EXPECT_EQ(errors.reported()[0].line1, "Frame grabber error");
  EXPECT_NE(errors.reported()[0].line2.find("vanish_from = 1.5"), std::string::npos) << errors.reported()[0].line2;
}

TEST_F(GenicamRunner, ACameraThatPausesLowersTheFramesAndLosesNoChannel) {
  DescribeCamera("stall_from = 7.5\nstall_for = 1\n");  // in channel 2: it starts about 7 s after the opening
  ASSERT_EQ(RunWith({}, Flags("007", 3, 2, true)), 0) << output_;
  const auto kept = ChannelsKept("007");
  ASSERT_EQ(kept.size(), 4u) << output_;
  long frames = 0;
  for (const ChannelRecord& r : kept) frames += r.frames;
  EXPECT_EQ(frames, 7 * 50 - 50) << output_;  // 7 s of exposure, one of them without frames
}

// A camera that cannot be the instrument's is refused before anything is written.
TEST_F(GenicamRunner, ACameraThatIsNotTheInstrumentsIsRefusedAndNothingIsWritten) {
  DescribeCamera("region = 0,0,256,256\n");
  EXPECT_EQ(RunWith({}, Flags("005", 1, 1, true)), 1) << output_;
  EXPECT_NE(output_.find("sends frames of 256 by 256 pixels, but the instrument definition's camera is 768 by 288"),
            std::string::npos)
      << output_;
  EXPECT_FALSE(fs::exists(Data("005")));
  DescribeCamera("camera = Fake_4\n");
  EXPECT_EQ(RunWith({}, Flags("006", 1, 1, true)), 1) << output_;
  EXPECT_NE(output_.find("comptage.dcf: no camera Fake_4"), std::string::npos) << output_;
  EXPECT_FALSE(fs::exists(Data("006")));
}

// The cameras Aravis sees; the fake one only when asked for.
TEST_F(GenicamRunner, ListCamerasSaysEachCameraOrPlainlyNone) {
  const std::string runner = std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe";
  ChildProcess none(runner, {"--list-cameras"}, dir_.path().string(), {"VELMAR_GENICAM_FAKE=0"});
  EXPECT_EQ(none.Wait(20000), 0) << none.output();
  EXPECT_NE(none.output().find("no camera"), std::string::npos) << none.output();
  ChildProcess fake(runner, {"--list-cameras"}, dir_.path().string(), {"VELMAR_GENICAM_FAKE=1"});
  EXPECT_EQ(fake.Wait(20000), 0) << fake.output();
  EXPECT_NE(fake.output().find("Fake_1  vendor Aravis  model Fake  serial 1  protocol Fake"), std::string::npos)
      << fake.output();
}

}  // namespace
}  // namespace velmar::testing
