// The windowed program, started as the program entry starts it, with the
// operator played by a timer: it takes one way of quitting (the scenario named by
// the first argument) and lets the program end the process its own way. Just
// before the exit it prints what the quit-path tests check, one "key value" line
// each: the exit code, the shutter of the simulated bench, the data directory,
// the log path; every modal window it met is printed as it is met.
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "app/acquisition_program.h"
#include "app/qt/main_window_controller.h"
#include "app/qt/program_windows.h"
#include "console/prepare_parameters.h"
#include "app/qt/windowed_program.h"
#include "windows/console/TGeneral.h"
#include "windows/console/TSmallWindows.h"
#include "windows/parameters/TParameters.h"
#include "engine/observation_log.h"
#include "engine/photon_file.h"
#include "windows/instruments/TTuneTHT.h"
#include "params/acquisition_parameters.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"

namespace velmar {
namespace {

void Say(const std::string& key, const std::string& value) {
  std::printf("%s %s\n", key.c_str(), value.c_str());
  std::fflush(stdout);
}

// The CS100 on a serial port that cannot be opened: the parameters file the
// program reads at start-up names COM2, and $VELMAR_COM2 a device that is not there.
void PrepareUnopenableCs100Port() {
  AcquisitionParameters p;
  SetDefaultParameterValues(p);
  SetText(p.ProgramDir, std::filesystem::current_path().string());
  LoadInstrumentDefinition(p, 3);
  p.CS100Interface = 2;
  p.CS100Link = 1;
  p.ComPort = 2;
  SetText(p.Path, DefaultDataRoot() + "/G001");  // under the test's own home
  SaveParametersFile(p);
  setenv("VELMAR_COM2", "/nonexistent/velmar-cs100-port", 1);
}

// The camera cannot be set up: every camera description in the program directory
// is one the digitizer cannot read.
void SpoilCameraDescriptions() {
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::current_path()))
    if (entry.path().extension() == ".dcf") {
      std::FILE* file = std::fopen(entry.path().c_str(), "w");
      std::fputs("kind = nothing a digitizer knows\n", file);
      std::fclose(file);
    }
}

// Makes a path unusable as a file whoever runs the test (root included): a
// directory that is not empty can be neither replaced nor opened for writing.
void Obstruct(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path) / "obstruction");
}

// The Escape key as the keyboard gives it: to the widget with the focus, whose
// window takes it when the widget does not.
void PressEscape(QWidget& window) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QWidget* focus = window.focusWidget();
  QApplication::sendEvent(focus ? focus : &window, &press);
}

class Operator {
 public:
  Operator(std::string scenario, AcquisitionProgram& program, ProgramWindows& windows,
           MainWindowController& controller)
      : scenario_(std::move(scenario)), program_(program), windows_(windows), controller_(controller) {}

  // Two timers: Qt does not re-enter a timer's slot, and a step of the scenario
  // (a click) may open a modal window that only the other timer can answer.
  void Begin() {
    auto* steps = new QTimer(qApp);
    QObject::connect(steps, &QTimer::timeout, [this] { Tick(); });
    steps->start(50);
    auto* modals = new QTimer(qApp);
    QObject::connect(modals, &QTimer::timeout, [this] {
      if (!windows_.parameters->isVisible()) filled_ = nullptr;
      if (QWidget* modal = QApplication::activeModalWidget()) Answer(modal);
    });
    modals->start(50);
  }

  void Report(int exitCode) const {
    const AcquisitionState& s = program_.shared.acquisition;
    Say("exit-code", std::to_string(exitCode));
    Say("shutter-closed", program_.bench.ShutterClosed() ? "1" : "0");
    Say("data-dir", std::string(TextOf(program_.shared.parameters.Path)));
    Say("log", s.logPath);
    Say("phase", std::to_string(phase_));
    Say("tht-sent", std::to_string(s.thtSent));
    Say("monitor-created", std::to_string(s.monitorCreated));
    Say("monitor-ticks", std::to_string(controller_.monitor().ticks()));
  }

 private:
  QPushButton* Button(const char* name) const { return windows_.general->findChild<QPushButton*>(name); }
  AcquisitionState& state() { return program_.shared.acquisition; }
  AcquisitionParameters& parameters() { return program_.shared.parameters; }
  void Raise(int signal) { ::kill(::getpid(), signal); }

  // A modal window: shown on stdout, then answered as the scenario wants.
  void Answer(QWidget* modal) {
    const QString name = modal->objectName();
    if (name != lastModal_) {
      QString texts;
      for (auto* label : modal->findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts += label->text() + " | ";
      Say("modal", (name + ": " + texts).toStdString());
      lastModal_ = name;
    }
    if (name == "TDiskError") {
      if (scenario_ == "disk-quit") modal->findChild<QPushButton*>("ButtonQuit")->click();
      if (scenario_ == "disk-escape") LeaveDiskError(*modal);
      if (scenario_ == "signal-in-step" && !signalled_) {
        signalled_ = true;
        Raise(SIGTERM);  // inside the store step, inside the window's nested loop
      }
      return;
    }
    if (name == "TTuneTHT" && scenario_ == "tuning-signal") {
      TuneTheTht(modal);
      return;
    }
    if (name == "TAnalogic" && scenario_ == "analogic-signal") {
      CalibrateAnalogic(modal);
      return;
    }
    if (name == "TErrorMatrox" && scenario_ == "grabber-bypass") {
      modal->findChild<QPushButton*>("ButtonBypass")->click();
      return;
    }
    if (name == "TSuspended") {
      // Abort definitively; the first time "&No" brings the window back.
      // Clicked from a timer of its own: the window it opens needs this timer to answer it.
      modal->findChild<QRadioButton*>("RadioButtonQuit")->setChecked(true);
      QTimer::singleShot(0, modal->findChild<QPushButton*>("BitBtn1"), &QPushButton::click);
      return;
    }
    if (name == "TRequestAbort") {
      const bool no = scenario_ == "suspend-abort" && !answeredNo_;
      answeredNo_ = answeredNo_ || no;
      QTimer::singleShot(0, modal->findChild<QPushButton*>(no ? "BitBtn2" : "BitBtn1"), &QPushButton::click);
      lastModal_.clear();
      return;
    }
    if (name == "TParameters") {
      FillParameters(*modal);
      return;
    }
    if (name == "TError" && scenario_ == "data-in-use" && filled_) {  // refused: the observer quits
      QWidget* parametersWindow = filled_;
      QTimer::singleShot(0, parametersWindow,
                         [parametersWindow] { parametersWindow->findChild<QPushButton*>("BitBtnQuit1")->click(); });
    }
    const std::map<QString, const char*> answers = {{"TQuestionObturateur", "ButtonIntegrate"},
                                                    {"TFileExist", "ButtonYes"},
                                                    {"TWarningTHT", "ButtonZero"}};
    if (const auto answer = answers.find(name); answer != answers.end()) {
      modal->findChild<QPushButton*>(answer->second)->click();
      return;
    }
    if (auto* ok = modal->findChild<QPushButton*>("ButtonOK")) ok->click();
    else if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  }

  // The disk-error window left by Escape, then by its close box, then (the disk
  // cleared) by "&Ignore": each time the acquisition goes on.
  void LeaveDiskError(QWidget& window) {
    ++diskErrors_;
    if (diskErrors_ == 1) {
      Say("disk-answer", "escape");
      QTimer::singleShot(0, &window, [&window] { PressEscape(window); });
    } else if (diskErrors_ == 2) {
      Say("disk-answer", "close-box");
      QTimer::singleShot(0, &window, [&window] { window.close(); });
    } else {
      Say("disk-answer", "ignore");
      std::filesystem::remove_all(obstruction_);
      QTimer::singleShot(0, window.findChild<QPushButton*>("ButtonIgnore"), &QPushButton::click);
    }
  }

  // A rise to the low level, and a signal while it runs with the monitor ticking.
  void TuneTheTht(QWidget* tuning) {
    if (!riseStarted_.isValid()) {
      tuning->findChild<QPushButton*>("ButtonUpLow")->click();
      riseStarted_.start();
    } else if (!signalled_ && riseStarted_.elapsed() > 2500) {
      signalled_ = true;
      Say("tht-at-signal", std::to_string(state().thtSent));
      Raise(SIGTERM);
    }
  }

  // An analogic calibration at 1500 V, and a signal between two of its channels.
  void CalibrateAnalogic(QWidget* analogic) {
    const QString step = analogic->findChild<QLabel*>("LabelEtape")->text();
    if (!analogicStarted_) {
      analogicStarted_ = true;
      analogic->findChild<QLineEdit*>("EditLz")->setText("40");
      analogic->findChild<QLineEdit*>("EditFrames")->setText("40");
      analogic->findChild<QCheckBox*>("CheckBoxTHT")->click();
      analogic->findChild<QLineEdit*>("EditTHT")->setText("1500");
      QTimer::singleShot(0, analogic->findChild<QPushButton*>("BitBtnExec"), &QPushButton::click);
    } else if (!signalled_ && step.startsWith("Acquiring channel")) {
      signalled_ = true;
      Say("analogic-at-signal", step.toStdString());
      Raise(SIGTERM);
    }
  }

  // The parameters window, as an observer fills it: the high-voltage choice, a
  // preset, the comment lines; in the observer's scenario a plan of his own. OK is
  // pressed from a slot of its own, so that its questions can be answered.
  void FillParameters(QWidget& window) {
    if (&window == filled_) return;
    filled_ = &window;
    const auto edit = [&](const char* name, const char* text) { window.findChild<QLineEdit*>(name)->setText(text); };
    const auto click = [&](const char* name) { window.findChild<QAbstractButton*>(name)->click(); };
    const bool observer = scenario_ == "observer";
    if (scenario_ == "parameters-quit") {
      QTimer::singleShot(0, &window, [&window] { window.findChild<QPushButton*>("BitBtnQuit1")->click(); });
      return;
    }
    if (scenario_ == "parameters-signal") {  // Ctrl-C while the parameters window is up at start
      signalled_ = true;
      Raise(SIGINT);
      return;
    }
    if (scenario_ == "parameters-escape") {
      QTimer::singleShot(0, &window, [&window] { PressEscape(window); });
      return;
    }
    if (scenario_ == "parameters-close") {
      QTimer::singleShot(0, &window, [&window] { window.close(); });
      return;
    }
    if (window.findChild<QWidget*>("PanelStart")->isVisible()) {
      if (observer) {
        click("CheckBoxStart");
        click("ButtonStart2");
      } else {
        click("BitBtnStart1");
      }
    }
    if (observer || parameters().CCDXSize == 0) {
      window.findChild<QComboBox*>("ComboBoxDef")->setCurrentIndex(3);
      click("ButtonDef");
      Say("grid-camera-driver", window.findChild<QTableWidget*>("StringGrid1")->item(11, 1)->text().toStdString());
    }
    if (observer) {
      click("RadioButtonCalib");
      click("RadioButtonSimul");
      edit("EditLz", "3");
      edit("EditTcan", "1");
      edit("EditMaxcycles", "1");
      edit("EditNumobs", "7");
    }
    if (scenario_ == "data-in-use")  // the data directory another copy writes into
      edit("EditPath", (std::string(std::getenv("HOME")) + "/in-use").c_str());
    if (scenario_ == "analogic-signal") click("RadioButtonAnalogic");
    edit("EditComment", "NGC 7331 core");
    edit("EditPF", "PF 1 order 793");
    edit("EditFI", "6581/20");
    QTimer::singleShot(0, &window, [&window] { window.findChild<QPushButton*>("ButtonOK")->click(); });
  }

  bool StartedUp() const { return windows_.clickOnStart && windows_.clickOnStart->isVisible(); }

  // A short plan: two channels of one second, one cycle; the shutter opened.
  void StartShortObservation() {
    if (scenario_ == "observer") {  // the plan is the one typed in the parameters window
      Say("plan", std::to_string(parameters().Lz) + " " + std::to_string(parameters().Tcan) + " " +
                      std::to_string(parameters().Maxcycles) + " " + std::to_string(parameters().AcqType));
      Button("BitBtnOpen")->click();
      Button("ButtonStart")->click();
      return;
    }
    parameters().Lz = 2;
    parameters().Tcan = 1;
    parameters().Maxcycles = 1;
    state().stopCycle = 1;
    state().stopChannel = 2;
    windows_.general->RefreshParameterLabels();
    Button("BitBtnOpen")->click();
    Say("shutter-open-before-quit", program_.bench.ShutterClosed() ? "0" : "1");
    Button("ButtonStart")->click();
  }

  void Tick() {
    if (QApplication::activeModalWidget()) return;
    if (phase_ == 0) {
      if (!StartedUp()) return;
      phase_ = 1;
      Say("started-up", "1");
      if (scenario_ == "idle-signal") {
        Raise(SIGHUP);
        return;
      }
      if (scenario_ == "tuning-signal") {
        parameters().THTSystem = 1;  // a Thomson tube's supply, that reads back what it is sent
        parameters().THTLow = 6000;  // steps of 500 V
        parameters().THTMedium = 9400;
        parameters().THTMax = 10800;
        QTimer::singleShot(0, [this] { OpenTuneTHT(*windows_.tuneTht); });
        return;
      }
      if (scenario_ == "tht-warning") {  // the high voltage left on as the program ends
        program_.highVoltage.SetTHT(1500);
        Say("tht-before-quit", std::to_string(state().thtSent));
        Raise(SIGHUP);
        return;
      }
      if (scenario_ == "log-failure") Obstruct(LogFilePath(parameters()));
      if (scenario_ == "disk-quit" || scenario_ == "signal-in-step" || scenario_ == "disk-escape") {
        obstruction_ = std::filesystem::path(TextOf(parameters().Path)) / ChannelFileName(parameters(), 1, 0);
        Obstruct(obstruction_.string());
      }
      StartShortObservation();
      return;
    }
    AcquisitionState& s = state();
    if (scenario_ == "abort-yes" || scenario_ == "observer" || scenario_ == "disk-escape" ||
        scenario_ == "grabber-files-late") {
      if (phase_ == 1 && s.endDialogState == 1) {
        phase_ = 2;
        Button("ButtonDialogAcqStop")->click();
      } else if (phase_ == 2 && s.abortDialogState == 1) {
        phase_ = 3;
        Button("ButtonDialogAbortYes")->click();
      }
    } else if (scenario_ == "quit-application") {
      // The acquisition ended by the abort panel's "New acquisition", then quit.
      if (phase_ == 1 && s.endDialogState == 1) {
        phase_ = 2;
        Button("ButtonDialogAcqStop")->click();
      } else if (phase_ == 2 && s.abortDialogState == 1) {
        phase_ = 3;
        Button("ButtonDialogAbortNew")->click();
      } else if (phase_ == 3 && Button("ButtonNewEnd")->isVisible()) {
        phase_ = 4;
        Button("ButtonNewEnd")->click();
      }
    } else if (scenario_ == "request-abort" || scenario_ == "suspend-abort") {
      // "Abort and Quit", or "Suspend" then abort, while a channel is counted (not
      // at the end panel, which holds Suspend).
      if (phase_ == 1 && s.currentChannel >= 1 && s.storingHeld == 0 && Button("ButtonSuspend")->isEnabled()) {
        phase_ = 2;
        Button(scenario_ == "request-abort" ? "ButtonAbort" : "ButtonSuspend")->click();
      }
    } else if (scenario_ == "acquiring-signal") {
      if (phase_ == 1 && s.currentChannel >= 1 && s.channelSeconds > 0.0f) {
        phase_ = 2;
        Raise(SIGINT);
      }
    } else if (scenario_ == "acquiring-signal-twice") {  // as `timeout` does: the program, then its group
      if (phase_ == 1 && s.currentChannel >= 1 && s.channelSeconds > 0.0f) {
        phase_ = 2;
        Raise(SIGTERM);
        Raise(SIGTERM);
      }
    }
  }

  std::string scenario_;
  AcquisitionProgram& program_;
  ProgramWindows& windows_;
  MainWindowController& controller_;
  int phase_ = 0;
  bool signalled_ = false;
  QElapsedTimer riseStarted_;
  bool answeredNo_ = false;
  bool analogicStarted_ = false;
  QString lastModal_;
  QWidget* filled_ = nullptr;
  int diskErrors_ = 0;
  std::filesystem::path obstruction_;
};

}  // namespace
}  // namespace velmar

int main(int argc, char** argv) {
  using namespace velmar;
  const std::string scenario = argc > 1 ? argv[1] : "";
  if (scenario == "cs100-port") PrepareUnopenableCs100Port();
  if (scenario == "grabber-bypass") SpoilCameraDescriptions();
  if (scenario == "grabber-files-late") {  // the camera and monitor files come with the first instrument
    std::filesystem::remove("comptage.dcf");
    std::filesystem::remove("ecran.vcf");
  }
  std::unique_ptr<Operator> player;
  WindowedProgramHooks hooks;
  hooks.ready = [&](AcquisitionProgram& program, ProgramWindows& windows, MainWindowController& controller) {
    player = std::make_unique<Operator>(scenario, program, windows, controller);
    player->Begin();
  };
  // Windows shown before the operator is in place: said and answered OK.
  hooks.applicationMade = [] {
    auto* watcher = new QTimer(qApp);
    QObject::connect(watcher, &QTimer::timeout, [] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal->objectName() != "TError") return;
      QString texts;
      for (auto* label : modal->findChildren<QLabel*>())
        if (!label->text().isEmpty()) texts += label->text() + " | ";
      Say("early-modal", texts.toStdString());
      if (auto* ok = modal->findChild<QPushButton*>("ButtonOK")) ok->click();
    });
    watcher->start(100);
  };
  hooks.beforeExit = [&](int exitCode) {
    if (player) player->Report(exitCode);
  };
  int qtArgc = 1;
  return RunWindowedProgram(qtArgc, argv, hooks);
}
