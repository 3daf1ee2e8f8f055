#pragma once
// The operator's hands on a running acquisition, apart from the windows that ask:
// suspension and the redo it chooses, the abort request's answers, and the
// deferred stop that moves the planned end. Each function is what one window
// does when it is shown or answered; the store step carries out the rest.
#include <optional>
#include <string>

#include "engine/acquisition_state.h"
#include "engine/store_step.h"
#include "params/acquisition_parameters.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"

namespace velmar {

// Suspension ------------------------------------------------------------------

// What the suspension window shows when it opens.
struct SuspensionView {
  std::string label3, label4;               // where it was suspended, the scan direction
  std::string channelCaption, cycleCaption;  // RadioButtonChannel, RadioButtonCycle
  std::string editChannel, editCycle;
};

enum class SuspensionChoice { RedoLastChannel, RedoLastCycle, RedoChannelAndCycle, Quit };

// "Suspend": storing held, the channel's time cleared, Start and Suspend disabled,
// the suspended state shown and logged; then the window's texts (the scan
// direction of the current cycle is settled here).
SuspensionView BeginSuspension(AcquisitionState& s, const AcquisitionParameters& p, StoreStepHost& host);

// "&Continue" with a choice: the redo point and the queued command line, or the
// error that keeps the window open. Quit answers -1 and queues nothing.
std::optional<ErrorLines> AnswerSuspension(AcquisitionState& s, const AcquisitionParameters& p, SuspensionChoice choice,
                                           const std::string& editChannel, const std::string& editCycle,
                                           const LocalTime& now);

// After the window closed with a redo: the interrupted channel ends at the next
// store step and the advance lands on the redo channel in its cycle's direction.
void ResumeAfterSuspension(AcquisitionState& s, const AcquisitionParameters& p, StoreStepHost& host);

// The direction a cycle is scanned in.
std::int32_t ScanDirectionOfCycle(const AcquisitionParameters& p, std::int32_t cycle);

// Abort request ----------------------------------------------------------------

// After the abort request closed: 2 ends the acquisition and offers the two large
// buttons (a channel it cut short is returned, to be said); 1 changes nothing; 0 is
// the caller's quit path.
std::optional<ChannelCutShort> AfterAbortRequest(AcquisitionState& s, const AcquisitionParameters& p,
                                                 StoreStepHost& host, const LocalTime& now);

// Deferred stop ------------------------------------------------------------------

struct DeferredStopView {
  std::string label2, label4;
  std::string editCycle, editChannelFull, editCycleFull;
};

enum class DeferredStopChoice { EndOfCurrentChannel, EndOfCurrentCycle, EndOfCycle, ChannelAndCycle };

struct DeferredStopEdits {
  std::string cycle, channelFull, cycleFull;  // EditCycle, EditChannelFull, EditCycleFull
};

DeferredStopView DeferredStopShown(const AcquisitionState& s);

// "&OK": the new stop point, clamped, shown in LabelDeferred and marked as asked;
// or the error that keeps the window open (nothing changed).
std::optional<ErrorLines> AnswerDeferredStop(AcquisitionState& s, const AcquisitionParameters& p,
                                             DeferredStopChoice choice, const DeferredStopEdits& edits,
                                             StoreStepHost& host);

}  // namespace velmar
