#pragma once
// The parameters window: where each acquisition is prepared. It shows the parameter
// set in its controls, reads them back through the collection rules, holds the
// instrument grid, and on OK checks, saves and hands over to the acquisition. At the
// first showing it asks what to do with the intensifier high voltage first.
#include <QDialog>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "engine/shared_state.h"
#include "instruments/board_operations.h"
#include "instruments/instrument_monitor.h"
#include "instruments/temperature.h"
#include "params/collect_parameters.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QComboBox;
class QCheckBox;
class QGroupBox;
class QTableWidget;
class QAbstractSlider;
class QSpinBox;
class QWidget;

namespace velmar {

class TWarningAcquire;
class TWarningBeforeIntegration;
class TQuestionObturateur;
class TFileExist;
class THelpDEF;

class TParameters : public QDialog, public InstrumentMonitorDisplay {
  Q_OBJECT
 public:
  // What the window asks of the program around it.
  struct Services {
    std::function<void()> checkOtherInstances;    // the single-instance check, then the witness file
    std::function<void()> initialiseInstruments;  // board, shutter, close loop at each showing
    std::function<void()> clearThtWarning;        // the THT warning may be shown again
    std::function<void()> setThtZero;
    std::function<void(int close)> commandShutter;
    std::function<std::optional<std::int32_t>()> readShutterStatus;
    std::function<void()> openTemperaturePort;
    std::function<void()> refreshShutter;  // the shutter state read again and shown
    std::function<void()> checkDriverFiles;
    std::function<int(std::string& dataPath, const std::string& observation)> chooseDirectory;  // 0 accepted
    // Takes the data directory for this copy; false (said) while another copy writes into it.
    std::function<bool(const std::string& dataPath)> lockDataDirectory;
    std::function<void()> refreshMainWindow;       // the main window's parameter labels
    std::function<void()> handLevelsToMainWindow;  // its TV level edits and "[def %ld]" labels
    // The end of the program from "&Quit" or the close box before any acquisition.
    std::function<void(bool deleteWitness)> endProgram;
    // The instrument monitor keeps the remote controls current while the window is
    // shown outside an acquisition; it stops as the window closes.
    std::function<void()> startMonitor;
    std::function<void()> stopMonitor;
    std::function<void()> refreshFiltersMirror;  // the positions and the names, each showing
    std::function<void()> tuneTht;               // the THT tuning window, modal
    std::function<void()> selectFiltersMirror;   // the filters and mirror window, modal
    // The analogic calibration window, modal: 0 its "Quit" (the program ends), 1 its
    // "&Cancel", 2 closed to keep an existing observation.
    std::function<int()> analogicCalibration;
    std::function<void()> testsMatroxPf;  // the frame-grabber test window, modal
  };

  TParameters(SharedState& shared, std::filesystem::path programDir, QWidget* parent = nullptr);
  void SetServices(Services services) { services_ = std::move(services); }

  // Shows the window modally after its showing steps; returns once it is closed.
  void ShowModal();
  // The program is ending (in the program the process ends first): the window
  // closes and stops its showing.
  void ProgramEnded();
  // From the main window's "See parameters": OK only returns to the acquisition.
  void ShowForViewing();

  // The " Remote Controls " group and the " To solve before acquisition " labels
  // from the acquisition state; the instrument monitor calls it once a second.
  void RefreshRemoteControls();

  // BoardDisplay
  void ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t system) override;
  void ShowShutterClosedLabel(bool shown) override;
  void ShowCloseLoop(const std::string& text, bool red) override;
  // TemperatureDisplay
  void ShowTemperatureLabels(const std::string& temperature, const std::string& command) override;
  // FiltersStatusDisplay
  void ShowFiltersStatus(const FiltersStatusView& view) override;
  void ShowCurrentFilterName(const std::string& name) override;
  // InstrumentMonitorDisplay
  void ShowThtLabels(const std::string& sent, const std::string& read) override;
  void ShowThtWarning(const std::string& text) override;
  void ShowScanOneChannel(bool shown) override;
  std::optional<std::string> ChannelCountText() override;
  void RemoteControlsRefreshed() override {}

  // The handlers, callable as their buttons are.
  void FormShow();
  std::int32_t CollectParameters(bool silent);
  void ShowParameters(std::int32_t runState);
  void ShowInstrumentGrid();
  void RebuildDataPath();
  void ButtonOKClick();
  void ButtonCancelClick();
  void ButtonCommandClick();
  void ButtonPrintClick();
  bool startAcquisition() const { return startAcquisition_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;  // a click on EditTestFile
  void reject() override;  // the close box and Escape

 private:
  // Layout (TParametersLayout.cpp).
  void BuildTitleAndIdentification();
  void BuildTypeAndSource();
  void BuildScanning();
  void BuildDiskStorage();
  void BuildRemoteControls();
  void BuildBottom();
  void BuildStartUpBlock();
  void BuildHelpPanel();
  void BuildDetailPanel();
  void BuildInstrumentGroup(QWidget* detail);
  void BuildDetailGroups(QWidget* detail);
  void ConnectHandlers();
  void ConnectInstrumentHandlers();

  // Handlers (TParameters.cpp).
  void TypeClick(std::int32_t type);
  void SourceClick(std::int32_t source);
  void ScanningModeClick(std::int32_t mode);
  void ParallelClick();
  void SerialClick();
  void SerialPortChange(int entry);
  void TestFileClick();
  void IdentificationChange();
  void PlanChange();
  void PrefixTestClick();
  void ModeChange(int entry);
  void ChangeDirClick();
  void StartChoice(bool setThtZero);
  void LoadDefinitionClick();
  void RefreshFileNameLines();
  void ApplyLock(bool locked);
  void ShowTypeVisibility();
  void ShowCs100Buttons();
  void FillFullRefresh();
  ParameterControls ReadControls() const;
  void EndProgram(bool deleteWitness);
  // Shown from "See parameters" while an acquisition runs: it touches nothing.
  bool OnlyViewing() const;

  // OK (TParametersOk.cpp).
  bool OkChecks();
  bool OkPrepareFiles();
  // The observation's photon files exist: overwritten (true) or kept (false) as asked.
  bool ConfirmOverwrite();
  void OkLaunchAndHandOver();
  void OkEnd();

  QLineEdit* edit(const char* name) const;
  QPushButton* button(const char* name) const;
  QRadioButton* radio(const char* name) const;
  QComboBox* combo(const char* name) const;
  QLabel* label(const char* name) const;
  QWidget* widget(const char* name) const;

  SharedState& shared_;
  AcquisitionParameters& p_;
  AcquisitionState& s_;
  std::filesystem::path programDir_;
  Services services_;
  TWarningAcquire* warningAcquire_;
  TWarningBeforeIntegration* warningBeforeIntegration_;
  TQuestionObturateur* questionObturateur_;
  TFileExist* fileExist_;
  THelpDEF* helpDef_;
  QTableWidget* grid_ = nullptr;
  std::int32_t displayType_ = 2;
  std::string firstPhotonFile_;
  bool firstShowing_ = true;
  bool filling_ = false;  // controls being filled from the set: their handlers stay still
  bool startAcquisition_ = false;
  bool ended_ = false;
  bool okReached4_ = false;
};

}  // namespace velmar
