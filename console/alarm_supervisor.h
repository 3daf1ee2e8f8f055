#pragma once
// The alarm supervisor's step, once a second on the window thread: the message
// another program leaves in the message file, the alarm panel's texts, blinking,
// beep and log line for the condition that needs the observer's eye (shutter not
// open, high voltage low, close loop out, a panel waiting for an answer), and the
// bookkeeping that lets the store step redo a channel the close loop spoilt.
#include <filesystem>
#include <string>

#include "engine/acquisition_state.h"
#include "params/acquisition_parameters.h"

namespace velmar {

inline constexpr int kAlarmNone = 0, kAlarmIntervention = 1, kAlarmShutter = 3, kAlarmTHT = 4,
                     kAlarmCloseLoop = 5, kAlarmShutterAndCloseLoop = 6, kAlarmDisk = 7;
// The message file's lines are at most this long; longer ones are cut.
inline constexpr std::size_t kMessageLineLength = 79;

// What the step shows: the main window's alarm panel and the supervisor message window.
class AlarmConsole {
 public:
  virtual ~AlarmConsole() = default;
  virtual void SetWindowHeight(int height) = 0;
  virtual void CheckBeepBox() = 0;
  virtual void ShowAlarmTexts(const std::string& line1, const std::string& line2) = 0;  // LabelAlarm1, LabelAlarm2
  virtual void ColourAlarmPanel(bool yellow) = 0;                                      // red when not yellow
  virtual void ShowCloseLoopCount(const std::string& /*text*/) {}                      // Label99
  virtual void ShowSupervisorMessage(const std::string& line1, const std::string& line2) = 0;
  virtual void HideSupervisorMessage() = 0;
};

struct AlarmContext {
  AcquisitionState& s;
  const AcquisitionParameters& p;
  AlarmConsole& console;
  std::filesystem::path messageFile;
};

void AlarmCheck(AlarmContext& c);
void CheckMessageFile(AlarmContext& c);
void LogAlarmChange(AcquisitionState& s, const std::string& text);

// The alarm texts of a code (LabelAlarm1, LabelAlarm2).
std::pair<std::string, std::string> AlarmTexts(const AcquisitionState& s, const AcquisitionParameters& p);

// The once-a-second re-evaluation of the shutter and close-loop codes from the
// shutter state and the close-loop fault, run with the status labels' refresh.
void ReevaluateInstrumentAlarm(AcquisitionState& s, const AcquisitionParameters& p, AlarmConsole& console);

}  // namespace velmar
