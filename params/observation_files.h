#pragma once
// The photon files of an observation, before it starts: the first one's name, and
// the deletion the operator may ask for when an observation of that name exists.
#include <string>

#include "params/acquisition_parameters.h"

namespace velmar {

// "%s/%s%3.3d0101.VLA" (short names) or "%s/%s%3.3d00010001.VLA" (long).
std::string FirstPhotonFilePath(const AcquisitionParameters& p);

// A photon file of this prefix and number already in the data directory, in
// either name style (the first one's path when it is there); empty when none is.
std::string ExistingPhotonFilePath(const AcquisitionParameters& p);

// Makes writable and deletes every photon file of the prefix and number, in both
// name styles and of any cycle and channel; returns how many it removed.
int DeleteObservationPhotonFiles(const AcquisitionParameters& p);

}  // namespace velmar
