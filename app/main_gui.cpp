// vlmipcs: the photon-counting acquisition program with its windows.
#include <filesystem>
#include <memory>

#include "app/TSplashForm.h"
#include "app/acquisition_program.h"
#include "app/check_other_instances.h"
#include "app/qt/program_windows.h"
#include "app/prepare_parameters.h"
#include "app/qt/qt_driver_file_console.h"
#include "app/qt/qt_frame_grabber_console.h"
#include "app/qt/qt_instance_warnings.h"
#include "app/qt/velmar_application.h"
#include "app/safe_stop.h"
#include "instruments/instrument_safe_stop.h"
#include "platform/format.h"
#include "console/TControlMonitor.h"
#include "console/TGeneral.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "platform/processes.h"
#include "platform/qt/TError.h"
#include "platform/qt/qt_window_thread.h"
#include "platform/single_instance.h"

using namespace velmar;

int main(int argc, char** argv) {
  VelmarApplication app(argc, argv);
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

  QtInstanceWarnings warnings(windows);
  QtFrameGrabberConsole grabberConsole(windows, *shared);
  InstrumentSafeStop devices(program.board, shared->acquisition, program.grabber, [&] {
    ShowError("WARNING : the THT high voltage may still be on",
              Format("Last THT sent = %d V", shared->acquisition.thtSent), "Set it to zero before leaving");
  });
  auto safeStopAndEnd = [&] {
    SafeStop(devices, std::string(TextOf(p.Path)));
    EndProcess();
  };
  QtDriverFileConsole driverConsole(windows, safeStopAndEnd);
  windows.general->SetFirstShowAction([&] {
    shared->acquisition.startUpInProgress = 1;
    ShowStartBanner(program.grabber);
    windows.controlMonitor->show();
    program.tvContinue.Start();
    // As the parameters window does when it is shown for a new acquisition.
    PrepareNewAcquisitionParameters(*shared, std::filesystem::current_path());
    CheckOtherInstances(p, warnings, safeStopAndEnd);
    if (program.board.OpenBoard())
      ShowError("Error initializing the AXIOM input/output board", program.board.lastErrorText(), "");
    shared->acquisition.closeLoopWatch = 1;
    if (p.CCDXSize == 0) {
      // No instrument defined yet: the first preset of a simulated AsGa camera, as
      // the observer would load it in the parameters window.
      if (LoadInstrumentDefinition(p, 3).result == LoadResult::Applied) p.DataFormat = SettleAfterWindowLoad(p);
    }
    SaveParametersFile(p);
    CheckDriverFiles(p, driverConsole);
    SetUpContext context{program.grabber, shared->acquisition.grabber, shared->acquisition.levels, program.engine,
                         program.synthetic, grabberConsole, safeStopAndEnd};
    SetUpFrameGrabber(context, p);
    program.comptage.Start();
  });
  windows.general->show();
  return app.exec();
}
