#include "engine/acquisition_state.h"

namespace velmar {

void QueueLogLine(AcquisitionState& state, const std::string& line) {
  state.pendingLogLine = line;
  state.pendingLogLineReady = 1;
}

}  // namespace velmar
