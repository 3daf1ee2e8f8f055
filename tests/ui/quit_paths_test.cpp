// Every way of quitting the windowed program, through the real main window and
// its real threads: each runs in a child process (the program's end is an
// immediate process exit) that must end within a deadline, with the shutter
// closed, the temporary photon files gone and the log told.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "platform/directory_lock.h"
#include "platform/quit_signals.h"
#include "platform/single_instance.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;
constexpr int kDeadlineMs = 20000;

struct Ending {
  bool finished = false;
  QProcess::ExitStatus status = QProcess::CrashExit;
  int exitCode = -1;
  std::map<std::string, std::string> lines;  // the driver's "key value" lines, the last of each key
  std::string output;
  std::string said(const std::string& key) const { return lines.count(key) ? lines.at(key) : std::string(); }
};

class QuitPath : public ::testing::Test {
 protected:
  QuitPath() {
    fs::copy(VELMAR_PRESETS_DIR, dir_.path(), fs::copy_options::recursive);
    // The display program's stand-in records the arguments it was started with.
    testing::WriteFile((dir_.path() / "Vlm3D").string(),
                       "#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/vlm3d-args.txt\"\n");
    fs::permissions(dir_.path() / "Vlm3D", fs::perms::owner_all);
    fs::create_directories(system());
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.insert("VELMAR_SYSTEM_DIR", QString::fromStdString(system().string()));
    env_.insert("HOME", QString::fromStdString(dir_.path().string()));  // the data directory goes under it
    env_.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime().string()));  // its own single-instance lock
    env_.remove("VELMAR_PROGRAM_DIR");
  }

  fs::path system() const { return dir_.path() / "system"; }
  fs::path runtime() const { return dir_.path() / "run"; }
  fs::path witness() const { return system() / "vltemoin.tmp"; }

  void Launch(QProcess& process, const QString& program, const QStringList& arguments) {
    process.setProcessEnvironment(env_);
    process.setWorkingDirectory(QString::fromStdString(dir_.path().string()));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForStarted(5000)) << program.toStdString();
  }

  // Waits for the end; a program still running at the deadline hangs: killed.
  Ending Finish(QProcess& process) {
    Ending e;
    e.finished = process.waitForFinished(kDeadlineMs);
    if (!e.finished) {
      process.kill();
      process.waitForFinished(5000);
    }
    e.status = process.exitStatus();
    e.exitCode = process.exitCode();
    e.output = process.readAll().toStdString();
    std::istringstream lines(e.output);
    for (std::string line; std::getline(lines, line);) {
      std::erase(line, '\a');  // the alarm beep rings the terminal bell on the same output
      if (const auto space = line.find(' '); space != std::string::npos)
        e.lines[line.substr(0, space)] = line.substr(space + 1);
    }
    return e;
  }

  Ending RunDriver(const std::string& scenario) {
    QProcess process;
    Launch(process, VELMAR_QUIT_DRIVER, {QString::fromStdString(scenario)});
    return Finish(process);
  }

  // What every quit path leaves: the process ended with its code, the shutter
  // closed, no temporary photon file left in the data directory, no witness file
  // saying that an acquisition task still runs.
  void ExpectSafeEnd(const Ending& e, int exitCode) const {
    ASSERT_TRUE(e.finished) << "the program hung; it said:\n" << e.output;
    ASSERT_EQ(e.status, QProcess::NormalExit) << e.output;
    EXPECT_EQ(e.exitCode, exitCode) << e.output;
    EXPECT_EQ(e.said("exit-code"), std::to_string(exitCode)) << e.output;
    EXPECT_EQ(e.said("shutter-closed"), "1") << e.output;
    ASSERT_FALSE(e.said("data-dir").empty()) << e.output;
    const fs::path data = e.said("data-dir");
    EXPECT_FALSE(fs::exists(data / "ipcsdata.tmp"));
    EXPECT_FALSE(fs::exists(data / "ipcschn.tmp"));
    EXPECT_FALSE(fs::exists(witness()));
  }

  static std::string Log(const Ending& e) {
    return fs::is_regular_file(e.said("log")) ? testing::ReadFile(e.said("log")) : "";
  }

  testing::TempDir dir_;
  QProcessEnvironment env_;
};

// Operator quits.

TEST_F(QuitPath, YesInTheAbortPanelEndsTheProgramFromInsideTheStoreStep) {
  const Ending e = RunDriver("abort-yes");
  ExpectSafeEnd(e, 0);
  EXPECT_EQ(e.said("shutter-open-before-quit"), "1");
  EXPECT_NE(Log(e).find("TERMINATE ACQUISITION..."), std::string::npos) << Log(e);
  EXPECT_FALSE(fs::exists(witness()));
  // The two complete channels of the plan are kept under their final names.
  const fs::path data = e.said("data-dir");
  int photonFiles = 0;
  for (const auto& entry : fs::directory_iterator(data)) photonFiles += entry.path().extension() == ".VLA";
  EXPECT_EQ(photonFiles, 3);  // channel 0, then channels 1 and 2
}

// "Abort and Quit" asks first; "&Yes" ends the program while the threads run.
TEST_F(QuitPath, YesToTheAbortRequestEndsTheProgramWhileAcquiring) {
  const Ending e = RunDriver("request-abort");
  ExpectSafeEnd(e, 0);
  EXPECT_NE(e.output.find("modal TRequestAbort"), std::string::npos) << e.output;
  EXPECT_NE(Log(e).find("TERMINATE ACQUISITION..."), std::string::npos) << Log(e);
  EXPECT_FALSE(fs::exists(witness()));
}

// Suspended, "Abort definitively acquisition", "&No" brings the suspension back;
// the second time "&Yes" ends the program.
TEST_F(QuitPath, AbortingFromTheSuspensionAsksAndEndsTheProgram) {
  const Ending e = RunDriver("suspend-abort");
  ExpectSafeEnd(e, 0);
  const auto first = e.output.find("modal TSuspended");
  ASSERT_NE(first, std::string::npos) << e.output;
  EXPECT_NE(e.output.find("modal TSuspended", e.output.find("modal TRequestAbort", first)), std::string::npos)
      << e.output;
  EXPECT_NE(Log(e).find("TERMINATE ACQUISITION..."), std::string::npos) << Log(e);
  EXPECT_FALSE(fs::exists(witness()));
}

// The observer's whole path: the high voltage left as it is, a preset loaded, the
// type, source and plan typed, OK; the observation runs with what was typed.
TEST_F(QuitPath, TheObservationRunsWithWhatWasTypedInTheParametersWindow) {
  const Ending e = RunDriver("observer");
  ExpectSafeEnd(e, 0);
  EXPECT_EQ(e.said("grid-camera-driver"), "asga512.dcf") << e.output;
  EXPECT_EQ(e.said("plan"), "3 1 1 1") << e.output;  // 3 channels of 1 s, 1 cycle, calibration
  const fs::path data = e.said("data-dir");
  EXPECT_EQ(data.filename(), "G007");
  for (const char* channel : {"G0070100.VLA", "G0070101.VLA", "G0070102.VLA", "G0070103.VLA"})
    EXPECT_TRUE(fs::exists(data / channel)) << channel;
  const std::string log = Log(e);
  EXPECT_NE(log.find("NGC 7331 core"), std::string::npos) << log;
  EXPECT_NE(log.find("6581/20"), std::string::npos) << log;
  // The display program was started with the observation's first file.
  const std::string display = testing::ReadFile((dir_.path() / "vlm3d-args.txt").string());
  EXPECT_EQ(display.substr(0, display.find(' ')), (data / "G0070101.VLA").string()) << display;
}

TEST_F(QuitPath, QuitIntegrationOfTheDiskErrorWindowEndsTheProgramFromInsideTheStoreStep) {
  const Ending e = RunDriver("disk-quit");
  ExpectSafeEnd(e, 0);
  EXPECT_NE(e.output.find("modal TDiskError"), std::string::npos) << e.output;
  EXPECT_NE(Log(e).find("TERMINATE ACQUISITION..."), std::string::npos) << Log(e);
  EXPECT_FALSE(fs::exists(witness()));
}

TEST_F(QuitPath, QuitApplicationAfterAnEndedAcquisitionEndsTheProgram) {
  const Ending e = RunDriver("quit-application");
  ExpectSafeEnd(e, 0);
  EXPECT_EQ(e.said("phase"), "4") << e.output;
  EXPECT_NE(Log(e).find("TERMINATE ACQUISITION..."), std::string::npos) << Log(e);
}

// Escape and the close box leave the disk-error window's answer as it was,
// "&Ignore": the acquisition goes on to its end.
TEST_F(QuitPath, EscapeOrTheCloseBoxOfTheDiskErrorWindowLetTheAcquisitionGoOn) {
  const Ending e = RunDriver("disk-escape");
  ExpectSafeEnd(e, 0);
  EXPECT_NE(e.output.find("disk-answer escape"), std::string::npos) << e.output;
  EXPECT_NE(e.output.find("disk-answer close-box"), std::string::npos) << e.output;
  EXPECT_EQ(e.said("disk-answer"), "ignore") << e.output;
  EXPECT_EQ(e.said("phase"), "3") << e.output;  // the end panel came, then the abort panel's "Yes"
  const fs::path data = e.said("data-dir");
  for (const char* channel : {"G9990101.VLA", "G9990102.VLA"}) EXPECT_TRUE(fs::exists(data / channel)) << channel;
}

TEST_F(QuitPath, ALogFileThatCannotBeWrittenEndsTheProgram) {
  const Ending e = RunDriver("log-failure");
  ExpectSafeEnd(e, 0);
  EXPECT_NE(e.output.find("Impossible to create the log file"), std::string::npos) << e.output;
}

TEST_F(QuitPath, ACs100PortThatCannotBeOpenedEndsTheProgram) {
  const Ending e = RunDriver("cs100-port");
  ExpectSafeEnd(e, 0);
  EXPECT_NE(e.output.find("Impossible to open the COM port of the CS100 !"), std::string::npos) << e.output;
  EXPECT_EQ(e.said("started-up"), "");
}

TEST_F(QuitPath, BypassAfterAFrameGrabberErrorEndsTheProgram) {
  const Ending e = RunDriver("grabber-bypass");
  ExpectSafeEnd(e, 0);
  EXPECT_NE(e.output.find("modal TErrorMatrox"), std::string::npos) << e.output;
  EXPECT_NE(e.output.find("\"Bypass\" closes the shutter and ends the program."), std::string::npos) << e.output;
  EXPECT_EQ(e.said("started-up"), "");
}

// The camera and monitor files laid out by the first instrument while the parameters
// window is up: the start banner could not open the monitor before, the set-up can now,
// and no error of the banner's is held against it.
TEST_F(QuitPath, GrabberFilesLaidOutWhileTheParametersWindowIsUpSetUpWithoutError) {
  const Ending e = RunDriver("grabber-files-late");
  ExpectSafeEnd(e, 0);
  EXPECT_EQ(e.output.find("modal TErrorMatrox"), std::string::npos) << e.output;
  EXPECT_EQ(e.said("started-up"), "1") << e.output;
  EXPECT_EQ(e.said("phase"), "3") << e.output;
  EXPECT_TRUE(fs::exists(dir_.path() / "ecran.vcf"));
}

TEST_F(QuitPath, QuitInTheParametersWindowAtStartUpEndsTheProgram) {
  const Ending e = RunDriver("parameters-quit");
  ExpectSafeEnd(e, 0);
  EXPECT_EQ(e.said("started-up"), "");
  EXPECT_TRUE(fs::exists(system() / "vla.def"));  // the parameters are kept for the next start
}

// Ctrl-C while the observer prepares the first acquisition: the abort-and-quit path,
// from inside the parameters window's own loop.
TEST_F(QuitPath, CtrlCWhileTheParametersWindowIsUpAtStartUpEndsTheProgram) {
  const Ending e = RunDriver("parameters-signal");
  ExpectSafeEnd(e, QuitSignals::ExitCode(SIGINT));
  EXPECT_EQ(e.said("started-up"), "");
  EXPECT_FALSE(fs::exists(witness()));
}

// The close box of the parameters window, and Escape, which is the close box, end
// the program as "&Quit" does, saying so; the parameters they keep before any
// instrument was loaded are read at the next start without a complaint.
TEST_F(QuitPath, TheParametersWindowCloseBoxAtStartUpEndsTheProgram) {
  for (const char* scenario : {"parameters-close", "parameters-escape"}) {
    SCOPED_TRACE(scenario);
    fs::remove(system() / "vla.def");
    const Ending e = RunDriver(scenario);
    ExpectSafeEnd(e, 0);
    EXPECT_EQ(e.said("started-up"), "");
    EXPECT_NE(e.output.find("the program ends"), std::string::npos) << e.output;
    ASSERT_TRUE(fs::exists(system() / "vla.def"));
    const Ending next = RunDriver("parameters-quit");
    ExpectSafeEnd(next, 0);
    EXPECT_EQ(next.output.find("cannot be read"), std::string::npos) << next.output;
    EXPECT_FALSE(fs::exists(system() / "vla.def.bad"));
  }
}

// The high voltage still on at the end: the THT warning, answered by setting it to zero.
TEST_F(QuitPath, TheThtWarningComesOnTheWayOutWhileTheHighVoltageIsOn) {
  const Ending e = RunDriver("tht-warning");
  ExpectSafeEnd(e, QuitSignals::ExitCode(SIGHUP));
  EXPECT_EQ(e.said("tht-before-quit"), "1500") << e.output;
  EXPECT_NE(e.output.find("modal TWarningTHT: Warning ! THT is not set to zero volts"), std::string::npos) << e.output;
  EXPECT_EQ(e.said("tht-sent"), "0") << e.output;
}

// A second copy: told so, and ended at once with a failure code; the witness
// file, the shutter and the photon files are the running copy's. The running
// copy is found by its lock in the system directory alone (another runtime
// directory) as well as by both locks.
TEST_F(QuitPath, ASecondCopyIsToldSoAndEndsTouchingNothing) {
  for (const bool sameRuntime : {true, false}) {
    SCOPED_TRACE(sameRuntime ? "same runtime directory" : "another runtime directory");
    SingleInstanceLock systemLock(system(), kApplicationTitle);
    std::unique_ptr<SingleInstanceLock> userLock;
    if (sameRuntime) userLock = std::make_unique<SingleInstanceLock>(runtime(), kApplicationTitle);
    ASSERT_TRUE(systemLock.held());
    testing::WriteFile(witness().string(), "Temoin VlmIPCS");
    const Ending e = RunDriver("abort-yes");
    ASSERT_TRUE(e.finished) << "the second copy ran on; it said:\n" << e.output;
    EXPECT_EQ(e.exitCode, 1) << e.output;
    EXPECT_NE(e.output.find("modal TTwoPrograms"), std::string::npos) << e.output;
    EXPECT_EQ(e.said("started-up"), "") << e.output;
    EXPECT_EQ(e.said("shutter-open-before-quit"), "") << e.output;
    EXPECT_TRUE(fs::exists(witness()));
    EXPECT_EQ(testing::ReadFile(witness().string()), "Temoin VlmIPCS");
    fs::remove(witness());
  }
}

// Signals: the abort-and-quit path, with the exit code of the signal.

TEST_F(QuitPath, ASignalWhileAcquiringAbortsAndQuitsKeepingTheCompleteChannels) {
  const Ending e = RunDriver("acquiring-signal");
  ExpectSafeEnd(e, QuitSignals::ExitCode(SIGINT));
  const std::string log = Log(e);
  EXPECT_NE(log.find("SIGINT"), std::string::npos) << log;
  EXPECT_NE(log.find("TERMINATE ACQUISITION..."), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(witness()));
  bool channelZeroKept = false;
  for (const auto& entry : fs::directory_iterator(fs::path(e.said("data-dir"))))
    channelZeroKept |= entry.path().extension() == ".VLA" && entry.path().stem().string().ends_with("0100");
  EXPECT_TRUE(channelZeroKept);
}

// A data directory another copy writes into (it holds the directory's lock) is
// refused at OK: said, and nothing is written into it.
TEST_F(QuitPath, ADataDirectoryInUseByAnotherCopyIsRefused) {
  const fs::path inUse = dir_.path() / "in-use";
  fs::create_directories(inUse);
  DirectoryLock otherCopy(inUse.string());
  ASSERT_TRUE(otherCopy.held());
  testing::WriteFile((inUse / "ipcsdata.tmp").string(), "the other copy's channel in progress");
  const Ending e = RunDriver("data-in-use");
  ASSERT_TRUE(e.finished) << e.output;
  EXPECT_EQ(e.exitCode, 0) << e.output;
  EXPECT_NE(e.output.find("The data directory is in use by another copy of the program"), std::string::npos)
      << e.output;
  std::vector<std::string> written;
  for (const auto& entry : fs::directory_iterator(inUse)) written.push_back(entry.path().filename().string());
  std::sort(written.begin(), written.end());
  EXPECT_EQ(written, (std::vector<std::string>{"ipcsdata.tmp", "ipcslock.tmp"}));
  EXPECT_EQ(testing::ReadFile((inUse / "ipcsdata.tmp").string()), "the other copy's channel in progress");
}

// A lock that cannot be made is said as what it is, never as another copy, and the
// program ends touching nothing.
TEST_F(QuitPath, ALockThatCannotBeMadeIsSaidAsSuch) {
  env_.insert("XDG_RUNTIME_DIR", "/proc/nonexistent");
  const Ending e = RunDriver("lock-unmakeable");
  ASSERT_TRUE(e.finished) << e.output;
  EXPECT_EQ(e.exitCode, 1) << e.output;
  EXPECT_NE(e.said("early-modal").find("The lock that tells a running copy of the program cannot be made"),
            std::string::npos)
      << e.output;
  EXPECT_NE(e.said("early-modal").find("/proc/nonexistent/IPCS Velmar.lock"), std::string::npos) << e.output;
  EXPECT_EQ(e.output.find("already running"), std::string::npos) << e.output;
  EXPECT_FALSE(fs::exists(witness()));
}

// A repeated signal hurries the stop and never skips it.
TEST_F(QuitPath, ASignalSentTwiceStillStopsSafely) {
  const Ending e = RunDriver("acquiring-signal-twice");
  ExpectSafeEnd(e, QuitSignals::ExitCode(SIGTERM));
  EXPECT_NE(Log(e).find("ABORT AND QUIT (SIGTERM received)"), std::string::npos) << Log(e);
  EXPECT_NE(Log(e).find("TERMINATE ACQUISITION..."), std::string::npos) << Log(e);
}

TEST_F(QuitPath, ASignalInsideAStepAndAModalWindowAbortsAndQuits) {
  const Ending e = RunDriver("signal-in-step");
  ExpectSafeEnd(e, QuitSignals::ExitCode(SIGTERM));
  EXPECT_NE(e.output.find("modal TDiskError"), std::string::npos) << e.output;
  EXPECT_NE(Log(e).find("SIGTERM"), std::string::npos) << Log(e);
  EXPECT_FALSE(fs::exists(witness()));
}

TEST_F(QuitPath, ASignalWhileTheThtRisesWithTheMonitorRunningStopsTheRiseAndQuits) {
  const Ending e = RunDriver("tuning-signal");
  ExpectSafeEnd(e, QuitSignals::ExitCode(SIGTERM));
  EXPECT_NE(e.output.find("modal TTuneTHT"), std::string::npos) << e.output;
  EXPECT_EQ(e.said("monitor-created"), "1") << e.output;
  EXPECT_GE(std::stoi(e.said("monitor-ticks")), 1) << e.output;  // the monitor ticked through the real threads
  ASSERT_FALSE(e.said("tht-at-signal").empty()) << e.output;
  EXPECT_GE(std::stoi(e.said("tht-at-signal")), 500) << e.output;  // the rise was under way
  // It went no further; the warning on the way out was answered "set THT to zero".
  const auto warning = e.output.find("modal TWarningTHT");
  ASSERT_NE(warning, std::string::npos) << e.output;
  char lastSent[16];
  std::snprintf(lastSent, sizeof lastSent, "| %5.5d |", std::stoi(e.said("tht-at-signal")));
  EXPECT_NE(e.output.find(lastSent, warning), std::string::npos) << e.output;
  EXPECT_EQ(e.said("tht-sent"), "0") << e.output;
  EXPECT_FALSE(fs::exists(witness()));
}

// A signal during an analogic calibration ends the program safely between two
// channels, the THT left on at 1500 V caught on the way out.
TEST_F(QuitPath, ASignalDuringAnAnalogicCalibrationEndsTheProgramSafely) {
  const Ending e = RunDriver("analogic-signal");
  ExpectSafeEnd(e, QuitSignals::ExitCode(SIGTERM));
  EXPECT_NE(e.output.find("modal TAnalogic"), std::string::npos) << e.output;
  EXPECT_NE(e.said("analogic-at-signal").find("Acquiring channel"), std::string::npos) << e.output;
  EXPECT_NE(e.output.find("modal TWarningTHT"), std::string::npos) << e.output;
  EXPECT_EQ(e.said("tht-sent"), "0") << e.output;
}

TEST_F(QuitPath, ASignalWhileIdleAbortsAndQuits) {
  const Ending e = RunDriver("idle-signal");
  ExpectSafeEnd(e, QuitSignals::ExitCode(SIGHUP));
  EXPECT_FALSE(fs::exists(witness()));
}

TEST_F(QuitPath, TheProgramEndsOnSigtermWithItsExitCodeAndLeavesNoWitness) {
  QProcess process;
  Launch(process, VELMAR_GUI_PROGRAM, {});
  QElapsedTimer up;
  up.start();
  while (!fs::exists(witness()) && up.elapsed() < kDeadlineMs && process.state() == QProcess::Running)
    QThread::msleep(20);
  ASSERT_TRUE(fs::exists(witness())) << process.readAll().toStdString();
  QThread::msleep(500);
  ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
  const Ending e = Finish(process);
  ASSERT_TRUE(e.finished) << "the program hung; it said:\n" << e.output;
  ASSERT_EQ(e.status, QProcess::NormalExit) << e.output;
  EXPECT_EQ(e.exitCode, 143) << e.output;
  EXPECT_FALSE(fs::exists(witness()));
  EXPECT_TRUE(SingleInstanceLock(runtime(), "IPCS Velmar").held());  // a new copy may start
}

}  // namespace
}  // namespace velmar
