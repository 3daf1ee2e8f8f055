// The alarm step: what it shows, blinks, beeps and logs for each condition, the
// message file, and a close-loop fault through the real store step.
#include "console/alarm_supervisor.h"

#include "console/logbook.h"
#include "engine/observation_fixture.h"
#include "engine/observation_log.h"
#include "platform/format.h"
#include "platform/tone.h"

namespace velmar::testing {
namespace {

class RecordingAlarmConsole : public AlarmConsole {
 public:
  void SetWindowHeight(int height) override { heights.push_back(height); }
  void CheckBeepBox() override { ++beepBoxChecked; }
  void ShowAlarmTexts(const std::string& l1, const std::string& l2) override {
    line1 = l1;
    line2 = l2;
    if (!l1.empty()) ++textsWritten;
  }
  void ColourAlarmPanel(bool yellow) override { colours.push_back(yellow); }
  void ShowCloseLoopCount(const std::string& text) override { closeLoopText = text; }
  void ShowSupervisorMessage(const std::string& l1, const std::string& l2) override {
    message = {l1, l2};
    ++messagesShown;
  }
  void HideSupervisorMessage() override { ++messagesHidden; }

  std::vector<int> heights;
  std::vector<bool> colours;
  int beepBoxChecked = 0, textsWritten = 0, messagesShown = 0, messagesHidden = 0;
  std::string line1, line2, closeLoopText;
  std::pair<std::string, std::string> message;
};

class AlarmSupervisor : public Observation {
 protected:
  AlarmSupervisor() { InstallToneSink(&tones_); }
  ~AlarmSupervisor() override { InstallToneSink(nullptr); }

  // One second of the alarm step, the instrument re-evaluation first as the store step runs it.
  void Pass() {
    ReevaluateInstrumentAlarm(s_, p_, console_);
    AlarmCheck(alarm_);
  }
  std::string Log() { return ReadFile(s_.logPath); }
  std::size_t Count(const std::string& text) {
    const std::string log = Log();
    std::size_t n = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  // A log file of our own for the steps run without an acquisition.
  void LogHere() {
    s_.logPath = dir_.file("alarms.VLT");
    WriteFile(s_.logPath, "header");
  }
  std::size_t Beeps() const { return tones_.played().size(); }

  RecordingTone tones_;
  RecordingAlarmConsole console_;
  AlarmContext alarm_{s_, p_, console_, dir_.path() / "Vlm_mess.txt"};
};

TEST_F(AlarmSupervisor, AClosedShutterIsShownBlinkedBeepedAndLoggedOnceUntilItClearsAndReturns) {
  LogHere();
  s_.shutterState = 1;
  s_.shutterStateText = "CLOSED";
  Pass();
  EXPECT_EQ(s_.alarmCode, kAlarmShutter);
  EXPECT_EQ(console_.line1, "WARNING : shutter is CLOSED");
  EXPECT_EQ(console_.heights.back(), 297);
  EXPECT_EQ(console_.beepBoxChecked, 1);
  FlushLogMessage(s_);
  Pass();
  FlushLogMessage(s_);
  EXPECT_EQ(console_.colours, (std::vector<bool>{false, true}));  // red, then yellow
  EXPECT_EQ(Beeps(), 2u);
  EXPECT_EQ(tones_.played()[0].frequencyHz, 3000);
  EXPECT_EQ(tones_.played()[0].durationMs, 100);
  EXPECT_EQ(Count("\n!!! ALARM at 21:15:00 : WARNING : shutter is CLOSED"), 1u);

  s_.shutterState = 0;  // opened: the alarm clears, silently
  Pass();
  FlushLogMessage(s_);
  EXPECT_EQ(s_.alarmCode, kAlarmNone);
  EXPECT_EQ(console_.heights.back(), 263);
  EXPECT_EQ(Beeps(), 2u);
  s_.shutterState = 1;  // and closes again: the same alarm is logged again
  Pass();
  FlushLogMessage(s_);
  EXPECT_EQ(Count("!!! ALARM at 21:15:00 : WARNING : shutter is CLOSED"), 2u);
}

TEST_F(AlarmSupervisor, BeepSwitchesSilenceTheAlarmButNotTheMessagesFirstBeep) {
  s_.shutterState = 1;
  s_.beepActive = 0;
  Pass();
  EXPECT_EQ(console_.line1.rfind("WARNING : shutter is", 0), 0u);  // shown and blinking all the same
  EXPECT_EQ(console_.colours.size(), 1u);
  s_.beepActive = 0;  // the re-evaluation forced it on as the shutter changed
  Pass();
  EXPECT_EQ(Beeps(), 1u);  // only the pass whose change forced the beep on
  s_.beepActive = 1;
  s_.fullSilence = 1;
  Pass();
  EXPECT_EQ(Beeps(), 1u);
  WriteFile(alarm_.messageFile.string(), "Dome closing\nwind above limit\n2\n");
  Pass();
  EXPECT_EQ(Beeps(), 2u);  // the message sounds once, whatever the switches
  Pass();
  EXPECT_EQ(Beeps(), 2u);
}

TEST_F(AlarmSupervisor, TwoAlarmsInOneSecondLeaveOnlyTheLaterButAnAlarmNeverDisplacesAComment) {
  LogHere();
  s_.shutterState = 1;
  Pass();                                    // the alarm is queued...
  QueueComment(s_, "clouds", clock_.Now());  // ...and a comment in the same second
  FlushLogMessage(s_);
  EXPECT_EQ(Count("\n!!! ALARM at 21:15:00 : WARNING : shutter is"), 1u);
  EXPECT_EQ(Count("\n### Comment at 21:15:00 : clouds"), 1u);
  s_.shutterState = 0;
  s_.alarmCode = kAlarmNone;
  s_.lastLoggedAlarm = kAlarmNone;
  QueueLogLine(s_, "!!! ALARM at 21:15:00 : WARNING : shutter is closed");  // an earlier alarm of the second
  s_.thtRead = 100;  // below the minimum while storing
  p_.THTMedium = 2500;
  s_.storingHeld = 0;
  Pass();
  FlushLogMessage(s_);
  EXPECT_EQ(Count("!!! ALARM"), 2u);  // the earlier alarm of this second was replaced
  EXPECT_EQ(Count("\n!!! ALARM at 21:15:00 : WARNING : THT is only 100 volts"), 1u);
  EXPECT_EQ(console_.line2, "minimum is 2500 volts");
}

TEST_F(AlarmSupervisor, TheEndPanelKeepsTheAlarmPanelUnwrittenButBeepsEverySecond) {
  s_.endDialogState = 1;
  s_.inlineDialogKind = 2;
  for (int i = 0; i < 3; ++i) Pass();
  EXPECT_EQ(s_.alarmCode, kAlarmIntervention);
  EXPECT_EQ(console_.textsWritten, 0);
  EXPECT_TRUE(console_.colours.empty());
  EXPECT_EQ(Beeps(), 3u);
  s_.inlineDialogKind = 1;  // an abort or pause panel: shown as an intervention
  s_.endDialogState = 0;
  s_.abortDialogState = 1;
  Pass();
  EXPECT_EQ(console_.line1, "A user intervention is required...");
  EXPECT_EQ(console_.line2, "(see dialog below)");
}

TEST_F(AlarmSupervisor, TheMessageFileIsShownCountedDownAndDeletedAndAnIncompleteOneWaits) {
  const std::string file = alarm_.messageFile.string();
  WriteFile(file, "Dome closing\nwind above ");  // the other program is still writing it
  Pass();
  EXPECT_EQ(console_.messagesShown, 0);
  EXPECT_TRUE(std::filesystem::exists(file));
  WriteFile(file, "Dome closing\nwind above limit\nsoon\n");  // a third line that is not a number
  Pass();
  EXPECT_EQ(console_.messagesShown, 0);
  const std::string longLine(100, 'x');
  WriteFile(file, "Dome closing\r\n" + longLine + "\n3\n");
  Pass();
  ASSERT_EQ(console_.messagesShown, 1);
  EXPECT_EQ(console_.message.first, "Dome closing");
  EXPECT_EQ(console_.message.second, std::string(79, 'x'));
  EXPECT_EQ(s_.messageElapsed, 1);
  Pass();
  EXPECT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(console_.messagesShown, 1);  // not shown again while it is up
  Pass();
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(console_.messagesHidden, 1);
  EXPECT_EQ(s_.messageShown, 0);
  Pass();
  EXPECT_EQ(console_.messagesShown, 1);
}

// A fault during a 2D image: no hold, no alarm, every second kept.
TEST_F(AlarmSupervisor, ACloseLoopFaultDuringA2DImageHoldsNothingAndShowsNothing) {
  Plan(3, 2, 1, false);
  p_.AcqType = kAcq2DImage;
  s_.closeLoopWatch = 1;
  Begin();
  scheduler_->SetSecondStep([this] { Pass(); });
  RunUntil([this] { return s_.currentChannel == 2 && s_.channelSeconds >= 1.0f; });
  s_.closeLoopActive = 1;
  RunUntil({}, 2);
  EXPECT_EQ(s_.alarmCode, kAlarmCloseLoop);
  EXPECT_EQ(s_.storingHeld, 0);
  EXPECT_EQ(s_.closeLoopHeld, 0);
  EXPECT_EQ(s_.closeLoopCount, 0);
  EXPECT_EQ(console_.textsWritten, 0);
  EXPECT_EQ(Beeps(), 0u);
  RunToEndPanel();
  EXPECT_EQ(Count("Close loop"), 0u);
  EXPECT_EQ(Count("CLOSE LOOP"), 0u);
  for (const char* file : {"/G0420101.VLA", "/G0420102.VLA", "/G0420103.VLA"})
    EXPECT_EQ(std::filesystem::file_size(data_ + file), 2 * 80 * FrameRecords().size()) << file;
}

// A fault during a 3D scan: held, counted, the spoilt channel dropped and exposed
// again; its file written once, from the redo.
TEST_F(AlarmSupervisor, ACloseLoopFaultDuringA3DScanDropsTheSpoiltChannelAndRedoesIt) {
  Plan(3, 4, 1, false);
  s_.closeLoopWatch = 1;
  Begin();
  scheduler_->SetSecondStep([this] { Pass(); });
  RunUntil([this] { return s_.currentChannel == 2 && s_.channelSeconds >= 2.0f; });
  const std::string spoilt = data_ + "/G0420102.VLA";
  s_.closeLoopActive = 1;
  RunUntil({}, 3);
  EXPECT_EQ(s_.closeLoopHeld, 1);
  EXPECT_EQ(s_.alarmCode, kAlarmCloseLoop);
  EXPECT_EQ(console_.line1, "WARNING : Close loop (PF in default) !");
  EXPECT_EQ(console_.line2, "waiting for good CL");
  EXPECT_GE(s_.closeLoopCount, 2);  // one more each second the fault lasts
  EXPECT_EQ(console_.closeLoopText, Format("%d closeloop detected", s_.closeLoopCount));
  EXPECT_EQ(s_.closeLoopRedoChannel, 1);
  s_.closeLoopActive = 0;
  RunUntil({}, 1);
  EXPECT_FALSE(std::filesystem::exists(spoilt)) << "the spoilt channel's data is not kept";
  RunToEndPanel();
  EXPECT_EQ(host_.drives, (std::vector<std::int32_t>{1, 2, 2, 3}));
  EXPECT_EQ(Count("!!! ALARM at 21:15:"), 1u);  // the end panel's intervention is not logged
  EXPECT_EQ(Count("WARNING : Close loop (PF in default) !"), 1u);
  EXPECT_EQ(Count("!!! Automatic system decision : redo last channel because CLOSE LOOP"), 1u);
  EXPECT_EQ(std::filesystem::file_size(spoilt), 4 * 80 * FrameRecords().size());
}

}  // namespace
}  // namespace velmar::testing
