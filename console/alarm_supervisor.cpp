#include "console/alarm_supervisor.h"

#include <fstream>
#include <sstream>

#include "engine/inline_panels.h"
#include "platform/clock.h"
#include "platform/format.h"
#include "platform/number_text.h"
#include "platform/tone.h"

namespace velmar {

namespace {

bool ShutterNotOpen(std::int32_t state) { return state == 1 || state == 3; }
bool ShutterOpen(std::int32_t state) { return state == 0 || state == 4; }

// One line up to and including its line feed; false when the file ends first.
bool ReadMessageLine(std::istream& in, std::string& line) {
  line.clear();
  for (int c = in.get(); c != EOF; c = in.get()) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    line += static_cast<char>(c);
  }
  return false;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Gone after its display time; a file that cannot be deleted comes back next pass.
void RemoveMessage(AlarmContext& c) {
  std::error_code ec;
  std::filesystem::permissions(c.messageFile, std::filesystem::perms::owner_write, std::filesystem::perm_options::add,
                               ec);
  std::filesystem::remove(c.messageFile, ec);
  c.console.HideSupervisorMessage();
  c.s.messageShown = 0;
}

void TimeMessage(AlarmContext& c) {
  AcquisitionState& s = c.s;
  if (!s.messageShown) return;
  if (s.messageElapsed == 0) Beep();  // the message's first second sounds, whatever the switches
  ++s.messageElapsed;
  // A display time of zero or less is shown for one pass rather than for ever.
  if (s.messageElapsed >= s.messageSeconds) RemoveMessage(c);
}

// The close loop spoilt the channel: resume one step before it in scan order.
void NoteCloseLoopFault(AlarmContext& c) {
  AcquisitionState& s = c.s;
  if (s.currentChannel == 0 || c.p.AcqType == kAcq2DImage) return;
  s.closeLoopRedoChannel = s.currentChannel - s.scanDirection;
  s.closeLoopRedoCycle = s.currentCycle;
  ++s.closeLoopCount;
  c.console.ShowCloseLoopCount(Format("%d closeloop detected", s.closeLoopCount));
  s.closeLoopRedoPending = 1;
}

}  // namespace

void CheckMessageFile(AlarmContext& c) {
  AcquisitionState& s = c.s;
  if (s.messageShown) return;
  std::ifstream in(c.messageFile, std::ios::binary);
  if (!in) return;
  std::string line1, line2, line3;
  if (!ReadMessageLine(in, line1) || !ReadMessageLine(in, line2) || !ReadMessageLine(in, line3)) return;
  const auto seconds = WholeInt(Trimmed(line3));
  if (!seconds) return;  // not finished being written: tried again next pass
  s.messageSeconds = *seconds;
  s.messageElapsed = 0;
  c.console.ShowSupervisorMessage(line1.substr(0, kMessageLineLength), line2.substr(0, kMessageLineLength));
  s.messageShown = 1;
}

std::pair<std::string, std::string> AlarmTexts(const AcquisitionState& s, const AcquisitionParameters& p) {
  switch (s.alarmCode) {
    case kAlarmIntervention:
      return {"A user intervention is required...", "(see dialog below)"};
    case kAlarmShutter:
      return {Format("WARNING : shutter is %s", s.shutterStateText.c_str()), ""};
    case kAlarmTHT:
      return {Format("WARNING : THT is only %d volts", s.thtRead), Format("minimum is %d volts", p.THTMedium)};
    case kAlarmCloseLoop:
      return {"WARNING : Close loop (PF in default) !", "waiting for good CL"};
    case kAlarmShutterAndCloseLoop:
      return {"WARNING : Shutter ON and Close loop OUT !", ""};
    default:
      return {"", ""};
  }
}

void LogAlarmChange(AcquisitionState& s, const std::string& text) {
  if (s.alarmCode == s.lastLoggedAlarm) return;
  QueueLogLine(s, Format("!!! ALARM at %s : %s", TimeOfDayText(ProcessClock().Now()).c_str(), text.c_str()));
  s.lastLoggedAlarm = s.alarmCode;
}

void AlarmCheck(AlarmContext& c) {
  AcquisitionState& s = c.s;
  CheckMessageFile(c);
  TimeMessage(c);
  if (s.alarmCode == kAlarmCloseLoop && c.p.AcqType == kAcq2DImage) return;
  if (ShutterNotOpen(s.shutterState)) {
    s.alarmCode = kAlarmShutter;
    c.console.SetWindowHeight(kHeightAlarmPanel);
  }
  c.console.ShowAlarmTexts("", "");
  if (s.storingHeld == 0 && s.thtRead < c.p.THTMedium) s.alarmCode = kAlarmTHT;
  if (s.pauseDialogState == 1 || s.abortDialogState == 1 || s.endDialogState == 1) s.alarmCode = kAlarmIntervention;
  if (s.inlineDialogKind != 2) {
    if (s.alarmCode == kAlarmNone) {
      s.lastLoggedAlarm = kAlarmNone;
      c.console.SetWindowHeight(kHeightNoPanel);
      return;
    }
    const auto [line1, line2] = AlarmTexts(s, c.p);
    c.console.ShowAlarmTexts(line1, line2);
    if (s.alarmCode == kAlarmCloseLoop) NoteCloseLoopFault(c);
    c.console.ColourAlarmPanel(s.alarmBlink == 1);
    s.alarmBlink = s.alarmBlink ? 0 : 1;
    LogAlarmChange(s, line1);
  }
  if (s.beepActive && !s.fullSilence) Beep();
}

void ReevaluateInstrumentAlarm(AcquisitionState& s, const AcquisitionParameters& p, AlarmConsole& console) {
  const std::int32_t shutter = s.shutterState;
  const bool fault = s.closeLoopActive != 0;
  const bool watched = s.closeLoopWatch != 0;
  const bool firstChannel = s.currentChannel == 1 && s.currentCycle == 1;
  if (ShutterOpen(shutter) && !fault) s.alarmCode = kAlarmNone;
  else if (ShutterNotOpen(shutter) && !fault) s.alarmCode = kAlarmShutter;
  else if (ShutterOpen(shutter) && fault && watched && !firstChannel) s.alarmCode = kAlarmCloseLoop;
  else if (shutter == 1 && fault) s.alarmCode = kAlarmShutterAndCloseLoop;
  if (watched && p.AcqType != kAcq2DImage) {
    if (shutter == 0 && !fault) s.alarmCode = kAlarmNone;
    else if (shutter == 1 && !fault) s.alarmCode = kAlarmShutter;
    else if (shutter == 0 && fault) s.alarmCode = kAlarmCloseLoop;
    else if (shutter == 1 && fault) s.alarmCode = kAlarmShutterAndCloseLoop;
  }
  const bool shutterChanged = shutter != s.alarmShutterSeen;
  const bool faultChanged = fault != (s.alarmFaultSeen != 0);
  if ((shutterChanged && !ShutterOpen(shutter)) || (faultChanged && fault)) {
    console.CheckBeepBox();
    s.beepActive = 1;
    console.SetWindowHeight(kHeightAlarmPanel);
  } else if ((shutterChanged && ShutterOpen(shutter)) || (faultChanged && !fault)) {
    s.alarmCode = kAlarmNone;
    console.SetWindowHeight(kHeightNoPanel);
  }
  s.alarmShutterSeen = shutter;
  s.alarmFaultSeen = fault ? 1 : 0;
}

}  // namespace velmar
