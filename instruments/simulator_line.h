#pragma once
// The line a device simulator talks on: a serial device, or its standard input
// and output (a pseudo-terminal's master, for instance).
#include <string>

#include "platform/serial_port.h"

namespace velmar {

class SimulatorLine {
 public:
  // An empty device means standard input and output. Empty text when ready.
  std::string Open(const std::string& device, const std::string& mode);
  // The next bytes that arrived; false when the line was closed.
  bool Read(std::string& bytes);
  void Write(const std::string& bytes);

 private:
  SerialPort port_;
};

}  // namespace velmar
