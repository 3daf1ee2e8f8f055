#include "app/qt/windowed_program.h"

#include <csignal>
#include <memory>

#include "app/TSplashForm.h"
#include "app/acquisition_program.h"
#include "app/qt/main_window_controller.h"
#include "app/qt/program_windows.h"
#include "app/qt/velmar_application.h"
#include "app/safe_stop.h"
#include "console/TGeneral.h"
#include "engine/counting_state.h"
#include "platform/processes.h"
#include "platform/qt/TError.h"
#include "platform/qt/qt_window_thread.h"
#include "platform/single_instance.h"

namespace velmar {

int RunWindowedProgram(int argc, char** argv, const WindowedProgramHooks& hooks) {
  // A full disk must fail a write, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  VelmarApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  QtWindowThread windowThread;
  InstallWindowThread(&windowThread);
  QtErrorReporter errorReporter;
  InstallErrorReporter(&errorReporter);

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
  SingleInstanceLock instanceLock(kApplicationTitle);
  const bool anotherInstance = !instanceLock.held();
  QApplication::setApplicationDisplayName(kApplicationTitle);
  splash.SetProgress(0);

  windows = CreateProgramWindows(program, [&](int percent) { splash.SetProgress(percent); });
  splash.hide();
  splash.close();

  p.AnotherInstance = anotherInstance ? 1 : 0;
  p.DisplayRunning = ProcessRunning("Vlm3D") ? 1 : 0;

  MainWindowController controller(program, windows, [&hooks] {
    if (hooks.beforeExit) hooks.beforeExit(0);
    EndProcess();
  });
  if (hooks.ready) hooks.ready(program, windows, controller);
  windows.general->SetFirstShowAction([&] { controller.StartUp(); });
  windows.general->show();
  return app.exec();
}

}  // namespace velmar
