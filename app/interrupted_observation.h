#pragma once
// What a start-up finds of an observation that ended without its shutdown (the
// process killed or crashed): the channel then in progress left a file
// holding only part of its exposure. It is moved aside under a name no reader takes
// for a channel file, and the observation's log says so. Complete channels are
// never touched. Run only by the copy that holds the single-instance lock: with
// another copy running, what looks interrupted may be its observation in progress.
#include <array>
#include <optional>
#include <string>

#include "platform/clock.h"

namespace velmar {

inline constexpr const char* kPartialSuffix = ".partial";

struct InterruptedChannel {
  std::string directory;
  std::string partialFile;  // as the interruption left it: "ipcsdata.tmp" or "G0420103.VLA"
  std::string movedTo;      // its name now, in the same directory; empty when it could not be moved
  std::string logFile;      // the log that received the note; empty when none could
  std::string problem;      // why it could not be moved, when it could not
};

// The data directory the parameters file recorded for the last observation; empty
// when there is no parameters file.
std::string PreviousDataDirectory();

// Looks at one data directory; nothing when no channel was in progress there.
std::optional<InterruptedChannel> RecoverInterruptedChannel(const std::string& dataDirectory, const LocalTime& now);

// The start-up check, before the new observation is prepared: the previous data
// directory as the parameters file records it, then the stale witness file removed.
std::optional<InterruptedChannel> RecoverPreviousObservation(const LocalTime& now);

// Three lines for the error window (the runner prints them on one line).
std::array<std::string, 3> InterruptedChannelMessage(const InterruptedChannel& found);

}  // namespace velmar
