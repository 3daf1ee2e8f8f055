#pragma once
// The remanence images: the four grab buffers of the ring written as 2D images
// "reman1.vl2" to "reman4.vl2" in the system directory.
#include "engine/acquisition_state.h"
#include "engine/grabber.h"
#include "params/acquisition_parameters.h"

namespace velmar {

void WriteRemanenceImages(Grabber& grabber, AcquisitionState& s, const AcquisitionParameters& p);

}  // namespace velmar
