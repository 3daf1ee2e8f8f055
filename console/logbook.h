#pragma once
// The observation log read and annotated while acquiring: a comment goes through
// the one-line log queue; the viewer's text is loaded by the store step that
// follows its opening, so it shows the log as it was within a second.
#include <functional>
#include <optional>
#include <string>

#include "engine/acquisition_state.h"
#include "platform/clock.h"

namespace velmar {

// The longest comment the comment window takes.
inline constexpr int kCommentLength = 70;

// Queues "### Comment at hh:mm:ss : text".
void QueueComment(AcquisitionState& s, const std::string& text, const LocalTime& now);

// The whole log file, or nothing when it cannot be read.
std::optional<std::string> ReadLogbook(const std::string& path);

// When the viewer asked for it: the log into the viewer (which keeps its text when
// the log cannot be read), and the request cleared.
void ReloadLogbook(AcquisitionState& s, const std::function<void(const std::string&)>& showText);

}  // namespace velmar
