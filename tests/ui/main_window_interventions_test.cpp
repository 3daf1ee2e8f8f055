// The operator's buttons of the main window through the real program and its
// threads: comment, logbook, suspension with its redo, deferred stop, the alarm
// of a closed shutter, and printing the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "engine/observation_log.h"
#include "main_window_fixture.h"
#include "windows/console/TVirus.h"
#include "params/fixed_text.h"
#include "platform/system_dir.h"

namespace velmar {
namespace {

class MainWindowInterventions : public MainWindowFixture {
 protected:
  MainWindowInterventions() { CreateProgram(); }

  // When the modal window of that name comes up, act on it (from a timer of its own).
  void WhenShown(const char* name, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer(&general());
    QObject::connect(poll, &QTimer::timeout, poll, [poll, name, act] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || modal->objectName() != name) return;
      poll->stop();
      poll->deleteLater();
      act(modal);
    });
    poll->start(20);
  }
  std::string Log() { return testing::ReadFile(shared_.acquisition.logPath); }

  void StartCounting(int channels, int exposure) {
    general().show();
    ObserverAcceptsParameters();
    controller_->StartUp();
    // The counting thread shows "standby" as it begins: Start comes after, as the observer's does.
    ASSERT_TRUE(RunUntil([&] { return Label("CountingState")->text().startsWith("standby"); }));
    AcquisitionParameters& p = shared_.parameters;
    AcquisitionState& s = shared_.acquisition;
    p.Lz = channels;
    p.Tcan = exposure;
    p.Maxcycles = 1;
    s.stopCycle = 1;
    s.stopChannel = channels;
    general().RefreshParameterLabels();
    Button("BitBtnOpen")->click();
    Button("ButtonStart")->click();
    ASSERT_TRUE(RunUntil([&] { return s.currentChannel >= 1 && s.channelSeconds > 0.0f; }));
  }
};

TEST_F(MainWindowInterventions, CommentLogbookSuspensionAndDeferredStopWhileCounting) {
  AcquisitionState& s = shared_.acquisition;
  StartCounting(3, 3);

  WhenShown("TCommentOnLogBook", [](QWidget* w) {
    w->findChild<QLineEdit*>("Edit1")->setText("thin cirrus from the west");
    w->findChild<QPushButton*>("BitBtn1")->click();
  });
  Button("ButtonLog")->click();
  EXPECT_TRUE(RunUntil([&] { return Log().find("### Comment at ") != std::string::npos; })) << Log();
  EXPECT_NE(Log().find(" : thin cirrus from the west"), std::string::npos);

  // The viewer is loaded by the next store step, within a second, and follows the
  // log as it grows (the channel's end is written while it is open).
  QString viewed, followed;
  WhenShown("TLogBook", [&](QWidget* w) {
    auto* text = w->findChild<QTextEdit*>("RichEditLogBook");
    auto* wait = new QTimer(w);
    auto since = std::make_shared<QElapsedTimer>();
    since->start();
    QObject::connect(wait, &QTimer::timeout, w, [w, text, wait, since, &viewed, &followed] {
      const QString now = text->toPlainText();
      if (now == "Wait : loading logbook...") return;
      if (viewed.isEmpty()) viewed = now;
      if (now == viewed && since->elapsed() < 10000) return;
      wait->stop();
      followed = now;
      w->findChild<QPushButton*>("BitBtn1")->click();
    });
    wait->start(20);
  });
  Button("ButtonDisplayLog")->click();
  EXPECT_TRUE(viewed.startsWith("Velmar Photon Counting")) << viewed.toStdString();
  EXPECT_TRUE(viewed.contains("thin cirrus from the west"));
  EXPECT_GT(followed.size(), viewed.size()) << followed.toStdString();
  EXPECT_TRUE(followed.startsWith(viewed));

  // Suspend, then redo the last channel: storing holds, then counting goes on.
  const std::int32_t suspendedIn = s.currentChannel;
  int heldWhileShown = -1;
  WhenShown("TSuspended", [&](QWidget* w) {
    heldWhileShown = s.storingHeld;
    EXPECT_FALSE(Button("ButtonSuspend")->isEnabled());
    // The tuning window and the handset open from the suspension and leave it open.
    bool tuned = false, handset = false;
    WhenShown("TTuneTHT", [&](QWidget* t) {
      tuned = true;
      t->findChild<QPushButton*>("ButtonReturn")->click();
    });
    w->findChild<QPushButton*>("ButtonTuneTHT")->click();
    EXPECT_TRUE(tuned);
    EXPECT_EQ(s.monitorEnabled, 0);  // counting goes on without the monitor
    WhenShown("TFiltersMirror", [&](QWidget* f) {
      handset = true;
      f->findChild<QPushButton*>("BitBtn1")->click();
    });
    w->findChild<QPushButton*>("Button3")->click();
    EXPECT_TRUE(handset);
    EXPECT_TRUE(w->isVisible());
    w->findChild<QPushButton*>("BitBtn1")->click();  // "redo the last channel" is checked
  });
  Button("ButtonSuspend")->click();
  EXPECT_EQ(heldWhileShown, 1);
  EXPECT_EQ(s.storingHeld, 0);
  EXPECT_TRUE(Button("ButtonSuspend")->isEnabled());
  EXPECT_EQ(s.redoChannel, suspendedIn);
  EXPECT_TRUE(RunUntil([&] { return Log().find(" : redo last channel") != std::string::npos; })) << Log();

  // A deferred stop at the end of the current channel ends the acquisition there.
  WhenShown("TDeferredStop", [](QWidget* w) {
    w->findChild<QRadioButton*>("RadioButtonChannel")->setChecked(true);
    w->findChild<QPushButton*>("BitBtn1")->click();
  });
  Button("ButtonArret")->click();
  const std::int32_t stopAt = s.stopChannel;
  EXPECT_EQ(s.deferredStopRequested, 1);
  EXPECT_EQ(Label("LabelDeferred")->text(), QString("Stop at ch %1 cy 1").arg(stopAt));
  ASSERT_TRUE(RunUntil([&] { return s.endDialogState == 1; }, 30000));
  EXPECT_EQ(s.lastScannedChannel, stopAt);
}

TEST_F(MainWindowInterventions, AClosedShutterRaisesTheAlarmPanelAndTheWindowPrints) {
  AcquisitionState& s = shared_.acquisition;
  StartCounting(2, 20);
  shared_.parameters.THTMedium = 0;  // no high-voltage alarm: it would take the shutter's place
  Button("BitBtnClose")->click();
  ASSERT_TRUE(RunUntil([&] { return Label("LabelAlarm1")->text().startsWith("WARNING : shutter is"); }, 5000))
      << Label("LabelAlarm1")->text().toStdString();
  EXPECT_EQ(general().height(), 297);
  Picture("TGeneral-alarm");
  EXPECT_TRUE(RunUntil([&] { return Log().find("!!! ALARM at ") != std::string::npos; })) << Log();
  Button("BitBtnOpen")->click();
  EXPECT_TRUE(RunUntil([&] { return s.alarmCode == 0 && general().height() == 263; }, 5000));

  // A message left by another program: shown in front, counted down, then deleted.
  const std::filesystem::path message = SystemFile(kMessageFileName);
  testing::WriteFile(message.string(), "Dome closing in 5 minutes\nwind above the limit\n2\n");
  ASSERT_TRUE(RunUntil([&] { return windows_.virus->isVisible(); }, 5000));
  EXPECT_EQ(windows_.virus->findChild<QLabel*>("Label2")->text(), "Dome closing in 5 minutes");
  EXPECT_TRUE(RunUntil([&] { return !windows_.virus->isVisible() && !std::filesystem::exists(message); }, 5000));

  // No printer here: the print dialog offers a PDF file in the data directory.
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "a printer is installed";
  WhenShown("PrintDialog", [this](QWidget* w) {
    static_cast<QDialog*>(w)->accept();
    auto* info = new QTimer(&general());
    QObject::connect(info, &QTimer::timeout, info, [info] {
      if (auto* box = QApplication::activeModalWidget()) {
        info->stop();
        static_cast<QDialog*>(box)->accept();
      }
    });
    info->start(20);
  });
  Button("ButtonPrint")->click();
  const AcquisitionParameters& p = shared_.parameters;
  const std::filesystem::path pdf =
      std::filesystem::path(std::string(TextOf(p.Path))) / QString::asprintf("%s%3.3d_window.pdf", p.Prefix, p.Numobs).toStdString();
  ASSERT_TRUE(std::filesystem::exists(pdf)) << pdf;
  EXPECT_GT(std::filesystem::file_size(pdf), 1000u);
}

}  // namespace
}  // namespace velmar
