#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "windows/startup/TSplashForm.h"
#include "windows/startup/TTwoPrograms.h"
#include "windows/startup/TTwoVlm3D.h"
#include "app/qt/program_windows.h"
#include "app/qt/qt_instance_warnings.h"
#include "windows/console/TErrorMatrox.h"
#include "windows/console/TGeneral.h"
#include "windows/console/TInitMatrox.h"
#include "windows/console/TDiskError.h"
#include "windows/console/TLogBook.h"
#include "windows/console/TSmallWindows.h"
#include "windows/parameters/TError_DCF.h"
#include <vector>
#include "windows/common/TError.h"
#include "window_texts.h"

namespace velmar {
namespace {

using testing::CutTexts;
using testing::LabelTexts;
using testing::SavePicture;

class StartWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { QDir().mkpath("pictures"); }
};

TEST_F(StartWindows, SplashShowsThePackageAndItsProgress) {
  TSplashForm splash;
  EXPECT_EQ(splash.windowTitle(), "Vlm loading");
  const QStringList texts = LabelTexts(splash);
  EXPECT_TRUE(texts.contains("Velmar"));
  EXPECT_TRUE(texts.contains("Loading Photon Counting module..."));
  EXPECT_TRUE(texts.contains("Torvel"));
  auto* bar = splash.findChild<QProgressBar*>("ProgressBar1");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->minimum(), 0);
  EXPECT_EQ(bar->maximum(), 100);
  splash.SetProgress(40);
  EXPECT_EQ(bar->value(), 40);
  SavePicture(splash, "TSplashForm");
}

TEST_F(StartWindows, WindowsAreCreatedMainWindowFirstWithTheBarInTens) {
  SharedState shared;
  AcquisitionProgram program(shared);
  std::vector<int> steps;
  ProgramWindows windows = CreateProgramWindows(program, [&](int percent) { steps.push_back(percent); });
  EXPECT_EQ(steps, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
  ASSERT_NE(windows.general, nullptr);
  EXPECT_EQ(windows.twoPrograms->parentWidget(), windows.general);
  EXPECT_EQ(windows.general->windowTitle(), "Velmar photon counting task     Version 11/04/2002    Kpz");
  EXPECT_EQ(windows.general->pos(), QPoint(575, 22));
  EXPECT_TRUE(windows.general->windowFlags() & Qt::WindowStaysOnTopHint);
  delete windows.general;
}

TEST_F(StartWindows, TheStartUpRunsOnceWhenTheMainWindowIsFirstShown) {
  SharedState shared;
  TGeneral general(shared);
  int runs = 0;
  general.SetFirstShowAction([&] { ++runs; });
  general.show();
  QCoreApplication::processEvents();
  general.hide();
  general.show();
  QCoreApplication::processEvents();
  EXPECT_EQ(runs, 1);
  SavePicture(general, "TGeneral");
}

// The small notes and questions of the start-up, the disk and the quit paths show
// every text whole.
TEST_F(StartWindows, TheNotesAndQuestionsShowTheirTextsWhole) {
  SharedState shared;
  AcquisitionProgram program(shared);
  ProgramWindows windows = CreateProgramWindows(program, [](int) {});
  const std::vector<QWidget*> shown = {windows.attente,     windows.clickOnStart, windows.terminating,
                                       windows.noteClose,   windows.errorMatrox,  windows.diskError,
                                       windows.logBook,     windows.errorDcf};
  for (QWidget* window : shown) {
    window->show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(CutTexts(*window).isEmpty()) << CutTexts(*window).join("\n").toStdString();
    SavePicture(*window, window->objectName());
    window->hide();
  }
  delete windows.general;
}

TEST_F(StartWindows, InstanceWarningsShowTheirWindows) {
  SharedState shared;
  AcquisitionProgram program(shared);
  ProgramWindows windows = CreateProgramWindows(program, [](int) {});
  QtInstanceWarnings warnings(windows);
  QStringList seen;
  auto answer = [&seen] {
    QTimer::singleShot(0, [&seen] {
      QWidget* modal = QApplication::activeModalWidget();
      ASSERT_NE(modal, nullptr);
      seen = QStringList{modal->windowTitle()} + LabelTexts(*modal);
      SavePicture(*modal, modal->objectName());
      modal->findChild<QPushButton*>("ButtonOK")->click();
    });
  };
  answer();
  warnings.ShowTwoPrograms();
  EXPECT_EQ(seen, (QStringList{"VlmIPCS error", "The VlmIPCS program is already running !",
                               "Only one program can run at the same time ..."}));
  answer();
  warnings.ShowTwoVlm3D();
  ASSERT_EQ(seen.size(), 6);
  EXPECT_EQ(seen[0], "VlmIPCS warning");
  EXPECT_EQ(seen[1], "Warning !");
  EXPECT_EQ(seen[5], "Nevertheless Vlm3D is allowed to run simultaneously several  instances...");
  delete windows.general;
}

TEST_F(StartWindows, ErrorWindowShowsThreeCentredLinesInFront) {
  TError window;
  window.SetLines(MakeErrorLines("Impossible to access the path", "/data/" + std::string(90, 'd'),
                                 "Note: to create a sub-directory, all the upper directories must exist !"));
  EXPECT_EQ(window.windowTitle(), "Error");
  EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
  const QStringList texts = LabelTexts(window);
  ASSERT_EQ(texts.size(), 4);
  EXPECT_EQ(texts[0], "Velmar photon counting error");
  EXPECT_EQ(texts[2].size(), 70);
  EXPECT_TRUE(texts[2].startsWith("..."));
  for (const QLabel* label : window.findChildren<QLabel*>())
    EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
  SavePicture(window, "TError");
}

}  // namespace
}  // namespace velmar

namespace velmar {
namespace {

TEST(GrabberWindows, TheGrabberErrorOffersBypassOrCancel) {
  TErrorMatrox window;
  for (const char* button : {"ButtonBypass", "ButtonCancel"}) {
    QTimer::singleShot(0, [&window, button] {
      SavePicture(window, "TErrorMatrox");
      window.findChild<QPushButton*>(button)->click();
    });
    const bool bypass = window.AskBypass("display allocation: cannot open ecran.vcf");
    EXPECT_EQ(bypass, QString(button) == "ButtonBypass");
  }
  EXPECT_EQ(window.windowTitle(), "ErrorMatrox");
  EXPECT_TRUE(LabelTexts(window).contains("Error initializing the Matrox Genesys board"));
  EXPECT_EQ(window.findChild<QPushButton*>("ButtonBypass")->text(), "&Bypass");
  EXPECT_EQ(window.findChild<QPushButton*>("ButtonCancel")->text(), "&Cancel");
}

TEST(GrabberWindows, TheSetUpNotes) {
  TInitMatrox notes;
  TInitMatrox2 warning;
  EXPECT_EQ(notes.windowTitle(), "Velmar initializing Genesys");
  EXPECT_TRUE(LabelTexts(notes).contains("Initializing the Matrox Genesis board...."));
  EXPECT_EQ(warning.windowTitle(), "Velmar Note ");
  EXPECT_EQ(LabelTexts(warning), (QStringList{"Note", "If there is no TV signal or if the Matrox Board is absent,",
                                               "the program will hang (and maybe block the system) !"}));
  SavePicture(notes, "TInitMatrox");
  SavePicture(warning, "TInitMatrox2");
}

TEST(GrabberWindows, TheMainWindowShowsTheCountingStateInItsColour) {
  SharedState shared;
  shared.parameters.Source = kSourceSimulation;
  TGeneral general(shared);
  auto* label = general.findChild<QLabel*>("CountingState");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "standby simul object");
  ShowCountingState(CountingState::Suspended, shared.parameters, shared.acquisition, general);
  EXPECT_EQ(label->text(), "suspended");
  EXPECT_TRUE(label->styleSheet().contains("rgb(255, 0, 0)"));
  EXPECT_EQ(shared.acquisition.pendingLogLineReady, 1);
  EXPECT_TRUE(QString::fromStdString(shared.acquisition.pendingLogLine).startsWith("!!! Photon counting status at "));
  EXPECT_TRUE(QString::fromStdString(shared.acquisition.pendingLogLine).endsWith(" : suspended"));
}

}  // namespace
}  // namespace velmar

#include "windows/console/TDiskError.h"

namespace velmar {
namespace {

TEST(StoreWindows, TheDiskErrorWindowTellsWhatFailedAndOffersToGoOn) {
  TDiskError window;
  const DiskErrorReport report{"Impossible to write data onto disk !", "Write operation returned code = -1",
                               "Handle write = 7", "/data/G042/ipcsdata.tmp", 28, "No space left on device"};
  for (const char* button : {"ButtonIgnore", "ButtonQuit"}) {
    QTimer::singleShot(0, [&window, button] {
      SavePicture(window, "TDiskError");
      window.findChild<QPushButton*>(button)->click();
    });
    const auto choice = window.ShowDiskError(report);
    EXPECT_EQ(choice, QString(button) == "ButtonIgnore" ? DiskErrorChoice::Ignore : DiskErrorChoice::QuitIntegration);
  }
  EXPECT_EQ(window.windowTitle(), "DiskError");
  const QStringList texts = LabelTexts(window);
  for (const char* expected : {"VlmIPCS disk error", "Disk full ? Disk locked ?", "Impossible to write data onto disk !",
                               "Handle write = 7", "/data/G042/ipcsdata.tmp", "Errno 28", "No space left on device"})
    EXPECT_TRUE(texts.contains(expected)) << expected;
  EXPECT_EQ(window.findChild<QPushButton*>("ButtonQuit")->text(), "&Quit integration");
}

}  // namespace
}  // namespace velmar
