// vlmipcs-temperature-sim: a temperature controller on a serial device (or on
// standard input and output) answering the program's two requests. --log keeps
// every byte the program sent, as it arrived.
#include <cstdio>
#include <optional>
#include <string>

#include "instruments/device_simulators.h"
#include "instruments/simulator_line.h"
#include "instruments/temperature.h"
#include "platform/number_text.h"

using namespace velmar;

namespace {

const char* kUsage = R"(vlmipcs-temperature-sim: a temperature controller, simulated on a serial line.

Answers the acquisition program's two requests (9600,E,7,1): the temperature
measured and the temperature commanded.

  --device PATH         the serial device (a pseudo-terminal) to answer on;
                        without it, standard input and output
  --temperature T       the temperature measured, whole degrees (default 23)
  --command T           the temperature commanded, whole degrees (default 20)
  --silent              never answer
  --garbage             answer with bytes that are no reply
  --short               answer with replies cut short
  --log FILE            append every byte received to FILE
  --help                this text

Exit code 0 when the line closes, 2 for a bad argument or a device or log that
cannot be opened.
)";

int Fail(const std::string& text) {
  std::fprintf(stderr, "vlmipcs-temperature-sim: %s (see --help)\n", text.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string device, logPath;
  TemperatureKnobs knobs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool valued = a == "--device" || a == "--temperature" || a == "--command" || a == "--log";
    if (valued && i + 1 >= argc) return Fail(a + " needs a value");
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--device") {
      device = argv[++i];
    } else if (a == "--temperature" || a == "--command") {
      const std::optional<int> degrees = WholeInt(argv[++i]);
      if (!degrees) return Fail(a + " needs whole degrees, not " + argv[i]);
      (a == "--temperature" ? knobs.temperature : knobs.command) = *degrees;
    } else if (a == "--silent") {
      knobs.silent = true;
    } else if (a == "--garbage") {
      knobs.garbage = true;
    } else if (a == "--short") {
      knobs.shortReply = true;
    } else if (a == "--log") {
      logPath = argv[++i];
    } else {
      return Fail("unknown argument " + a);
    }
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
