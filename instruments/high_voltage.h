#pragma once
// The intensifier's high voltage (THT): set and read back for every THT system,
// and the idle banner on the control monitor.
#include <string>

#include "engine/acquisition_state.h"
#include "engine/grabber.h"
#include "instruments/board_operations.h"
#include "params/acquisition_parameters.h"
#include "params/tht_code.h"

namespace velmar {

inline constexpr std::int32_t kThtNotControlled = 99999;

// Shows the refusal of a voltage the supply cannot express (ShowError) and returns
// true; false when the voltage can be sent.
bool RefuseUnreachableTht(std::int32_t thtSystem, std::int32_t volts);
// The analog set point of THT systems 1 and 2 (0 when the maximum is 0).
float ThtSetPointVolts(std::int32_t system, std::int32_t volts, std::int32_t maximum);

class HighVoltage {
 public:
  HighVoltage(AcquisitionParameters& p, AcquisitionState& s, InstrumentBoard& board) : p_(p), s_(s), board_(board) {}
  // Sends the voltage and reads it back; with the squeeze on, the read is the sent.
  // A voltage the supply cannot express is refused (ShowError, nothing sent): false.
  bool SetTHT(std::int32_t volts);
  void ReadTHT();

 private:
  void ReadAveragedVoltage();
  void FollowSqueeze();

  AcquisitionParameters& p_;
  AcquisitionState& s_;
  InstrumentBoard& board_;
};

// Writes the idle banner ("TORVEL", the warnings) on the control monitor through a
// short-lived grabber context.
void ShowIdleBanner(Grabber& grabber);

}  // namespace velmar
