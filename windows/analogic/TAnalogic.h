#pragma once
// The analogic calibration window "VlmIPCS analogic calibration": the operator sets
// the channels, the THT and the frames per channel, chooses one 3D file or 2D
// slices, and runs the scan. The parameters window opens it modally; the steps are
// AnalogicCalibration's, this window shows them and takes "&Cancel" between channels.
#include <QDialog>
#include <cstdint>
#include <functional>

#include "analogic/analogic_calibration.h"
#include "engine/shared_state.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QCheckBox;
class QProgressBar;

namespace velmar {

class TFileExist;

// How the window was closed, for the parameters window.
enum class AnalogicAnswer : std::int32_t {
  Quit = 0,           // "Quit" after a scan: the program ends
  Cancel = 1,         // "&Cancel" (or the close box)
  BackToParameters = 2,  // the operator kept the existing log
};

class TAnalogic : public QDialog, public AnalogicHost {
  Q_OBJECT
 public:
  struct Services {
    Cs100Link* link = nullptr;
    std::function<void()> collectParameters;  // the parameters window's controls into the set
    // The shutter closed, the THT warning when the THT is still on, the idle banner.
    std::function<void()> safeStop;
  };

  TAnalogic(SharedState& shared, Grabber& grabber, InstrumentBoard& board, HighVoltage& highVoltage,
            QWidget* parent = nullptr);
  void SetServices(Services services) { services_ = std::move(services); }

  // Shows the window modally; returns how it was closed.
  AnalogicAnswer Run();
  bool closedByFileExists() const { return closedByFileExists_ != 0; }
  bool scanning() const { return scanning_; }

  // The handlers, callable as their controls are.
  void FormShow();
  void CheckBoxTHTClick();
  void RadioButtonAD3Click();
  void RadioButtonAD2Click();
  void BitBtnExecClick();
  void BitBtnCancelClick();
  void ButtonQuitClick();

  // AnalogicHost
  void ShowStep(const std::string& text) override;
  void ShowChannel(std::int32_t index, std::int32_t position) override;
  void ChannelAcquired(std::int32_t, std::int32_t, double, const std::string&) override {}
  bool CancelRequested() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void reject() override;  // the close box and Escape: "&Cancel"

 private:
  void Build();
  void Connect();
  void EndCancelled();
  QLineEdit* edit(const char* name) const;
  QPushButton* button(const char* name) const;
  QLabel* label(const char* name) const;

  SharedState& shared_;
  Grabber& grabber_;
  InstrumentBoard& board_;
  HighVoltage& highVoltage_;
  Services services_;
  TFileExist* fileExist_ = nullptr;
  QProgressBar* progress_ = nullptr;
  AnalogicOutput output_ = AnalogicOutput::Cube;
  std::int32_t tht_ = 0;
  std::int32_t cancelRequest_ = 0;
  std::int32_t closedByFileExists_ = 0;
  std::string framesText_ = "1";  // the frames per channel of the last showing
  AnalogicAnswer answer_ = AnalogicAnswer::Cancel;
  bool scanning_ = false;
  bool scanDone_ = false;  // only "Quit" is offered
};

}  // namespace velmar
