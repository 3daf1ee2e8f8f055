#include "diagnostics/grabber_test.h"

#include <algorithm>
#include <cmath>

#include "analogic/image_files.h"
#include "engine/frame_grabber_setup.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "platform/format.h"

namespace velmar {

namespace {

struct TestContext {
  explicit TestContext(Grabber& grabber) : grabber(grabber) {
    OpenDisplayContext(grabber, application, system, display, digitizer, displayed);
  }
  ~TestContext() {
    for (GrabberId* id : {&displayed, &digitizer, &display, &system, &application})
      if (*id) grabber.Free(*id);
  }
  TestContext(const TestContext&) = delete;
  TestContext& operator=(const TestContext&) = delete;
  Grabber& grabber;
  GrabberId application = 0, system = 0, display = 0, digitizer = 0, displayed = 0;
};

int NearestClamped(double position, int size) {
  const int nearest = static_cast<int>(std::lround(position));
  return std::clamp(nearest, 0, std::max(size - 2, 0));
}

}  // namespace

void SingleFrameSize(const AcquisitionParameters& p, int& width, int& height) {
  width = p.ThomsonCamera == 1 ? 768 : p.CCDXSize;
  height = p.ThomsonCamera == 1 ? 288 : p.CCDYSize;
}

std::vector<float> SingleFrameRows(int mode, const std::vector<std::uint8_t>& frame, int width, int height, bool swap,
                                   int& outWidth, int& outHeight) {
  auto at = [&](int x, int y) { return static_cast<float>(frame[static_cast<std::size_t>(y) * width + x]); };
  std::vector<float> rows;
  if (mode == kFrameResampled512) {
    outWidth = outHeight = kResampledSize;
    rows.resize(static_cast<std::size_t>(kResampledSize) * kResampledSize);
    if (width < 1 || height < 1) return rows;
    const int right = width > 1 ? 1 : 0, below = height > 1 ? 1 : 0;
    for (int i = 0; i < kResampledSize; ++i) {
      const int y = NearestClamped(static_cast<double>(i) * height / kResampledSize, height);
      for (int j = 0; j < kResampledSize; ++j) {
        const int x = NearestClamped(static_cast<double>(j) * width / kResampledSize, width);
        rows[static_cast<std::size_t>(i) * kResampledSize + j] =
            (at(x, y) + at(x + right, y) + at(x, y + below) + at(x + right, y + below)) / 4.0f;
      }
    }
    return rows;
  }
  outWidth = width;
  outHeight = height;
  rows.resize(static_cast<std::size_t>(width) * height);
  const int half = width / 2;
  for (int y = 0; y < height; ++y)
    for (int c = 0; c < width; ++c) {
      const int source = (mode == kFrameDalsa && swap && c >= half) ? 2 * half - c - 1 : c;
      rows[static_cast<std::size_t>(y) * width + c] = at(source, y);
    }
  return rows;
}

void WriteTestMessage(Grabber& grabber) {
  TestContext c(grabber);
  if (!c.displayed) return;
  grabber.DrawText(c.displayed, 176, 210, " ----------------------------------------------- ");
  grabber.DrawText(c.displayed, 176, 235, " OK. The Matrox board seems to work correctly... ");
  grabber.DrawText(c.displayed, 176, 260, " ----------------------------------------------- ");
}

void ShowLiveTv(Grabber& grabber, const std::function<void()>& processMessages,
                const std::function<bool()>& stopRequested) {
  TestContext c(grabber);
  if (c.digitizer && c.displayed) grabber.GrabContinuous(c.digitizer, c.displayed);
  while (!stopRequested()) processMessages();
  if (c.digitizer) grabber.Halt(c.digitizer);
}

bool GrabSingleFrame(Grabber& grabber, const AcquisitionParameters& p, int mode, const std::string& path) {
  int width = 0, height = 0;
  SingleFrameSize(p, width, height);
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(std::max(width, 0)) * std::max(height, 0));
  {
    TestContext c(grabber);
    if (c.digitizer && c.displayed) {
      grabber.Grab(c.digitizer, c.displayed);
      const int bufferX = grabber.Inquire(c.displayed, Inquiry::SizeX);
      const int bufferY = grabber.Inquire(c.displayed, Inquiry::SizeY);
      std::vector<std::uint8_t> all(static_cast<std::size_t>(bufferX) * bufferY);
      grabber.GetPixels(c.displayed, all.data());
      // One byte a pixel of the frame's size, from the buffer's top-left part.
      for (int y = 0; y < std::min(height, bufferY); ++y)
        std::copy_n(all.begin() + static_cast<std::ptrdiff_t>(y) * bufferX, std::min(width, bufferX),
                    frame.begin() + static_cast<std::ptrdiff_t>(y) * width);
    }
  }
  int outWidth = 0, outHeight = 0;
  const std::vector<float> rows = SingleFrameRows(mode, frame, width, height, p.DalsaSwap != 0, outWidth, outHeight);
  switch (WriteImage2D(path, outWidth, outHeight, rows.data(), kGrabbedImageText)) {
    case ImageWriteResult::Written: return true;
    case ImageWriteResult::CannotCreate:
      ShowError("Impossible to create the DV2 output file", path,
                "Is the disk full or the file locked by another application ?");
      return false;
    case ImageWriteResult::CannotWrite:
      ShowError("Impossible to write the DV2 output file", path,
                "Is the disk full or the file locked by another application ?");
      return false;
  }
  return false;
}

double MeasureFrameRate(Grabber& grabber) {
  TestContext c(grabber);
  if (!c.digitizer || !c.displayed) return 0.0;
  const std::pair<int, double> controls[] = {{4180, 0.0},     {4160, 0.0}, {1019, 26.0},
                                             {4200, -9999.0}, {4053, 0.0}, {kControlGrabMode, 2.0}};
  for (const auto& [code, value] : controls) grabber.SetDigitizerControl(c.digitizer, code, value);
  // A monotonic clock: a measurement across midnight stays right.
  const std::int64_t start = ProcessClock().MonotonicMs();
  for (int i = 0; i < kFrameRateGrabs; ++i) grabber.Grab(c.digitizer, c.displayed);
  const double seconds = static_cast<double>(ProcessClock().MonotonicMs() - start) / 1000.0;
  return seconds > 0.0 ? kFrameRateGrabs / seconds : 0.0;
}

}  // namespace velmar
