#pragma once
// The instrument readings refreshed once a second during an acquisition: shutter
// status, high voltage, close loop (its error raises the alarm state), temperature.
#include "app/acquisition_program.h"
#include "instruments/board_operations.h"

namespace velmar {

void RefreshInstrumentReadings(AcquisitionProgram& program, BoardDisplay& display,
                               TemperatureDisplay& temperatureDisplay);

}  // namespace velmar
