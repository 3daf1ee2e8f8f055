#pragma once
// The mark of a channel in progress: a small text file "ipcsopen.tmp" in the data
// directory, written when a channel's photon file opens and removed once that file
// holds all the channel's photons. A mark found at start-up therefore names a file
// that a crash left partial; a complete channel never has one.
#include <optional>
#include <string>

namespace velmar {

inline constexpr const char* kChannelInProgressFile = "ipcsopen.tmp";

// Names only, all in the data directory of the mark.
struct ChannelInProgress {
  std::string channelFile;  // the final name, "G0420103.VLA"
  std::string writtenFile;  // the file being written: "ipcsdata.tmp" or the final name
  std::string logFile;      // the observation log, "G042.VLT"; empty when unknown
};

// Best effort: a mark that cannot be written only weakens what a later start can
// tell; it never stops the acquisition.
void MarkChannelInProgress(const std::string& directory, const ChannelInProgress& mark);
void ClearChannelInProgress(const std::string& directory);
// Nothing when there is no mark, or when it does not hold three names.
std::optional<ChannelInProgress> ReadChannelInProgress(const std::string& directory);

}  // namespace velmar
