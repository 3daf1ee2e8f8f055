// The parameters window's OK: the checks, the data directory, the files of an
// existing observation, the display program, the hand-over to the acquisition;
// "(show command)" and the printing of the window.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "params/observation_files.h"
#include "console/prepare_parameters.h"
#include "windows/console/TWarningWindows.h"
#include "console/data_directory.h"
#include "windows/parameters/TParameters.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "params/parameters_ok.h"
#include "platform/error_reporter.h"
#include "platform/processes.h"

namespace velmar {

void TParameters::ButtonCommandClick() {
  p_.ShowCommandOnly = 1;
  ButtonOKClick();
  p_.ShowCommandOnly = 0;
}

void TParameters::ButtonOKClick() {
  okReached4_ = false;
  // Back to the running acquisition: its plan, stop point and data directory stay.
  if (OnlyViewing()) {
    done(QDialog::Accepted);
    return;
  }
  if (p_.MonitorWarning && warningAcquire_->Ask() == 1) return;

  // Nothing is made before an instrument is defined.
  if (p_.ViewOnly != kOpenedMarker && InstrumentUndefined(p_)) {
    ShowError("No instrument is defined yet", "Load a .DEF configuration under \"Detailed instrument parameters\"",
              "then press OK again");
    return;
  }

  // The data directory: made here when it does not exist, else it must be writable.
  const std::string path = edit("EditPath")->text().toStdString();
  CreateDefaultDataRootFor(path);
  std::error_code ec;
  const bool created = !path.empty() && std::filesystem::create_directory(path, ec);
  // Another copy's data directory is refused before anything is tried in it.
  if (!path.empty() && services_.lockDataDirectory && !services_.lockDataDirectory(path)) return;
  if (!created) {
    SetText(p_.Path, path);
    if (TestPathAccess(path) != 0) return;
  }

  if (services_.refreshMainWindow) services_.refreshMainWindow();
  if (p_.ViewOnly == kOpenedMarker) {
    CollectParameters(true);
    // Not started yet: Start will write this observation's files, so they are
    // overwritten only when the operator says so.
    if (p_.RunState == 2 && !ConfirmOverwrite()) return;
    if (services_.refreshMainWindow) services_.refreshMainWindow();
    done(QDialog::Accepted);
    return;
  }

  QApplication::setOverrideCursor(Qt::WaitCursor);
  button("ButtonOK")->setEnabled(false);
  label("LabelWaitAcquisition")->show();
  QCoreApplication::processEvents();
  p_.SavedAcqType = p_.AcqType;
  okReached4_ = true;
  SaveParametersFile(p_);
  if (services_.checkDriverFiles) services_.checkDriverFiles();
  if (ended_) return;
  if (!OkChecks() || !OkPrepareFiles()) {
    OkEnd();
    return;
  }
  OkLaunchAndHandOver();
}

// Collection, the comment lines, the shutter, the analogic branch.
bool TParameters::OkChecks() {
  // Whatever was typed since a type was chosen is read too.
  p_.RefreshMode = 2;
  if (CollectParameters(false) != 0) return false;
  if (p_.ShowCommandOnly == 0 || p_.SavedAcqType == kAcqAnalogicCalibration) {
    if (const std::string missing = MissingCommentLine(p_); !missing.empty()) {
      warningBeforeIntegration_->Show(missing);
      return false;
    }
    const auto status = services_.readShutterStatus ? services_.readShutterStatus() : std::optional<std::int32_t>(0);
    if (!ShutterSeenOpen(status)) {
      // A window closed without an answer goes back to the parameters.
      s_.operatorAnswer = 1;
      questionObturateur_->Ask(p_.ShutterSystem, status.value_or(-1), s_.operatorAnswer);
      if (s_.operatorAnswer == 1) return false;
    }
  }
  if (radio("RadioButtonAnalogic")->isChecked()) {
    p_.RefreshMode = 2;
    CollectParameters(true);
    // The calibration window shows its own steps: no hourglass over it, and the
    // parameters are shown again after it waiting for nothing.
    QApplication::restoreOverrideCursor();
    label("LabelWaitAcquisition")->hide();
    const int answer = services_.analogicCalibration ? services_.analogicCalibration() : 1;
    if (answer == 0 && services_.endProgram) services_.endProgram(true);
    return false;
  }
  return true;
}

// Long names when needed, the set saved, an existing observation overwritten only
// when the operator says so, the plan read once more.
bool TParameters::OkPrepareFiles() {
  if ((p_.Lz > 99 || p_.Maxcycles > 99) && p_.FileType != 1) {
    SwitchToLongNamesIfNeeded(p_);
    combo("ComboBoxFileType")->setCurrentIndex(1);
  }
  startAcquisition_ = true;
  s_.levels.discriminator = p_.Discri;
  if (p_.RunState == 0 || p_.RunState == 2) {
    if (CollectParameters(false) != 0) return false;
    SaveParametersFile(p_);
  }
  firstPhotonFile_ = FirstPhotonFilePath(p_);
  if (p_.ShowCommandOnly == 0 && p_.RunState == 0 && !ConfirmOverwrite()) return false;
  const std::string failed = ReadPlanAgain(p_, edit("EditLambda")->text().toStdString(),
                                           edit("EditMaxcycles")->text().toStdString(),
                                           edit("EditTcan")->text().toStdString());
  if (!failed.empty()) {
    ShowError(kParameterErrorLine1, failed, kParameterErrorLine3);
    return false;
  }
  s_.stopCycle = p_.Maxcycles;
  s_.stopChannel = StopChannel(p_.Lz, p_.Maxcycles, p_.SeeSaw);
  return true;
}

bool TParameters::ConfirmOverwrite() {
  // Any file of the observation, in either name style, not only its first.
  const std::string existing = ExistingPhotonFilePath(p_);
  if (existing.empty()) return true;
  const std::filesystem::path file(existing);
  // A window closed without an answer keeps the files.
  s_.operatorAnswer = 1;
  fileExist_->Ask(file.stem().string(), file.extension().string().substr(1), s_.operatorAnswer);
  if (s_.operatorAnswer == 1) return false;
  DeleteObservationPhotonFiles(p_);
  return true;
}

void TParameters::OkLaunchAndHandOver() {
  std::vector<std::string> arguments = DisplayArguments(p_, firstPhotonFile_, displayType_, s_.tempFileMode);
  if (p_.ShowCommandOnly) {
    label("LabelCommand")->setText(QString::fromStdString(DisplayCommandLine(arguments)));
    OkEnd();
    return;
  }
  arguments.push_back("0");
  const std::string program = DisplayProgramPath(p_);
  if (const StartResult started = StartProgram(program, arguments); !started.started)
    ShowError("Impossible to run the display program", program, "Can acquire nevertheless...");
  if (services_.handLevelsToMainWindow) services_.handLevelsToMainWindow();
  HandOverToAcquisition(p_, s_);
  QApplication::restoreOverrideCursor();
  label("LabelWaitAcquisition")->hide();
  button("ButtonOK")->setEnabled(true);
  done(QDialog::Accepted);
}

void TParameters::OkEnd() {
  QApplication::restoreOverrideCursor();
  label("LabelWaitAcquisition")->hide();
  button("ButtonOK")->setEnabled(true);
  if (okReached4_) p_.AcqType = p_.SavedAcqType;
}

void TParameters::ButtonPrintClick() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The printed page takes the narrow layout with the title at the left.
  QWidget* title = widget("LabelTitle");
  setFixedSize(610, 764);
  title->move(15, title->y());
  QPainter painter(&printer);
  const QPixmap image = grab();
  const QRect page = painter.viewport();
  const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
  painter.drawPixmap(QRect(page.topLeft(), size), image);
  painter.end();
  setFixedSize(1021, 746);
  title->move(176, title->y());
}

}  // namespace velmar
