// vlmipcs-temperature-sim: a temperature controller on a serial device (or on
// standard input and output) answering the program's two requests. --log keeps
// every byte the program sent, as it arrived.
//   vlmipcs-temperature-sim [--device D] [--temperature 23] [--command 20]
//                           [--silent] [--garbage] [--short] [--log requests.bin]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "instruments/device_simulators.h"
#include "instruments/simulator_line.h"
#include "instruments/temperature.h"

using namespace velmar;

int main(int argc, char** argv) {
  std::string device, logPath;
  TemperatureKnobs knobs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const std::string value = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--device") device = value, ++i;
    else if (a == "--temperature") knobs.temperature = std::atoi(value.c_str()), ++i;
    else if (a == "--command") knobs.command = std::atoi(value.c_str()), ++i;
    else if (a == "--silent") knobs.silent = true;
    else if (a == "--garbage") knobs.garbage = true;
    else if (a == "--short") knobs.shortReply = true;
    else if (a == "--log") logPath = value, ++i;
  }
  SimulatorLine line;
  if (const std::string error = line.Open(device, kTemperatureMode); !error.empty()) {
    std::fprintf(stderr, "vlmipcs-temperature-sim: %s\n", error.c_str());
    return 2;
  }
  std::FILE* log = logPath.empty() ? nullptr : std::fopen(logPath.c_str(), "ab");
  if (!logPath.empty() && !log) {
    std::fprintf(stderr, "vlmipcs-temperature-sim: cannot write %s\n", logPath.c_str());
    return 2;
  }
  TemperatureSimulator controller(knobs);
  for (std::string bytes; line.Read(bytes);) {
    if (log && !bytes.empty()) {
      std::fwrite(bytes.data(), 1, bytes.size(), log);
      std::fflush(log);
    }
    if (const std::string answer = controller.Feed(bytes); !answer.empty()) line.Write(answer);
  }
  return 0;
}
