#pragma once
// The analogic calibration: with the calibration lamp on, the interferometer is
// stepped through the channels and, at each, a number of TV frames are grabbed and
// their 8-bit pixels added as floats. The result is one 3D image (a plane per
// channel) or one 2D slice per channel. The window TAnalogic and the headless
// runner drive the same steps; AnalogicHost is all they show of it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/acquisition_state.h"
#include "engine/grabber.h"
#include "instruments/board_operations.h"
#include "instruments/cs100_link.h"
#include "instruments/high_voltage.h"
#include "params/acquisition_parameters.h"
#include "platform/clock.h"

namespace velmar {

enum class AnalogicOutput : std::int32_t { Cube = 0, Slices = 1 };

struct AnalogicPlan {
  std::int32_t channels = 24;  // Lz
  std::int32_t tht = 0;        // volts during the scan
  std::int32_t framesPerChannel = 1;
  AnalogicOutput output = AnalogicOutput::Cube;
  bool initialiseCs100 = true;
};

// The three edits as typed.
struct AnalogicInputTexts {
  std::string channels, tht, frames;
};

struct AnalogicInputCheck {
  AnalogicPlan plan;  // channels, tht and frames, corrected where they had to be
  bool channelsCorrected = false, thtCorrected = false, framesCorrected = false;
  bool refused = false;  // no frame per channel: nothing to integrate, nothing is started
};

// Each field is read as the leading integer of its text. A field that is no number
// or negative is said with ShowError and corrected (24 channels, 0 volts, 1 frame);
// each field is checked on its own, so a bad one never leaves another unread. No
// frame per channel is refused with ShowError.
AnalogicInputCheck CheckAnalogicInputs(const AnalogicInputTexts& texts, AnalogicPlan plan);

// The THT file "vlm_ana.tmp" of the system directory: the THT of the last run.
std::optional<std::int32_t> ReadAnalogicTht();
void WriteAnalogicTht(std::int32_t volts);

// "<Path>/<Prefix><nnn>.vl3" and "<Path>/<Prefix><nnn><cccc>.vl2" (channel from 1).
std::string AnalogicCubePath(const AcquisitionParameters& p);
std::string AnalogicSlicePath(const AcquisitionParameters& p, std::int32_t channel);
// What LabelFiles shows for each output kind.
std::string AnalogicFilesLabel(const AcquisitionParameters& p, AnalogicOutput output);
// "Cst QG= %.4f"
std::string AnalogicCqgLabel(const AcquisitionParameters& p);

// Every file a run of this plan writes: the log, then the cube or the slices.
std::vector<std::string> AnalogicOutputFiles(const AcquisitionParameters& p, const AnalogicPlan& plan);

class AnalogicHost {
 public:
  virtual ~AnalogicHost() = default;
  virtual void ShowStep(const std::string& text) = 0;  // LabelEtape
  // Channel index c (from 0) is being acquired at this controller position.
  virtual void ShowChannel(std::int32_t index, std::int32_t position) = 0;
  // Its frames are summed (and, for slices, its file written; empty otherwise).
  virtual void ChannelAcquired(std::int32_t channel, std::int32_t position, double planeSum,
                               const std::string& slicePath) = 0;
  // Window messages processed once per channel; true when the operator cancelled.
  virtual bool CancelRequested() = 0;
};

struct AnalogicDevices {
  Grabber& grabber;
  InstrumentBoard& board;
  Cs100Link& link;
  HighVoltage& highVoltage;
};

enum class AnalogicOutcome { Completed, CloseLoopError, Cancelled, FileError, GrabberError, NoMemory };

enum class AnalogicLog { Written, Refused, Failed };

class AnalogicCalibration {
 public:
  AnalogicCalibration(AcquisitionParameters& p, AcquisitionState& s, AnalogicDevices devices, AnalogicHost& host)
      : p_(p), s_(s), d_(devices), host_(host) {}

  // The observation log: when it exists, overwrite(path) is asked first (false keeps
  // it and nothing is written); then the header with the frames and THT lines.
  AnalogicLog WriteLog(const AnalogicPlan& plan, const std::function<bool(const std::string&)>& overwrite,
                       const LocalTime& now);

  // The scan, from the THT and the frame grabber to the last file; every object
  // and array is released whatever the outcome. The THT stays as it is.
  AnalogicOutcome Scan(const AnalogicPlan& plan);

 private:
  bool CloseLoopOut();
  bool WriteSlice(const AnalogicPlan& plan, std::int32_t channel, const float* plane, std::string& path);
  bool WriteCube(const AnalogicPlan& plan, const float* cube);
  bool Written(int result, const std::string& path);

  AcquisitionParameters& p_;
  AcquisitionState& s_;
  AnalogicDevices d_;
  AnalogicHost& host_;
};

}  // namespace velmar
