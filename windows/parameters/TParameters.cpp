#include "windows/parameters/TParameters.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>

#include "console/prepare_parameters.h"
#include "windows/console/TWarningWindows.h"
#include "console/data_directory.h"
#include "instruments/tht_tuning.h"
#include "windows/parameters/THelpDEF.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "params/parameters_ok.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

namespace {

// Filling the controls from the set must not run the handlers of those controls.
struct Filling {
  explicit Filling(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~Filling() { flag_ = was_; }
  bool& flag_;
  bool was_;
};

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

}  // namespace

TParameters::TParameters(SharedState& shared, std::filesystem::path programDir, QWidget* parent)
    : QDialog(parent),
      shared_(shared),
      p_(shared.parameters),
      s_(shared.acquisition),
      programDir_(std::move(programDir)) {
  setObjectName("TParameters");
  setModal(true);
  setFixedSize(1021, 746);
  BuildTitleAndIdentification();
  BuildTypeAndSource();
  BuildScanning();
  BuildDiskStorage();
  BuildRemoteControls();
  BuildBottom();
  BuildHelpPanel();
  BuildDetailPanel();
  BuildStartUpBlock();
  warningAcquire_ = new TWarningAcquire(this);
  warningBeforeIntegration_ = new TWarningBeforeIntegration(this);
  questionObturateur_ = new TQuestionObturateur(
      [this] {
        if (services_.commandShutter) services_.commandShutter(0);
      },
      this);
  fileExist_ = new TFileExist(this);
  helpDef_ = new THelpDEF(this);
  connect(button("ButtonMIL"), &QPushButton::clicked, this, [this] {
    CollectParameters(true);
    if (services_.testsMatroxPf) services_.testsMatroxPf();
  });
  connect(button("ButtonTHT"), &QPushButton::clicked, this, [this] {
    if (services_.tuneTht) services_.tuneTht();
  });
  connect(button("ButtonFilters"), &QPushButton::clicked, this, [this] {
    if (services_.selectFiltersMirror) services_.selectFiltersMirror();
  });
  ConnectHandlers();
  ConnectInstrumentHandlers();
}

QLineEdit* TParameters::edit(const char* name) const { return findChild<QLineEdit*>(name); }
QPushButton* TParameters::button(const char* name) const { return findChild<QPushButton*>(name); }
QRadioButton* TParameters::radio(const char* name) const { return findChild<QRadioButton*>(name); }
QComboBox* TParameters::combo(const char* name) const { return findChild<QComboBox*>(name); }
QLabel* TParameters::label(const char* name) const { return findChild<QLabel*>(name); }
QWidget* TParameters::widget(const char* name) const { return findChild<QWidget*>(name); }

void TParameters::ShowModal() {
  FormShow();
  if (!ended_) exec();
  if (services_.stopMonitor) services_.stopMonitor();
}

void TParameters::ProgramEnded() {
  ended_ = true;
  if (isVisible()) done(QDialog::Rejected);
}

void TParameters::ShowForViewing() {
  if (p_.RunState == 0) p_.RunState = 2;
  p_.ViewOnly = kOpenedMarker;
  button("ButtonOK")->setText("&OK return to acq.");
  ShowModal();
  p_.ViewOnly = 0;
  button("ButtonOK")->setText("&OK (acquire)");
}

bool TParameters::OnlyViewing() const { return p_.ViewOnly == kOpenedMarker && p_.RunState == 1; }

void TParameters::FormShow() {
  Filling guard(filling_);
  const bool viewing = p_.ViewOnly == kOpenedMarker;
  // While an acquisition runs the window only shows: the plan, the instruments and
  // the window thread (which paces the counting) are left as they are.
  const bool onlyViewing = OnlyViewing();
  p_.WindowReady = 0;
  widget("Detail")->hide();
  widget("PanelHelp")->show();
  for (const char* name : {"LabelShutterClosed", "LabelTHTNoResponse", "Label1can"}) label(name)->hide();
  findChild<QCheckBox*>("CheckBoxStart")->setChecked(false);
  button("ButtonStart2")->setEnabled(false);
  // The high-voltage choice comes once, before anything starts.
  const bool startUpBlock = firstShowing_ && !viewing;
  widget("PanelStart")->setVisible(startUpBlock);
  button("ButtonOK")->setEnabled(!startUpBlock);
  firstShowing_ = false;

  const QString title = Q(Format("Velmar photon counting task     %s", kVersionText));
  setWindowTitle(title);
  if (parentWidget() && parentWidget()->isWindow()) parentWidget()->window()->setWindowTitle(title);
  label("LabelWait")->hide();
  label("LabelCommand")->clear();
  move(130, p_.RunState == 0 ? 135 : 255);

  if (!onlyViewing && services_.checkOtherInstances) services_.checkOtherInstances();
  if (ended_) return;
  // The defaults and the parameters file for a new acquisition, the temporary-file
  // mode: the same preparation as the headless runner's.
  if (!onlyViewing) PrepareNewAcquisitionParameters(shared_, programDir_);
  // A new acquisition is prepared afresh: nothing starts before this showing's OK.
  if (p_.RunState == 0) startAcquisition_ = false;
  combo("ComboBoxMode")->setCurrentIndex(s_.tempFileMode == 0 ? 0 : 1);
  if (services_.clearThtWarning) services_.clearThtWarning();

  p_.RefreshMode = 1;
  ShowParameters(p_.RunState);
  p_.RefreshMode = 2;
  displayType_ = 2;
  ShowInstrumentGrid();

  if (!onlyViewing && services_.initialiseInstruments) services_.initialiseInstruments();
  if (!onlyViewing && services_.openTemperaturePort) services_.openTemperaturePort();
  if (ended_) return;
  // The inhibit button offers the other state of the watch, as it is now.
  button("ButtonInhibCL")->setText(s_.closeLoopWatch ? "Inhib closeloop" : "Valid closeloop");
  // Never while counting: the monitor's probe would send the THT a test voltage.
  if (p_.RunState != 1 && services_.startMonitor) services_.startMonitor();

  p_.ShowCommandOnly = 0;
  findChild<QGroupBox*>("GroupBoxInstrument")->setTitle(" Base default instrument parameters : PRECEDENT VALUES ");
  p_.THTSqueeze = 0;
  label("LabelSqueezeTHT")->hide();
  label("LabelWaitAcquisition")->hide();
  combo("ComboBoxDef")->setCurrentIndex(0);
  button("ButtonDef")->setEnabled(false);
  if (!onlyViewing) RebuildDataPath();
  // The filter changes from one observation to the next: typed at every showing.
  if (!viewing) edit("EditFI")->clear();
  p_.WindowReady = 1;
  if (services_.refreshFiltersMirror) services_.refreshFiltersMirror();
  // Tuning is for a counting acquisition; the analogic calibration tunes by itself.
  button("ButtonTHT")->setEnabled(p_.AcqType != kAcqAnalogicCalibration);
  RefreshRemoteControls();
}

void TParameters::RebuildDataPath() {
  const auto rebuilt = velmar::RebuildDataPath(edit("EditPath")->text().toStdString(),
                                               combo("ComboBoxPrefix")->currentText().toStdString(),
                                               edit("EditNumobs")->text().toStdString());
  if (rebuilt) {
    Filling guard(filling_);
    edit("EditPath")->setText(Q(*rebuilt));
  }
}

ParameterControls TParameters::ReadControls() const {
  ParameterControls c;
  c.dataFormatEntry = combo("ComboBoxDataFormat")->currentIndex();
  c.fileTypeEntry = combo("ComboBoxFileType")->currentIndex();
  c.scanningMode = radio("RadioButtonScanningNo")->isChecked()      ? kScanningNotPerformed
                   : radio("RadioButtonScanningPause")->isChecked() ? kScanningWithPause
                                                                    : kScanningPerformed;
  c.source = radio("RadioButtonSimul")->isChecked() ? kSourceSimulation : kSourceTvIpcs;
  c.acqType = radio("RadioButton2D")->isChecked()         ? kAcq2DImage
              : radio("RadioButtonCalib")->isChecked()    ? kAcq3DCalibration
              : radio("RadioButtonAnalogic")->isChecked() ? kAcqAnalogicCalibration
                                                          : kAcq3DObject;
  c.seeSaw = findChild<QCheckBox*>("CheckBoxSeeSaw")->isChecked();
  c.serialEntry = combo("ComboBoxSerial")->currentIndex();
  c.milErrors = radio("RadioButtonMILTest")->isChecked() ? 1 : 0;
  const auto text = [this](const char* name) { return edit(name)->text().toStdString(); };
  c.numobs = text("EditNumobs");
  c.prefix = combo("ComboBoxPrefix")->currentText().toStdString();
  c.comment = text("EditComment");
  c.pfIdent = text("EditPF");
  c.filterIdent = text("EditFI");
  c.randomPoints = text("EditSimul");
  c.lz = text("EditLz");
  c.lz2D = text("EditLz2D");
  c.lz3Dcalib = text("EditLz3Dcalib");
  c.lz3Dobj = text("EditLz3Dobj");
  c.tcan = text("EditTcan");
  c.tcan2D = text("EditTcan2D");
  c.tcan3Dcalib = text("EditTcan3Dcalib");
  c.tcan3Dobj = text("EditTcan3Dobj");
  c.maxcycles = text("EditMaxcycles");
  c.maxcycles2D = text("EditMaxcycles2D");
  c.maxcycles3Dcalib = text("EditMaxcycles3Dcalib");
  c.maxcycles3Dobj = text("EditMaxcycles3Dobj");
  c.startcan = text("EditStartcan");
  c.startcycle = text("EditStartcycle");
  c.lambda = text("EditLambda");
  c.lambdaCalib = text("EditLambda3Dcalib");
  c.lambdaObj = text("EditLambda3Dobj");
  c.cqg = text("EditCqg");
  c.path = text("EditPath");
  return c;
}

std::int32_t TParameters::CollectParameters(bool silent) {
  const CollectOutcome outcome = velmar::CollectParameters(p_, ReadControls(), silent);
  HandOverCollectedPlan(p_, outcome, s_);
  return outcome.result;
}

void TParameters::FillFullRefresh() {
  for (char (*field)[100] : {&p_.PFIdent, &p_.FilterIdent})
    if (TextOf(*field) == "(null)") SetText(*field, "");
  if (TextOf(p_.Path) == "(null)") SetText(p_.Path, "");
  const ParameterControls c = ControlsShowing(p_);
  const std::pair<const char*, const std::string*> texts[] = {
      {"EditNumobs", &c.numobs},       {"EditComment", &c.comment},       {"EditPF", &c.pfIdent},
      {"EditFI", &c.filterIdent},      {"EditSimul", &c.randomPoints},    {"EditLz", &c.lz},
      {"EditLz2D", &c.lz2D},           {"EditLz3Dcalib", &c.lz3Dcalib},   {"EditLz3Dobj", &c.lz3Dobj},
      {"EditTcan", &c.tcan},           {"EditTcan2D", &c.tcan2D},         {"EditTcan3Dcalib", &c.tcan3Dcalib},
      {"EditTcan3Dobj", &c.tcan3Dobj}, {"EditMaxcycles", &c.maxcycles},   {"EditMaxcycles2D", &c.maxcycles2D},
      {"EditMaxcycles3Dcalib", &c.maxcycles3Dcalib},                      {"EditMaxcycles3Dobj", &c.maxcycles3Dobj},
      {"EditStartcan", &c.startcan},   {"EditStartcycle", &c.startcycle}, {"EditLambda", &c.lambda},
      {"EditLambda3Dcalib", &c.lambdaCalib},                              {"EditLambda3Dobj", &c.lambdaObj},
      {"EditCqg", &c.cqg},             {"EditPath", &c.path}};
  for (const auto& [name, value] : texts) edit(name)->setText(Q(*value));
  combo("ComboBoxPrefix")->setCurrentText(Q(TextOf(p_.Prefix)));
  findChild<QScrollBar*>("UpDown3")->setValue(p_.Numobs);
  findChild<QScrollBar*>("UpDownSimul")->setValue(p_.RandomPoints);
  combo("ComboBoxDataFormat")->setCurrentIndex(p_.DataFormat >= 0 && p_.DataFormat <= 2 ? p_.DataFormat : 0);
  combo("ComboBoxFileType")->setCurrentIndex(p_.FileType == 1 ? 1 : 0);
  findChild<QCheckBox*>("CheckBoxSeeSaw")->setChecked(p_.SeeSaw == 1);
}

void TParameters::ShowParameters(std::int32_t runState) {
  Filling guard(filling_);
  if (p_.ComPort < 1) p_.ComPort = 2;
  if (p_.RefreshMode == 0) return;
  if (p_.RefreshMode == 1) {
    // For a new acquisition the current type's column becomes the current values
    // before they are shown, so that the controls show the set as it is; a set
    // already handed to an acquisition is shown unchanged.
    if (runState == 0 && p_.AcqType == kAcqAnalogicCalibration) {
      p_.Lz = p_.Lz3Dcalib;
      p_.Tcan = 1;
      p_.Maxcycles = 1;
    } else if (runState == 0) {
      ApplyShownPlan(p_);
    }
    FillFullRefresh();
  }
  radio("RadioButtonScanningYes")->setChecked(p_.ScanningMode == kScanningPerformed);
  radio("RadioButtonScanningNo")->setChecked(p_.ScanningMode == kScanningNotPerformed);
  radio("RadioButtonScanningPause")->setChecked(p_.ScanningMode == kScanningWithPause);
  radio(p_.Source == kSourceSimulation ? "RadioButtonSimul" : "RadioButtonTV")->setChecked(true);
  for (const char* name : {"LabelRandom", "EditSimul", "UpDownSimul"})
    widget(name)->setVisible(p_.Source == kSourceSimulation);
  ShowTypeVisibility();
  static const char* const kTypeNames[4] = {"2D image", "3D calibration", "3D object", "analogic calib."};
  label("LabelType")->setText(p_.AcqType >= 0 && p_.AcqType <= 3 ? kTypeNames[p_.AcqType] : "");
  const int column = p_.AcqType == kAcq2DImage ? 0 : p_.AcqType == kAcq3DObject ? 2 : 1;
  const char* heads[3] = {"LabelHead2D", "LabelHead3Dcalib", "LabelHead3Dobj"};
  for (int i = 0; i < 3; ++i) label(heads[i])->setStyleSheet(i == column ? "color: blue; font-weight: bold" : "color: black");
  radio(p_.MILErrors == 1 ? "RadioButtonMILTest" : "RadioButtonMILNorm")->setChecked(true);
  RefreshFileNameLines();
  ApplyLock(runState == 1);
}

void TParameters::ShowTypeVisibility() {
  const bool scanning = p_.AcqType != kAcq2DImage;
  const char* typeRadios[4] = {"RadioButton2D", "RadioButtonCalib", "RadioButtonObj", "RadioButtonAnalogic"};
  if (p_.AcqType >= 0 && p_.AcqType <= 3) radio(typeRadios[p_.AcqType])->setChecked(true);
  for (const char* name : {"EditLambda", "EditLambda3Dcalib", "EditLambda3Dobj", "EditCqg", "EditStartcan",
                           "EditStartcycle", "GroupBoxScanningMode"})
    widget(name)->setVisible(scanning);
  radio("RadioButtonScanningYes")->setVisible(scanning);
  radio("RadioButtonScanningNo")->setVisible(scanning);
  const bool cs100 = scanning && p_.ScanningMode != kScanningNotPerformed;
  widget("GroupBoxCS100")->setVisible(cs100);
  widget("CheckBoxSeeSaw")->setVisible(cs100);
  ShowCs100Buttons();
}

void TParameters::ShowCs100Buttons() {
  radio("RadioButtonParallel")->setChecked(p_.CS100Link == 0);
  radio("RadioButtonSerial")->setChecked(p_.CS100Link == 1);
  radio("RadioButtonTestFile")->setChecked(p_.CS100Link == 2);
  combo("ComboBoxSerial")->setVisible(p_.CS100Link == 1);
  combo("ComboBoxSerial")->setCurrentIndex(p_.ComPort >= 1 && p_.ComPort <= 4 ? p_.ComPort - 1 : 1);
  edit("EditTestFile")->setVisible(p_.CS100Link == 2);
  edit("EditTestFile")->setText(Q(ShortTestFileName(std::string(TextOf(p_.TestFileName)))));
}

void TParameters::RefreshFileNameLines() {
  const FileNameLines lines = FileNameLinesOf(p_);
  label("LabelNameVLA")->setText(Q(lines.photons));
  label("LabelNameVLT")->setText(Q(lines.log));
}

void TParameters::ApplyLock(bool locked) {
  for (auto* w : findChildren<QLineEdit*>()) w->setEnabled(!locked);
  for (auto* w : findChildren<QComboBox*>()) w->setEnabled(!locked);
  for (auto* w : findChildren<QRadioButton*>()) w->setEnabled(!locked);
  for (const char* name : {"UpDown3", "UpDownSimul", "UpDownDiscri", "UpDownBL", "UpDownWL"})
    findChild<QScrollBar*>(name)->setEnabled(!locked);
  findChild<QCheckBox*>("CheckBoxSeeSaw")->setEnabled(!locked);
  for (const char* name : {"ButtonPrefixT", "ButtonChangeDir", "ButtonCancel", "ButtonInhibShutter", "ButtonTHT0",
                           "ButtonTemp0", "ButtonMirror0", "ButtonInhibCL", "Button2", "ButtonCommand"})
    button(name)->setEnabled(!locked);
  button("ButtonDef")->setEnabled(!locked && combo("ComboBoxDef")->currentIndex() > 0);
  grid_->setEnabled(!locked);
  grid_->setStyleSheet(locked ? "QTableWidget { background: palette(button); }" : "");
  label("LabelLocked1")->setVisible(locked);
  label("LabelLocked2")->setVisible(locked);
  button("ButtonTHT")->setVisible(!locked);
}

void TParameters::ShowInstrumentGrid() {
  {
    Filling guard(filling_);
    if (!OnlyViewing()) SettleInstrumentBlock(p_, combo("ComboBoxSerial")->currentIndex() + 1);
    const auto rows = InstrumentGridRows(p_);
    for (int r = 0; r < static_cast<int>(rows.size()) && r < grid_->rowCount(); ++r) {
      grid_->setItem(r, 0, new QTableWidgetItem(Q(rows[r].first)));
      grid_->setItem(r, 1, new QTableWidgetItem(Q(rows[r].second)));
    }
    findChild<QScrollBar*>("UpDownDiscri")->setValue(p_.Discri);
    findChild<QScrollBar*>("UpDownBL")->setValue(p_.BlackLevel);
    findChild<QScrollBar*>("UpDownWL")->setValue(p_.WhiteLevel);
    label("LabelAxiom")->setText(AxiomBoardName(p_.AxiomBoard));
  }
  p_.RefreshMode = 2;
  ShowParameters(p_.RunState);
}

void TParameters::RefreshRemoteControls() {
  label("LabelShutter")->setText(Q(s_.shutterStateText));
  ShowThtLabels(ThtText(s_.thtSent), ThtText(s_.thtRead));
  if (s_.closeLoopWatch) ShowCloseLoop(s_.closeLoopActive ? "NOK" : "OK", s_.closeLoopActive != 0);
  else ShowCloseLoop("INHIB", true);
  if (p_.TemperatureInterface == 0)
    ShowTemperatureLabels(TemperatureText(kNoTemperature), TemperatureCommandText(kNoTemperature));
  ShowFiltersStatus(FiltersStatus(s_));
}

namespace {

QString StatusStyle(StatusColour colour) {
  switch (colour) {
    case StatusColour::Red: return "color: red";
    case StatusColour::Blue: return "color: blue";
    case StatusColour::Plain: break;
  }
  return "";
}

}  // namespace

void TParameters::ShowFiltersStatus(const FiltersStatusView& view) {
  label("LabelFilterNum")->setText(Q(view.filterNum));
  label("LabelFilter")->setText(Q(view.filterName));
  label("LabelMirror")->setText(Q(view.mirror));
  label("LabelMirror")->setStyleSheet(StatusStyle(view.mirrorColour));
  label("LabelLamp1")->setText(Q(view.lamp1));
  label("LabelLamp1")->setStyleSheet(StatusStyle(view.lamp1Colour));
  label("LabelLamp2")->setText(Q(view.lamp2));
  label("LabelLamp2")->setStyleSheet(StatusStyle(view.lamp2Colour));
}

void TParameters::ShowCurrentFilterName(const std::string& name) {
  if (p_.RunState == 1) return;  // a running plan's texts are not changed from here
  Filling guard(filling_);
  edit("EditFI")->setText(Q(name));
}

void TParameters::ShowThtLabels(const std::string& sent, const std::string& read) {
  label("THTSent")->setText(Q(sent));
  label("THTRead")->setText(Q(read));
}

void TParameters::ShowThtWarning(const std::string& text) {
  label("LabelTHTNoResponse")->setText(Q(text));
  label("LabelTHTNoResponse")->setVisible(!text.empty());
}

void TParameters::ShowScanOneChannel(bool shown) { label("Label1can")->setVisible(shown); }

std::optional<std::string> TParameters::ChannelCountText() { return edit("EditLz")->text().toStdString(); }

void TParameters::ShowShutterStatus(const std::string& text, std::int32_t, std::int32_t) {
  label("LabelShutter")->setText(Q(text));
}

void TParameters::ShowShutterClosedLabel(bool shown) { label("LabelShutterClosed")->setVisible(shown); }

void TParameters::ShowCloseLoop(const std::string& text, bool red) {
  label("LabelCloseLoop")->setText(Q(text));
  label("LabelCloseLoop")->setStyleSheet(red ? "color: red" : "color: blue");
}

void TParameters::ShowTemperatureLabels(const std::string& temperature, const std::string& command) {
  label("LabelTemperature")->setText(Q(temperature));
  label("LabelTemperatureCommand")->setText(Q(command));
}

// The handlers.

void TParameters::TypeClick(std::int32_t type) {
  if (p_.WindowReady != 1) return;
  const QString comment = edit("EditComment")->text(), pf = edit("EditPF")->text(), fi = edit("EditFI")->text();
  CollectParameters(true);
  SelectAcquisitionType(p_, type);
  p_.RefreshMode = 1;
  ShowParameters(p_.RunState);
  Filling guard(filling_);
  edit("EditComment")->setText(comment);
  edit("EditPF")->setText(pf);
  edit("EditFI")->setText(fi);
  displayType_ = DisplayTypeOf(type);
  if (type == kAcq3DCalibration) edit("EditLambda")->setText(edit("EditLambda3Dcalib")->text());
  if (type == kAcq3DObject) edit("EditLambda")->setText(edit("EditLambda3Dobj")->text());
  const bool analogic = type == kAcqAnalogicCalibration;
  if (analogic) {
    edit("EditMaxcycles")->setText("10");
    edit("EditTcan")->setText("1");
  }
  edit("EditTcan")->setVisible(!analogic);
  edit("EditStartcan")->setVisible(!analogic && type != kAcq2DImage);
  edit("EditStartcycle")->setVisible(!analogic && type != kAcq2DImage);
  label("MemoAnalogic")->setVisible(analogic);
  button("ButtonTHT")->setEnabled(!analogic);
}

void TParameters::SourceClick(std::int32_t source) {
  p_.Source = source;
  p_.RefreshMode = 2;
  ShowParameters(p_.RunState);
}

void TParameters::ScanningModeClick(std::int32_t mode) {
  p_.ScanningMode = mode;
  p_.RefreshMode = 2;
  ShowParameters(p_.RunState);
}

void TParameters::ParallelClick() {
  p_.CS100Link = 0;
  p_.CS100Interface = 0;
  p_.RefreshMode = 2;
  ShowInstrumentGrid();
}

void TParameters::SerialClick() {
  p_.CS100Link = 1;
  p_.CS100Interface = p_.ComPort;
  p_.RefreshMode = 2;
  ShowInstrumentGrid();
}

void TParameters::SerialPortChange(int entry) {
  p_.ComPort = entry + 1;
  p_.CS100Interface = p_.ComPort;
  ShowInstrumentGrid();
}

void TParameters::TestFileClick() {
  p_.CS100Link = 2;
  p_.RefreshMode = 2;
  ShowParameters(p_.RunState);
}

bool TParameters::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit("EditTestFile") && event->type() == QEvent::MouseButtonPress && edit("EditTestFile")->isEnabled()) {
    const QString chosen = QFileDialog::getSaveFileName(this, "CS100 test file", "Testfile.tmp");
    if (!chosen.isEmpty()) SetText(p_.TestFileName, chosen.toStdString());
    TestFileClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TParameters::IdentificationChange() {
  RebuildDataPath();
  CollectParameters(true);
  RefreshFileNameLines();
}

void TParameters::PlanChange() {
  CollectParameters(true);
  RefreshFileNameLines();
}

void TParameters::PrefixTestClick() {
  const std::int32_t number = TakeTestNumber(p_);
  {
    Filling guard(filling_);
    combo("ComboBoxPrefix")->setCurrentText("T");
    edit("EditNumobs")->setText(Q(Format("%3.3d", number)));
  }
  IdentificationChange();
}

void TParameters::ModeChange(int entry) {
  s_.tempFileMode = entry;
  WriteTempFileMode(entry);
}

void TParameters::ChangeDirClick() {
  if (!services_.chooseDirectory) return;
  std::string path = edit("EditPath")->text().toStdString();
  const std::string observation =
      combo("ComboBoxPrefix")->currentText().toStdString() + Format("%3.3d", LeadingInt(edit("EditNumobs")->text().toStdString()).value_or(0));
  services_.chooseDirectory(path, observation);
  Filling guard(filling_);
  edit("EditPath")->setText(Q(path));  // a rejected path stays shown, as it was typed
}

void TParameters::StartChoice(bool setThtZero) {
  if (setThtZero && services_.setThtZero) services_.setThtZero();
  widget("PanelStart")->hide();
  button("ButtonOK")->setEnabled(true);
  p_.StartWithTHT = setThtZero ? 0 : 1;
}

void TParameters::LoadDefinitionClick() {
  const int preset = combo("ComboBoxDef")->currentIndex();
  if (preset < 1 || preset > 9) return;
  label("LabelWait")->show();
  QCoreApplication::processEvents();
  std::string chosen;
  if (preset == 9) {
    chosen = QFileDialog::getOpenFileName(this, "DEF configuration file", Q(TextOf(p_.ProgramDir)),
                                          "Configuration file (*.def *.DEF)")
                 .toStdString();
    if (chosen.empty()) {
      label("LabelWait")->hide();
      return;
    }
  }
  const LoadOutcome outcome = LoadInstrumentDefinition(p_, preset, chosen);
  if (outcome.result == LoadResult::Applied) {
    ShowInstrumentGrid();
    findChild<QGroupBox*>("GroupBoxInstrument")->setTitle(Q(outcome.groupCaption));
    const int format = SettleAfterWindowLoad(p_);
    {
      Filling guard(filling_);
      combo("ComboBoxDataFormat")->setCurrentIndex(format);
    }
    p_.DataFormat = format;
    ShowInstrumentGrid();
    SaveParametersFile(p_);
    if (services_.checkDriverFiles) services_.checkDriverFiles();
  }
  label("LabelWait")->hide();
}

void TParameters::EndProgram(bool deleteWitness) {
  if (services_.endProgram) services_.endProgram(deleteWitness);
  ProgramEnded();  // only reached where the end of the process is recorded
}

void TParameters::ButtonCancelClick() {
  CollectParameters(true);
  SaveParametersFile(p_);
  startAcquisition_ = false;
  if (!s_.acquisitionStarted) {
    EndProgram(true);
    return;
  }
  // Back to the main window, whose Start writes this observation's files.
  if (p_.RunState != 1 && !ConfirmOverwrite()) return;
  s_.operatorAnswer = 1;
  done(QDialog::Rejected);
}

// The close box and Escape. Before any acquisition they end the program as "&Quit"
// does, the witness file included: no acquisition task runs any more.
void TParameters::reject() {
  SaveParametersFile(p_);
  if (!startAcquisition_ && !s_.acquisitionStarted) {
    EndProgram(true);
    return;
  }
  if (p_.RunState != 1 && p_.ViewOnly != kOpenedMarker && !ConfirmOverwrite()) return;
  QDialog::reject();
}

}  // namespace velmar
