#include "engine/acquisition_state.h"

namespace velmar {

namespace {

bool IsAlarmLine(const std::string& line) { return line.rfind("!!! ALARM at ", 0) == 0; }

// Far more than a second's producers queue; a log that cannot be written for a
// long while must not grow the queue without end.
constexpr std::size_t kMostEarlierLines = 64;

}  // namespace

void QueueLogLine(AcquisitionState& state, const std::string& line) {
  const bool replaces = IsAlarmLine(state.pendingLogLine) && IsAlarmLine(line);
  if (state.pendingLogLineReady && !replaces) {
    if (state.earlierLogLines.size() == kMostEarlierLines) state.earlierLogLines.erase(state.earlierLogLines.begin());
    state.earlierLogLines.push_back(state.pendingLogLine);
  }
  state.pendingLogLine = line;
  state.pendingLogLineReady = 1;
}

void ClearQueuedLogLines(AcquisitionState& state) {
  state.earlierLogLines.clear();
  state.pendingLogLineReady = 0;
}

void NoteInterruptedChannel(AcquisitionState& state) {
  state.interruptedChannel = state.currentChannel;
  state.interruptedCycle = state.currentCycle;
}

}  // namespace velmar
