#pragma once
// The parameters file "vla.def" of the system directory: the parameter set kept
// from one run to the next, one value per line in a fixed order, CR LF line ends.
#include <functional>
#include <optional>
#include <string>

#include "params/acquisition_parameters.h"

namespace velmar {

std::string ParametersFilePath();  // "vla.def" in the system directory
std::string BadParametersFilePath(const std::string& path);  // where an unusable file is kept

// Writes the whole set (and updates the last-used numbers it keeps); on failure
// shows the error and returns false, the set in memory unchanged otherwise.
bool SaveParametersFile(AcquisitionParameters& p, const std::string& path = ParametersFilePath());

// Reads the file over the set. afterLine1 runs once line 1 has set the new
// observation number (the window rebuilds the data path then). A missing, short
// or garbled file ends the reading and falls back to the defaults over whatever
// was read; silently when there is no file (a first start), else with a message.
// The next save keeps the unusable file as "vla.def.bad" before writing a new one.
void LoadParametersFile(AcquisitionParameters& p, const std::string& path = ParametersFilePath(),
                        const std::function<void()>& afterLine1 = {});

// The data directory of an observation: the path's last component replaced by the
// prefix and the number ("%s/%s%3.3d"); nothing when the number is not a number.
std::optional<std::string> RebuildDataPath(const std::string& path, const std::string& prefix,
                                           const std::string& numobsText);

}  // namespace velmar
