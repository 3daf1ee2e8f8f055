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

void SetDefaultParameters(AcquisitionParameters& p, AcquisitionState& s) {
  SetDefaultParameterValues(p);
  s.shutterState = 0;
  s.closeLoopActive = s.closeLoopHeld = s.closeLoopRedoPending = 0;
  s.pauseDialogState = s.abortDialogState = s.endDialogState = 0;
  s.closeLoopWatch = 1;
  s.lastLogLength = kUnknownLength;
}

void HandOverCollectedPlan(const AcquisitionParameters& p, const CollectOutcome& read, AcquisitionState& s) {
  if (read.channelsRead) s.Lz = p.Lz;
  if (read.cyclesRead) {
    s.stopCycle = p.Maxcycles;
    s.stopChannel = StopChannel(p.Lz, p.Maxcycles, p.SeeSaw);
  }
}

void HandOverToAcquisition(AcquisitionParameters& p, AcquisitionState& s) {
  if (p.THTSystem == 0) s.thtSent = 99999;
  if ((p.StoredXSize > 256 || p.StoredYSize > 256) && p.DataFormat == kFormatXY256_2Bytes)
    p.DataFormat = kFormatXY4Bytes;
  // The log header gives the size the photon addresses are stored at, whether the
  // definition was loaded now or came with the parameters file.
  s.frameSizeX = p.StoredXSize;
  s.frameSizeY = p.StoredYSize;
  s.operatorAnswer = 0;
}

}  // namespace velmar
