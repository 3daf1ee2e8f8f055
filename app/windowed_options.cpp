#include "app/windowed_options.h"

#include <cstring>

#include "platform/program_dir.h"

namespace velmar {

WindowedOptions ParseWindowedOptions(const std::vector<std::string>& args, std::string& error) {
  WindowedOptions o;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--program-dir") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = "--program-dir needs a directory";
        return o;
      }
      o.programDir = args[++i];
    } else if (a.rfind("--program-dir=", 0) == 0) {
      o.programDir = a.substr(std::strlen("--program-dir="));
      if (o.programDir.empty()) error = "--program-dir needs a directory";
    } else {
      error = "unknown argument " + a + " (see --help)";
    }
    if (!error.empty()) return o;
  }
  return o;
}

bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
  return false;
}

const char* WindowedUsage() {
  static const std::string text = R"(vlmipcs: the photon-counting acquisition program, with its windows.

Counts photons from an intensified TV camera while a scanning Fabry-Perot
interferometer steps through its channels: the parameters window first, then the
main window, where Start begins the observation.

)" + std::string(kProgramDirHelp) + R"(
  --program-dir DIR     the program directory
  --help                this text

The program's own files (the parameters file vla.def, the system file, the
witness file) are in the system directory: $VELMAR_SYSTEM_DIR, else
$XDG_DATA_HOME/velmar, else ~/.local/share/velmar.

Without a display, run the observation with vlmipcs-observe instead.
Serial devices: COMn is /dev/ttyS<n-1> unless $VELMAR_COMn names another device.

Exit code 0 when the operator quits, 1 when another copy runs, 2 for a bad
argument or a program directory that cannot be used, 128 + the signal's number
after a signal.
)";
  return text.c_str();
}

}  // namespace velmar
