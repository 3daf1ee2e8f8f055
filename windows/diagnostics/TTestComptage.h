#pragma once
// "Velmar Test grabing photon counting": single frames grabbed with the levels being
// tuned, their photons marked on the control monitor, the levels stored for the
// acquisition; and the interferometer moved by channel or by controller value.
// The frame-grabber work is CountingTest's; this window shows it.
#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "diagnostics/counting_test.h"
#include "engine/shared_state.h"
#include "instruments/board_operations.h"
#include "instruments/cs100_link.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QScrollBar;

namespace velmar {

class TTestPF;

class TTestComptage : public QDialog, public CountingTestHost {
  Q_OBJECT
 public:
  struct Services {
    Cs100Link* link = nullptr;
    // The channels, the wavelength and the constant typed in the parameters window,
    // into the parameter set (each when it reads as a number).
    std::function<void()> readScanEdits;
    std::function<void()> saveParameters;  // the parameters file
  };

  TTestComptage(SharedState& shared, Grabber& grabber, InstrumentBoard& board, QWidget* parent = nullptr);
  ~TTestComptage() override;
  void SetServices(Services services) { services_ = std::move(services); }

  // The handlers, callable as their controls are.
  void FormShow();
  void ButtonAcquireClick();
  void ButtonDetailTVClick();
  void ButtonDetailBinClick();
  void ButtonDetailCrossClick();
  void ButtonAbortCrossClick();
  void EditNChange();
  void EditVChange();
  void ButtonPFClick();
  void ButtonStoreClick();
  void ButtonQuitClick();
  void ButtonTestPFClick();

  CountingTest& test() { return test_; }
  std::int32_t controllerValue() const { return controllerValue_; }
  TTestPF* testPF() const { return testPF_; }

  // CountingTestHost
  void ShowDone(const std::string& text) override;
  void CrossesDrawing(bool drawing) override;
  void ProcessMessages() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;  // the close box and Escape: "Quit"

 private:
  void Build();
  void Connect();
  void ReadSettings();
  void ShowSimulationControls(bool shown);
  void EnableDetails(bool on);
  QLineEdit* edit(const char* name) const;
  QPushButton* button(const char* name) const;
  QLabel* label(const char* name) const;
  QRadioButton* radio(const char* name) const;

  SharedState& shared_;
  InstrumentBoard& board_;
  CountingTest test_;
  Services services_;
  TTestPF* testPF_ = nullptr;
  std::int32_t controllerValue_ = 0;
  bool showing_ = false;  // the edits' handlers wait until the window has filled them
  bool closing_ = false;
  std::array<bool, 7> enabledBeforeCrosses_{};  // the work buttons, locked while crosses are drawn
};

}  // namespace velmar
