#include "engine/channel_in_progress.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/system_dir.h"

namespace velmar {

namespace {

std::string MarkPath(const std::string& directory) { return JoinPath(directory, kChannelInProgressFile); }

// A name read back must stay a plain name of the directory.
bool PlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

}  // namespace

void MarkChannelInProgress(const std::string& directory, const ChannelInProgress& mark) {
  std::FILE* file = std::fopen(MarkPath(directory).c_str(), "w");
  if (!file) return;
  std::fprintf(file, "%s\n%s\n%s\n", mark.channelFile.c_str(), mark.writtenFile.c_str(), mark.logFile.c_str());
  std::fclose(file);
}

void ClearChannelInProgress(const std::string& directory) {
  std::error_code ec;
  std::filesystem::remove(MarkPath(directory), ec);
}

std::optional<ChannelInProgress> ReadChannelInProgress(const std::string& directory) {
  std::ifstream in(MarkPath(directory));
  ChannelInProgress mark;
  if (!std::getline(in, mark.channelFile) || !std::getline(in, mark.writtenFile) || !std::getline(in, mark.logFile))
    return std::nullopt;
  if (!PlainName(mark.channelFile) || !PlainName(mark.writtenFile)) return std::nullopt;
  if (!mark.logFile.empty() && !PlainName(mark.logFile)) mark.logFile.clear();
  return mark;
}

}  // namespace velmar
