#include "engine/photon_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/channel_in_progress.h"
#include "engine/photon_records.h"
#include "params/fixed_text.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

std::string ChannelFileName(const AcquisitionParameters& p, std::int32_t cycle, std::int32_t channel) {
  const std::string prefix(TextOf(p.Prefix));
  if (p.FileType == 1) return Format("%s%3.3d%4.4d%4.4d.VLA", prefix.c_str(), p.Numobs, cycle, channel);
  return Format("%s%3.3d%2.2d%2.2d.VLA", prefix.c_str(), p.Numobs, cycle, channel);
}

namespace {

const std::string& WrittenPath(const AcquisitionState& s) { return s.tempFileMode == 1 ? s.tempPath : s.filePath; }

int OpenForWriting(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644); }

DiskErrorReport WriteError(const std::string& path, long code, int fd, int error) {
  return {"Impossible to write data onto disk !", Format("Write operation returned code = %ld", code),
          Format("Handle write = %d", fd), path, error, std::strerror(error)};
}

FileOutcome Report(DiskErrorWindow& window, const DiskErrorReport& report) {
  return window.ShowDiskError(report) == DiskErrorChoice::QuitIntegration ? FileOutcome::QuitIntegration
                                                                          : FileOutcome::EndStep;
}

}  // namespace

std::string OpenChannelFile(AcquisitionState& s, const AcquisitionParameters& p, int* openError) {
  const std::string directory(TextOf(p.Path));
  s.fileName = ChannelFileName(p, s.currentCycle, s.currentChannel);
  s.filePath = JoinPath(directory, s.fileName);
  s.tempPath = JoinPath(directory, kTemporaryPhotonFile);
  s.fileOpen = 0;
  const std::string& path = WrittenPath(s);
  // Marked before the file is made, so that no partial file is ever without its mark.
  MarkChannelInProgress(directory, {s.fileName, std::filesystem::path(path).filename().string(),
                                    std::filesystem::path(s.logPath).filename().string()});
  if (s.tempFileMode == 1) ::unlink(path.c_str());
  // Created empty; a file of that name left by an earlier acquisition is replaced.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (openError) *openError = fd >= 0 ? 0 : errno;
  if (fd >= 0) {
    ::fchmod(fd, 0644);
    ::close(fd);
  }
  s.bytesInFile = 0;
  s.fileOpen = 1;
  return Format("writing %s", s.fileName.c_str());
}

AppendResult AppendPhotons(AcquisitionState& s, const AcquisitionParameters& p, const PhotonBuffer::Snapshot& events,
                           DiskErrorWindow& window) {
  const std::string& path = WrittenPath(s);
  const char* caseName = s.tempFileMode == 1 ? "B" : "A";
  // The second's records are encoded into one block and written at once.
  thread_local std::vector<std::uint8_t> block;
  block.clear();
  EncodeRecords(events.x, events.y, events.tag, events.events, GeometryOf(p), block);
  const std::size_t size = static_cast<std::size_t>(RecordSize(p.DataFormat));
  const auto allLost = [&](int error) {
    return AppendResult{FileOutcome::EndStep, static_cast<std::int32_t>(block.size() / size), error};
  };
  int fd = OpenForWriting(path);
  if (fd < 0 && s.tempFileMode == 0) fd = OpenForWriting(path);  // once more
  if (fd < 0) {
    const int error = errno;
    ShowError(Format("Impossible reopen old temporary file [case %s]", caseName), path, "Is the disk full ???");
    return allLost(error);
  }
  const off_t reached = ::lseek(fd, static_cast<off_t>(s.bytesInFile), SEEK_SET);
  if (reached != static_cast<off_t>(s.bytesInFile)) {
    const int error = reached < 0 ? errno : EIO;
    ::close(fd);
    ShowError(Format("Impossible to lseek old tempory file [case %s]", caseName), path, "Is the disk full ???");
    return allLost(error);
  }
  std::size_t done = 0;
  long result = 0;
  int error = 0;
  while (done < block.size()) {
    result = static_cast<long>(::write(fd, block.data() + done, block.size() - done));
    if (result <= 0) {
      error = result < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<std::size_t>(result);
  }
  // A record the disk took only in part is cut off, so every record after it stays
  // aligned; were the cut refused, the next second still writes over the piece.
  const std::size_t kept = done / size * size;
  if (kept != done) static_cast<void>(::ftruncate(fd, static_cast<off_t>(s.bytesInFile + static_cast<std::int64_t>(kept))));
  s.bytesInFile += static_cast<std::int64_t>(kept);
  ::close(fd);
  if (done == block.size()) return {};
  AppendResult lost{FileOutcome::EndStep, static_cast<std::int32_t>((block.size() - kept) / size), error};
  lost.outcome = Report(window, WriteError(path, result, fd, error));
  return lost;
}

namespace {

bool WriteAnnouncement(const std::string& path, const std::string& name) {
  for (int attempt = 0; attempt < 10000; ++attempt) {
    std::FILE* file = std::fopen(path.c_str(), "w+");
    if (!file) continue;
    const bool written = std::fprintf(file, "%s\n", name.c_str()) >= 0;
    return std::fclose(file) == 0 && written;
  }
  return false;
}

}  // namespace

FileOutcome CloseChannelFile(AcquisitionState& s, const AcquisitionParameters& p, DiskErrorWindow& window) {
  s.fileOpen = 0;
  const std::string directory(TextOf(p.Path));
  if (s.tempFileMode == 1) {
    // The mark goes once the final name holds the photons (or the channel is dropped).
    struct ClearMark {
      const std::string& directory;
      ~ClearMark() { ClearChannelInProgress(directory); }
    } clearMark{directory};
    ::unlink(s.filePath.c_str());
    if (s.closeLoopRedoPending) {
      s.closeLoopRedoPending = 0;  // the spoilt channel's file is dropped
      return FileOutcome::Done;
    }
    if (std::rename(s.tempPath.c_str(), s.filePath.c_str()) != 0) {
      const int error = errno;
      s.fileOpen = 1;  // still written under its temporary name
      return Report(window, {kRenameFailure, Format("Rename operation returned code = %d", -1),
                             Format("Handle write = %d", -1), s.filePath, error, std::strerror(error)});
    }
    return FileOutcome::Done;
  }
  // The file is complete before it is announced: a crash from here on leaves no mark.
  ClearChannelInProgress(directory);
  const std::string announcement = JoinPath(directory, kAnnouncementFile);
  // The other programs wait for this line: the operator is asked to free the disk,
  // and it is tried again a few times before the step goes on without it.
  for (int round = 0; round < 3; ++round) {
    if (WriteAnnouncement(announcement, s.fileName)) return FileOutcome::Done;
    ShowError("Pb ecriture IPCSCHN.TMP par VlmIPCS", "peut et doit se lever ...", "");
  }
  return FileOutcome::Done;
}

}  // namespace velmar
