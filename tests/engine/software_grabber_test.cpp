#include <gtest/gtest.h>

#include <numeric>

#include "engine/grabber_files.h"
#include "engine/simulated_camera.h"
#include "engine/software_grabber.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::TempDir;
using testing::WriteFile;

class SoftwareGrabberTest : public ::testing::Test {
 protected:
  SoftwareGrabberTest() : clockInstalled_(clock_), errorsInstalled_(errors_) {
    camera_.sizeX = 512;
    camera_.sizeY = 512;
    camera_.frameRate = 80;
    camera_.photonRate = 50;
    camera_.darkNoise = 0;
    camera_.peakGreyMin = 200;
    camera_.spot = SpotShape::Single;
    WriteCamera();
    WriteFile(dir_.file("ecran.vcf"), DisplayDescriptionText(DisplayDescription{}, "test monitor"));
    application_ = grabber_.AllocApplication();
    system_ = grabber_.AllocSystem(application_, "default");
  }

  void WriteCamera() { WriteFile(dir_.file("comptage.dcf"), DigitizerDescriptionText(camera_, "test camera")); }
  GrabberId Digitizer() { return grabber_.AllocDigitizer(system_, dir_.file("comptage.dcf")); }
  GrabberId Grey(int x = 512, int y = 512) {
    return grabber_.AllocBuffer(system_, 1, x, y, 8, kProcessable | kGrabbable | kDisplayable);
  }

  TempDir dir_;
  VirtualClock clock_;
  ScopedClock clockInstalled_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter errorsInstalled_;
  DigitizerDescription camera_;
  SoftwareGrabber grabber_;
  GrabberId application_ = 0, system_ = 0;
};

TEST_F(SoftwareGrabberTest, MissingOrMalformedFilesGiveNoObjectAndAnError) {
  EXPECT_EQ(grabber_.AllocDigitizer(system_, dir_.file("absent.dcf")), 0);
  EXPECT_EQ(grabber_.LastError(), kGrabberFileMissing);
  EXPECT_TRUE(errors_.reported().empty());  // error printing is off

  grabber_.SetErrorPrinting(true);
  WriteFile(dir_.file("bad.dcf"), "kind = digitizer\nsize_x = 512 pixels\n");
  EXPECT_EQ(grabber_.AllocDigitizer(system_, dir_.file("bad.dcf")), 0);
  EXPECT_EQ(grabber_.LastError(), kGrabberFileMalformed);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_NE(errors_.reported()[0].line2.find("line 2: bad value \"512 pixels\" for size_x"), std::string::npos);

  WriteFile(dir_.file("wrong.vcf"), "kind = digitizer\n");
  EXPECT_EQ(grabber_.AllocDisplay(system_, dir_.file("wrong.vcf")), 0);
  WriteFile(dir_.file("unknown.vcf"), "kind = display\ncolour = yes\n");
  EXPECT_EQ(grabber_.AllocDisplay(system_, dir_.file("unknown.vcf")), 0);
  EXPECT_EQ(grabber_.AllocDisplay(0, dir_.file("ecran.vcf")), 0);  // no system
  EXPECT_EQ(grabber_.LastError(), kGrabberBadIdentifier);
}

TEST_F(SoftwareGrabberTest, DescriptionsAreReadAndInquired) {
  const GrabberId display = grabber_.AllocDisplay(system_, dir_.file("ecran.vcf"));
  const GrabberId digitizer = Digitizer();
  ASSERT_NE(display, 0);
  ASSERT_NE(digitizer, 0);
  EXPECT_EQ(grabber_.LastError(), kGrabberOk);
  EXPECT_EQ(grabber_.Inquire(display, Inquiry::DisplayIsDesktopWindow), 1);
  EXPECT_EQ(grabber_.Inquire(digitizer, Inquiry::SizeX), 512);
  EXPECT_EQ(grabber_.Inquire(digitizer, Inquiry::PixelBits), 8);
  EXPECT_EQ(grabber_.Inquire(digitizer, Inquiry::FrameRate), 80);
}

TEST_F(SoftwareGrabberTest, GrabsComeAtTheCameraFrameRate) {
  const GrabberId digitizer = Digitizer();
  const GrabberId buffer = Grey();
  for (int i = 0; i < 81; ++i) grabber_.Grab(digitizer, buffer);
  EXPECT_EQ(clock_.MonotonicMs(), 1000);  // frames 0..80 at 12.5 ms
  // A caller that comes late takes the next frame, not the ones it missed.
  clock_.AdvanceMs(100);
  grabber_.Grab(digitizer, buffer);
  EXPECT_EQ(clock_.MonotonicMs(), 1100);
  grabber_.Grab(digitizer, buffer);
  EXPECT_EQ(clock_.MonotonicMs(), 1113);
}

TEST_F(SoftwareGrabberTest, AFastCameraKeepsItsLastFramesForAGrabThatComesLate) {
  camera_.frameRate = 1000;  // frames the grabber keeps: those of the last 10 ms
  WriteCamera();
  const GrabberId digitizer = Digitizer();
  const GrabberId buffer = Grey();
  clock_.AdvanceMs(20);
  grabber_.Grab(digitizer, buffer);  // frame 20: nothing is kept before the first grab
  EXPECT_EQ(grabber_.NextFrameTimeMs(digitizer), 21);
  clock_.AdvanceMs(6);
  for (int i = 0; i < 7; ++i) grabber_.Grab(digitizer, buffer);  // frames 21 to 26, kept, then 27
  EXPECT_EQ(clock_.MonotonicMs(), 27);
  EXPECT_EQ(grabber_.NextFrameTimeMs(digitizer), 28);
  // Later than the grabber keeps them: the frames before its oldest are gone.
  clock_.AdvanceMs(30);  // 57 ms: frames 48 to 57 kept
  grabber_.Grab(digitizer, buffer);
  EXPECT_EQ(grabber_.NextFrameTimeMs(digitizer), 49);
}

TEST_F(SoftwareGrabberTest, SimulatedPhotonsAreFoundByTheBlobAnalysis) {
  const GrabberId digitizer = Digitizer();
  const GrabberId grey = Grey();
  const GrabberId binary = grabber_.AllocBuffer(system_, 1, 512, 512, 1, kProcessable);
  const GrabberId features = grabber_.AllocFeatureList(system_);
  grabber_.SelectFeature(features, BlobFeature::CenterOfGravityX);
  grabber_.SelectFeature(features, BlobFeature::CenterOfGravityY);
  const GrabberId result = grabber_.AllocBlobResult(system_);
  int photons = 0, blobs = 0;
  for (int frame = 0; frame < 20; ++frame) {
    grabber_.Grab(digitizer, grey);
    photons += grabber_.LastPhotonCount(digitizer);
    grabber_.BinarizeGreaterOrEqual(grey, binary, 100);
    grabber_.CalculateBlobs(binary, 0, features, result);
    blobs += grabber_.BlobCount(result);
  }
  EXPECT_NEAR(photons, 1000, 150);   // Poisson, 50 a frame
  EXPECT_LE(blobs, photons);         // single-pixel spots: only coincidences merge
  EXPECT_GE(blobs, photons - 10);
  std::vector<float> x(3);
  EXPECT_EQ(grabber_.BlobResults(result, BlobFeature::CenterOfGravityX, x.data(), 3), 3);
  EXPECT_EQ(grabber_.BlobResults(result, BlobFeature::Area, x.data(), 3), 0);  // not selected
  EXPECT_EQ(grabber_.LastError(), kGrabberBadArgument);
}

TEST_F(SoftwareGrabberTest, BlobsFollowTheBinaryBufferWhateverWroteIt) {
  const GrabberId grey = Grey(8, 4);
  const GrabberId binary = grabber_.AllocBuffer(system_, 1, 8, 4, 1, kProcessable);
  const GrabberId features = grabber_.AllocFeatureList(system_);
  grabber_.SelectFeature(features, BlobFeature::Area);
  const GrabberId result = grabber_.AllocBlobResult(system_);
  const std::uint8_t frame[32] = {200, 0, 0, 0, 0, 0, 0, 200,
                                  0,   0, 0, 0, 0, 0, 0, 200};
  grabber_.PutPixels(grey, 0, 0, 8, 4, frame);
  grabber_.BinarizeGreaterOrEqual(grey, binary, 100);
  grabber_.CalculateBlobs(binary, 0, features, result);
  ASSERT_EQ(grabber_.BlobCount(result), 2);
  float areas[2];
  grabber_.BlobResults(result, BlobFeature::Area, areas, 2);
  EXPECT_EQ(areas[1], 2.0f);
  // Bits written by hand after the binarisation are the ones measured.
  const std::uint8_t ones[32] = {1, 1, 0, 1};
  grabber_.PutPixels(binary, 0, 0, 8, 4, ones);
  grabber_.CalculateBlobs(binary, 0, features, result);
  ASSERT_EQ(grabber_.BlobCount(result), 2);
  grabber_.BlobResults(result, BlobFeature::Area, areas, 2);
  EXPECT_EQ(areas[0], 2.0f);
  grabber_.Clear(binary, 0);
  grabber_.CalculateBlobs(binary, 0, features, result);
  EXPECT_EQ(grabber_.BlobCount(result), 0);
  // A source larger than the binary buffer: its top-left part is binarised.
  const GrabberId small = grabber_.AllocBuffer(system_, 1, 4, 2, 1, kProcessable);
  grabber_.BinarizeGreaterOrEqual(grey, small, 100);
  grabber_.CalculateBlobs(small, 0, features, result);
  EXPECT_EQ(grabber_.BlobCount(result), 1);
}

// Grabs into the four rotating buffers repaint only the spots; every frame must be
// the one a whole repaint of the same camera gives, whatever else wrote the buffers.
TEST_F(SoftwareGrabberTest, GrabbedFramesAreThoseAWholeRepaintGives) {
  camera_.sizeX = 200;
  camera_.sizeY = 150;
  camera_.photonRate = 300;
  camera_.darkNoise = 20;
  camera_.spot = SpotShape::Mixed;
  camera_.peakGreyMin = 120;
  camera_.seed = 77;
  WriteCamera();
  const GrabberId digitizer = Digitizer();
  // The display-sized buffer is larger than the camera: only its top-left part is the frame.
  const GrabberId buffers[4] = {Grey(256, 200), Grey(200, 150), Grey(200, 150), Grey(200, 150)};
  SimulatedCamera whole(camera_);
  std::vector<std::uint8_t> expected(256 * 200), got(256 * 200);
  int black = 0;
  for (int frame = 0; frame < 40; ++frame) {
    const GrabberId buffer = buffers[frame % 4];
    const int width = frame % 4 == 0 ? 256 : 200, height = frame % 4 == 0 ? 200 : 150;
    if (frame == 13) grabber_.DrawText(buffers[1], 10, 10, "Direct grab");
    if (frame == 17) grabber_.Clear(buffers[1], 0);
    if (frame == 22) {
      const std::vector<std::uint8_t> grey(50 * 50, 90);
      grabber_.PutPixels(buffers[2], 20, 20, 50, 50, grey.data());
    }
    if (frame == 26) black = 6;  // a new black level: a new sky
    if (frame == 26) grabber_.SetDigitizerControl(digitizer, kControlBlackReference, black);
    grabber_.GetPixels(buffer, expected.data());  // what lies outside the camera's frame stays
    whole.Render(expected.data(), width, height, width, black, 255);
    grabber_.Grab(digitizer, buffer);
    grabber_.GetPixels(buffer, got.data());
    ASSERT_EQ(grabber_.LastPhotonCount(digitizer), whole.lastPhotonCount()) << "frame " << frame;
    ASSERT_TRUE(std::equal(got.begin(), got.begin() + width * height, expected.begin())) << "frame " << frame;
  }
  EXPECT_GT(whole.lastPhotonCount(), 200);
}

TEST_F(SoftwareGrabberTest, ReferenceLevelsActOnTheDigitisedLevelsAndReadBackAdjusted) {
  camera_.referenceStep = 4;
  camera_.photonRate = 0;
  camera_.background = 100;
  WriteCamera();
  const GrabberId digitizer = Digitizer();
  const GrabberId buffer = Grey();
  grabber_.SetDigitizerControl(digitizer, kControlBlackReference, 50);
  grabber_.SetDigitizerControl(digitizer, kControlWhiteReference, 150);
  EXPECT_EQ(grabber_.DigitizerControl(digitizer, kControlBlackReference), 48);
  EXPECT_EQ(grabber_.DigitizerControl(digitizer, kControlWhiteReference), 148);
  grabber_.Grab(digitizer, buffer);
  std::vector<std::uint8_t> pixels(512 * 512);
  grabber_.GetPixels(buffer, pixels.data());
  EXPECT_EQ(pixels[1000], 133);  // (100 - 48) * 255 / 100, rounded
  grabber_.SetDigitizerControl(digitizer, kControlWhiteReference, 20);  // below black
  EXPECT_EQ(grabber_.DigitizerControl(digitizer, kControlWhiteReference), 52);
  grabber_.SetDigitizerControl(digitizer, 9999, 1.0);
  EXPECT_EQ(grabber_.LastError(), kGrabberBadArgument);
}

TEST_F(SoftwareGrabberTest, ReplayedFramesLoopOverTheFile) {
  std::string frames(2 * 4 * 4, '\0');
  for (std::size_t i = 0; i < 16; ++i) frames[i] = 10;
  for (std::size_t i = 16; i < 32; ++i) frames[i] = 20;
  WriteFile(dir_.file("frames.raw"), frames);
  camera_.source = CameraSource::Replay;
  camera_.replayFile = dir_.file("frames.raw");
  camera_.sizeX = camera_.sizeY = 4;
  WriteCamera();
  const GrabberId digitizer = Digitizer();
  const GrabberId buffer = Grey(4, 4);
  std::uint8_t pixels[16];
  for (int expected : {10, 20, 10}) {
    grabber_.Grab(digitizer, buffer);
    grabber_.GetPixels(buffer, pixels);
    EXPECT_EQ(pixels[5], expected);
  }
  camera_.replayFile = dir_.file("absent.raw");
  WriteCamera();
  EXPECT_EQ(Digitizer(), 0);
}

TEST_F(SoftwareGrabberTest, AReplayFileThatIsADirectoryIsRefusedNamingTheLine) {
  std::filesystem::create_directory(dir_.file("night"));
  const std::string text = "kind = digitizer\nsource = replay\nreplay_file = " + dir_.file("night") + "\n";
  DigitizerDescription d;
  EXPECT_EQ(ParseDigitizerDescription(text, "comptage.dcf", d),
            "comptage.dcf line 3: bad value \"" + dir_.file("night") + "\" for replay_file");
  camera_.source = CameraSource::Replay;
  camera_.replayFile = dir_.file("night");
  WriteCamera();
  EXPECT_EQ(Digitizer(), 0);
  EXPECT_NE(grabber_.LastErrorText().find("replay_file"), std::string::npos) << grabber_.LastErrorText();
}

TEST_F(SoftwareGrabberTest, TextIsDrawnAndClippedAtTheEdges) {
  const GrabberId buffer = Grey(64, 32);
  grabber_.DrawText(buffer, 2, 2, "VlmIPCS");
  grabber_.DrawText(buffer, -5, -7, "Direct grab");  // partly outside
  grabber_.DrawText(buffer, 1050, 20, "Simulation grab");  // wholly outside
  std::vector<std::uint8_t> pixels(64 * 32);
  grabber_.GetPixels(buffer, pixels.data());
  const int lit = static_cast<int>(std::count(pixels.begin(), pixels.end(), 255));
  EXPECT_GT(lit, 40);
  EXPECT_EQ(grabber_.LastError(), kGrabberOk);
}

TEST_F(SoftwareGrabberTest, BuffersSaveAndLoadLosslessly) {
  const GrabberId buffer = Grey(37, 11);
  std::vector<std::uint8_t> pixels(37 * 11);
  std::iota(pixels.begin(), pixels.end(), 0);
  grabber_.PutPixels(buffer, 0, 0, 37, 11, pixels.data());
  ASSERT_TRUE(grabber_.Save(buffer, dir_.file("frame.pgm")));
  const GrabberId copy = Grey(37, 11);
  ASSERT_TRUE(grabber_.Load(dir_.file("frame.pgm"), copy));
  std::vector<std::uint8_t> loaded(37 * 11);
  grabber_.GetPixels(copy, loaded.data());
  EXPECT_EQ(loaded, pixels);
  EXPECT_FALSE(grabber_.Load(dir_.file("frame.pgm"), Grey(36, 11)));
  WriteFile(dir_.file("cut.pgm"), "P5\n37 11\n255\nabc");
  EXPECT_FALSE(grabber_.Load(dir_.file("cut.pgm"), copy));
  EXPECT_EQ(grabber_.LastError(), kGrabberInputOutput);
}

TEST_F(SoftwareGrabberTest, TheControlMonitorKeepsTheLastPictureItWasSent) {
  GreyImage picture;
  EXPECT_FALSE(grabber_.ControlMonitorPicture(picture));
  const GrabberId display = grabber_.AllocDisplay(system_, dir_.file("ecran.vcf"));
  const GrabberId buffer = Grey(640, 480);
  grabber_.ShowOnDisplay(display, buffer);
  grabber_.DrawText(buffer, 100, 80, "VlmIPCS");
  ASSERT_TRUE(grabber_.ControlMonitorPicture(picture));
  EXPECT_EQ(picture.width, 640);
  const auto lit = [](const GreyImage& p) { return std::count(p.pixels.begin(), p.pixels.end(), 255); };
  const auto banner = lit(picture);
  EXPECT_GT(banner, 20);
  grabber_.Free(buffer);
  grabber_.Free(display);
  GreyImage kept;
  ASSERT_TRUE(grabber_.ControlMonitorPicture(kept));
  EXPECT_EQ(lit(kept), banner);
}

TEST_F(SoftwareGrabberTest, FreedObjectsAreGoneAndTheDisplayForgetsThem) {
  const GrabberId display = grabber_.AllocDisplay(system_, dir_.file("ecran.vcf"));
  const GrabberId buffer = Grey();
  grabber_.ShowOnDisplay(display, buffer);
  EXPECT_EQ(grabber_.DisplayedBuffer(display), buffer);
  grabber_.Free(buffer);
  EXPECT_EQ(grabber_.DisplayedBuffer(display), 0);
  grabber_.Free(buffer);
  EXPECT_EQ(grabber_.LastError(), kGrabberBadIdentifier);
  grabber_.Free(display);
  grabber_.Free(system_);
  grabber_.Free(application_);
  EXPECT_EQ(grabber_.LiveObjects(), 0);
}

TEST(SoftwareGrabberRealTime, ContinuousGrabRunsUntilHalted) {
  TempDir dir;
  DigitizerDescription camera;
  camera.sizeX = camera.sizeY = 64;
  camera.frameRate = 200;
  WriteFile(dir.file("comptage.dcf"), DigitizerDescriptionText(camera, "fast camera"));
  SoftwareGrabber grabber;
  const GrabberId system = grabber.AllocSystem(grabber.AllocApplication(), "");
  const GrabberId digitizer = grabber.AllocDigitizer(system, dir.file("comptage.dcf"));
  const GrabberId buffer = grabber.AllocBuffer(system, 1, 64, 64, 8, kGrabbable | kProcessable);
  grabber.GrabContinuous(digitizer, buffer);
  std::vector<std::uint8_t> pixels(64 * 64);
  bool changed = false;
  for (int i = 0; i < 200 && !changed; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    grabber.GetPixels(buffer, pixels.data());
    changed = std::any_of(pixels.begin(), pixels.end(), [](std::uint8_t p) { return p != 0; });
  }
  EXPECT_TRUE(changed);
  grabber.Halt(digitizer);
  grabber.Free(digitizer);  // a second stop is harmless
  EXPECT_EQ(grabber.LastError(), kGrabberOk);
}

}  // namespace
}  // namespace velmar
