// vlmipcs-temperature-sim: a temperature controller on a serial device (or on
// standard input and output) answering the program's two requests.
//   vlmipcs-temperature-sim [--device D] [--temperature 23] [--command 20]
//                           [--silent] [--garbage] [--short]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "instruments/device_simulators.h"
#include "instruments/temperature.h"
#include "platform/serial_port.h"

using namespace velmar;

int main(int argc, char** argv) {
  std::string device;
  TemperatureKnobs knobs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : "0";
    if (a == "--device") { device = next; ++i; }
    else if (a == "--temperature") { knobs.temperature = std::atoi(next); ++i; }
    else if (a == "--command") { knobs.command = std::atoi(next); ++i; }
    else if (a == "--silent") knobs.silent = true;
    else if (a == "--garbage") knobs.garbage = true;
    else if (a == "--short") knobs.shortReply = true;
  }
  SerialPort port;
  if (!device.empty()) {
    const std::string error = port.Open(device, kTemperatureMode);
    if (!error.empty()) {
      std::fprintf(stderr, "vlmipcs-temperature-sim: %s\n", error.c_str());
      return 2;
    }
  }
  TemperatureSimulator controller(knobs);
  for (;;) {
    std::string bytes;
    if (port.isOpen()) {
      bytes = port.ReadAvailable(256);
      if (bytes.empty()) usleep(2000);
    } else {
      char buffer[256];
      const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
      if (n <= 0) return 0;
      bytes.assign(buffer, static_cast<std::size_t>(n));
    }
    const std::string answer = controller.Feed(bytes);
    if (answer.empty()) continue;
    if (port.isOpen()) port.Write(answer);
    else if (::write(STDOUT_FILENO, answer.data(), answer.size()) < 0) return 0;
  }
}
