#include "instruments/high_voltage.h"

#include <algorithm>

#include "engine/frame_grabber_setup.h"

namespace velmar {

std::int32_t ThtCode(std::int32_t volts) {
  const double code = volts * 8.0 * 0.1 * 1024.0 / 1530.0;
  return std::max(0, static_cast<std::int32_t>(code));
}

float ThtSetPointVolts(std::int32_t system, std::int32_t volts, std::int32_t maximum) {
  if (maximum == 0) return 0.0f;
  const float fraction = static_cast<float>(volts) * 5.0f / static_cast<float>(maximum);
  return system == 1 ? fraction * 0.956f * 1.045f * 5000.0f / 10472.0f : fraction;
}

void HighVoltage::SetTHT(std::int32_t volts) {
  switch (p_.THTSystem) {
    case 1:
    case 2:
      board_.AnalogOut(ThtSetPointVolts(p_.THTSystem, volts, p_.THTMax));
      break;
    case 3:
    case 4: {
      const std::int32_t code = ThtCode(volts);
      IoBoard& b = board_.board();
      b.DigitalOut(2, 0, static_cast<std::uint16_t>(code & 0xFF), 0xFF);
      const auto high = static_cast<std::uint16_t>((code >> 8) & 3);
      b.DigitalOut(2, 1, high | 0x80, 0xFF);  // a pulse on bit 7 once the data bits are in place
      b.DigitalOut(2, 1, high, 0xFF);
      break;
    }
    default:
      return;  // systems 0 and 5: nothing sent, THT sent unchanged
  }
  s_.thtSent = volts;
  ReadTHT();
}

void HighVoltage::ReadTHT() {
  switch (p_.THTSystem) {
    case 0:
      s_.thtRead = kThtNotControlled;
      break;
    case 1:
      s_.thtRead = s_.thtSent == 0 ? kThtNotControlled : (s_.thtSent == 1 ? 0 : s_.thtSent);
      break;
    case 2: {
      board_.OpenBoard();
      IoBoard& b = board_.board();
      long sum = 0;
      for (int i = 0; i < 10; ++i) {
        std::uint16_t low = 0, high = 0;
        if (b.DigitalIn(1, 0, low) != 0 || b.DigitalIn(1, 1, high) != 0) {
          board_.OpenBoard();  // the read keeps its value
          return;
        }
        sum += (high & 0xFF) * 256 + (low & 0xFF);
      }
      s_.thtRead = static_cast<std::int32_t>(sum / 10.0 * 0.57198);
      break;
    }
    case 3: {
      IoBoard& b = board_.board();
      std::uint16_t low = 0, high = 0;
      if (b.DigitalIn(2, 3, low) != 0 || b.DigitalIn(2, 4, high) != 0) return;
      s_.thtRead = ((high & 3) * 256 + (low & 0xFF)) * 2500 / 1024;
      break;
    }
    case 4:
      s_.thtRead = s_.thtSent;
      break;
    default:
      return;
  }
  if (p_.THTSqueeze != 0) s_.thtRead = s_.thtSent;
}

void ShowIdleBanner(Grabber& grabber) {
  TuningContext banner;
  OpenDisplayContext(grabber, banner);
  if (banner.displayBuffer) {
    grabber.DrawText(banner.displayBuffer, 150, 50, "TORVEL", 5, 240);
    grabber.DrawText(banner.displayBuffer, 0, 240, "Warning : NO CONTINUOUS GRAB !", 2, 240);
    grabber.DrawText(banner.displayBuffer, 0, 300, "Warning : THT could be not zero !", 2, 240);
    grabber.DrawText(banner.displayBuffer, 150, 450, "Grabbing is only active when tuning THT or acquiring...", 1, 240);
  }
  FreeDisplayContext(grabber, banner);
}

}  // namespace velmar
