#include "windows/console/TDeferredStop.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/qt/message_window.h"
#include "platform/qt/number_edit.h"

namespace velmar {

namespace {

QRadioButton* Radio(const char* name, const QString& text, QWidget* parent) {
  auto* r = new QRadioButton(text, parent);
  r->setObjectName(name);
  return r;
}

}  // namespace

TDeferredStop::TDeferredStop(QWidget* parent) : QDialog(parent) {
  setObjectName("TDeferredStop");
  setWindowTitle("Velmar requested stop");
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Requested further stop of the acquisition", "Label1", this));
  for (const char* name : {"Label2", "Label4"}) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignHCenter);
    layout->addWidget(l);
  }
  layout->addWidget(Radio("RadioButtonChannel", "Stop at the end of the current channel", this));
  layout->addWidget(Radio("RadioButtonNextCycle", "Stop at the end of the current cycle", this));
  auto* cycleRow = new QHBoxLayout;
  auto* endOfCycle = Radio("RadioButtonCycle", "Stop at the end of cycle", this);
  cycleRow->addWidget(endOfCycle);
  AddNumberEdit(this, cycleRow, "EditCycle", "UpDownCycle", [endOfCycle] { endOfCycle->setChecked(true); });
  cycleRow->addStretch();
  layout->addLayout(cycleRow);
  auto* fullRow = new QHBoxLayout;
  auto* full = Radio("RadioButtonFull", "Stop at     channel", this);
  fullRow->addWidget(full);
  const auto pickFull = [full] { full->setChecked(true); };
  AddNumberEdit(this, fullRow, "EditChannelFull", "UpDownChannelFull", pickFull);
  fullRow->addWidget(new QLabel("cycle", this));
  AddNumberEdit(this, fullRow, "EditCycleFull", "UpDownCycleFull", pickFull);
  fullRow->addStretch();
  layout->addLayout(fullRow);

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton("&OK", this);
  ok->setObjectName("BitBtn1");
  ok->setDefault(true);
  auto* cancel = new QPushButton("&Cancel", this);
  cancel->setObjectName("BitBtn2");
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, [this] { Ok(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
}

void TDeferredStop::Fill(const DeferredStopView& view) {
  findChild<QLabel*>("Label2")->setText(QString::fromStdString(view.label2));
  findChild<QLabel*>("Label4")->setText(QString::fromStdString(view.label4));
  findChild<QLineEdit*>("EditCycle")->setText(QString::fromStdString(view.editCycle));
  findChild<QLineEdit*>("EditChannelFull")->setText(QString::fromStdString(view.editChannelFull));
  findChild<QLineEdit*>("EditCycleFull")->setText(QString::fromStdString(view.editCycleFull));
  findChild<QRadioButton*>("RadioButtonNextCycle")->setChecked(true);
}

DeferredStopChoice TDeferredStop::Choice() const {
  if (findChild<QRadioButton*>("RadioButtonChannel")->isChecked()) return DeferredStopChoice::EndOfCurrentChannel;
  if (findChild<QRadioButton*>("RadioButtonCycle")->isChecked()) return DeferredStopChoice::EndOfCycle;
  if (findChild<QRadioButton*>("RadioButtonFull")->isChecked()) return DeferredStopChoice::ChannelAndCycle;
  return DeferredStopChoice::EndOfCurrentCycle;
}

DeferredStopEdits TDeferredStop::Edits() const {
  return {findChild<QLineEdit*>("EditCycle")->text().toStdString(),
          findChild<QLineEdit*>("EditChannelFull")->text().toStdString(),
          findChild<QLineEdit*>("EditCycleFull")->text().toStdString()};
}

void TDeferredStop::Ok() {
  if (answer_)
    if (const auto error = answer_(Choice(), Edits())) {
      ShowError(error->line1, error->line2, error->line3);
      return;
    }
  accept();
}

void TDeferredStop::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  raise();
}

}  // namespace velmar
