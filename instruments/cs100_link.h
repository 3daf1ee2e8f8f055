#pragma once
// The CS100 etalon controller: channel to controller position, and the position
// carried over the serial line, the board's parallel lines, or a test file.
#include <functional>
#include <string>

#include "engine/acquisition_state.h"
#include "engine/counting_state.h"
#include "instruments/board_operations.h"
#include "params/acquisition_parameters.h"
#include "platform/serial_port.h"

namespace velmar {

inline constexpr const char* kCs100Mode = "9600,O,7,1";

// "I4%3.3XP1P0I0" of the position's 12-bit two's complement.
std::string PositionCommand(std::int32_t position);

// Nearest integer, exact halves toward zero, of (channel - 1) * PFstep + PFbase.
std::int32_t PositionOfChannel(std::int32_t channel, float PFstep, float PFbase);

// The link's status line: "initializing PF" and "driving PF", then the counting
// status again.
class Cs100Console {
 public:
  virtual ~Cs100Console() = default;
  virtual void ShowLinkState(CountingState state) = 0;
  virtual void RestoreCountingState() = 0;
};

class Cs100Link {
 public:
  // endProgram runs after the error of a serial port that cannot be opened (safe
  // stop, temporary files removed, exit with code 0).
  Cs100Link(AcquisitionParameters& p, AcquisitionState& s, InstrumentBoard& board, Cs100Console& console,
            std::function<void()> endProgram)
      : p_(p), s_(s), board_(board), console_(console), endProgram_(std::move(endProgram)) {}

  void ComputeScanGeometry();
  void InitialiseController();
  void SendPosition(std::int32_t value);
  void DriveToChannel(std::int32_t channel);
  void InitialiseAndPark();
  void InitialiseIfScanning();
  // A plan that scans on a link not initialised yet (the previous plan did not
  // scan, or used another link): the controller is initialised; true when it was.
  bool InitialiseIfNotYet();
  bool portOpened() const { return portOpenedMarker_ == kOpenedMarker; }
  // Why the last position did not reach the controller (the line, the board or the
  // test file refused it); empty when it did.
  const std::string& driveFault() const { return driveFault_; }

 private:
  bool Scanning() const;
  std::string LinkKey() const;  // the link as the controller was initialised on it
  void InitialiseSerial();
  void InitialiseTestFile();
  bool AppendTestLine(const std::string& line, bool create);
  std::string Deliver(std::int32_t value);
  void LogDriveFault(const std::string& line);

  AcquisitionParameters& p_;
  AcquisitionState& s_;
  InstrumentBoard& board_;
  Cs100Console& console_;
  std::function<void()> endProgram_;
  SerialPort port_;
  std::int32_t portOpenedMarker_ = 0;
  bool testFileErrorShown_ = false;
  std::string initialisedLink_;  // empty: never initialised
  std::string driveFault_;
  std::int32_t lastDelivered_ = 0;
  bool delivered_ = false;  // a position reached the controller in this run
  // The log the fault was said in, or the one it waits for in the queue: a new
  // observation's log is told again.
  std::string faultLoggedIn_;
  bool faultQueued_ = false;
  std::string logWhenQueued_;
};

}  // namespace velmar
