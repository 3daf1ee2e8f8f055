#include "console/acquisition_state.h"

namespace velmar {

void QueueLogLine(AcquisitionState& state, const std::string& line) {
  // A line already waiting is kept: the new one follows it.
  if (state.pendingLogLineReady && !state.pendingLogLine.empty()) state.pendingLogLine += "\n" + line;
  else state.pendingLogLine = line;
  state.pendingLogLineReady = 1;
}

}  // namespace velmar
