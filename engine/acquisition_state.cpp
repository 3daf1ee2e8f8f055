#include "engine/acquisition_state.h"

namespace velmar {

void QueueLogLine(AcquisitionState& state, const std::string& line) {
  state.pendingLogLine = line;
  state.pendingLogLineReady = 1;
}

void NoteInterruptedChannel(AcquisitionState& state) {
  state.interruptedChannel = state.currentChannel;
  state.interruptedCycle = state.currentCycle;
}

}  // namespace velmar
