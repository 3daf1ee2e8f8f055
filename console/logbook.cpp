#include "console/logbook.h"

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

void ReloadLogbook(AcquisitionState& s, const std::function<void(const std::string&)>& showText) {
  if (!s.logbookReload) return;
  s.logbookReload = 0;
  if (const auto text = ReadLogbook(s.logPath)) showText(*text);
}

}  // namespace velmar
