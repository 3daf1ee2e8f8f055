// The test windows: the observer opens them from the parameters window of the whole
// program, tunes the levels on the simulated camera and stores them for the
// acquisition; the grabber tests and the parallel-line test on their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

#include "analogic/image_files.h"
#include "windows/console/TControlMonitor.h"
#include "engine/software_grabber.h"
#include "instruments/simulated_bench.h"
#include "main_window_fixture.h"
#include "params/instrument_definition.h"
#include "support/temp_dir.h"
#include "window_texts.h"
#include "windows/diagnostics/TDone.h"
#include "windows/diagnostics/TFramesCount.h"
#include "windows/diagnostics/TMILTest.h"
#include "windows/diagnostics/TTestComptage.h"
#include "windows/diagnostics/TTestPF.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;

using velmar::testing::WhenUp;

void SaveWindowPicture(QWidget& window, const char* name) {
  const QString dir = QCoreApplication::applicationDirPath() + "/pictures";
  fs::create_directories(dir.toStdString());
  window.grab().save(dir + "/" + name + ".png");
}

int PhotonsShown(QWidget& window) {
  const QString text = window.findChild<QLabel*>("LabelDone")->text();
  const QStringList words = text.split(' ', Qt::SkipEmptyParts);
  EXPECT_TRUE(text.startsWith("Done ! ") && text.endsWith(" photons detected in this frame")) << text.toStdString();
  return words.size() > 2 ? words[2].toInt() : -1;
}

class TestsFromParameters : public MainWindowFixture {
 protected:
  TestsFromParameters() { CreateProgram(); }
};

TEST_F(TestsFromParameters, TheObserverTunesTheLevelsMovesTheInterferometerAndTheAcquisitionUsesTheLevels) {
  general().show();
  bool tuned = false;
  int grabbed = 0, reanalysed = 0;
  ObserverAcceptsParameters([&](TParameters& window) {
    if (tuned) return;
    window.findChild<QLineEdit*>("EditLz")->setText("24");
    window.findChild<QLineEdit*>("EditLambda")->setText("6562.78");
    window.findChild<QLineEdit*>("EditCqg")->setText("10.4");
    WhenUp("TMILTest", [&](QWidget& mil) {
      EXPECT_EQ(mil.findChild<QListWidget*>("ListBox1")->currentRow(), 5);
      EXPECT_EQ(mil.findChild<QLabel*>("LabelLx")->text(), "Size X = 512");
      SaveWindowPicture(mil, "TMILTest");
      WhenUp("TTestComptage", [&](QWidget& w) {
        auto& test = static_cast<TTestComptage&>(w);
        auto edit = [&](const char* name) { return w.findChild<QLineEdit*>(name); };
        auto button = [&](const char* name) { return w.findChild<QPushButton*>(name); };
        auto label = [&](const char* name) { return w.findChild<QLabel*>(name)->text().toStdString(); };
        EXPECT_EQ(label("LabelPF1"), "QGcst=10.400  lmbd=  6562.78  nbc=24");
        EXPECT_EQ(label("LabelPF2"), "==> PFstep=   26.293  PFbase= -315.518");
        EXPECT_EQ(label("LabelPF3"), "CS100 // interface");
        EXPECT_EQ(edit("EditSeuil")->text(), "20");
        EXPECT_EQ(edit("EditBL")->text(), "51");
        EXPECT_EQ(edit("EditWL")->text(), "255");
        EXPECT_EQ(edit("EditV")->text(), "-316");
        EXPECT_FALSE(button("ButtonDetailCross")->isEnabled());
        EXPECT_TRUE(button("ButtonTestPF")->isVisible());
        // Channel 13 of 24 is the middle of the scan.
        edit("EditN")->setText("13");
        test.EditNChange();
        EXPECT_EQ(edit("EditV")->text(), "0");
        // A controller value shows its channel; "Move PF" sends it and grabs a frame.
        edit("EditV")->setText("289");
        test.EditVChange();
        EXPECT_EQ(edit("EditN")->text(), "  23.991");  // (289 + 315.518) / 26.293 + 1
        const std::size_t writesBefore = program_->bench.writes().size();
        button("ButtonPF")->click();
        const auto writes = program_->bench.writes();
        ASSERT_EQ(writes.size(), writesBefore + 2);
        EXPECT_EQ(writes[writesBefore].value, 0xDF);  // the lines carry -289: 0xEDF
        EXPECT_EQ(writes[writesBefore + 1].value & 0x0F, 0x0E);
        EXPECT_FALSE(button("ButtonPF")->isEnabled());
        grabbed = PhotonsShown(w);
        EXPECT_TRUE(button("ButtonDetailCross")->isEnabled());
        SaveWindowPicture(w, "TTestComptage");
        windows_.controlMonitor->Refresh();
        SaveWindowPicture(*windows_.controlMonitor, "TTestComptage-control-monitor");
        // A higher discriminator on the same frame: fewer photons.
        edit("EditSeuil")->setText("230");
        button("ButtonDetailCross")->click();
        reanalysed = PhotonsShown(w);
        windows_.controlMonitor->Refresh();
        SaveWindowPicture(*windows_.controlMonitor, "TTestComptage-control-monitor-230");
        button("ButtonDetailBin")->click();
        windows_.controlMonitor->Refresh();
        SaveWindowPicture(*windows_.controlMonitor, "TTestComptage-control-monitor-binarization");
        // Stored for the acquisition; a level out of range stores nothing.
        edit("EditSeuil")->setText("300");
        button("ButtonStore")->click();
        EXPECT_EQ(errors_.reported().size(), 1u);
        EXPECT_NE(shared_.parameters.Discri, 300);
        edit("EditSeuil")->setText("35");
        edit("EditBL")->setText("40");
        edit("EditWL")->setText("230");
        button("ButtonStore")->click();
        EXPECT_EQ(label("LabelDiscri"), "[current 35]");
        // The parallel-line test opens from here and closes with "Quit test".
        bool pfShown = false;
        WhenUp("TTestPF", [&](QWidget& pf) {
          pfShown = true;
          pf.findChild<QPushButton*>("ButtonQuit")->click();
        });
        button("ButtonTestPF")->click();
        EXPECT_TRUE(pfShown);
        button("ButtonQuit")->click();
      });
      mil.findChild<QPushButton*>("ButtonExec")->click();
      EXPECT_FALSE(mil.isVisible());  // each function closes the window
    });
    window.findChild<QPushButton*>("ButtonMIL")->click();
    tuned = true;
  });
  controller_->StartUp();
  EXPECT_TRUE(tuned);
  EXPECT_GT(grabbed, 10);
  EXPECT_LT(reanalysed, grabbed);
  AcquisitionParameters& p = shared_.parameters;
  EXPECT_EQ(p.Discri, 35);
  EXPECT_EQ(p.BlackLevel, 40);
  EXPECT_EQ(p.WhiteLevel, 230);
  // The acquisition's grabber starts on the stored levels.
  const TvLevels& levels = shared_.acquisition.levels;
  EXPECT_EQ(levels.appliedDiscriminator, 35);
  EXPECT_EQ(levels.appliedBlack, 40);
  EXPECT_EQ(levels.appliedWhite, 230);
  EXPECT_TRUE(fs::exists(dir_.path() / "system" / "test.tif"));
}

class NoConsole final : public Cs100Console {
 public:
  void ShowLinkState(CountingState) override {}
  void RestoreCountingState() override {}
};

class GrabberTestWindow : public ::testing::Test {
 protected:
  GrabberTestWindow() : cwd_(dir_.path()), system_(dir_.path() / "system"), installed_(errors_) {
    fs::copy(VELMAR_PRESETS_DIR, dir_.path(), fs::copy_options::recursive);
    fs::copy_file(dir_.file("asga512.dcf"), dir_.file("comptage.dcf"), fs::copy_options::overwrite_existing);
    fs::copy_file(dir_.file("desktop.vcf"), dir_.file("ecran.vcf"), fs::copy_options::overwrite_existing);
    LoadInstrumentDefinition(p_, 3);
    window_.SetSaveFileChooser([this] { return chosen_; });
  }
  void Run(int item) {
    window_.show();
    window_.findChild<QListWidget*>("ListBox1")->setCurrentRow(item);
    window_.ButtonExecClick();
  }

  testing::TempDir dir_;
  testing::ScopedCurrentDir cwd_;
  testing::ScopedSystemDir system_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter installed_;
  SharedState shared_;
  AcquisitionParameters& p_ = shared_.parameters;
  SoftwareGrabber grabber_;
  SimulatedBench bench_;
  InstrumentBoard board_{bench_, p_, shared_.acquisition};
  TMILTest window_{shared_, grabber_, board_};
  std::string chosen_;
};

TEST_F(GrabberTestWindow, ACancelledSaveWritesNothingAndASavedFrameIsAnnounced) {
  int doneShown = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (window_.done()->isVisible()) {
      ++doneShown;
      SaveWindowPicture(*window_.done(), "TDone");
      window_.done()->accept();
    }
  });
  watch.start(10);
  chosen_.clear();  // the operator cancels the dialog
  Run(2);
  EXPECT_EQ(doneShown, 0);
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    EXPECT_NE(entry.path().extension(), ".VL2") << entry.path();

  chosen_ = dir_.file("frame512.VL2");
  Run(3);
  EXPECT_EQ(doneShown, 1);
  std::string error;
  const auto image = ReadImageFile(chosen_, error);
  ASSERT_TRUE(image) << error;
  EXPECT_EQ(image->sizeX, 512);
  EXPECT_EQ(image->sizeY, 512);
  EXPECT_EQ(image->text, "Image from Matrox digitalization");
  EXPECT_EQ(grabber_.LiveObjects(), 0);
}

TEST_F(GrabberTestWindow, MessageLiveTvAndFrameRateEachFreeTheirContext) {
  Run(0);
  GreyImage monitor;
  ASSERT_TRUE(grabber_.ControlMonitorPicture(monitor));
  EXPECT_GT(std::count(monitor.pixels.begin(), monitor.pixels.end(), 255), 100);  // the message's letters
  EXPECT_EQ(grabber_.LiveObjects(), 0);

  QTimer::singleShot(300, [&] {
    EXPECT_TRUE(window_.findChild<QPushButton*>("ButtonStop")->isEnabled());
    EXPECT_FALSE(window_.findChild<QPushButton*>("ButtonExec")->isEnabled());
    SaveWindowPicture(window_, "TMILTest-live-tv");
    window_.findChild<QPushButton*>("ButtonStop")->click();
  });
  Run(1);
  EXPECT_EQ(window_.stopFlag(), 1);
  EXPECT_EQ(grabber_.LiveObjects(), 0);

  QTimer watch;
  QString rate;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    TFramesCount* count = window_.framesCount();
    auto* ok = count->findChild<QPushButton*>("ButtonOK");
    if (count->isVisible() && ok->isEnabled()) {
      rate = count->findChild<QLabel*>("LabelFramesRate")->text();
      SaveWindowPicture(*count, "TFramesCount");
      ok->click();
    }
  });
  watch.start(20);
  Run(7);
  EXPECT_TRUE(rate.endsWith(" frames per second")) << rate.toStdString();
  EXPECT_NEAR(rate.split(' ').front().toDouble(), 80.0, 8.0);
  EXPECT_EQ(grabber_.LiveObjects(), 0);
  EXPECT_TRUE(errors_.reported().empty());
}

TEST_F(GrabberTestWindow, QuitWhileCrossesAreDrawnStopsThemAndClosesOnceTheFrameIsDone) {
  TTestComptage& test = *window_.testComptage();
  int saves = 0;
  TTestComptage::Services services;
  services.saveParameters = [&] { ++saves; };
  test.SetServices(services);
  bool acted = false;
  WhenUp("TTestComptage", [&](QWidget& w) {
    acted = true;
    w.findChild<QRadioButton*>("RadioButtonSimul")->click();
    EXPECT_TRUE(w.findChild<QLineEdit*>("EditSimul")->isVisible());
    w.findChild<QRadioButton*>("RadioButtonRegularArray")->click();
    w.findChild<QLineEdit*>("EditSimul")->setText("2000");
    EXPECT_FALSE(w.findChild<QPushButton*>("ButtonPF")->isEnabled());  // no link: nothing to move
    SaveWindowPicture(w, "TTestComptage-simulation");
    // Pressed at the first look at the window's messages, before any cross.
    QTimer::singleShot(0, [&w] {
      EXPECT_TRUE(w.findChild<QPushButton*>("ButtonAbortCross")->isEnabled());
      EXPECT_FALSE(w.findChild<QPushButton*>("ButtonAcquire")->isEnabled());
      w.findChild<QPushButton*>("ButtonQuit")->click();
    });
    w.findChild<QPushButton*>("ButtonAcquire")->click();
    EXPECT_EQ(test.test().photonsFound(), 2000);
  });
  test.exec();
  EXPECT_TRUE(acted);
  EXPECT_FALSE(test.isVisible());
  EXPECT_EQ(saves, 1);
  EXPECT_FALSE(test.test().contextOpen());
  EXPECT_EQ(grabber_.LiveObjects(), 0);
  EXPECT_EQ(grabber_.LastError(), 0) << grabber_.LastErrorText();  // nothing used after it was freed
  GreyImage monitor;
  ASSERT_TRUE(grabber_.ControlMonitorPicture(monitor));
  EXPECT_EQ(std::count(monitor.pixels.begin(), monitor.pixels.end(), 240), 0);  // no cross was drawn
}

TEST_F(GrabberTestWindow, TheParallelTestRunsUntilQuitTest) {
  VirtualClock clock;
  ScopedClock installed(clock);
  NoConsole console;
  p_.CS100Link = 0;
  p_.AxiomBoard = 0;
  shared_.acquisition.shutterState = 1;
  Cs100Link link(p_, shared_.acquisition, board_, console, [] {});
  TTestPF test(link, board_);
  test.show();
  QString seen;
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    if (bench_.writes().size() >= 2 * 5 && seen.isEmpty()) {
      seen = test.findChild<QLabel*>("LabelValue")->text();
      SaveWindowPicture(test, "TTestPF");
      test.findChild<QPushButton*>("ButtonQuit")->click();
    }
  });
  stopper.start(0);
  test.findChild<QPushButton*>("ButtonRun")->click();
  EXPECT_FALSE(test.isVisible());
  EXPECT_TRUE(seen.startsWith("Sending ")) << seen.toStdString();
  const auto writes = bench_.writes();
  ASSERT_GE(writes.size(), 10u);
  const std::uint16_t lows[5] = {0, 1, 2, 4, 8};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(writes[2 * i], (SimulatedBench::Write{1, 2, lows[i], 0xFF}));
  EXPECT_LE(writes.size(), 2u * 7);  // it stopped soon after "Quit test"
}

}  // namespace
}  // namespace velmar
