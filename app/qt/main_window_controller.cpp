#include "app/qt/main_window_controller.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <filesystem>

#include "app/check_other_instances.h"
#include "app/instrument_readings.h"
#include "app/interrupted_observation.h"
#include "params/observation_files.h"
#include "console/prepare_parameters.h"
#include "console/safe_stop.h"
#include "app/terminate.h"
#include "platform/witness_file.h"
#include "app/qt/window_printing.h"
#include "windows/console/TControlMonitor.h"
#include "windows/console/TDeferredStop.h"
#include "windows/console/TLogBook.h"
#include "windows/console/TRequestAbort.h"
#include "windows/console/TSuspended.h"
#include "windows/console/TVirus.h"
#include "console/interventions.h"
#include "console/logbook.h"
#include "windows/console/TDiskError.h"
#include "windows/console/TGeneral.h"
#include "windows/cube/TDataCube.h"
#include "windows/console/TSmallWindows.h"
#include "windows/console/TRepertoire.h"
#include "windows/console/TWarningWindows.h"
#include "windows/parameters/TParameters.h"
#include "console/remanence.h"
#include "engine/observation_log.h"
#include "engine/start_acquisition.h"
#include "windows/instruments/TFiltersMirror.h"
#include "windows/instruments/TTuneTHT.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"
#include "platform/processes.h"
#include "platform/quit_signals.h"
#include "windows/analogic/TAnalogic.h"
#include "windows/diagnostics/TMILTest.h"
#include "platform/system_dir.h"

namespace velmar {

namespace {
constexpr int kSecondCopyExitCode = 1;
}  // namespace

MainWindowController::MainWindowController(AcquisitionProgram& program, ProgramWindows& windows,
                                           std::function<void(int)> endProcess)
    : program_(program),
      windows_(windows),
      shared_(program.shared),
      endProcess_(std::move(endProcess)),
      warnings_(windows),
      grabberConsole_(windows, program.shared),
      driverConsole_(windows, [this] { EndOfProgram(false); }),
      devices_(program.board, program.shared.acquisition, program.grabber,
               [this] {
                 // The main window behind the warning shows the shutter the end closed.
                 program_.board.RefreshShutterStatus(*windows_.general);
                 windows_.warningTht->Warn(shared_.acquisition.thtSent);
               }),
      link_(program.shared.parameters, program.shared.acquisition, program.board, *windows.general,
            [this] { EndOfProgram(false); }),
      context_{program.shared.acquisition, program.shared.parameters, program.engine, program.grabber,
               *windows.general},
      monitor_({program.shared.parameters, program.shared.acquisition, program.board, program.highVoltage,
                program.temperature},
               *windows.parameters),
      alarmContext_{program.shared.acquisition, program.shared.parameters, *windows.general,
                    SystemFile(kMessageFileName)} {
  TGeneral& g = *windows_.general;
  TGeneral::Actions a;
  a.start = [this] { Start(); };
  a.abortAndQuit = [this] { AbortAndQuit(false); };
  a.newAcquisition = [this] { NewAcquisition(); };
  a.quitApplication = [this] { QuitApplication(); };
  a.closeRefused = [this] { windows_.noteClose->exec(); };
  a.driveToChannel = [this](std::int32_t channel) { link_.DriveToChannel(channel); };
  a.commandShutter = [this](int close) {
    program_.board.CommandShutter(close);
    program_.board.RefreshShutterStatus(*windows_.general);
  };
  a.thtStop = [this] { program_.highVoltage.SetTHT(0); };
  a.levelsStored = [this] { SaveParametersFile(shared_.parameters); };
  a.quitAfterAbortYes = [this] { QuitAfterAbortYes(); };
  a.quitIntegration = [this] { QuitIntegration(); };
  a.quitAfterLogFailure = [this] { QuitAfterLogFailure(); };
  a.refreshReadings = [this] {
    RefreshInstrumentReadings(program_, *windows_.general, *windows_.general, windows_.general);
  };
  a.diskError = [this](const DiskErrorReport& report) { return windows_.diskError->ShowDiskError(report); };
  a.openFilters = [this] { windows_.filtersMirror->exec(); };
  a.suspend = [this] { Suspend(); };
  a.deferredStop = [this] { DeferredStop(); };
  a.writeOnLogbook = [this] { WriteOnLogbook(); };
  a.displayLogbook = [this] { DisplayLogbook(); };
  a.printWindow = [this] { PrintWindow(); };
  a.openDataCube = [this] { OpenDataCube(); };
  a.reloadLogbook = [this] {
    ReloadLogbook(shared_.acquisition, logbookView_, [this](const std::string& text) {
      windows_.logBook->SetLogText(QString::fromStdString(text));
    });
  };
  a.showSupervisorMessage = [this](const std::string& line1, const std::string& line2) {
    windows_.virus->ShowMessage(QString::fromStdString(line1), QString::fromStdString(line2));
  };
  a.hideSupervisorMessage = [this] { windows_.virus->hide(); };
  a.seeParameters = [this] { SeeParameters(); };
  g.SetActions(std::move(a));
  ConnectParametersWindow();
  windows_.logBook->SetReloadRequest([this] { shared_.acquisition.logbookReload = 1; });
  windows_.requestAbort->SetCloseShutter([this] {
    program_.board.CommandShutter(1);
    program_.board.RefreshShutterStatus(*windows_.general);
  });
  TSuspended::Actions suspension;
  suspension.answer = [this](SuspensionChoice choice, const std::string& channel, const std::string& cycle) {
    return AnswerSuspension(shared_.acquisition, shared_.parameters, choice, channel, cycle, ProcessClock().Now());
  };
  suspension.commandShutter = [this](int close) {
    program_.board.CommandShutter(close);
    program_.board.RefreshShutterStatus(*windows_.general);
  };
  suspension.tuneTHT = [this] {
    OpenTuneTHT();
    // The tuning window wakes the monitor; the store step reads the instrument while counting.
    shared_.acquisition.monitorEnabled = 0;
  };
  suspension.selectFilters = [this] { windows_.filtersMirror->exec(); };
  windows_.suspended->SetActions(std::move(suspension));
  windows_.deferredStop->SetAnswer([this](DeferredStopChoice choice, const DeferredStopEdits& edits) {
    return AnswerDeferredStop(shared_.acquisition, shared_.parameters, choice, edits, *windows_.general);
  });
  // A temperature port that cannot be opened ends the program after its error,
  // through the same shutdown as every other way of quitting.
  program_.temperature.SetEndProgram([this] { EndOfProgram(false); });
  monitor_.SetTuning(&windows_.tuneTht->tuning());
  monitor_.AlsoShowShutterOn(windows_.tuneTht);
  monitor_.AlsoShowShutterOn(windows_.filtersMirror);
  program_.engine.SetAfterWorker3([this] {
    if (shared_.acquisition.remanenceRequested)
      WriteRemanenceImages(program_.grabber, shared_.acquisition, shared_.parameters);
  });
}

MainWindowController::~MainWindowController() { StopThreads(); }

void MainWindowController::StopThreads() {
  if (controle_) controle_->Stop();
  if (alarm_) alarm_->Stop();
  if (storeFrames_) storeFrames_->Stop();
  program_.comptage.Stop();
  program_.tvContinue.Stop();
}

// A quit may be raised inside a step whose thread waits for it: the threads are
// only told to stop, never waited for; the process end stops them.
void MainWindowController::MarkThreadsTerminated() {
  if (controle_) controle_->RequestStop();
  if (storeFrames_) storeFrames_->RequestStop();
  if (alarm_) alarm_->RequestStop();
  program_.comptage.RequestStop();
  program_.tvContinue.RequestStop();
}

// The parameters window: shown for a new acquisition, it prepares, checks and hands
// over the parameter set; at start-up a channel the previous observation left in
// progress is put aside first.
void MainWindowController::PrepareParameters() {
  AcquisitionParameters& p = shared_.parameters;
  AcquisitionState& s = shared_.acquisition;
  if (s.startUpInProgress && !p.AnotherInstance)
    if (const auto found = RecoverPreviousObservation(ProcessClock().Now())) {
      const auto lines = InterruptedChannelMessage(*found);
      ShowError(lines[0], lines[1], lines[2]);
    }
  windows_.parameters->ShowModal();
}

void MainWindowController::StartInstrumentMonitor() {
  AcquisitionState& s = shared_.acquisition;
  if (!controle_) {
    // A tick handed over after the end began finds nothing to refresh.
    controle_ = std::make_unique<ControleThread>([this] {
      if (!ended_) monitor_.TickIfEnabled();
    });
    controle_->Start();
    s.monitorCreated = 1;
    windows_.tuneTht->ZeroRequestedVolts();
  }
  s.monitorEnabled = 1;
}

void MainWindowController::OpenTuneTHT() { velmar::OpenTuneTHT(*windows_.tuneTht); }

void MainWindowController::OpenTests() {
  if (!milTest_) {
    milTest_ = new TMILTest(shared_, program_.grabber, program_.board, windows_.parameters);
    TMILTest::Services services;
    services.tuneTht = [this] { OpenTuneTHT(); };
    services.counting.link = &link_;
    services.counting.readScanEdits = [this] {
      // The scan typed in the parameters window, each only when it reads as a number.
      AcquisitionParameters& p = shared_.parameters;
      auto text = [this](const char* name) {
        auto* e = windows_.parameters->findChild<QLineEdit*>(name);
        return e ? e->text().toStdString() : std::string();
      };
      if (const auto lz = LeadingInt(text("EditLz")); lz && *lz > 0) p.Lz = *lz;
      if (const auto lambda = LeadingReal(text("EditLambda"))) p.Lambda = *lambda;
      if (const auto cqg = LeadingReal(text("EditCqg"))) p.Cqg = *cqg;
    };
    services.counting.saveParameters = [this] { SaveParametersFile(shared_.parameters); };
    milTest_->SetServices(std::move(services));
  }
  milTest_->exec();
}

void MainWindowController::ConnectParametersWindow() {
  TParameters& w = *windows_.parameters;
  AcquisitionParameters& p = shared_.parameters;
  AcquisitionState& s = shared_.acquisition;
  TParameters::Services services;
  // A second copy ends at once: the shutter, the files and the witness are the
  // running copy's.
  services.checkOtherInstances = [this, &p] {
    CheckOtherInstances(p, warnings_, witness_, [this] { endProcess_(kSecondCopyExitCode); });
  };
  services.initialiseInstruments = [this, &w, &s] {
    if (program_.board.OpenBoard())
      ShowError("Error initializing the AXIOM input/output board", program_.board.lastErrorText(), "");
    program_.board.RefreshShutterStatus(w);
    WaitSeconds(1.0);  // a shutter still moving reads right a second later
    program_.board.RefreshShutterStatus(w);
    s.closeLoopWatch = 1;
    program_.board.ShowCloseLoop(w);
  };
  services.clearThtWarning = [this] { windows_.warningTht->ClearDone(); };
  services.setThtZero = [this] { program_.highVoltage.SetTHT(0); };
  services.commandShutter = [this, &w](int close) {
    program_.board.CommandShutter(close);
    program_.board.RefreshShutterStatus(w);
    program_.board.RefreshShutterStatus(*windows_.general);
  };
  services.readShutterStatus = [this] { return program_.board.ReadShutterStatus(); };
  services.refreshShutter = [this, &w] { program_.board.ShowShutterStatus(w); };
  services.openTemperaturePort = [this, &w] {
    program_.temperature.OpenTemperaturePort();
    program_.temperature.ShowTemperature(w);
  };
  services.checkDriverFiles = [this, &p] { CheckDriverFiles(p, driverConsole_); };
  services.chooseDirectory = [this](std::string& path, const std::string& observation) {
    return windows_.repertoire->Choose(path, observation);
  };
  // Another live copy writing into the data directory refuses it; a lock left by a
  // copy that died does not.
  services.lockDataDirectory = [this](const std::string& path) {
    if (dataLock_.held() && path == dataLockPath_) return true;
    DirectoryLock lock(path);
    if (lock.busy()) {
      ShowError("The data directory is in use by another copy of the program", path,
                "Choose another data directory (nothing was written)");
      return false;
    }
    dataLock_ = std::move(lock);  // unlocked where it cannot be made: the access test says why
    dataLockPath_ = path;
    return true;
  };
  services.refreshMainWindow = [this] { windows_.general->RefreshParameterLabels(); };
  services.handLevelsToMainWindow = [this] { windows_.general->ShowTvLevelDefaults(); };
  // Leaving the window before any acquisition ends the program: said, never silent.
  services.endProgram = [this](bool deleteWitness) {
    std::fprintf(stderr, "The parameters window was left before any acquisition: the program ends (parameters kept in %s)\n",
                 ParametersFilePath().c_str());
    EndOfProgram(true, 0, deleteWitness);
  };
  services.startMonitor = [this] { StartInstrumentMonitor(); };
  services.stopMonitor = [this] { shared_.acquisition.monitorEnabled = 0; };
  services.refreshFiltersMirror = [this, &p] {
    if (p.RunState != 1) windows_.filtersMirror->ParametersShown();  // positions of a running plan stay
  };
  services.tuneTht = [this] { OpenTuneTHT(); };
  services.testsMatroxPf = [this] { OpenTests(); };
  services.selectFiltersMirror = [this] { windows_.filtersMirror->exec(); };
  services.analogicCalibration = [this, &w] {
    TAnalogic::Services analogic;
    analogic.link = &link_;
    analogic.collectParameters = [&w] { w.CollectParameters(true); };
    analogic.safeStop = [this] {
      devices_.CloseShutter();
      devices_.CheckHighVoltage();
      devices_.ShowIdleBanner();
    };
    windows_.analogic->SetServices(std::move(analogic));
    return static_cast<int>(windows_.analogic->Run());
  };
  w.SetServices(std::move(services));
  // The parameters window shows what the handset finds, as it shows the monitor's.
  windows_.filtersMirror->filters().SetStatus(&w);
}

void MainWindowController::SeeParameters() {
  windows_.parameters->ShowForViewing();
  windows_.general->RefreshParameterLabels();
}

void MainWindowController::StartUp() {
  TGeneral& g = *windows_.general;
  AcquisitionState& s = shared_.acquisition;
  s.startUpInProgress = 1;
  g.HideEndButtons();
  ShowStartBanner(program_.grabber);
  windows_.controlMonitor->show();
  s.fullSilence = 0;
  windows_.attente->show();
  QCoreApplication::processEvents();
  s.alarmCode = 0;
  g.SetWindowHeight(263);
  g.ShowPanel({});
  program_.tvContinue.Start();
  g.EnableSeeParameters(false);
  NewAcquisitionReset();
  if (ended_) return;
  SetUpContext setUp{program_.grabber, s.grabber, s.levels, program_.engine, program_.synthetic, grabberConsole_,
                     [this] {
                       witness_.Remove();
                       SafeStop(devices_, std::string(TextOf(shared_.parameters.Path)));
                       endProcess_(0);
                     }};
  SetUpFrameGrabber(setUp, shared_.parameters);
  s.storingHeld = 1;
  QCoreApplication::processEvents();
  link_.ComputeScanGeometry();
  link_.InitialiseAndPark();
  WaitSeconds(1.0);
  link_.DriveToChannel(1);
  program_.comptage.Start();
  storeFrames_ = std::make_unique<StoreFramesThread>([&s] { s.stepEndMs = s.stepStartMs = ProcessClock().MonotonicMs(); },
                                                     [this] {
                                                       // A step handed over before the end began stores nothing.
                                                       if (ended_ || cameraGoneSaid_) return;
                                                       StoreStep(context_);
                                                       if (!program_.engine.cameraGone().empty()) CameraGone();
                                                     });
  storeFrames_->Start();
  alarm_ = std::make_unique<AlarmThread>([this] {
    if (!ended_) AlarmCheck(alarmContext_);
  });
  alarm_->Start();
  windows_.attente->hide();
  windows_.clickOnStart->show();
  g.ShowStayOnTop(true);
  g.EnableSeeParameters(true);
}

void MainWindowController::NewAcquisitionReset() {
  TGeneral& g = *windows_.general;
  AcquisitionState& s = shared_.acquisition;
  s.alarmCode = 0;
  g.ResetShutterControl();
  s.redoChannel = s.redoCycle = 0;
  s.interruptedChannel = -1;
  s.closeLoopCount = s.lastLoggedAlarm = 0;
  // What is queued belongs to the observation that ended; what comes next waits for
  // the new observation's log, written at its Start.
  FlushLogMessage(s);
  ClearQueuedLogLines(s);
  s.logPath.clear();
  g.EnableDataCube(false);
  g.EnableSuspend(false);
  g.EnableDeferredStop(false);
  ShowCountingState(CountingState::Standby, shared_.parameters, s, g);
  s.frameSizeX = s.frameSizeY = 512;
  s.cumulatedExposure = 0.0f;
  s.cumulatedFrames = s.photonsUnits = s.photonsMillions = 0;
  s.cumulatedFramesDropped = 0;
  s.bytesWritten = 0;
  s.channelPhotons = s.channelFrames = 0;
  s.lastLogLength = kUnknownLength;
  s.currentChannel = 0;
  s.currentCycle = 1;
  s.scanDirection = 1;
  s.deferredStopRequested = 0;
  s.endDialogState = s.abortDialogState = s.pauseDialogState = 0;
  s.storingHeld = 1;
  s.acquisitionStarted = 0;
  g.ShowWriting("");
  shared_.parameters.RunState = 0;
  PrepareParameters();
  if (ended_) return;
  g.move(575, 22);
  g.RefreshParameterLabels();
  program_.engine.photons().Reset();
}

// The plan's scan before its first channel: its geometry, a controller the plans
// before never needed, and the etalon parked on the first channel when either changed.
void MainWindowController::PrepareScan() {
  const AcquisitionState& s = shared_.acquisition;
  const float step = s.PFstep, base = s.PFbase;
  link_.ComputeScanGeometry();
  const bool initialised = link_.InitialiseIfNotYet();
  if (initialised) WaitSeconds(1.0);
  if (initialised || step != s.PFstep || base != s.PFbase) link_.DriveToChannel(1);
}

void MainWindowController::Start() {
  // The parameters may have been changed through "See parameters" since.
  PrepareScan();
  if (StartAcquisition(context_, windows_.general->DiscriminatorText().toStdString())) {
    windows_.general->SetAcquiringButtons();
    windows_.general->EnableDataCube(!shared_.acquisition.logPath.empty());
    shared_.acquisition.monitorEnabled = 0;  // the store step reads the instrument while counting
  }
}

void MainWindowController::NewAcquisition() {
  TGeneral& g = *windows_.general;
  AcquisitionState& s = shared_.acquisition;
  s.startUpInProgress = 0;
  if (ProcessRunning("Vlm3D")) warnings_.ShowTwoVlm3D();
  NewAcquisitionReset();
  if (ended_) return;
  PrepareScan();
  g.HideEndButtons();
  s.acquisitionEnded = 0;
  g.SetStandbyButtons(true);
  windows_.clickOnStart->show();
}

void MainWindowController::EndOfProgram(bool showTerminating, int exitCode, bool removeWitness) {
  if (ended_) return;
  ended_ = true;
  AcquisitionState& s = shared_.acquisition;
  if (showTerminating) {
    windows_.terminating->show();
    QCoreApplication::processEvents();
  }
  MarkThreadsTerminated();
  windows_.tuneTht->tuning().StopPositioning();  // no further THT step once the end has begun
  FlushLogMessage(s);  // a line still queued is not overwritten by the terminate line
  if (const auto cut = EndChannelInProgress(s, shared_.parameters)) {
    QueueLogLine(s, CutShortLogLine(*cut, TimeOfDayText(ProcessClock().Now())));
    const QString text = QString::fromStdString(CutShortText(*cut));
    windows_.terminating->SayChannelCutShort(text);
    windows_.general->ShowWriting(cut->partialKept ? "partial: " + cut->fileName : "");
    if (!showTerminating) {
      windows_.terminating->show();
      QCoreApplication::processEvents();
    }
  }
  TerminateAcquisition(s, program_.engine, program_.grabber);
  FlushLogMessage(s);
  s.quitting = 1;
  windows_.general->SetQuitting();
  if (removeWitness) witness_.Remove();  // the process ends at once: no destructor will
  // The temporary files of a data directory another copy writes into are its own.
  std::string dataDirectory(TextOf(shared_.parameters.Path));
  if (!(dataLock_.held() && dataDirectory == dataLockPath_) && DirectoryLock(dataDirectory).busy())
    dataDirectory.clear();
  SafeStop(devices_, dataDirectory);
  dataLock_.Release();
  std::error_code ec;
  if (!s.tempPath.empty()) std::filesystem::remove(s.tempPath, ec);
  endProcess_(exitCode);
  windows_.parameters->ProgramEnded();  // reached only where the end of the process is recorded
}

void MainWindowController::CameraGone() {
  if (ended_ || cameraGoneSaid_) return;
  cameraGoneSaid_ = true;
  AcquisitionState& s = shared_.acquisition;
  const std::string why = program_.engine.cameraGone();
  devices_.CloseShutter();  // nothing is counted any more: the tube is not left open while the error waits
  FlushLogMessage(s);
  QueueLogLine(s, Format("!!! Automatic system decision at %s : ABORT AND QUIT, camera gone (%s)",
                         TimeOfDayText(ProcessClock().Now()).c_str(), why.c_str()));
  // "grab: the camera ID is gone: REASON" said as "ID: REASON", short enough for its line.
  std::string said = why;
  const std::string lead = "the camera ", gone = " is gone: ";
  if (const auto at = why.find(lead), end = why.find(gone); at != std::string::npos && end != std::string::npos && end > at)
    said = why.substr(at + lead.size(), end - at - lead.size()) + ": " + why.substr(end + gone.size());
  ShowError("The camera is gone: the acquisition ends, the complete channels are kept", said,
            "Connect the camera again, then start the program again");
  EndOfProgram(true, 1);
}

void MainWindowController::AbortAndQuit(bool confirmed) {
  if (confirmed) EndOfProgram(true);
  else RequestAbort();
}

int MainWindowController::RequestAbort() {
  AcquisitionState& s = shared_.acquisition;
  s.operatorAnswer = windows_.requestAbort->Ask();
  if (s.operatorAnswer == 0) {
    EndOfProgram(true);
  } else if (const auto cut = AfterAbortRequest(s, shared_.parameters, *windows_.general, ProcessClock().Now())) {
    windows_.general->ShowWriting(cut->partialKept ? "partial: " + cut->fileName : "");
    const auto lines = CutShortLines(*cut);
    ShowError(lines[0], lines[1], lines[2]);
  }
  return s.operatorAnswer;
}

// "Abort definitively acquisition" answered "&No" brings the suspension window
// back: storing is still held, and the observer chooses again what follows.
void MainWindowController::Suspend() {
  AcquisitionState& s = shared_.acquisition;
  const SuspensionView view = BeginSuspension(s, shared_.parameters, *windows_.general);
  for (;;) {
    windows_.suspended->Fill(view);
    windows_.suspended->exec();
    if (ended_) return;
    if (s.operatorAnswer != -1) {
      ResumeAfterSuspension(s, shared_.parameters, *windows_.general);
      return;
    }
    if (RequestAbort() != 1) return;
  }
}

void MainWindowController::DeferredStop() {
  AcquisitionState& s = shared_.acquisition;
  windows_.deferredStop->Fill(DeferredStopShown(s));
  if (windows_.deferredStop->exec() != QDialog::Accepted) s.operatorAnswer = 1;  // "&Cancel": nothing changes
}

void MainWindowController::WriteOnLogbook() {
  if (const auto text = windows_.commentOnLogBook->Ask())
    QueueComment(shared_.acquisition, text->toStdString(), ProcessClock().Now());
}

void MainWindowController::DisplayLogbook() {
  shared_.acquisition.logbookReload = 1;
  logbookView_ = LogbookView{true, 0};
  windows_.logBook->exec();
  logbookView_.open = false;
}

void MainWindowController::OpenDataCube() {
  const std::string log = shared_.acquisition.logPath;
  if (log.empty()) return;
  if (!dataCube_) dataCube_ = new TDataCube(windows_.general);
  if (dataCube_->LogPath() != log) {
    std::string error;
    if (!dataCube_->Open(log, error)) {
      ShowError("Impossible to show the data cube", log, error);
      return;
    }
  }
  dataCube_->show();
  dataCube_->raise();
  dataCube_->activateWindow();
}

void MainWindowController::PrintWindow() {
  const AcquisitionParameters& p = shared_.parameters;
  const std::string pdf = JoinPath(std::string(TextOf(p.Path)), Format("%s%3.3d_window.pdf", p.Prefix, p.Numobs));
  PrintWindowWithDialog(*windows_.general, QString::fromStdString(pdf));
}

void MainWindowController::QuitApplication() { EndOfProgram(true); }
void MainWindowController::QuitAfterAbortYes() { EndOfProgram(false); }
void MainWindowController::QuitIntegration() { EndOfProgram(false); }
void MainWindowController::QuitAfterLogFailure() { EndOfProgram(true); }

void MainWindowController::QuitOnSignal(int signal) {
  if (ended_) return;  // the end under way goes on (a repeated signal only hurries it)
  LogQuitSignal(shared_.acquisition, signal);
  EndOfProgram(true, QuitSignals::ExitCode(signal));
}

}  // namespace velmar
