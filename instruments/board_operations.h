#pragma once
// The program's operations on the input-output board: opening it, the shutter's
// command and status for every shutter system, the close-loop signal.
#include <optional>
#include <string>

#include "engine/acquisition_state.h"
#include "instruments/io_board.h"
#include "params/acquisition_parameters.h"

namespace velmar {

inline constexpr const char* kBoardIniFile = "axdrv.ini";

// The status word of a code (0..4) for a shutter system.
const char* ShutterStatusText(std::int32_t shutterSystem, std::int32_t code);

// Where the board's readings are shown (parameters, tuning and filters windows).
class BoardDisplay {
 public:
  virtual ~BoardDisplay() = default;
  virtual void ShowShutterStatus(const std::string& /*text*/, std::int32_t /*code*/, std::int32_t /*system*/) {}
  virtual void ShowShutterClosedLabel(bool /*shown*/) {}
  virtual void ShowCloseLoop(const std::string& /*text*/, bool /*red*/) {}
};

class InstrumentBoard {
 public:
  InstrumentBoard(IoBoard& board, AcquisitionParameters& p, AcquisitionState& s) : board_(board), p_(p), s_(s) {}

  // True when opening failed (the error text is then in lastErrorText()).
  bool OpenBoard();
  void CommandShutter(int close);
  void SetShutterBit(int close);
  // The status code 0..4, or nothing when the reading failed.
  std::optional<std::int32_t> ReadShutterStatus();
  void RefreshShutterStatus(BoardDisplay& display);
  void ShowShutterStatus(BoardDisplay& display);
  // The close-loop bit (1 = loop good), or nothing when the reading failed.
  std::optional<std::int32_t> ReadCloseLoop(bool closeLoopAlarm = false);
  void UpdateCloseLoopError(bool closeLoopAlarm = false);
  // Why the last close-loop update read nothing (the driver's text); empty when it read.
  const std::string& closeLoopUnread() const { return closeLoopUnread_; }
  void ShowCloseLoop(BoardDisplay& display);

  // The parallel lines of the CS100 (value = the negated position, 12 bits); false
  // when the board refused a write (the driver's text in lastErrorText()).
  bool WriteCs100Lines(std::uint16_t value);
  // The analog output of the THT set point; false (after ShowError) when it failed.
  bool AnalogOut(float volts);
  // One digital port, read or written; a failure is kept as the last error with
  // the driver's text, and shows nothing.
  std::optional<std::uint16_t> ReadPort(int board, int port);
  void WritePort(int board, int port, std::uint16_t value, std::uint16_t mask);
  std::uint16_t lastError() const { return lastError_; }
  const std::string& lastErrorText() const { return lastErrorText_; }

 private:
  std::uint16_t Keep(std::uint16_t code);

  IoBoard& board_;
  AcquisitionParameters& p_;
  AcquisitionState& s_;
  std::uint16_t lastError_ = 0;
  std::string lastErrorText_;
  std::string closeLoopUnread_;
};

}  // namespace velmar
