#pragma once
// The application object: an exception that reaches the event loop is shown in the
// standard message box and the loop goes on.
#include <QApplication>

namespace velmar {

class VelmarApplication : public QApplication {
  Q_OBJECT
 public:
  VelmarApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace velmar
