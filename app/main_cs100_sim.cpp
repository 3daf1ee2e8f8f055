// vlmipcs-cs100-sim: a CS100 controller on a serial device (or on standard input
// and output), reporting each command and position on standard error or a log.
//   vlmipcs-cs100-sim [--device /dev/ttyUSB0] [--log positions.txt]
#include <cstdio>
#include <cstring>
#include <string>

#include "instruments/cs100_link.h"
#include "instruments/device_simulators.h"
#include "instruments/simulator_line.h"

using namespace velmar;

int main(int argc, char** argv) {
  std::string device, logPath;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--device") == 0) device = argv[i + 1];
    if (std::strcmp(argv[i], "--log") == 0) logPath = argv[i + 1];
  }
  SimulatorLine line;
  if (const std::string error = line.Open(device, kCs100Mode); !error.empty()) {
    std::fprintf(stderr, "vlmipcs-cs100-sim: %s\n", error.c_str());
    return 2;
  }
  std::FILE* log = logPath.empty() ? stderr : std::fopen(logPath.c_str(), "a");
  if (!log) return 2;
  Cs100Simulator cs100;
  for (std::string bytes; line.Read(bytes);)
    for (const auto& report : cs100.Feed(bytes)) {
      std::fprintf(log, "%s\n", report.c_str());
      std::fflush(log);
    }
  return 0;
}
