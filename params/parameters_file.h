#pragma once
// The parameters file "vla.def" of the system directory: the parameter set kept
// from one run to the next, one value per line in a fixed order, CR LF line ends.
#include <functional>
#include <optional>
#include <string>

#include "params/acquisition_parameters.h"

namespace velmar {

std::string ParametersFilePath();  // "vla.def" in the system directory
// Where an unusable file is kept: "vla.def.bad", else the first free "vla.def.badN".
std::string BadParametersFilePath(const std::string& path);

// Writes the whole set (and updates the last-used numbers it keeps); on failure
// shows the error and returns false, the set in memory unchanged otherwise.
bool SaveParametersFile(AcquisitionParameters& p, const std::string& path = ParametersFilePath());

// Reads the file over the set. afterLine1 runs once line 1 has set the new
// observation number (the window rebuilds the data path then). A missing, short
// or garbled file ends the reading and falls back to the defaults over whatever
// was read; silently when there is no file (a first start), else with a message.
// The next save keeps the unusable file as "vla.def.bad" before writing a new one.
// Instrument values outside a definition file's ranges are said and not used: the
// instrument block is left undefined, and the file is kept aside in the same way.
void LoadParametersFile(AcquisitionParameters& p, const std::string& path = ParametersFilePath(),
                        const std::function<void()>& afterLine1 = {});

// Reads the file over the set with no message and no defaults; false when it is
// missing, short or garbled (for a look at what the last run saved).
bool ReadParametersFileQuietly(AcquisitionParameters& p, const std::string& path = ParametersFilePath());

// The data directory of an observation: the path's last component replaced by the
// prefix and the number ("%s/%s%3.3d"); nothing when the number is not a number.
std::optional<std::string> RebuildDataPath(const std::string& path, const std::string& prefix,
                                           const std::string& numobsText);

}  // namespace velmar
