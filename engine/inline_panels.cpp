#include "engine/inline_panels.h"

#include "platform/witness_file.h"
#include "platform/format.h"

namespace velmar {

namespace {

// A panel comes up: storing held, "suspended", the beep forced on, alarm code 1.
void Raise(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console, const PanelView& view,
           int kind, bool suspendedState) {
  s.storingHeld = 1;
  if (suspendedState) ShowCountingState(CountingState::Suspended, p, s, console);
  console.SetWindowHeight(kHeightDialogPanel);
  console.ShowPanel(view);
  s.inlineDialogKind = kind;
  console.CheckBeepBox();
  s.beepActive = 1;
  s.alarmCode = 1;
}

void Lower(AcquisitionState& s, PanelConsole& console, int height) {
  console.SetWindowHeight(height);
  console.ShowPanel({});
  s.inlineDialogKind = 0;
  s.alarmCode = 0;
}

}  // namespace

void ShowEndPanel(int mode, AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  if (mode == 1) {
    Raise(s, p, console,
          {"The normal end of the acquisition has been reached.",
           Format("We just scanned channel %d at cycle %d.", s.lastScannedChannel, s.lastScannedCycle),
           "Do you wish really to continue the acquisition or to stop definitively ?",
           {"ButtonDialogAcqContinue", "ButtonDialogAcqStop"}},
          2, true);
    return;
  }
  Lower(s, console, kHeightNoPanel);
  s.endDialogState = 2;
  s.storingHeld = 0;
}

void ShowAbortPanel(int mode, AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  if (mode == 1) {
    Raise(s, p, console,
          {"Requested abort of the acquisition", "Do you wish really to abort and quit the acquisition program ?", "",
           {"ButtonDialogAbortYes", "ButtonDialogAbortNo", "ButtonDialogAbortNew"}},
          1, true);
    return;
  }
  const bool alarmShown = s.alarmCode == 1;
  Lower(s, console, kHeightNoPanel);
  if (alarmShown) console.SetWindowHeight(kHeightAfterDialogWithAlarm);
  s.abortDialogState = 2;
  if (s.operatorAnswer == 2) s.storingHeld = 0;
}

void ShowPausePanel(int mode, AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  if (mode == 1) {
    Raise(s, p, console, {"Pause between channels", "Press right button to continue", "", {"ButtonDialogPFContinue"}},
          1, false);
    return;
  }
  Lower(s, console, kHeightNoPanel);
  s.pauseDialogState = 2;
  s.storingHeld = 0;
}

void ButtonDialogAcqContinueClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  // The planned end moves to the last cycle the file names allow.
  s.stopCycle = p.FileType == 1 ? 9999 : 99;
  s.stopChannel = p.Lz;
  s.operatorAnswer = 0;
  ShowCountingState(CountingState::Counting, p, s, console);
  ShowEndPanel(2, s, p, console);
}

void ButtonDialogAcqStopClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  s.operatorAnswer = 1;
  ShowEndPanel(2, s, p, console);
}

void ButtonDialogAbortYesClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  s.operatorAnswer = 0;
  ShowAbortPanel(2, s, p, console);
  DeleteWitnessFile();
}

void ButtonDialogAbortNoClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  s.operatorAnswer = 1;
  ShowAbortPanel(2, s, p, console);
}

void ButtonDialogAbortNewClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  s.operatorAnswer = 2;
  ShowAbortPanel(2, s, p, console);
}

void ButtonDialogPFContinueClick(AcquisitionState& s, const AcquisitionParameters& p, PanelConsole& console) {
  ShowCountingState(CountingState::Counting, p, s, console);
  s.operatorAnswer = 0;
  ShowPausePanel(2, s, p, console);
}

}  // namespace velmar
