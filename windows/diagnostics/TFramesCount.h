#pragma once
// The camera's frame rate measured over 100 grabs, on a grabber context of its own.
#include <QDialog>

#include "engine/grabber.h"

class QLabel;
class QPushButton;

namespace velmar {

class TFramesCount : public QDialog {
  Q_OBJECT
 public:
  TFramesCount(Grabber& grabber, QWidget* parent = nullptr);
  // Shows the window, measures, and waits for "OK".
  void Run();
  // The measurement alone, as the window runs it once shown.
  void Measure();

 private:
  Grabber& grabber_;
  QLabel* rate_;
  QPushButton* ok_;
};

}  // namespace velmar
