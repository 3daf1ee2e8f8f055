#include "windows/analogic/TAnalogic.h"

#include <QApplication>
#include <algorithm>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "windows/common/widget_placing.h"
#include "windows/console/TWarningWindows.h"
#include "platform/format.h"
#include "platform/number_text.h"

namespace velmar {

namespace {

constexpr const char* kHelpNote =
    "How to choose the THT: successive frames are grabbed and added, and one frame has a depth of "
    "8 bits (256 values). No pixel of the brightest channel may reach 255 (saturation): the program "
    "does not test it. Recommended: first a scan with 1 frame per channel, then a look at the 3D file "
    "with the display program Vlm3D.";

}  // namespace

TAnalogic::TAnalogic(SharedState& shared, Grabber& grabber, InstrumentBoard& board, HighVoltage& highVoltage,
                     QWidget* parent)
    : QDialog(parent), shared_(shared), grabber_(grabber), board_(board), highVoltage_(highVoltage) {
  setObjectName("TAnalogic");
  setWindowTitle("VlmIPCS analogic calibration");
  setFixedSize(620, 512);
  Build();
  Connect();
  fileExist_ = new TFileExist(this);
}

void TAnalogic::Build() {
  auto* heading = Place(new QLabel("VlmIPCS rapid analogic calibration", this), "LabelTitle", QRect(10, 8, 600, 30));
  QFont big = heading->font();
  big.setPointSize(14);
  big.setBold(true);
  heading->setFont(big);
  heading->setAlignment(Qt::AlignCenter);

  struct Field {
    const char* label;
    const char* caption;
    const char* edit;
  };
  const Field fields[] = {{"LabelLz", "Nb of channels", "EditLz"},
                          {"LabelTHT", "THT (volts)", "EditTHT"},
                          {"LabelFrames", "Nb of frames for 1 channel", "EditFrames"},
                          {"LabelLx", "Image X size", "EditLx"},
                          {"LabelLy", "Image Y size", "EditLy"}};
  int y = 50;
  for (const Field& f : fields) {
    Place(new QLabel(f.caption, this), f.label, QRect(16, y, 180, 24));
    Place(new QLineEdit(this), f.edit, QRect(200, y, 80, 24));
    y += 30;
  }
  for (const char* name : {"EditLx", "EditLy"}) {
    edit(name)->setReadOnly(true);
    edit(name)->setStyleSheet("background-color: silver;");
  }
  Place(new QCheckBox("Allow THT edition", this), "CheckBoxTHT", QRect(296, 80, 200, 24));
  Place(new QLabel(this), "LabelCQG", QRect(296, 170, 200, 24));

  auto* ad3 = Place(new QRadioButton("Integrating into VL3 file (recommended)", this), "RadioButtonAD3",
                    QRect(16, 206, 590, 22));
  Place(new QRadioButton("Integrating into VL2 slice files (in case of memory size limitations)", this),
        "RadioButtonAD2", QRect(16, 230, 590, 22));
  ad3->setChecked(true);
  Place(new QLabel(this), "LabelFiles", QRect(16, 256, 590, 22));
  auto* init = Place(new QCheckBox("Initialize CS 100 before scanning", this), "CheckBoxInitCS100",
                     QRect(16, 284, 300, 22));
  init->setChecked(true);

  auto* help = Place(new QLabel(kHelpNote, this), "MemoHelp", QRect(16, 314, 588, 84));
  help->setWordWrap(true);
  help->setFrameShape(QFrame::StyledPanel);
  help->setMargin(6);

  Place(new QLabel(this), "LabelEtape", QRect(16, 406, 590, 24));
  progress_ = Place(new QProgressBar(this), "ProgressBar1", QRect(16, 434, 588, 20));
  Place(new QPushButton("E&xecute acquisition", this), "BitBtnExec", QRect(16, 468, 200, 32));
  Place(new QPushButton("&Cancel", this), "BitBtnCancel", QRect(232, 468, 130, 32));
  Place(new QPushButton("Quit", this), "ButtonQuit", QRect(474, 468, 130, 32));
}

void TAnalogic::Connect() {
  connect(findChild<QCheckBox*>("CheckBoxTHT"), &QCheckBox::clicked, this, [this] { CheckBoxTHTClick(); });
  connect(findChild<QRadioButton*>("RadioButtonAD3"), &QRadioButton::clicked, this, [this] { RadioButtonAD3Click(); });
  connect(findChild<QRadioButton*>("RadioButtonAD2"), &QRadioButton::clicked, this, [this] { RadioButtonAD2Click(); });
  connect(button("BitBtnExec"), &QPushButton::clicked, this, [this] { BitBtnExecClick(); });
  connect(button("BitBtnCancel"), &QPushButton::clicked, this, [this] { BitBtnCancelClick(); });
  connect(button("ButtonQuit"), &QPushButton::clicked, this, [this] { ButtonQuitClick(); });
}

AnalogicAnswer TAnalogic::Run() {
  answer_ = AnalogicAnswer::Cancel;
  exec();
  return answer_;
}

void TAnalogic::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TAnalogic::FormShow() {
  AcquisitionParameters& p = shared_.parameters;
  cancelRequest_ = 0;
  scanDone_ = false;
  tht_ = 0;
  edit("EditTHT")->setText("0");
  edit("EditLz")->setText(Q(Format("%d", p.Lz)));
  edit("EditLx")->setText(Q(Format("%d", p.StoredXSize)));
  edit("EditLy")->setText(Q(Format("%d", p.StoredYSize)));
  edit("EditFrames")->setText(Q(framesText_));
  // The THT is proposed, not editable, at each showing: the tube is in danger from it.
  findChild<QCheckBox*>("CheckBoxTHT")->setChecked(false);
  CheckBoxTHTClick();
  findChild<QRadioButton*>("RadioButtonAD3")->setChecked(true);
  RadioButtonAD3Click();
  if (const auto last = ReadAnalogicTht()) {
    tht_ = *last;
    edit("EditTHT")->setText(Q(Format("%d", *last)));
  }
  label("LabelEtape")->setText("");
  button("BitBtnExec")->show();
  button("BitBtnExec")->setEnabled(true);
  button("BitBtnCancel")->show();
  button("ButtonQuit")->hide();
  progress_->hide();
  label("LabelCQG")->setText(Q(AnalogicCqgLabel(p)));
  p.StartWithTHT = 1;  // the monitor probes no THT while this window drives it
  closedByFileExists_ = 0;
}

void TAnalogic::CheckBoxTHTClick() {
  const bool editable = findChild<QCheckBox*>("CheckBoxTHT")->isChecked();
  edit("EditTHT")->setReadOnly(!editable);
  edit("EditTHT")->setStyleSheet(editable ? "background-color: white;" : "background-color: silver;");
}

void TAnalogic::RadioButtonAD3Click() {
  output_ = AnalogicOutput::Cube;
  label("LabelFiles")->setText(Q(AnalogicFilesLabel(shared_.parameters, output_)));
}

void TAnalogic::RadioButtonAD2Click() {
  output_ = AnalogicOutput::Slices;
  label("LabelFiles")->setText(Q(AnalogicFilesLabel(shared_.parameters, output_)));
}

void TAnalogic::BitBtnExecClick() {
  if (scanning_) return;
  AcquisitionParameters& p = shared_.parameters;
  AcquisitionState& s = shared_.acquisition;
  AnalogicPlan plan;
  plan.tht = tht_;
  const AnalogicInputCheck check = CheckAnalogicInputs(
      {edit("EditLz")->text().toStdString(), edit("EditTHT")->text().toStdString(),
       edit("EditFrames")->text().toStdString()},
      plan);
  if (check.channelsCorrected) edit("EditLz")->setText("24");
  if (check.thtCorrected) edit("EditTHT")->setText("0");
  if (check.framesCorrected) edit("EditFrames")->setText("1");
  framesText_ = edit("EditFrames")->text().toStdString();
  if (check.refused) return;
  plan = check.plan;
  plan.output = output_;
  plan.initialiseCs100 = findChild<QCheckBox*>("CheckBoxInitCS100")->isChecked();
  tht_ = plan.tht;
  p.Lz = s.Lz = plan.channels;

  WriteAnalogicTht(plan.tht);
  highVoltage_.SetTHT(plan.tht);
  p.AcqType = kAcqAnalogicCalibration;
  progress_->setRange(0, std::max(0, plan.channels - 1));
  progress_->setValue(0);
  progress_->show();

  if (!services_.link) return;
  AnalogicCalibration calibration(p, s, {grabber_, board_, *services_.link, highVoltage_}, *this);
  const auto overwrite = [this, &s](const std::string& path) {
    // A window closed without an answer keeps the file.
    s.operatorAnswer = 1;
    const std::size_t dot = path.rfind('.');
    fileExist_->Ask(path.substr(0, dot), path.substr(dot + 1), s.operatorAnswer);
    return s.operatorAnswer == 0;
  };
  const AnalogicLog log = calibration.WriteLog(plan, overwrite, ProcessClock().Now());
  if (log == AnalogicLog::Refused) {
    closedByFileExists_ = 1;
    answer_ = AnalogicAnswer::BackToParameters;
    done(QDialog::Rejected);
    return;
  }
  if (log == AnalogicLog::Failed) return;

  // The parameters window's set, with this window's number of channels.
  if (services_.collectParameters) services_.collectParameters();
  p.Lz = s.Lz = LeadingInt(edit("EditLz")->text().toStdString()).value_or(plan.channels);
  plan.channels = p.Lz;
  scanning_ = true;
  button("BitBtnExec")->setEnabled(false);
  const AnalogicOutcome outcome = calibration.Scan(plan);
  scanning_ = false;
  button("BitBtnExec")->setEnabled(true);
  if (outcome == AnalogicOutcome::Cancelled) {
    EndCancelled();
  } else if (outcome == AnalogicOutcome::Completed) {
    scanDone_ = true;
    button("BitBtnExec")->hide();
    button("BitBtnCancel")->hide();
    button("ButtonQuit")->show();
  }
}

bool TAnalogic::CancelRequested() {
  QCoreApplication::processEvents();
  return cancelRequest_ != 0;
}

void TAnalogic::BitBtnCancelClick() {
  cancelRequest_ = 1;
  // A scan in progress stops at its next channel and closes the window once it has
  // cleaned up.
  if (!scanning_) EndCancelled();
}

void TAnalogic::EndCancelled() {
  highVoltage_.SetTHT(0);
  ShowIdleBanner(grabber_);
  answer_ = AnalogicAnswer::Cancel;
  done(QDialog::Rejected);
}

void TAnalogic::ButtonQuitClick() {
  highVoltage_.SetTHT(0);
  if (services_.safeStop) services_.safeStop();
  answer_ = AnalogicAnswer::Quit;
  done(QDialog::Accepted);
}

void TAnalogic::reject() {
  // After a scan only "Quit" is offered; the close box does what it does.
  if (scanDone_) ButtonQuitClick();
  else BitBtnCancelClick();
}

void TAnalogic::ShowStep(const std::string& text) {
  label("LabelEtape")->setText(Q(text));
  label("LabelEtape")->repaint();
}

void TAnalogic::ShowChannel(std::int32_t index, std::int32_t position) {
  progress_->setValue(index);
  ShowStep(Format("Acquiring channel  # %d  [CS100 position=%d]", index + 1, position));
}

QLineEdit* TAnalogic::edit(const char* name) const { return findChild<QLineEdit*>(name); }
QPushButton* TAnalogic::button(const char* name) const { return findChild<QPushButton*>(name); }
QLabel* TAnalogic::label(const char* name) const { return findChild<QLabel*>(name); }

}  // namespace velmar
