#include "app/terminate.h"

#include "engine/frame_grabber_setup.h"
#include "platform/clock.h"
#include "platform/format.h"

namespace velmar {

void TerminateAcquisition(AcquisitionState& s, CountingEngine& engine, Grabber& grabber) {
  engine.terminate.store(1);
  QueueLogLine(s, Format("!!! User command at %s : TERMINATE ACQUISITION...", TimeOfDayText(ProcessClock().Now()).c_str()));
  if (!s.grabber.setUpDone) return;
  WaitSeconds(1.0);
  ReleaseFrameGrabber(grabber, s.grabber, engine);  // waits for the workers first
}

}  // namespace velmar
