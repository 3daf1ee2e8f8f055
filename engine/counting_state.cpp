#include "engine/counting_state.h"

namespace velmar {

namespace {
int TypeIndex(std::int32_t acqType) {
  if (acqType == 0) return 0;
  if (acqType == 2) return 2;
  return 1;
}
}  // namespace

CountingStateView ViewOf(CountingState state, std::int32_t acqType, std::int32_t source) {
  static const char* const kStandby[2][3] = {
      {"standby 2D image", "standby calibration", "standby object"},
      {"standby simul 2D", "standby simul calib", "standby simul object"}};
  static const char* const kCounting[2][3] = {
      {"counting 2D image", "counting calibration", "counting object"},
      {"simultation 2D image", "simulation calibration", "simulation object"}};
  const int simulated = source == 1 ? 1 : 0;
  switch (state) {
    case CountingState::Standby: return {kStandby[simulated][TypeIndex(acqType)], kNavy};
    case CountingState::InitializingMatrox: return {"initializing Matrox", kOlive};
    case CountingState::Counting: return {kCounting[simulated][TypeIndex(acqType)], kTeal};
    case CountingState::Suspended: return {"suspended", kRed};
    case CountingState::DrivingPF: return {"driving PF", kYellow};
    case CountingState::InitializingPF: return {"initializing PF", kYellow};
  }
  return {"", kNavy};
}

}  // namespace velmar
