#pragma once
// The inline panels of the main window that the store step raises (end of the
// acquisition, abort, pause between channels), revealed by the window's height,
// and what their buttons leave for the next store step.
#include <string>
#include <vector>

#include "engine/acquisition_state.h"
#include "engine/counting_status.h"
#include "params/acquisition_parameters.h"

namespace velmar {

inline constexpr int kHeightNoPanel = 263;
inline constexpr int kHeightAlarmPanel = 297;
inline constexpr int kHeightAfterDialogWithAlarm = 305;
inline constexpr int kHeightDialogPanel = 401;

struct PanelView {
  std::string line1, line2, line3;       // LabelDialog1..3
  std::vector<std::string> buttons;      // object names of the buttons shown
};

class PanelConsole : public CountingStatusDisplay {
 public:
  virtual void ShowPanel(const PanelView& view) = 0;  // an empty view hides the panel
  virtual void SetWindowHeight(int height) = 0;
  virtual void CheckBeepBox() = 0;                    // CheckBoxBeep ticked
};

// mode 1 shows the panel, mode 2 closes it after an answer.
void ShowEndPanel(int mode, AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);
void ShowAbortPanel(int mode, AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);
void ShowPausePanel(int mode, AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);

// The panel buttons.
void ButtonDialogAcqContinueClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);
void ButtonDialogAcqStopClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);
void ButtonDialogAbortYesClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);
void ButtonDialogAbortNoClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);
void ButtonDialogAbortNewClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);
void ButtonDialogPFContinueClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console);

}  // namespace velmar
