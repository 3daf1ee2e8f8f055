#include "engine/channel_cut_short.h"

#include <filesystem>

#include "engine/channel_in_progress.h"
#include "params/fixed_text.h"
#include "platform/format.h"

namespace velmar {

std::optional<ChannelCutShort> EndChannelInProgress(AcquisitionState& s, const AcquisitionParameters& p) {
  if (!s.fileOpen) return std::nullopt;
  ChannelCutShort cut;
  // After a redo was chosen the open file is still the interrupted channel's.
  cut.channel = s.interruptedChannel >= 0 ? s.interruptedChannel : s.currentChannel;
  cut.cycle = s.interruptedChannel >= 0 ? s.interruptedCycle : s.currentCycle;
  cut.fileName = s.fileName;
  cut.partialKept = s.tempFileMode == 0;
  s.fileOpen = 0;
  std::error_code ec;
  if (!cut.partialKept && !s.tempPath.empty()) std::filesystem::remove(s.tempPath, ec);
  ClearChannelInProgress(std::string(TextOf(p.Path)));
  return cut;
}

std::string CutShortText(const ChannelCutShort& cut) {
  if (cut.partialKept)
    return Format("Channel %d of cycle %d was in progress: %s holds only part of its exposure.", cut.channel,
                  cut.cycle, cut.fileName.c_str());
  return Format("Channel %d of cycle %d was in progress: its photons were not kept.", cut.channel, cut.cycle);
}

std::array<std::string, 3> CutShortLines(const ChannelCutShort& cut) {
  const std::string first = Format("Channel %d of cycle %d was in progress", cut.channel, cut.cycle);
  if (cut.partialKept) return {first, cut.fileName, "This file holds only part of its exposure; complete channels are kept"};
  return {first, cut.fileName, "Its photons were not kept; complete channels are kept"};
}

std::string CutShortLogLine(const ChannelCutShort& cut, const std::string& timeOfDay) {
  return Format("!!! Acquisition ended at %s : %s", timeOfDay.c_str(), CutShortText(cut).c_str());
}

}  // namespace velmar
