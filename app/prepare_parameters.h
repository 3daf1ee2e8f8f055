#pragma once
// The parameter set as the parameters window prepares it when it is shown for a
// new acquisition: defaults, then the parameters file, the observation number
// moved on, the data directory named after prefix and number, the temporary-file
// mode from the system file.
#include <filesystem>

#include "console/shared_state.h"

namespace velmar {

void PrepareNewAcquisitionParameters(SharedState& shared, const std::filesystem::path& programDir);

// ~/velmar-data, created when missing: where observations go before a data
// directory was ever chosen.
std::string DefaultDataRoot();

}  // namespace velmar
