// The warnings and questions on the way to an acquisition and on the way out.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimer>

#include "windows/console/TWarningWindows.h"
#include "window_texts.h"

namespace velmar {
namespace {

void WhenShown(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(modal, nullptr);
    act(*modal);
  });
}

QPushButton* ButtonOf(QWidget& w, const char* name) { return w.findChild<QPushButton*>(name); }

TEST(WarningWindows, TheThtWarningIsLeftOnlyBySettingZeroUntilTicked) {
  int zeroed = 0;
  TWarningTHT window([&] { ++zeroed; });
  WhenShown([](QDialog& w) {
    testing::SavePicture(w, "TWarningTHT");
    EXPECT_EQ(w.windowTitle(), "Warning THT");
    EXPECT_TRUE(testing::LabelTexts(w).contains("02300"));
    EXPECT_FALSE(ButtonOf(w, "ButtonKeep")->isEnabled());
    ButtonOf(w, "ButtonKeep")->click();  // disabled: nothing happens
    w.reject();                           // nor does Escape or the close box
    EXPECT_TRUE(w.isVisible());
    ButtonOf(w, "ButtonZero")->click();
  });
  window.Warn(2300);
  EXPECT_EQ(zeroed, 1);
  EXPECT_TRUE(window.done());
  // Answered once, it is not shown again until the parameters window clears it.
  window.Warn(2300);
  window.ClearDone();
  WhenShown([](QDialog& w) {
    w.findChild<QCheckBox*>("CheckBoxTHT")->click();
    EXPECT_TRUE(ButtonOf(w, "ButtonKeep")->isEnabled());
    ButtonOf(w, "ButtonKeep")->click();
  });
  window.Warn(1800);
  EXPECT_EQ(zeroed, 1);
  EXPECT_TRUE(window.done());
}

TEST(WarningWindows, AnInhibitedShutterCannotBeOpenedFromTheQuestion) {
  int opened = 0;
  TQuestionObturateur window([&] { ++opened; });
  std::int32_t answer = 7;
  WhenShown([](QDialog& w) {
    EXPECT_TRUE(testing::LabelTexts(w).contains("Warning ! The shutter is inhibited ..."));
    EXPECT_FALSE(ButtonOf(w, "ButtonOpen")->isEnabled());
    ButtonOf(w, "ButtonIntegrate")->click();
  });
  window.Ask(0, 4, answer);
  EXPECT_EQ(answer, 2);
  WhenShown([](QDialog& w) {
    EXPECT_TRUE(testing::LabelTexts(w).contains("Warning ! The shutter seems not to be open ..."));
    ButtonOf(w, "ButtonOpen")->click();
  });
  window.Ask(2, 3, answer);
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(opened, 1);
}

TEST(WarningWindows, TheAcquisitionWarningGoesBackUnlessBypassed) {
  TWarningAcquire window;
  WhenShown([](QDialog& w) {
    testing::SavePicture(w, "TWarningAcquire");
    ButtonOf(w, "ButtonBypass")->click();
  });
  EXPECT_EQ(window.Ask(), 0);
  WhenShown([](QDialog& w) { w.reject(); });
  EXPECT_EQ(window.Ask(), 1);
  TWarningBeforeIntegration missing;
  WhenShown([](QDialog& w) {
    testing::SavePicture(w, "TWarningBeforeIntegration");
    EXPECT_EQ(w.windowTitle(), "VlmIPCS warning");
    ButtonOf(w, "ButtonReturn")->click();
  });
  missing.Show("You didn't fill the FILTER IDENTIFICATION comment line...");
}

}  // namespace
}  // namespace velmar
