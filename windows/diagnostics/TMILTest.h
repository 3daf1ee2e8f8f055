#pragma once
// "Velmar Test Matrox Genesys Board and Imaging Library (MIL) ": the observer checks
// the frame grabber and the control monitor before acquiring (a message, live TV,
// one frame saved as a VL2 image, the frame rate) and reaches the counting test and
// the THT tuning. Each test opens and frees its own grabber context.
#include <QDialog>
#include <functional>
#include <string>

#include "engine/shared_state.h"
#include "windows/diagnostics/TTestComptage.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace velmar {

class TDone;
class TFramesCount;

class TMILTest : public QDialog {
  Q_OBJECT
 public:
  struct Services {
    std::function<void()> tuneTht;  // the THT tuning window, modal
    TTestComptage::Services counting;
  };

  TMILTest(SharedState& shared, Grabber& grabber, InstrumentBoard& board, QWidget* parent = nullptr);
  void SetServices(Services services);
  // The file for a single frame; empty when the operator cancels. The default is the
  // save dialog (which asks before overwriting).
  void SetSaveFileChooser(std::function<std::string()> choose) { chooseFile_ = std::move(choose); }

  // The handlers, callable as their controls are.
  void FormShow();
  void ButtonExecClick();
  void ButtonStopClick() { stopFlag_ = 1; }
  void Button1Click();

  TTestComptage* testComptage() const { return testComptage_; }
  TFramesCount* framesCount() const { return framesCount_; }
  TDone* done() const { return done_; }
  std::int32_t stopFlag() const { return stopFlag_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Build();
  void Execute(int item);
  void SingleFrame(int mode);
  std::string ChooseFileWithDialog();

  SharedState& shared_;
  Grabber& grabber_;
  Services services_;
  std::function<std::string()> chooseFile_;
  QListWidget* list_;
  TTestComptage* testComptage_;
  TFramesCount* framesCount_;
  TDone* done_;
  std::int32_t stopFlag_ = 0;
};

}  // namespace velmar
