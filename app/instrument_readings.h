#pragma once
// The instrument readings refreshed once a second during an acquisition: shutter
// status, high voltage, close loop (its error raises the alarm state), temperature.
#include "app/acquisition_program.h"
#include "console/alarm_supervisor.h"
#include "instruments/board_operations.h"

namespace velmar {

// With an alarm console, the shutter and close-loop alarm codes are re-evaluated
// from the new readings.
void RefreshInstrumentReadings(AcquisitionProgram& program, BoardDisplay& display,
                               TemperatureDisplay& temperatureDisplay, AlarmConsole* alarms = nullptr);

}  // namespace velmar
