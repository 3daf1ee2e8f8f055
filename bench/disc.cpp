// The simulated disc's cost per frame against the frame's size: placing a frame's
// photons must cost what the photons cost, not what the pixels cost. For each frame
// size, the disc scaled with it: the one-time layout, then the microseconds per frame
// of 200 photons with the etalon still and with the etalon moved every frame, and
// their ratio to the 256 by 256 frame's (near 1 when the cost does not grow with pixels).
#include <chrono>
#include <cstdio>
#include <random>

#include "engine/simulated_disc.h"

using namespace velmar;

namespace {

using Clock = std::chrono::steady_clock;

double Microseconds(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

struct Cost {
  double layoutMs = 0, stillUs = 0, movingUs = 0;
};

Cost Measure(int size, int frames) {
  DiscDescription d;
  d.on = true;
  SimulatedDisc disc(d, size, size);
  std::mt19937_64 random(1947);
  Cost cost;
  auto start = Clock::now();
  disc.BeginFrame(0.5, size, size);
  cost.layoutMs = Microseconds(Clock::now() - start) / 1000.0;
  long sum = 0;  // keeps the positions alive
  for (const bool moving : {false, true}) {
    start = Clock::now();
    for (int f = 0; f < frames; ++f) {
      disc.BeginFrame(moving ? (f % 64) / 64.0 : 0.5, size, size);
      for (int n = 0; n < 200; ++n) {
        const SpotPosition at = disc.Next(random, size, size);
        sum += at.x + at.y;
      }
    }
    (moving ? cost.movingUs : cost.stillUs) = Microseconds(Clock::now() - start) / frames;
  }
  if (sum == 42) std::puts("");
  return cost;
}

}  // namespace

int main() {
  Measure(256, 4000);  // warm up
  const Cost base = Measure(256, 4000);
  for (const int size : {256, 512, 1024, 2048}) {
    const Cost c = size == 256 ? base : Measure(size, 4000);
    std::printf("case=%d layout_ms=%.2f still_us_per_frame=%.2f moving_us_per_frame=%.2f still_ratio=%.2f "
                "moving_ratio=%.2f\n",
                size, c.layoutMs, c.stillUs, c.movingUs, c.stillUs / base.stillUs, c.movingUs / base.movingUs);
  }
  return 0;
}
