#pragma once
// The headless runner's analogic calibration: the plan read from the flags and
// refused before anything is written, then the scan as the window runs it, with a
// progress line per channel, ending as the window's "Quit" does.
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "analogic/analogic_calibration.h"
#include "app/acquisition_program.h"
#include "app/observe_interventions.h"
#include "app/observe_options.h"
#include "console/safe_stop.h"

namespace velmar {

// The plan of --type analogic from the flags and the collected parameters; nothing,
// with the reason in error, for a bad frames count or THT, or for files of the
// observation that exist without --overwrite.
std::optional<AnalogicPlan> AnalogicPlanOf(const ObserveOptions& o, const AcquisitionParameters& p,
                                           std::string& error);

struct AnalogicRunContext {
  AcquisitionProgram& program;
  SafeStopDevices& devices;
  std::optional<CloseLoopFault> closeLoopFault;  // seconds after the scan begins
  std::function<void(const std::string&)> say;
};

// Returns the exit code: 0 every channel done and written, 1 the scan ended early by
// the instrument, the grabber or the disk, 128 + the signal after a signal.
int RunAnalogicCalibration(const AnalogicPlan& plan, AnalogicRunContext& run);

}  // namespace velmar
