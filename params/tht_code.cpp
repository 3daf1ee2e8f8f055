#include "params/tht_code.h"

#include <algorithm>

#include "platform/format.h"

namespace velmar {

namespace {
constexpr std::int32_t kThtCodeTop = 1023;  // 10 bits
}  // namespace

std::int32_t ThtCode(std::int32_t volts) {
  const double code = volts * 8.0 * 0.1 * 1024.0 / 1530.0;
  return std::max(0, static_cast<std::int32_t>(code));
}

std::optional<std::int32_t> ThtReachableMaximum(std::int32_t thtSystem) {
  if (thtSystem != 3 && thtSystem != 4) return std::nullopt;
  std::int32_t volts = static_cast<std::int32_t>(kThtCodeTop * 1530.0 / (8.0 * 0.1 * 1024.0));
  while (ThtCode(volts + 1) <= kThtCodeTop) ++volts;
  return volts;
}

std::string ThtUnreachable(std::int32_t thtSystem, std::int32_t volts) {
  const auto top = ThtReachableMaximum(thtSystem);
  if (!top || volts <= *top) return {};
  return Format("THT system %d reaches at most %d V", thtSystem, *top);
}

}  // namespace velmar
