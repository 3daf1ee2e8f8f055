#include "windows/console/TControlMonitor.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

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
  PlaceBesideTheOtherWindows();
}

// The parameters window (130, 135; 1021 by 746) and the main window (575, 22; up to
// 401 high) come up over the top left of the screen: the monitor takes the bottom
// right corner, where its texts stay in view, as large as the room there allows.
void TControlMonitor::PlaceBesideTheOtherWindows() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1600, 1000);
  constexpr int kParametersRight = 130 + 1021, kMainBottom = 22 + 401, kGap = 8;
  const int side = std::clamp(std::min(room.right() - kParametersRight, room.bottom() - kMainBottom) - kGap, 256, 512);
  resize(side, side);
  move(std::max(room.left(), room.right() - side - kGap), std::max(room.top(), room.bottom() - side - kGap));
}

void TControlMonitor::Refresh() {
  if (!grabber_.ControlMonitorPicture(picture_) || picture_.width <= 0) return;
  const QImage frame(picture_.pixels.data(), picture_.width, picture_.height, picture_.width,
                     QImage::Format_Grayscale8);
  image_->setPixmap(QPixmap::fromImage(frame).scaled(image_->size(), Qt::KeepAspectRatio, Qt::FastTransformation));
}

}  // namespace velmar
