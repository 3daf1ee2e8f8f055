#include "engine/frame_grabber_setup.h"

#include <algorithm>
#include <thread>

#include "engine/monitor_text.h"
#include "platform/clock.h"
#include "platform/format.h"
#include "platform/window_thread.h"

namespace velmar {

DisplayBufferGeometry DisplayBufferSize(Grabber& grabber, GrabberId display, GrabberId digitizer) {
  DisplayBufferGeometry g;
  const bool desktopWindow = display == 0 || grabber.Inquire(display, Inquiry::DisplayIsDesktopWindow) != 0;
  const GrabberId source = desktopWindow ? digitizer : display;
  if (source != 0) {
    g.sizeX = grabber.Inquire(source, Inquiry::SizeX);
    g.sizeY = grabber.Inquire(source, Inquiry::SizeY);
    g.bits = grabber.Inquire(source, Inquiry::PixelBits);
  }
  g.sizeX = std::min(std::max(g.sizeX, 512), 1024);
  g.sizeY = std::min(std::max(g.sizeY, 480), 1024);
  g.bits = 8;
  g.bands = digitizer != 0 ? std::max(1, grabber.Inquire(digitizer, Inquiry::Bands)) : 1;
  g.usage = kProcessable | (display != 0 ? kDisplayable : 0u) | (digitizer != 0 ? kGrabbable : 0u);
  return g;
}

namespace {

// The camera's size: from the instrument definition, else from the digitizer.
void ChooseCcdSize(Grabber& grabber, GrabberObjects& o, const AcquisitionParameters& p) {
  o.ccdXSize = p.CCDXSize;
  o.ccdYSize = p.CCDYSize;
  if (o.ccdXSize <= 0 || o.ccdYSize <= 0) {
    o.ccdXSize = o.digitizer ? grabber.Inquire(o.digitizer, Inquiry::SizeX) : 512;
    o.ccdYSize = o.digitizer ? grabber.Inquire(o.digitizer, Inquiry::SizeY) : 512;
  }
}

// A camera tells its own frame size and rate; the instrument definition's must be
// the same, or the photons would be placed on a frame of another size.
std::string CameraSizeMismatch(Grabber& grabber, const GrabberObjects& o, const AcquisitionParameters& p) {
  if (!o.digitizer || !grabber.Inquire(o.digitizer, Inquiry::SizeFromCamera) || p.CCDXSize <= 0 || p.CCDYSize <= 0)
    return {};
  const int x = grabber.Inquire(o.digitizer, Inquiry::SizeX), y = grabber.Inquire(o.digitizer, Inquiry::SizeY);
  if (x != p.CCDXSize || y != p.CCDYSize)
    return Format("The camera of %s sends frames of %d by %d pixels, but the instrument definition's camera is %d "
                  "by %d: set its region in %s, or load the instrument definition of a camera of that size",
                  kCameraFileName, x, y, p.CCDXSize, p.CCDYSize, kCameraFileName);
  // The counting efficiency is measured against the definition's frame rate.
  const int rate = grabber.Inquire(o.digitizer, Inquiry::FrameRate);
  if (p.FramesPerSecond > 0 && rate != p.FramesPerSecond)
    return Format("The camera of %s runs at %d frames a second, but the instrument definition says %d: set "
                  "frame_rate in %s, or load the instrument definition of a camera of that rate",
                  kCameraFileName, rate, p.FramesPerSecond, kCameraFileName);
  return {};
}

}  // namespace

void OpenDisplayContext(Grabber& grabber, GrabberId& application, GrabberId& system, GrabberId& display,
                        GrabberId& digitizer, GrabberId& displayBuffer) {
  application = grabber.AllocApplication();
  if (application) system = grabber.AllocSystem(application, "default");
  if (system) display = grabber.AllocDisplay(system, kDisplayFileName);
  if (display) digitizer = grabber.AllocDigitizer(system, kCameraFileName);
  const DisplayBufferGeometry g = DisplayBufferSize(grabber, display, digitizer);
  if (system) displayBuffer = grabber.AllocBuffer(system, g.bands, g.sizeX, g.sizeY, g.bits, g.usage);
  if (displayBuffer) {
    grabber.Clear(displayBuffer, 0);
    if (display) grabber.ShowOnDisplay(display, displayBuffer);
  }
}

namespace {

void AllocateWorkerObjects(Grabber& grabber, GrabberObjects& o) {
  const int x = o.ccdXSize, y = o.ccdYSize;
  for (auto& id : o.hiddenGrab) id = grabber.AllocBuffer(o.system, 1, x, y, 8, kProcessable | kGrabbable);
  o.binary[0] = grabber.AllocBuffer(o.system, 1, x, y, 1, kProcessable | kDisplayable);
  for (int k = 1; k < kWorkers; ++k) o.binary[k] = grabber.AllocBuffer(o.system, 1, x, y, 1, kProcessable);
  for (auto& id : o.areaList) id = grabber.AllocFeatureList(o.system);
  for (auto& id : o.centroidList) id = grabber.AllocFeatureList(o.system);
  for (auto& id : o.blobResult) {
    id = grabber.AllocBlobResult(o.system);
    grabber.SetBlobControl(id, kBlobControlIdentification, 16.0);
  }
  for (int k = 0; k < kWorkers; ++k) {
    grabber.SelectFeature(o.areaList[k], BlobFeature::Area);
    grabber.SelectFeature(o.centroidList[k], BlobFeature::CenterOfGravityX);
    grabber.SelectFeature(o.centroidList[k], BlobFeature::CenterOfGravityY);
  }
}

void ApplyStartLevels(Grabber& grabber, GrabberObjects& o, TvLevels& levels, CountingEngine& engine,
                      const AcquisitionParameters& p) {
  levels.discriminator = p.Discri;
  levels.blackLevel = p.BlackLevel;
  levels.whiteLevel = p.WhiteLevel;
  if (o.digitizer) {
    grabber.SetDigitizerControl(o.digitizer, kControlBlackReference, levels.blackLevel);
    grabber.SetDigitizerControl(o.digitizer, kControlWhiteReference, levels.whiteLevel);
    levels.blackLevel = static_cast<std::int32_t>(grabber.DigitizerControl(o.digitizer, kControlBlackReference));
    levels.whiteLevel = static_cast<std::int32_t>(grabber.DigitizerControl(o.digitizer, kControlWhiteReference));
  }
  levels.appliedBlack = levels.blackLevel;
  levels.appliedWhite = levels.whiteLevel;
  levels.appliedDiscriminator = levels.discriminator;
  // The workers must hold the discriminator now marked as applied.
  for (int k = 0; k < kWorkers; ++k) engine.context(k).discriminator.store(levels.discriminator);
}

void PrepareSimulation(SetUpContext& c, const AcquisitionParameters& p) {
  GrabberObjects& o = c.objects;
  if (p.Source != kSourceSimulation) {
    o.simulationInUse = 0;
    return;
  }
  std::vector<std::uint8_t> frame;
  c.synthetic.MakeSyntheticFrame(p.RandomPoints, o.ccdXSize, o.ccdYSize, frame);
  const int rows = o.ccdXSize > 0 ? static_cast<int>(frame.size() / o.ccdXSize) : 0;
  if (o.displayBuffer) c.grabber.PutPixels(o.displayBuffer, 0, 0, o.ccdXSize, rows, frame.data());
  if (!o.simulationBuffersAllocated && o.system) {
    for (auto& id : o.simulationSource)
      id = c.grabber.AllocBuffer(o.system, 1, o.ccdXSize, o.ccdYSize, 8, kProcessable | kDisplayable);
    o.simulationGrab =
        c.grabber.AllocBuffer(o.system, 1, o.ccdXSize, o.ccdYSize, 8, kProcessable | kGrabbable | kDisplayable);
    o.simulationBuffersAllocated = 1;
  }
  for (GrabberId id : o.simulationSource)
    if (id) c.grabber.PutPixels(id, 0, 0, o.ccdXSize, rows, frame.data());
  for (int k = 0; k < kWorkers; ++k) c.engine.context(k).simulationSource = o.simulationSource[k];
  o.simulationInUse = 1;
}

}  // namespace

void SetUpFrameGrabber(SetUpContext& c, const AcquisitionParameters& p) {
  Grabber& grabber = c.grabber;
  GrabberObjects& o = c.objects;
  if (!o.setUpDone) {
    c.console.ShowInitMatroxNotes();
    c.console.ShowCountingState(CountingState::InitializingMatrox);
    OpenDisplayContext(grabber, o.application, o.system, o.display, o.digitizer, o.displayBuffer);
    if (grabber.LastError() != 0 && c.console.AskBypassAfterGrabberError(grabber.LastErrorText())) {
      c.bypassAndEnd();
      return;
    }
    if (const std::string mismatch = CameraSizeMismatch(grabber, o, p);
        !mismatch.empty() && c.console.AskBypassAfterGrabberError(mismatch)) {
      c.bypassAndEnd();
      return;
    }
    if (o.digitizer) grabber.SetDigitizerControl(o.digitizer, kControlGrabMode, 2.0);
    ChooseCcdSize(grabber, o, p);
    if (o.system) AllocateWorkerObjects(grabber, o);
    // The photon buffer holds a few seconds of this camera's frames.
    c.engine.photons().SizeForFrameRate(o.digitizer ? grabber.Inquire(o.digitizer, Inquiry::FrameRate) : 0);
    c.engine.FillContexts(c.levels.discriminator);
    ApplyStartLevels(grabber, o, c.levels, c.engine, p);
    grabber.SetErrorPrinting(p.MILErrors == 1);
    c.console.ShowCountingState(CountingState::InitializingMatrox);
    c.console.HideInitMatroxNotes();
  }
  o.setUpDone = 1;
  PrepareSimulation(c, p);
}

namespace {
void FreeAndClear(Grabber& grabber, GrabberId& id) {
  if (id) grabber.Free(id);
  id = 0;
}
}  // namespace

void ReleaseFrameGrabber(Grabber& grabber, GrabberObjects& o, CountingEngine& engine) {
  if (!o.setUpDone) return;
  // A worker still analysing would read freed buffers.
  engine.ForgetDigitizer();
  engine.WaitWorkersIdle();
  for (auto& id : o.hiddenGrab) FreeAndClear(grabber, id);
  for (auto& id : o.binary) FreeAndClear(grabber, id);
  for (auto& id : o.areaList) FreeAndClear(grabber, id);
  for (auto& id : o.centroidList) FreeAndClear(grabber, id);
  for (auto& id : o.blobResult) FreeAndClear(grabber, id);
  if (o.simulationBuffersAllocated) {
    for (auto& id : o.simulationSource) FreeAndClear(grabber, id);
    FreeAndClear(grabber, o.simulationGrab);
    o.simulationBuffersAllocated = 0;
  }
  FreeAndClear(grabber, o.displayBuffer);
  FreeAndClear(grabber, o.digitizer);
  FreeAndClear(grabber, o.display);
  FreeAndClear(grabber, o.system);
  FreeAndClear(grabber, o.application);
  o.setUpDone = 0;
  o.simulationInUse = 0;
}

void ApplyTvLevels(Grabber& grabber, GrabberObjects& o, TvLevels& levels, CountingEngine& engine,
                   AcquisitionParameters& p, const std::function<void()>& levelsStored) {
  // A change asked for while one waits (from an event served in the wait) is left
  // to the waiting one, which applies the levels wanted when the pause comes.
  if (engine.tvLevelRequest.exchange(1)) return;
  // The counting thread acknowledges only after its pending step has run here.
  while (engine.countingThreadRunning.load() && !engine.tvLevelAck.load()) {
    ServePendingHandOvers();
    std::this_thread::yield();
  }
  bool changed = false;
  auto apply = [&](int code, std::int32_t& wanted, std::int32_t& applied, std::int32_t& stored) {
    if (wanted == applied) return;
    if (o.digitizer) {
      grabber.SetDigitizerControl(o.digitizer, code, wanted);
      wanted = static_cast<std::int32_t>(grabber.DigitizerControl(o.digitizer, code));
    }
    applied = wanted;
    stored = wanted;
    changed = true;
  };
  apply(kControlBlackReference, levels.blackLevel, levels.appliedBlack, p.BlackLevel);
  apply(kControlWhiteReference, levels.whiteLevel, levels.appliedWhite, p.WhiteLevel);
  if (changed && levelsStored) levelsStored();
  engine.tvLevelRequest.store(0);
  engine.tvLevelAck.store(0);
}

void ApplyDiscriminator(TvLevels& levels, CountingEngine& engine, AcquisitionParameters& p,
                        const std::function<void()>& levelsStored) {
  for (int k = 0; k < kWorkers; ++k) engine.context(k).discriminator.store(levels.discriminator);
  levels.appliedDiscriminator = levels.discriminator;
  p.Discri = levels.discriminator;
  if (levelsStored) levelsStored();
}

void OpenDisplayContext(Grabber& grabber, TuningContext& t) {
  OpenDisplayContext(grabber, t.application, t.system, t.display, t.digitizer, t.displayBuffer);
}

void FreeDisplayContext(Grabber& grabber, TuningContext& t) {
  FreeAndClear(grabber, t.displayBuffer);
  FreeAndClear(grabber, t.digitizer);
  FreeAndClear(grabber, t.display);
  FreeAndClear(grabber, t.system);
  FreeAndClear(grabber, t.application);
}

void OpenTuningContext(Grabber& grabber, TuningContext& tuning, bool startUpInProgress) {
  if (tuning.open || startUpInProgress) return;
  OpenDisplayContext(grabber, tuning);
  WaitSeconds(1.0);
  tuning.open = 1;
}

void CloseTuningContext(Grabber& grabber, TuningContext& tuning, bool startUpInProgress) {
  if (!tuning.open || startUpInProgress) return;
  tuning.open = 0;
  if (tuning.displayBuffer) DrawTextWhole(grabber, tuning.displayBuffer, 100, 100, kGrabbingInactiveText);
  WaitSeconds(1.5);
  FreeDisplayContext(grabber, tuning);
}

void ShowStartBanner(Grabber& grabber) {
  TuningContext banner;
  OpenDisplayContext(grabber, banner);
  if (banner.displayBuffer) {
    // A line broken on a narrow monitor pushes the next one down rather than under it.
    const int below = DrawTextWhole(grabber, banner.displayBuffer, 100, 80,
                                    "VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS  VlmIPCS");
    DrawTextWhole(grabber, banner.displayBuffer, 100, std::max(100, below), kGrabbingInactiveText);
  }
  FreeDisplayContext(grabber, banner);
}

}  // namespace velmar
