#pragma once
// Start of an acquisition: the log with its header, the photon file of channel 0,
// its channel-begin record, the counters cleared and counting shown.
#include <string>

#include "engine/store_step.h"

namespace velmar {

// discriminatorText is the text of EditSeuil. Returns false when the start was not
// made (an incorrect discriminator, or a log that cannot be created).
bool StartAcquisition(StoreStepContext& c, const std::string& discriminatorText);

}  // namespace velmar
