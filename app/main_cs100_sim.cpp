// vlmipcs-cs100-sim: a CS100 controller on a serial device (or on standard input
// and output), reporting each command and position on standard error or a log.
#include <cstdio>
#include <string>

#include "instruments/cs100_link.h"
#include "instruments/device_simulators.h"
#include "instruments/simulator_line.h"

using namespace velmar;

namespace {

const char* kUsage = R"(vlmipcs-cs100-sim: a Queensgate CS100 controller, simulated on a serial line.

Takes the controller's commands as the acquisition program sends them (9600,O,7,1)
and reports each command and each position it is driven to, one line each.

  --device PATH         the serial device (a pseudo-terminal) to answer on;
                        without it, standard input and output
  --log FILE            append the reports to FILE instead of standard error
  --help                this text

To rehearse without the instrument, join it to the program with socat:
  socat pty,raw,link=/tmp/com2 pty,raw,link=/tmp/com2-sim &
  vlmipcs-cs100-sim --device /tmp/com2-sim &
  VELMAR_COM2=/tmp/com2 vlmipcs-observe --cs100 serial:2 ...

Exit code 0 when the line closes, 2 for a bad argument or a device or log that
cannot be opened.
)";

}  // namespace

int main(int argc, char** argv) {
  std::string device, logPath;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if ((a == "--device" || a == "--log") && i + 1 < argc) {
      (a == "--device" ? device : logPath) = argv[++i];
    } else {
      std::fprintf(stderr, "vlmipcs-cs100-sim: %s (see --help)\n",
                   a == "--device" || a == "--log" ? (a + " needs a value").c_str() : ("unknown argument " + a).c_str());
      return 2;
    }
  }
  SimulatorLine line;
  if (const std::string error = line.Open(device, kCs100Mode); !error.empty()) {
    std::fprintf(stderr, "vlmipcs-cs100-sim: %s\n", error.c_str());
    return 2;
  }
  std::FILE* log = logPath.empty() ? stderr : std::fopen(logPath.c_str(), "a");
  if (!log) {
    std::fprintf(stderr, "vlmipcs-cs100-sim: cannot write %s\n", logPath.c_str());
    return 2;
  }
  Cs100Simulator cs100;
  for (std::string bytes; line.Read(bytes);)
    for (const auto& report : cs100.Feed(bytes)) {
      std::fprintf(log, "%s\n", report.c_str());
      std::fflush(log);
    }
  return 0;
}
