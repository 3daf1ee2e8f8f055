// The windowed program, started as the program entry starts it, walked through
// whole observations by an operator played with timers: each scenario (the first
// argument) is a list of steps, each taken once the program reaches its state.
// What the tests check is printed as "key value" lines; every modal window met is
// printed as it is met, with its texts.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/acquisition_program.h"
#include "console/prepare_parameters.h"
#include "app/qt/main_window_controller.h"
#include "app/qt/program_windows.h"
#include "app/qt/windowed_program.h"
#include "windows/console/TGeneral.h"
#include "windows/console/TSmallWindows.h"
#include "windows/cube/TDataCube.h"
#include "windows/parameters/TParameters.h"
#include "params/acquisition_parameters.h"
#include "params/fixed_text.h"

namespace velmar {
namespace {

void Say(const std::string& key, const std::string& value) {
  std::printf("%s %s\n", key.c_str(), value.c_str());
  std::fflush(stdout);
}

// One observation as typed in the parameters window.
struct Plan {
  const char* numobs;
  const char* channels;
  const char* exposure;
  const char* scanning;  // the scanning-mode button
  bool finalNames;       // temporary-file mode 0: final names written as they go
  bool inhibitCloseLoop;
  bool cs100TestFile;
  bool tvSource = false;  // the camera of the program directory instead of the random simulation
};

struct Step {
  std::function<bool()> ready;
  std::function<void()> act;
};

class Walker {
 public:
  Walker(std::string scenario, AcquisitionProgram& program, ProgramWindows& windows)
      : scenario_(std::move(scenario)), program_(program), windows_(windows) {}

  void Begin() {
    Script();
    // Two timers: a step may open a modal window that only the other can answer.
    auto* steps = new QTimer(qApp);
    QObject::connect(steps, &QTimer::timeout, [this] { Tick(); });
    steps->start(50);
    auto* modals = new QTimer(qApp);
    QObject::connect(modals, &QTimer::timeout, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) Answer(modal);
      else answered_ = nullptr;
    });
    modals->start(50);
  }

  void Report(int exitCode) const {
    Say("exit-code", std::to_string(exitCode));
    Say("data-dir", std::string(TextOf(program_.shared.parameters.Path)));
    Say("log", state().logPath);
    Say("steps-done", std::to_string(next_));
    if (auto* cut = windows_.terminating->findChild<QLabel*>("LabelCutShort")) {
      Say("terminating-says", cut->text().toStdString());
      Picture(windows_.terminating, "terminating");
      Picture(windows_.general, "main-at-end");
    }
  }

 private:
  QPushButton* Button(const char* name) const { return windows_.general->findChild<QPushButton*>(name); }
  QString Label(const char* name) const { return windows_.general->findChild<QLabel*>(name)->text(); }
  AcquisitionState& state() const { return program_.shared.acquisition; }
  AcquisitionParameters& parameters() const { return program_.shared.parameters; }
  bool Counting() const { return state().storingHeld == 0 && state().channelSeconds > 0.0f; }
  TDataCube* Cube() const { return windows_.general->findChild<TDataCube*>(); }
  bool StartPrompt() const { return windows_.clickOnStart->isVisible() && Button("ButtonStart")->isEnabled(); }
  std::string Stop() const { return std::to_string(state().stopChannel) + " " + std::to_string(state().stopCycle); }
  void Then(std::function<bool()> ready, std::function<void()> act) { steps_.push_back({std::move(ready), std::move(act)}); }
  void Click(const char* name) { QTimer::singleShot(0, Button(name), &QPushButton::click); }
  bool After(int ms) {
    if (!waiting_.isValid()) waiting_.start();
    if (waiting_.elapsed() < ms) return false;
    waiting_.invalidate();
    return true;
  }

  void StartCounting() {
    Button("BitBtnOpen")->click();
    Button("ButtonStart")->click();
  }

  // With $VELMAR_WALK_PICTURES set, the window as the observer sees it then.
  static void Picture(QWidget* window, const char* name) {
    if (const char* dir = std::getenv("VELMAR_WALK_PICTURES"))
      window->grab().save(QString("%1/%2.png").arg(dir, name));
  }

  void SayEndedLabels() {
    Picture(windows_.general, "ended");
    Say("status-after-end", Label("CountingState").toStdString());
    Say("writing-after-end", "[" + Label("LabelWriting").toStdString() + "]");
    Say("first-data-dir", std::string(TextOf(parameters().Path)));
  }

  void Comment(const char* text) {
    comment_ = text;
    Click("ButtonLog");
  }

  void Script() {
    if (scenario_ == "view-while-counting") {
      // Continue past the end, a deferred stop, then a look at the parameters.
      plans_ = {{"007", "2", "2", "RadioButtonScanningYes", true, true, true}};
      Then([this] { return StartPrompt(); }, [this] { StartCounting(); });
      Then([this] { return state().endDialogState == 1; }, [this] { Click("ButtonDialogAcqContinue"); });
      Then([this] { return state().currentCycle == 2 && Counting() && Button("ButtonArret")->isEnabled(); },
           [this] { Click("ButtonArret"); });
      Then([this] { return state().deferredStopRequested == 1; },
           [this] {
             Say("stop-before-view", Stop());
             Say("link-before-view", std::to_string(parameters().CS100Link));
             Say("watch-before-view", std::to_string(state().closeLoopWatch));
             opensBeforeView_ = program_.bench.opens();
             Click("ButtonDisplay");
           });
      Then([this] { return viewed_; },
           [this] {
             Say("stop-after-view", Stop());
             Say("link-after-view", std::to_string(parameters().CS100Link));
             Say("watch-after-view", std::to_string(state().closeLoopWatch));
             Say("board-opened-by-view", std::to_string(program_.bench.opens() - opensBeforeView_));
             viewedAt_ = {state().currentChannel, state().currentCycle};
           });
      // Counting goes on to the stop asked; the channel in progress is cut by Abort and Quit.
      Then([this] {
             const std::pair<int, int> now{state().currentChannel, state().currentCycle};
             return (now != viewedAt_ && Counting()) || state().endDialogState == 1;
           },
           [this] {
             Say("end-panel-after-view", std::to_string(state().endDialogState));
             Say("main-shutter-before-quit", Label("LabelShutter").toStdString());
             program_.highVoltage.SetTHT(1500);  // left on: the THT warning comes on the way out
             Click("ButtonAbort");
           });
    } else if (scenario_ == "data-cube") {
      // "Data cube" opened in the second channel, followed to the planned end in real time.
      plans_ = {{"021", "4", "3", "RadioButtonScanningYes", false, true, true, true}};
      Then([this] { return StartPrompt(); }, [this] { StartCounting(); });
      Then([this] { return state().currentChannel == 2 && Counting(); }, [this] { Click("ButtonDataCube"); });
      Then([this] { return Cube() && Cube()->isVisible(); },
           [this] { Say("cube-opened-in-channel", std::to_string(state().currentChannel)); });
      Then([this] { return state().endDialogState == 1 && Cube()->follower()->Status().filesAdded == 4; },
           [this] {
             Cube()->Refresh();
             Say("cube-status", Cube()->findChild<QLabel*>("LabelStatus")->text().toStdString());
             Say("cube-files", std::to_string(Cube()->follower()->Status().filesAdded));
             Say("frames", std::to_string(state().cumulatedFrames));
             Say("exposure", std::to_string(state().cumulatedExposure));
             Say("efficiency", Label("CumulEfficiency").toStdString());
             Picture(Cube(), "data-cube");
             Picture(windows_.general, "main-with-data-cube");
             Click("ButtonAbort");
           });
    } else if (scenario_ == "two-observations") {
      plans_ = {{"011", "3", "1", "RadioButtonScanningNo", false, true, false},
                {"012", "2", "1", "RadioButtonScanningYes", false, false, true}};
      Then([this] { return StartPrompt(); }, [this] { StartCounting(); });
      Then([this] { return state().endDialogState == 1; },
           [this] {
             Say("suspend-at-end-panel", Button("ButtonSuspend")->isEnabled() ? "1" : "0");
             Say("deferred-stop-at-end-panel", Button("ButtonArret")->isEnabled() ? "1" : "0");
             if (Button("ButtonSuspend")->isEnabled()) Click("ButtonSuspend");
           });
      Then([this] { return After(2500); }, [this] { Click("ButtonDialogAcqStop"); });
      Then([this] { return state().abortDialogState == 1; }, [this] { Click("ButtonDialogAbortNew"); });
      Then([this] { return Button("ButtonNewAcq")->isVisible(); },
           [this] {
             SayEndedLabels();
             Comment("after the end");
           });
      Then([this] { return After(1500); }, [this] {
        Picture(windows_.general, "ended-later");
        Say("alarm-after-end", "[" + Label("LabelAlarm1").toStdString() + "]");
        Click("ButtonNewAcq");
      });
      Then([this] { return StartPrompt(); }, [this] { Comment("before start"); });
      Then([this] { return After(1500); }, [this] { StartCounting(); });
      // A look at the parameters while the second observation counts.
      Then([this] { return state().currentChannel >= 1 && state().storingHeld == 0 && Button("ButtonSuspend")->isEnabled(); },
           [this] {
             Say("second-stop-before-view", Stop());
             opensBeforeView_ = program_.bench.opens();
             Click("ButtonDisplay");
           });
      Then([this] { return viewed_; }, [this] { Say("second-stop-after-view", Stop()); });
      Then([this] { return state().endDialogState == 1; }, [this] {
        Picture(windows_.general, "end-panel");
        Click("ButtonDialogAcqStop");
      });
      Then([this] { return state().abortDialogState == 1; }, [this] {
        Say("lambda-cqg", std::to_string(parameters().Lambda) + " " + std::to_string(parameters().Cqg));
        Click("ButtonDialogAbortYes");
      });
    } else if (scenario_ == "new-after-abort") {
      // "Abort and Quit" answered "&New acquisition" during a channel, then the new
      // acquisition's parameters window closed by Escape.
      plans_ = {{"021", "2", "2", "RadioButtonScanningYes", true, false, false}};
      Then([this] { return StartPrompt(); }, [this] { StartCounting(); });
      Then([this] { return state().currentChannel == 1 && Counting(); }, [this] { Click("ButtonAbort"); });
      Then([this] { return Button("ButtonNewAcq")->isVisible(); },
           [this] {
             SayEndedLabels();
             Click("ButtonNewAcq");
           });
      Then([this] { return escaped_ && After(1500); },
           [this] {
             if (windows_.parameters->isVisible()) {
               Say("parameters-after-escape", "shown");
               QTimer::singleShot(0, windows_.parameters->findChild<QPushButton*>("ButtonCancel"), &QPushButton::click);
             } else if (Button("ButtonStart")->isEnabled()) {
               Say("start-enabled-after-escape", "1");
               Button("ButtonStart")->click();
             }
           });
    }
  }

  void Tick() {
    if (QApplication::activeModalWidget() || next_ >= steps_.size()) return;
    if (!steps_[next_].ready()) return;
    Say("step", std::to_string(next_));
    steps_[next_++].act();
  }

  // A modal window: shown on stdout once, then answered.
  void Answer(QWidget* modal) {
    if (modal == answered_) return;
    answered_ = modal;
    const QString name = modal->objectName();
    QString texts;
    for (auto* label : modal->findChildren<QLabel*>())
      if (label->isVisible() && !label->text().isEmpty()) texts += label->text() + " | ";
    Say("modal", (name + ": " + texts).toStdString());
    const auto press = [modal](const char* button) {
      QTimer::singleShot(0, modal->findChild<QPushButton*>(button), &QPushButton::click);
    };
    if (name == "TParameters") {
      if (parameters().ViewOnly == kOpenedMarker) {
        Picture(modal, "viewing");
        Say("view-board-opens", std::to_string(program_.bench.opens() - opensBeforeView_));
        QTimer::singleShot(0, [this, modal] {
          modal->findChild<QPushButton*>("ButtonOK")->click();
          viewed_ = true;
        });
      } else if (shown_ < plans_.size()) {
        FillParameters(*modal, plans_[shown_++]);
      } else {
        escaped_ = true;
        QTimer::singleShot(0, modal, [modal] { qobject_cast<QDialog*>(modal)->reject(); });  // Escape
      }
      return;
    }
    if (name == "TDeferredStop") {
      modal->findChild<QRadioButton*>("RadioButtonFull")->setChecked(true);
      modal->findChild<QLineEdit*>("EditChannelFull")->setText("2");
      modal->findChild<QLineEdit*>("EditCycleFull")->setText("3");
      modal->findChild<QRadioButton*>("RadioButtonFull")->setChecked(true);
      press("BitBtn1");
      return;
    }
    if (name == "TCommentOnLogBook") {
      modal->findChild<QLineEdit*>("Edit1")->setText(comment_);
      press("BitBtn1");
      return;
    }
    if (name == "TSuspended") {
      press("BitBtn1");  // redo the last channel
      return;
    }
    if (name == "TRequestAbort") {
      press(scenario_ == "new-after-abort" ? "BitBtn3" : "BitBtn1");
      return;
    }
    if (name == "TWarningTHT") Say("main-shutter-at-tht-warning", Label("LabelShutter").toStdString());
    const std::pair<const char*, const char*> answers[] = {
        {"TQuestionObturateur", "ButtonIntegrate"}, {"TFileExist", "ButtonYes"}, {"TWarningTHT", "ButtonZero"}};
    for (const auto& [window, button] : answers)
      if (name == window) {
        press(button);
        return;
      }
    if (modal->findChild<QPushButton*>("ButtonOK")) press("ButtonOK");
    else if (auto* dialog = qobject_cast<QDialog*>(modal)) QTimer::singleShot(0, dialog, &QDialog::reject);
  }

  void FillParameters(QWidget& window, const Plan& plan) {
    if (shown_ == 2)  // the second observation's window, as it comes up
      Say("second-close-loop", std::to_string(state().closeLoopWatch) + " " +
                                   window.findChild<QPushButton*>("ButtonInhibCL")->text().toStdString());
    const auto edit = [&](const char* name, const char* text) { window.findChild<QLineEdit*>(name)->setText(text); };
    const auto click = [&](const char* name) { window.findChild<QAbstractButton*>(name)->click(); };
    if (window.findChild<QWidget*>("PanelStart")->isVisible()) click("BitBtnStart1");
    if (parameters().CCDXSize == 0) {
      window.findChild<QComboBox*>("ComboBoxDef")->setCurrentIndex(3);
      click("ButtonDef");
    }
    click("RadioButtonCalib");
    click(plan.tvSource ? "RadioButtonTV" : "RadioButtonSimul");
    click(plan.scanning);
    edit("EditLz", plan.channels);
    edit("EditTcan", plan.exposure);
    edit("EditMaxcycles", "1");
    edit("EditLambda", "6562.8");
    edit("EditCqg", "10");
    edit("EditNumobs", plan.numobs);
    edit("EditComment", "NGC 7331 core");
    edit("EditPF", "PF 1 order 793");
    edit("EditFI", "6581/20");
    window.findChild<QComboBox*>("ComboBoxMode")->setCurrentIndex(plan.finalNames ? 0 : 1);
    if (plan.inhibitCloseLoop) click("ButtonInhibCL");
    if (plan.cs100TestFile) {
      const std::string file = (std::filesystem::path(DefaultDataRoot()) / "cs100-test.txt").string();
      SetText(parameters().TestFileName, file);
      Say("cs100-test-file", file);
      click("RadioButtonTestFile");
    }
    QTimer::singleShot(0, &window, [&window] { window.findChild<QPushButton*>("ButtonOK")->click(); });
  }

  std::string scenario_;
  AcquisitionProgram& program_;
  ProgramWindows& windows_;
  std::vector<Plan> plans_;
  std::size_t shown_ = 0;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  QElapsedTimer waiting_;
  QWidget* answered_ = nullptr;
  const char* comment_ = "";
  int opensBeforeView_ = 0;
  std::pair<int, int> viewedAt_;
  bool viewed_ = false;
  bool escaped_ = false;
};

}  // namespace
}  // namespace velmar

int main(int argc, char** argv) {
  using namespace velmar;
  const std::string scenario = argc > 1 ? argv[1] : "";
  std::unique_ptr<Walker> walker;
  WindowedProgramHooks hooks;
  hooks.ready = [&](AcquisitionProgram& program, ProgramWindows& windows, MainWindowController&) {
    walker = std::make_unique<Walker>(scenario, program, windows);
    walker->Begin();
  };
  hooks.beforeExit = [&](int exitCode) {
    if (walker) walker->Report(exitCode);
  };
  int qtArgc = 1;
  return RunWindowedProgram(qtArgc, argv, hooks);
}
