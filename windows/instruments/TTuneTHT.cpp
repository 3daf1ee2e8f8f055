#include "windows/instruments/TTuneTHT.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include "windows/common/widget_placing.h"
#include "platform/format.h"

namespace velmar {

namespace {
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, QRect where) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setGeometry(where);
  return b;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect where,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(where);
  l->setAlignment(align);
  return l;
}
}  // namespace

TTuneTHT::TTuneTHT(SharedState& shared, HighVoltage& tht, InstrumentBoard& board, Grabber& grabber, QWidget* parent)
    : QDialog(parent), shared_(shared), tuning_(shared.parameters, shared.acquisition, tht, board, grabber) {
  setObjectName("TTuneTHT");
  setWindowTitle("Velmar tuming THT");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setFixedSize(640, 400);
  Build();
  Connect();
  tuning_.SetDisplay(this);
  // The rise's steps wait on the process clock; the window looks ten times a second.
  steps_ = new QTimer(this);
  steps_->setInterval(50);
  connect(steps_, &QTimer::timeout, this, [this] { tuning_.Poll(); });
}

void TTuneTHT::Build() {
  auto* read = MakeLabel(this, "LabelTHT", "", QRect(270, 8, 100, 30), Qt::AlignCenter);
  QFont big = read->font();
  big.setPointSize(16);
  big.setBold(true);
  read->setFont(big);
  MakeLabel(this, "LabelVolts", "V", QRect(372, 8, 20, 30));
  MakeButton(this, "ButtonUpLow", "", QRect(8, 48, 210, 28));
  MakeButton(this, "ButtonUpMedium", "", QRect(8, 80, 210, 28));
  MakeButton(this, "ButtonUpMax", "Progressively up to maximum", QRect(8, 112, 210, 28));
  MakeButton(this, "ButtonStop", "Stop positionning", QRect(8, 148, 210, 28));
  MakeButton(this, "ButtonDownMedium", "", QRect(226, 48, 190, 28));
  MakeButton(this, "ButtonDownLow", "", QRect(226, 80, 190, 28));
  auto* urgency = MakeButton(this, "ButtonUrgency", "URGENCY : down  to 0 V", QRect(226, 112, 190, 64));
  urgency->setStyleSheet("background-color: rgb(255, 0, 0); color: white; font-weight: bold;");
  auto* volts = new QLineEdit(this);
  volts->setObjectName("EditVolts");
  volts->setGeometry(424, 48, 90, 28);
  MakeButton(this, "ButtonManual", "Manual to", QRect(518, 48, 114, 28));
  MakeButton(this, "ButtonTuneManually", "Tune manually up to maximum", QRect(424, 80, 208, 28));
  MakeButton(this, "ButtonCloseShutter", "Close shutter", QRect(424, 112, 102, 28));
  MakeButton(this, "ButtonOpenShutter", "Open shutter", QRect(530, 112, 102, 28));
  MakeLabel(this, "LabelShutter", "", QRect(424, 146, 208, 24), Qt::AlignCenter);
  auto* message = MakeLabel(this, "LabelMessage", "", QRect(8, 184, 624, 26), Qt::AlignCenter);
  message->setAutoFillBackground(true);

  trackBar_ = new QSlider(Qt::Horizontal, this);
  trackBar_->setObjectName("TrackBarTHT");
  trackBar_->setGeometry(70, 248, 500, 30);
  trackBar_->setPageStep(1);
  trackBar_->setSingleStep(1);
  trackBar_->setTickInterval(100);
  trackBar_->setTickPosition(QSlider::TicksBelow);
  trackBar_->installEventFilter(this);
  MakeLabel(this, "LabelTrackHelp",
            "Track cursor to change THT.      Click inside the white trackbar to change only a step of 1 Volt",
            QRect(8, 214, 624, 16), Qt::AlignCenter);
  MakeLabel(this, "LabelTrackShift", "Press shift key to activate trackbar drag ", QRect(8, 230, 624, 16),
            Qt::AlignCenter);
  MakeLabel(this, "LabelTrackMin", "", QRect(0, 254, 66, 20), Qt::AlignRight | Qt::AlignVCenter);
  MakeLabel(this, "LabelTrackMax", "", QRect(574, 254, 66, 20));

  auto* rest = new QGroupBox("THT rest : 1 minute against \"effluves\" ", this);
  rest->setObjectName("GroupBoxRest");
  rest->setGeometry(8, 290, 300, 60);
  rest->setStyleSheet("QGroupBox { background-color: rgb(255, 255, 0); }");
  MakeLabel(rest, "LabelRestSeconds", "60", QRect(16, 24, 60, 28), Qt::AlignCenter)->setFont(big);
  MakeButton(rest, "ButtonRestStop", "stop", QRect(200, 26, 80, 26));
  rest->hide();
  MakeButton(this, "ButtonReturn", "Return to acquisition", QRect(432, 360, 200, 32));
  SetTrackBarVisible(false);
}

void TTuneTHT::Connect() {
  const auto on = [this](const char* name, auto action) { connect(button(name), &QPushButton::clicked, this, action); };
  on("ButtonUpLow", [this] { tuning_.Rise(ThtRise::Low); });
  on("ButtonUpMedium", [this] { tuning_.Rise(ThtRise::Medium); });
  on("ButtonUpMax", [this] { tuning_.Rise(ThtRise::Maximum); });
  on("ButtonStop", [this] { tuning_.StopPositioning(); });
  on("ButtonDownMedium", [this] { tuning_.DownToMedium(); });
  on("ButtonDownLow", [this] { tuning_.DownToLow(); });
  on("ButtonUrgency", [this] { tuning_.Urgency(); });
  on("ButtonManual", [this] { tuning_.Manual(findChild<QLineEdit*>("EditVolts")->text().toStdString()); });
  connect(findChild<QLineEdit*>("EditVolts"), &QLineEdit::returnPressed, this,
          [this] { tuning_.Manual(findChild<QLineEdit*>("EditVolts")->text().toStdString()); });
  on("ButtonTuneManually", [this] { tuning_.TuneManually(); });
  on("ButtonCloseShutter", [this] { tuning_.CommandShutter(1); });
  on("ButtonOpenShutter", [this] { tuning_.CommandShutter(0); });
  on("ButtonRestStop", [this] { tuning_.StopRest(); });
  on("ButtonReturn", [this] { ButtonReturnClick(); });
  connect(trackBar_, &QSlider::valueChanged, this,
          [this](int position) { tuning_.TrackBarMoved(position, trackBar_->hasFocus(), keyHeld_); });
}

// A key held down on the track bar (shift for a drag, the arrows for a volt).
bool TTuneTHT::eventFilter(QObject* watched, QEvent* event) {
  if (watched == trackBar_) {
    if (event->type() == QEvent::KeyPress) keyHeld_ = true;
    if (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
      // The arrow's own step is taken before the key counts as released.
      QTimer::singleShot(0, this, [this] { keyHeld_ = false; });
    }
    if (event->type() == QEvent::FocusOut) keyHeld_ = false;
  }
  return QDialog::eventFilter(watched, event);
}

void TTuneTHT::WriteCaptions() {
  const AcquisitionParameters& p = shared_.parameters;
  button("ButtonUpLow")->setText(Q(Format("Progressively up to %d V", p.THTLow)));
  button("ButtonUpMedium")->setText(Q(Format("Progressively up to %d V", p.THTMedium)));
  button("ButtonDownMedium")->setText(Q(Format("Immediate down to %d V", p.THTMedium)));
  button("ButtonDownLow")->setText(Q(Format("Immediate down to %d V", p.THTLow)));
  label("LabelTrackMin")->setText(Q(Format("%d V", p.THTMedium)));
  label("LabelTrackMax")->setText(Q(Format("%d V", p.THTMax)));
  const QSignalBlocker quiet(trackBar_);
  trackBar_->setRange(p.THTMedium, std::max(p.THTMedium, p.THTMax));
}

void TTuneTHT::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  closing_ = false;
  move(288, 285);
  WriteCaptions();
  label("LabelMessage")->clear();
  tuning_.Shown();
  steps_->start();
}

// The close box and Escape: a rise still running ends, the TV display stops.
void TTuneTHT::reject() {
  steps_->stop();
  if (!closing_) tuning_.Closed();
  closing_ = true;
  QDialog::reject();
}

void TTuneTHT::ButtonReturnClick() {
  closing_ = true;
  steps_->stop();
  tuning_.ReturnToAcquisition();
  tuning_.Closed();
  accept();
}

void TTuneTHT::ZeroRequestedVolts() { findChild<QLineEdit*>("EditVolts")->setText("0."); }

void TTuneTHT::ShowThtRead(const std::string& text) { label("LabelTHT")->setText(Q(text)); }

void TTuneTHT::ShowMessage(const std::string& text, ThtMessageStyle style) {
  QLabel* message = label("LabelMessage");
  message->setText(Q(text));
  switch (style) {
    case ThtMessageStyle::Positioning:
      message->setStyleSheet("background-color: rgb(255, 255, 0); color: black;");
      break;
    case ThtMessageStyle::Done:
      message->setStyleSheet("color: rgb(255, 0, 0); font-weight: bold;");
      break;
    default:
      message->setStyleSheet("");
  }
}

void TTuneTHT::ShowButtons(const ThtButtons& b) {
  button("ButtonUpLow")->setEnabled(b.upLow);
  button("ButtonUpMedium")->setEnabled(b.upMedium);
  button("ButtonUpMax")->setEnabled(b.upMaximum);
  button("ButtonTuneManually")->setEnabled(b.tuneManually);
  button("ButtonDownMedium")->setEnabled(b.downMedium);
  button("ButtonDownLow")->setEnabled(b.downLow);
  // While a rise runs only its stop, the emergency and the shutter act.
  button("ButtonManual")->setEnabled(!b.rising);
  findChild<QLineEdit*>("EditVolts")->setEnabled(!b.rising);
  button("ButtonReturn")->setEnabled(!b.rising);
  button("ButtonStop")->setEnabled(b.rising);
  if (b.rising) return;
  if (b.trackBarShown) ShowTrackBar(b.trackBarPosition);
  else SetTrackBarVisible(false);
}

void TTuneTHT::ShowTrackBar(std::int32_t position) {
  const QSignalBlocker quiet(trackBar_);  // showing the read must not set it again
  trackBar_->setValue(position);
  SetTrackBarVisible(true);
}

void TTuneTHT::SetTrackBarVisible(bool shown) {
  trackBar_->setVisible(shown);
  for (const char* name : {"LabelTrackHelp", "LabelTrackShift", "LabelTrackMin", "LabelTrackMax"})
    label(name)->setVisible(shown);
}

void TTuneTHT::ShowRestBox(bool shown) { findChild<QGroupBox*>("GroupBoxRest")->setVisible(shown); }
void TTuneTHT::ShowRestSeconds(const std::string& text) { label("LabelRestSeconds")->setText(Q(text)); }

void TTuneTHT::ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t) {
  label("LabelShutter")->setText(Q(text));
  label("LabelShutter")->setStyleSheet(code == 0 ? "color: rgb(0, 0, 255); font-weight: bold;"
                                                 : "color: rgb(255, 0, 0); font-weight: bold;");
}

QPushButton* TTuneTHT::button(const char* name) const { return findChild<QPushButton*>(name); }
QLabel* TTuneTHT::label(const char* name) const { return findChild<QLabel*>(name); }

void OpenTuneTHT(TTuneTHT& window) { window.exec(); }

}  // namespace velmar
