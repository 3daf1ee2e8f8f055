#include "instruments/board_operations.h"

#include "platform/error_reporter.h"

namespace velmar {

const char* ShutterStatusText(std::int32_t shutterSystem, std::int32_t code) {
  static const char* const kTexts[5] = {"OPEN", "UNDEFND", "UNDEFND", "CLOSED", "INHIB"};
  if (code < 0 || code > 4) return "UNDEFND";
  if (shutterSystem == 2 && code == 2) return "DECONCT";
  return kTexts[code];
}

std::uint16_t InstrumentBoard::Keep(std::uint16_t code) {
  lastError_ = code;
  if (code != 0) lastErrorText_ = board_.ErrorText(code);
  return code;
}

bool InstrumentBoard::OpenBoard() { return Keep(board_.Open(kBoardIniFile)) != 0; }

std::optional<std::uint16_t> InstrumentBoard::ReadPort(int board, int port) {
  std::uint16_t value = 0;
  if (Keep(board_.DigitalIn(board, port, value)) != 0) return std::nullopt;
  return value;
}

void InstrumentBoard::WritePort(int board, int port, std::uint16_t value, std::uint16_t mask) {
  Keep(board_.DigitalOut(board, port, value, mask));
}

void InstrumentBoard::CommandShutter(int close) {
  switch (p_.ShutterSystem) {
    case 1:
      Keep(board_.DigitalOut(1, 3, close ? 0x00 : 0x20, 0x20));
      s_.shutterState = close;
      break;
    case 2:
      Keep(board_.DigitalOut(1, 3, close ? 0x20 : 0x00, 0x20));
      s_.shutterState = close;
      break;
    case 3:
      Keep(board_.DigitalOut(2, 2, close ? 0 : 1, 0xFF));
      break;
    case 4:
      Keep(board_.DigitalOut(2, 2, close ? 1 : 0, 0xFF));
      break;
    default:
      break;
  }
}

void InstrumentBoard::SetShutterBit(int close) { Keep(board_.DigitalOut(1, 3, close ? 0x20 : 0x00, 0x20)); }

std::optional<std::int32_t> InstrumentBoard::ReadShutterStatus() {
  switch (p_.ShutterSystem) {
    case 0:
      return 4;
    case 1:
    case 2: {
      const auto bits = ReadPort(1, 3);
      if (!bits) return std::nullopt;
      static const std::int32_t kCodes[8] = {1, 1, 0, 0, 3, 3, 2, 2};  // by (bits AND 6)
      return kCodes[*bits & 6];
    }
    case 3:
    case 4: {
      const auto bits = ReadPort(2, 5);
      if (!bits) return std::nullopt;
      static const std::int32_t kCodes[4] = {1, 0, 3, 2};  // by (bits AND 3)
      return kCodes[*bits & 3];
    }
    default:
      return std::nullopt;
  }
}

void InstrumentBoard::ShowShutterStatus(BoardDisplay& display) {
  const std::int32_t system = p_.ShutterSystem;
  if (system == 5) return;
  std::int32_t code = 4;
  if (system >= 1 && system <= 4) {
    const auto read = ReadShutterStatus();
    if (!read) return;  // no reading: the last display stays
    code = *read;
  }
  s_.shutterStateText = ShutterStatusText(system, code);
  display.ShowShutterStatus(s_.shutterStateText, code, system);
  if (system >= 1 && system <= 4) display.ShowShutterClosedLabel(code == 3);
}

void InstrumentBoard::RefreshShutterStatus(BoardDisplay& display) {
  if (p_.ShutterSystem < 1 || p_.ShutterSystem > 4) return;
  const auto code = ReadShutterStatus();
  if (!code) return;
  s_.shutterState = *code;
  ShowShutterStatus(display);
}

std::optional<std::int32_t> InstrumentBoard::ReadCloseLoop(bool closeLoopAlarm) {
  if ((p_.CS100Link == 1 || closeLoopAlarm) && !s_.closeLoopWatch) return 0;
  const auto bits = p_.AxiomBoard == 1 ? ReadPort(2, 8) : ReadPort(1, 3);
  if (!bits) return std::nullopt;
  return *bits & 1;
}

void InstrumentBoard::UpdateCloseLoopError(bool closeLoopAlarm) {
  const auto bit = ReadCloseLoop(closeLoopAlarm);
  if (!bit) {
    closeLoopUnread_ = lastErrorText_;
    return;  // no reading: the error keeps its value
  }
  closeLoopUnread_.clear();
  s_.closeLoopActive = *bit == 1 ? 0 : 1;
}

void InstrumentBoard::ShowCloseLoop(BoardDisplay& display) {
  if (!s_.closeLoopWatch) {
    display.ShowCloseLoop("INHIB", true);
    return;
  }
  UpdateCloseLoopError();
  display.ShowCloseLoop(s_.closeLoopActive ? "NOK" : "OK", s_.closeLoopActive != 0);
}

bool InstrumentBoard::WriteCs100Lines(std::uint16_t value) {
  if (p_.AxiomBoard == 0) {
    const bool low = Keep(board_.DigitalOut(1, 2, value & 0xFF, 0xFF)) == 0;
    // Port 3 also carries the shutter line: bit 5 is written from the shutter state,
    // with the polarity of the shutter's wiring (system 2 closes on 1), so that the
    // shutter stays as it is.
    const bool open = s_.shutterState == 0;
    const bool bit5 = p_.ShutterSystem == 2 ? !open : open;
    const std::uint16_t high = static_cast<std::uint16_t>(((value >> 8) & 0x0F) | (bit5 ? 0x20 : 0));
    return Keep(board_.DigitalOut(1, 3, high, 0xFF)) == 0 && low;
  }
  if (p_.AxiomBoard == 1) {
    const bool low = Keep(board_.DigitalOut(2, 6, value & 0xFF, 0xFF)) == 0;
    return Keep(board_.DigitalOut(2, 7, (value >> 8) & 0x0F, 0xFF)) == 0 && low;
  }
  return true;
}

bool InstrumentBoard::AnalogOut(float volts) {
  if (Keep(board_.AnalogOut(1, 0, volts)) == 0) return true;
  ShowError("Error initializing the AXIOM input/output board", lastErrorText_, "");
  return false;
}

}  // namespace velmar
