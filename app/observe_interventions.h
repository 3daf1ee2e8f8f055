#pragma once
// The operator's interventions for the headless runner, read from its flags and
// played at their second after Start, through the same logic the windows use.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/observe_options.h"
#include "console/interventions.h"

namespace velmar {

struct ScriptedSuspension {
  int at = 0, heldFor = 0;
  SuspensionChoice choice = SuspensionChoice::RedoLastChannel;
  std::string channel, cycle;  // the edits, for a chosen channel and cycle
};

struct ScriptedDeferredStop {
  int at = 0;
  bool cancel = false;
  DeferredStopChoice choice = DeferredStopChoice::EndOfCurrentCycle;
  DeferredStopEdits edits;
};

struct ScriptedComment {
  int at = 0;
  std::string text;
};

struct CloseLoopFault {
  int from = 0, lasting = 0;
};

struct InterventionScript {
  std::vector<ScriptedSuspension> suspensions;
  std::vector<ScriptedDeferredStop> deferredStops;
  std::vector<ScriptedComment> comments;
  std::optional<CloseLoopFault> closeLoopFault;
};

// The flags' interventions; an error text names the flag and value it cannot read.
std::optional<InterventionScript> ParseInterventions(const ObserveOptions& o, std::string& error);

// A deferred stop aimed outside the plan: a channel outside 1..Lz, or a cycle its
// photon files cannot be named after (99 with short names, 9999 with long ones).
// p is the set as the OK action leaves it; empty when every target fits.
std::string DeferredStopOutsidePlan(const InterventionScript& script, const AcquisitionParameters& p);

// The last cycle the photon file names of p can hold.
std::int32_t LastNamedCycle(const AcquisitionParameters& p);

// Plays the interventions whose second has come; say() tells what the operator did.
class InterventionPlayer {
 public:
  InterventionPlayer(InterventionScript script, AcquisitionState& s, const AcquisitionParameters& p,
                     StoreStepHost& host, std::function<void(const std::string&)> say)
      : script_(std::move(script)), s_(s), p_(p), host_(host), say_(std::move(say)) {}

  // Seconds since Start; true when a suspension chose to abort and quit.
  bool Play(double elapsed);
  // A suspension is being held (its answer not given yet).
  bool suspended() const { return pending_.has_value(); }

 private:
  bool Suspend(const ScriptedSuspension& at);  // true when it was answered "abort"
  bool Answer(const ScriptedSuspension& at);
  void DeferredStop(const ScriptedDeferredStop& at);

  InterventionScript script_;
  AcquisitionState& s_;
  const AcquisitionParameters& p_;
  StoreStepHost& host_;
  std::function<void(const std::string&)> say_;
  std::size_t nextSuspension_ = 0, nextDeferred_ = 0, nextComment_ = 0;
  std::optional<ScriptedSuspension> pending_;
};

}  // namespace velmar
