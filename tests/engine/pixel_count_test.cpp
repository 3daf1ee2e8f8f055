#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

#include "engine/pixel_count.h"
#include "engine/simd_level.h"

namespace velmar {
namespace {

std::size_t ScalarCount(const std::uint8_t* p, std::size_t n, std::uint8_t bound) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) count += p[i] >= bound;
  return count;
}

// Every kernel this processor can run, so the narrower ones are tested on wide machines too.
std::vector<SimdLevel> RunnableLevels() {
  std::vector<SimdLevel> levels;
  for (SimdLevel level : {SimdLevel::kPortable, SimdLevel::kAvx2, SimdLevel::kAvx512bw})
    if (level <= DetectedSimdLevel()) levels.push_back(level);
  return levels;
}

TEST(PixelCount, EveryKernelAgreesWithAScalarCountAtAnyLengthOffsetAndBound) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> grey(0, 255);
  // Long enough for several folds of the byte counters, plus an odd tail.
  std::vector<std::uint8_t> pixels(3 * 255 * 64 + 77);
  for (auto& p : pixels) p = static_cast<std::uint8_t>(grey(random));
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  for (std::size_t n : {255u * 16, 255u * 32 + 1, 255u * 64 - 1, 255u * 64, 255u * 64 + 63}) lengths.push_back(n);
  lengths.push_back(pixels.size() - 3);
  for (SimdLevel level : RunnableLevels()) {
    SCOPED_TRACE(SimdLevelName(level));
    // 127/128/129 straddle the sign bit: a signed comparison would miscount them.
    for (int bound : {0, 1, 100, 127, 128, 129, 254, 255})
      for (std::size_t offset : {0u, 1u, 3u})
        for (std::size_t n : lengths) {
          const std::uint8_t* p = pixels.data() + offset;
          const auto b = static_cast<std::uint8_t>(bound);
          ASSERT_EQ(CountAtOrAbove(level, p, n, b), ScalarCount(p, n, b))
              << "bound " << bound << " offset " << offset << " length " << n;
        }
  }
}

TEST(PixelCount, SaturatedFramesDoNotWrapTheCounters) {
  // Every pixel passing every time is the worst case for the byte counters.
  const std::vector<std::uint8_t> white(1024 * 1024, 255);
  for (SimdLevel level : RunnableLevels()) {
    SCOPED_TRACE(SimdLevelName(level));
    EXPECT_EQ(CountAtOrAbove(level, white.data(), white.size(), 255), white.size());
    EXPECT_EQ(CountAtOrAbove(level, white.data(), white.size(), 0), white.size());
  }
  EXPECT_EQ(CountAtOrAbove(white.data(), white.size(), 255), white.size());
  const std::vector<std::uint8_t> black(1024 * 1024 + 5, 0);
  EXPECT_EQ(CountAtOrAbove(black.data(), black.size(), 1), 0u);
  EXPECT_EQ(CountAtOrAbove(black.data(), black.size(), 0), black.size());
}

TEST(PixelCount, AKernelTheProcessorLacksIsRefused) {
  if (DetectedSimdLevel() == SimdLevel::kAvx512bw) GTEST_SKIP() << "this processor runs every kernel";
  const std::uint8_t pixel = 1;
  EXPECT_THROW(CountAtOrAbove(SimdLevel::kAvx512bw, &pixel, 1, 1), std::invalid_argument);
}

}  // namespace
}  // namespace velmar
