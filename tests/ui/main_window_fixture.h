#pragma once
// The whole windowed program on the simulated camera, in a program directory laid
// out from presets/, with its own home and system directories; the end of process
// is recorded instead of ending the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/acquisition_program.h"
#include "app/qt/main_window_controller.h"
#include "app/qt/program_windows.h"
#include "console/TGeneral.h"
#include "platform/error_reporter.h"
#include "support/temp_dir.h"

namespace velmar {

class MainWindowFixture : public ::testing::Test {
 protected:
  MainWindowFixture() : cwd_(dir_.path()), system_(dir_.path() / "system"), installed_(errors_) {
    const char* home = std::getenv("HOME");
    home_ = home ? home : "";
    setenv("HOME", dir_.path().c_str(), 1);  // the default data directory goes under the test's own
    std::filesystem::copy(VELMAR_PRESETS_DIR, dir_.path(), std::filesystem::copy_options::recursive);
    QDir().mkpath(QString::fromStdString(pictures_));
  }
  ~MainWindowFixture() override {
    controller_.reset();
    delete windows_.general;
    setenv("HOME", home_.c_str(), 1);
  }

  // The program's objects and windows, once the test has laid out what they read.
  void CreateProgram() {
    program_ = std::make_unique<AcquisitionProgram>(shared_, [this] {
      ShowCountingState(CountingState::Standby, shared_.parameters, shared_.acquisition, *windows_.general);
    });
    windows_ = CreateProgramWindows(*program_, [](int) {});
    controller_ = std::make_unique<MainWindowController>(*program_, windows_, [this](int) { ++ended_; });
  }

  TGeneral& general() { return *windows_.general; }
  QLabel* Label(const char* name) { return general().findChild<QLabel*>(name); }
  QPushButton* Button(const char* name) { return general().findChild<QPushButton*>(name); }
  // Lets the program run (threads hand their steps over) until the condition holds.
  bool RunUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }
  void Picture(const char* name) { general().grab().save(QString::fromStdString(pictures_ + "/" + name + ".png")); }

  testing::TempDir dir_;
  testing::ScopedCurrentDir cwd_;
  testing::ScopedSystemDir system_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter installed_;
  // Pictures go beside the other window pictures of the test run.
  std::string pictures_ =
      (std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "pictures").string();
  SharedState shared_;
  std::unique_ptr<AcquisitionProgram> program_;
  ProgramWindows windows_;
  std::unique_ptr<MainWindowController> controller_;
  int ended_ = 0;
  std::string home_;
};

}  // namespace velmar
