#pragma once
// Opening the frame grabber for the acquisition (display, digitizer, the grab,
// binary and blob objects of the four workers, the TV levels, the simulation
// source), freeing it in the reverse order, the TV-level changes, and the small
// context of the tuning window and the start banner.
#include <functional>

#include "engine/counting_engine.h"
#include "engine/counting_state.h"
#include "engine/grabber_objects.h"
#include "engine/synthetic_frame.h"
#include "params/acquisition_parameters.h"
#include "params/instrument_definition.h"

namespace velmar {

inline constexpr const char* kGrabbingInactiveText =
    "Grabbing is now NOT ACTIVE (will be only when THT tuning or acquiring)";

// What the set-up shows the operator; the main window implements it.
class FrameGrabberConsole {
 public:
  virtual ~FrameGrabberConsole() = default;
  virtual void ShowInitMatroxNotes() = 0;  // TInitMatrox and TInitMatrox2
  virtual void HideInitMatroxNotes() = 0;
  // TErrorMatrox: true for "&Bypass", false for "&Cancel".
  virtual bool AskBypassAfterGrabberError(const std::string& libraryMessage) = 0;
  virtual void ShowCountingState(CountingState state) = 0;
};

struct DisplayBufferGeometry {
  int sizeX = 512, sizeY = 480, bits = 8, bands = 1;
  unsigned usage = kProcessable;
};

// The display buffer: from the digitizer when the display is a desktop window (512
// by 480 without digitizer), else from the display; then at least 512 by 480, at
// most 1024 by 1024, 8 bits.
DisplayBufferGeometry DisplayBufferSize(Grabber& grabber, GrabberId display, GrabberId digitizer);

struct SetUpContext {
  Grabber& grabber;
  GrabberObjects& objects;
  TvLevels& levels;
  CountingEngine& engine;
  SyntheticFrameMaker& synthetic;
  FrameGrabberConsole& console;
  // Runs when the operator answers the grabber error with "&Bypass": the program
  // closes the shutter, checks the high voltage, deletes its temporary files and ends.
  std::function<void()> bypassAndEnd;
};

void SetUpFrameGrabber(SetUpContext& context, const AcquisitionParameters& p);

// Frees every object in the reverse order of opening, after the workers have finished.
void ReleaseFrameGrabber(Grabber& grabber, GrabberObjects& objects, CountingEngine& engine);

// Black and white references: only while the counting thread is parked between two
// steps. Each level applied is read back, kept, stored in the parameter set, then
// levelsStored runs (instrument grid and parameters file).
void ApplyTvLevels(Grabber& grabber, GrabberObjects& objects, TvLevels& levels, CountingEngine& engine,
                   AcquisitionParameters& p, const std::function<void()>& levelsStored);
void ApplyDiscriminator(TvLevels& levels, CountingEngine& engine, AcquisitionParameters& p,
                        const std::function<void()>& levelsStored);

// The tuning window's context: open waits 1 s and is skipped while open or while
// the start-up runs; close writes the inactive text, waits 1.5 s and frees.
void OpenTuningContext(Grabber& grabber, TuningContext& tuning, bool startUpInProgress);
void CloseTuningContext(Grabber& grabber, TuningContext& tuning, bool startUpInProgress);
// Application, system, display, digitizer (each only when the one before opened),
// then the display buffer, cleared and shown: the acquisition's context and the
// tuning window's alike.
void OpenDisplayContext(Grabber& grabber, GrabberId& application, GrabberId& system, GrabberId& display,
                        GrabberId& digitizer, GrabberId& displayBuffer);
// The same for a small context of its own (tuning window, banners).
void OpenDisplayContext(Grabber& grabber, TuningContext& context);
// Frees a small context's objects in the reverse order.
void FreeDisplayContext(Grabber& grabber, TuningContext& context);

// The banner written on the control monitor when the program starts.
void ShowStartBanner(Grabber& grabber);

}  // namespace velmar
