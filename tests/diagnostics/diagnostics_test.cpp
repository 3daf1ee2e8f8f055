// The counting test and the grabber tests on the real software grabber and the
// simulated camera, on the virtual clock; the parallel-line test on the simulated bench.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "analogic/image_files.h"
#include "diagnostics/counting_test.h"
#include "diagnostics/grabber_test.h"
#include "diagnostics/parallel_test.h"
#include "diagnostics/test_image.h"
#include "engine/blob_analysis.h"
#include "engine/counting_engine.h"
#include "engine/frame_grabber_setup.h"
#include "engine/grabber_files.h"
#include "engine/software_grabber.h"
#include "instruments/simulated_bench.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::WriteFile;

class RecordingHost : public CountingTestHost {
 public:
  void ShowDone(const std::string& text) override { done.push_back(text); }
  void CrossesDrawing(bool drawing) override { drawingStates.push_back(drawing); }
  void ProcessMessages() override {
    ++batches;
    if (abortAtBatch && batches == abortAtBatch && test) test->crossesAbort = 1;
  }
  std::vector<std::string> done;
  std::vector<bool> drawingStates;
  int batches = 0;
  int abortAtBatch = 0;
  CountingTest* test = nullptr;
};

class NoFrameGrabberConsole : public FrameGrabberConsole {
 public:
  void ShowInitMatroxNotes() override {}
  void HideInitMatroxNotes() override {}
  bool AskBypassAfterGrabberError(const std::string&) override { return false; }
  void ShowCountingState(CountingState) override {}
};

// 8-connected blobs of the pixels at or above bound, counted by a plain flood fill:
// an answer that owes nothing to the program's detection.
int ReferenceBlobCount(const GreyImage& image, int bound) {
  std::vector<char> seen(image.pixels.size(), 0);
  int blobs = 0;
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * image.width + x;
      if (seen[at] || image.pixels[at] < bound) continue;
      ++blobs;
      seen[at] = 1;
      stack.push_back({x, y});
      while (!stack.empty()) {
        const auto [cx, cy] = stack.back();
        stack.pop_back();
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = cx + dx, ny = cy + dy;
            if (nx < 0 || ny < 0 || nx >= image.width || ny >= image.height) continue;
            const std::size_t n = static_cast<std::size_t>(ny) * image.width + nx;
            if (seen[n] || image.pixels[n] < bound) continue;
            seen[n] = 1;
            stack.push_back({nx, ny});
          }
      }
    }
  return blobs;
}

class CountingTestFixture : public ::testing::Test {
 protected:
  CountingTestFixture() : cwd_(dir_.path()), system_(dir_.path() / "system"), clockInstalled_(clock_), errorsInstalled_(errors_) {
    camera_.sizeX = 160;
    camera_.sizeY = 120;
    camera_.photonRate = 60;
    camera_.peakGreyMin = 40;
    camera_.peakGreyMax = 250;
    camera_.darkNoise = 0;
    WriteFile("comptage.dcf", DigitizerDescriptionText(camera_, "test camera"));
    DisplayDescription monitor;
    monitor.desktopWindow = true;
    WriteFile("ecran.vcf", DisplayDescriptionText(monitor, "test monitor"));
    p_.CCDXSize = 160;
    p_.CCDYSize = 120;
    host_.test = &test_;
  }
  std::vector<std::uint8_t> Shown() {
    const GrabberId b = test_.displayBuffer();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(grabber_.Inquire(b, Inquiry::SizeX)) *
                                     grabber_.Inquire(b, Inquiry::SizeY));
    grabber_.GetPixels(b, pixels.data());
    return pixels;
  }
  GreyImage Saved() {
    GreyImage image;
    EXPECT_EQ(LoadTestImage(test_.testImagePath(), image), "");
    return image;
  }

  TempDir dir_;
  testing::ScopedCurrentDir cwd_;
  testing::ScopedSystemDir system_;
  VirtualClock clock_;
  ScopedClock clockInstalled_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter errorsInstalled_;
  DigitizerDescription camera_;
  AcquisitionParameters p_;
  SoftwareGrabber grabber_;
  RecordingHost host_;
  CountingTest test_{grabber_, p_, host_};
};

TEST_F(CountingTestFixture, AFrameIsSavedAnalysedMarkedAndReanalysedWithANewDiscriminatorWithoutGrabbing) {
  test_.TestFrame(kTestOpen);
  ASSERT_TRUE(test_.contextOpen());
  EXPECT_EQ(test_.testImagePath(), (dir_.path() / "system" / "test.tif").string());
  test_.settings.discriminator = 20;
  test_.TestFrame(kTestAcquire);
  const GreyImage frame = Saved();
  ASSERT_EQ(frame.width, 160);
  ASSERT_EQ(frame.height, 120);
  const int low = test_.photonsFound();
  EXPECT_EQ(low, ReferenceBlobCount(frame, 20));
  EXPECT_GT(low, 20);
  EXPECT_EQ(host_.done.front(), "Working...");
  EXPECT_EQ(host_.done.back(), "Done ! " + std::to_string(low) + " photons detected in this frame");
  // Every photon's cross is on the monitor, in grey 240.
  const std::vector<std::uint8_t> shown = Shown();
  const int width = grabber_.Inquire(test_.displayBuffer(), Inquiry::SizeX);
  for (std::size_t i = 0; i < test_.photonX().size(); ++i) {
    const int x = test_.photonX()[i], y = test_.photonY()[i];
    if (x >= 8) EXPECT_EQ(shown[static_cast<std::size_t>(y) * width + x - 8], 240);
    if (y + 8 < 120) EXPECT_EQ(shown[static_cast<std::size_t>(y + 8) * width + x], 240);
  }
  EXPECT_EQ(host_.drawingStates, (std::vector<bool>{true, false}));

  // A higher discriminator on the saved frame: fewer photons, the same file, no grab.
  const std::int64_t before = clock_.MonotonicMs();
  test_.settings.discriminator = 150;
  test_.TestFrame(kTestShowPositions);
  EXPECT_EQ(clock_.MonotonicMs(), before);  // a grab would wait for the camera's next frame
  EXPECT_EQ(Saved().pixels, frame.pixels);
  EXPECT_EQ(test_.photonsFound(), ReferenceBlobCount(frame, 150));
  EXPECT_LT(test_.photonsFound(), low);
  EXPECT_EQ(host_.done.back(), "Done ! " + std::to_string(test_.photonsFound()) + " photons detected in this frame");

  // The binarisation on the monitor: 255 exactly where the frame reaches the discriminator.
  test_.TestFrame(kTestShowBinarization);
  const std::vector<std::uint8_t> binary = Shown();
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x)
      ASSERT_EQ(binary[static_cast<std::size_t>(y) * width + x], frame.pixels[y * 160 + x] >= 150 ? 255 : 0);
  // The source again, without crosses.
  test_.TestFrame(kTestShowSource);
  const std::vector<std::uint8_t> source = Shown();
  for (int y = 0; y < 120; ++y)
    ASSERT_TRUE(std::equal(frame.pixels.begin() + y * 160, frame.pixels.begin() + (y + 1) * 160,
                           source.begin() + static_cast<std::ptrdiff_t>(y) * width));

  test_.TestFrame(kTestClose);
  EXPECT_EQ(grabber_.LiveObjects(), 0);
  EXPECT_TRUE(errors_.reported().empty());
}

TEST_F(CountingTestFixture, AFrameOfMoreThan19999BlobsReportsNoPhotonAndDrawsNoCross) {
  test_.TestFrame(kTestOpen);
  // Isolated pixels two apart: 80 x 60 = 4800 blobs, kept; then a wider frame of 20000.
  GreyImage dots{160, 120, std::vector<std::uint8_t>(160 * 120, 0)};
  for (int y = 0; y < 120; y += 2)
    for (int x = 0; x < 160; x += 2) dots.pixels[y * 160 + x] = 200;
  ASSERT_EQ(SaveTestImage(test_.testImagePath(), dots), "");
  test_.TestFrame(kTestShowPositions);
  EXPECT_EQ(test_.photonsFound(), 4800);
  EXPECT_EQ(host_.batches, 4800 / 20);

  p_.CCDXSize = 400;
  p_.CCDYSize = 200;
  CountingTest wide(grabber_, p_, host_);
  wide.TestFrame(kTestOpen);
  GreyImage many{400, 200, std::vector<std::uint8_t>(400 * 200, 0)};
  for (int y = 0; y < 200; y += 2)
    for (int x = 0; x < 400; x += 2) many.pixels[y * 400 + x] = 200;  // exactly 20000
  ASSERT_EQ(SaveTestImage(wide.testImagePath(), many), "");
  host_.drawingStates.clear();
  wide.TestFrame(kTestShowPositions);
  EXPECT_EQ(wide.photonsFound(), 0);
  EXPECT_TRUE(host_.drawingStates.empty());
  std::vector<std::uint8_t> shown(1024 * 1024);
  grabber_.GetPixels(wide.displayBuffer(), shown.data());
  EXPECT_EQ(std::count(shown.begin(), shown.end(), 240), 0);
  EXPECT_EQ(host_.done.back(), "Done ! 0 photons detected in this frame");
}

TEST_F(CountingTestFixture, AbortingTheCrossesStopsTheMarkingAtTheNextBatch) {
  test_.TestFrame(kTestOpen);
  GreyImage dots{160, 120, std::vector<std::uint8_t>(160 * 120, 0)};
  for (int y = 10; y < 120; y += 20)
    for (int x = 10; x < 160; x += 20) dots.pixels[y * 160 + x] = 200;  // 6 x 8 = 48 photons
  ASSERT_EQ(SaveTestImage(test_.testImagePath(), dots), "");
  host_.abortAtBatch = 2;  // pressed while the second batch of 20 is due
  test_.TestFrame(kTestShowPositions);
  EXPECT_EQ(test_.photonsFound(), 48);
  const std::vector<std::uint8_t> shown = Shown();
  const int width = grabber_.Inquire(test_.displayBuffer(), Inquiry::SizeX);
  int marked = 0;
  for (std::size_t i = 0; i < 48; ++i)
    marked += shown[static_cast<std::size_t>(test_.photonY()[i]) * width + test_.photonX()[i] + 1] == 240;
  EXPECT_EQ(marked, 20);
  EXPECT_EQ(host_.drawingStates, (std::vector<bool>{true, false}));
}

TEST_F(CountingTestFixture, TheCountingTestFindsTheSamePhotonsAsTheAcquisitionOnOneFrame) {
  // The acquisition on the simulation source: every worker analyses the set-up's frame.
  p_.Source = kSourceSimulation;
  p_.RandomPoints = 70;
  p_.Discri = 60;
  GrabberObjects objects;
  TvLevels levels;
  CountingEngine engine(grabber_, objects);
  SyntheticFrameMaker synthetic(11);
  NoFrameGrabberConsole console;
  SetUpContext context{grabber_, objects, levels, engine, synthetic, console, [] {}};
  SetUpFrameGrabber(context, p_);
  engine.SetWaitForWorkers(true);
  engine.GrabNextFrame();
  const auto snapshot = engine.photons().TakeSnapshot();
  ASSERT_EQ(snapshot.frames, 1);
  ASSERT_GT(snapshot.events, 30);

  GreyImage frame{160, 120, std::vector<std::uint8_t>(160 * 120)};
  grabber_.GetPixels(objects.simulationSource[0], frame.pixels.data());
  test_.TestFrame(kTestOpen);
  ASSERT_EQ(SaveTestImage(test_.testImagePath(), frame), "");
  test_.settings.discriminator = 60;
  test_.TestFrame(kTestShowPositions);
  ASSERT_EQ(test_.photonsFound(), snapshot.events);
  for (int i = 0; i < snapshot.events; ++i) {
    EXPECT_EQ(test_.photonX()[i], static_cast<std::int16_t>(snapshot.x[i]));
    EXPECT_EQ(test_.photonY()[i], static_cast<std::int16_t>(snapshot.y[i]));
  }
  test_.TestFrame(kTestClose);
  ReleaseFrameGrabber(grabber_, objects, engine);
  engine.StopWorkers();
}

TEST_F(CountingTestFixture, SimulatedFramesAndAMissingSavedFrame) {
  test_.TestFrame(kTestOpen);
  test_.settings.simulation = 1;
  test_.settings.randomPoints = 24;
  test_.settings.regularArray = 1;
  test_.TestFrame(kTestAcquire);
  EXPECT_EQ(test_.photonsFound(), 24);  // a regular array keeps its spots apart
  std::set<int> columns(test_.photonX().begin(), test_.photonX().end());
  std::set<int> rows(test_.photonY().begin(), test_.photonY().end());
  EXPECT_EQ(columns.size() * rows.size(), 24u);
  test_.settings.regularArray = 0;
  test_.TestFrame(kTestAcquire);
  EXPECT_GT(test_.photonsFound(), 15);  // random spots may merge
  EXPECT_LE(test_.photonsFound(), 24);

  fs::remove(test_.testImagePath());
  test_.TestFrame(kTestShowPositions);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line1, "Impossible to read the test frame");

  // No instrument defined yet: the frame cannot be grabbed, and the observer is told.
  p_.CCDXSize = p_.CCDYSize = 0;
  CountingTest undefined(grabber_, p_, host_);
  undefined.TestFrame(kTestOpen);
  undefined.TestFrame(kTestAcquire);
  ASSERT_EQ(errors_.reported().size(), 2u);
  EXPECT_EQ(errors_.reported()[1].line1, "No camera size to grab a frame of");
  EXPECT_FALSE(fs::exists(test_.testImagePath()));
}

TEST_F(CountingTestFixture, ReliefWeightsTheCentresByTheGreyLevelsOfTheSameBlobs) {
  test_.TestFrame(kTestOpen);
  GreyImage spots{160, 120, std::vector<std::uint8_t>(160 * 120, 0)};
  // A four-pixel spot bright at its right end; an L-shaped spot; a lone pixel.
  for (int x = 30; x < 33; ++x) spots.pixels[20 * 160 + x] = 40;
  spots.pixels[20 * 160 + 33] = 255;
  for (int y = 60; y < 63; ++y) spots.pixels[y * 160 + 80] = 100;
  spots.pixels[62 * 160 + 81] = 100;
  spots.pixels[100 * 160 + 10] = 200;
  ASSERT_EQ(SaveTestImage(test_.testImagePath(), spots), "");
  test_.settings.discriminator = 40;
  test_.TestFrame(kTestShowPositions);
  ASSERT_EQ(test_.photonsFound(), 3);
  const std::vector<std::int16_t> plainX = test_.photonX();
  EXPECT_EQ(plainX, (std::vector<std::int16_t>{31, 80, 10}));  // 31.5 and 80.25 truncated

  test_.settings.relief = 1;
  test_.TestFrame(kTestShowPositions);
  ASSERT_EQ(test_.photonsFound(), 3);
  EXPECT_EQ(test_.photonX(), (std::vector<std::int16_t>{32, 80, 10}));  // 32.36: the same blobs, in order
  EXPECT_EQ(test_.photonY(), (std::vector<std::int16_t>{20, 61, 100}));
  // The weighting itself, on the grabber's own result.
  BitImage bits;
  Binarize(spots.pixels.data(), 160, 120, 160, 40, bits);
  BlobList weighted;
  GreyWeightedBlobs(bits, spots.pixels.data(), 160, weighted);
  ASSERT_EQ(weighted.count(), 3u);
  EXPECT_NEAR(weighted.centerX[0], (30 * 40 + 31 * 40 + 32 * 40 + 33 * 255) / 375.0, 1e-4);
  EXPECT_FLOAT_EQ(weighted.centerX[1], 80.25f);
  EXPECT_FLOAT_EQ(weighted.centerY[1], 61.25f);
  EXPECT_FLOAT_EQ(weighted.area[1], 4.0f);
  EXPECT_TRUE(errors_.reported().empty());
}

TEST(SingleFrameImage, TheResampledImageSamplesRowsAndColumnsUpToSizeLessTwo) {
  // Markers on the first and the last two rows, then on the first and last two columns.
  std::vector<std::uint8_t> rows(768 * 288, 0), columns(768 * 288, 0);
  for (int x = 0; x < 768; ++x) {
    rows[x] = 10;
    rows[286 * 768 + x] = 20;
    rows[287 * 768 + x] = 40;
  }
  for (int y = 0; y < 288; ++y) {
    columns[y * 768] = 10;
    columns[y * 768 + 766] = 20;
    columns[y * 768 + 767] = 40;
  }
  int w = 0, h = 0;
  const std::vector<float> byRow = SingleFrameRows(kFrameResampled512, rows, 768, 288, false, w, h);
  ASSERT_EQ(w, 512);
  ASSERT_EQ(h, 512);
  EXPECT_FLOAT_EQ(byRow[0], 5.0f);               // rows 0 and 1
  EXPECT_FLOAT_EQ(byRow[511 * 512 + 7], 30.0f);  // rows 286 and 287: 287.4 rounds to 287, held at 286
  EXPECT_FLOAT_EQ(byRow[1 * 512], 0.0f);         // 0.5625 rounds to row 1: rows 1 and 2
  const std::vector<float> byColumn = SingleFrameRows(kFrameResampled512, columns, 768, 288, false, w, h);
  EXPECT_FLOAT_EQ(byColumn[0], 5.0f);
  EXPECT_FLOAT_EQ(byColumn[200 * 512 + 511], 30.0f);  // 766.5 rounds to 767, held at 766

  // The DALSA swap mirrors the right half from the source as the camera sends it.
  std::vector<std::uint8_t> ramp(8 * 1);
  for (int x = 0; x < 8; ++x) ramp[x] = static_cast<std::uint8_t>(x);
  const std::vector<float> swapped = SingleFrameRows(kFrameDalsa, ramp, 8, 1, true, w, h);
  EXPECT_EQ(swapped, (std::vector<float>{0, 1, 2, 3, 3, 2, 1, 0}));
  EXPECT_EQ(SingleFrameRows(kFrameDalsa, ramp, 8, 1, false, w, h), (std::vector<float>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(CountingTestFixture, ASingleFrameIsWrittenAsA2DImageAndTheFrameRateMeasured) {
  GrabSingleFrame(grabber_, p_, kFrameFull, dir_.file("one.VL2"));
  std::string error;
  const auto image = ReadImageFile(dir_.file("one.VL2"), error);
  ASSERT_TRUE(image) << error;
  EXPECT_EQ(image->dimensions, 2);
  EXPECT_EQ(image->sizeX, 160);
  EXPECT_EQ(image->sizeY, 120);
  EXPECT_EQ(image->text, kGrabbedImageText);
  EXPECT_GT(*std::max_element(image->values.begin(), image->values.end()), 39.0f);

  EXPECT_FALSE(GrabSingleFrame(grabber_, p_, kFrameResampled512, dir_.file("no/such/dir/two.VL2")));
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line1, "Impossible to create the DV2 output file");

  EXPECT_NEAR(MeasureFrameRate(grabber_), 80.0, 1.0);
  {
    // A measurement across midnight: the time of day goes back, the rate stays right.
    VirtualClock night(LocalTime{2026, 12, 8, 23, 59, 59, 500});
    ScopedClock installed(night);
    EXPECT_NEAR(MeasureFrameRate(grabber_), 80.0, 1.0);
  }
  EXPECT_EQ(grabber_.LastError(), 0);
  EXPECT_EQ(grabber_.LiveObjects(), 0);
}

class ParallelHost : public ParallelTestHost {
 public:
  explicit ParallelHost(int steps) : steps_(steps) {}
  void ShowSending(const std::string& text) override { shown.push_back(text); }
  void WaitStep() override { WaitSeconds(0.5); }
  bool StopRequested() override { return static_cast<int>(shown.size()) >= steps_; }
  std::vector<std::string> shown;

 private:
  int steps_;
};

class NoCs100Console : public Cs100Console {
 public:
  void ShowLinkState(CountingState) override {}
  void RestoreCountingState() override {}
};

TEST(ParallelLineTest, EveryLineIsLitInTurnThenAllOffAndOnTwiceUntilStopped) {
  VirtualClock clock;
  ScopedClock installed(clock);
  AcquisitionParameters p;
  AcquisitionState s;
  p.CS100Link = 0;
  p.AxiomBoard = 0;
  s.shutterState = 1;  // closed: bit 5 of port 3 stays off
  SimulatedBench bench;
  InstrumentBoard board(bench, p, s);
  NoCs100Console console;
  Cs100Link link(p, s, board, console, [] {});
  ParallelHost host(17 + 2);  // a round and two steps of the next
  RunParallelTest(link, host);

  std::vector<SimulatedBench::Write> expected;
  std::vector<int> values = {0};
  for (int v = 1; v <= 2048; v *= 2) values.push_back(v);
  for (int v : {0, 0xFFF, 0, 0xFFF, 0, 1}) values.push_back(v);
  for (int v : values) {
    expected.push_back({1, 2, static_cast<std::uint16_t>(v & 0xFF), 0xFF});
    expected.push_back({1, 3, static_cast<std::uint16_t>(v >> 8), 0xFF});
  }
  EXPECT_EQ(bench.writes(), expected);
  ASSERT_EQ(host.shown.size(), 19u);
  EXPECT_EQ(host.shown[0], "Sending 0 = 000H");
  EXPECT_EQ(host.shown[12], "Sending 2048 = 800H");
  EXPECT_EQ(host.shown[13], "Sending 0");
  EXPECT_EQ(host.shown[14], "Sending FFF");
  EXPECT_EQ(host.shown[17], "Sending 0 = 000H");
  EXPECT_EQ(clock.MonotonicMs(), 19 * 500);
}

}  // namespace
}  // namespace velmar
