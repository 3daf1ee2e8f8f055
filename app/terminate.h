#pragma once
// The end of an acquisition: grabbing stopped, the log told, the frame-grabber
// objects freed after the detection workers have finished.
#include "console/acquisition_state.h"
#include "engine/counting_engine.h"
#include "engine/grabber.h"

namespace velmar {

void TerminateAcquisition(AcquisitionState& s, CountingEngine& engine, Grabber& grabber);

}  // namespace velmar
