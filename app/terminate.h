#pragma once
// The end of an acquisition: grabbing stopped, the log told, the frame-grabber
// objects freed after the detection workers have finished.
#include "engine/acquisition_state.h"
#include "engine/counting_engine.h"
#include "engine/grabber.h"

namespace velmar {

void TerminateAcquisition(AcquisitionState& s, CountingEngine& engine, Grabber& grabber);

// A signal taken as the operator's "Abort and Quit": the line is written to the
// log at once, before the terminate line.
void LogQuitSignal(AcquisitionState& s, int signal);

}  // namespace velmar
