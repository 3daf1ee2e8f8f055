#pragma once
// Synthetic photon frames for the simulation source: single pixels or 3 by 3
// squares of grey level 250 at random places, on black.
#include <cstdint>
#include <random>
#include <vector>

namespace velmar {

inline constexpr std::size_t kSyntheticFrameCapacity = 1024 * 1024;  // 1 MiB host array

class SyntheticFrameMaker {
 public:
  explicit SyntheticFrameMaker(std::uint32_t seed = 1947) : random_(seed) {}

  // Fills frame (sizeX * sizeY bytes, row after row) with spots and returns their
  // number. A spot's pixels outside columns 1..sizeX-1 and rows 1..sizeY-1 are
  // skipped. The frame is cut to the host array's capacity.
  int MakeSyntheticFrame(int spots, int sizeX, int sizeY, std::vector<std::uint8_t>& frame);

 private:
  int Uniform(int upper);  // 0 .. upper - 1 (0 when upper <= 0)
  std::mt19937 random_;
};

}  // namespace velmar
