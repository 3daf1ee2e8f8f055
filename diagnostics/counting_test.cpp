#include "diagnostics/counting_test.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/test_image.h"
#include "engine/bitmap_font.h"
#include "engine/frame_grabber_setup.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

int MakeRegularArrayFrame(int spots, int sizeX, int sizeY, std::vector<std::uint8_t>& frame) {
  const int n = std::max(sizeX, 0), m = std::max(sizeY, 0);
  frame.assign(static_cast<std::size_t>(n) * m, 0);
  if (spots <= 0 || n < 5 || m < 5) return 0;
  // Columns and rows in the frame's proportions; spots at the centres of the cells.
  int columns = std::max(1, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(spots) * n / m))));
  columns = std::min(columns, (n - 1) / 4);
  int rows = std::min((spots + columns - 1) / columns, (m - 1) / 4);
  columns = std::max(columns, 1);
  rows = std::max(rows, 1);
  int placed = 0;
  for (int r = 0; r < rows && placed < spots; ++r)
    for (int c = 0; c < columns && placed < spots; ++c, ++placed) {
      const int a = static_cast<int>((c + 0.5) * n / columns), b = static_cast<int>((r + 0.5) * m / rows);
      for (int j = -1; j <= 1; ++j)
        for (int k = -1; k <= 1; ++k) {
          const int column = a + k, row = b + j;
          if (column >= 1 && column <= n - 1 && row >= 1 && row <= m - 1)
            frame[static_cast<std::size_t>(row) * n + column] = 250;
        }
    }
  return placed;
}

CountingTest::CountingTest(Grabber& grabber, const AcquisitionParameters& p, CountingTestHost& host)
    : grabber_(grabber),
      p_(p),
      host_(host),
      testImagePath_(SystemFile(kTestImageFileName).string()),
      x_(kMaxBlobsPerFrame),
      y_(kMaxBlobsPerFrame) {}

CountingTest::~CountingTest() { Close(); }

void CountingTest::TestFrame(int mode) {
  host_.ShowDone("Working...");
  switch (mode) {
    case kTestOpen: Open(); break;
    case kTestAcquire: Acquire(); break;
    case kTestClose: Close(); break;
    case kTestShowSource:
      if (displayed_) LoadFrame(displayed_);
      break;
    case kTestShowBinarization:
      if (grabbable_ && displayed_ && LoadFrame(grabbable_)) {
        // The binary image shown: 255 where the pixel is at or above the discriminator.
        BinarizeFrame(grabber_, grabbable_, detection_, settings.discriminator);
        std::vector<std::uint8_t> bits(static_cast<std::size_t>(frameX_) * frameY_);
        grabber_.GetPixels(detection_.binary, bits.data());
        for (auto& b : bits) b = b ? 255 : 0;
        grabber_.Clear(displayed_, 0);
        grabber_.PutPixels(displayed_, 0, 0, frameX_, frameY_, bits.data());
      }
      break;
    case kTestShowPositions:
      // The saved frame analysed again with the discriminator now in force: no grab.
      if (displayed_ && LoadFrame(displayed_)) {
        BinarizeFrame(grabber_, displayed_, detection_, settings.discriminator);
        FindAndMark(displayed_);
      }
      break;
    default: break;
  }
  host_.ShowDone(Format("Done ! %d photons detected in this frame", photonsFound_));
}

void CountingTest::Open() {
  if (system_) return;
  if (p_.ThomsonCamera) {
    frameX_ = 768;
    frameY_ = 288;
  } else {
    frameX_ = p_.CCDXSize;
    frameY_ = p_.CCDYSize;
  }
  OpenDisplayContext(grabber_, application_, system_, display_, digitizer_, displayed_);
  if (digitizer_) grabber_.SetDigitizerControl(digitizer_, kControlGrabMode, 2.0);
  if (!system_) return;
  detection_.areaList = grabber_.AllocFeatureList(system_);
  detection_.centroidList = grabber_.AllocFeatureList(system_);
  detection_.blobResult = grabber_.AllocBlobResult(system_);
  if (detection_.blobResult) grabber_.SetBlobControl(detection_.blobResult, kBlobControlIdentification, 16.0);
  if (detection_.areaList) grabber_.SelectFeature(detection_.areaList, BlobFeature::Area);
  if (detection_.centroidList) {
    grabber_.SelectFeature(detection_.centroidList, BlobFeature::CenterOfGravityX);
    grabber_.SelectFeature(detection_.centroidList, BlobFeature::CenterOfGravityY);
  }
  if (frameX_ <= 0 || frameY_ <= 0) return;
  detection_.binary = grabber_.AllocBuffer(system_, 1, frameX_, frameY_, 1, kProcessable);
  grabbable_ = grabber_.AllocBuffer(system_, 1, frameX_, frameY_, 8, kProcessable | (digitizer_ ? kGrabbable : 0u));
  simulationBuffer_ = grabber_.AllocBuffer(system_, 1, frameX_, frameY_, 8, kProcessable | kDisplayable);
}

void CountingTest::Close() {
  auto free = [&](GrabberId& id) {
    if (id) grabber_.Free(id);
    id = 0;
  };
  free(detection_.blobResult);
  free(detection_.centroidList);
  free(detection_.areaList);
  free(simulationBuffer_);
  free(grabbable_);
  free(detection_.binary);
  free(displayed_);
  free(digitizer_);
  free(display_);
  free(system_);
  free(application_);
}

void CountingTest::Acquire() {
  if (displayed_ && (frameX_ <= 0 || frameY_ <= 0)) {
    ShowError("No camera size to grab a frame of", Format("Size X = %d, Size Y = %d", frameX_, frameY_),
              "Define the instrument in the parameters window first.");
    return;
  }
  if (!displayed_ || !grabbable_) return;
  if (digitizer_) {
    grabber_.SetDigitizerControl(digitizer_, kControlBlackReference, settings.blackLevel);
    grabber_.SetDigitizerControl(digitizer_, kControlWhiteReference, settings.whiteLevel);
  }
  GrabberId analysed = displayed_;
  if (settings.simulation) {
    std::vector<std::uint8_t> frame;
    if (settings.regularArray)
      MakeRegularArrayFrame(settings.randomPoints, frameX_, frameY_, frame);
    else
      synthetic_.MakeSyntheticFrame(settings.randomPoints, frameX_, frameY_, frame);
    const int rows = frameX_ > 0 ? static_cast<int>(frame.size() / frameX_) : 0;
    grabber_.Clear(displayed_, 0);
    grabber_.PutPixels(displayed_, 0, 0, frameX_, rows, frame.data());
    grabber_.PutPixels(simulationBuffer_, 0, 0, frameX_, rows, frame.data());
    if (digitizer_) grabber_.Grab(digitizer_, grabbable_);  // the camera paces the test as it paces counting
    analysed = simulationBuffer_;
  } else if (digitizer_) {
    grabber_.Grab(digitizer_, displayed_);
  }
  SaveFrame(analysed);
  BinarizeFrame(grabber_, analysed, detection_, settings.discriminator);
  FindAndMark(analysed);
  WriteCount(176, 600, Format("Single TV Photon Counting image.    %d photons detected in this frame", photonsFound_));
  WriteCount(550, 10, Format("%d photons", photonsFound_));
}

void CountingTest::WriteCount(int x, int y, const std::string& text) {
  // The counts are placed for a large monitor; on a smaller one they are moved in
  // from the right and bottom edges so the observer still reads them.
  const int width = grabber_.Inquire(displayed_, Inquiry::SizeX), height = grabber_.Inquire(displayed_, Inquiry::SizeY);
  const int textWidth = static_cast<int>(text.size()) * kGlyphWidth;
  x = std::max(0, std::min(x, width - textWidth));
  y = std::max(0, std::min(y, height - kGlyphHeight));
  grabber_.DrawText(displayed_, x, y, text);
}

bool CountingTest::SaveFrame(GrabberId source) {
  const int sourceX = grabber_.Inquire(source, Inquiry::SizeX), sourceY = grabber_.Inquire(source, Inquiry::SizeY);
  std::vector<std::uint8_t> all(static_cast<std::size_t>(sourceX) * sourceY);
  grabber_.GetPixels(source, all.data());
  // The frame is the source's top-left part (a display-sized buffer holds it there).
  GreyImage image{frameX_, frameY_, std::vector<std::uint8_t>(static_cast<std::size_t>(frameX_) * frameY_)};
  for (int y = 0; y < std::min(frameY_, sourceY); ++y)
    std::copy_n(all.begin() + static_cast<std::ptrdiff_t>(y) * sourceX, std::min(frameX_, sourceX),
                image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * frameX_);
  const std::string error = SaveTestImage(testImagePath_, image);
  if (!error.empty()) {
    ShowError("Impossible to save the test frame", testImagePath_, error);
    return false;
  }
  return true;
}

bool CountingTest::LoadFrame(GrabberId into) {
  GreyImage image;
  std::string error = LoadTestImage(testImagePath_, image);
  if (error.empty() && (image.width != frameX_ || image.height != frameY_))
    error = Format("the saved frame is %d by %d, the camera's %d by %d: acquire a frame again", image.width,
                   image.height, frameX_, frameY_);
  if (!error.empty()) {
    ShowError("Impossible to read the test frame", testImagePath_, error);
    return false;
  }
  if (into == displayed_) grabber_.Clear(displayed_, 0);
  grabber_.PutPixels(into, 0, 0, image.width, image.height, image.pixels.data());
  return true;
}

void CountingTest::FindAndMark(GrabberId grey) {
  const DetectionResult found =
      FindPhotons(grabber_, detection_, x_.data(), y_.data(), settings.relief ? grey : 0);
  photonsFound_ = found.photons;
  photonX_.resize(static_cast<std::size_t>(found.photons));
  photonY_.resize(static_cast<std::size_t>(found.photons));
  for (std::int32_t i = 0; i < found.photons; ++i) {
    photonX_[i] = static_cast<std::int16_t>(x_[i]);
    photonY_[i] = static_cast<std::int16_t>(y_[i]);
  }
  MarkCrosses(found.photons);
}

void CountingTest::MarkCrosses(std::int32_t count) {
  if (count <= 0 || !displayed_) return;
  const int width = grabber_.Inquire(displayed_, Inquiry::SizeX), height = grabber_.Inquire(displayed_, Inquiry::SizeY);
  std::vector<std::uint8_t> picture(static_cast<std::size_t>(width) * height);
  grabber_.GetPixels(displayed_, picture.data());
  auto plot = [&](int x, int y) {
    if (x >= 0 && x < width && y >= 0 && y < height) picture[static_cast<std::size_t>(y) * width + x] = kCrossGrey;
  };
  crossesAbort = 0;
  host_.CrossesDrawing(true);
  for (std::int32_t i = 0; i < count; ++i) {
    if (i % kCrossesPerBatch == 0) {
      // The crosses drawn so far reach the monitor, and the operator may abort.
      if (i > 0) grabber_.PutPixels(displayed_, 0, 0, width, height, picture.data());
      host_.ProcessMessages();
      if (crossesAbort) break;
    }
    const int x = photonX_[i], y = photonY_[i];
    for (int d = -kCrossHalfSize; d <= kCrossHalfSize; ++d) {
      plot(x + d, y);
      plot(x, y + d);
    }
  }
  grabber_.PutPixels(displayed_, 0, 0, width, height, picture.data());
  host_.CrossesDrawing(false);
}

}  // namespace velmar
