#include "engine/etalon_feed.h"

#include <cmath>

namespace velmar {

void EtalonFeed::Driven(std::int32_t position, double positionsPerOrder) {
  std::lock_guard lock(mutex_);
  known_ = positionsPerOrder > 0.0 && std::isfinite(positionsPerOrder);
  position_ = position;
  positionsPerOrder_ = positionsPerOrder;
}

std::optional<double> EtalonFeed::Phase() const {
  std::lock_guard lock(mutex_);
  if (!known_) return std::nullopt;
  // The scan's base, -positionsPerOrder / 2, is the order's start.
  const double phase = static_cast<double>(position_) / positionsPerOrder_ + 0.5;
  return phase - std::floor(phase);
}

}  // namespace velmar
