#pragma once
// Where the scanning interferometer stands, for the simulated camera to see the sky
// through it. The CS100 link tells it each position the controller took (window
// thread); the camera reads it once per frame (grab threads). One lock guards the
// pair, so a frame never sees a position with another scan's order.
#include <cstdint>
#include <mutex>
#include <optional>

namespace velmar {

class EtalonFeed {
 public:
  // The controller took this position; positionsPerOrder is the scan's free spectral
  // range in controller units (LAMBDA / QGCONST), over which its channels are laid.
  // A range that is not positive leaves the etalon's place unknown.
  void Driven(std::int32_t position, double positionsPerOrder);

  // The etalon's place in its free spectral range, 0 to 1: 0 at the scan's first
  // channel (position -LAMBDA / QGCONST / 2), channel c of N at (c - 1) / N.
  // Nothing while it was never driven.
  std::optional<double> Phase() const;

 private:
  mutable std::mutex mutex_;
  bool known_ = false;
  std::int32_t position_ = 0;
  double positionsPerOrder_ = 0.0;
};

}  // namespace velmar
