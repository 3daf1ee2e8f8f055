#include "app/qt/qt_frame_grabber_console.h"

#include <QCoreApplication>

#include "windows/console/TErrorMatrox.h"
#include "windows/console/TGeneral.h"
#include "windows/console/TInitMatrox.h"
#include "engine/counting_status.h"

namespace velmar {

void QtFrameGrabberConsole::ShowInitMatroxNotes() {
  windows_.initMatrox->show();
  windows_.initMatrox2->move(windows_.initMatrox->x(), windows_.initMatrox->y() + windows_.initMatrox->height() + 30);
  windows_.initMatrox2->show();
  QCoreApplication::processEvents();
}

void QtFrameGrabberConsole::HideInitMatroxNotes() {
  windows_.initMatrox->hide();
  windows_.initMatrox2->hide();
}

bool QtFrameGrabberConsole::AskBypassAfterGrabberError(const std::string& libraryMessage) {
  return windows_.errorMatrox->AskBypass(QString::fromStdString(libraryMessage));
}

void QtFrameGrabberConsole::ShowCountingState(CountingState state) {
  velmar::ShowCountingState(state, shared_.parameters, shared_.acquisition, *windows_.general);
}

}  // namespace velmar
