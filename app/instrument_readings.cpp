#include "app/instrument_readings.h"

namespace velmar {

void RefreshInstrumentReadings(AcquisitionProgram& program, BoardDisplay& display,
                               TemperatureDisplay& temperatureDisplay, AlarmConsole* alarms) {
  AcquisitionState& s = program.shared.acquisition;
  const AcquisitionParameters& p = program.shared.parameters;
  program.board.RefreshShutterStatus(display);
  if (p.ShutterSystem == 0) program.board.ShowShutterStatus(display);
  program.highVoltage.ReadTHT();
  if (s.closeLoopWatch && p.AcqType != kAcq2DImage) program.board.UpdateCloseLoopError();
  program.temperature.ShowTemperature(temperatureDisplay);
  if (alarms) ReevaluateInstrumentAlarm(s, p, *alarms);
}

}  // namespace velmar
