#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "params/observation_files.h"
#include "windows/console/TSmallWindows.h"
#include "main_window_fixture.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "window_texts.h"

namespace velmar {
namespace {

using testing::CutTexts;
using testing::LabelTexts;
using testing::SavePicture;

class MainWindow : public MainWindowFixture {
 protected:
  MainWindow() { CreateProgram(); }
};

TEST_F(MainWindow, AWholeObservationThroughTheWindowAndItsPanels) {
  general().show();
  // The wait note stands beside the parameters window while the start-up waits for it.
  QString waitNote;
  QPoint waitNoteAt;
  ObserverAcceptsParameters([&](TParameters&) {
    if (!windows_.attente->isVisible()) return;
    waitNote = windows_.attente->windowTitle() + " | " + LabelTexts(*windows_.attente).join(" | ");
    waitNoteAt = windows_.attente->pos();
  });
  controller_->StartUp();
  EXPECT_EQ(waitNote, "VlmIPCS information | Please wait some seconds for  Perot-Fabry initialization... | VlmIPCS");
  EXPECT_EQ(waitNoteAt, QPoint(750, 50));
  EXPECT_EQ(windows_.clickOnStart->pos(), QPoint(0, 100));
  AcquisitionState& s = shared_.acquisition;
  AcquisitionParameters& p = shared_.parameters;
  EXPECT_EQ(general().pos(), QPoint(575, 22));
  EXPECT_TRUE(Button("ButtonStart")->isEnabled());
  EXPECT_FALSE(Button("ButtonSuspend")->isEnabled());
  EXPECT_FALSE(Button("ButtonArret")->isEnabled());
  EXPECT_TRUE(Button("ButtonAbort")->isEnabled());
  EXPECT_FALSE(Button("ButtonNewAcq")->isVisible());
  EXPECT_TRUE(windows_.clickOnStart->isVisible());
  EXPECT_EQ(general().height(), 263);
  EXPECT_EQ(Label("LabelCCIR")->text(), "asga512.dcf");
  EXPECT_TRUE(RunUntil([&] { return Label("CountingState")->text() == "standby object"; }));

  // A short plan: two channels of two seconds, one cycle.
  p.Lz = 2;
  p.Tcan = 2;
  p.Maxcycles = 1;
  s.stopCycle = 1;
  s.stopChannel = 2;
  general().RefreshParameterLabels();
  Button("BitBtnOpen")->click();
  Button("ButtonStart")->click();
  EXPECT_FALSE(windows_.clickOnStart->isVisible());
  EXPECT_FALSE(Button("ButtonStart")->isEnabled());
  EXPECT_TRUE(Button("ButtonSuspend")->isEnabled());
  EXPECT_TRUE(Button("ButtonArret")->isEnabled());
  const bool counting = RunUntil([&] { return s.currentChannel >= 1 && s.channelSeconds > 0.0f; });
  ASSERT_TRUE(counting) << "channel " << s.currentChannel << " held " << s.storingHeld << " seconds " << s.channelSeconds
                        << " started " << s.acquisitionStarted << " log " << s.logPath << " frames "
                        << program_->engine.counters().framesGrabbed;
  EXPECT_EQ(Label("CountingState")->text(), "counting object");
  EXPECT_TRUE(Label("LabelWriting")->text().startsWith("writing G"));
  EXPECT_NE(Label("InstantFrames")->text(), "0");
  EXPECT_EQ(Label("CumulExposure")->text().size(), 8);
  EXPECT_EQ(Label("LabelCurrentCan")->text(), QString::asprintf("%4.4d", s.currentChannel));
  Picture("TGeneral-counting");

  // The planned end: the end panel.
  ASSERT_TRUE(RunUntil([&] { return s.endDialogState == 1; }));
  EXPECT_EQ(general().height(), 401);
  EXPECT_EQ(Label("LabelDialog1")->text(), "The normal end of the acquisition has been reached.");
  EXPECT_EQ(Label("LabelDialog2")->text(), "We just scanned channel 2 at cycle 1.");
  EXPECT_TRUE(Button("ButtonDialogAcqContinue")->isVisible());
  EXPECT_TRUE(Button("ButtonDialogAcqStop")->isVisible());
  EXPECT_EQ(Label("CountingState")->text(), "suspended");
  Picture("TGeneral-end-panel");

  // "Stop", then "No": the end panel again; "Stop", then "New acquisition".
  Button("ButtonDialogAcqStop")->click();
  EXPECT_EQ(general().height(), 263);
  ASSERT_TRUE(RunUntil([&] { return s.abortDialogState == 1; }));
  EXPECT_EQ(Label("LabelDialog1")->text(), "Requested abort of the acquisition");
  EXPECT_TRUE(Button("ButtonDialogAbortNew")->isVisible());
  Button("ButtonDialogAbortNo")->click();
  ASSERT_TRUE(RunUntil([&] { return s.endDialogState == 1; }));
  Button("ButtonDialogAcqStop")->click();
  ASSERT_TRUE(RunUntil([&] { return s.abortDialogState == 1; }));
  Button("ButtonDialogAbortNew")->click();
  ASSERT_TRUE(RunUntil([&] { return s.acquisitionEnded == 1; }));
  EXPECT_TRUE(Button("ButtonNewAcq")->isVisible());
  EXPECT_TRUE(Button("ButtonNewEnd")->isVisible());
  for (const char* name : {"ButtonStart", "ButtonSuspend", "ButtonAbort", "ButtonArret"})
    EXPECT_FALSE(Button(name)->isEnabled()) << name;
  EXPECT_TRUE(Button("ButtonDataCube")->isEnabled());  // the ended observation can still be looked at
  Picture("TGeneral-ended");

  // "New acquisition": back through the reset, the number moved on.
  const int number = p.Numobs;
  Button("ButtonNewAcq")->click();
  EXPECT_FALSE(Button("ButtonNewAcq")->isVisible());
  EXPECT_TRUE(Button("ButtonStart")->isEnabled());
  EXPECT_TRUE(Button("ButtonArret")->isEnabled());  // standby after "New acquisition"
  EXPECT_EQ(p.Numobs, number == 999 ? 1 : number + 1);
  EXPECT_EQ(s.acquisitionEnded, 0);
  EXPECT_FALSE(Button("ButtonDataCube")->isEnabled());  // nothing counted yet for the new one

  // The close box is refused with a note.
  QString note;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    note = modal->objectName() + " " + modal->windowTitle();
    modal->findChild<QPushButton*>("ButtonOK")->click();
  });
  general().close();
  EXPECT_EQ(note, "TNoteClose NoteClose");
  EXPECT_TRUE(general().isVisible());

  // "Quit application" ends the program through the shutdown path.
  Button("ButtonNewEnd")->setVisible(true);
  Button("ButtonNewEnd")->click();
  EXPECT_EQ(ended_, 1);
  EXPECT_TRUE(windows_.terminating->isVisible());
  EXPECT_EQ(windows_.terminating->windowTitle(), "Velmar photon counting terminating");
  EXPECT_EQ(LabelTexts(*windows_.terminating), QStringList{"Velmar closing photon counting acquisition"});
  EXPECT_EQ(s.quitting, 1);
  EXPECT_EQ(s.grabber.setUpDone, 0);
  EXPECT_EQ(program_->grabber.LiveObjects(), 0);
}

// "See parameters" while counting: the window locked, its OK a plain return; the
// running plan is left as it was handed over.
TEST_F(MainWindow, SeeParametersWhileCountingShowsTheLockedWindow) {
  ObserverAcceptsParameters([](TParameters& w) { w.findChild<QLineEdit*>("EditLz")->setText("3"); });
  general().show();
  controller_->StartUp();
  observer_.reset();
  AcquisitionParameters& p = shared_.parameters;
  ASSERT_EQ(p.Lz, 3);
  Button("ButtonStart")->click();
  ASSERT_TRUE(RunUntil([&] { return shared_.acquisition.currentChannel >= 1; }));
  EXPECT_TRUE(Button("ButtonDisplay")->isEnabled());
  bool seen = false;
  QTimer::singleShot(50, [&] {
    auto* w = qobject_cast<TParameters*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr);
    seen = true;
    EXPECT_EQ(p.ViewOnly, 1947);
    EXPECT_FALSE(w->findChild<QWidget*>("PanelStart")->isVisible());
    EXPECT_TRUE(w->findChild<QLabel*>("LabelLocked1")->isVisible());
    EXPECT_FALSE(w->findChild<QPushButton*>("ButtonCancel")->isEnabled());
    EXPECT_EQ(w->findChild<QLineEdit*>("EditLz")->text(), "3");
    EXPECT_EQ(w->findChild<QPushButton*>("ButtonOK")->text(), "&OK return to acq.");
    w->findChild<QPushButton*>("ButtonOK")->click();
  });
  Button("ButtonDisplay")->click();
  EXPECT_TRUE(seen);
  EXPECT_EQ(p.ViewOnly, 0);
  EXPECT_EQ(p.Lz, 3);
  EXPECT_EQ(parameters().findChild<QPushButton*>("ButtonOK")->text(), "&OK (acquire)");
  controller_->AbortAndQuit(true);
  EXPECT_EQ(ended_, 1);
}

// Every text of the parameters window (with its start-up block and its detail
// panel) and of the main window (standing by, then counting) fits its control whole
// at the default size.
TEST_F(MainWindow, NoTextIsCutInTheParametersAndMainWindows) {
  general().show();
  QStringList cut;
  ObserverAcceptsParameters([&](TParameters& w) {
    w.findChild<QWidget*>("PanelStart")->show();
    cut << CutTexts(w);
    w.grab().save(QString::fromStdString(pictures_ + "/TParameters-start-up-real.png"));
    w.findChild<QWidget*>("PanelStart")->hide();
    w.findChild<QPushButton*>("Button3")->click();  // the detail panel
    cut << CutTexts(w);
    w.grab().save(QString::fromStdString(pictures_ + "/TParameters-detail-real.png"));
  });
  controller_->StartUp();
  cut << CutTexts(general());
  Picture("TGeneral-standby");
  AcquisitionState& s = shared_.acquisition;
  Button("BitBtnOpen")->click();
  Button("ButtonStart")->click();
  ASSERT_TRUE(RunUntil([&] { return s.currentChannel >= 1 && s.channelSeconds > 0.0f; }));
  cut << CutTexts(general());
  Picture("TGeneral-counting");
  cut.removeDuplicates();
  EXPECT_TRUE(cut.isEmpty()) << cut.join("\n").toStdString();
}

TEST_F(MainWindow, TheOperatorSwitchesOfTheWindow) {
  AcquisitionState& s = shared_.acquisition;
  auto* shutterBox = general().findChild<QCheckBox*>("CheckBoxShutter");
  shutterBox->setChecked(false);
  EXPECT_EQ(s.autoShutter, 0);
  shutterBox->setChecked(true);
  general().findChild<QWidget*>("UpDownShutter")->setProperty("value", 0);
  EXPECT_EQ(s.shutterMaxRate, 0);
  EXPECT_EQ(general().findChild<QLineEdit*>("EditShutter")->text(), "0");
  auto* access = general().findChild<QCheckBox*>("CheckBoxAccessTV");
  EXPECT_FALSE(general().findChild<QLineEdit*>("EditSeuil")->isEnabled());
  access->setChecked(true);
  EXPECT_EQ(s.tvLevelsEditable, 1);
  EXPECT_TRUE(general().findChild<QLineEdit*>("EditSeuil")->isEnabled());
  general().findChild<QWidget*>("UpDownSeuil")->setProperty("value", 77);
  EXPECT_EQ(general().ReadTvLevelEdits().discriminator, "77");
  Button("ButtonRemanence")->click();
  EXPECT_EQ(s.remanenceRequested, 1);
  Button("BitBtn4")->click();
  EXPECT_EQ(s.fullSilence, 1);
  for (const char* name : {"GroupBoxInstantaneous", "GroupBoxCumulated", "GroupBoxTV", "GroupBoxCyclesChannels",
                           "PanelIdentification", "GroupBoxTHT", "GroupBoxShutter", "GroupBoxSystem",
                           "GroupBoxTemperature", "PanelAlarm", "Panel3"})
    EXPECT_NE(general().findChild<QWidget*>(name), nullptr) << name;
}

// The Thomson survey camera behind the older AX5414 board: the close loop is read on
// board 1, and storing must not be held by a bench that answers elsewhere.
TEST_F(MainWindow, AThomsonPresetCountsThroughTheWindow) {
  AcquisitionParameters saved;
  SetDefaultParameterValues(saved);
  SetText(saved.ProgramDir, dir_.path().string());
  ASSERT_EQ(LoadInstrumentDefinition(saved, 2).result, LoadResult::Applied);
  saved.CS100Link = 0;  // parallel lines on the simulated bench
  std::filesystem::create_directory(dir_.file("obs"));
  SetText(saved.Path, dir_.file("obs/T001"));
  ASSERT_TRUE(SaveParametersFile(saved));
  general().show();
  ObserverAcceptsParameters();
  controller_->StartUp();
  AcquisitionState& s = shared_.acquisition;
  ASSERT_EQ(shared_.parameters.AxiomBoard, 0);
  ASSERT_EQ(shared_.parameters.CCDXSize, 768);  // the Thomson camera's 768 by 288 frames
  shared_.parameters.THTMedium = 0;  // the high voltage counts as up: no THT alarm in the panel
  shared_.parameters.Lz = 2;
  shared_.parameters.Tcan = 1;
  shared_.parameters.Maxcycles = 1;
  s.stopCycle = 1;
  s.stopChannel = 2;
  Button("BitBtnOpen")->click();  // a closed shutter would rightly raise its alarm
  Button("ButtonStart")->click();
  EXPECT_TRUE(errors_.reported().empty()) << errors_.reported()[0].line1 << " | " << errors_.reported()[0].line2;
  ASSERT_TRUE(RunUntil([&] { return s.endDialogState == 1; }))
      << "channel " << s.currentChannel << " held " << s.storingHeld << " close loop " << s.closeLoopActive;
  EXPECT_EQ(s.closeLoopHeld, 0);
  EXPECT_EQ(Label("LabelAlarm1")->text(), "");
  const std::string data(TextOf(shared_.parameters.Path));
  const std::string stem = std::filesystem::path(FirstPhotonFilePath(shared_.parameters)).stem().string();
  for (const char* channel : {"00", "01", "02"}) {
    const auto file = std::filesystem::path(data) / (stem.substr(0, stem.size() - 2) + channel + ".VLA");
    EXPECT_TRUE(std::filesystem::exists(file)) << file;
  }
  Button("ButtonDialogAcqStop")->click();
  ASSERT_TRUE(RunUntil([&] { return s.abortDialogState == 1; }));
  Button("ButtonDialogAbortNew")->click();
  ASSERT_TRUE(RunUntil([&] { return s.acquisitionEnded == 1; }));
  Button("ButtonNewEnd")->setVisible(true);
  Button("ButtonNewEnd")->click();
  EXPECT_EQ(ended_, 1);
}

// A close loop read where the bench does not answer holds storing: the window says
// why in its alarm panel, and stops saying it once the loop is good again.
TEST_F(MainWindow, AHoldByTheCloseLoopIsShownWithItsReason) {
  const std::string ini = dir_.file("axdrv.ini");
  std::string text = testing::ReadFile(ini);
  text.replace(text.find("close_loop_variant = defined"), 28, "close_loop_variant = 0     ");
  testing::WriteFile(ini, text);
  general().show();
  ObserverAcceptsParameters();
  controller_->StartUp();
  AcquisitionState& s = shared_.acquisition;
  ASSERT_EQ(shared_.parameters.AxiomBoard, 1);  // the first preset's AX5215H, read on board 2
  shared_.parameters.THTMedium = 0;  // the high voltage counts as up: no THT alarm in the panel
  Button("BitBtnOpen")->click();     // nor a shutter alarm
  Button("ButtonStart")->click();
  ASSERT_TRUE(RunUntil([&] { return s.closeLoopHeld == 1; }));
  EXPECT_EQ(Label("LabelAlarm1")->text(), "WARNING : Close loop (PF in default) !");
  EXPECT_EQ(Label("LabelAlarm2")->text(), "waiting for good CL");
  EXPECT_EQ(general().height(), 297);
  EXPECT_EQ(Label("CountingState")->text(), "suspended");
  Picture("TGeneral-close-loop-hold");
  // The lock comes back: counting goes on and the panel closes.
  BenchConfig config = program_->bench.config();
  config.closeLoopVariant = kAsDefined;
  program_->bench.SetConfig(config);
  ASSERT_TRUE(RunUntil([&] { return s.closeLoopHeld == 0 && s.storingHeld == 0; }));
  EXPECT_EQ(Label("LabelAlarm1")->text(), "");
  EXPECT_EQ(general().height(), 263);
  Button("ButtonAbort")->setEnabled(true);
  controller_->AbortAndQuit(true);
  EXPECT_EQ(ended_, 1);
}

}  // namespace
}  // namespace velmar
