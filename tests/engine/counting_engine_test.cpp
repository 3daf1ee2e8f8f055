#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/counting_engine.h"
#include "engine/counting_thread.h"
#include "engine/frame_grabber_setup.h"
#include "engine/grabber_files.h"
#include "engine/software_grabber.h"
#include "engine/tv_display.h"
#include "platform/clock.h"
#include "platform/window_thread.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::TempDir;
using testing::WriteFile;

// A grabber whose blob calculation on one binary buffer waits until it is let go:
// that worker stays busy for as long as a test wants.
class GatedGrabber : public SoftwareGrabber {
 public:
  void CalculateBlobs(GrabberId binary, GrabberId grey, GrabberId list, GrabberId result) override {
    {
      std::unique_lock lock(mutex_);
      if (binary == gated_) {
        held_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return gated_ == 0; });
        held_ = false;
      }
    }
    SoftwareGrabber::CalculateBlobs(binary, grey, list, result);
  }
  void Gate(GrabberId binary) {
    std::lock_guard lock(mutex_);
    gated_ = binary;
  }
  void WaitHeld() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return held_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    gated_ = 0;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  GrabberId gated_ = 0;
  bool held_ = false;
};

class RecordingConsole : public FrameGrabberConsole {
 public:
  void ShowInitMatroxNotes() override { shown.push_back("notes"); }
  void HideInitMatroxNotes() override { shown.push_back("hide notes"); }
  bool AskBypassAfterGrabberError(const std::string& message) override {
    shown.push_back("error: " + message);
    return bypass;
  }
  void ShowCountingState(CountingState state) override {
    shown.push_back(ViewOf(state, 2, 0).text);
  }
  std::vector<std::string> shown;
  bool bypass = false;
};

class CountingEngineTest : public ::testing::Test {
 protected:
  CountingEngineTest() : cwd_(dir_.path()), clockInstalled_(clock_) {
    camera_.sizeX = camera_.sizeY = 128;
    camera_.frameRate = 80;
    camera_.photonRate = 20;
    camera_.darkNoise = 0;
    camera_.peakGreyMin = 200;
    WriteFile("comptage.dcf", DigitizerDescriptionText(camera_, "test camera"));
    DisplayDescription monitor;
    monitor.desktopWindow = false;
    monitor.sizeX = 1600;
    monitor.sizeY = 1200;
    WriteFile("ecran.vcf", DisplayDescriptionText(monitor, "test monitor"));
    p_.CCDXSize = p_.CCDYSize = 128;
    p_.Discri = 100;
    p_.BlackLevel = 10;
    p_.WhiteLevel = 240;
    p_.RandomPoints = 12;
  }

  void SetUp(int source) {
    p_.Source = source;
    SetUpContext context{grabber_, objects_, levels_, engine_, synthetic_, console_, [&] { ++bypassed_; }};
    SetUpFrameGrabber(context, p_);
  }

  // n counting steps; on the virtual clock each frame's worker finishes within its step.
  void Steps(int n) {
    for (int i = 0; i < n; ++i) engine_.GrabNextFrame();
  }

  // n counting steps, each waiting for its worker unless it is the held one.
  void StepsAround(int n, int held) {
    for (int i = 0; i < n; ++i) {
      const int k = (engine_.frameIndex() + 1) % kWorkers;
      engine_.GrabNextFrame();
      while (k != held && engine_.WorkerBusy(k)) std::this_thread::yield();
    }
  }

  TempDir dir_;
  testing::ScopedCurrentDir cwd_;
  VirtualClock clock_;
  ScopedClock clockInstalled_;
  DigitizerDescription camera_;
  AcquisitionParameters p_;
  GatedGrabber grabber_;
  GrabberObjects objects_;
  TvLevels levels_;
  CountingEngine engine_{grabber_, objects_};
  SyntheticFrameMaker synthetic_{5};
  RecordingConsole console_;
  int bypassed_ = 0;
};

TEST_F(CountingEngineTest, SetUpAllocatesEverythingAndReleaseFreesItAll) {
  SetUp(kSourceTvIpcs);
  EXPECT_EQ(objects_.setUpDone, 1);
  EXPECT_EQ(console_.shown, (std::vector<std::string>{"notes", "initializing Matrox", "initializing Matrox", "hide notes"}));
  // A 1600 by 1200 monitor gives a 1024 by 1024 display buffer.
  EXPECT_EQ(grabber_.Inquire(objects_.displayBuffer, Inquiry::SizeX), 1024);
  EXPECT_EQ(grabber_.Inquire(objects_.displayBuffer, Inquiry::SizeY), 1024);
  EXPECT_EQ(grabber_.DisplayedBuffer(objects_.display), objects_.displayBuffer);
  EXPECT_EQ(grabber_.Inquire(objects_.hiddenGrab[2], Inquiry::SizeX), 128);
  EXPECT_EQ(grabber_.Inquire(objects_.binary[3], Inquiry::PixelBits), 1);
  EXPECT_EQ(grabber_.DigitizerControl(objects_.digitizer, kControlGrabMode), 2.0);
  EXPECT_EQ(engine_.context(2).grab, objects_.hiddenGrab[1]);
  EXPECT_EQ(engine_.context(0).grab, objects_.displayBuffer);
  EXPECT_EQ(engine_.context(1).discriminator.load(), 100);
  EXPECT_EQ(levels_.appliedBlack, 10);
  EXPECT_EQ(levels_.appliedWhite, 240);
  EXPECT_EQ(grabber_.LiveObjects(), 5 + 3 + 4 + 12);
  ReleaseFrameGrabber(grabber_, objects_, engine_);
  EXPECT_EQ(grabber_.LiveObjects(), 0);
  EXPECT_EQ(grabber_.LastError(), kGrabberOk);  // nothing freed twice or missed
  ReleaseFrameGrabber(grabber_, objects_, engine_);  // released already: nothing to do
  EXPECT_EQ(grabber_.LastError(), kGrabberOk);
}

TEST_F(CountingEngineTest, LevelsTheDigitizerAdjustsAreReadBackAndKept) {
  camera_.referenceStep = 8;
  WriteFile("comptage.dcf", DigitizerDescriptionText(camera_, "coarse references"));
  SetUp(kSourceTvIpcs);
  EXPECT_EQ(levels_.blackLevel, 8);
  EXPECT_EQ(levels_.appliedWhite, 240);
  int stored = 0;
  levels_.blackLevel = 21;
  ApplyTvLevels(grabber_, objects_, levels_, engine_, p_, [&] { ++stored; });
  EXPECT_EQ(levels_.appliedBlack, 16);
  EXPECT_EQ(p_.BlackLevel, 16);
  EXPECT_EQ(stored, 1);
  ApplyTvLevels(grabber_, objects_, levels_, engine_, p_, [&] { ++stored; });  // nothing changed
  EXPECT_EQ(stored, 1);
  levels_.discriminator = 77;
  ApplyDiscriminator(levels_, engine_, p_, [&] { ++stored; });
  for (int k = 0; k < kWorkers; ++k) EXPECT_EQ(engine_.context(k).discriminator.load(), 77);
  EXPECT_EQ(p_.Discri, 77);
  EXPECT_EQ(stored, 2);
}

TEST_F(CountingEngineTest, AMissingCameraFileAsksTheOperator) {
  std::filesystem::remove("comptage.dcf");
  console_.bypass = false;  // "&Cancel": the set-up goes on without the camera
  SetUp(kSourceTvIpcs);
  ASSERT_GE(console_.shown.size(), 3u);
  EXPECT_NE(console_.shown[2].find("comptage.dcf"), std::string::npos);
  EXPECT_EQ(bypassed_, 0);
  EXPECT_EQ(objects_.setUpDone, 1);
  EXPECT_EQ(objects_.digitizer, 0);
  EXPECT_FALSE(engine_.GrabNextFrame());  // nothing to grab
  ReleaseFrameGrabber(grabber_, objects_, engine_);
  EXPECT_EQ(grabber_.LiveObjects(), 0);

  GrabberObjects again;
  CountingEngine engine(grabber_, again);
  console_.bypass = true;
  SetUpContext context{grabber_, again, levels_, engine, synthetic_, console_, [&] { ++bypassed_; }};
  SetUpFrameGrabber(context, p_);
  EXPECT_EQ(bypassed_, 1);
}

TEST_F(CountingEngineTest, CameraFramesAreCountedWithTagsOfTheirWorker) {
  SetUp(kSourceTvIpcs);
  engine_.SetWaitForWorkers(true);
  Steps(80);
  EXPECT_EQ(clock_.MonotonicMs(), 988);  // 80 frames at 12.5 ms
  const auto s = engine_.photons().TakeSnapshot();
  EXPECT_GT(s.frames, 70);  // a few frames may hold no photon
  long perFrame = 0;
  for (int f = 0; f < s.frames; ++f) perFrame += s.photonsPerFrame[f];
  EXPECT_EQ(perFrame, s.events);
  EXPECT_NEAR(s.events, 80 * 20, 300);
  for (int i = 1; i < s.events; ++i) EXPECT_GE(s.tag[i] / 4, s.tag[i - 1] / 4);
  for (int i = 0; i < s.events; ++i) {
    EXPECT_GE(s.x[i], 0.0f);
    EXPECT_LT(s.x[i], 128.0f);
  }
  EXPECT_EQ(engine_.counters().framesGrabbed, 80);
}

TEST_F(CountingEngineTest, AThousandFrameCameraLosesNoFrameWhenTheStoreStepComesASecondLate) {
  camera_.frameRate = 1000;
  WriteFile("comptage.dcf", DigitizerDescriptionText(camera_, "fast camera"));
  SetUp(kSourceTvIpcs);
  engine_.SetWaitForWorkers(true);
  Steps(1000);
  auto s = engine_.photons().TakeSnapshot();
  EXPECT_EQ(s.frames, 1000);  // 20 photons a frame: none is empty
  EXPECT_EQ(s.framesDropped, 0);
  Steps(2000);  // two seconds before the next store step
  s = engine_.photons().TakeSnapshot();
  EXPECT_EQ(clock_.MonotonicMs(), 2999);
  EXPECT_EQ(s.frames, 2000);
  EXPECT_EQ(s.framesDropped, 0);
  long perFrame = 0;
  for (int f = 0; f < s.frames; ++f) perFrame += s.photonsPerFrame[f];
  EXPECT_EQ(perFrame, s.events);
  EXPECT_EQ(s.tag[s.events - 1] / 4, 2999);
  // An 80-frame camera keeps the room it always had.
  EXPECT_EQ(PhotonBuffer::CapacityFor(80), (PhotonBuffer::Capacity{500, 500000}));
  EXPECT_EQ(engine_.photons().capacity(), (PhotonBuffer::Capacity{3000, 3000000}));
}

TEST_F(CountingEngineTest, TheSimulationSourceGivesTheSameEventsEveryFrame) {
  SetUp(kSourceSimulation);
  engine_.SetWaitForWorkers(true);
  // The control monitor shows the synthetic frame as soon as the set-up ends.
  std::vector<std::uint8_t> shown(1024 * 1024);
  grabber_.GetPixels(objects_.displayBuffer, shown.data());
  EXPECT_GT(std::count(shown.begin(), shown.end(), 250), 0);
  Steps(8);
  const auto s = engine_.photons().TakeSnapshot();
  ASSERT_EQ(s.frames, 8);
  const int n = s.photonsPerFrame[0];
  ASSERT_GT(n, 0);
  for (int f = 0; f < 8; ++f) {
    EXPECT_EQ(s.photonsPerFrame[f], n);
    EXPECT_EQ(s.tag[f * n], f * 4 + f % 4);
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(s.x[f * n + i], s.x[i]);
      EXPECT_EQ(s.y[f * n + i], s.y[i]);
    }
  }
}

TEST_F(CountingEngineTest, AnEmptyFrameChangesNoCounter) {
  p_.RandomPoints = 0;
  SetUp(kSourceSimulation);
  engine_.SetWaitForWorkers(true);
  Steps(8);
  EXPECT_EQ(engine_.photons().framesCounted(), 0);
  EXPECT_EQ(engine_.photons().photonsPending(), 0);
  EXPECT_EQ(engine_.counters().framesEmpty, 8);
}

// Isolated pixels (every other column of every other row), count of them.
std::vector<std::uint8_t> IsolatedPixels(int size, int count) {
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(size) * size, 0);
  for (int i = 0; i < count; ++i) frame[static_cast<std::size_t>(2 * (i / (size / 2))) * size + 2 * (i % (size / 2))] = 250;
  return frame;
}

TEST_F(CountingEngineTest, AFrameOf20000BlobsIsRejectedAnd19999Kept) {
  p_.CCDXSize = p_.CCDYSize = 512;
  SetUp(kSourceSimulation);
  engine_.SetWaitForWorkers(true);
  for (int count : {19999, 20000}) {
    const auto frame = IsolatedPixels(512, count);
    for (GrabberId id : objects_.simulationSource) grabber_.PutPixels(id, 0, 0, 512, 512, frame.data());
    Steps(1);
  }
  const auto s = engine_.photons().TakeSnapshot();
  EXPECT_EQ(s.frames, 1);
  EXPECT_EQ(s.events, 19999);
  EXPECT_EQ(engine_.counters().framesRejected, 1);
}

TEST_F(CountingEngineTest, ABusyWorkerLosesItsNextFrameAndTheOthersGoOn) {
  SetUp(kSourceSimulation);
  grabber_.Gate(objects_.binary[2]);
  StepsAround(3, 2);  // frames 0, 1, 2: worker 2 now held in its analysis
  grabber_.WaitHeld();
  StepsAround(4, 2);  // frames 3..6: frame 6 is worker 2's again
  EXPECT_TRUE(engine_.WorkerBusy(2));
  EXPECT_EQ(engine_.counters().framesBusyLost, 1);
  // The terminate flag stops grabbing even while a worker still runs.
  engine_.terminate.store(1);
  const auto grabbedBefore = engine_.counters().framesGrabbed;
  EXPECT_FALSE(engine_.GrabNextFrame());
  EXPECT_EQ(engine_.counters().framesGrabbed, grabbedBefore);
  grabber_.Release();
  engine_.WaitWorkersIdle();
  EXPECT_EQ(engine_.photons().framesCounted(), 6);  // 7 frames grabbed, 1 lost
  ReleaseFrameGrabber(grabber_, objects_, engine_);
  EXPECT_EQ(grabber_.LiveObjects(), 0);
}

TEST_F(CountingEngineTest, TheTvLevelPauseLetsThePendingCountingStepComplete) {
  SetUp(kSourceSimulation);
  HandOverLoop windowThread;
  InstallWindowThread(&windowThread);
  int standby = 0;
  CountingThread comptage(engine_, [&] { ++standby; });
  comptage.Start();
  windowThread.ServeUntil([&] { return engine_.photons().framesCounted() >= 4; });
  levels_.whiteLevel = 200;
  ApplyTvLevels(grabber_, objects_, levels_, engine_, p_, {});
  EXPECT_EQ(levels_.appliedWhite, 200);
  EXPECT_EQ(engine_.tvLevelRequest.load(), 0);
  const int before = engine_.photons().framesCounted();
  windowThread.ServeUntil([&] { return engine_.photons().framesCounted() >= before + 4; });  // counting goes on
  comptage.Stop();
  EXPECT_EQ(standby, 1);
  InstallWindowThread(nullptr);
}

TEST_F(CountingEngineTest, TheTvDisplayShowsFramesOnlyWhileTheTuningContextIsOpen) {
  p_.Source = kSourceSimulation;
  TuningContext tuning;
  TvDisplay display(grabber_, tuning, p_, synthetic_);
  display.ShowNextTvFrame();  // closed: nothing happens
  EXPECT_EQ(grabber_.LiveObjects(), 0);
  OpenTuningContext(grabber_, tuning, /*startUpInProgress=*/true);
  EXPECT_EQ(tuning.open.load(), 0);
  OpenTuningContext(grabber_, tuning, false);
  ASSERT_EQ(tuning.open.load(), 1);
  EXPECT_EQ(clock_.MonotonicMs(), 1000);
  display.ShowNextTvFrame();
  std::vector<std::uint8_t> pixels(1024 * 1024);
  grabber_.GetPixels(tuning.displayBuffer, pixels.data());
  EXPECT_GT(std::count(pixels.begin(), pixels.end(), 250), 0);   // the synthetic spots
  EXPECT_GT(std::count(pixels.begin(), pixels.end(), 255), 20);  // "Simulation grab"
  p_.Source = kSourceTvIpcs;
  display.ShowNextTvFrame();  // direct grabs, paced by the camera: frames 80 and 81
  display.ShowNextTvFrame();
  EXPECT_EQ(clock_.MonotonicMs(), 1013);
  CloseTuningContext(grabber_, tuning, false);
  EXPECT_EQ(tuning.open.load(), 0);
  EXPECT_EQ(grabber_.LiveObjects(), 0);
}

TEST(DisplayBuffer, ADesktopWindowWithoutDigitizerIs512By480) {
  TempDir dir;
  testing::ScopedCurrentDir cwd(dir.path());
  WriteFile("ecran.vcf", DisplayDescriptionText(DisplayDescription{}, "desktop"));
  SoftwareGrabber grabber;
  const GrabberId system = grabber.AllocSystem(grabber.AllocApplication(), "");
  const GrabberId display = grabber.AllocDisplay(system, "ecran.vcf");
  const auto g = DisplayBufferSize(grabber, display, 0);
  EXPECT_EQ(g.sizeX, 512);
  EXPECT_EQ(g.sizeY, 480);
  EXPECT_EQ(g.usage, kProcessable | kDisplayable);
  DigitizerDescription small;
  small.sizeX = small.sizeY = 256;
  WriteFile("comptage.dcf", DigitizerDescriptionText(small, "small"));
  const auto withCamera = DisplayBufferSize(grabber, display, grabber.AllocDigitizer(system, "comptage.dcf"));
  EXPECT_EQ(withCamera.sizeX, 512);  // raised to the minimum
  EXPECT_EQ(withCamera.usage, kProcessable | kDisplayable | kGrabbable);
}

}  // namespace
}  // namespace velmar
