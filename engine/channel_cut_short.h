#pragma once
// A channel whose acquisition ends before its exposure is complete (abort and quit,
// a signal, quit integration, "New acquisition" from the abort request). Its file
// is never taken for a complete channel in silence: with final names written as
// they go (temporary-file mode 0) the file stays, holding part of the exposure; with
// the temporary file (mode 1) its photons are dropped. Either way the observer is
// told, and the log says it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/acquisition_state.h"
#include "params/acquisition_parameters.h"

namespace velmar {

struct ChannelCutShort {
  std::int32_t channel = 0, cycle = 0;
  std::string fileName;      // the channel's final name
  bool partialKept = false;  // true: the final name holds part of the exposure
};

// Ends the channel in progress, if a channel file is open: the temporary file is
// removed (mode 1), the file is no longer open, the mark of a channel in progress
// goes (it has been said). Nothing when no channel file is open.
std::optional<ChannelCutShort> EndChannelInProgress(AcquisitionState& s, const AcquisitionParameters& p);

// "Channel %d of cycle %d was in progress: %s holds only part of its exposure." or
// "...: its photons were not kept."
std::string CutShortText(const ChannelCutShort& cut);

// The same in three lines for the error window.
std::array<std::string, 3> CutShortLines(const ChannelCutShort& cut);

// The same, as a line of the observation log.
std::string CutShortLogLine(const ChannelCutShort& cut, const std::string& timeOfDay);

}  // namespace velmar
