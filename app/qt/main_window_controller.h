#pragma once
// What the windowed program does for the main window: the start-up sequence, the
// new-acquisition reset, Start, and every way of quitting, on the acquisition
// machinery shared with the headless runner.
#include <functional>
#include <memory>

#include "app/acquisition_program.h"
#include "app/qt/program_windows.h"
#include "app/qt/qt_driver_file_console.h"
#include "app/qt/qt_frame_grabber_console.h"
#include "app/qt/qt_instance_warnings.h"
#include "platform/directory_lock.h"
#include "platform/witness_file.h"
#include "console/alarm_supervisor.h"
#include "console/alarm_thread.h"
#include "console/logbook.h"
#include "engine/store_frames_thread.h"
#include "engine/store_step.h"
#include "instruments/cs100_link.h"
#include "instruments/instrument_monitor.h"
#include "console/instrument_safe_stop.h"

namespace velmar {

class TMILTest;
class TDataCube;

class MainWindowController {
 public:
  // endProcess ends the process with the code given (tests pass their own).
  MainWindowController(AcquisitionProgram& program, ProgramWindows& windows, std::function<void(int)> endProcess);
  ~MainWindowController();

  void StartUp();
  void NewAcquisitionReset();
  void Start();
  void NewAcquisition();
  void AbortAndQuit(bool confirmed);
  // The abort request window and what its answer does; returns the answer
  // (0 yes: the program ends; 1 no; 2 new acquisition).
  int RequestAbort();
  // Suspension: the window, then the redo, or the abort request.
  void Suspend();
  void DeferredStop();
  void WriteOnLogbook();
  void DisplayLogbook();
  void PrintWindow();
  // "Data cube": the cube of the observation the log names, following it.
  void OpenDataCube();
  TDataCube* dataCube() const { return dataCube_; }
  void QuitApplication();
  void QuitAfterAbortYes();
  void QuitIntegration();
  void QuitAfterLogFailure();
  // SIGINT, SIGTERM or SIGHUP: "Abort and Quit", confirmed, ending with 128 + signal.
  void QuitOnSignal(int signal);
  StoreStepContext& context() { return context_; }
  // The THT tuning window, modal (the parameters window's "Tune THT").
  void OpenTuneTHT();
  // The frame-grabber test window, modal (the parameters window's "&Tests Matrox + PF").
  void OpenTests();
  TMILTest* milTest() const { return milTest_; }
  // Creates and starts the Controle thread the first time, and enables the monitor.
  void StartInstrumentMonitor();
  InstrumentMonitor& monitor() { return monitor_; }
  AlarmContext& alarmContext() { return alarmContext_; }

 private:
  void PrepareParameters();
  void ConnectParametersWindow();
  void SeeParameters();
  void PrepareScan();
  void StopThreads();  // waits for each thread: never from inside a step
  void MarkThreadsTerminated();
  // The common end: terminate, quitting flag, witness file, safe stop, temporary
  // files, end of process.
  void EndOfProgram(bool showTerminating, int exitCode = 0, bool removeWitness = true);
  // The camera went away: the grabber's error is shown and the program takes the safe stop.
  void CameraGone();

  AcquisitionProgram& program_;
  ProgramWindows& windows_;
  SharedState& shared_;
  std::function<void(int)> endProcess_;
  QtInstanceWarnings warnings_;
  QtFrameGrabberConsole grabberConsole_;
  QtDriverFileConsole driverConsole_;
  InstrumentSafeStop devices_;
  Cs100Link link_;
  TDataCube* dataCube_ = nullptr;  // made at its first opening, a child window of the main one
  TMILTest* milTest_ = nullptr;  // made at its first opening, owned by the parameters window
  WitnessFile witness_;
  DirectoryLock dataLock_;  // the data directory this copy writes into
  std::string dataLockPath_;
  StoreStepContext context_;
  std::unique_ptr<StoreFramesThread> storeFrames_;
  InstrumentMonitor monitor_;
  std::unique_ptr<ControleThread> controle_;
  AlarmContext alarmContext_;
  std::unique_ptr<AlarmThread> alarm_;
  LogbookView logbookView_;  // the logbook viewer follows the log while it is open
  bool ended_ = false;
  bool cameraGoneSaid_ = false;  // no store step runs while its error is shown
};

}  // namespace velmar
