#include "windows/diagnostics/TFramesCount.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "diagnostics/grabber_test.h"
#include "platform/clock.h"
#include "platform/format.h"

namespace velmar {

TFramesCount::TFramesCount(Grabber& grabber, QWidget* parent) : QDialog(parent), grabber_(grabber) {
  setObjectName("TFramesCount");
  setWindowTitle("Frames rate");
  setModal(true);
  setFixedSize(300, 130);
  rate_ = new QLabel(this);
  rate_->setObjectName("LabelFramesRate");
  rate_->setGeometry(10, 20, 280, 30);
  rate_->setAlignment(Qt::AlignCenter);
  QFont big = rate_->font();
  big.setPointSize(13);
  rate_->setFont(big);
  ok_ = new QPushButton("OK", this);
  ok_->setObjectName("ButtonOK");
  ok_->setGeometry(100, 78, 100, 32);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

void TFramesCount::Run() {
  rate_->clear();
  ok_->setEnabled(false);
  // The measurement starts once the window is on the screen.
  QTimer::singleShot(0, this, [this] { Measure(); });
  exec();
}

void TFramesCount::Measure() {
  ok_->setEnabled(false);
  repaint();
  ProcessClock().SleepMs(500);
  rate_->setText("wait 5 sec...");
  rate_->repaint();
  QApplication::processEvents();
  const double rate = MeasureFrameRate(grabber_);
  rate_->setText(QString::fromStdString(Format("%.1f frames per second", rate)));
  ok_->setEnabled(true);
}

}  // namespace velmar
