#include "console/logbook.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/format.h"

namespace velmar {

void QueueComment(AcquisitionState& s, const std::string& text, const LocalTime& now) {
  QueueLogLine(s, Format("### Comment at %s : %s", TimeOfDayText(now).c_str(), text.c_str()));
}

std::optional<std::string> ReadLogbook(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void ReloadLogbook(AcquisitionState& s, LogbookView& view, const std::function<void(const std::string&)>& showText) {
  std::error_code ec;
  const std::uintmax_t length = s.logPath.empty() ? 0 : std::filesystem::file_size(s.logPath, ec);
  const bool grown = view.open && !s.logPath.empty() && !ec && length != view.shownLength;
  if (!s.logbookReload && !grown) return;
  s.logbookReload = 0;
  if (const auto text = ReadLogbook(s.logPath)) {
    view.shownLength = text->size();
    showText(*text);
  }
}

}  // namespace velmar
