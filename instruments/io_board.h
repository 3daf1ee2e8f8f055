#pragma once
// The input-output board layer: the five driver operations the program uses, on
// boards 1 and 2 with 16-bit ports. Every call returns the driver's 16-bit code
// (0 = success). The simulated bench (simulated_bench.h) is the backend here.
#include <cstdint>
#include <string>

namespace velmar {

class IoBoard {
 public:
  virtual ~IoBoard() = default;
  virtual std::uint16_t Open(const std::string& iniFile) = 0;
  virtual std::string ErrorText(std::uint16_t code) = 0;
  virtual std::uint16_t AnalogOut(int board, int channel, float volts) = 0;
  virtual std::uint16_t DigitalIn(int board, int port, std::uint16_t& value) = 0;
  // Only the bits set in mask take value's bits; the others keep their state.
  virtual std::uint16_t DigitalOut(int board, int port, std::uint16_t value, std::uint16_t mask) = 0;
};

}  // namespace velmar
