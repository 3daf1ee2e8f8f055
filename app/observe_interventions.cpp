#include "app/observe_interventions.h"

#include <algorithm>

#include "console/logbook.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

namespace {

// "S:rest" (or "S+H:rest" where held is given); false when S or H is not a whole number of seconds.
bool SplitAt(const std::string& value, int& at, int* held, std::string& rest) {
  const auto colon = value.find(':');
  if (colon == std::string::npos) return false;
  std::string when = value.substr(0, colon);
  rest = value.substr(colon + 1);
  if (held) {
    *held = 0;
    if (const auto plus = when.find('+'); plus != std::string::npos) {
      const auto h = WholeInt(when.substr(plus + 1));
      if (!h || *h < 0) return false;
      *held = *h;
      when = when.substr(0, plus);
    }
  }
  const auto a = WholeInt(when);
  if (!a || *a < 0) return false;
  at = *a;
  return true;
}

// "K,C" into its two edits.
bool SplitPair(const std::string& text, std::string& first, std::string& second) {
  const auto comma = text.find(',');
  if (comma == std::string::npos) return false;
  first = text.substr(0, comma);
  second = text.substr(comma + 1);
  return WholeInt(first) && WholeInt(second);
}

std::optional<ScriptedSuspension> SuspensionOf(const std::string& value) {
  ScriptedSuspension s;
  std::string what;
  if (!SplitAt(value, s.at, &s.heldFor, what)) return std::nullopt;
  if (what == "channel") s.choice = SuspensionChoice::RedoLastChannel;
  else if (what == "cycle") s.choice = SuspensionChoice::RedoLastCycle;
  else if (what == "abort") s.choice = SuspensionChoice::Quit;
  else if (SplitPair(what, s.channel, s.cycle)) s.choice = SuspensionChoice::RedoChannelAndCycle;
  else return std::nullopt;
  return s;
}

std::optional<ScriptedDeferredStop> DeferredStopOf(const std::string& value) {
  ScriptedDeferredStop d;
  std::string when;
  if (!SplitAt(value, d.at, nullptr, when)) return std::nullopt;
  if (when == "cancel") d.cancel = true;
  else if (when == "channel") d.choice = DeferredStopChoice::EndOfCurrentChannel;
  else if (when == "cycle") d.choice = DeferredStopChoice::EndOfCurrentCycle;
  else if (SplitPair(when, d.edits.channelFull, d.edits.cycleFull)) d.choice = DeferredStopChoice::ChannelAndCycle;
  else if (WholeInt(when)) {
    d.choice = DeferredStopChoice::EndOfCycle;
    d.edits.cycle = when;
  } else {
    return std::nullopt;
  }
  return d;
}

template <class T>
void ByTime(std::vector<T>& items) {
  std::stable_sort(items.begin(), items.end(), [](const T& a, const T& b) { return a.at < b.at; });
}

}  // namespace

std::optional<InterventionScript> ParseInterventions(const ObserveOptions& o, std::string& error) {
  InterventionScript script;
  for (const std::string& v : o.suspensions) {
    const auto s = SuspensionOf(v);
    if (!s) {
      error = "--suspend takes S[+H]:channel, S[+H]:cycle, S[+H]:K,C or S[+H]:abort, not \"" + v + "\"";
      return std::nullopt;
    }
    script.suspensions.push_back(*s);
  }
  for (const std::string& v : o.deferredStops) {
    const auto d = DeferredStopOf(v);
    if (!d) {
      error = "--deferred-stop takes S:channel, S:cycle, S:C, S:K,C or S:cancel, not \"" + v + "\"";
      return std::nullopt;
    }
    script.deferredStops.push_back(*d);
  }
  for (const std::string& v : o.comments) {
    ScriptedComment c;
    if (!SplitAt(v, c.at, nullptr, c.text) || c.text.size() > static_cast<std::size_t>(kCommentLength)) {
      error = Format("--comment takes S:TEXT, a text of at most %d characters, not \"%s\"", kCommentLength, v.c_str());
      return std::nullopt;
    }
    script.comments.push_back(c);
  }
  if (!o.closeLoopFault.empty()) {
    CloseLoopFault f;
    std::string lasting;
    const auto d = SplitAt(o.closeLoopFault, f.from, nullptr, lasting) ? WholeInt(lasting) : std::nullopt;
    if (!d || *d < 1) {
      error = "--close-loop-fault takes S:D, two whole numbers of seconds (D at least 1), not \"" + o.closeLoopFault +
              "\"";
      return std::nullopt;
    }
    f.lasting = *d;
    script.closeLoopFault = f;
  }
  ByTime(script.suspensions);
  ByTime(script.deferredStops);
  ByTime(script.comments);
  return script;
}

std::int32_t LastNamedCycle(const AcquisitionParameters& p) { return p.FileType == 1 ? 9999 : 99; }

std::string DeferredStopOutsidePlan(const InterventionScript& script, const AcquisitionParameters& p) {
  const std::int32_t firstCycle = std::min<std::int32_t>(1, p.Startcycle), lastCycle = LastNamedCycle(p);
  for (const ScriptedDeferredStop& d : script.deferredStops) {
    std::string channel, cycle;
    if (d.choice == DeferredStopChoice::EndOfCycle) cycle = d.edits.cycle;
    if (d.choice == DeferredStopChoice::ChannelAndCycle) {
      channel = d.edits.channelFull;
      cycle = d.edits.cycleFull;
    }
    if (d.cancel) continue;
    if (!channel.empty())
      if (const auto k = WholeInt(channel); !k || *k < 1 || *k > p.Lz)
        return Format("--deferred-stop at %d s: channel %s is outside the plan's channels 1 to %d", d.at,
                      channel.c_str(), p.Lz);
    if (!cycle.empty())
      if (const auto c = WholeInt(cycle); !c || *c < firstCycle || *c > lastCycle)
        return Format("--deferred-stop at %d s: cycle %s cannot be named (cycles %d to %d with %s file names)", d.at,
                      cycle.c_str(), firstCycle, lastCycle, p.FileType == 1 ? "long" : "short");
  }
  return {};
}

bool InterventionPlayer::Play(double elapsed) {
  if (pending_ && elapsed >= pending_->at + pending_->heldFor) {
    const ScriptedSuspension answered = *pending_;
    pending_.reset();
    if (Answer(answered)) return true;
  }
  // A suspension comes only while storing runs: a panel or a hold keeps it waiting.
  if (!pending_ && nextSuspension_ < script_.suspensions.size() &&
      elapsed >= script_.suspensions[nextSuspension_].at && s_.storingHeld == 0 && !s_.acquisitionEnded) {
    if (Suspend(script_.suspensions[nextSuspension_++])) return true;
  }
  while (nextDeferred_ < script_.deferredStops.size() && elapsed >= script_.deferredStops[nextDeferred_].at)
    DeferredStop(script_.deferredStops[nextDeferred_++]);
  while (nextComment_ < script_.comments.size() && elapsed >= script_.comments[nextComment_].at) {
    const ScriptedComment& c = script_.comments[nextComment_++];
    QueueComment(s_, c.text, ProcessClock().Now());
    say_("Comment written on the logbook: " + c.text);
  }
  return false;
}

bool InterventionPlayer::Suspend(const ScriptedSuspension& at) {
  const SuspensionView view = BeginSuspension(s_, p_, host_);
  say_("Suspended " + view.label3 + "; " + view.label4);
  pending_ = at;
  if (at.heldFor != 0) return false;
  pending_.reset();
  return Answer(at);  // answered at once: an abort ends the observation now
}

bool InterventionPlayer::Answer(const ScriptedSuspension& at) {
  if (const auto error = AnswerSuspension(s_, p_, at.choice, at.channel, at.cycle, ProcessClock().Now())) {
    // A channel or cycle outside the plan: the window would stay open; here the
    // last channel is redone instead, so that storing is never left held.
    say_(error->line1 + ": the last channel is redone instead");
    AnswerSuspension(s_, p_, SuspensionChoice::RedoLastChannel, "", "", ProcessClock().Now());
  }
  if (s_.operatorAnswer == -1) {
    say_("Abort definitively acquisition, then Yes: abort and quit");
    return true;
  }
  ResumeAfterSuspension(s_, p_, host_);
  say_(Format("Resumed: channel %d of cycle %d is exposed next", s_.redoChannel, s_.redoCycle));
  return false;
}

void InterventionPlayer::DeferredStop(const ScriptedDeferredStop& at) {
  if (at.cancel) {
    s_.operatorAnswer = 1;
    say_("Deferred stop cancelled: the stop stays at channel " + std::to_string(s_.stopChannel) + " of cycle " +
         std::to_string(s_.stopCycle));
    return;
  }
  if (const auto error = AnswerDeferredStop(s_, p_, at.choice, at.edits, host_)) {
    say_("Deferred stop refused: " + error->line1);
    return;
  }
  say_(Format("Deferred stop: the acquisition stops after channel %d of cycle %d", s_.stopChannel, s_.stopCycle));
}

}  // namespace velmar
