#pragma once
// The camera behind the software grabber's digitizer: an intensified camera whose
// photon events arrive as a Poisson process, each a one-pixel or about 3x3 spot, on
// a faint background with a few dark pixels; or frames replayed from a raw file.
// The black and white references map the camera's levels to the digitised ones.
// With a disc in its description, the photons come from the disc as the etalon
// the camera follows lets its line through.
#include <cstdint>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "engine/etalon_feed.h"
#include "engine/grabber_files.h"
#include "engine/simulated_disc.h"

namespace velmar {

class SimulatedCamera {
 public:
  explicit SimulatedCamera(const DigitizerDescription& description);

  // Opens the replay file when there is one; empty text when ready.
  std::string Open();
  // The interferometer in front of the camera (nothing: none, the line passes whole).
  void FollowEtalon(const EtalonFeed* etalon) { etalon_ = etalon; }

  // Renders the next frame into an 8-bit image of the given size (cut to the camera's).
  void Render(std::uint8_t* pixels, int width, int height, int stride, int black, int white);

  // Photon spots placed in the last rendered frame (simulated source).
  int lastPhotonCount() const { return lastPhotonCount_; }

 private:
  void BuildLevels(int black, int white);
  void RenderSimulated(std::uint8_t* pixels, int width, int height, int stride);
  void RenderReplay(std::uint8_t* pixels, int width, int height, int stride);
  void PutMax(std::uint8_t* pixels, int width, int height, int stride, int x, int y, int level);

  DigitizerDescription description_;
  std::mt19937_64 random_;
  std::ifstream replay_;
  std::string replayFrame_;
  std::uint8_t levels_[256] = {};
  int levelsBlack_ = -1, levelsWhite_ = -1;
  int lastPhotonCount_ = 0;
  std::optional<SimulatedDisc> disc_;
  const EtalonFeed* etalon_ = nullptr;
};

}  // namespace velmar
