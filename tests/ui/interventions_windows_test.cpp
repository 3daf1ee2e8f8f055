// The operator's windows by their controls' names: suspension, abort request,
// deferred stop, logbook, comment and supervisor message; and the main window
// with an alarm and a deferred stop shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QKeyEvent>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>

#include "windows/console/TDeferredStop.h"
#include "windows/console/TGeneral.h"
#include "windows/console/TLogBook.h"
#include "windows/console/TRequestAbort.h"
#include "windows/console/TSuspended.h"
#include "windows/console/TVirus.h"
#include "platform/error_reporter.h"

namespace velmar {
namespace {

// Keys as the observer types them.
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}
void PressEscape(QWidget* widget) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

class InterventionWindows : public ::testing::Test {
 protected:
  InterventionWindows() : installed_(errors_) {
    std::filesystem::create_directories(pictures_);
    shared_.parameters.Lz = 4;
    shared_.parameters.Maxcycles = 3;
    shared_.parameters.SeeSaw = 1;
    shared_.acquisition.currentChannel = 2;
    shared_.acquisition.currentCycle = 2;
    shared_.acquisition.stopChannel = 1;
    shared_.acquisition.stopCycle = 3;
  }
  void Picture(QWidget& w, const char* name) { w.grab().save(QString::fromStdString(pictures_ + "/" + name + ".png")); }
  template <class T>
  T* Child(QWidget& w, const char* name) {
    T* child = w.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }

  RecordingErrorReporter errors_;
  ScopedErrorReporter installed_;
  // Pictures go beside the other window pictures of the test run.
  std::string pictures_ =
      (std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / "pictures").string();
  SharedState shared_;
  TGeneral general_{shared_};
};

TEST_F(InterventionWindows, TheSuspensionWindowRefusesABadChannelAndResumesWithTheRedo) {
  AcquisitionState& s = shared_.acquisition;
  const AcquisitionParameters& p = shared_.parameters;
  TSuspended window(&general_);
  TSuspended::Actions actions;
  actions.answer = [&](SuspensionChoice choice, const std::string& channel, const std::string& cycle) {
    return AnswerSuspension(s, p, choice, channel, cycle, LocalTime{});
  };
  window.SetActions(actions);
  window.Fill(BeginSuspension(s, p, general_));
  window.show();
  EXPECT_EQ(window.windowTitle(), "Velmar acquisition suspension");
  EXPECT_EQ(Child<QLabel>(window, "Label4")->text(),
            "The scan of this cycle is in DECREASING mode (scanned as 4,3,...2,1)");
  EXPECT_TRUE(Child<QRadioButton>(window, "RadioButtonChannel")->isChecked());
  EXPECT_FALSE(Child<QPushButton>(window, "ButtonTuneTHT")->isEnabled());  // until its window exists
  EXPECT_FALSE(general_.findChild<QPushButton*>("ButtonSuspend")->isEnabled());
  Picture(window, "TSuspended");
  Type(window.findChild<QLineEdit*>("EditChannel"), "9");  // typing picks the third choice
  EXPECT_TRUE(Child<QRadioButton>(window, "RadioButtonChannelAndCycle")->isChecked());
  Child<QPushButton>(window, "BitBtn1")->click();
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line1, "Invalid channel number");
  EXPECT_TRUE(window.isVisible());
  PressEscape(&window);  // the observer must choose
  EXPECT_TRUE(window.isVisible());
  window.findChild<QLineEdit*>("EditChannel")->setText("3");
  Child<QPushButton>(window, "BitBtn1")->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(s.redoChannel, 3);
  EXPECT_EQ(s.redoCycle, 2);
}

TEST_F(InterventionWindows, TheAbortRequestAnswersYesNoAndNewAcquisition) {
  TRequestAbort window(&general_);
  int shutterClosed = 0;
  window.SetCloseShutter([&] { ++shutterClosed; });
  const auto answer = [&](const char* button, bool picture) {
    QTimer::singleShot(50, &window, [&, button, picture] {
      if (picture) Picture(window, "TRequestAbort");
      window.findChild<QPushButton*>(button)->click();
    });
    return window.Ask();
  };
  EXPECT_EQ(answer("BitBtn2", true), 1);
  EXPECT_EQ(answer("BitBtn3", false), 2);
  EXPECT_EQ(shutterClosed, 0);
  EXPECT_EQ(answer("BitBtn1", false), 0);
  EXPECT_EQ(shutterClosed, 1);
  EXPECT_EQ(window.windowTitle(), "Velmar request abort");
  EXPECT_TRUE(window.findChild<QPushButton*>("BitBtn2")->isDefault());
}

TEST_F(InterventionWindows, TheDeferredStopsCancelChangesNothingAndOkMovesTheStop) {
  AcquisitionState& s = shared_.acquisition;
  TDeferredStop window(&general_);
  window.SetAnswer([&](DeferredStopChoice choice, const DeferredStopEdits& edits) {
    return AnswerDeferredStop(s, shared_.parameters, choice, edits, general_);
  });
  window.Fill(DeferredStopShown(s));
  window.show();
  EXPECT_EQ(Child<QLabel>(window, "Label2")->text(), "Normal stop is at channel 1 and cycle 3");
  EXPECT_TRUE(Child<QRadioButton>(window, "RadioButtonNextCycle")->isChecked());
  Picture(window, "TDeferredStop");
  const QString deferredBefore = general_.findChild<QLabel*>("LabelDeferred")->text();
  Type(window.findChild<QLineEdit*>("EditChannelFull"), "3");
  EXPECT_TRUE(Child<QRadioButton>(window, "RadioButtonFull")->isChecked());
  Child<QPushButton>(window, "BitBtn2")->click();
  EXPECT_EQ(s.stopChannel, 1);
  EXPECT_EQ(s.stopCycle, 3);
  EXPECT_EQ(s.deferredStopRequested, 0);
  EXPECT_EQ(general_.findChild<QLabel*>("LabelDeferred")->text(), deferredBefore);

  window.Fill(DeferredStopShown(s));
  window.show();
  window.findChild<QRadioButton*>("RadioButtonFull")->setChecked(true);
  window.findChild<QLineEdit*>("EditChannelFull")->setText("2");
  window.findChild<QLineEdit*>("EditCycleFull")->setText("3");
  Child<QPushButton>(window, "BitBtn1")->click();
  EXPECT_EQ(s.stopChannel, 2);
  EXPECT_EQ(s.deferredStopRequested, 1);
  EXPECT_EQ(general_.findChild<QLabel*>("LabelDeferred")->text(), "Stop at ch 2 cy 3");
  general_.AlternateStatusColours(1, true);
  general_.ShowAlarmTexts("WARNING : Close loop (PF in default) !", "waiting for good CL");
  general_.ColourAlarmPanel(true);
  general_.SetWindowHeight(297);
  general_.show();
  Picture(general_, "TGeneral_alarm_and_deferred_stop");
}

TEST_F(InterventionWindows, TheLogbookCommentAndSupervisorWindows) {
  TLogBook book(&general_);
  int reloads = 0;
  book.SetReloadRequest([&] { ++reloads; });
  EXPECT_EQ(Child<QTextEdit>(book, "RichEditLogBook")->toPlainText(), "Wait : loading logbook...");
  EXPECT_TRUE(Child<QTextEdit>(book, "RichEditLogBook")->isReadOnly());
  book.show();
  EXPECT_EQ(reloads, 1);
  book.SetLogText("Velmar Photon Counting\n### Comment at 21:15:03 : clouds");
  Picture(book, "TLogBook");
  EXPECT_EQ(Child<QTextEdit>(book, "RichEditLogBook")->textCursor().position(),
            Child<QTextEdit>(book, "RichEditLogBook")->toPlainText().size());

  TCommentOnLogBook comment(&general_);
  EXPECT_EQ(Child<QLineEdit>(comment, "Edit1")->maxLength(), 70);
  QTimer::singleShot(50, &comment, [&] {
    Type(comment.findChild<QLineEdit*>("Edit1"), "seeing 0.8");
    Picture(comment, "TCommentOnLogBook");
    comment.findChild<QPushButton*>("BitBtn1")->click();
  });
  EXPECT_EQ(comment.Ask().value_or("none"), "seeing 0.8");
  QTimer::singleShot(50, &comment, [&] { comment.findChild<QPushButton*>("BitBtn2")->click(); });
  EXPECT_FALSE(comment.Ask().has_value());

  TVirus virus(&general_);
  virus.ShowMessage("Dome closing in 5 minutes", "wind above the limit");
  EXPECT_EQ(virus.windowTitle(), "VlmIPCS supervisor");
  EXPECT_EQ(virus.size(), QSize(630, 220));
  EXPECT_EQ(Child<QLabel>(virus, "Label2")->text(), "Dome closing in 5 minutes");
  Picture(virus, "TVirus");
}

}  // namespace
}  // namespace velmar
