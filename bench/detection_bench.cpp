// Detection on one thread: binarise and blob-analyse a 1024x1024 frame of spots, as
// a detection worker does, beside the memory floor: the widest vectorised pass that
// only counts the pixels at or above the threshold. Prints ns per frame.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/blob_analysis.h"
#include "engine/pixel_count.h"

namespace {

constexpr int kSize = 1024;
constexpr int kThreshold = 100;

std::vector<std::uint8_t> SpotFrame(int spots) {
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(kSize) * kSize, 8);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> position(1, kSize - 2), half(0, 1);
  for (int i = 0; i < spots; ++i) {
    const int x = position(random), y = position(random), e = half(random);
    for (int j = -e; j <= e; ++j)
      for (int k = -e; k <= e; ++k) frame[static_cast<std::size_t>(y + j) * kSize + x + k] = 250;
  }
  return frame;
}

void BM_Detection(benchmark::State& state) {
  const auto frame = SpotFrame(static_cast<int>(state.range(0)));
  velmar::BitImage binary;
  velmar::BlobScratch scratch;
  velmar::BlobList blobs;
  for (auto _ : state) {
    velmar::Binarize(frame.data(), kSize, kSize, kSize, kThreshold, binary);
    scratch.Analyse(binary, blobs);
    benchmark::DoNotOptimize(blobs.area.data());
  }
  state.counters["blobs"] = static_cast<double>(blobs.count());
}
BENCHMARK(BM_Detection)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);

void BM_CountAboveThreshold(benchmark::State& state) {
  const auto frame = SpotFrame(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::size_t count = velmar::CountAtOrAbove(frame.data(), frame.size(), kThreshold);
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_CountAboveThreshold)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
