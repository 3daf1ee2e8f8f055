#pragma once
// The splash window shown while the program creates its windows.
#include <QWidget>

class QProgressBar;

namespace velmar {

class TSplashForm : public QWidget {
  Q_OBJECT
 public:
  explicit TSplashForm(QWidget* parent = nullptr);
  void SetProgress(int percent);  // 0..100, repainted at once

 private:
  QProgressBar* progress_;
};

}  // namespace velmar
