#include "console/interventions.h"

#include "engine/counting_status.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

namespace {

constexpr std::int32_t kLastCycle = 9999;

// The last channel of a cycle: 1 for a decreasing see-saw cycle, else the number of channels.
std::int32_t LastChannelOfCycle(const AcquisitionParameters& p, std::int32_t cycle) {
  return ScanDirectionOfCycle(p, cycle) == -1 ? 1 : p.Lz;
}

}  // namespace

std::int32_t ScanDirectionOfCycle(const AcquisitionParameters& p, std::int32_t cycle) {
  return p.SeeSaw && cycle % 2 == 0 ? -1 : 1;
}

SuspensionView BeginSuspension(AcquisitionState& s, const AcquisitionParameters& p, StoreStepHost& host) {
  s.storingHeld = 1;
  s.channelSeconds = 0.0f;
  host.EnableStart(false);
  host.EnableSuspend(false);
  ShowCountingState(CountingState::Suspended, p, s, host);

  SuspensionView v;
  v.label3 = Format("during the channel #%4.4d et the cycle #%4.4d", s.currentChannel, s.currentCycle);
  s.scanDirection = ScanDirectionOfCycle(p, s.currentCycle);
  const std::int32_t n = p.Lz;
  v.label4 = s.scanDirection == 1
                 ? Format("The scan of this cycle is in INCREASING mode (scanned as 1,2,...%d,%d)", n - 1, n)
                 : Format("The scan of this cycle is in DECREASING mode (scanned as %d,%d,...2,1)", n, n - 1);
  v.channelCaption = Format("redo the last channel #%4.4d at cycle #%4.4d", s.currentChannel, s.currentCycle);
  v.cycleCaption = Format("redo the whole last cycle #%4.4d", s.currentCycle);
  v.editChannel = Format("%d", s.currentChannel);
  v.editCycle = Format("%d", s.currentCycle);
  return v;
}

std::optional<ErrorLines> AnswerSuspension(AcquisitionState& s, const AcquisitionParameters& p, SuspensionChoice choice,
                                           const std::string& editChannel, const std::string& editCycle,
                                           const LocalTime& now) {
  const std::string at = TimeOfDayText(now);
  switch (choice) {
    case SuspensionChoice::RedoLastChannel:
      s.redoChannel = s.currentChannel;
      s.redoCycle = s.currentCycle;
      s.operatorAnswer = 0;
      QueueLogLine(s, Format("!!! User command at %s : redo last channel", at.c_str()));
      return std::nullopt;
    case SuspensionChoice::RedoLastCycle:
      s.redoChannel = s.scanDirection == 1 ? 1 : p.Lz;
      s.redoCycle = s.currentCycle;
      s.operatorAnswer = 0;
      QueueLogLine(s, Format("!!! User command at %s : redo whole last cycle", at.c_str()));
      return std::nullopt;
    case SuspensionChoice::RedoChannelAndCycle: {
      const auto channel = WholeInt(editChannel);
      if (!channel || *channel < 1 || *channel > p.Lz) return ErrorLines{"Invalid channel number", "Correct this please", ""};
      const auto cycle = WholeInt(editCycle);
      if (!cycle || *cycle < 1 || *cycle > p.Maxcycles) return ErrorLines{"Invalid cycle number", "Correct this please", ""};
      s.redoChannel = *channel;
      s.redoCycle = *cycle;
      s.operatorAnswer = 0;
      QueueLogLine(s, Format("!!! User command at %s : redo channel #%4.4d, cycle #%4.4d", at.c_str(), s.redoChannel,
                             s.redoCycle));
      return std::nullopt;
    }
    case SuspensionChoice::Quit:
      s.operatorAnswer = -1;
      return std::nullopt;
  }
  return std::nullopt;
}

void ResumeAfterSuspension(AcquisitionState& s, const AcquisitionParameters& p, StoreStepHost& host) {
  s.channelSeconds = kEndChannelNow;
  NoteInterruptedChannel(s);
  s.currentCycle = s.redoCycle;
  s.scanDirection = ScanDirectionOfCycle(p, s.redoCycle);
  // One step before the redo channel: channel 1 of an increasing cycle gives 0 and
  // the last of a decreasing one Lz + 1; the next advance lands on it either way.
  s.currentChannel = s.redoChannel - s.scanDirection;
  host.ShowScanDirection(s.scanDirection == 1 ? ">>>>>" : "<<<<<");
  s.storingHeld = 0;
  host.EnableSuspend(true);
  ShowCountingState(CountingState::Counting, p, s, host);
}

std::optional<ChannelCutShort> AfterAbortRequest(AcquisitionState& s, const AcquisitionParameters& p,
                                                 StoreStepHost& host, const LocalTime& now) {
  if (s.operatorAnswer != 2) return std::nullopt;
  return EndAcquisition(s, p, host, now);
}

DeferredStopView DeferredStopShown(const AcquisitionState& s) {
  DeferredStopView v;
  v.label2 = Format("Normal stop is at channel %d and cycle %d", s.stopChannel, s.stopCycle);
  v.label4 = Format("Current channel is %d and current cycle is %d", s.currentChannel, s.currentCycle);
  v.editCycle = v.editCycleFull = Format("%d", s.stopCycle);
  v.editChannelFull = Format("%d", s.stopChannel);
  return v;
}

std::optional<ErrorLines> AnswerDeferredStop(AcquisitionState& s, const AcquisitionParameters& p,
                                             DeferredStopChoice choice, const DeferredStopEdits& edits,
                                             StoreStepHost& host) {
  std::int32_t channel = 0, cycle = 0;
  switch (choice) {
    case DeferredStopChoice::EndOfCurrentChannel:
      channel = s.currentChannel;
      cycle = s.currentCycle;
      break;
    case DeferredStopChoice::EndOfCurrentCycle:
      cycle = s.currentCycle;
      channel = LastChannelOfCycle(p, cycle);
      break;
    case DeferredStopChoice::EndOfCycle: {
      const auto c = WholeInt(edits.cycle);
      if (!c) return ErrorLines{"Invalid cycle value", "Correct it...", ""};
      cycle = *c;
      channel = LastChannelOfCycle(p, cycle);
      break;
    }
    case DeferredStopChoice::ChannelAndCycle: {
      const auto k = WholeInt(edits.channelFull);
      if (!k) return ErrorLines{"Invalid channel value", "Correct it...", ""};
      const auto c = WholeInt(edits.cycleFull);
      if (!c) return ErrorLines{"Invalid cycle value", "Correct it...", ""};
      channel = *k;
      cycle = *c;
      break;
    }
  }
  s.operatorAnswer = 0;
  if (cycle < 0 || cycle > kLastCycle) cycle = kLastCycle;
  if (channel < 1) channel = 1;
  if (channel > p.Lz) channel = p.Lz;
  s.stopCycle = cycle;
  s.stopChannel = channel;
  s.deferredStopRequested = 1;
  host.ShowDeferred(Format("Stop at ch %d cy %d", channel, cycle));
  return std::nullopt;
}

}  // namespace velmar
