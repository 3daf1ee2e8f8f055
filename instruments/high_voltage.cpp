#include "instruments/high_voltage.h"

#include <algorithm>

#include "engine/frame_grabber_setup.h"
#include "engine/monitor_text.h"
#include "platform/error_reporter.h"
#include "platform/format.h"

namespace velmar {

bool RefuseUnreachableTht(std::int32_t thtSystem, std::int32_t volts) {
  const std::string why = ThtUnreachable(thtSystem, volts);
  if (why.empty()) return false;
  ShowError(Format("Impossible to set the THT to %d V", volts), why, "THT set was not done...");
  return true;
}

float ThtSetPointVolts(std::int32_t system, std::int32_t volts, std::int32_t maximum) {
  if (maximum == 0) return 0.0f;
  const float fraction = static_cast<float>(volts) * 5.0f / static_cast<float>(maximum);
  return system == 1 ? fraction * 0.956f * 1.045f * 5000.0f / 10472.0f : fraction;
}

bool HighVoltage::SetTHT(std::int32_t volts) {
  if (RefuseUnreachableTht(p_.THTSystem, volts)) return false;
  switch (p_.THTSystem) {
    case 1:
    case 2:
      board_.AnalogOut(ThtSetPointVolts(p_.THTSystem, volts, p_.THTMax));
      break;
    case 3:
    case 4: {
      const std::int32_t code = ThtCode(volts);
      board_.WritePort(2, 0, static_cast<std::uint16_t>(code & 0xFF), 0xFF);
      const auto high = static_cast<std::uint16_t>((code >> 8) & 3);
      board_.WritePort(2, 1, high | 0x80, 0xFF);  // a pulse on bit 7 once the data bits are in place
      board_.WritePort(2, 1, high, 0xFF);
      break;
    }
    default:
      // Systems 0 and 5 send nothing and keep the THT sent; a squeezed read still follows it.
      FollowSqueeze();
      return true;
  }
  s_.thtSent = volts;
  ReadTHT();
  return true;
}

void HighVoltage::ReadTHT() {
  switch (p_.THTSystem) {
    case 0:
      s_.thtRead = kThtNotControlled;
      break;
    case 1:
      s_.thtRead = s_.thtSent == 0 ? kThtNotControlled : (s_.thtSent == 1 ? 0 : s_.thtSent);
      break;
    case 2:
      ReadAveragedVoltage();
      break;
    case 3: {
      const auto low = board_.ReadPort(2, 3);
      const auto high = low ? board_.ReadPort(2, 4) : std::nullopt;
      if (low && high) s_.thtRead = ((*high & 3) * 256 + (*low & 0xFF)) * 2500 / 1024;  // else the read is kept
      break;
    }
    case 4:
      s_.thtRead = s_.thtSent;
      break;
    default:
      break;
  }
  FollowSqueeze();
}

// THT system 2: ten readings of the two ports, averaged, on a freshly opened board;
// a failed reading opens the board again and keeps the read.
void HighVoltage::ReadAveragedVoltage() {
  board_.OpenBoard();
  long sum = 0;
  for (int i = 0; i < 10; ++i) {
    const auto low = board_.ReadPort(1, 0);
    const auto high = low ? board_.ReadPort(1, 1) : std::nullopt;
    if (!low || !high) {
      board_.OpenBoard();
      return;
    }
    sum += (*high & 0xFF) * 256 + (*low & 0xFF);
  }
  s_.thtRead = static_cast<std::int32_t>(sum / 10.0 * 0.57198);
}

// A squeezed THT (the operator's "THTin=THTout") reads whatever was last sent.
void HighVoltage::FollowSqueeze() {
  if (p_.THTSqueeze != 0) s_.thtRead = s_.thtSent;
}

void ShowIdleBanner(Grabber& grabber) {
  TuningContext banner;
  OpenDisplayContext(grabber, banner);
  if (banner.displayBuffer) {
    // Each line starts below the one before when a narrow monitor broke it.
    const GrabberId b = banner.displayBuffer;
    int below = DrawTextWhole(grabber, b, 150, 50, "TORVEL", 5, 240);
    below = DrawTextWhole(grabber, b, 0, std::max(240, below), "Warning : NO CONTINUOUS GRAB !", 2, 240);
    below = DrawTextWhole(grabber, b, 0, std::max(300, below), "Warning : THT could be not zero !", 2, 240);
    DrawTextWhole(grabber, b, 150, std::max(450, below), "Grabbing is only active when tuning THT or acquiring...", 1, 240);
  }
  FreeDisplayContext(grabber, banner);
}

}  // namespace velmar
