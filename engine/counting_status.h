#pragma once
// Showing the counting state in the main window; entering the suspended state is
// also logged.
#include "engine/acquisition_state.h"
#include "engine/counting_state.h"
#include "params/acquisition_parameters.h"

namespace velmar {

class CountingStatusDisplay {
 public:
  virtual ~CountingStatusDisplay() = default;
  virtual void ShowCountingStateView(const CountingStateView& view) = 0;
};

void ShowCountingState(CountingState state, const AcquisitionParameters& p, AcquisitionState& acquisition,
                       CountingStatusDisplay& display);

}  // namespace velmar
