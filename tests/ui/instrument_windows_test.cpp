// The high-voltage tuning window and the filters and mirror windows, driven by
// their control names on the simulated bench and the virtual clock.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <algorithm>

#include "windows/instruments/TFiltersMirror.h"
#include "windows/instruments/TTuneTHT.h"
#include "main_window_fixture.h"
#include "platform/clock.h"

namespace velmar {
namespace {


class InstrumentWindows : public MainWindowFixture {
 protected:
  InstrumentWindows() : clockInstalled_(clock_) {
    CreateProgram();
    AcquisitionParameters& p = shared_.parameters;
    p.THTSystem = 1;  // a Thomson tube's supply: the read-back is the voltage sent
    p.THTLow = 6000;
    p.THTMedium = 9400;
    p.THTMax = 10800;
    shared_.acquisition.startUpInProgress = 0;
  }
  TTuneTHT& tune() { return *windows_.tuneTht; }
  void SavePicture(QWidget& window, const char* name) {
    window.grab().save(QString::fromStdString(pictures_ + "/" + name + ".png"));
  }
  TFiltersMirror& filters() { return *windows_.filtersMirror; }
  template <class T = QPushButton>
  T* In(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QString Text(QWidget& window, const char* name) { return In<QLabel>(window, name)->text(); }
  // Virtual time passes; the windows' steps run as their timers would run them.
  void Advance(int ms) {
    for (int t = 0; t < ms; t += 100) {
      clock_.AdvanceMs(100);
      tune().tuning().Poll();
      filters().filters().Poll();
    }
    QCoreApplication::processEvents();
  }

  VirtualClock clock_;
  ScopedClock clockInstalled_;
};

TEST_F(InstrumentWindows, TheOperatorRaisesTheThtStepsItDownInAnEmergencyAndReturns) {
  AcquisitionState& s = shared_.acquisition;
  tune().show();
  EXPECT_EQ(tune().windowTitle(), "Velmar tuming THT");
  EXPECT_EQ(tune().pos(), QPoint(288, 285));
  EXPECT_EQ(s.tuning.open.load(), 1);  // the TV runs on the control monitor
  EXPECT_EQ(shared_.parameters.StartWithTHT, 1);
  EXPECT_EQ(Text(tune(), "LabelTHT"), "99999");  // nothing sent yet: no reading on THT system 1
  EXPECT_EQ(In(tune(), "ButtonUpLow")->text(), "Progressively up to 6000 V");
  EXPECT_EQ(In(tune(), "ButtonDownMedium")->text(), "Immediate down to 9400 V");
  EXPECT_TRUE(In(tune(), "ButtonUpLow")->isEnabled());
  EXPECT_FALSE(In(tune(), "ButtonUpMedium")->isEnabled());
  EXPECT_FALSE(In(tune(), "ButtonStop")->isEnabled());
  EXPECT_FALSE(In<QSlider>(tune(), "TrackBarTHT")->isVisible());
  SavePicture(tune(), "TTuneTHT-idle");

  In(tune(), "ButtonUpLow")->click();
  EXPECT_EQ(Text(tune(), "LabelMessage"), "Positionning to 6000 V");
  // The window's own timer runs the next step once its second has passed.
  clock_.AdvanceMs(1000);
  EXPECT_TRUE(RunUntil([&] { return s.thtSent == 500; }, 2000));
  Advance(1000);
  EXPECT_EQ(s.thtSent, 1000);
  EXPECT_FALSE(In(tune(), "ButtonUpLow")->isEnabled());
  EXPECT_FALSE(In(tune(), "ButtonReturn")->isEnabled());
  EXPECT_TRUE(In(tune(), "ButtonStop")->isEnabled());
  ASSERT_TRUE(In(tune(), "ButtonUrgency")->isEnabled());
  SavePicture(tune(), "TTuneTHT-mid-rise");
  In(tune(), "ButtonUrgency")->click();
  EXPECT_EQ(s.thtSent, 1);
  Advance(1000);
  EXPECT_EQ(Text(tune(), "LabelMessage"), "Done: positionned to 0 V");
  Advance(5000);
  EXPECT_EQ(s.thtSent, 1);
  EXPECT_TRUE(In(tune(), "ButtonReturn")->isEnabled());

  In(tune(), "ButtonUpLow")->click();
  Advance(3000);
  In(tune(), "ButtonStop")->click();
  EXPECT_EQ(Text(tune(), "LabelMessage"), "User stop during THT positionning");
  const std::int32_t stoppedAt = s.thtSent;
  Advance(3000);
  EXPECT_EQ(s.thtSent, stoppedAt);
  In(tune(), "ButtonUpLow")->click();
  Advance(20000);
  EXPECT_EQ(s.thtSent, 6000);
  EXPECT_EQ(Text(tune(), "LabelMessage"), "Done: positionned to 6000 V");
  EXPECT_EQ(Text(tune(), "LabelTHT"), "06000");
  EXPECT_TRUE(In(tune(), "ButtonUpMedium")->isEnabled());
  EXPECT_TRUE(In(tune(), "ButtonTuneManually")->isEnabled());
  SavePicture(tune(), "TTuneTHT-at-level");

  In<QLineEdit>(tune(), "EditVolts")->setText("-200");
  In(tune(), "ButtonManual")->click();
  EXPECT_EQ(s.thtSent, 6000);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line1, "Invalid VOLTS field !");
  In<QLineEdit>(tune(), "EditVolts")->setText("9500");
  In(tune(), "ButtonManual")->click();
  EXPECT_EQ(s.thtSent, 9500);
  EXPECT_TRUE(In<QSlider>(tune(), "TrackBarTHT")->isVisible());
  EXPECT_TRUE(In(tune(), "ButtonDownMedium")->isEnabled());

  In(tune(), "ButtonReturn")->click();
  EXPECT_FALSE(tune().isVisible());
  EXPECT_EQ(s.tuning.open.load(), 0);
  GreyImage monitor;
  ASSERT_TRUE(program_->grabber.ControlMonitorPicture(monitor));
  EXPECT_GT(std::count(monitor.pixels.begin(), monitor.pixels.end(), 240), 500);  // the idle banner
}

TEST_F(InstrumentWindows, ClosingTheTuningWindowMidRiseEndsTheRise) {
  AcquisitionState& s = shared_.acquisition;
  tune().show();
  In(tune(), "ButtonUpLow")->click();
  Advance(1000);
  EXPECT_EQ(s.thtSent, 500);
  tune().close();  // the close box
  EXPECT_FALSE(tune().isVisible());
  EXPECT_EQ(s.tuning.open.load(), 0);  // the TV display stops
  Advance(5000);
  EXPECT_EQ(s.thtSent, 500);
  EXPECT_FALSE(tune().tuning().rising());
}

// An AsGa tube whose maximum, kept from before, is above what its supply's 10-bit
// code can express: "Progressively up to maximum" and a manual value above 1912 V
// are refused in an error window, and nothing reaches the supply's ports.
TEST_F(InstrumentWindows, TheTuningWindowRefusesAVoltageItsSupplyCannotExpress) {
  AcquisitionParameters& p = shared_.parameters;
  p.THTSystem = 4;
  p.THTLow = 1200;
  p.THTMedium = 1800;
  p.THTMax = 2300;
  program_->highVoltage.SetTHT(1800);
  const auto supplyWrites = [this] {
    int n = 0;
    for (const auto& w : program_->bench.writes()) n += w.board == 2 && (w.port == 0 || w.port == 1) ? 1 : 0;
    return n;
  };
  const int before = supplyWrites();
  tune().show();
  ASSERT_TRUE(In(tune(), "ButtonUpMax")->isEnabled());
  In(tune(), "ButtonUpMax")->click();
  Advance(30000);
  In<QLineEdit>(tune(), "EditVolts")->setText("2000");
  In(tune(), "ButtonManual")->click();
  EXPECT_EQ(supplyWrites(), before);
  EXPECT_EQ(shared_.acquisition.thtSent, 1800);
  ASSERT_EQ(errors_.reported().size(), 2u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"Impossible to set the THT to 2300 V",
                                                "THT system 4 reaches at most 1912 V", "THT set was not done..."}));
  EXPECT_EQ(errors_.reported()[1].line1, "Impossible to set the THT to 2000 V");
  In<QLineEdit>(tune(), "EditVolts")->setText("1900");
  In(tune(), "ButtonManual")->click();
  EXPECT_EQ(shared_.acquisition.thtSent, 1900);
  EXPECT_EQ(Text(tune(), "LabelMessage"), "Positionned manually to 1900 V");
}

TEST_F(InstrumentWindows, TheHandsetRecordsFiltersMirrorAndLampsAndNamesTheFilters) {
  AcquisitionState& s = shared_.acquisition;
  filters().ParametersShown();
  filters().show();
  EXPECT_EQ(filters().windowTitle(), "Velmar filters & mirror panel");
  EXPECT_EQ(Text(filters(), "LabelHeading"), "Instrument handset");
  EXPECT_TRUE(In<QLabel>(filters(), "PanelFI3")->styleSheet().contains("255, 255, 0"));
  In(filters(), "ShapeFilters")->click();
  EXPECT_TRUE(In<QLabel>(filters(), "LabelMovingFilters")->isVisible());
  EXPECT_FALSE(In(filters(), "ShapeFilters")->isEnabled());
  Advance(500);
  EXPECT_FALSE(In<QLabel>(filters(), "LabelMovingFilters")->isVisible());
  EXPECT_TRUE(In<QLabel>(filters(), "PanelFI4")->styleSheet().contains("255, 255, 0"));
  EXPECT_EQ(s.pendingLogLine, "!!! Filter changed : is now 4  ????");
  In(filters(), "ShapeSky")->click();
  EXPECT_TRUE(In<QLabel>(filters(), "LabelMovingMirror")->isVisible());
  Advance(2000);
  EXPECT_EQ(s.mirrorPosition, 2);
  EXPECT_EQ(s.pendingLogLine, "!!! Mirror changed : is now SKY");
  In(filters(), "ShapeLamp1")->click();
  EXPECT_EQ(s.pendingLogLine, "!!! Lamp #1 changed : is now ON");
  In(filters(), "Button1")->click();  // close shutter
  EXPECT_FALSE(Text(filters(), "LabelShutter").isEmpty());
  SavePicture(filters(), "TFiltersMirror");

  // The names: typed in the identification window and kept by "OK".
  QTimer::singleShot(0, [&] {
    QWidget* ident = QApplication::activeModalWidget();
    ASSERT_NE(ident, nullptr);
    EXPECT_EQ(ident->objectName(), "TFIIdent");
    auto* first = ident->findChild<QLineEdit*>("EditFI1");
    first->setText("54 [NGC 1234]");
    emit first->textEdited(first->text());
    SavePicture(*ident, "TFIIdent");
    ident->findChild<QPushButton*>("BitBtn1")->click();
  });
  In(filters(), "ButtonIdentFI")->click();
  EXPECT_EQ(Text(filters(), "LabelFI11"), "54 [NGC 1234]");
  const std::string file = (dir_.path() / "system" / "vlm_fio.tmp").string();
  const std::string written = testing::ReadFile(file);
  EXPECT_EQ(written.substr(0, 14), "54 [NGC 1234]\n");
  // "OK" without an edit writes nothing, even a minute later.
  clock_.AdvanceMs(60000);
  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("BitBtn1")->click(); });
  In(filters(), "ButtonIdentFI")->click();
  EXPECT_EQ(testing::ReadFile(file), written);
  In(filters(), "BitBtn1")->click();
  EXPECT_FALSE(filters().isVisible());
}

TEST_F(InstrumentWindows, TheMainWindowOpensTheHandset) {
  QString opened;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    opened = modal ? modal->objectName() : "";
    if (modal) modal->findChild<QPushButton*>("BitBtn1")->click();
  });
  Button("ButtonFilters")->click();
  EXPECT_EQ(opened, "TFiltersMirror");
  EXPECT_TRUE(Button("ButtonFilters")->isEnabled());
}

}  // namespace
}  // namespace velmar
