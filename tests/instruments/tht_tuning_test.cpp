// Raising the THT in the tuning window, step by step on the virtual clock, on the
// simulated bench.
#include "instruments/tht_tuning.h"

#include <gtest/gtest.h>

#include "engine/software_grabber.h"
#include "instrument_fixture.h"
#include "platform/format.h"

namespace velmar::testing {
namespace {

class RecordingTuningDisplay : public ThtTuningDisplay {
 public:
  void ShowThtRead(const std::string& text) override { reads.push_back(text); }
  void ShowMessage(const std::string& text, ThtMessageStyle style) override { messages.push_back({text, style}); }
  void ShowButtons(const ThtButtons& b) override { buttons = b; }
  void ShowTrackBar(std::int32_t position) override { trackBar.push_back(position); }
  void ShowRestBox(bool shown) override { restShown = shown; }
  void ShowRestSeconds(const std::string& text) override { restSeconds.push_back(text); }
  std::string LastMessage() const { return messages.empty() ? "" : messages.back().first; }

  std::vector<std::string> reads;
  std::vector<std::pair<std::string, ThtMessageStyle>> messages;
  ThtButtons buttons;
  std::vector<std::int32_t> trackBar;
  bool restShown = false;
  std::vector<std::string> restSeconds;
};

class ThtTuningTest : public Instruments {
 protected:
  ThtTuningTest() {
    p_.THTSystem = 1;  // a Thomson tube's supply: the read-back is the voltage sent
    p_.THTLow = 6000;
    p_.THTMedium = 9400;
    p_.THTMax = 10800;
    s_.startUpInProgress = 1;  // no grabber context here
    tuning_.SetDisplay(&display_);
  }

  // Lets virtual time pass, the window polling its steps ten times a second; the
  // voltages sent meanwhile (THT system 4 reads back what it sends).
  std::vector<std::int32_t> Run(double seconds) {
    std::vector<std::int32_t> sent;
    for (int i = 0; i < static_cast<int>(seconds * 10); ++i) {
      const std::int32_t before = s_.thtSent;
      const std::size_t writes = bench_.writes().size();
      clock_.AdvanceMs(100);
      tuning_.Poll();
      if (bench_.writes().size() != writes || s_.thtSent != before) sent.push_back(s_.thtSent);
    }
    return sent;
  }

  HighVoltage tht_{p_, s_, board_};
  SoftwareGrabber grabber_;
  RecordingTuningDisplay display_;
  ThtTuning tuning_{p_, s_, tht_, board_, grabber_};
};

TEST(ThtLevelRules, FollowTheReadWithTheMarginOfTheSystem) {
  AcquisitionParameters p;
  p.THTLow = 6000;
  p.THTMedium = 9400;
  p.THTMax = 10800;
  p.THTSystem = 2;  // margin 300
  EXPECT_TRUE(ThtLevelRules(p, kThtNotControlled).upLow);
  EXPECT_FALSE(ThtLevelRules(p, kThtNotControlled).downLow);  // no read: nothing is a descent
  EXPECT_TRUE(ThtLevelRules(p, 5699).upLow);
  EXPECT_TRUE(ThtLevelRules(p, 5700).upMedium);
  EXPECT_TRUE(ThtLevelRules(p, 5700).tuneManually);
  EXPECT_FALSE(ThtLevelRules(p, 5700).upLow);
  EXPECT_TRUE(ThtLevelRules(p, 9099).upMedium);
  const ThtButtons atMedium = ThtLevelRules(p, 9100);
  EXPECT_TRUE(atMedium.upMaximum && atMedium.tuneManually);
  EXPECT_FALSE(atMedium.trackBarShown);  // not above the medium level yet
  const ThtButtons above = ThtLevelRules(p, 9500);
  EXPECT_TRUE(above.trackBarShown);
  EXPECT_EQ(above.trackBarPosition, 9500);
  EXPECT_TRUE(above.downMedium && above.downLow);
  EXPECT_FALSE(ThtLevelRules(p, 6000).downLow);  // at the level: not a descent
  EXPECT_FALSE(ThtLevelRules(p, 1000).downMedium);
  p.THTSystem = 3;  // margin 50
  EXPECT_TRUE(ThtLevelRules(p, 5949).upLow);
  EXPECT_TRUE(ThtLevelRules(p, 5950).upMedium);
  EXPECT_TRUE(ThtLevelRules(p, 9350).upMaximum);
  EXPECT_EQ(ThtText(6000), "06000");
  EXPECT_EQ(ThtText(-5), "-0005");
}

TEST_F(ThtTuningTest, ARiseToATargetOffItsStepEndsOnTheTargetAndSaysSo) {
  p_.THTLow = 1210;  // above 1200: steps of 500 V
  tuning_.Rise(ThtRise::Low);
  EXPECT_EQ(s_.thtSent, 0);  // the first step at once, from 0
  EXPECT_EQ(display_.messages.front().first, "Positionning to 1210 V");
  EXPECT_EQ(display_.messages.front().second, ThtMessageStyle::Positioning);
  EXPECT_TRUE(display_.buttons.rising);
  EXPECT_FALSE(display_.buttons.upLow);
  EXPECT_EQ(Run(0.9), (std::vector<std::int32_t>{}));  // a second between steps
  EXPECT_EQ(Run(10), (std::vector<std::int32_t>{500, 1000, 1210}));
  EXPECT_EQ(s_.thtRead, 1210);
  EXPECT_EQ(display_.LastMessage(), "Done: positionned to 1210 V");
  EXPECT_FALSE(tuning_.rising());
  EXPECT_TRUE(display_.buttons.upMedium);
  EXPECT_EQ(display_.reads.back(), "01210");
  // A low level of at most 1200 V goes in steps of 25 V.
  p_.THTLow = 1200;
  tht_.SetTHT(1130);
  tuning_.Rise(ThtRise::Low);  // from 1100
  EXPECT_EQ(s_.thtSent, 1100);
  EXPECT_EQ(Run(10), (std::vector<std::int32_t>{1125, 1150, 1175, 1200}));
}

TEST_F(ThtTuningTest, AStopOrTheEmergencyMidRiseSendsNothingMore) {
  tuning_.Rise(ThtRise::Low);
  EXPECT_EQ(Run(2.5), (std::vector<std::int32_t>{500, 1000}));
  tuning_.StopPositioning();
  EXPECT_EQ(display_.LastMessage(), "User stop during THT positionning");
  EXPECT_EQ(Run(10), (std::vector<std::int32_t>{}));
  EXPECT_EQ(s_.thtSent, 1000);  // the THT stays at the last step sent
  EXPECT_FALSE(display_.buttons.rising);

  // A new rise picks up from the read; the emergency drops it to "0" at once.
  tuning_.Rise(ThtRise::Low);
  EXPECT_EQ(s_.thtSent, 1000);
  EXPECT_EQ(Run(1.5), (std::vector<std::int32_t>{1500}));
  tuning_.Urgency();
  EXPECT_EQ(s_.thtSent, 1);
  EXPECT_EQ(s_.thtRead, 0);  // on THT system 1 the emergency's 1 V reads back as 0
  EXPECT_EQ(display_.LastMessage(), "User stop during THT positionning");
  EXPECT_EQ(Run(1.0), (std::vector<std::int32_t>{}));
  EXPECT_EQ(display_.LastMessage(), "Done: positionned to 0 V");
  EXPECT_EQ(Run(10), (std::vector<std::int32_t>{}));
  EXPECT_EQ(s_.thtSent, 1);
  // On THT system 4, 1 V is code 0.
  p_.THTSystem = 4;
  tht_.SetTHT(1500);
  tuning_.Urgency();
  EXPECT_EQ(bench_.Output(2, 0) & 0xFF, 0);
  EXPECT_EQ(bench_.Output(2, 1) & 0x03, 0);
}

TEST_F(ThtTuningTest, AReadAboveTheTargetSendsNothing) {
  tht_.SetTHT(7000);
  const std::size_t writes = bench_.writes().size();
  display_.messages.clear();
  tuning_.Rise(ThtRise::Low);
  EXPECT_EQ(Run(5), (std::vector<std::int32_t>{}));
  EXPECT_EQ(bench_.writes().size(), writes);
  EXPECT_TRUE(display_.messages.empty());
  EXPECT_TRUE(display_.buttons.upMedium);  // only the level rules
}

TEST_F(ThtTuningTest, AnUncontrolledThtOnlyOffersTheLowRiseAndItStartsFromZero) {
  p_.THTSystem = 0;
  tuning_.Shown();
  EXPECT_EQ(display_.reads.back(), "99999");
  EXPECT_TRUE(display_.buttons.upLow);
  EXPECT_FALSE(display_.buttons.upMedium || display_.buttons.upMaximum || display_.buttons.tuneManually);
  EXPECT_FALSE(display_.buttons.downLow || display_.buttons.downMedium);
  EXPECT_EQ(p_.StartWithTHT, 1);
  EXPECT_EQ(s_.monitorEnabled, 1);
  const std::size_t writes = bench_.writes().size();
  tuning_.Rise(ThtRise::Low);
  EXPECT_EQ(display_.reads.back(), "00000");
  Run(20);
  EXPECT_EQ(bench_.writes().size(), writes);  // nothing reaches the board
  EXPECT_EQ(display_.LastMessage(), "Done: positionned to 6000 V");
}

TEST_F(ThtTuningTest, TheMediumRiseOfALowVoltageTubeRestsAMinuteWithoutTheLastRise) {
  p_.THTLow = 1200;
  p_.THTMedium = 1800;
  p_.THTMax = 2300;
  p_.THTLastStepWait = 20;
  tht_.SetTHT(1200);
  tuning_.Rise(ThtRise::Medium);  // steps of 20 V from 1200
  const auto sent = Run(32);
  ASSERT_EQ(sent.size(), 30u);
  EXPECT_EQ(sent.front(), 1220);
  EXPECT_EQ(sent.back(), 1800);
  EXPECT_TRUE(display_.restShown);
  EXPECT_FALSE(display_.buttons.upMaximum);
  EXPECT_EQ(display_.restSeconds.front(), "60");
  Run(59);
  EXPECT_TRUE(display_.restShown);
  EXPECT_FALSE(display_.buttons.upMaximum);
  Run(3);
  EXPECT_FALSE(display_.restShown);
  EXPECT_EQ(display_.restSeconds.back(), "00");
  EXPECT_TRUE(display_.buttons.upMaximum);
  // The box's stop ends the rest at once; a stopped rise rests as well.
  tht_.SetTHT(1200);
  tuning_.Rise(ThtRise::Medium);
  Run(1.5);
  tuning_.StopPositioning();
  EXPECT_TRUE(display_.restShown);
  tuning_.StopRest();
  EXPECT_FALSE(display_.restShown);
  EXPECT_TRUE(display_.buttons.upMedium);
}

TEST_F(ThtTuningTest, TheMaximumRiseEndsOnTheMaximumWithTheTrackBar) {
  tht_.SetTHT(9400);
  tuning_.Rise(ThtRise::Maximum);
  EXPECT_EQ(s_.thtSent, 9500);  // from ((9400 + 100) / 100) x 100
  Run(30);
  EXPECT_EQ(s_.thtSent, 10800);
  EXPECT_EQ(display_.LastMessage(), "Done: positionned to maximum voltage");
  ASSERT_FALSE(display_.trackBar.empty());
  EXPECT_EQ(display_.trackBar.back(), 10800);
  // The track bar sets the THT only with its focus and a key held, above the medium level.
  tuning_.TrackBarMoved(10000, true, false);
  tuning_.TrackBarMoved(10000, false, true);
  EXPECT_EQ(s_.thtSent, 10800);
  tuning_.TrackBarMoved(10001, true, true);
  EXPECT_EQ(s_.thtSent, 10001);
  tuning_.DownToMedium();
  EXPECT_EQ(s_.thtSent, 9400);
  Run(1);
  EXPECT_EQ(display_.LastMessage(), "Done: positionned to 9400 V");
  tuning_.TrackBarMoved(10000, true, true);  // at the medium level: ignored
  EXPECT_EQ(s_.thtSent, 9400);
  tuning_.DownToLow();
  Run(1);
  EXPECT_EQ(display_.LastMessage(), "Done: postionned to 6000 V");
}

// A maximum kept from before that THT system 4 cannot set (its code ends at 1912 V):
// the rise to it is refused before its first step, and so is any voltage above
// 1912 V, typed or tracked; nothing wraps round to a few hundred volts.
TEST_F(ThtTuningTest, AVoltageTheSupplyCannotExpressIsRefusedBeforeAnythingIsSent) {
  p_.THTSystem = 4;
  p_.THTLow = 1200;
  p_.THTMedium = 1800;
  p_.THTMax = 2300;
  tht_.SetTHT(1800);
  const std::size_t writes = bench_.writes().size();
  tuning_.Rise(ThtRise::Maximum);
  Run(30);
  EXPECT_EQ(bench_.writes().size(), writes);
  EXPECT_EQ(s_.thtSent, 1800);
  EXPECT_FALSE(tuning_.rising());
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"Impossible to set the THT to 2300 V",
                                                "THT system 4 reaches at most 1912 V", "THT set was not done..."}));
  tuning_.Manual("2000");
  EXPECT_EQ(errors_.reported().size(), 2u);
  EXPECT_EQ(bench_.writes().size(), writes);
  tuning_.Manual("1900");
  EXPECT_EQ(s_.thtSent, 1900);
  EXPECT_EQ(display_.LastMessage(), "Positionned manually to 1900 V");
  tuning_.TrackBarMoved(2100, true, true);
  EXPECT_EQ(s_.thtSent, 1900);
  EXPECT_EQ(display_.LastMessage(), "2100 V not set: THT system 4 reaches at most 1912 V");
  tuning_.TrackBarMoved(1850, true, true);
  EXPECT_EQ(s_.thtSent, 1850);
  EXPECT_EQ(errors_.reported().size(), 2u);  // a drag says it on the window's line, not in error windows
}

TEST_F(ThtTuningTest, ManualSettingIsLimitedAndRefusesWhatIsNotAVoltage) {
  tuning_.Manual("12000");
  EXPECT_EQ(s_.thtSent, 10800);
  EXPECT_EQ(display_.LastMessage(), "Positionned manually to 10800 V");
  tuning_.Manual("7500.9 V");
  EXPECT_EQ(s_.thtSent, 7500);
  const std::size_t writes = bench_.writes().size();
  for (const char* bad : {"volts", "", "-300"}) tuning_.Manual(bad);
  EXPECT_EQ(bench_.writes().size(), writes);
  EXPECT_EQ(s_.thtSent, 7500);
  ASSERT_EQ(errors_.reported().size(), 3u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"Invalid VOLTS field !", "THT set was not done...", ""}));
  EXPECT_EQ(errors_.reported()[2].line1, "Invalid VOLTS field !");
}

TEST_F(ThtTuningTest, ASqueezedReadLetsTheLevelsFollowASupplyThatDoesNotAnswer) {
  p_.THTSystem = 3;  // an AsGa tube's supply, whose code ends at 1912 V
  p_.THTLow = 1500;
  p_.THTMedium = 1800;
  p_.THTMax = 1900;
  BenchConfig config;
  config.thtSystem = 3;
  config.thtNotFollowing = true;
  bench_.SetConfig(config);
  tuning_.Rise(ThtRise::Low);
  Run(2);
  EXPECT_EQ(s_.thtRead, 0);  // the supply's read-back stays at 0: the next rise starts again from 0
  tuning_.StopPositioning();
  p_.THTSqueeze = 1;
  tuning_.Rise(ThtRise::Low);
  Run(20);
  EXPECT_EQ(s_.thtRead, 1500);
  EXPECT_TRUE(display_.buttons.upMedium);
}

}  // namespace
}  // namespace velmar::testing
