#include "engine/counting_status.h"

#include "platform/clock.h"
#include "platform/format.h"

namespace velmar {

void ShowCountingState(CountingState state, const AcquisitionParameters& p, AcquisitionState& acquisition,
                       CountingStatusDisplay& display) {
  const CountingStateView view = ViewOf(state, p.AcqType, p.Source);
  display.ShowCountingStateView(view);
  if (state == CountingState::Suspended)
    QueueLogLine(acquisition, Format("!!! Photon counting status at %s : %s",
                                     TimeOfDayText(ProcessClock().Now()).c_str(), view.text.c_str()));
}

}  // namespace velmar
