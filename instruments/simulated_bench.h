#pragma once
// The simulated bench: both boards' ports as registers, with the instrument behind
// them. A shutter follows its command bit and reports its status bits (shutter
// systems 1 to 4); the THT supply's read-back follows its set point (THT systems 1
// to 4); the CS100's lock is the close-loop input bit; the CS100 parallel lines are
// latched. "axdrv.ini" configures it and injects faults. Unless the file says
// otherwise, the bench is wired as the instrument definition in use says, so that
// every preset meets an instrument that answers on the lines it reads.
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "instruments/io_board.h"

namespace velmar {

// The instrument's wiring as the program's definition describes it.
struct BenchWiring {
  int shutterSystem = 0;
  int thtSystem = 0;
  int thtMax = 10800;
  int closeLoopVariant = 0;
};

inline constexpr int kAsDefined = -1;

struct BenchConfig {
  // kAsDefined ("defined" in axdrv.ini): as the definition in use says; a value
  // wires the bench so, to rehearse an instrument that does not match.
  int shutterSystem = kAsDefined;     // the wiring of the shutter behind the boards
  int thtSystem = kAsDefined;         // the wiring of the THT supply
  int thtMax = kAsDefined;            // volts at full scale of the analog set point
  int closeLoopVariant = kAsDefined;  // 0: board 1 port 3 bit 0; 1: board 2 port 8 bit 0
  // Faults.
  bool openFails = false;
  std::string openError = "AXDRV: board not found at the configured address";
  bool shutterStuck = false;    // the shutter does not move
  bool shutterDisconnected = false;  // status bits read as a disconnected shutter
  bool thtNotFollowing = false; // the THT read-back stays at 0
  double closeLoopLostFrom = -1, closeLoopLostFor = 0;  // seconds on the process clock
  bool readFails = false;       // digital reads fail
  bool writeFails = false;      // digital writes fail (the ports keep their state)
  bool analogOutFails = false;  // the analog output refuses its set point
};

// Reads "axdrv.ini" (key = value lines); an empty text when it is fine.
std::string ParseBenchConfig(const std::string& text, BenchConfig& config);

class SimulatedBench final : public IoBoard {
 public:
  explicit SimulatedBench(BenchConfig config = {}) : config_(std::move(config)) {}
  // Where the definition's wiring comes from; without it, the wiring of BenchWiring{}.
  void SetDefinedWiring(std::function<BenchWiring()> defined);
  // The wiring in force: the configuration's, else the definition's.
  BenchWiring Wiring() const;

  // Open reads the configuration from the ini file when it exists.
  std::uint16_t Open(const std::string& iniFile) override;
  std::string ErrorText(std::uint16_t code) override;
  std::uint16_t AnalogOut(int board, int channel, float volts) override;
  std::uint16_t DigitalIn(int board, int port, std::uint16_t& value) override;
  std::uint16_t DigitalOut(int board, int port, std::uint16_t value, std::uint16_t mask) override;

  // For tests and the instrument's own view.
  struct Write {
    int board, port;
    std::uint16_t value, mask;
    bool operator==(const Write&) const = default;
  };
  std::vector<Write> writes() const;
  std::uint16_t Output(int board, int port) const;
  float AnalogSetPoint() const;
  const BenchConfig& config() const { return config_; }
  void SetConfig(const BenchConfig& config);
  // A loss of the close loop from a second of the process clock, for a while,
  // kept when the board is opened again (the configuration is read anew then).
  void ScheduleCloseLoopLoss(double from, double lasting);
  int opens() const;
  // Whether the shutter behind the boards is closed now.
  bool ShutterClosed() const;

 private:
  BenchWiring WiringLocked() const;
  bool ShutterClosedLocked(const BenchWiring& w) const;
  std::uint16_t StatusBits(int board, int port) const;

  mutable std::mutex mutex_;
  BenchConfig config_;
  std::function<BenchWiring()> defined_;
  std::array<std::array<std::uint16_t, 16>, 3> outputs_{};  // [board][port]
  float analog_ = 0.0f;
  std::vector<Write> writes_;
  int opens_ = 0;
  double scheduledLossFrom_ = -1, scheduledLossFor_ = 0;
};

}  // namespace velmar
