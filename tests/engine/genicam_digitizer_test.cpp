// The software grabber's digitizer on a GenICam camera: Aravis's in-process fake
// camera ("Fake_1"), through the real stream.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "engine/counting_engine.h"
#include "engine/frame_grabber_setup.h"
#include "engine/genicam_camera.h"
#include "engine/grabber_files.h"
#include "engine/software_grabber.h"
#include "platform/clock.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::TempDir;
using testing::WriteFile;

class SilentConsole : public FrameGrabberConsole {
 public:
  void ShowInitMatroxNotes() override {}
  void HideInitMatroxNotes() override {}
  bool AskBypassAfterGrabberError(const std::string& message) override {
    errors.push_back(message);
    return false;
  }
  void ShowCountingState(CountingState) override {}
  std::vector<std::string> errors;
};

class GenicamDigitizer : public ::testing::Test {
 protected:
  GenicamDigitizer() : cwd_(dir_.path()) {
    WriteFile("ecran.vcf", DisplayDescriptionText(DisplayDescription{}, "test monitor"));
  }
  void SetUp() override {
    if (!GenicamBuiltIn()) GTEST_SKIP() << "built without Aravis: no GenICam camera to test";
  }
  // Lines 1 to 3 of every description: its kind, its source and the camera.
  static void Describe(const std::string& more) {
    WriteFile("comptage.dcf", "kind = digitizer\nsource = genicam\ncamera = Fake_1\n" + more);
  }
  GrabberId Open() {
    application_ = grabber_.AllocApplication();
    system_ = grabber_.AllocSystem(application_, "default");
    return grabber_.AllocDigitizer(system_, "comptage.dcf");
  }

  TempDir dir_;
  testing::ScopedCurrentDir cwd_;
  SoftwareGrabber grabber_;
  GrabberId application_ = 0, system_ = 0;
};

TEST_F(GenicamDigitizer, SizeFormatAndRateAreTheCamerasAndAFileThatDisagreesIsRefusedByItsLine) {
  Describe("region = 0,0,320,240\nframe_rate = 50\npixel_format = Mono16\n");
  const GrabberId digitizer = Open();
  ASSERT_NE(digitizer, 0) << grabber_.LastErrorText();
  EXPECT_EQ(grabber_.Inquire(digitizer, Inquiry::SizeX), 320);
  EXPECT_EQ(grabber_.Inquire(digitizer, Inquiry::SizeY), 240);
  EXPECT_EQ(grabber_.Inquire(digitizer, Inquiry::FrameRate), 50);
  EXPECT_EQ(grabber_.Inquire(digitizer, Inquiry::PixelBits), 8);  // what the counting is given
  EXPECT_EQ(grabber_.Inquire(digitizer, Inquiry::SizeFromCamera), 1);
  grabber_.Free(digitizer);

  // The camera's own values when the file gives none.
  GenicamCamera camera;
  GenicamSettings settings;
  settings.camera = "Fake_1";
  settings.pixelFormat = "Mono16";
  ASSERT_EQ(camera.Open(settings), "");
  EXPECT_EQ(camera.pixelFormat(), "Mono16");
  EXPECT_EQ(camera.bits(), 16);
  EXPECT_EQ(camera.width(), 512);
  EXPECT_EQ(camera.frameRate(), 25.0);

  const std::pair<std::string, std::string> refused[] = {
      {"size_x = 512\nsize_y = 480\n", "comptage.dcf line 5: size_y = 480, but the camera Fake_1 sends frames of 512 lines"},
      {"pixel_format = RGB8\n", "comptage.dcf line 4: bad value \"RGB8\" for pixel_format"},
      {"region = 0,0,640\n", "comptage.dcf line 4: bad value \"0,0,640\" for region"},
      {"camera = Fake_7\n", "comptage.dcf: no camera Fake_7"},
  };
  for (const auto& [lines, said] : refused) {
    Describe(lines);
    EXPECT_EQ(Open(), 0) << lines;
    EXPECT_NE(grabber_.LastErrorText().find(said), std::string::npos) << grabber_.LastErrorText();
  }
  WriteFile("comptage.dcf", "kind = digitizer\nsource = simulated\ncamera = Fake_1\n");
  EXPECT_EQ(Open(), 0);
  EXPECT_NE(grabber_.LastErrorText().find("comptage.dcf line 3: camera is for a camera with source = genicam"),
            std::string::npos)
      << grabber_.LastErrorText();
}

// On the virtual clock the camera gives one frame per grab, on a software trigger;
// its 16-bit pixels reach the counting as 8 bits through the black and white levels.
TEST_F(GenicamDigitizer, SixteenBitFramesAreMappedThroughTheBlackAndWhiteLevels) {
  VirtualClock clock;
  ScopedClock installed(clock);
  // The camera's first frames, as it sends them (each opening starts the same frames
  // again; the fake camera now and then slips in one more between triggers).
  std::vector<std::vector<std::uint32_t>> raws(3);
  {
    GenicamCamera camera;
    GenicamSettings settings;
    settings.camera = "Fake_1";
    settings.pixelFormat = "Mono16";
    ASSERT_EQ(camera.Open(settings), "");
    ASSERT_EQ(camera.Start(true), "");
    for (auto& raw : raws) {
      camera.Trigger();
      GenicamNext next = camera.Next(2000);
      ASSERT_EQ(next.outcome, GenicamOutcome::Frame);
      ASSERT_EQ(next.frame.bits, 16);
      for (int y = 0; y < next.frame.height; ++y)
        for (int x = 0; x < next.frame.width; ++x) {
          const std::uint8_t* p = next.frame.pixels + y * next.frame.stride + 2 * x;
          raw.push_back(p[0] | p[1] << 8);
        }
    }
  }
  Describe("pixel_format = Mono16\n");
  const GrabberId digitizer = Open();
  ASSERT_NE(digitizer, 0) << grabber_.LastErrorText();
  const GrabberId buffer = grabber_.AllocBuffer(system_, 1, 512, 512, 8, kProcessable | kGrabbable);
  grabber_.SetDigitizerControl(digitizer, kControlBlackReference, 100);
  grabber_.SetDigitizerControl(digitizer, kControlWhiteReference, 140);
  const std::int64_t before = clock.MonotonicMs();
  const GrabResult got = grabber_.Grab(digitizer, buffer);
  ASSERT_TRUE(got.frame) << grabber_.LastErrorText();
  EXPECT_LE(clock.MonotonicMs() - before, 40);  // paced at the camera's 25 frames a second
  std::vector<std::uint8_t> pixels(512 * 512);
  grabber_.GetPixels(buffer, pixels.data());
  // Level 100 of the whole 16-bit scale is 100 * 256, level 140 is 140 * 256.
  auto mapped = [](std::uint32_t raw) {
    const double level = (static_cast<double>(raw) - 100 * 256) * 255.0 / (40 * 256);
    return level <= 0 ? 0 : level >= 255 ? 255 : static_cast<int>(level + 0.5);
  };
  // The grabbed frame is one of the camera's first frames, every pixel through the levels.
  const std::vector<std::uint32_t>* source = nullptr;
  for (const auto& raw : raws) {
    ASSERT_EQ(raw.size(), pixels.size());
    bool all = true;
    for (std::size_t i = 0; all && i < raw.size(); ++i) all = pixels[i] == mapped(raw[i]);
    if (all) source = &raw;
  }
  ASSERT_NE(source, nullptr) << "the grabbed frame is none of the camera's first frames through the levels";
  int below = 0, above = 0, between = 0;
  for (const std::uint32_t raw : *source) {
    const int expected = mapped(raw);
    (expected == 0 ? below : expected == 255 ? above : between) += 1;
  }
  EXPECT_GT(below, 0);
  EXPECT_GT(above, 0);
  EXPECT_GT(between, 0);
}

// In real time the camera streams at its rate; a stream with no buffer free loses
// the camera's frames, and the counting says so, never counting a frame twice.
TEST_F(GenicamDigitizer, FramesLostWhenTheStreamIsStarvedOfBuffersAreCountedLost) {
  Describe("frame_rate = 200\nbuffers = 1\n");
  AcquisitionParameters p;
  p.CCDXSize = p.CCDYSize = 512;
  p.FramesPerSecond = 200;
  p.Discri = 100;
  p.WhiteLevel = 255;
  GrabberObjects objects;
  TvLevels levels;
  CountingEngine engine(grabber_, objects);
  SyntheticFrameMaker synthetic(5);
  SilentConsole console;
  SetUpContext context{grabber_, objects, levels, engine, synthetic, console, [] {}};
  SetUpFrameGrabber(context, p);
  ASSERT_TRUE(console.errors.empty()) << console.errors[0];
  // Four frames are held by the four grab buffers, one is left to the stream: while
  // the counting sleeps, the camera's frames find no buffer.
  const auto start = std::chrono::steady_clock::now();
  for (int step = 0; step < 12; ++step) {
    engine.WaitForNextFrame();
    engine.GrabNextFrame();
    engine.WaitWorkersIdle();
    if (step % 4 == 3) std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const CountingCounters c = engine.counters();
  EXPECT_GE(c.framesCameraLost, 40) << "grabbed " << c.framesGrabbed;
  EXPECT_GE(c.framesGrabbed, 10);
  // Every frame the camera sent is grabbed or lost, once: no more than it could send.
  EXPECT_LE(c.framesGrabbed + c.framesCameraLost, static_cast<std::int64_t>(seconds * 200) + 5);
  EXPECT_EQ(engine.photons().TakeSnapshot().frames, c.framesGrabbed);  // every whole frame counted
  ReleaseFrameGrabber(grabber_, objects, engine);
  EXPECT_EQ(grabber_.LiveObjects(), 0);
}

}  // namespace
}  // namespace velmar
