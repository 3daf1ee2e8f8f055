#pragma once
// Raising and lowering the intensifier's high voltage from the tuning window: the
// three progressive rises, the immediate descents, the emergency drop, the manual
// setting and the track bar, the one-minute rest against "effluves", and the level
// rules that say which of these the operator may use. A rise is a chain of steps
// on the process clock (DueStep): the window thread stays free between steps, so
// "Stop positionning" and "URGENCY" take effect before the next voltage is sent.
#include <cstdint>
#include <string>

#include "engine/acquisition_state.h"
#include "engine/grabber.h"
#include "instruments/board_operations.h"
#include "instruments/high_voltage.h"
#include "params/acquisition_parameters.h"
#include "platform/due_step.h"

namespace velmar {

// "%5.5d", a negative value as a minus sign and four digits.
std::string ThtText(std::int32_t volts);

// What the operator may use at the THT read of now.
struct ThtButtons {
  bool upLow = false, upMedium = false, upMaximum = false, tuneManually = false;
  bool downMedium = false, downLow = false;  // only when they are descents
  bool trackBarShown = false;
  std::int32_t trackBarPosition = 0;
  bool rising = false;  // a rise runs: only its stop, the emergency and the shutter act
};

// The level rules (margin 300 V below THT system 3, else 50 V).
ThtButtons ThtLevelRules(const AcquisitionParameters& p, std::int32_t thtRead);

enum class ThtMessageStyle { Plain, Positioning, Done };  // Positioning: yellow; Done: red

enum class ThtRise { Low, Medium, Maximum };
struct ThtRisePlan {
  std::int32_t start = 0, step = 0, target = 0;
};
ThtRisePlan PlanThtRise(ThtRise rise, const AcquisitionParameters& p, std::int32_t thtRead);

// The tuning window as the logic sees it.
class ThtTuningDisplay : public BoardDisplay {
 public:
  virtual void ShowThtRead(const std::string& text) = 0;
  virtual void ShowMessage(const std::string& text, ThtMessageStyle style) = 0;
  virtual void ShowButtons(const ThtButtons& buttons) = 0;
  // "Tune manually up to maximum": the track bar and its labels, at a position.
  virtual void ShowTrackBar(std::int32_t position) = 0;
  virtual void ShowRestBox(bool shown) = 0;
  virtual void ShowRestSeconds(const std::string& text) = 0;
};

class ThtTuning {
 public:
  ThtTuning(AcquisitionParameters& p, AcquisitionState& s, HighVoltage& tht, InstrumentBoard& board,
            Grabber& grabber)
      : p_(p), s_(s), tht_(tht), board_(board), grabber_(grabber) {}
  void SetDisplay(ThtTuningDisplay* display) { display_ = display; }

  // Showing the window: no THT probe, the monitor on, the TV on the control
  // monitor, the board opened the first time, the read and the level rules.
  void Shown();
  // The window closes: a rise or rest still running ends; the TV display stops.
  void Closed();
  // "Return to acquisition" (the window then closes).
  void ReturnToAcquisition();

  void Rise(ThtRise rise);
  void DownToMedium() { Descend(p_.THTMedium, "Done: positionned to %d V"); }
  void DownToLow() { Descend(p_.THTLow, "Done: postionned to %d V"); }
  void Urgency();
  void StopPositioning();  // "Stop positionning"
  void StopRest();         // the rest box's "stop"
  // "Manual to": the volts field as typed.
  void Manual(const std::string& field);
  void TuneManually();
  void TrackBarMoved(std::int32_t position, bool focused, bool keyHeld);
  void CommandShutter(int close);

  // Runs the steps whose time has come; the window polls this.
  void Poll();
  // The read shown and the level rules applied (also the monitor's, every second).
  void ShowReadAndLevels();
  bool rising() const { return rising_; }
  bool resting() const { return rest_.pending(); }

 private:
  void RiseStep();
  void FinishRise();
  void EndRise();
  void StartRest();
  void RestStep(int i);
  void Descend(std::int32_t level, const char* done);
  void AfterOneSecond(std::string message);

  AcquisitionParameters& p_;
  AcquisitionState& s_;
  HighVoltage& tht_;
  InstrumentBoard& board_;
  Grabber& grabber_;
  ThtTuningDisplay* display_ = nullptr;

  std::int32_t boardOpened_ = 0;  // 1947 once the board opened from here
  DueStep step_;                  // the next step of a rise, or a descent's report
  DueStep rest_;                  // the rest's next second
  bool rising_ = false;
  ThtRise rise_ = ThtRise::Low;
  ThtRisePlan plan_;
  std::int32_t next_ = 0;
  std::int32_t stopRequest_ = 0, effluvesStop_ = 0;
};

}  // namespace velmar
