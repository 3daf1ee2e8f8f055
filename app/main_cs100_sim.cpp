// vlmipcs-cs100-sim: a CS100 controller on a serial device (or on standard input
// and output), reporting each command and position on standard error or a log.
//   vlmipcs-cs100-sim [--device /dev/ttyUSB0] [--log positions.txt]
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "instruments/cs100_link.h"
#include "instruments/device_simulators.h"
#include "platform/serial_port.h"

using namespace velmar;

int main(int argc, char** argv) {
  std::string device, logPath;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--device") == 0) device = argv[i + 1];
    if (std::strcmp(argv[i], "--log") == 0) logPath = argv[i + 1];
  }
  SerialPort port;
  int in = STDIN_FILENO;
  if (!device.empty()) {
    const std::string error = port.Open(device, kCs100Mode);
    if (!error.empty()) {
      std::fprintf(stderr, "vlmipcs-cs100-sim: %s\n", error.c_str());
      return 2;
    }
  }
  std::FILE* log = logPath.empty() ? stderr : std::fopen(logPath.c_str(), "a");
  if (!log) return 2;
  Cs100Simulator cs100;
  for (;;) {
    std::string bytes;
    if (port.isOpen()) {
      bytes = port.ReadAvailable(256);
      if (bytes.empty()) usleep(2000);
    } else {
      char buffer[256];
      const ssize_t n = ::read(in, buffer, sizeof buffer);
      if (n <= 0) return 0;  // the line was closed
      bytes.assign(buffer, static_cast<std::size_t>(n));
    }
    for (const auto& report : cs100.Feed(bytes)) {
      std::fprintf(log, "%s\n", report.c_str());
      std::fflush(log);
    }
  }
}
