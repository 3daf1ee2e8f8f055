#pragma once
// The TV picture on the control monitor while the tuning window has its grabber
// context open: direct grabs from the camera, or synthetic frames with the
// simulation source. TVContinue paces the display steps.
#include <vector>

#include "engine/grabber.h"
#include "engine/grabber_objects.h"
#include "engine/synthetic_frame.h"
#include "params/acquisition_parameters.h"
#include "platform/pacing_thread.h"

namespace velmar {

class TvDisplay {
 public:
  TvDisplay(Grabber& grabber, TuningContext& tuning, const AcquisitionParameters& p, SyntheticFrameMaker& synthetic)
      : grabber_(grabber), tuning_(tuning), p_(p), synthetic_(synthetic) {}

  // One display step, on the window thread; nothing while the context is closed.
  void ShowNextTvFrame();

 private:
  void WriteTexts(const char* text);

  Grabber& grabber_;
  TuningContext& tuning_;
  const AcquisitionParameters& p_;
  SyntheticFrameMaker& synthetic_;
  std::vector<std::uint8_t> frame_;  // the host array, allocated once
};

class TvContinueThread {
 public:
  TvContinueThread(TvDisplay& display, TuningContext& tuning) : display_(display), tuning_(tuning) {}
  ~TvContinueThread() { Stop(); }
  void Start();
  void Stop();
  void RequestStop() { thread_.RequestStop(); }

 private:
  TvDisplay& display_;
  TuningContext& tuning_;
  PacingThread thread_;
};

}  // namespace velmar
