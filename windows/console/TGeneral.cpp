#include "windows/console/TGeneral.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "windows/common/widget_placing.h"
#include "engine/inline_panels.h"
#include "engine/statistics.h"
#include "params/fixed_text.h"
#include "platform/format.h"

namespace velmar {

namespace {
constexpr int kWidth = 904;

QString Colour(const Rgb& c) { return QString("rgb(%1, %2, %3)").arg(c.r).arg(c.g).arg(c.b); }

// An up-down arrow beside a read-only edit: a small vertical scroll bar.
QScrollBar* MakeUpDown(QWidget* parent, const char* name, int maximum, QRect where) {
  auto* upDown = new QScrollBar(Qt::Vertical, parent);
  upDown->setObjectName(name);
  upDown->setRange(0, maximum);
  upDown->setInvertedAppearance(true);
  upDown->setInvertedControls(false);
  upDown->setGeometry(where);
  return upDown;
}
}  // namespace

TGeneral::TGeneral(SharedState& shared, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), shared_(shared) {
  setObjectName("TGeneral");
  setWindowTitle(Q(Format("Velmar photon counting task     %s", kVersionText)));
  QFont small = font();
  small.setPointSize(8);
  setFont(small);
  setFixedWidth(kWidth);
  BuildStatus();
  BuildFigures();
  BuildCommands();
  BuildTvLevels();
  BuildCyclesAndInstrument();
  BuildPanels();
  Connect();
  SetWindowHeight(kHeightNoPanel);
  ShowCountingStateView(ViewOf(CountingState::Standby, shared_.parameters.AcqType, shared_.parameters.Source));
  RefreshParameterLabels();
  ResetShutterControl();
  SetStandbyButtons(false);
  move(575, 22);
}

QLabel* TGeneral::MakeLabel(QWidget* parent, const char* name, const QString& text, QRect where, Qt::Alignment align) {
  auto* l = new QLabel(text, parent);
  if (name && *name) l->setObjectName(name);
  l->setGeometry(where);
  l->setAlignment(align | Qt::AlignVCenter);
  return l;
}

QPushButton* TGeneral::MakeButton(QWidget* parent, const char* name, const QString& text, QRect where,
                                  const QString& hint) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setGeometry(where);
  if (!hint.isEmpty()) b->setToolTip(hint);
  return b;
}

QGroupBox* TGeneral::MakeGroup(const char* name, const QString& title, QRect where) {
  auto* g = new QGroupBox(title, this);
  if (name && *name) g->setObjectName(name);
  g->setGeometry(where);
  return g;
}

QLabel* TGeneral::label(const char* name) const { return findChild<QLabel*>(name); }
QPushButton* TGeneral::button(const char* name) const { return findChild<QPushButton*>(name); }

void TGeneral::BuildStatus() {
  auto* status = MakeGroup("GroupBoxStatus", "", QRect(4, 2, 210, 86));
  MakeLabel(status, "Label99", "Photon counting status", QRect(8, 6, 194, 14), Qt::AlignHCenter);
  auto* state = MakeLabel(status, "CountingState", "", QRect(36, 22, 137, 20), Qt::AlignHCenter);
  QFont bold = state->font();
  bold.setBold(true);
  bold.setPointSize(10);
  state->setFont(bold);
  MakeLabel(status, "LabelWriting", "", QRect(6, 46, 198, 14), Qt::AlignHCenter);
  MakeLabel(status, "LabelDeferred", "", QRect(36, 64, 137, 14), Qt::AlignHCenter);
}

void TGeneral::BuildFigures() {
  auto* instant = MakeGroup("GroupBoxInstantaneous", " Instantaneous ", QRect(4, 90, 210, 78));
  const char* names[3] = {"InstantPhotons", "InstantFrames", "InstantEfficiency"};
  const char* captions[3] = {"photons/s", "frames/s", "count. efficiency"};
  for (int i = 0; i < 3; ++i) {
    MakeLabel(instant, "", captions[i], QRect(8, 16 + 19 * i, 110, 16));
    MakeLabel(instant, names[i], "0", QRect(118, 16 + 19 * i, 84, 16), Qt::AlignRight);
  }
  auto* cumulated = MakeGroup("GroupBoxCumulated", " Cumulated ", QRect(4, 170, 210, 90));
  MakeLabel(cumulated, "", "exposure time", QRect(8, 15, 110, 15));
  MakeLabel(cumulated, "CumulExposure", "00:00:00", QRect(118, 15, 84, 15), Qt::AlignRight);
  MakeLabel(cumulated, "", "total nb photons", QRect(8, 32, 90, 15));
  MakeLabel(cumulated, "CumulPhotons2", "000000", QRect(100, 32, 50, 15), Qt::AlignRight);
  MakeLabel(cumulated, "CumulPhotons1", "000000", QRect(152, 32, 50, 15), Qt::AlignRight);
  MakeLabel(cumulated, "", "written on disk", QRect(8, 49, 100, 15));
  MakeLabel(cumulated, "CumulDisk", "0000000.0 Mb", QRect(108, 49, 94, 15), Qt::AlignRight);
  MakeLabel(cumulated, "", "total counting efficiency", QRect(8, 66, 140, 15));
  MakeLabel(cumulated, "CumulEfficiency", "", QRect(150, 66, 52, 15), Qt::AlignRight);
  // The end-of-acquisition buttons, large, over the statistics.
  auto* newAcq = MakeButton(this, "ButtonNewAcq", "New acquisition", QRect(8, 96, 202, 76));
  auto* newEnd = MakeButton(this, "ButtonNewEnd", "Quit application", QRect(8, 178, 202, 76));
  QFont big = newAcq->font();
  big.setPointSize(12);
  big.setBold(true);
  newAcq->setFont(big);
  newEnd->setFont(big);
  newAcq->hide();
  newEnd->hide();
}

void TGeneral::BuildCommands() {
  // The right column holds the longer captions ("Request deferred stop").
  const int x0 = 220, w = 106, x1 = x0 + w + 4, w1 = 142;
  MakeButton(this, "ButtonStart", "Start", QRect(x0, 6, w, 24), "Start acquisition");
  MakeButton(this, "ButtonAbort", "Abort and Quit", QRect(x1, 6, w1, 24),
             "Abort acquisition immediately and quit this program");
  MakeButton(this, "ButtonSuspend", "Suspend", QRect(x0, 32, w, 24), "Suspend acquisition immediately");
  MakeButton(this, "ButtonArret", "Request deferred stop", QRect(x1, 32, w1, 24),
             "Request the stop of the acquisition at the end of a given cycle and/or a given channel");
  MakeButton(this, "ButtonLog", "Write on logbk", QRect(x0, 58, w, 24));
  MakeButton(this, "ButtonDisplayLog", "Display logbook", QRect(x1, 58, w1, 24));
  MakeButton(this, "ButtonDisplay", "See parameters", QRect(x0, 84, w, 24));
  MakeButton(this, "ButtonPrint", "Print window", QRect(x1, 84, w1, 24), "Print this window at it is now");
  // The handset's button stands under the temperature, where the row is free; the
  // always-in-front box takes the whole row under the commands.
  MakeButton(this, "ButtonFilters", "Filters / mirror", QRect(708, 198, 190, 26));
  // The photon cube of the observation, once it has one (from Start on).
  MakeButton(this, "ButtonDataCube", "Data cube", QRect(708, 230, 190, 26),
             "The image of each channel and the spectra of the photons counted so far");
  button("ButtonDataCube")->setEnabled(false);
  auto* onTop = new QCheckBox("this window always in front", this);
  onTop->setObjectName("CheckBoxStayOnTop");
  onTop->setGeometry(x0, 110, x1 + w1 - x0, 24);
  onTop->setChecked(true);
}

void TGeneral::BuildTvLevels() {
  auto* tv = MakeGroup("GroupBoxTV", " TV parameters ", QRect(220, 136, 252, 124));
  struct Row {
    const char *caption, *edit, *upDown, *defaults;
  } rows[3] = {{"Discri", "EditSeuil", "UpDownSeuil", "LabelDiscri"},
               {"Black lvl", "EditBL", "UpDownBL", "LabelBL"},
               {"White lvl", "EditWL", "UpDownWL", "LabelWL"}};
  for (int i = 0; i < 3; ++i) {
    const int y = 16 + 26 * i;
    MakeLabel(tv, "", rows[i].caption, QRect(8, y, 60, 22));
    auto* edit = new QLineEdit(tv);
    edit->setObjectName(rows[i].edit);
    edit->setReadOnly(true);
    edit->setGeometry(70, y, 44, 22);
    MakeUpDown(tv, rows[i].upDown, 255, QRect(114, y, 14, 22));
    MakeLabel(tv, rows[i].defaults, "", QRect(134, y, 70, 22));
  }
  auto* access = new QCheckBox("allow modification", tv);
  access->setObjectName("CheckBoxAccessTV");
  access->setGeometry(8, 96, 150, 22);
  MakeButton(tv, "ButtonRemanence", "R4", QRect(200, 94, 40, 24));
}

void TGeneral::BuildCyclesAndInstrument() {
  auto* cycles = MakeGroup("GroupBoxCyclesChannels", " Cycles and channels ", QRect(476, 2, 226, 128));
  struct Row {
    const char *caption, *current, *total;
  } rows[3] = {{"current channel", "LabelCurrentCan", "LabelNbcan"},
               {"current cycle", "LabelCurrentCycle", "LabelMaxiCycles"},
               {"channel exposure", "LabelCurrentTCan", "LabelTcan"}};
  for (int i = 0; i < 3; ++i) {
    MakeLabel(cycles, "", rows[i].caption, QRect(8, 16 + 17 * i, 104, 15));
    MakeLabel(cycles, rows[i].current, "", QRect(112, 16 + 17 * i, 48, 15), Qt::AlignRight);
    MakeLabel(cycles, rows[i].total, "", QRect(164, 16 + 17 * i, 54, 15), Qt::AlignRight);
  }
  MakeLabel(cycles, "", "scanning wavelength", QRect(8, 67, 128, 15));
  MakeLabel(cycles, "LabelLambda", "", QRect(136, 67, 82, 15), Qt::AlignRight);
  MakeLabel(cycles, "", "Queensgate constant", QRect(8, 84, 128, 15));
  MakeLabel(cycles, "LabelCqg", "", QRect(136, 84, 82, 15), Qt::AlignRight);
  MakeLabel(cycles, "LabelSens", "", QRect(8, 102, 210, 16), Qt::AlignHCenter);

  auto* identification = MakeGroup("PanelIdentification", "", QRect(476, 132, 226, 28));
  MakeLabel(identification, "", "Velmar", QRect(8, 4, 60, 20));
  auto* id = MakeLabel(identification, "LabelIdentification", "", QRect(70, 4, 134, 20), Qt::AlignRight);
  QFont bold = id->font();
  bold.setBold(true);
  bold.setPointSize(11);
  id->setFont(bold);
  MakeLabel(this, "LabelCCIR", "", QRect(480, 160, 220, 14));

  auto* tht = MakeGroup("GroupBoxTHT", " THT intensifier ", QRect(476, 174, 226, 46));
  MakeLabel(tht, "LabelTHT", "", QRect(8, 18, 90, 20));
  auto* stop = MakeButton(tht, "BitBtnTHTStop", "THT stop", QRect(118, 16, 100, 24), "Set IMMEDIATELY the THT at 0 volts");
  stop->setStyleSheet("background: rgb(255, 0, 0); color: white; font-weight: bold;");

  auto* system = MakeGroup("GroupBoxSystem", " System priorities ", QRect(476, 220, 226, 40));
  MakeLabel(system, "", "Counting", QRect(6, 16, 50, 16));
  MakeLabel(system, "LabelPrioComptage", "", QRect(58, 16, 44, 16));
  MakeLabel(system, "", "Storing", QRect(106, 16, 42, 16));
  MakeLabel(system, "LabelPrioStorage", "", QRect(150, 16, 36, 16));
  MakeLabel(system, "LabelSysteme", "", QRect(186, 16, 34, 16), Qt::AlignRight);

  auto* shutter = MakeGroup("GroupBoxShutter", " Shutter ", QRect(706, 2, 194, 128));
  MakeLabel(shutter, "LabelShutter", "", QRect(8, 16, 178, 18), Qt::AlignHCenter);
  auto* automatic = new QCheckBox("automatic from photon rate", shutter);
  automatic->setObjectName("CheckBoxShutter");
  automatic->setGeometry(8, 36, 182, 20);
  automatic->setChecked(true);
  auto* limit = new QLineEdit(shutter);
  limit->setObjectName("EditShutter");
  limit->setGeometry(8, 60, 70, 22);
  MakeUpDown(shutter, "UpDownShutter", 32000, QRect(78, 60, 14, 22));
  MakeLabel(shutter, "", "max ph/s", QRect(98, 60, 64, 22));
  MakeButton(shutter, "BitBtnOpen", "open", QRect(8, 94, 84, 24));
  MakeButton(shutter, "BitBtnClose", "close", QRect(100, 94, 84, 24));

  auto* temperature = MakeGroup("GroupBoxTemperature", "Temperature", QRect(706, 132, 194, 60));
  MakeLabel(temperature, "LabelTemperature", "- - -", QRect(8, 18, 178, 16), Qt::AlignHCenter);
  MakeLabel(temperature, "LabelTemperatureCommand", "No command", QRect(8, 36, 178, 16), Qt::AlignHCenter);
}

void TGeneral::BuildPanels() {
  auto* alarm = new QWidget(this);
  alarm->setObjectName("PanelAlarm");
  alarm->setGeometry(0, kHeightNoPanel, kWidth, kHeightAlarmPanel - kHeightNoPanel);
  alarm->setAutoFillBackground(true);
  alarm->setStyleSheet("#PanelAlarm { background: rgb(255, 255, 0); }");
  MakeLabel(alarm, "LabelAlarm1", "", QRect(8, 1, 560, 15));
  MakeLabel(alarm, "LabelAlarm2", "", QRect(8, 17, 560, 15));
  auto* beep = new QCheckBox("beep active", alarm);
  beep->setObjectName("CheckBoxBeep");
  beep->setGeometry(650, 6, 100, 22);
  beep->setChecked(true);
  auto* silence = new QCheckBox("full silence", alarm);
  silence->setObjectName("CheckBoxFullSilence");
  silence->setGeometry(756, 6, 100, 22);
  MakeButton(alarm, "BitBtn4", "~", QRect(874, 6, 22, 22));

  auto* dialog = new QWidget(this);
  dialog->setObjectName("Panel3");
  dialog->setGeometry(0, kHeightAlarmPanel, kWidth, kHeightDialogPanel - kHeightAlarmPanel);
  dialog->setAutoFillBackground(true);
  dialog->setStyleSheet("#Panel3 { background: rgb(255, 255, 0); }");
  for (int i = 0; i < 3; ++i) {
    auto* l = MakeLabel(dialog, QString("LabelDialog%1").arg(i + 1).toLatin1().constData(), "",
                        QRect(8, 4 + 18 * i, kWidth - 16, 17), Qt::AlignHCenter);
    if (i == 0) {
      QFont bold = l->font();
      bold.setBold(true);
      bold.setPointSize(10);
      l->setFont(bold);
    }
  }
  const struct {
    const char *name, *text;
    int x;
  } buttons[6] = {{"ButtonDialogAbortYes", "Yes", 242},
                  {"ButtonDialogAbortNo", "No", 392},
                  {"ButtonDialogAbortNew", "New acquisition", 542},
                  {"ButtonDialogAcqContinue", "Continue acquisition", 282},
                  {"ButtonDialogAcqStop", "Stop", 482},
                  {"ButtonDialogPFContinue", "Continue scanning", 382}};
  for (const auto& b : buttons) MakeButton(dialog, b.name, b.text, QRect(b.x, 62, 140, 30))->hide();
}

void TGeneral::Connect() {
  AcquisitionState& s = shared_.acquisition;
  const auto run = [](const std::function<void()>& f) {
    if (f) f();
  };
  connect(button("ButtonStart"), &QPushButton::clicked, this, [this, run] { run(actions_.start); });
  connect(button("ButtonAbort"), &QPushButton::clicked, this, [this, run] { run(actions_.abortAndQuit); });
  connect(button("ButtonNewAcq"), &QPushButton::clicked, this, [this, run] { run(actions_.newAcquisition); });
  connect(button("ButtonNewEnd"), &QPushButton::clicked, this, [this, run] { run(actions_.quitApplication); });
  connect(button("ButtonDisplay"), &QPushButton::clicked, this, [this, run] { run(actions_.seeParameters); });
  connect(button("BitBtnTHTStop"), &QPushButton::clicked, this, [this, run] { run(actions_.thtStop); });
  connect(button("ButtonFilters"), &QPushButton::clicked, this, [this, run] { run(actions_.openFilters); });
  connect(button("ButtonDataCube"), &QPushButton::clicked, this, [this, run] { run(actions_.openDataCube); });
  connect(button("BitBtnOpen"), &QPushButton::clicked, this, [this] {
    if (actions_.commandShutter) actions_.commandShutter(0);
  });
  connect(button("BitBtnClose"), &QPushButton::clicked, this, [this] {
    if (actions_.commandShutter) actions_.commandShutter(1);
  });
  connect(button("ButtonRemanence"), &QPushButton::clicked, this, [&s] { s.remanenceRequested = 1; });
  connect(findChild<QCheckBox*>("CheckBoxStayOnTop"), &QCheckBox::toggled, this, [this](bool on) { ShowStayOnTop(on); });
  connect(findChild<QCheckBox*>("CheckBoxAccessTV"), &QCheckBox::toggled, this, [this, &s](bool on) {
    for (const char* name : {"EditSeuil", "EditBL", "EditWL"}) findChild<QLineEdit*>(name)->setEnabled(on);
    for (const char* name : {"UpDownSeuil", "UpDownBL", "UpDownWL"}) findChild<QScrollBar*>(name)->setEnabled(on);
    button("ButtonRemanence")->setEnabled(on);
    s.tvLevelsEditable = on ? 1 : 0;
  });
  connect(findChild<QCheckBox*>("CheckBoxShutter"), &QCheckBox::toggled, this, [this, &s](bool on) {
    findChild<QLineEdit*>("EditShutter")->setVisible(on);
    findChild<QScrollBar*>("UpDownShutter")->setVisible(on);
    s.autoShutter = on ? 1 : 0;
  });
  connect(findChild<QScrollBar*>("UpDownShutter"), &QScrollBar::valueChanged, this, [this, &s](int position) {
    s.shutterMaxRate = position * 1000;
    findChild<QLineEdit*>("EditShutter")->setText(QString::number(s.shutterMaxRate));
  });
  connect(findChild<QLineEdit*>("EditShutter"), &QLineEdit::textEdited, this, [&s] { s.shutterRateEdited = 1; });
  connect(findChild<QCheckBox*>("CheckBoxBeep"), &QCheckBox::toggled, this, [&s](bool on) { s.beepActive = on; });
  connect(findChild<QCheckBox*>("CheckBoxFullSilence"), &QCheckBox::toggled, this, [&s](bool on) { s.fullSilence = on; });
  connect(button("BitBtn4"), &QPushButton::clicked, this, [&s] { s.fullSilence = s.fullSilence ? 0 : 1; });
  const struct {
    const char *upDown, *edit;
  } levels[3] = {{"UpDownSeuil", "EditSeuil"}, {"UpDownBL", "EditBL"}, {"UpDownWL", "EditWL"}};
  for (const auto& l : levels) {
    QLineEdit* edit = findChild<QLineEdit*>(l.edit);
    connect(findChild<QScrollBar*>(l.upDown), &QScrollBar::valueChanged, this,
            [edit](int value) { edit->setText(QString::number(value)); });
  }
  AcquisitionParameters& p = shared_.parameters;
  connect(button("ButtonDialogAbortYes"), &QPushButton::clicked, this, [this, &s, &p] { ButtonDialogAbortYesClick(s, p, *this); });
  connect(button("ButtonDialogAbortNo"), &QPushButton::clicked, this, [this, &s, &p] { ButtonDialogAbortNoClick(s, p, *this); });
  connect(button("ButtonDialogAbortNew"), &QPushButton::clicked, this, [this, &s, &p] { ButtonDialogAbortNewClick(s, p, *this); });
  connect(button("ButtonDialogAcqContinue"), &QPushButton::clicked, this,
          [this, &s, &p] { ButtonDialogAcqContinueClick(s, p, *this); });
  connect(button("ButtonDialogAcqStop"), &QPushButton::clicked, this, [this, &s, &p] { ButtonDialogAcqStopClick(s, p, *this); });
  connect(button("ButtonDialogPFContinue"), &QPushButton::clicked, this,
          [this, &s, &p] { ButtonDialogPFContinueClick(s, p, *this); });
  const struct {
    const char* name;
    std::function<void()> Actions::*action;
  } windows[5] = {{"ButtonSuspend", &Actions::suspend},
                  {"ButtonArret", &Actions::deferredStop},
                  {"ButtonLog", &Actions::writeOnLogbook},
                  {"ButtonDisplayLog", &Actions::displayLogbook},
                  {"ButtonPrint", &Actions::printWindow}};
  for (const auto& w : windows) {
    const auto action = w.action;
    connect(button(w.name), &QPushButton::clicked, this, [this, run, action] { run(actions_.*action); });
  }
  // "See parameters" opens a window of its own, not part of this window.
}

void TGeneral::RefreshParameterLabels() {
  const AcquisitionParameters& p = shared_.parameters;
  label("LabelIdentification")->setText(Q(Format("%s%3.3d", p.Prefix, p.Numobs)));
  label("LabelNbcan")->setText(Q(Format("%4.4d", p.Lz)));
  label("LabelTcan")->setText(Q(Format("%4.4d", p.Tcan)));
  label("LabelMaxiCycles")->setText(Q(Format("%4.4d", p.Maxcycles)));
  label("LabelLambda")->setText(Q(Format("%9.3f", p.Lambda)));
  label("LabelCqg")->setText(Q(Format("%8.4f", p.Cqg)));
  label("LabelDeferred")->setText(Q(Format("Stop at chnl %d cycle %d", shared_.acquisition.stopChannel,
                                           shared_.acquisition.stopCycle)));
  label("LabelSens")->setText("");
}

void TGeneral::ShowTvLevelDefaults() {
  const AcquisitionParameters& p = shared_.parameters;
  const struct {
    const char *upDown, *label;
    std::int32_t value;
  } levels[3] = {{"UpDownSeuil", "LabelDiscri", p.Discri}, {"UpDownBL", "LabelBL", p.BlackLevel},
                 {"UpDownWL", "LabelWL", p.WhiteLevel}};
  for (const auto& l : levels) {
    findChild<QScrollBar*>(l.upDown)->setValue(l.value);
    label(l.label)->setText(Q(Format("[def %ld]", static_cast<long>(l.value))));
  }
  findChild<QLineEdit*>("EditSeuil")->setText(QString::number(p.Discri));
  findChild<QLineEdit*>("EditBL")->setText(QString::number(p.BlackLevel));
  findChild<QLineEdit*>("EditWL")->setText(QString::number(p.WhiteLevel));
}

void TGeneral::EnableSeeParameters(bool on) { button("ButtonDisplay")->setEnabled(on); }

void TGeneral::EnableDataCube(bool on) { button("ButtonDataCube")->setEnabled(on); }

void TGeneral::ResetShutterControl() {
  AcquisitionState& s = shared_.acquisition;
  s.shutterMaxRate = 50000;
  s.autoShutter = 1;
  findChild<QScrollBar*>("UpDownShutter")->setValue(50);
  findChild<QLineEdit*>("EditShutter")->setText("50000");
  findChild<QCheckBox*>("CheckBoxShutter")->setChecked(true);
  findChild<QCheckBox*>("CheckBoxAccessTV")->setChecked(false);
  for (const char* name : {"EditSeuil", "EditBL", "EditWL"}) findChild<QLineEdit*>(name)->setEnabled(false);
  for (const char* name : {"UpDownSeuil", "UpDownBL", "UpDownWL"}) findChild<QScrollBar*>(name)->setEnabled(false);
  button("ButtonRemanence")->setEnabled(false);
}

void TGeneral::SetStandbyButtons(bool afterNewAcquisition) {
  button("ButtonStart")->setEnabled(true);
  button("ButtonSuspend")->setEnabled(false);
  button("ButtonArret")->setEnabled(afterNewAcquisition);
  button("ButtonAbort")->setEnabled(true);
  HideEndButtons();
}

void TGeneral::SetAcquiringButtons() {
  button("ButtonStart")->setEnabled(false);
  button("ButtonSuspend")->setEnabled(true);
  button("ButtonArret")->setEnabled(true);
  button("ButtonAbort")->setEnabled(true);
}

void TGeneral::HideEndButtons() {
  button("ButtonNewAcq")->hide();
  button("ButtonNewEnd")->hide();
}

void TGeneral::ShowCameraDriver(const QString& text) { label("LabelCCIR")->setText(text); }

void TGeneral::ShowStayOnTop(bool onTop) {
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
  move(575, 22);
  if (visible) show();
}

QString TGeneral::DiscriminatorText() const { return findChild<QLineEdit*>("EditSeuil")->text(); }

void TGeneral::ShowCountingStateView(const CountingStateView& view) {
  lastView_ = view;
  label("CountingState")->setText(Q(view.text));
  label("CountingState")->setStyleSheet("color: " + Colour(view.colour) + ";");
}

void TGeneral::ShowPanel(const PanelView& view) {
  label("LabelDialog1")->setText(Q(view.line1));
  label("LabelDialog2")->setText(Q(view.line2));
  label("LabelDialog3")->setText(Q(view.line3));
  for (const char* name : {"ButtonDialogAbortYes", "ButtonDialogAbortNo", "ButtonDialogAbortNew",
                           "ButtonDialogAcqContinue", "ButtonDialogAcqStop", "ButtonDialogPFContinue"})
    button(name)->setVisible(std::find(view.buttons.begin(), view.buttons.end(), name) != view.buttons.end());
}

void TGeneral::SetWindowHeight(int height) { setFixedHeight(height); }

void TGeneral::CheckBeepBox() { findChild<QCheckBox*>("CheckBoxBeep")->setChecked(true); }

DiskErrorChoice TGeneral::ShowDiskError(const DiskErrorReport& report) {
  return actions_.diskError ? actions_.diskError(report) : DiskErrorChoice::Ignore;
}

void TGeneral::AlternateStartPrompt() {
  if (!startPrompt_ || !startPrompt_->isVisible()) return;
  promptPhase_ = 1 - promptPhase_;
  startPrompt_->setStyleSheet(promptPhase_ ? "background: rgb(0, 0, 255); color: white;"
                                           : "background: rgb(255, 255, 0); color: black;");
}

void TGeneral::ReloadLogbookIfAsked() {
  if (actions_.reloadLogbook) actions_.reloadLogbook();
}

void TGeneral::ShowAlarmTexts(const std::string& line1, const std::string& line2) {
  label("LabelAlarm1")->setText(Q(line1));
  label("LabelAlarm2")->setText(Q(line2));
}

void TGeneral::ColourAlarmPanel(bool yellow) {
  findChild<QWidget*>("PanelAlarm")
      ->setStyleSheet(yellow ? "#PanelAlarm { background: rgb(255, 255, 0); }" : "#PanelAlarm { background: rgb(255, 0, 0); }");
}

void TGeneral::ShowCloseLoopCount(const std::string& text) { label("Label99")->setText(Q(text)); }

void TGeneral::ShowSupervisorMessage(const std::string& line1, const std::string& line2) {
  if (actions_.showSupervisorMessage) actions_.showSupervisorMessage(line1, line2);
}

void TGeneral::HideSupervisorMessage() {
  if (actions_.hideSupervisorMessage) actions_.hideSupervisorMessage();
}

TvLevelEdits TGeneral::ReadTvLevelEdits() {
  return {findChild<QLineEdit*>("EditSeuil")->text().toStdString(), findChild<QLineEdit*>("EditWL")->text().toStdString(),
          findChild<QLineEdit*>("EditBL")->text().toStdString()};
}

void TGeneral::RefreshStatusLabels() {
  if (actions_.refreshReadings) actions_.refreshReadings();
  const std::int32_t tht = shared_.acquisition.thtRead;
  label("LabelTHT")->setText(tht == 99999 ? "not controlled" : Q(Format("%5.5d V", tht)));
}

std::string TGeneral::ReadShutterLimitText() { return findChild<QLineEdit*>("EditShutter")->text().toStdString(); }

void TGeneral::ShowShutterLimit(std::int32_t limit) { findChild<QLineEdit*>("EditShutter")->setText(QString::number(limit)); }

void TGeneral::ShowInstant(const InstantView& view) {
  label("InstantPhotons")->setText(Q(view.photons));
  label("InstantFrames")->setText(Q(view.frames));
  label("InstantEfficiency")->setText(Q(view.efficiency));
}

void TGeneral::ShowCumulated(const CumulatedView& view) {
  label("CumulPhotons1")->setText(Q(view.photonsUnits));
  label("CumulPhotons2")->setText(Q(view.photonsMillions));
  label("CumulExposure")->setText(Q(view.exposure));
  if (!view.efficiency.empty()) label("CumulEfficiency")->setText(Q(view.efficiency));
  label("LabelSysteme")->setText(Q(view.system));
  label("CumulDisk")->setText(Q(view.disk));
}

void TGeneral::AlternateStatusColours(int phase, bool deferredStop) {
  if (lastView_.colour == kTeal || lastView_.colour == kNavy)
    label("CountingState")->setStyleSheet("color: " + Colour(phase ? kTeal : kNavy) + ";");
  if (deferredStop) {
    label("LabelDeferred")->show();
    label("LabelDeferred")->setStyleSheet(phase ? "background: rgb(255, 255, 0);" : "background: rgb(0, 255, 0);");
  }
}

void TGeneral::ShowPriorities(const std::string& counting, const std::string& storing) {
  label("LabelPrioComptage")->setText(Q(counting));
  label("LabelPrioStorage")->setText(Q(storing));
}

void TGeneral::ShowChannelLabels(const std::string& channel, const std::string& cycle, const std::string& seconds) {
  if (!channel.empty()) label("LabelCurrentCan")->setText(Q(channel));
  label("LabelCurrentCycle")->setText(Q(cycle));
  label("LabelCurrentTCan")->setText(Q(seconds));
}

void TGeneral::ShowScanDirection(const std::string& arrows) { label("LabelSens")->setText(Q(arrows)); }
void TGeneral::ShowWriting(const std::string& text) { label("LabelWriting")->setText(Q(text)); }
void TGeneral::ShowDeferred(const std::string& text) { label("LabelDeferred")->setText(Q(text)); }

void TGeneral::HideStartPrompt() {
  if (startPrompt_) startPrompt_->hide();
}

void TGeneral::EnableStart(bool on) { button("ButtonStart")->setEnabled(on); }
void TGeneral::EnableSuspend(bool on) { button("ButtonSuspend")->setEnabled(on); }
void TGeneral::EnableDeferredStop(bool on) { button("ButtonArret")->setEnabled(on); }

void TGeneral::ShowEndButtons() {
  button("ButtonNewAcq")->show();
  button("ButtonNewEnd")->show();
  button("ButtonNewAcq")->raise();
  button("ButtonNewEnd")->raise();
  for (const char* name : {"ButtonSuspend", "ButtonStart", "ButtonAbort", "ButtonArret"}) button(name)->setEnabled(false);
}

// The hold's reason in the alarm panel, revealed while it lasts.
void TGeneral::ShowHold(const std::string& line1, const std::string& line2) {
  label("LabelAlarm1")->setText(QString::fromStdString(line1));
  label("LabelAlarm2")->setText(QString::fromStdString(line2));
  if (height() <= kHeightAlarmPanel) SetWindowHeight(line1.empty() ? kHeightNoPanel : kHeightAlarmPanel);
}

void TGeneral::DriveToChannel(std::int32_t channel) {
  if (actions_.driveToChannel) actions_.driveToChannel(channel);
}

void TGeneral::CloseShutter() {
  if (actions_.commandShutter) actions_.commandShutter(1);
}

void TGeneral::LevelsStored() {
  if (actions_.levelsStored) actions_.levelsStored();
}

void TGeneral::QuitAfterAbortYes() {
  if (actions_.quitAfterAbortYes) actions_.quitAfterAbortYes();
}

void TGeneral::QuitIntegration() {
  if (actions_.quitIntegration) actions_.quitIntegration();
}

void TGeneral::QuitAfterLogFailure() {
  if (actions_.quitAfterLogFailure) actions_.quitAfterLogFailure();
}

void TGeneral::ShowLinkState(CountingState state) {
  const CountingStateView saved = lastView_;
  ShowCountingStateView(ViewOf(state, shared_.parameters.AcqType, shared_.parameters.Source));
  lastView_ = saved;
}

void TGeneral::RestoreCountingState() { ShowCountingStateView(lastView_); }

void TGeneral::ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t) {
  label("LabelShutter")->setText(Q(text));
  label("LabelShutter")->setStyleSheet(code == 0 ? "color: rgb(0, 0, 255); font-weight: bold;"
                                                 : "color: rgb(255, 0, 0); font-weight: bold;");
}

void TGeneral::ShowTemperatureLabels(const std::string& temperature, const std::string& command) {
  label("LabelTemperature")->setText(Q(temperature));
  label("LabelTemperatureCommand")->setText(Q(command));
}

void TGeneral::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Let the window appear before the start-up sequence opens its modal windows.
  QTimer::singleShot(0, this, [this] {
    move(575, 22);
    if (firstShow_) firstShow_();
  });
}

void TGeneral::closeEvent(QCloseEvent* event) {
  // The close box never closes the main window: the quit paths do.
  if (quitting_) {
    event->accept();
    return;
  }
  event->ignore();
  if (actions_.closeRefused) actions_.closeRefused();
}

}  // namespace velmar
