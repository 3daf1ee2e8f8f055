#pragma once
// The safe stop on the real wiring: the shutter closed through the board, the
// operator warned when the high voltage last sent is still on, the idle banner.
#include <functional>

#include "console/safe_stop.h"
#include "engine/grabber.h"
#include "instruments/board_operations.h"
#include "instruments/high_voltage.h"

namespace velmar {

// A high voltage still on at the end: sent, not 99999, above 200 V.
bool HighVoltageStillOn(std::int32_t thtSent);

class InstrumentSafeStop final : public SafeStopDevices {
 public:
  // warnHighVoltage shows the THT warning window (unless the operator disabled it).
  InstrumentSafeStop(InstrumentBoard& board, AcquisitionState& s, Grabber& grabber,
                     std::function<void()> warnHighVoltage)
      : board_(board), s_(s), grabber_(grabber), warn_(std::move(warnHighVoltage)) {}
  void CloseShutter() override { board_.CommandShutter(1); }
  void CheckHighVoltage() override {
    if (HighVoltageStillOn(s_.thtSent) && warn_) warn_();
  }
  void ShowIdleBanner() override { velmar::ShowIdleBanner(grabber_); }

 private:
  InstrumentBoard& board_;
  AcquisitionState& s_;
  Grabber& grabber_;
  std::function<void()> warn_;
};

}  // namespace velmar
