// Suspension and redo, the abort request's answers and the deferred stop, on a
// whole simulated observation run by the real store step.
#include "console/interventions.h"

#include <algorithm>

#include "engine/observation_fixture.h"
#include "engine/observation_log.h"

namespace velmar::testing {
namespace {

class Interventions : public Observation {
 protected:
  // Suspends now and answers at once; returns what the window showed.
  SuspensionView SuspendAndRedo(SuspensionChoice choice, const std::string& channel = "",
                                const std::string& cycle = "") {
    const SuspensionView view = BeginSuspension(s_, p_, host_);
    EXPECT_EQ(s_.storingHeld, 1);
    EXPECT_EQ(s_.channelSeconds, 0.0f);
    EXPECT_EQ(host_.states.back(), "suspended");
    EXPECT_FALSE(AnswerSuspension(s_, p_, choice, channel, cycle, clock_.Now()));
    ResumeAfterSuspension(s_, p_, host_);
    return view;
  }
  void RunInto(std::int32_t channel, std::int32_t cycle) {
    RunUntil([&] { return s_.currentChannel == channel && s_.currentCycle == cycle && s_.channelSeconds >= 1.0f; });
  }
  std::size_t Count(const std::string& text) {
    const std::string log = ReadFile(LogFilePath(p_));
    std::size_t n = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
};

TEST_F(Interventions, RedoOfTheFirstChannelGoingUpAndOfTheLastGoingDownExposesItAgain) {
  Plan(3, 2, 2, true);
  Begin();
  RunInto(1, 1);
  const SuspensionView up = SuspendAndRedo(SuspensionChoice::RedoLastChannel);
  EXPECT_EQ(up.label3, "during the channel #0001 et the cycle #0001");
  EXPECT_EQ(up.label4, "The scan of this cycle is in INCREASING mode (scanned as 1,2,...2,3)");
  EXPECT_EQ(up.channelCaption, "redo the last channel #0001 at cycle #0001");
  EXPECT_EQ(s_.currentChannel, 0);  // one step before channel 1
  EXPECT_EQ(s_.storingHeld, 0);
  RunInto(3, 2);  // the first channel of the decreasing cycle
  const SuspensionView down = SuspendAndRedo(SuspensionChoice::RedoLastChannel);
  EXPECT_EQ(down.label4, "The scan of this cycle is in DECREASING mode (scanned as 3,2,...2,1)");
  EXPECT_EQ(s_.currentChannel, 4);  // one step before channel 3 going down
  RunToEndPanel();
  EXPECT_EQ(host_.drives, (std::vector<std::int32_t>{1, 1, 2, 3, 3, 3, 2, 1}));
  EXPECT_EQ(s_.lastScannedChannel, 1);
  EXPECT_EQ(s_.lastScannedCycle, 2);
  EXPECT_EQ(Count("!!! User command at 21:15:"), 2u);
  EXPECT_EQ(Count(" : redo last channel"), 2u);
  // The interrupted channels' records name them, not the point before the redo.
  EXPECT_EQ(Count("ch=0000  cy=0001"), 1u);
  EXPECT_EQ(Count("ch=0001  cy=0001"), 2u);
  EXPECT_EQ(Count("ch=0003  cy=0002"), 2u);
  EXPECT_EQ(Count("ch=0004"), 0u);
  // Each redone channel's file holds its whole second exposure, written after the redo.
  EXPECT_EQ(std::filesystem::file_size(data_ + "/G0420101.VLA"), 2 * 80 * FrameRecords().size());
  EXPECT_EQ(std::filesystem::file_size(data_ + "/G0420203.VLA"), 2 * 80 * FrameRecords().size());
}

TEST_F(Interventions, ARedoInACycleOfTheOtherParityTakesThatCyclesDirection) {
  Plan(4, 2, 3, true);
  Begin();
  RunInto(2, 3);  // going up
  SuspendAndRedo(SuspensionChoice::RedoChannelAndCycle, "3", "2");
  EXPECT_EQ(s_.currentCycle, 2);
  EXPECT_EQ(s_.scanDirection, -1);
  EXPECT_EQ(s_.currentChannel, 4);
  RunUntil({}, 1);
  EXPECT_EQ(host_.drives.back(), 3);
  EXPECT_EQ(s_.currentChannel, 3);
  EXPECT_EQ(Count("redo channel #0003, cycle #0002"), 1u);

  // The whole last cycle of a decreasing cycle starts again from its last channel.
  BeginSuspension(s_, p_, host_);
  EXPECT_FALSE(AnswerSuspension(s_, p_, SuspensionChoice::RedoLastCycle, "", "", clock_.Now()));
  EXPECT_EQ(s_.redoChannel, 4);
  EXPECT_EQ(s_.redoCycle, 2);
}

TEST_F(Interventions, AChannelOrCycleOutsideThePlanIsRefusedAndChangesNothing) {
  Plan(4, 1, 3, false);
  s_.currentChannel = 2;
  s_.redoChannel = s_.redoCycle = 0;
  const struct {
    const char *channel, *cycle, *error;
  } refused[] = {{"0", "1", "Invalid channel number"}, {"5", "1", "Invalid channel number"},
                 {"2x", "1", "Invalid channel number"}, {"2", "0", "Invalid cycle number"},
                 {"2", "4", "Invalid cycle number"},    {"2", "", "Invalid cycle number"}};
  for (const auto& r : refused) {
    const auto error = AnswerSuspension(s_, p_, SuspensionChoice::RedoChannelAndCycle, r.channel, r.cycle, clock_.Now());
    ASSERT_TRUE(error) << r.channel << " " << r.cycle;
    EXPECT_EQ(error->line1, r.error);
    EXPECT_EQ(error->line2, "Correct this please");
  }
  EXPECT_EQ(s_.redoChannel, 0);
  EXPECT_EQ(s_.redoCycle, 0);
  EXPECT_EQ(s_.pendingLogLineReady, 0);
  // Abort answers -1 and queues nothing.
  EXPECT_FALSE(AnswerSuspension(s_, p_, SuspensionChoice::Quit, "", "", clock_.Now()));
  EXPECT_EQ(s_.operatorAnswer, -1);
  EXPECT_EQ(s_.pendingLogLineReady, 0);
}

TEST_F(Interventions, TheAbortRequestsNewAcquisitionEndsTheAcquisitionAndNoChangesNothing) {
  s_.operatorAnswer = 1;
  AfterAbortRequest(s_, p_, host_, clock_.Now());
  EXPECT_EQ(s_.acquisitionEnded, 0);
  EXPECT_FALSE(host_.endButtons);
  s_.operatorAnswer = 2;
  AfterAbortRequest(s_, p_, host_, clock_.Now());
  EXPECT_EQ(s_.acquisitionEnded, 1);
  EXPECT_TRUE(host_.endButtons);
}

TEST_F(Interventions, TheDeferredStopIsClampedAndTakesTheLastChannelOfItsCycle) {
  Plan(5, 1, 4, true);
  s_.currentChannel = 3;
  s_.currentCycle = 2;
  const DeferredStopView shown = DeferredStopShown(s_);
  EXPECT_EQ(shown.label2, "Normal stop is at channel 1 and cycle 4");  // an even see-saw cycle ends at channel 1
  EXPECT_EQ(shown.label4, "Current channel is 3 and current cycle is 2");
  const struct {
    DeferredStopChoice choice;
    DeferredStopEdits edits;
    std::int32_t channel, cycle;
  } cases[] = {
      {DeferredStopChoice::EndOfCurrentChannel, {}, 3, 2},
      {DeferredStopChoice::EndOfCurrentCycle, {}, 1, 2},  // see-saw: an even cycle ends at channel 1
      {DeferredStopChoice::EndOfCycle, {"7", "", ""}, 5, 7},
      // The cycle is clamped after its last channel was taken: 10000 and -2 are even.
      {DeferredStopChoice::EndOfCycle, {"10000", "", ""}, 1, 9999},
      {DeferredStopChoice::EndOfCycle, {"-3", "", ""}, 5, 9999},
      {DeferredStopChoice::ChannelAndCycle, {"", "0", "3"}, 1, 3},
      {DeferredStopChoice::ChannelAndCycle, {"", "9", "3"}, 5, 3},
  };
  for (const auto& c : cases) {
    s_.deferredStopRequested = 0;
    ASSERT_FALSE(AnswerDeferredStop(s_, p_, c.choice, c.edits, host_));
    EXPECT_EQ(s_.stopChannel, c.channel) << c.edits.cycle << c.edits.channelFull;
    EXPECT_EQ(s_.stopCycle, c.cycle) << c.edits.cycle << c.edits.cycleFull;
    EXPECT_EQ(s_.deferredStopRequested, 1);
  }
  // A value that does not read changes nothing.
  s_.deferredStopRequested = 0;
  const auto error = AnswerDeferredStop(s_, p_, DeferredStopChoice::ChannelAndCycle, {"", "4", "two"}, host_);
  ASSERT_TRUE(error);
  EXPECT_EQ(error->line1, "Invalid cycle value");
  EXPECT_EQ(s_.stopChannel, 5);
  EXPECT_EQ(s_.stopCycle, 3);
  EXPECT_EQ(s_.deferredStopRequested, 0);
}

TEST_F(Interventions, ADeferredStopAtTheEndOfTheCurrentChannelEndsTheAcquisitionThere) {
  Plan(4, 2, 3, false);
  Begin();
  RunInto(2, 1);
  ASSERT_FALSE(AnswerDeferredStop(s_, p_, DeferredStopChoice::EndOfCurrentChannel, {}, host_));
  RunToEndPanel();
  EXPECT_EQ(s_.lastScannedChannel, 2);
  EXPECT_EQ(s_.lastScannedCycle, 1);
  EXPECT_EQ(host_.drives, (std::vector<std::int32_t>{1, 2}));
}

}  // namespace
}  // namespace velmar::testing
