#include "instruments/tht_tuning.h"

#include <algorithm>

#include "engine/frame_grabber_setup.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

namespace {
constexpr std::int64_t kStepMs = 1000;
constexpr std::int32_t kBoardOpenedMarker = 1947;
}  // namespace

std::string ThtText(std::int32_t volts) { return volts < 0 ? Format("-%4.4d", -volts) : Format("%5.5d", volts); }

ThtButtons ThtLevelRules(const AcquisitionParameters& p, std::int32_t thtRead) {
  ThtButtons b;
  const std::int32_t margin = p.THTSystem < 3 ? 300 : 50;
  const bool unknown = thtRead == kThtNotControlled;
  if (unknown || thtRead < p.THTLow - margin) {
    b.upLow = true;
  } else if (thtRead < p.THTMedium - margin) {
    b.upMedium = b.tuneManually = true;
  } else {
    b.upMaximum = b.tuneManually = true;
    b.trackBarShown = thtRead > p.THTMedium;
    b.trackBarPosition = thtRead;
  }
  // An "Immediate down" below the read would be a sudden rise: offered only as a descent.
  b.downMedium = !unknown && thtRead > p.THTMedium;
  b.downLow = !unknown && thtRead > p.THTLow;
  return b;
}

ThtRisePlan PlanThtRise(ThtRise rise, const AcquisitionParameters& p, std::int32_t thtRead) {
  switch (rise) {
    case ThtRise::Low:
      return {thtRead / 100 * 100, p.THTLow <= 1200 ? 25 : 500, p.THTLow};
    case ThtRise::Medium: {
      const std::int32_t step = p.THTMedium <= 1800 ? 20 : 200;
      return {(thtRead + step) / 100 * 100, step, p.THTMedium};
    }
    case ThtRise::Maximum:
    default: {
      const std::int32_t step = p.THTMax <= 3000 ? 10 : 100;
      return {(thtRead + step) / 100 * 100, step, p.THTMax};
    }
  }
}

void ThtTuning::Shown() {
  p_.StartWithTHT = 1;  // no probe of the supply while the operator tunes it
  rest_.Cancel();
  display_->ShowRestBox(false);
  s_.monitorEnabled = 1;
  OpenTuningContext(grabber_, s_.tuning, s_.startUpInProgress != 0);
  if (boardOpened_ != kBoardOpenedMarker) {
    if (board_.OpenBoard())
      ShowError("Error initializing the AXIOM input/output board", board_.lastErrorText(), "");
    else
      boardOpened_ = kBoardOpenedMarker;
  }
  tht_.ReadTHT();
  ShowReadAndLevels();
}

void ThtTuning::Closed() {
  if (rising_) StopPositioning();
  rest_.Cancel();
  step_.Cancel();
  CloseTuningContext(grabber_, s_.tuning, s_.startUpInProgress != 0);
}

void ThtTuning::ReturnToAcquisition() {
  effluvesStop_ = 1;
  rest_.Cancel();
  display_->ShowRestBox(false);
  CloseTuningContext(grabber_, s_.tuning, s_.startUpInProgress != 0);
  ShowIdleBanner(grabber_);
}

void ThtTuning::ShowReadAndLevels() {
  ThtButtons b = ThtLevelRules(p_, s_.thtRead);
  if (rest_.pending()) b.upMaximum = false;
  if (rising_) {
    b.upLow = b.upMedium = b.upMaximum = b.tuneManually = b.downMedium = b.downLow = false;
    b.rising = true;
  }
  display_->ShowThtRead(ThtText(s_.thtRead));
  display_->ShowButtons(b);
}

void ThtTuning::Rise(ThtRise rise) {
  if (rising_) return;
  stopRequest_ = 0;
  rest_.Cancel();
  display_->ShowRestBox(false);
  tht_.ReadTHT();
  if (s_.thtRead == kThtNotControlled) s_.thtRead = 0;
  rise_ = rise;
  plan_ = PlanThtRise(rise, p_, s_.thtRead);
  // A target the supply cannot express is refused before the first step is sent.
  if (RefuseUnreachableTht(p_.THTSystem, plan_.target)) {
    ShowReadAndLevels();
    return;
  }
  if (plan_.start >= plan_.target) {  // already there: nothing is sent
    ShowReadAndLevels();
    if (rise == ThtRise::Medium) StartRest();
    if (rise == ThtRise::Maximum && s_.thtRead >= p_.THTMedium) display_->ShowTrackBar(s_.thtRead);
    return;
  }
  rising_ = true;
  display_->ShowMessage(rise == ThtRise::Maximum ? "Positionning to maximum voltage"
                                                 : Format("Positionning to %d V", plan_.target),
                        ThtMessageStyle::Positioning);
  next_ = plan_.start;
  RiseStep();
}

// One voltage of the rise, then a second before the next. The last step is the
// target itself, so that the THT ends where the completion message says.
void ThtTuning::RiseStep() {
  if (stopRequest_) return StopPositioning();
  tht_.SetTHT(next_);
  ShowReadAndLevels();
  if (next_ >= plan_.target) {
    step_.After(kStepMs, [this] { FinishRise(); });
    return;
  }
  next_ = std::min(next_ + plan_.step, plan_.target);
  step_.After(kStepMs, [this] { RiseStep(); });
}

void ThtTuning::FinishRise() {
  switch (rise_) {
    case ThtRise::Low:
      step_.After(1000, [this] {
        tht_.ReadTHT();
        EndRise();
        display_->ShowMessage(Format("Done: positionned to %d V", p_.THTLow), ThtMessageStyle::Done);
      });
      break;
    case ThtRise::Medium:
      step_.After(500, [this] {
        tht_.ReadTHT();
        EndRise();
        display_->ShowMessage(Format("Done: positionned to %d V", p_.THTMedium), ThtMessageStyle::Done);
        StartRest();
      });
      break;
    case ThtRise::Maximum:
      tht_.SetTHT(p_.THTMax);
      ShowReadAndLevels();
      step_.After(500, [this] {
        tht_.ReadTHT();
        EndRise();
        display_->ShowMessage("Done: positionned to maximum voltage", ThtMessageStyle::Done);
        if (s_.thtRead >= p_.THTMedium) display_->ShowTrackBar(s_.thtRead);
      });
      break;
  }
}

void ThtTuning::EndRise() {
  rising_ = false;
  ShowReadAndLevels();
}

void ThtTuning::StopPositioning() {
  stopRequest_ = 1;
  if (!rising_) return;
  step_.Cancel();
  EndRise();
  display_->ShowMessage("User stop during THT positionning", ThtMessageStyle::Done);
  if (rise_ == ThtRise::Medium) StartRest();
  if (rise_ == ThtRise::Maximum && s_.thtRead >= p_.THTMedium && s_.thtRead != kThtNotControlled)
    display_->ShowTrackBar(s_.thtRead);
}

void ThtTuning::Urgency() {
  StopPositioning();
  tht_.SetTHT(1);
  ShowReadAndLevels();
  AfterOneSecond("Done: positionned to 0 V");
}

void ThtTuning::Descend(std::int32_t level, const char* done) {
  if (rising_) return;
  if (!tht_.SetTHT(level)) return;
  ShowReadAndLevels();
  AfterOneSecond(Format(done, level));
}

void ThtTuning::AfterOneSecond(std::string message) {
  step_.After(1000, [this, message = std::move(message)] {
    tht_.ReadTHT();
    ShowReadAndLevels();
    display_->ShowMessage(message, ThtMessageStyle::Done);
  });
}

// The rest against "effluves" after the medium level, on a low-voltage tube.
void ThtTuning::StartRest() {
  if (p_.THTLow >= 3000 || p_.THTLastStepWait <= 0) return;
  effluvesStop_ = 0;
  display_->ShowRestBox(true);
  RestStep(0);
}

void ThtTuning::RestStep(int i) {
  if (effluvesStop_ || i > 60) {
    display_->ShowRestBox(false);
    ShowReadAndLevels();
    return;
  }
  display_->ShowRestSeconds(Format("%2.2d", 60 - i));
  rest_.After(kStepMs, [this, i] { RestStep(i + 1); });
  ShowReadAndLevels();
}

void ThtTuning::StopRest() {
  effluvesStop_ = 1;
  rest_.Cancel();
  display_->ShowRestBox(false);
  ShowReadAndLevels();
}

void ThtTuning::Manual(const std::string& field) {
  if (rising_) return;
  const auto volts = LeadingReal(field);
  if (!volts) {
    ShowError("Invalid VOLTS field !", "THT set was not done...", "");
    return;
  }
  // The supply's code is unsigned: a negative voltage is refused, never sent.
  if (*volts < 0.0f) {
    ShowError("Invalid VOLTS field !", "THT set was not done...", "A negative voltage cannot be set");
    return;
  }
  const std::int32_t v = std::min(TruncateTowardZero(*volts), p_.THTMax);
  if (!tht_.SetTHT(v)) return;
  ShowReadAndLevels();
  display_->ShowMessage(Format("Positionned manually to %d V", v), ThtMessageStyle::Done);
}

void ThtTuning::TuneManually() {
  if (rising_) return;
  const std::int32_t read = s_.thtRead == kThtNotControlled ? p_.THTMedium : s_.thtRead;
  display_->ShowTrackBar(std::clamp(read, p_.THTMedium, std::max(p_.THTMedium, p_.THTMax)));
}

void ThtTuning::TrackBarMoved(std::int32_t position, bool focused, bool keyHeld) {
  if (rising_ || !focused || !keyHeld) return;
  if (s_.thtRead == kThtNotControlled || s_.thtRead <= p_.THTMedium) return;
  const std::int32_t v = std::min(position, p_.THTMax);
  // Said on the window's line, not in an error window that every step of a drag would raise.
  if (const std::string why = ThtUnreachable(p_.THTSystem, v); !why.empty()) {
    display_->ShowMessage(Format("%d V not set: %s", v, why.c_str()), ThtMessageStyle::Done);
    return;
  }
  tht_.SetTHT(v);
  ShowReadAndLevels();
}

void ThtTuning::CommandShutter(int close) {
  board_.CommandShutter(close);
  board_.RefreshShutterStatus(*display_);
}

void ThtTuning::Poll() {
  step_.RunIfDue();
  rest_.RunIfDue();
}

}  // namespace velmar
