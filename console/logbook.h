#pragma once
// The observation log read and annotated while acquiring: a comment goes through
// the one-line log queue; the viewer's text is loaded by the store step that
// follows its opening, and again by each store step that finds the log grown, so
// that the viewer follows the log within a second.
#include <cstdint>
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

// The viewer as the loading sees it: shown or not, and how much of the log it shows.
struct LogbookView {
  bool open = false;
  std::uintmax_t shownLength = 0;
};

// When the viewer asked for it, or while it is open and the log has grown: the log
// into the viewer (which keeps its text when the log cannot be read), and the
// request cleared.
void ReloadLogbook(AcquisitionState& s, LogbookView& view, const std::function<void(const std::string&)>& showText);

}  // namespace velmar
