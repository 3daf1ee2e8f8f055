#include "engine/start_acquisition.h"

#include <cstring>

#include "engine/observation_log.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

bool StartAcquisition(StoreStepContext& c, const std::string& discriminatorText) {
  AcquisitionState& s = c.s;
  c.host.HideStartPrompt();
  s.storingHeld = 1;
  c.host.EnableStart(false);
  c.host.EnableSuspend(true);
  c.host.EnableDeferredStop(true);
  c.p.RunState = 1;

  const auto discriminator = WholeInt(discriminatorText);
  if (!discriminator || *discriminator < 0 || *discriminator > 255) {
    ShowError("", "Incorrect TV discriminator threshold", "Correct it before acquisition");
    return false;
  }
  s.levels.discriminator = *discriminator;
  s.currentChannel = 0;
  s.logPath = LogFilePath(c.p);
  if (!WriteLogHeader(s, c.p, ProcessClock().Now())) {
    c.host.QuitAfterLogFailure();
    return false;
  }
  s.channelPhotons = 0;
  s.channelFrames = 0;
  int openError = 0;
  c.host.ShowWriting(OpenChannelFile(s, c.p, &openError));
  if (openError != 0) {
    const DiskErrorReport report{"Impossible to write data onto disk !", "Write operation returned code = -1",
                                 "Handle write = -1", s.filePath, openError, std::strerror(openError)};
    if (c.host.ShowDiskError(report) == DiskErrorChoice::QuitIntegration) {
      c.host.QuitIntegration();
      return false;
    }
  }
  c.host.ShowScanDirection(">>>>>");
  WriteChannelBegin(s, ProcessClock().Now());
  c.engine.photons().Reset();
  s.acquisitionStarted = 1;
  s.storingHeld = 0;
  ShowCountingState(CountingState::Counting, c.p, s, c.host);
  return true;
}

}  // namespace velmar
