#include "windows/startup/TSplashForm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QRadialGradient>
#include <QVBoxLayout>
#include <cmath>

namespace velmar {

namespace {
// Fabry-Perot rings: the picture an observer of this instrument knows best.
QPixmap RingsPicture() {
  QPixmap picture(160, 160);
  picture.fill(Qt::black);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  for (int k = 1; k <= 7; ++k) {
    const double radius = 26.0 * std::sqrt(static_cast<double>(k));
    QColor colour = QColor::fromRgb(255, 60 + 20 * k, 40);
    colour.setAlpha(255 - 20 * k);
    painter.setPen(QPen(colour, 3.0));
    painter.drawEllipse(QPointF(80, 80), radius, radius);
  }
  return picture;
}

QLabel* Line(const QString& text, const char* name, int pointDelta, bool bold, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  QFont font = label->font();
  font.setPointSize(font.pointSize() + pointDelta);
  font.setBold(bold);
  label->setFont(font);
  return label;
}
}  // namespace

TSplashForm::TSplashForm(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::WindowStaysOnTopHint) {
  setObjectName("TSplashForm");
  setWindowTitle("Vlm loading");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Line("Velmar", "LabelVelmar", 14, true, this));
  layout->addWidget(Line("Loading Photon Counting module...", "LabelLoading", 2, false, this));
  layout->addWidget(Line("Velmar : scanning Fabry-Perot velocity maps, acquisition and reduction package",
                         "LabelPackage", 0, false, this));
  layout->addWidget(Line("Torvel", "LabelInstrument", 6, true, this));
  auto* picture = new QLabel(this);
  picture->setObjectName("Image1");
  picture->setPixmap(RingsPicture());
  picture->setAlignment(Qt::AlignCenter);
  layout->addWidget(picture);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("ProgressBar1");
  progress_->setRange(0, 100);
  progress_->setValue(0);
  layout->addWidget(progress_);
  setFixedWidth(560);
}

void TSplashForm::SetProgress(int percent) {
  progress_->setValue(percent);
  repaint();
  QCoreApplication::processEvents();
}

}  // namespace velmar
