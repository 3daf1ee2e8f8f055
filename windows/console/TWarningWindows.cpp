#include "windows/console/TWarningWindows.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/format.h"
#include "platform/qt/message_window.h"

namespace velmar {

namespace {

void Prepare(QDialog& window, const char* name, const char* caption) {
  window.setObjectName(name);
  window.setWindowTitle(caption);
  window.setWindowFlags(window.windowFlags() | Qt::WindowStaysOnTopHint);
  window.setModal(true);
}

QLabel* AddLine(QVBoxLayout* layout, QWidget* parent, const QString& text, const char* name = "") {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  layout->addWidget(label);
  return label;
}

QPushButton* AddButton(QHBoxLayout* row, QWidget* parent, const QString& text, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  row->addWidget(button);
  return button;
}

}  // namespace

TWarningAcquire::TWarningAcquire(QWidget* parent) : QDialog(parent) {
  Prepare(*this, "TWarningAcquire", "Vlm warning");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Warning !", "Label1", this));
  AddLine(layout, this, "You have still a major warning in the box \"To solve before acquisition\" !", "Label2");
  AddLine(layout, this, "This could be a big problem...", "Label3");
  AddLine(layout, this, "Dangerous !", "Label4");
  AddLine(layout, this, "Strongly suggested", "Label5");
  auto* row = new QHBoxLayout;
  auto* back = AddButton(row, this, "&Back to parameters", "ButtonBack");
  auto* bypass = AddButton(row, this, "&Bypass and acquire", "ButtonBypass");
  back->setDefault(true);
  layout->addLayout(row);
  connect(back, &QPushButton::clicked, this, [this] {
    answer_ = 1;
    accept();
  });
  connect(bypass, &QPushButton::clicked, this, [this] {
    answer_ = 0;
    accept();
  });
}

std::int32_t TWarningAcquire::Ask() {
  answer_ = 1;
  exec();
  return answer_;
}

TWarningBeforeIntegration::TWarningBeforeIntegration(QWidget* parent) : QDialog(parent) {
  Prepare(*this, "TWarningBeforeIntegration", "VlmIPCS warning");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Warning !", "Label1", this));
  line_ = AddLine(layout, this, "", "Label2");
  auto* row = new QHBoxLayout;
  auto* integrate = AddButton(row, this, "&Integrate", "ButtonIntegrate");
  auto* back = AddButton(row, this, "&Return to parameters", "ButtonReturn");
  back->setDefault(true);
  integrate->hide();  // the parameters must be completed first
  layout->addLayout(row);
  connect(back, &QPushButton::clicked, this, &QDialog::accept);
}

void TWarningBeforeIntegration::Show(const std::string& line) {
  line_->setText(QString::fromStdString(line));
  adjustSize();
  exec();
}

TQuestionObturateur::TQuestionObturateur(std::function<void()> openShutter, QWidget* parent)
    : QDialog(parent), openShutter_(std::move(openShutter)) {
  Prepare(*this, "TQuestionObturateur", "VlmIPCS shutter closed ?");
  auto* layout = new QVBoxLayout(this);
  first_ = MakeHeading("", "Label1", this);
  layout->addWidget(first_);
  status_ = AddLine(layout, this, "", "LabelStatus");
  AddLine(layout, this, "If the shutter as some failure, simply press the \"Inhib\" button in front of the ");
  AddLine(layout, this, "shutter value in the \"Base default instrument parameters\" list of the Parameters ");
  AddLine(layout, this, "window : the shutter will be inhibited (0 value)...");
  auto* row = new QHBoxLayout;
  open_ = AddButton(row, this, "Open shutter and integrate", "ButtonOpen");
  auto* back = AddButton(row, this, "Return to parameters", "ButtonReturn");
  auto* nevertheless = AddButton(row, this, "Integrate nevertheless", "ButtonIntegrate");
  back->setDefault(true);
  layout->addLayout(row);
  connect(open_, &QPushButton::clicked, this, [this] {
    if (openShutter_) openShutter_();
    *answer_ = 0;
    accept();
  });
  connect(back, &QPushButton::clicked, this, [this] {
    *answer_ = 1;
    accept();
  });
  connect(nevertheless, &QPushButton::clicked, this, [this] {
    *answer_ = 2;
    accept();
  });
}

void TQuestionObturateur::Ask(std::int32_t shutterSystem, std::int32_t status, std::int32_t& operatorAnswer) {
  answer_ = &operatorAnswer;
  const bool inhibited = status == 4;
  first_->setText(inhibited ? "Warning ! The shutter is inhibited ..." : "Warning ! The shutter seems not to be open ...");
  status_->setText(QString::fromStdString(Format("Mode = %d     Status = %d", shutterSystem, status)));
  open_->setEnabled(!inhibited);  // an inhibited shutter cannot be opened from here
  adjustSize();
  exec();
}

TFileExist::TFileExist(QWidget* parent) : QDialog(parent) {
  Prepare(*this, "TFileExist", "Vlm warning");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Warning ! observation data already exist !", "Label1", this));
  file_ = AddLine(layout, this, "", "Label2");
  AddLine(layout, this, "Overwrite ?", "Label3");
  auto* row = new QHBoxLayout;
  auto* yes = AddButton(row, this, "&Yes, overwrite", "ButtonYes");
  auto* no = AddButton(row, this, "&No, go back to parameters", "ButtonNo");
  yes->setDefault(true);
  layout->addLayout(row);
  connect(yes, &QPushButton::clicked, this, [this] {
    *answer_ = 0;
    accept();
  });
  connect(no, &QPushButton::clicked, this, [this] {
    *answer_ = 1;
    accept();
  });
}

void TFileExist::Ask(const std::string& name, const std::string& extension, std::int32_t& operatorAnswer) {
  answer_ = &operatorAnswer;
  file_->setText(QString::fromStdString(Format("The file %s.%s already exists.", name.c_str(), extension.c_str())));
  adjustSize();
  exec();
}

TWarningTHT::TWarningTHT(std::function<void()> setThtZero, QWidget* parent)
    : QDialog(parent), setThtZero_(std::move(setThtZero)) {
  Prepare(*this, "TWarningTHT", "Warning THT");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Warning ! THT is not set to zero volts", "Label1", this));
  AddLine(layout, this, "You want to quit the program but the last THT setting was", "Label2");
  tht_ = MakeHeading("", "LabelTHT", this);
  layout->addWidget(tht_);
  AddLine(layout, this, "volts", "Label3");
  AddLine(layout, this, "Even if you quit this program, THT will not be changed", "Label4");
  AddLine(layout, this, "(in order to make another exposure with the same THT, for instance)", "Label5");
  AddLine(layout, this, "But you may also forget to set THT to zero.", "Label6");
  AddLine(layout, this, "Note : shutter has been automatically closed for safety", "Label7");
  auto* row = new QHBoxLayout;
  auto* zero = AddButton(row, this, "Set THT to zero and quit the program", "ButtonZero");
  keep_ = AddButton(row, this, "Quit the program without changing THT", "ButtonKeep");
  zero->setDefault(true);
  layout->addLayout(row);
  enable_ = new QCheckBox("Enable this button", this);
  enable_->setObjectName("CheckBoxTHT");
  layout->addWidget(enable_, 0, Qt::AlignRight);
  connect(enable_, &QCheckBox::toggled, keep_, &QPushButton::setEnabled);
  connect(zero, &QPushButton::clicked, this, [this] {
    if (setThtZero_) setThtZero_();
    done_ = true;
    accept();
  });
  connect(keep_, &QPushButton::clicked, this, [this] {
    done_ = true;
    accept();
  });
}

void TWarningTHT::Warn(std::int32_t thtSent) {
  if (done_) return;
  tht_->setText(QString::fromStdString(Format("%5.5d", thtSent)));
  enable_->setChecked(false);
  keep_->setEnabled(false);
  adjustSize();
  exec();
}

void TWarningTHT::reject() {}

}  // namespace velmar
