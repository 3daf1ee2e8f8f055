#include "app/interrupted_observation.h"

#include <cstdio>
#include <filesystem>

#include "platform/witness_file.h"
#include "engine/channel_in_progress.h"
#include "engine/photon_file.h"
#include "params/acquisition_parameters.h"
#include "params/fixed_text.h"
#include "params/parameters_file.h"
#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

namespace {

namespace fs = std::filesystem;

struct PartialFile {
  std::string name;     // in the directory
  std::string channel;  // the channel file it stands for ("ipcsdata.tmp" when unknown)
  std::string log;      // empty when unknown
};

// Without a mark (a program that did not write one), "ipcsdata.tmp" is still a
// channel in progress; its log is the one written last.
std::string NewestLog(const std::string& directory) {
  std::string newest;
  fs::file_time_type newestTime{};
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(directory, ec)) {
    if (entry.path().extension() != ".VLT" || !entry.is_regular_file(ec)) continue;
    const auto time = entry.last_write_time(ec);
    if (newest.empty() || time > newestTime) {
      newest = entry.path().filename().string();
      newestTime = time;
    }
  }
  return newest;
}

std::optional<PartialFile> FindPartialFile(const std::string& directory) {
  std::error_code ec;
  if (const auto mark = ReadChannelInProgress(directory)) {
    // A mark whose file is gone: the channel was closed just before the end.
    if (!fs::is_regular_file(JoinPath(directory, mark->writtenFile), ec)) return std::nullopt;
    return PartialFile{mark->writtenFile, mark->channelFile, mark->logFile};
  }
  if (!fs::is_regular_file(JoinPath(directory, kTemporaryPhotonFile), ec)) return std::nullopt;
  return PartialFile{kTemporaryPhotonFile, kTemporaryPhotonFile, NewestLog(directory)};
}

// "G0420103.VLA.partial", or "...partial2", "...partial3" when an earlier one is there.
std::string FreeAsideName(const std::string& directory, const std::string& channel) {
  std::error_code ec;
  std::string name = channel + kPartialSuffix;
  for (int n = 2; fs::exists(JoinPath(directory, name), ec); ++n) name = channel + kPartialSuffix + std::to_string(n);
  return name;
}

bool NoteInLog(const std::string& directory, const InterruptedChannel& found, const LocalTime& now) {
  std::FILE* log = std::fopen(JoinPath(directory, found.logFile).c_str(), "r+");  // the log must exist already
  if (!log) return false;
  const std::string what =
      found.movedTo.empty()
          ? Format("its partial file %s could not be moved aside (%s)", found.partialFile.c_str(), found.problem.c_str())
          : Format("its partial file %s was moved aside as %s", found.partialFile.c_str(), found.movedTo.c_str());
  const bool written =
      std::fseek(log, 0, SEEK_END) == 0 &&
      std::fprintf(log, "\n!!! Found at the next start, %s : the program ended during a channel; %s",
                   TimeText(now).c_str(), what.c_str()) >= 0;
  return std::fclose(log) == 0 && written;
}

}  // namespace

std::string PreviousDataDirectory() {
  std::error_code ec;
  if (!fs::is_regular_file(ParametersFilePath(), ec)) return {};
  // A quiet look: the file's faults are said once, when the parameters are loaded.
  AcquisitionParameters previous{};
  if (!ReadParametersFileQuietly(previous)) return {};
  return std::string(TextOf(previous.Path));
}

std::optional<InterruptedChannel> RecoverInterruptedChannel(const std::string& dataDirectory, const LocalTime& now) {
  if (dataDirectory.empty()) return std::nullopt;
  const auto partial = FindPartialFile(dataDirectory);
  if (!partial) {
    ClearChannelInProgress(dataDirectory);
    return std::nullopt;
  }
  InterruptedChannel found{dataDirectory, partial->name, {}, {}, {}};
  const std::string aside = FreeAsideName(dataDirectory, partial->channel);
  std::error_code ec;
  fs::rename(JoinPath(dataDirectory, partial->name), JoinPath(dataDirectory, aside), ec);
  if (ec) found.problem = ec.message();
  else found.movedTo = aside;
  found.logFile = partial->log;
  if (!found.logFile.empty() && !NoteInLog(dataDirectory, found, now)) found.logFile.clear();
  // What a clean end removes: the mark and the announcement of the last file.
  if (!found.movedTo.empty()) ClearChannelInProgress(dataDirectory);
  fs::remove(JoinPath(dataDirectory, kAnnouncementFile), ec);
  return found;
}

std::optional<InterruptedChannel> RecoverPreviousObservation(const LocalTime& now) {
  auto found = RecoverInterruptedChannel(PreviousDataDirectory(), now);
  DeleteWitnessFile();  // no other copy runs: the witness file is a leftover
  return found;
}

std::array<std::string, 3> InterruptedChannelMessage(const InterruptedChannel& found) {
  const std::string where = JoinPath(found.directory, found.partialFile);
  const std::string log = found.logFile.empty() ? std::string("no log could be noted")
                                                : "noted in " + found.logFile;
  if (found.movedTo.empty())
    return {"The previous observation was interrupted during a channel", where,
            "Its partial file could not be moved aside (" + found.problem + "); " + log};
  return {"The previous observation was interrupted during a channel", where,
          "This partial file was moved aside as " + found.movedTo + "; " + log + "; complete channels are kept"};
}

}  // namespace velmar
