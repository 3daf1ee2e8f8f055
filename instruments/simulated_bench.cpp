#include "instruments/simulated_bench.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/format.h"
#include "platform/key_value_text.h"

namespace velmar {

namespace {
constexpr std::uint16_t kOpenFailed = 1;
constexpr std::uint16_t kBadBoard = 2;
constexpr std::uint16_t kNotOpen = 3;
constexpr std::uint16_t kReadFailed = 5;
constexpr std::uint16_t kWriteFailed = 6;
constexpr std::uint16_t kAnalogFailed = 7;

// A wiring value, or "defined": as the instrument definition in use says.
Setter WiringSetter(int& field, long low, long high) {
  return [&field, number = IntSetter(field, low, high)](const std::string& v) {
    if (v == "defined") {
      field = kAsDefined;
      return true;
    }
    return number(v);
  };
}

Setter FlagSetter(bool& field) {
  return [&field](const std::string& v) {
    if (v != "0" && v != "1") return false;
    field = v == "1";
    return true;
  };
}
}  // namespace

std::string ParseBenchConfig(const std::string& text, BenchConfig& config) {
  BenchConfig c;
  std::map<std::string, Setter> setters = {
      {"shutter_system", WiringSetter(c.shutterSystem, 0, 5)},
      {"tht_system", WiringSetter(c.thtSystem, 0, 5)},
      {"tht_max", WiringSetter(c.thtMax, 1, 100000)},
      {"close_loop_variant", WiringSetter(c.closeLoopVariant, 0, 1)},
      {"fail_open", FlagSetter(c.openFails)},
      {"open_error", [&](const std::string& v) { c.openError = v; return !v.empty(); }},
      {"shutter_stuck", FlagSetter(c.shutterStuck)},
      {"shutter_disconnected", FlagSetter(c.shutterDisconnected)},
      {"tht_not_following", FlagSetter(c.thtNotFollowing)},
      {"close_loop_lost_from", RealSetter(c.closeLoopLostFrom, -1, 1e9)},
      {"close_loop_lost_for", RealSetter(c.closeLoopLostFor, 0, 1e9)},
      {"fail_reads", FlagSetter(c.readFails)},
      {"fail_writes", FlagSetter(c.writeFails)},
      {"fail_analog_out", FlagSetter(c.analogOutFails)},
  };
  const std::string error = ParseKeyValues(text, "axdrv.ini", "", setters);
  if (error.empty()) config = c;
  return error;
}

std::uint16_t SimulatedBench::Open(const std::string& iniFile) {
  std::lock_guard lock(mutex_);
  ++opens_;
  std::ifstream in(iniFile);
  if (in) {
    std::ostringstream text;
    text << in.rdbuf();
    BenchConfig read;
    const std::string error = ParseBenchConfig(text.str(), read);
    if (!error.empty()) {
      config_.openFails = true;
      config_.openError = error;
    } else {
      config_ = read;
    }
  }
  return config_.openFails ? kOpenFailed : 0;
}

std::string SimulatedBench::ErrorText(std::uint16_t code) {
  std::lock_guard lock(mutex_);
  switch (code) {
    case 0: return "";
    case kOpenFailed: return config_.openError;
    case kBadBoard: return "AXDRV: no such board or port";
    case kNotOpen: return "AXDRV: the board is not open";
    case kReadFailed: return "AXDRV: digital input read error";
    case kWriteFailed: return "AXDRV: digital output write error";
    case kAnalogFailed: return "AXDRV: analog output error";
    default: return Format("AXDRV: error %u", code);
  }
}

std::uint16_t SimulatedBench::AnalogOut(int board, int channel, float volts) {
  std::lock_guard lock(mutex_);
  if (board != 1 || channel != 0) return kBadBoard;
  if (config_.openFails) return kNotOpen;
  if (config_.analogOutFails) return kAnalogFailed;
  analog_ = volts;
  return 0;
}

std::uint16_t SimulatedBench::DigitalOut(int board, int port, std::uint16_t value, std::uint16_t mask) {
  std::lock_guard lock(mutex_);
  if (board < 1 || board > 2 || port < 0 || port > 15) return kBadBoard;
  // A board that did not open answers no call until it opens.
  if (config_.openFails) return kNotOpen;
  if (config_.writeFails) return kWriteFailed;
  std::uint16_t& out = outputs_[board][port];
  out = static_cast<std::uint16_t>((out & ~mask) | (value & mask));
  writes_.push_back({board, port, value, mask});
  return 0;
}

void SimulatedBench::SetDefinedWiring(std::function<BenchWiring()> defined) {
  std::lock_guard lock(mutex_);
  defined_ = std::move(defined);
}

BenchWiring SimulatedBench::Wiring() const {
  std::lock_guard lock(mutex_);
  return WiringLocked();
}

BenchWiring SimulatedBench::WiringLocked() const {
  const BenchWiring defined = defined_ ? defined_() : BenchWiring{};
  const auto pick = [](int configured, int fromDefinition) { return configured == kAsDefined ? fromDefinition : configured; };
  return {pick(config_.shutterSystem, defined.shutterSystem), pick(config_.thtSystem, defined.thtSystem),
          pick(config_.thtMax, defined.thtMax), pick(config_.closeLoopVariant, defined.closeLoopVariant)};
}

// Whether the shutter is closed, from its command lines and wiring.
bool SimulatedBench::ShutterClosed() const {
  std::lock_guard lock(mutex_);
  return ShutterClosedLocked(WiringLocked());
}

bool SimulatedBench::ShutterClosedLocked(const BenchWiring& w) const {
  if (config_.shutterStuck) return true;
  const bool bit5 = (outputs_[1][3] & 0x20) != 0;
  const bool line = (outputs_[2][2] & 0xFF) != 0;
  switch (w.shutterSystem) {
    case 1: return !bit5;
    case 2: return bit5;
    case 3: return !line;
    case 4: return line;
    default: return true;
  }
}

std::uint16_t SimulatedBench::StatusBits(int board, int port) const {
  std::uint16_t bits = 0;
  const BenchWiring w = WiringLocked();
  const bool closed = ShutterClosedLocked(w);
  const auto seconds = static_cast<double>(ProcessClock().MonotonicMs()) / 1000.0;
  const auto lostAt = [seconds](double from, double lasting) {
    return from >= 0 && seconds >= from && seconds < from + lasting;
  };
  const bool lockLost = lostAt(config_.closeLoopLostFrom, config_.closeLoopLostFor) ||
                        lostAt(scheduledLossFrom_, scheduledLossFor_);
  const std::uint16_t loopBit = lockLost ? 0 : 1;
  if (board == 1 && port == 3) {
    if (w.shutterSystem == 1 || w.shutterSystem == 2)
      bits |= config_.shutterDisconnected ? 6 : (closed ? 4 : 2);
    if (w.closeLoopVariant == 0) bits |= loopBit;
  }
  if (board == 2 && port == 5 && (w.shutterSystem == 3 || w.shutterSystem == 4))
    bits |= config_.shutterDisconnected ? 3 : (closed ? 2 : 1);
  if (board == 2 && port == 8 && w.closeLoopVariant == 1) bits |= loopBit;
  // The THT supply's read-back of its actual voltage.
  double volts = 0.0;
  if (!config_.thtNotFollowing) {
    if (w.thtSystem == 1 || w.thtSystem == 2) volts = analog_ * w.thtMax / 5.0;
    if (w.thtSystem == 3 || w.thtSystem == 4) {
      const int code = (outputs_[2][0] & 0xFF) | ((outputs_[2][1] & 3) << 8);
      volts = code * 1530.0 / (0.8 * 1024.0);
    }
  }
  if (board == 1 && (port == 0 || port == 1) && w.thtSystem == 2) {
    const auto raw = static_cast<std::uint16_t>(std::lround(volts / 0.57198));
    bits |= port == 0 ? (raw & 0xFF) : (raw >> 8);
  }
  if (board == 2 && (port == 3 || port == 4) && w.thtSystem == 3) {
    const int code = std::min(1023, static_cast<int>(volts * 1024.0 / 2500.0));
    bits |= port == 3 ? (code & 0xFF) : (code >> 8);
  }
  return bits;
}

std::uint16_t SimulatedBench::DigitalIn(int board, int port, std::uint16_t& value) {
  std::lock_guard lock(mutex_);
  if (board < 1 || board > 2 || port < 0 || port > 15) return kBadBoard;
  if (config_.openFails) return kNotOpen;
  if (config_.readFails) return kReadFailed;
  value = StatusBits(board, port);
  return 0;
}

std::vector<SimulatedBench::Write> SimulatedBench::writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

std::uint16_t SimulatedBench::Output(int board, int port) const {
  std::lock_guard lock(mutex_);
  return outputs_[board][port];
}

float SimulatedBench::AnalogSetPoint() const {
  std::lock_guard lock(mutex_);
  return analog_;
}

void SimulatedBench::SetConfig(const BenchConfig& config) {
  std::lock_guard lock(mutex_);
  config_ = config;
}

void SimulatedBench::ScheduleCloseLoopLoss(double from, double lasting) {
  std::lock_guard lock(mutex_);
  scheduledLossFrom_ = from;
  scheduledLossFor_ = lasting;
}

int SimulatedBench::opens() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

}  // namespace velmar
