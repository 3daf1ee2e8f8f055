#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/TSplashForm.h"
#include "app/TTwoPrograms.h"
#include "app/TTwoVlm3D.h"
#include "app/qt/program_windows.h"
#include "app/qt/qt_instance_warnings.h"
#include "console/TGeneral.h"
#include "platform/qt/TError.h"
#include "window_texts.h"

namespace velmar {
namespace {

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
  std::vector<int> steps;
  ProgramWindows windows = CreateProgramWindows(shared, [&](int percent) { steps.push_back(percent); });
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

TEST_F(StartWindows, InstanceWarningsShowTheirWindows) {
  SharedState shared;
  ProgramWindows windows = CreateProgramWindows(shared, [](int) {});
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
