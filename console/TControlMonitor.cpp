#include "console/TControlMonitor.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace velmar {

TControlMonitor::TControlMonitor(Grabber& grabber, QWidget* parent)
    : QWidget(parent, Qt::Window), grabber_(grabber) {
  setObjectName("TControlMonitor");
  setWindowTitle("Velmar control monitor");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  image_ = new QLabel(this);
  image_->setObjectName("ImageMonitor");
  image_->setAlignment(Qt::AlignCenter);
  image_->setMinimumSize(256, 240);
  image_->setStyleSheet("background: black;");
  layout->addWidget(image_);
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &TControlMonitor::Refresh);
  timer_->start(100);
  resize(532, 500);
  move(20, 22);
}

void TControlMonitor::Refresh() {
  if (!grabber_.ControlMonitorPicture(picture_) || picture_.width <= 0) return;
  const QImage frame(picture_.pixels.data(), picture_.width, picture_.height, picture_.width,
                     QImage::Format_Grayscale8);
  image_->setPixmap(QPixmap::fromImage(frame).scaled(image_->size(), Qt::KeepAspectRatio, Qt::FastTransformation));
}

}  // namespace velmar
