#include "platform/qt/qt_window_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace velmar {

bool QtWindowThread::IsWindowThread() const {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void QtWindowThread::Run(const std::function<void()>& step) {
  if (IsWindowThread()) {
    step();
    return;
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), [&step] { step(); },
                            Qt::BlockingQueuedConnection);
}

void QtWindowThread::ServePending() {
  if (IsWindowThread()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace velmar
