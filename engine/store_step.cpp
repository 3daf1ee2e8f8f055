#include "engine/store_step.h"

#include <cstring>
#include <optional>

#include "engine/frame_grabber_setup.h"
#include "engine/observation_log.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

namespace {

// A TV level edit is taken only when it reads as one integer from 0 to 255.
std::optional<std::int32_t> LevelOf(const std::string& text) {
  const auto value = WholeInt(text);
  if (!value || *value < 0 || *value > 255) return std::nullopt;
  return value;
}

void ApplyLevelEdits(StoreStepContext& c) {
  const TvLevelEdits edits = c.host.ReadTvLevelEdits();
  TvLevels& levels = c.s.levels;
  if (const auto v = LevelOf(edits.discriminator)) levels.discriminator = *v;
  if (const auto v = LevelOf(edits.white)) levels.whiteLevel = *v;
  if (const auto v = LevelOf(edits.black)) levels.blackLevel = *v;
  auto stored = [&] { c.host.LevelsStored(); };
  if (levels.blackLevel != levels.appliedBlack || levels.whiteLevel != levels.appliedWhite)
    ApplyTvLevels(c.grabber, c.s.grabber, levels, c.engine, c.p, stored);
  if (levels.discriminator != levels.appliedDiscriminator) ApplyDiscriminator(levels, c.engine, c.p, stored);
}

// Where counting resumes when the loop is good again: one step before the spoilt
// channel in scan order, so that the next advance lands on it; its file is dropped.
// The first second's channel 0 is not redone: its file is kept and counting goes
// on at channel 1. The alarm supervisor keeps these current while the fault lasts.
void NoteCloseLoopRedo(AcquisitionState& s) {
  s.closeLoopRedoCycle = s.currentCycle;
  if (s.currentChannel == 0) {
    s.closeLoopRedoChannel = 0;
    return;
  }
  s.closeLoopRedoChannel = s.currentChannel - s.scanDirection;
  s.closeLoopRedoPending = 1;
}

void CloseLoopControl(StoreStepContext& c) {
  AcquisitionState& s = c.s;
  if (!s.closeLoopWatch) return;
  if (s.closeLoopActive && !s.closeLoopHeld && s.storingHeld == 0 && c.p.AcqType != kAcq2DImage) {
    NoteCloseLoopRedo(s);
    s.storingHeld = 1;
    s.channelSeconds = 0.0f;
    c.host.EnableStart(false);
    c.host.EnableSuspend(false);
    ShowCountingState(CountingState::Suspended, c.p, s, c.host);
    s.closeLoopHeld = 1;
    c.host.ShowHold(kCloseLoopHoldLine1, kCloseLoopHoldLine2);
  } else if (!s.closeLoopActive && s.closeLoopHeld) {
    s.storingHeld = 0;
    c.host.EnableSuspend(true);
    s.channelSeconds = kEndChannelNow;
    NoteInterruptedChannel(s);
    s.currentChannel = s.closeLoopRedoChannel;
    s.currentCycle = s.closeLoopRedoCycle;
    ShowCountingState(CountingState::Counting, c.p, s, c.host);
    s.closeLoopHeld = 0;
    c.host.ShowHold("", "");
    s.redoChannel = s.currentChannel;
    s.redoCycle = s.currentCycle;
    s.operatorAnswer = 0;
    QueueLogLine(s, "!!! Automatic system decision : redo last channel because CLOSE LOOP");
  }
}

void ReadShutterLimit(StoreStepContext& c) {
  AcquisitionState& s = c.s;
  if (!s.shutterRateEdited) return;
  const std::string text = c.host.ReadShutterLimitText();
  if (const auto value = WholeInt(text)) s.shutterMaxRate = *value;
  else ShowError("", "Incorrect shutter nb photons value", "Correct it before acquisition");
  s.shutterRateEdited = 0;
  c.host.ShowShutterLimit(s.shutterMaxRate);
}

// Step 11a's watch on the high voltage: a reading that falls near the tube's
// medium level raises the alarm panel.
void WatchHighVoltage(StoreStepContext& c) {
  AcquisitionState& s = c.s;
  if (s.thtRead == s.thtReadAtLastStep) return;
  s.thtReadAtLastStep = s.thtRead;
  if (s.thtRead != 0 && s.thtRead < c.p.THTMedium + 2) {
    if (s.alarmCode == 0) s.alarmCode = 4;
    c.host.CheckBeepBox();
    s.beepActive = 1;
    c.host.SetWindowHeight(kHeightAlarmPanel);
  } else {
    s.alarmCode = 0;
    c.host.SetWindowHeight(kHeightNoPanel);
  }
}

void Advance(AcquisitionState& s, const AcquisitionParameters& p, StoreStepHost& host) {
  if (s.scanDirection == 1) {
    ++s.currentChannel;
    if (s.currentChannel > p.Lz) {
      ++s.currentCycle;
      if (p.SeeSaw) {
        s.currentChannel = p.Lz;
        s.scanDirection = -1;
        host.ShowScanDirection("<<<<<");
      } else {
        s.currentChannel = 1;
        s.scanDirection = 1;
        host.ShowScanDirection(">>>>>");
      }
    }
  } else {
    --s.currentChannel;
    if (s.currentChannel < 1) {
      s.currentChannel = 1;
      ++s.currentCycle;
      s.scanDirection = 1;
      host.ShowScanDirection(">>>>>");
    }
  }
}

// The fields already hold the next channel.
bool EndReached(const AcquisitionState& s) {
  if (s.stopCycle < s.currentCycle) return true;
  if (s.currentCycle != s.stopCycle) return false;
  return s.scanDirection == 1 ? s.stopChannel < s.currentChannel : s.currentChannel < s.stopChannel;
}

// While a panel holds storing, a suspension or a new stop point would act on a
// channel already closed: both wait until counting goes on.
void EnableInterventions(StoreStepHost& host, bool on) {
  host.EnableSuspend(on);
  host.EnableDeferredStop(on);
}

void EndOfAcquisition(StoreStepContext& c) {
  c.s.lastScannedChannel = c.s.finishedChannel;
  c.s.lastScannedCycle = c.s.finishedCycle;
  EnableInterventions(c.host, false);
  ShowEndPanel(1, c.s, c.p, c.host);
  c.s.endDialogState = 1;
}

// The finished channel's record, then the next channel or the end panel.
void RecordAndGoOn(StoreStepContext& c, const LocalTime& now) {
  AcquisitionState& s = c.s;
  WriteChannelRecord(s, s.finishedChannel, s.finishedCycle, s.finishedInterferometerValue, now);
  c.host.ChannelFinished(s.finishedChannel, s.finishedCycle);
  s.channelPhotons = 0;
  s.channelFrames = 0;
  if (EndReached(s)) EndOfAcquisition(c);
  else StartNextChannel(c);
}

bool Handle(FileOutcome outcome, StoreStepHost& host) {
  if (outcome == FileOutcome::QuitIntegration) host.QuitIntegration();
  return outcome == FileOutcome::Done;
}

// A second whose photons did not all reach the file is said in the log, and its
// lost photons leave the figures the channel record gives; false: integration ends.
bool AccountForAppend(StoreStepContext& c, const AppendResult& appended, const LocalTime& now) {
  StoredSecond second{appended.recordsLost, appended.outcome == FileOutcome::Done ? 0 : appended.error, true};
  if (second.error != 0) {
    ForgetUnwrittenPhotons(c.s, c.p, second.photonsLost);
    second.logged = AppendLogLine(c.s, Format("!!! Disk error at %s : %d photons of this second not written (%s)",
                                              TimeOfDayText(now).c_str(), second.photonsLost,
                                              std::strerror(second.error)));
  }
  if (appended.outcome != FileOutcome::QuitIntegration &&
      c.host.SecondStored(second) != DiskErrorChoice::QuitIntegration)
    return true;
  c.host.QuitIntegration();
  return false;
}

void StoreAndSequence(StoreStepContext& c, const SecondFigures& figures, const PhotonBuffer::Snapshot& events,
                      const LocalTime& now) {
  AcquisitionState& s = c.s;
  WatchHighVoltage(c);
  c.host.ShowCumulated(UpdateStatistics(s, c.p, figures));
  c.host.AlternateStatusColours(static_cast<int>(c.s.stepEndMs / 1000 % 2), s.deferredStopRequested != 0);
  if (!AccountForAppend(c, AppendPhotons(s, c.p, events, c.host), now)) return;
  s.channelSeconds += static_cast<float>(figures.sinceEnd);
  s.channelTimeOverCycles += static_cast<float>(figures.sinceEnd);
  c.host.ShowChannelLabels(s.currentChannel >= 1 && s.currentChannel <= c.p.Lz ? Format("%4.4d", s.currentChannel) : "",
                           Format("%4.4d", s.currentCycle),
                           Format("%5.5d", TruncateTowardZero(s.channelTimeOverCycles)));

  if (s.channelSeconds < static_cast<float>(c.p.Tcan) && s.currentChannel != 0) return;
  const std::int32_t channel = s.currentChannel, cycle = s.currentCycle, interrupted = s.interruptedChannel;
  s.finishedChannel = interrupted >= 0 ? interrupted : channel;
  s.finishedCycle = interrupted >= 0 ? s.interruptedCycle : cycle;
  s.finishedInterrupted = interrupted >= 0 ? 1 : 0;
  s.interruptedChannel = -1;
  s.finishedInterferometerValue = s.interferometerValue;
  const std::int32_t direction = s.scanDirection;
  Advance(s, c.p, c.host);
  if (!Handle(CloseChannelFile(s, c.p, c.host), c.host)) {
    // The file could not take its final name: the channel stays where it was and
    // its end is tried again next second, rather than skipping the next channel.
    s.currentChannel = channel;
    s.currentCycle = cycle;
    s.interruptedChannel = interrupted;
    if (s.scanDirection != direction) c.host.ShowScanDirection(direction == 1 ? ">>>>>" : "<<<<<");
    s.scanDirection = direction;
    return;
  }
  if (c.p.ScanningMode == kScanningWithPause) {
    EnableInterventions(c.host, false);
    ShowPausePanel(1, s, c.p, c.host);
    s.pauseDialogState = 1;
    return;
  }
  RecordAndGoOn(c, now);
}

void AnswerPanels(StoreStepContext& c, const LocalTime& now, bool& handled) {
  AcquisitionState& s = c.s;
  handled = true;
  if (s.endDialogState == 2) {
    s.endDialogState = 0;
    if (s.operatorAnswer != 0) {
      ShowAbortPanel(1, s, c.p, c.host);
      s.abortDialogState = 1;
      return;
    }
    c.host.ShowDeferred(Format("Stop at ch %d cy %d", s.stopChannel, s.stopCycle));
    ShowCountingState(CountingState::Counting, c.p, s, c.host);
    EnableInterventions(c.host, true);
    StartNextChannel(c);
    return;
  }
  if (s.abortDialogState == 2) {
    s.abortDialogState = 0;
    switch (s.operatorAnswer) {
      case 1:
        EndOfAcquisition(c);
        return;
      case 0:
        c.host.QuitAfterAbortYes();
        return;
      case 2:
        EndAcquisition(s, c.p, c.host, now);
        return;
      default:
        EnableInterventions(c.host, true);
        StartNextChannel(c);
        return;
    }
  }
  if (s.pauseDialogState == 2) {
    s.pauseDialogState = 0;
    EnableInterventions(c.host, true);
    RecordAndGoOn(c, now);
    return;
  }
  handled = false;
}

}  // namespace

void StartNextChannel(StoreStepContext& c) {
  AcquisitionState& s = c.s;
  c.host.ShowWriting(OpenChannelFile(s, c.p));
  c.host.DriveToChannel(s.currentChannel);
  s.channelSeconds = 0.0f;
  s.channelTimeOverCycles = static_cast<float>(c.p.Tcan) * static_cast<float>(s.currentCycle - 1);
  WriteChannelBegin(s, ProcessClock().Now());
}

std::optional<ChannelCutShort> EndAcquisition(AcquisitionState& s, const AcquisitionParameters& p,
                                              StoreStepHost& host, const LocalTime& now) {
  const auto cut = EndChannelInProgress(s, p);
  if (cut && !AppendLogLine(s, CutShortLogLine(*cut, TimeOfDayText(now))))
    ShowError("Impossible to write onto the log file (case A)", s.logPath, CutShortText(*cut));
  host.ShowEndButtons();
  ShowCountingState(CountingState::Standby, p, s, host);
  host.ShowWriting("");
  s.acquisitionEnded = 1;
  // Nothing is stored any more: the high voltage is no longer watched for it.
  s.storingHeld = 1;
  if (s.alarmCode == 4) s.alarmCode = 0;
  return cut;
}

void StoreStep(StoreStepContext& c) {
  AcquisitionState& s = c.s;
  Clock& clock = ProcessClock();
  const std::int64_t startMs = clock.MonotonicMs();
  const LocalTime now = clock.Now();
  // Lines queued after the end (a comment, a command) reach the log as they did
  // while counting.
  FlushLogMessage(s);
  if (!s.acquisitionEnded) {
    c.host.ReloadLogbookIfAsked();
    c.host.AlternateStartPrompt();
    if (s.tvLevelsEditable) ApplyLevelEdits(c);
    c.host.RefreshStatusLabels();
    c.host.ShowPriorities(PriorityLabelText(2), PriorityLabelText(3));
    CloseLoopControl(c);
  }
  SecondFigures f;
  f.sinceEnd = static_cast<double>(startMs - s.stepEndMs) / 1000.0;
  f.sinceStart = static_cast<double>(startMs - s.stepStartMs) / 1000.0;
  const PhotonBuffer::Snapshot events = c.engine.photons().TakeSnapshot();
  f.frames = events.frames;
  for (std::int32_t i = 0; i < events.frames; ++i) f.photons += events.photonsPerFrame[i];
  f.events = events.events;
  f.dropped = events.framesDropped;

  if (!s.acquisitionEnded) {
    const InstantView instant = InstantFiguresOf(f, c.p.FramesPerSecond);
    ReadShutterLimit(c);
    if (s.autoShutter && instant.photonRate > s.shutterMaxRate) c.host.CloseShutter();
    c.host.ShowInstant(instant);
    bool handled = false;
    AnswerPanels(c, now, handled);
    if (!handled && s.storingHeld == 0) StoreAndSequence(c, f, events, now);
  }
  s.stepStartMs = s.acquisitionEnded ? clock.MonotonicMs() : startMs;
  s.stepEndMs = clock.MonotonicMs();
}

}  // namespace velmar
