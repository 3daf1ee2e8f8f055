// Detection speed: binarise and blob-analyse one frame on one thread, as a detection
// worker does, against OpenCV's best call for the same job and against the memory
// floor (the widest vectorised pass counting the pixels at or above the threshold over
// the same frames, the processor's kernel chosen as the detection's is). Events are
// checked against OpenCV's, and the floor's counts against a scalar count, before any
// timing counts.
//
//   ./build/bench/detection            all cases
//   ./build/bench/detection --quick    fewer repetitions
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/blob_analysis.h"
#include "engine/pixel_count.h"
#include "engine/simd_level.h"

namespace {

constexpr int kThreshold = 100;
constexpr int kRingFrames = 64;

using Frame = std::vector<std::uint8_t>;

// Background noise 0-40; half the spots single pixels, half 3x3, amplitudes 120-255.
Frame MakeFrame(int size, int spots, std::mt19937& random) {
  Frame frame(static_cast<std::size_t>(size) * size);
  std::uniform_int_distribution<int> noise(0, 40), amplitude(120, 255), position(0, size - 1);
  for (auto& p : frame) p = static_cast<std::uint8_t>(noise(random));
  for (int s = 0; s < spots; ++s) {
    const int x = position(random), y = position(random), half = (s % 2) ? 1 : 0;
    for (int j = -half; j <= half; ++j)
      for (int k = -half; k <= half; ++k)
        if (x + k >= 0 && x + k < size && y + j >= 0 && y + j < size)
          frame[static_cast<std::size_t>(y + j) * size + x + k] = static_cast<std::uint8_t>(amplitude(random));
  }
  return frame;
}

struct Event {
  double area, x, y;
  bool operator<(const Event& o) const { return std::tie(y, x, area) < std::tie(o.y, o.x, o.area); }
};

struct Ours {
  velmar::BitImage binary;
  velmar::BlobScratch scratch;
  velmar::BlobList blobs;
  std::size_t Run(const Frame& f, int size) {
    scratch.Detect(f.data(), size, size, size, kThreshold, binary, blobs);
    return blobs.count();
  }
  std::vector<Event> Events() const {
    std::vector<Event> e;
    for (std::size_t i = 0; i < blobs.count(); ++i) e.push_back({blobs.area[i], blobs.centerX[i], blobs.centerY[i]});
    return e;
  }
};

struct OpenCv {
  cv::Mat binary, labels, stats, centroids;
  int algorithm = cv::CCL_DEFAULT;
  std::size_t Run(const Frame& f, int size) {
    const cv::Mat source(size, size, CV_8UC1, const_cast<std::uint8_t*>(f.data()));
    cv::threshold(source, binary, kThreshold - 1, 255, cv::THRESH_BINARY);  // strictly above bound - 1
    const int n = cv::connectedComponentsWithStats(binary, labels, stats, centroids, 8, CV_32S, algorithm);
    return static_cast<std::size_t>(n - 1);  // label 0 is the background
  }
  std::vector<Event> Events() const {
    std::vector<Event> e;
    for (int i = 1; i < stats.rows; ++i)
      e.push_back({static_cast<double>(stats.at<int>(i, cv::CC_STAT_AREA)), centroids.at<double>(i, 0),
                   centroids.at<double>(i, 1)});
    return e;
  }
};

std::size_t Floor(const Frame& f) { return velmar::CountAtOrAbove(f.data(), f.size(), kThreshold); }

// The reference the floor's kernel is checked against.
std::size_t CountAboveScalar(const Frame& f) {
  std::size_t count = 0;
  for (std::uint8_t p : f) count += p >= kThreshold;
  return count;
}

bool SameEvents(std::vector<Event> a, std::vector<Event> b) {
  if (a.size() != b.size()) return false;
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].area != b[i].area || std::abs(a[i].x - b[i].x) > 1e-3 || std::abs(a[i].y - b[i].y) > 1e-3) return false;
  return true;
}

template <class F>
double MicrosPerFrame(const std::vector<Frame>& frames, F&& run) {
  const auto start = std::chrono::steady_clock::now();
  std::size_t sink = 0;
  for (const auto& f : frames) sink += run(f);
  const auto end = std::chrono::steady_clock::now();
  asm volatile("" : : "r"(sink) : "memory");  // the results are used
  return std::chrono::duration<double, std::micro>(end - start).count() / static_cast<double>(frames.size());
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool RunCase(int size, int spots, bool ring, int repetitions) {
  std::mt19937 random(static_cast<unsigned>(size * 7919 + spots));
  std::vector<Frame> frames;
  for (int i = 0; i < (ring ? kRingFrames : 1); ++i) frames.push_back(MakeFrame(size, spots, random));
  // A single hot frame is run as many times as the ring has frames.
  std::vector<Frame> hot;
  const std::vector<Frame>& work = ring ? frames : (hot = std::vector<Frame>(1, frames[0]), hot);

  Ours ours;
  OpenCv opencvDefault, opencvBbdt;
  opencvBbdt.algorithm = cv::CCL_BBDT;
  std::size_t events = 0;
  for (const auto& f : frames) {
    events += ours.Run(f, size);
    opencvDefault.Run(f, size);
    if (!SameEvents(ours.Events(), opencvDefault.Events())) {
      std::printf("case=%d/%d MISMATCH: events differ from OpenCV's\n", size, spots);
      return false;
    }
    if (Floor(f) != CountAboveScalar(f)) {
      std::printf("case=%d/%d MISMATCH: the floor counts %zu pixels, a scalar count %zu\n", size, spots, Floor(f),
                  CountAboveScalar(f));
      return false;
    }
  }
  const double eventsPerFrame = static_cast<double>(events) / frames.size();

  const int passes = ring ? 1 : kRingFrames;
  auto timed = [&](auto&& run) {
    return MicrosPerFrame(work, [&](const Frame& f) {
      std::size_t n = 0;
      for (int p = 0; p < passes; ++p) n += run(f);
      return n;
    }) / passes;
  };
  std::vector<double> oursUs, defaultUs, bbdtUs, floorUs;
  for (int r = 0; r < repetitions; ++r) {  // the methods interleaved
    oursUs.push_back(timed([&](const Frame& f) { return ours.Run(f, size); }));
    defaultUs.push_back(timed([&](const Frame& f) { return opencvDefault.Run(f, size); }));
    bbdtUs.push_back(timed([&](const Frame& f) { return opencvBbdt.Run(f, size); }));
    floorUs.push_back(timed([&](const Frame& f) { return Floor(f); }));
  }
  const double oursMedian = Median(oursUs);
  const double opencvMedian = std::min(Median(defaultUs), Median(bbdtUs));
  const double floorMedian = Median(floorUs);
  std::printf("case=%d/%d%s ours_us=%.1f opencv_us=%.1f floor_us=%.1f speedup=%.1f floor_ratio=%.2f ns_per_event=%.1f\n",
              size, spots, ring ? "" : "/hot", oursMedian, opencvMedian, floorMedian, opencvMedian / oursMedian,
              oursMedian / floorMedian, eventsPerFrame > 0 ? oursMedian * 1000.0 / eventsPerFrame : 0.0);
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  cv::setNumThreads(1);
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  const int repetitions = quick ? 5 : 21;
  // Both the detection's row kernel and the floor's count kernel are chosen from this level.
  std::printf("kernel=%s\n", velmar::SimdLevelName(velmar::DetectedSimdLevel()));
  bool ok = true;
  for (int size : {512, 1024})
    for (int spots : {30, 300, 3000})
      for (bool ring : {true, false}) ok = RunCase(size, spots, ring, repetitions) && ok;
  return ok ? 0 : 1;
}
