#pragma once
// The camera behind the software grabber's digitizer: an intensified camera whose
// photon events arrive as a Poisson process, each a one-pixel or about 3x3 spot, on
// a faint background with a few dark pixels; or frames replayed from a raw file.
// The black and white references map the camera's levels to the digitised ones.
//
// A simulated frame is the sky with a few hundred pixels painted over it. A grab
// buffer that still holds this camera's previous frame has only those pixels put
// back to the sky and the new ones painted: the frame costs what its spots cost,
// not what its pixels cost, as a real grab costs the counting machine nothing,
// and the frame is the very one a whole repaint gives.
// With a disc in its description, the photons come from the disc as the etalon
// the camera follows lets its line through.
#include <cstdint>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/etalon_feed.h"
#include "engine/grabber_files.h"
#include "engine/spot_positions.h"

namespace velmar {

// What a grab buffer holds of the simulated frame last rendered into it. Whoever
// writes the buffer otherwise calls Forget, and the next frame repaints it whole.
struct PaintedFrame {
  std::uint64_t camera = 0;  // the camera that rendered it (0: nothing known)
  int width = 0, height = 0, stride = 0;
  std::uint8_t sky = 0;
  std::vector<std::uint32_t> painted;  // offsets of the pixels painted over the sky
  void Forget() { camera = 0; }
};

class SimulatedCamera {
 public:
  explicit SimulatedCamera(const DigitizerDescription& description);

  // Opens the replay file when there is one; empty text when ready.
  std::string Open();
  // The interferometer in front of the camera (nothing: none, the line passes whole).
  void FollowEtalon(const EtalonFeed* etalon) { etalon_ = etalon; }

  // Renders the next frame into an 8-bit image of the given size (cut to the camera's).
  // With frame, the pixels' record of what they hold: only the spots are redrawn
  // when they still hold this camera's last frame.
  void Render(std::uint8_t* pixels, int width, int height, int stride, int black, int white,
              PaintedFrame* frame = nullptr);

  // Photon spots placed in the last rendered frame (simulated source).
  int lastPhotonCount() const { return lastPhotonCount_; }

  // Where the photons land (evenly over the frame unless told).

 private:
  void BuildLevels(int black, int white);
  void RenderSimulated(std::uint8_t* pixels, int width, int height, int stride, PaintedFrame* frame);
  void RenderReplay(std::uint8_t* pixels, int width, int height, int stride);
  void PutMax(std::uint8_t* pixels, int width, int height, int stride, int x, int y, int level);

  DigitizerDescription description_;
  std::uint64_t serial_;
  std::mt19937_64 random_;
  std::unique_ptr<SpotPositions> spotPositions_;
  std::ifstream replay_;
  std::string replayFrame_;
  std::uint8_t levels_[256] = {};
  int levelsBlack_ = -1, levelsWhite_ = -1;
  int lastPhotonCount_ = 0;
  std::vector<std::uint32_t>* painting_ = nullptr;  // the record PutMax adds to while rendering
  const EtalonFeed* etalon_ = nullptr;
};

}  // namespace velmar
