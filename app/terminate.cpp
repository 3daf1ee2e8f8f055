#include "app/terminate.h"

#include "engine/frame_grabber_setup.h"
#include "engine/observation_log.h"
#include "platform/clock.h"
#include "platform/format.h"
#include "platform/quit_signals.h"

namespace velmar {

void TerminateAcquisition(AcquisitionState& s, CountingEngine& engine, Grabber& grabber) {
  engine.terminate.store(1);
  QueueLogLine(s, Format("!!! User command at %s : TERMINATE ACQUISITION...", TimeOfDayText(ProcessClock().Now()).c_str()));
  if (!s.grabber.setUpDone) return;
  WaitSeconds(1.0);
  ReleaseFrameGrabber(grabber, s.grabber, engine);  // waits for the workers first
}

void LogQuitSignal(AcquisitionState& s, int signal) {
  FlushLogMessage(s);  // a line already waiting is kept
  QueueLogLine(s, Format("!!! User command at %s : ABORT AND QUIT (%s received)",
                         TimeOfDayText(ProcessClock().Now()).c_str(), QuitSignals::Name(signal)));
  FlushLogMessage(s);
}

}  // namespace velmar
