#include "app/cube_options.h"

#include <filesystem>

#include "export/observation_reader.h"

namespace velmar {

namespace fs = std::filesystem;

const char* CubeUsage() {
  return R"(vlmipcs-cube: the photon cube of an observation, live, in a window.

  vlmipcs-cube [--bin B] [--snapshots DIR] OBSERVATION

OBSERVATION is the data directory of an observation (holding one .VLT log) or
the log itself, written by any copy of the program, finished or still running.
The window shows the image of a channel (photons summed over the cycles), the
photons per channel, and the spectrum under the mouse and in a box drawn with
the left button; it follows the observation as each channel file takes its
final name. It only reads: the file being written is never opened, and nothing
is written in the data directory.

  --bin B            keep the cube binned B by B addresses (1, 2, 4 or 8; by
                     default the smallest that keeps it within 64 MiB)
  --snapshots DIR    save a picture of the window in DIR (an existing directory,
                     not the data directory) each time channel files are added
  --help             this text

Exit code 0 when the window is closed, 1 without a display, 2 for a bad argument
(an observation that cannot be read is one); Ctrl-C, SIGTERM or SIGHUP close the
window and end it with 128 + the signal's number.
)";
}

CubeOptions ParseCubeOptions(const std::vector<std::string>& args, std::string& error) {
  CubeOptions o;
  error.clear();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o.help = true;
      return o;
    }
    if (a == "--bin" || a == "--snapshots") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = a + " needs a value";
        return o;
      }
      const std::string& value = args[++i];
      if (a == "--bin") {
        if (value != "1" && value != "2" && value != "4" && value != "8") {
          error = "--bin takes 1, 2, 4 or 8, not " + value;
          return o;
        }
        o.bin = std::stoi(value);
      } else {
        o.snapshots = value;
      }
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown argument " + a;
      return o;
    } else if (o.observation.empty()) {
      o.observation = a;
    } else {
      error = "one observation at a time";
      return o;
    }
  }
  if (o.observation.empty()) {
    error = "name an observation: its data directory or its .VLT log";
    return o;
  }
  std::string reason;
  const auto observation = ReadObservation(o.observation, reason);
  if (!observation) {
    error = reason;
    return o;
  }
  if (!o.snapshots.empty()) {
    std::error_code ec;
    if (!fs::is_directory(o.snapshots, ec)) {
      error = "--snapshots: no such directory " + o.snapshots;
      return o;
    }
    if (fs::equivalent(o.snapshots, observation->directory, ec)) {
      error = "--snapshots: the data directory itself is never written into";
      return o;
    }
  }
  return o;
}

}  // namespace velmar
