#pragma once
// The photon files of an observation, before it starts: the first one's name, and
// the deletion the operator may ask for when an observation of that name exists.
#include <string>

#include "params/acquisition_parameters.h"

namespace velmar {

// "%s/%s%3.3d0101.VLA" (short names) or "%s/%s%3.3d00010001.VLA" (long).
std::string FirstPhotonFilePath(const AcquisitionParameters& p);

// Makes writable and deletes the photon files of cycles 1 to 98, channels 0 to Lz.
void DeleteObservationPhotonFiles(const AcquisitionParameters& p);

}  // namespace velmar
