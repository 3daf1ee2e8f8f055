#pragma once
// The shared acquisition state, held for the process by the main window and read
// and written by the counting, storing and alarm steps (all on the window thread).
#include <cstdint>
#include <string>

#include "engine/grabber_objects.h"

namespace velmar {

struct AcquisitionState {
  // Handed over by each collection of the parameters.
  std::int32_t Lz = 32;
  std::int32_t stopCycle = 99;
  std::int32_t stopChannel = 32;

  // Answer of the last operator window or panel: 0 go on / yes / OK, 1 no / stop /
  // cancel, 2 new acquisition (or a window's third choice), -1 quit.
  std::int32_t operatorAnswer = 0;

  // Frame grabber and TV levels.
  GrabberObjects grabber;
  TvLevels levels;
  TuningContext tuning;
  std::int32_t startUpInProgress = 0;

  // Lines waiting to be appended to the observation log ("!!!" commands, alarms and
  // status changes, "###" comments); several queued before a flush stay in order.
  std::string pendingLogLine;
  std::int32_t pendingLogLineReady = 0;
};

// Queues one line for the observation log.
void QueueLogLine(AcquisitionState& state, const std::string& line);

}  // namespace velmar
