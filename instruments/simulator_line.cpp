#include "instruments/simulator_line.h"

#include <unistd.h>

namespace velmar {

std::string SimulatorLine::Open(const std::string& device, const std::string& mode) {
  return device.empty() ? std::string() : port_.Open(device, mode);
}

bool SimulatorLine::Read(std::string& bytes) {
  if (port_.isOpen()) {
    bytes = port_.ReadAvailable(256);
    if (bytes.empty()) usleep(2000);
    return true;
  }
  char buffer[256];
  const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
  if (n <= 0) return false;
  bytes.assign(buffer, static_cast<std::size_t>(n));
  return true;
}

void SimulatorLine::Write(const std::string& bytes) {
  if (port_.isOpen()) port_.Write(bytes);
  else if (::write(STDOUT_FILENO, bytes.data(), bytes.size()) < 0) return;
}

}  // namespace velmar
