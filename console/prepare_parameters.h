#pragma once
// The parameter set as the parameters window prepares it when it is shown for a
// new acquisition: defaults, then the parameters file, the observation number
// moved on, the data directory named after prefix and number, the temporary-file
// mode from the system file.
#include <filesystem>

#include "engine/shared_state.h"

namespace velmar {

void PrepareNewAcquisitionParameters(SharedState& shared, const std::filesystem::path& programDir);

// The plan as the parameters window shows it: the current type's column as the
// current values; a wavelength never set takes the type's own.
void ApplyShownPlan(AcquisitionParameters& p);

// While no instrument is defined (a first run), preset 3 as the observer would load
// it first; true when it was loaded.
bool LoadFirstPresetIfUndefined(AcquisitionParameters& p);

// ~/velmar-data: where observations go before a data directory was ever chosen.
// Only named here; nothing is created before the parameters are accepted.
std::string DefaultDataRoot();

// At the OK action: creates ~/velmar-data when the data directory lies in it, so
// that the one-level creation of the data directory can follow.
void CreateDefaultDataRootFor(const std::string& dataPath);

}  // namespace velmar
