#include "engine/synthetic_frame.h"

#include <algorithm>

namespace velmar {

int SyntheticFrameMaker::Uniform(int upper) {
  if (upper <= 0) return 0;
  return std::uniform_int_distribution<int>(0, upper - 1)(random_);
}

int SyntheticFrameMaker::MakeSyntheticFrame(int spots, int sizeX, int sizeY, std::vector<std::uint8_t>& frame) {
  const int n = std::max(sizeX, 0);
  int m = std::max(sizeY, 0);
  if (n > 0 && static_cast<std::size_t>(n) * m > kSyntheticFrameCapacity)
    m = static_cast<int>(kSyntheticFrameCapacity / n);  // never beyond the host array
  frame.assign(static_cast<std::size_t>(n) * m, 0);
  for (int s = 0; s < spots; ++s) {
    const int a = Uniform(n), b = Uniform(m), e = Uniform(2);  // this order, one sequence
    for (int j = -e; j <= e; ++j)
      for (int k = -e; k <= e; ++k) {
        const int column = a + k, row = b + j;
        if (column >= 1 && column <= n - 1 && row >= 1 && row <= m - 1)
          frame[static_cast<std::size_t>(row) * n + column] = 250;
      }
  }
  return spots;
}

}  // namespace velmar
