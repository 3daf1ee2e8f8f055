#include "engine/simulated_camera.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "engine/simulated_disc.h"

namespace velmar {

namespace {
// Tells cameras apart, so a buffer painted by one is never taken for another's.
std::atomic<std::uint64_t> cameraSerials{0};
}  // namespace

SimulatedCamera::SimulatedCamera(const DigitizerDescription& description)
    : description_(description),
      serial_(++cameraSerials),
      random_(description.seed),
      spotPositions_(description.disc.on ? std::unique_ptr<SpotPositions>(std::make_unique<SimulatedDisc>(
                                               description.disc, description.sizeX, description.sizeY))
                                         : std::make_unique<UniformSpotPositions>()) {}

std::string SimulatedCamera::Open() {
  if (description_.source != CameraSource::Replay) return {};
  replay_.open(description_.replayFile, std::ios::binary);
  if (!replay_) return "cannot open the replay file " + description_.replayFile;
  replay_.seekg(0, std::ios::end);
  const auto size = static_cast<long long>(replay_.tellg());
  const long long frame = static_cast<long long>(description_.sizeX) * description_.sizeY;
  if (size < frame) return "the replay file " + description_.replayFile + " holds no whole frame";
  replay_.seekg(0);
  replayFrame_.resize(static_cast<std::size_t>(frame));
  return {};
}

// Digitised level = (camera level - black) * 255 / (white - black), clipped to 0..255.
void SimulatedCamera::BuildLevels(int black, int white) {
  if (black == levelsBlack_ && white == levelsWhite_) return;
  const int span = std::max(1, white - black);
  for (int v = 0; v < 256; ++v) {
    const int level = ((v - black) * 255 + span / 2) / span;
    levels_[v] = static_cast<std::uint8_t>(std::clamp(v < black ? 0 : level, 0, 255));
  }
  levelsBlack_ = black;
  levelsWhite_ = white;
}

void SimulatedCamera::Render(std::uint8_t* pixels, int width, int height, int stride, int black,
                             int white, PaintedFrame* frame) {
  BuildLevels(black, white);
  width = std::min(width, description_.sizeX);
  height = std::min(height, description_.sizeY);
  if (description_.source == CameraSource::Replay) {
    RenderReplay(pixels, width, height, stride);
    if (frame) frame->Forget();
  } else {
    RenderSimulated(pixels, width, height, stride, frame);
  }
}

void SimulatedCamera::PutMax(std::uint8_t* pixels, int width, int height, int stride, int x, int y,
                             int level) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const std::size_t offset = static_cast<std::size_t>(y) * stride + x;
  std::uint8_t& p = pixels[offset];
  p = std::max(p, levels_[std::clamp(level, 0, 255)]);
  if (painting_) painting_->push_back(static_cast<std::uint32_t>(offset));
}

void SimulatedCamera::RenderSimulated(std::uint8_t* pixels, int width, int height, int stride,
                                      PaintedFrame* frame) {
  const std::uint8_t sky = levels_[description_.background];
  const bool onSky = frame && frame->camera == serial_ && frame->width == width && frame->height == height &&
                     frame->stride == stride && frame->sky == sky;
  if (onSky) {
    for (std::uint32_t offset : frame->painted) pixels[offset] = sky;  // back to the bare sky
  } else {
    for (int y = 0; y < height; ++y) std::memset(pixels + static_cast<std::size_t>(y) * stride, sky, width);
  }
  if (frame) {
    frame->camera = serial_;
    frame->width = width;
    frame->height = height;
    frame->stride = stride;
    frame->sky = sky;
    frame->painted.clear();
    painting_ = &frame->painted;
  }

  std::uniform_int_distribution<int> column(0, width - 1), row(0, height - 1);
  std::poisson_distribution<int> darkCount(description_.darkNoise);
  std::uniform_int_distribution<int> darkLevel(description_.background,
                                               std::max(description_.background, description_.darkGreyMax));
  for (int n = darkCount(random_); n > 0; --n) {
    const int x = column(random_), y = row(random_);
    PutMax(pixels, width, height, stride, x, y, darkLevel(random_));
  }

  spotPositions_->BeginFrame(etalon_ ? etalon_->Phase() : std::nullopt, width, height);
  std::poisson_distribution<int> photonCount(description_.photonRate * spotPositions_->Brightness());
  std::uniform_int_distribution<int> peak(description_.peakGreyMin, description_.peakGreyMax);
  std::uniform_int_distribution<int> coin(0, 1);
  std::uniform_real_distribution<double> edge(0.35, 0.6), corner(0.15, 0.35);
  lastPhotonCount_ = photonCount(random_);
  for (int n = 0; n < lastPhotonCount_; ++n) {
    // Where the spot falls: evenly, or where the disc shines through the etalon.
    const SpotPosition at = spotPositions_->Next(random_, width, height);
    const int x = at.x, y = at.y, top = peak(random_);
    bool square = description_.spot == SpotShape::Square3x3;
    if (description_.spot == SpotShape::Mixed) square = coin(random_) == 1;
    PutMax(pixels, width, height, stride, x, y, top);
    if (!square) continue;
    for (int j = -1; j <= 1; ++j)
      for (int k = -1; k <= 1; ++k) {
        if (j == 0 && k == 0) continue;
        const double share = (j == 0 || k == 0) ? edge(random_) : corner(random_);
        PutMax(pixels, width, height, stride, x + k, y + j, static_cast<int>(top * share));
      }
  }
  painting_ = nullptr;
}

void SimulatedCamera::RenderReplay(std::uint8_t* pixels, int width, int height, int stride) {
  if (!replay_.read(replayFrame_.data(), static_cast<std::streamsize>(replayFrame_.size()))) {
    replay_.clear();
    replay_.seekg(0);  // loop: the file holds at least one whole frame
    replay_.read(replayFrame_.data(), static_cast<std::streamsize>(replayFrame_.size()));
  }
  for (int y = 0; y < height; ++y) {
    const auto* src = reinterpret_cast<const std::uint8_t*>(replayFrame_.data()) +
                      static_cast<std::size_t>(y) * description_.sizeX;
    std::uint8_t* dst = pixels + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x) dst[x] = levels_[src[x]];
  }
  lastPhotonCount_ = 0;
}

}  // namespace velmar
