// The parameters window in the real program while the instrument monitor runs:
// its remote controls follow the instrument every second, its "Tune THT" and
// "Select filters / mirror / lamp" open their windows, and the monitor rests once
// the window closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "windows/instruments/TFiltersMirror.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "main_window_fixture.h"

namespace velmar {
namespace {

class ParametersMonitor : public MainWindowFixture {
 protected:
  ParametersMonitor() { CreateProgram(); }

  // Clicks a button whose window is modal, then acts on that window once it is up.
  void ClickAndAnswer(QPushButton* button, const char* windowName, const std::function<void(QWidget&)>& act) {
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (seen || !modal || modal->objectName() != windowName) return;
      seen = true;
      act(*modal);
    });
    poll.start(20);
    button->click();
    EXPECT_TRUE(seen) << windowName << " never came up";
  }

  void CheckWhileShown(TParameters& w) {
    AcquisitionState& s = shared_.acquisition;
    const auto label = [&w](const char* name) { return w.findChild<QLabel*>(name); };
    // The remote controls read as the instrument does: no temperature device, a
    // close loop watched and locked, then inhibited by the operator.
    EXPECT_EQ(label("LabelTemperature")->text(), "- - -");
    EXPECT_EQ(label("LabelTemperatureCommand")->text(), "No command");
    EXPECT_EQ(label("LabelCloseLoop")->text(), "OK");
    w.findChild<QPushButton*>("ButtonInhibCL")->click();
    EXPECT_EQ(label("LabelCloseLoop")->text(), "INHIB");
    w.findChild<QPushButton*>("ButtonInhibCL")->click();
    EXPECT_EQ(label("LabelCloseLoop")->text(), "OK");
    // "Let THT as now": no probe of the supply, which would send it a test voltage.
    w.findChild<QAbstractButton*>("CheckBoxStart")->click();
    w.findChild<QPushButton*>("ButtonStart2")->click();
    if (shared_.parameters.CCDXSize == 0) {
      w.findChild<QComboBox*>("ComboBoxDef")->setCurrentIndex(3);
      w.findChild<QPushButton*>("ButtonDef")->click();
    }
    EXPECT_EQ(s.monitorEnabled, 1);
    program_->highVoltage.SetTHT(1500);
    EXPECT_TRUE(RunUntil([&] { return label("THTSent")->text() == "01500"; }, 5000)) << label("THTSent")->text().toStdString();

    w.findChild<QRadioButton*>("RadioButtonCalib")->click();
    w.findChild<QLineEdit*>("EditLz")->setText("1");
    EXPECT_TRUE(RunUntil([&] { return label("Label1can")->isVisible(); }, 5000));
    EXPECT_EQ(shared_.parameters.MonitorWarning, 1);
    w.findChild<QLineEdit*>("EditLz")->setText("3");
    EXPECT_TRUE(RunUntil([&] { return !label("Label1can")->isVisible(); }, 5000));

    ASSERT_TRUE(w.findChild<QPushButton*>("ButtonTHT")->isEnabled());
    ClickAndAnswer(w.findChild<QPushButton*>("ButtonTHT"), "TTuneTHT", [](QWidget& tuning) {
      tuning.findChild<QPushButton*>("ButtonReturn")->click();
    });
    program_->highVoltage.SetTHT(0);

    // The positions are recorded by the handset once the mirror drive is inhibited.
    w.findChild<QPushButton*>("ButtonMirror0")->click();
    ASSERT_EQ(shared_.parameters.FiltersMirrorSystem, 0);
    ASSERT_TRUE(w.findChild<QPushButton*>("ButtonFilters")->isEnabled());
    ClickAndAnswer(w.findChild<QPushButton*>("ButtonFilters"), "TFiltersMirror", [this](QWidget& handset) {
      handset.findChild<QPushButton*>("ShapeSky")->click();
      EXPECT_TRUE(RunUntil([&] { return shared_.acquisition.mirrorPosition == 2; }, 5000));
      static_cast<QDialog&>(handset).accept();
    });
    // The next tick shows where the mirror now is.
    EXPECT_TRUE(RunUntil([&] { return label("LabelMirror")->text() == "Sky"; }, 5000));
    w.grab().save(QString::fromStdString(pictures_ + "/TParameters-monitor.png"));
  }
};

TEST_F(ParametersMonitor, TheRemoteControlsFollowTheInstrumentWhileShownAndTheMonitorRestsAfterOk) {
  general().show();
  bool checked = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* w = qobject_cast<TParameters*>(QApplication::activeModalWidget());
    if (checked || !w || w->objectName() != "TParameters") return;
    checked = true;
    CheckWhileShown(*w);
    ObserverAcceptsParameters();  // then OK, as the observer would
  });
  watch.start(20);
  controller_->StartUp();
  ASSERT_TRUE(checked);
  EXPECT_EQ(shared_.acquisition.monitorCreated, 1);
  EXPECT_EQ(shared_.acquisition.monitorEnabled, 0);  // the window closed: the monitor rests
  const int ticks = controller_->monitor().ticks();
  EXPECT_GE(ticks, 1);
  RunUntil([] { return false; }, 2500);
  EXPECT_EQ(controller_->monitor().ticks(), ticks);
}

// The start-up question decides what happens to the supply's voltage: until it is
// answered, the monitor refreshes the readings but sends the supply nothing (its
// probe would set 200 V, then 0 V, over a voltage the operator may mean to keep).
TEST_F(ParametersMonitor, NothingTouchesTheHighVoltageBeforeTheStartUpQuestionIsAnswered) {
  AcquisitionParameters previous;  // a previous run's instrument: THT system 3, its supply read back
  SetDefaultParameterValues(previous);
  ASSERT_EQ(LoadInstrumentDefinition(previous, 3).result, LoadResult::Applied);
  ASSERT_EQ(previous.THTSystem, 3);
  std::filesystem::create_directory(dir_.file("obs"));
  SetText(previous.Path, dir_.file("obs/G001"));
  ASSERT_TRUE(SaveParametersFile(previous));
  const auto thtWrites = [this] {
    int n = 0;
    for (const auto& w : program_->bench.writes()) n += w.board == 2 && (w.port == 0 || w.port == 1) ? 1 : 0;
    return n;
  };
  general().show();
  bool checked = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    auto* w = qobject_cast<TParameters*>(QApplication::activeModalWidget());
    if (checked || !w || w->objectName() != "TParameters") return;
    checked = true;
    ASSERT_TRUE(w->findChild<QWidget*>("PanelStart")->isVisible());
    const int ticks = controller_->monitor().ticks();
    EXPECT_TRUE(RunUntil([&] { return controller_->monitor().ticks() >= ticks + 2; }, 5000));
    EXPECT_EQ(thtWrites(), 0);
    EXPECT_NE(w->findChild<QLabel*>("LabelTHTNoResponse")->text(), "No THT ! (locked ?)");
    // Answered: the voltage is set to zero, and from then on the monitor probes a
    // supply that reads near zero.
    w->findChild<QPushButton*>("BitBtnStart1")->click();
    EXPECT_EQ(thtWrites(), 3);
    const SimulatedBench::Write probe{2, 0, static_cast<std::uint16_t>(ThtCode(200)), 0xFF};
    EXPECT_TRUE(RunUntil([&] {
      const auto writes = program_->bench.writes();
      return std::find(writes.begin(), writes.end(), probe) != writes.end();
    }, 5000));
    ObserverAcceptsParameters();
  });
  watch.start(20);
  controller_->StartUp();
  ASSERT_TRUE(checked);
}

}  // namespace
}  // namespace velmar
