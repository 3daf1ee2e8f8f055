#include "engine/simulated_camera.h"

#include <algorithm>
#include <cstring>

namespace velmar {

SimulatedCamera::SimulatedCamera(const DigitizerDescription& description)
    : description_(description), random_(description.seed) {
  if (description.disc.on) disc_.emplace(description.disc, description.sizeX, description.sizeY);
}

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
                             int white) {
  BuildLevels(black, white);
  width = std::min(width, description_.sizeX);
  height = std::min(height, description_.sizeY);
  if (description_.source == CameraSource::Replay) RenderReplay(pixels, width, height, stride);
  else RenderSimulated(pixels, width, height, stride);
}

void SimulatedCamera::PutMax(std::uint8_t* pixels, int width, int height, int stride, int x, int y,
                             int level) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  std::uint8_t& p = pixels[static_cast<std::size_t>(y) * stride + x];
  p = std::max(p, levels_[std::clamp(level, 0, 255)]);
}

void SimulatedCamera::RenderSimulated(std::uint8_t* pixels, int width, int height, int stride) {
  const std::uint8_t sky = levels_[description_.background];
  for (int y = 0; y < height; ++y) std::memset(pixels + static_cast<std::size_t>(y) * stride, sky, width);

  std::uniform_int_distribution<int> column(0, width - 1), row(0, height - 1);
  std::poisson_distribution<int> darkCount(description_.darkNoise);
  std::uniform_int_distribution<int> darkLevel(description_.background,
                                               std::max(description_.background, description_.darkGreyMax));
  for (int n = darkCount(random_); n > 0; --n) {
    const int x = column(random_), y = row(random_);
    PutMax(pixels, width, height, stride, x, y, darkLevel(random_));
  }

  if (disc_) disc_->BeginFrame(etalon_ ? etalon_->Phase() : std::nullopt, width, height);
  std::poisson_distribution<int> photonCount(description_.photonRate * (disc_ ? disc_->Brightness() : 1.0));
  std::uniform_int_distribution<int> peak(description_.peakGreyMin, description_.peakGreyMax);
  std::uniform_int_distribution<int> coin(0, 1);
  std::uniform_real_distribution<double> edge(0.35, 0.6), corner(0.15, 0.35);
  lastPhotonCount_ = photonCount(random_);
  for (int n = 0; n < lastPhotonCount_; ++n) {
    // Where the spot falls: evenly, or where the disc shines through the etalon.
    int x = 0, y = 0;
    if (disc_) {
      disc_->Next(random_, x, y);
    } else {
      x = column(random_);
      y = row(random_);
    }
    const int top = peak(random_);
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
