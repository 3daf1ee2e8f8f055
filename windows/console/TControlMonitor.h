#pragma once
// The control monitor: what the frame grabber's display shows (the TV picture,
// the photons, the texts the program writes on it), refreshed ten times a second.
#include <QWidget>

#include "engine/grabber.h"

class QLabel;
class QTimer;

namespace velmar {

class TControlMonitor : public QWidget {
  Q_OBJECT
 public:
  TControlMonitor(Grabber& grabber, QWidget* parent = nullptr);
  void Refresh();

 private:
  void PlaceBesideTheOtherWindows();

  Grabber& grabber_;
  QLabel* image_;
  QTimer* timer_;
  GreyImage picture_;
};

}  // namespace velmar
