#include "console/TGeneral.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/format.h"

namespace velmar {

TGeneral::TGeneral(SharedState& shared, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), shared_(shared) {
  setObjectName("TGeneral");
  setWindowTitle(QString::fromStdString(Format("Velmar photon counting task     %s", kVersionText)));
  auto* layout = new QVBoxLayout(this);
  auto* status = new QGroupBox(this);
  auto* statusLayout = new QVBoxLayout(status);
  auto* heading = new QLabel("Photon counting status", status);
  heading->setObjectName("Label99");
  countingState_ = new QLabel("standby object", status);
  countingState_->setObjectName("CountingState");
  countingState_->setFixedWidth(137);
  countingState_->setAlignment(Qt::AlignCenter);
  ShowCountingStateView(ViewOf(CountingState::Standby, shared_.parameters.AcqType, shared_.parameters.Source));
  statusLayout->addWidget(heading);
  statusLayout->addWidget(countingState_);
  layout->addWidget(status);
  cameraDriver_ = new QLabel(this);
  cameraDriver_->setObjectName("LabelCCIR");
  layout->addWidget(cameraDriver_);
  layout->addStretch();
  resize(450, 263);
  move(575, 22);
}

void TGeneral::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // Let the window appear before the start-up sequence opens its modal windows.
  QTimer::singleShot(0, this, [this] { FormShow(); });
}

void TGeneral::ShowCountingStateView(const CountingStateView& view) {
  countingState_->setText(QString::fromStdString(view.text));
  countingState_->setStyleSheet(
      QString("color: rgb(%1, %2, %3); font-weight: bold;").arg(view.colour.r).arg(view.colour.g).arg(view.colour.b));
}

void TGeneral::ShowCameraDriver(const QString& text) { cameraDriver_->setText(text); }

void TGeneral::closeEvent(QCloseEvent* event) {
  event->accept();
  QCoreApplication::quit();
}

void TGeneral::FormShow() {
  move(575, 22);
  if (firstShow_) firstShow_();
}

}  // namespace velmar
