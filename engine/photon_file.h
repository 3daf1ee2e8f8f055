#pragma once
// The photon file of each channel: created when the channel starts, appended once
// a second, and at the channel's end renamed from "ipcsdata.tmp" to its final name
// (temporary-file mode 1) or announced in "ipcschn.tmp" (mode 0).
#include <cstdint>
#include <string>
#include <vector>

#include "engine/acquisition_state.h"
#include "engine/photon_buffer.h"
#include "params/acquisition_parameters.h"

namespace velmar {

inline constexpr const char* kTemporaryPhotonFile = "ipcsdata.tmp";
inline constexpr const char* kAnnouncementFile = "ipcschn.tmp";

struct DiskErrorReport {
  std::string kind;    // "Impossible to write data onto disk !" or the rename texts
  std::string code;    // "Write operation returned code = %d" / "Rename operation returned code = %d"
  std::string handle;  // "Handle write = %d"
  std::string path;
  int errnoValue = 0;
  std::string errnoText;
};

inline constexpr const char* kRenameFailure = "Impossible to rename tempraty file !";

enum class DiskErrorChoice { Ignore, QuitIntegration };

// The disk-error window TDiskError (the headless runner prints the report).
class DiskErrorWindow {
 public:
  virtual ~DiskErrorWindow() = default;
  virtual DiskErrorChoice ShowDiskError(const DiskErrorReport& report) = 0;
};

enum class FileOutcome { Done, EndStep, QuitIntegration };

// What one second's append achieved. A second the disk refused in part keeps only
// whole records, so the file stays a plain sequence of records.
struct AppendResult {
  FileOutcome outcome = FileOutcome::Done;
  std::int32_t recordsLost = 0;  // records of the second that did not reach the file
  int error = 0;                 // the system's error number when the file could not be written
};

// "%s%3.3d%2.2d%2.2d.VLA" (short names) or "%s%3.3d%4.4d%4.4d.VLA" (long).
std::string ChannelFileName(const AcquisitionParameters& p, std::int32_t cycle, std::int32_t channel);

// Creates the channel's file empty (replacing an old one), byte count 0; returns
// the "writing %s" text to show. openError receives the system's error number
// when the file could not be created (0 when it was).
std::string OpenChannelFile(AcquisitionState& s, const AcquisitionParameters& p, int* openError = nullptr);

// Appends the snapshot's events. A file that cannot be reopened or positioned is
// reported with ShowError; a short write with the disk-error window.
AppendResult AppendPhotons(AcquisitionState& s, const AcquisitionParameters& p, const PhotonBuffer::Snapshot& events,
                           DiskErrorWindow& window);

// Closes the channel: rename (mode 1, unless the close-loop alarm discarded the
// channel) or announce (mode 0).
FileOutcome CloseChannelFile(AcquisitionState& s, const AcquisitionParameters& p, DiskErrorWindow& window);

}  // namespace velmar
