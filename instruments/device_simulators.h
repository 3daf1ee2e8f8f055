#pragma once
// The devices on the serial lines, simulated: a CS100 controller that takes the
// program's commands and reports the position it was driven to, and a temperature
// controller that answers the two read requests (with knobs for silence, garbage
// and short replies). The programs vlmipcs-cs100-sim and
// vlmipcs-temperature-sim run them on a serial device.
#include <optional>
#include <string>
#include <vector>

namespace velmar {

class Cs100Simulator {
 public:
  // Takes the bytes that arrived; returns the report lines of the commands they
  // completed ("init !QT", "position -316", ...).
  std::vector<std::string> Feed(const std::string& bytes);
  std::optional<int> position() const { return position_; }

 private:
  std::string pending_;
  std::optional<int> position_;
};

struct TemperatureKnobs {
  int temperature = 23;
  int command = 20;
  bool silent = false;   // no reply at all
  bool garbage = false;  // a reply without digits where the value should be
  bool shortReply = false;  // a reply cut before the value
};

class TemperatureSimulator {
 public:
  explicit TemperatureSimulator(TemperatureKnobs knobs) : knobs_(knobs) {}
  // Takes the bytes that arrived; returns what the controller answers.
  std::string Feed(const std::string& bytes);

 private:
  std::string Reply(int value) const;
  TemperatureKnobs knobs_;
  std::string pending_;
};

}  // namespace velmar
