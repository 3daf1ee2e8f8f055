#include "windows/console/TSuspended.h"

#include <QCheckBox>
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

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TSuspended::TSuspended(QWidget* parent) : QDialog(parent) {
  setObjectName("TSuspended");
  setWindowTitle("Velmar acquisition suspension");
  setModal(true);
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeHeading("Velmar suspension of the acquisition", "Label1", this));
  auto* suspended = new QLabel("The photon counting acquisition was suspended", this);
  suspended->setObjectName("Label2");
  suspended->setAlignment(Qt::AlignHCenter);
  layout->addWidget(suspended);
  for (const char* name : {"Label3", "Label4"}) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    l->setAlignment(Qt::AlignHCenter);
    layout->addWidget(l);
  }
  auto* mark = new QLabel(" suspended !", this);
  mark->setObjectName("Label5");
  mark->setAlignment(Qt::AlignHCenter);
  layout->addWidget(mark);

  auto* lastChannel = new QRadioButton(this);
  lastChannel->setObjectName("RadioButtonChannel");
  auto* lastCycle = new QRadioButton(this);
  lastCycle->setObjectName("RadioButtonCycle");
  layout->addWidget(lastChannel);
  layout->addWidget(lastCycle);
  auto* row = new QHBoxLayout;
  auto* chosen = new QRadioButton("Redo channel", this);
  chosen->setObjectName("RadioButtonChannelAndCycle");
  row->addWidget(chosen);
  const auto pick = [chosen] { chosen->setChecked(true); };
  channel_ = AddNumberEdit(this, row, "EditChannel", "UpDownChannel", pick);
  row->addWidget(new QLabel("at cycle", this));
  cycle_ = AddNumberEdit(this, row, "EditCycle", "UpDownCycle", pick);
  row->addStretch();
  layout->addLayout(row);
  auto* quit = new QRadioButton("Abort definitively acquisition", this);
  quit->setObjectName("RadioButtonQuit");
  layout->addWidget(quit);

  auto* instrument = new QHBoxLayout;
  auto* closeShutter = Button("Button1", "Close shutter", this);
  auto* openShutter = Button("Button2", "Open shutter", this);
  auto* tune = Button("ButtonTuneTHT", "Tune THT", this);
  auto* filters = Button("Button3", "Select filters / mirror / lamp", this);
  for (auto* b : {closeShutter, openShutter, tune, filters}) instrument->addWidget(b);
  layout->addLayout(instrument);
  connect(closeShutter, &QPushButton::clicked, this, [this] {
    if (actions_.commandShutter) actions_.commandShutter(1);
  });
  connect(openShutter, &QPushButton::clicked, this, [this] {
    if (actions_.commandShutter) actions_.commandShutter(0);
  });
  connect(tune, &QPushButton::clicked, this, [this] {
    SetStayOnTop(false);
    if (actions_.tuneTHT) actions_.tuneTHT();
    SetStayOnTop(findChild<QCheckBox*>("CheckBoxStayOnTop")->isChecked());
  });
  connect(filters, &QPushButton::clicked, this, [this] {
    if (actions_.selectFilters) actions_.selectFilters();
  });

  auto* bottom = new QHBoxLayout;
  auto* onTop = new QCheckBox("this window always in front", this);
  onTop->setObjectName("CheckBoxStayOnTop");
  onTop->setChecked(true);
  connect(onTop, &QCheckBox::toggled, this, [this](bool on) {
    SetStayOnTop(on);
    move(0, 0);
  });
  auto* go = new QPushButton("&Continue", this);
  go->setObjectName("BitBtn1");
  go->setDefault(true);
  connect(go, &QPushButton::clicked, this, [this] { Continue(); });
  bottom->addWidget(onTop);
  bottom->addStretch();
  bottom->addWidget(go);
  layout->addLayout(bottom);
  SetActions({});
}

void TSuspended::SetActions(Actions actions) {
  actions_ = std::move(actions);
  findChild<QPushButton*>("ButtonTuneTHT")->setEnabled(static_cast<bool>(actions_.tuneTHT));
  findChild<QPushButton*>("Button3")->setEnabled(static_cast<bool>(actions_.selectFilters));
}

void TSuspended::Fill(const SuspensionView& view) {
  findChild<QLabel*>("Label3")->setText(QString::fromStdString(view.label3));
  findChild<QLabel*>("Label4")->setText(QString::fromStdString(view.label4));
  findChild<QRadioButton*>("RadioButtonChannel")->setText(QString::fromStdString(view.channelCaption));
  findChild<QRadioButton*>("RadioButtonCycle")->setText(QString::fromStdString(view.cycleCaption));
  channel_->setText(QString::fromStdString(view.editChannel));
  cycle_->setText(QString::fromStdString(view.editCycle));
  findChild<QRadioButton*>("RadioButtonChannel")->setChecked(true);
}

SuspensionChoice TSuspended::Choice() const {
  if (findChild<QRadioButton*>("RadioButtonCycle")->isChecked()) return SuspensionChoice::RedoLastCycle;
  if (findChild<QRadioButton*>("RadioButtonChannelAndCycle")->isChecked()) return SuspensionChoice::RedoChannelAndCycle;
  if (findChild<QRadioButton*>("RadioButtonQuit")->isChecked()) return SuspensionChoice::Quit;
  return SuspensionChoice::RedoLastChannel;
}

void TSuspended::Continue() {
  if (actions_.answer)
    if (const auto error = actions_.answer(Choice(), channel_->text().toStdString(), cycle_->text().toStdString())) {
      ShowError(error->line1, error->line2, error->line3);
      return;
    }
  accept();
}

void TSuspended::SetStayOnTop(bool onTop) {
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  if (visible) show();
}

void TSuspended::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  move(500, 280);
  raise();
}

}  // namespace velmar
