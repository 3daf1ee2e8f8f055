#pragma once
// The main acquisition window: counting status, live figures, commands, TV levels,
// cycles and channels, high voltage, shutter, priorities, temperature, the alarm
// and dialog panels revealed by its height, and the end-of-acquisition buttons.
// It shows what the store step and the instruments report, and hands the
// operator's commands to the program.
#include <QWidget>
#include <functional>

#include "console/alarm_supervisor.h"
#include "engine/counting_status.h"
#include "engine/shared_state.h"
#include "engine/store_step.h"
#include "instruments/board_operations.h"
#include "instruments/cs100_link.h"
#include "instruments/temperature.h"

class QLabel;
class QPushButton;
class QCheckBox;
class QLineEdit;
class QSpinBox;
class QGroupBox;
class QTimer;

namespace velmar {

class TGeneral : public QWidget,
                 public StoreStepHost,
                 public Cs100Console,
                 public BoardDisplay,
                 public TemperatureDisplay,
                 public AlarmConsole {
  Q_OBJECT
 public:
  explicit TGeneral(SharedState& shared, QWidget* parent = nullptr);

  // Runs once, when the window is first shown (the start-up sequence).
  void SetFirstShowAction(std::function<void()> action) { firstShow_ = std::move(action); }

  // What the program does for the window's commands and lifecycle calls.
  struct Actions {
    std::function<void()> start, abortAndQuit, newAcquisition, quitApplication, closeRefused;
    std::function<void(std::int32_t)> driveToChannel;
    std::function<void(int)> commandShutter;  // 1 close, 0 open
    std::function<void()> thtStop, levelsStored, quitAfterAbortYes, quitIntegration, quitAfterLogFailure;
    std::function<void()> refreshReadings, seeParameters;
    std::function<void()> openFilters;  // the filters and mirror window
    std::function<void()> openDataCube;  // the photon cube of the observation
    std::function<DiskErrorChoice(const DiskErrorReport&)> diskError;
    // The operator's interventions and the logbook.
    std::function<void()> suspend, deferredStop, writeOnLogbook, displayLogbook, printWindow, reloadLogbook;
    std::function<void(const std::string&, const std::string&)> showSupervisorMessage;
    std::function<void()> hideSupervisorMessage;
  };
  void SetActions(Actions actions) { actions_ = std::move(actions); }

  // Labels and states.
  void RefreshParameterLabels();
  void SetStandbyButtons(bool afterNewAcquisition);
  void SetAcquiringButtons();
  void HideEndButtons();
  void ShowCameraDriver(const QString& text);  // LabelCCIR
  void ShowTvLevelDefaults();                  // "[def %ld]" and the edits
  void ShowStayOnTop(bool onTop);
  QString DiscriminatorText() const;
  void SetQuitting() { quitting_ = true; }
  void ResetShutterControl();
  void EnableSeeParameters(bool on);
  // "Data cube": while counting and after, as long as the observation has a log.
  void EnableDataCube(bool on);

  // StoreStepHost
  void ShowCountingStateView(const CountingStateView& view) override;
  void ShowPanel(const PanelView& view) override;
  void SetWindowHeight(int height) override;
  void CheckBeepBox() override;
  DiskErrorChoice ShowDiskError(const DiskErrorReport& report) override;
  void AlternateStartPrompt() override;
  void ReloadLogbookIfAsked() override;
  TvLevelEdits ReadTvLevelEdits() override;
  void RefreshStatusLabels() override;
  std::string ReadShutterLimitText() override;
  void ShowShutterLimit(std::int32_t limit) override;
  void ShowInstant(const InstantView& view) override;
  void ShowCumulated(const CumulatedView& view) override;
  void AlternateStatusColours(int phase, bool deferredStop) override;
  void ShowPriorities(const std::string& counting, const std::string& storing) override;
  void ShowChannelLabels(const std::string& channel, const std::string& cycle, const std::string& seconds) override;
  void ShowScanDirection(const std::string& arrows) override;
  void ShowWriting(const std::string& text) override;
  void ShowDeferred(const std::string& text) override;
  void HideStartPrompt() override;
  void EnableStart(bool on) override;
  void EnableSuspend(bool on) override;
  void EnableDeferredStop(bool on) override;
  void ShowEndButtons() override;
  void ShowHold(const std::string& line1, const std::string& line2) override;
  void DriveToChannel(std::int32_t channel) override;
  void CloseShutter() override;
  void LevelsStored() override;
  void QuitAfterAbortYes() override;
  void QuitIntegration() override;
  void QuitAfterLogFailure() override;

  // AlarmConsole
  void ShowAlarmTexts(const std::string& line1, const std::string& line2) override;
  void ColourAlarmPanel(bool yellow) override;
  void ShowCloseLoopCount(const std::string& text) override;
  void ShowSupervisorMessage(const std::string& line1, const std::string& line2) override;
  void HideSupervisorMessage() override;

  // Cs100Console
  void ShowLinkState(CountingState state) override;
  void RestoreCountingState() override;

  // BoardDisplay
  void ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t system) override;

  // TemperatureDisplay
  void ShowTemperatureLabels(const std::string& temperature, const std::string& command) override;

  // The start prompt window TClickOnStart, blinking while no acquisition runs.
  void SetStartPrompt(QWidget* prompt) { startPrompt_ = prompt; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect where, Qt::Alignment align = Qt::AlignLeft);
  QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect where, const QString& hint = {});
  QGroupBox* MakeGroup(const char* name, const QString& title, QRect where);
  void BuildStatus();
  void BuildFigures();
  void BuildCommands();
  void BuildTvLevels();
  void BuildCyclesAndInstrument();
  void BuildPanels();
  void Connect();
  QLabel* label(const char* name) const;
  QPushButton* button(const char* name) const;

  SharedState& shared_;
  Actions actions_;
  std::function<void()> firstShow_;
  bool shown_ = false;
  bool quitting_ = false;
  int promptPhase_ = 0;
  QWidget* startPrompt_ = nullptr;
  CountingStateView lastView_;
};

}  // namespace velmar
