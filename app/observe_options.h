#pragma once
// The headless runner's flags.
#include <optional>
#include <string>
#include <vector>

namespace velmar {

struct ObserveOptions {
  std::string programDir;  // empty: chosen as every start chooses it
  std::string systemDir, data, prefix, number, type, source, randomPoints, channels, exposure, cycles, seeSaw;
  std::string format, names, tempMode, preset, cs100, lambda, cqg, scanning;
  std::string end = "stop";  // "stop" or "continue:N"
  std::string holdLimit = "600";  // seconds a hold by the instrument may last before the runner gives up
  std::string diskErrorGrace = "60";  // seconds the photon file may fail to be written before the runner gives up
  std::string cs100Fault = "stop";  // a CS100 that cannot be driven: "stop" the observation, or "continue"
  std::string tht;  // volts of high voltage set before Start, as the THT tuning window sets it; empty: untouched
  // The operator's interventions, each at a number of seconds after Start.
  std::vector<std::string> suspensions, deferredStops, comments;
  std::string closeLoopFault;  // "FROM:FOR" seconds after Start: the close loop lost
  std::string framesPerChannel;  // analogic calibration: frames summed at each channel
  bool slices = false;           // analogic calibration: one 2D file per channel instead of the 3D file
  bool fullSilence = false;
  bool fast = false;
  bool overwrite = false;
  bool fits = false;  // a FITS file of the observation (or the calibration's images) at its end
  bool help = false;
  bool listCameras = false;  // list the GenICam cameras there are, and end
};

// The same options with every path made absolute from the directory the runner
// was started in, before it moves into its program directory.
ObserveOptions AnchoredObserveOptions(ObserveOptions o);

// Reads the arguments; an error text names a flag that is unknown or lacks its value.
std::optional<ObserveOptions> ParseObserveOptions(const std::vector<std::string>& args, std::string& error);

const char* ObserveUsage();

}  // namespace velmar
