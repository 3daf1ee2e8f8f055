#pragma once
// What the program's windows share for the life of the process: the parameter
// set of the next acquisition and the acquisition state.
#include "engine/acquisition_state.h"
#include "params/acquisition_parameters.h"

namespace velmar {

inline constexpr const char* kVersionText = "Version 11/04/2002    Kpz";

struct SharedState {
  AcquisitionParameters parameters;
  AcquisitionState acquisition;
};

}  // namespace velmar
