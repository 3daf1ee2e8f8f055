#pragma once
// Where the simulated camera's photons land: the one place a photon's pixel is
// chosen. The plain sky spreads them evenly over the frame; a simulated object
// chooses them here too. Each choice draws from the camera's own random sequence,
// so a camera of a fixed seed gives the same frames every run.
#include <optional>
#include <random>

namespace velmar {

struct SpotPosition {
  int x = 0;  // column, 0 .. width - 1
  int y = 0;  // row, 0 .. height - 1
};

class SpotPositions {
 public:
  virtual ~SpotPositions() = default;
  // Before each frame: where the etalon stands in its free spectral range (nothing:
  // never driven) and the frame's size.
  virtual void BeginFrame(std::optional<double> /*etalonPhase*/, int /*width*/, int /*height*/) {}
  // This frame's share of the camera's photon rate.
  virtual double Brightness() const { return 1.0; }
  // The next photon's pixel in a frame of width by height pixels.
  virtual SpotPosition Next(std::mt19937_64& random, int width, int height) = 0;
};

// Photons anywhere in the frame, each pixel alike: the column first, then the row.
class UniformSpotPositions final : public SpotPositions {
 public:
  SpotPosition Next(std::mt19937_64& random, int width, int height) override {
    const int x = std::uniform_int_distribution<int>(0, width - 1)(random);
    const int y = std::uniform_int_distribution<int>(0, height - 1)(random);
    return {x, y};
  }
};

}  // namespace velmar
