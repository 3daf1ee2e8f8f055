#pragma once
// The counting test: single frames grabbed (or simulated) with the TV levels and the
// discriminator being tuned, saved to "test.tif", binarised and their photons found
// by the acquisition's own detection and marked with crosses on the control monitor.
// It opens a frame-grabber context of its own when its window is shown and frees it
// when the window is left, so it never runs together with an acquisition.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/grabber.h"
#include "engine/photon_detection.h"
#include "engine/synthetic_frame.h"
#include "params/acquisition_parameters.h"

namespace velmar {

// What the window shows while a frame is worked on.
class CountingTestHost {
 public:
  virtual ~CountingTestHost() = default;
  virtual void ShowDone(const std::string& text) = 0;  // the result label
  // "Abort crosses display" is enabled only while crosses are drawn.
  virtual void CrossesDrawing(bool drawing) = 0;
  // Pending window messages (an abort of the crosses among them).
  virtual void ProcessMessages() = 0;
};

enum TestFrameMode : int {
  kTestOpen = 0,
  kTestAcquire = 1,
  kTestClose = 2,
  kTestShowSource = 3,
  kTestShowBinarization = 4,
  kTestShowPositions = 5,
};

// The window's levels and choices, as they are when it is shown.
struct CountingTestSettings {
  std::int32_t discriminator = 20;
  std::int32_t blackLevel = 51;
  std::int32_t whiteLevel = 255;
  std::int32_t randomPoints = 50;
  std::int32_t simulation = 0;    // 0 TV IPCS, 1 random simulation
  std::int32_t relief = 0;        // blob measurement also on the grey image
  std::int32_t regularArray = 0;  // simulated photons on a regular array
};

inline constexpr int kCrossHalfSize = 8;
inline constexpr int kCrossGrey = 240;
inline constexpr int kCrossesPerBatch = 20;

// A synthetic frame with the photons on a regular array of 3 by 3 spots of grey 250
// spread over the frame, at least 4 pixels apart (so they stay apart); returns how
// many were placed (fewer than asked when the frame cannot hold them apart).
int MakeRegularArrayFrame(int spots, int sizeX, int sizeY, std::vector<std::uint8_t>& frame);

class CountingTest {
 public:
  CountingTest(Grabber& grabber, const AcquisitionParameters& p, CountingTestHost& host);
  ~CountingTest();
  CountingTest(const CountingTest&) = delete;
  CountingTest& operator=(const CountingTest&) = delete;

  // Every frame-grabber step of the window; the result label says "Working..."
  // first and "Done ! %d photons detected in this frame" last.
  void TestFrame(int mode);

  CountingTestSettings settings;
  std::int32_t crossesAbort = 0;  // set by "Abort crosses display"

  std::int32_t photonsFound() const { return photonsFound_; }
  int frameX() const { return frameX_; }
  int frameY() const { return frameY_; }
  bool contextOpen() const { return system_ != 0; }
  GrabberId displayBuffer() const { return displayed_; }
  // Photon positions of the last analysis, as the blob result gives them in 16 bits.
  const std::vector<std::int16_t>& photonX() const { return photonX_; }
  const std::vector<std::int16_t>& photonY() const { return photonY_; }
  // "test.tif" in the system directory unless a test names another.
  void SetTestImagePath(std::string path) { testImagePath_ = std::move(path); }
  const std::string& testImagePath() const { return testImagePath_; }

 private:
  void Open();
  void Close();
  void Acquire();
  bool SaveFrame(GrabberId source);
  bool LoadFrame(GrabberId into);
  void FindAndMark(GrabberId grey);
  void MarkCrosses(std::int32_t count);
  void WriteCount(int x, int y, const std::string& text);

  Grabber& grabber_;
  const AcquisitionParameters& p_;
  CountingTestHost& host_;
  SyntheticFrameMaker synthetic_;
  std::string testImagePath_;
  int frameX_ = 0, frameY_ = 0;
  GrabberId application_ = 0, system_ = 0, display_ = 0, digitizer_ = 0, displayed_ = 0;
  GrabberId grabbable_ = 0, simulationBuffer_ = 0;
  DetectionObjects detection_;
  std::int32_t photonsFound_ = 0;
  std::vector<float> x_, y_;
  std::vector<std::int16_t> photonX_, photonY_;
};

}  // namespace velmar
