#pragma once
// The store step, once a second on the window thread: the photons of the last
// second into the current channel's file, the live figures, the channel's end
// (advance, close, log record, end check, next channel) and the operator's panel
// answers.
#include <optional>
#include <string>

#include "engine/acquisition_state.h"
#include "engine/channel_cut_short.h"
#include "engine/inline_panels.h"
#include "engine/counting_engine.h"
#include "engine/photon_file.h"
#include "engine/statistics.h"
#include "params/acquisition_parameters.h"
#include "platform/clock.h"

namespace velmar {

// Why storing is held while the interferometer's close loop is out.
inline constexpr const char* kCloseLoopHoldLine1 = "WARNING : Close loop (PF in default) !";
inline constexpr const char* kCloseLoopHoldLine2 = "waiting for good CL";

struct TvLevelEdits {
  std::string discriminator, white, black;  // EditSeuil, EditWL, EditBL
};

// One storing second as the photon file took it.
struct StoredSecond {
  std::int32_t photonsLost = 0;  // photons whose records did not reach the file
  int error = 0;                 // the system's error number; 0 when the second was written whole
  bool logged = true;            // false: the loss could not be said in the observation log
};

// What the step needs of the windows, the instrument and the program's lifecycle.
// The main window implements it in the GUI, a text console in the headless runner.
class StoreStepHost : public PanelConsole, public DiskErrorWindow {
 public:
  // Windows.
  virtual void AlternateStartPrompt() {}
  virtual void ReloadLogbookIfAsked() {}
  virtual TvLevelEdits ReadTvLevelEdits() { return {}; }
  virtual void RefreshStatusLabels() {}
  virtual std::string ReadShutterLimitText() { return {}; }
  virtual void ShowShutterLimit(std::int32_t /*limit*/) {}
  virtual void ShowInstant(const InstantView& /*view*/) {}
  virtual void ShowCumulated(const CumulatedView& /*view*/) {}
  // Once a second while counting: the counting state label navy (phase 0) or teal
  // (1); with a deferred stop asked, LabelDeferred shown, green (0) or yellow (1).
  virtual void AlternateStatusColours(int /*phase*/, bool /*deferredStop*/) {}
  virtual void ShowPriorities(const std::string& /*counting*/, const std::string& /*storing*/) {}
  virtual void ShowChannelLabels(const std::string& /*channel*/, const std::string& /*cycle*/,
                                 const std::string& /*seconds*/) {}
  virtual void ShowScanDirection(const std::string& /*arrows*/) {}
  virtual void ShowWriting(const std::string& /*text*/) {}
  virtual void ShowDeferred(const std::string& /*text*/) {}
  virtual void HideStartPrompt() {}
  virtual void EnableStart(bool /*on*/) {}
  virtual void EnableSuspend(bool /*on*/) {}
  virtual void EnableDeferredStop(bool /*on*/) {}
  virtual void ShowEndButtons() {}  // "New acquisition" and "Quit application" shown, the others disabled
  // Storing is held by the instrument, and why (two lines); empty lines: the hold
  // has ended. A hold is never silent.
  virtual void ShowHold(const std::string& /*line1*/, const std::string& /*line2*/) {}
  // Instrument.
  virtual void DriveToChannel(std::int32_t channel) = 0;
  virtual void CloseShutter() = 0;
  // Parameters changed by the TV levels: instrument grid and parameters file.
  virtual void LevelsStored() {}
  // Lifecycle: each ends the process in the program.
  virtual void QuitAfterAbortYes() = 0;
  virtual void QuitIntegration() = 0;
  virtual void QuitAfterLogFailure() = 0;
  // Once a second while storing, after the photon file was written. A second the
  // disk refused still counts as exposure, so the channel ends; answering
  // QuitIntegration ends the integration as the disk-error window's button does.
  virtual DiskErrorChoice SecondStored(const StoredSecond& /*second*/) { return DiskErrorChoice::Ignore; }
  // Called when a channel has been closed (for progress reports).
  virtual void ChannelFinished(std::int32_t /*channel*/, std::int32_t /*cycle*/) {}
};

struct StoreStepContext {
  AcquisitionState& s;
  AcquisitionParameters& p;
  CountingEngine& engine;
  Grabber& grabber;
  StoreStepHost& host;
};

void StoreStep(StoreStepContext& c);

// The step that follows a channel's end: the next channel's file, the drive, the
// channel-begin record.
void StartNextChannel(StoreStepContext& c);

// "New acquisition" ends this acquisition: the two large buttons, the standby
// state, no file being written, and the store steps idle. A channel still in
// progress is ended and said in the log; it is returned for the window to say.
std::optional<ChannelCutShort> EndAcquisition(AcquisitionState& s, const AcquisitionParameters& p,
                                              StoreStepHost& host, const LocalTime& now);

}  // namespace velmar
