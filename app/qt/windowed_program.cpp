#include "app/qt/windowed_program.h"

#include <QSocketNotifier>
#include <csignal>
#include <memory>

#include "windows/startup/TSplashForm.h"
#include "app/acquisition_program.h"
#include "app/qt/main_window_controller.h"
#include "app/qt/program_directory_start.h"
#include "app/qt/program_windows.h"
#include "app/qt/velmar_application.h"
#include "console/safe_stop.h"
#include "windows/console/TGeneral.h"
#include "engine/counting_state.h"
#include "platform/error_reporter.h"
#include "platform/processes.h"
#include "windows/common/TError.h"
#include "platform/qt/qt_window_thread.h"
#include "platform/quit_signals.h"
#include "platform/single_instance.h"
#include "platform/system_dir.h"

namespace velmar {

int RunWindowedProgram(int argc, char** argv, const WindowedProgramHooks& hooks) {
  if (PrintHelpIfAsked(argc, argv)) return 0;
  // First: a signal from here on is kept until the controller can act on it.
  QuitSignals::Install();
  // A full disk must fail a write, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  VelmarApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  if (hooks.applicationMade) hooks.applicationMade();
  QtWindowThread windowThread;
  InstallWindowThread(&windowThread);
  QtErrorReporter errorReporter;
  InstallErrorReporter(&errorReporter);
  if (!EnterProgramDirectoryOrSayWhy(QCoreApplication::arguments())) return kBadArgumentExitCode;

  auto shared = std::make_unique<SharedState>();
  AcquisitionParameters& p = shared->parameters;
  ProgramWindows windows;
  AcquisitionProgram program(*shared, [&] {
    ShowCountingState(CountingState::Standby, p, shared->acquisition, *windows.general);
  });

  TSplashForm splash;
  splash.show();
  splash.SetProgress(0);

  // Taking the lock stands for setting the application title: a copy that finds
  // it taken knows another copy runs.
  ProgramInstanceLock instanceLock(SystemDirectory(), kApplicationTitle);
  const bool anotherInstance = !instanceLock.held();
  // A lock that cannot be made is not another copy: said as what it is.
  if (anotherInstance && !instanceLock.busy()) {
    splash.hide();
    ShowError("The lock that tells a running copy of the program cannot be made", instanceLock.error(),
              "The program ends: correct $XDG_RUNTIME_DIR or the system directory");
    return 1;
  }
  QApplication::setApplicationDisplayName(kApplicationTitle);
  splash.SetProgress(0);

  windows = CreateProgramWindows(program, [&](int percent) { splash.SetProgress(percent); });
  splash.hide();
  splash.close();

  p.AnotherInstance = anotherInstance ? 1 : 0;
  p.DisplayRunning = ProcessRunning("Vlm3D") ? 1 : 0;

  MainWindowController controller(program, windows, [&hooks](int exitCode) {
    if (hooks.beforeExit) hooks.beforeExit(exitCode);
    EndProcess(exitCode);
  });
  // Seen by every event loop, the nested loop of a modal window inside a step too.
  std::unique_ptr<QSocketNotifier> quitSignal;
  if (QuitSignals::NotifyFd() >= 0) {
    quitSignal = std::make_unique<QSocketNotifier>(QuitSignals::NotifyFd(), QSocketNotifier::Read);
    QObject::connect(quitSignal.get(), &QSocketNotifier::activated, [&] {
      quitSignal->setEnabled(false);
      controller.QuitOnSignal(QuitSignals::Requested());
    });
  }
  if (hooks.ready) hooks.ready(program, windows, controller);
  windows.general->SetFirstShowAction([&] { controller.StartUp(); });
  windows.general->show();
  return app.exec();
}

}  // namespace velmar
