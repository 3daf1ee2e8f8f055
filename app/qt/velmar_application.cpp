#include "app/qt/velmar_application.h"

#include <QMessageBox>
#include <exception>

namespace velmar {

VelmarApplication::VelmarApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VelmarApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    QMessageBox::critical(nullptr, applicationDisplayName(), QString::fromUtf8(error.what()));
  } catch (...) {
    QMessageBox::critical(nullptr, applicationDisplayName(), "Unknown exception");
  }
  return false;
}

}  // namespace velmar
