#pragma once
// The whole windowed program on the simulated camera, in a program directory laid
// out from presets/, with its own home and system directories; the end of process
// is recorded instead of ending the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/acquisition_program.h"
#include "app/qt/main_window_controller.h"
#include "app/qt/program_windows.h"
#include "windows/console/TGeneral.h"
#include "windows/parameters/TParameters.h"
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
    // The display program's stand-in records the arguments it was started with.
    testing::WriteFile(dir_.file("Vlm3D"), "#!/bin/sh\necho \"$@\" >> \"$(dirname \"$0\")/vlm3d-args.txt\"\n");
    std::filesystem::permissions(dir_.file("Vlm3D"), std::filesystem::perms::owner_all);
  }
  ~MainWindowFixture() override {
    observer_.reset();
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
  TParameters& parameters() { return *windows_.parameters; }

  // Plays the observer in the parameters window each time it comes up: the
  // high-voltage choice, preset 3 when no instrument is defined, the comment lines,
  // then what the test adds, then OK; the shutter question is answered
  // "Integrate nevertheless" and an existing observation is overwritten.
  void ObserverAcceptsParameters(std::function<void(TParameters&)> edits = {}) {
    edits_ = std::move(edits);
    if (observer_) return;
    observer_ = std::make_unique<QTimer>();
    QObject::connect(observer_.get(), &QTimer::timeout, [this] { AnswerModal(); });
    observer_->start(20);
  }

  void AnswerModal() {
    if (windows_.parameters && !windows_.parameters->isVisible()) lastAccepted_ = nullptr;
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    const QString name = modal->objectName();
    if (name == "TQuestionObturateur") modal->findChild<QPushButton*>("ButtonIntegrate")->click();
    if (name == "TFileExist") modal->findChild<QPushButton*>("ButtonYes")->click();
    if (name != "TParameters" || modal == lastAccepted_) return;
    lastAccepted_ = modal;  // one OK a showing: a refused OK is the test's to look at
    auto* window = static_cast<TParameters*>(modal);
    if (window->findChild<QWidget*>("PanelStart")->isVisible())
      window->findChild<QPushButton*>("BitBtnStart1")->click();
    if (shared_.parameters.CCDXSize == 0) {
      window->findChild<QComboBox*>("ComboBoxDef")->setCurrentIndex(3);
      window->findChild<QPushButton*>("ButtonDef")->click();
    }
    window->findChild<QLineEdit*>("EditComment")->setText("NGC 7331");
    window->findChild<QLineEdit*>("EditPF")->setText("PF 1 order 793");
    window->findChild<QLineEdit*>("EditFI")->setText("6581/20");
    if (edits_) edits_(*window);
    // Clicked from a slot of its own: this timer must stay free to answer the
    // questions OK may ask (Qt does not re-enter a timer's slot).
    QTimer::singleShot(0, window, [window] { window->findChild<QPushButton*>("ButtonOK")->click(); });
  }
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
  std::unique_ptr<QTimer> observer_;
  std::function<void(TParameters&)> edits_;
  QWidget* lastAccepted_ = nullptr;
};

}  // namespace velmar
