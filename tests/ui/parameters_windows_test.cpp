#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "windows/console/TRepertoire.h"
#include "windows/parameters/TError_DCF.h"
#include "platform/error_reporter.h"
#include "window_texts.h"

namespace velmar {
namespace {

using testing::LabelTexts;
using testing::SavePicture;

// Runs actions on the modal window once it is up.
void WhenShown(std::function<void(QWidget&)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    act(*modal);
  });
}

TEST(ParametersWindows, TheDirectoryWindowCreatesTheTypedDirectory) {
  QDir().mkpath("pictures");
  const QString base = QDir::temp().filePath("velmar-repertoire-test");
  QDir(base).removeRecursively();
  QDir().mkpath(base);
  RecordingErrorReporter errors;
  ScopedErrorReporter installed(errors);
  TRepertoire window;
  std::string path = base.toStdString() + "/G041";
  WhenShown([&](QWidget& w) {
    SavePicture(w, "TRepertoire");
    w.findChild<QLineEdit*>("EditNewDirectory")->setText(base + "/G042");
    w.findChild<QPushButton*>("BitBtnCreate")->click();
  });
  EXPECT_EQ(window.Choose(path, "G042"), 0);
  EXPECT_EQ(path, base.toStdString() + "/G042");
  EXPECT_TRUE(QDir(base + "/G042").exists());
  EXPECT_EQ(window.windowTitle(), "VlmIPCS new directory");
  EXPECT_TRUE(LabelTexts(window).contains(" Observation  G042 "));
  // Two missing levels: refused, the window stays; then cancelled.
  WhenShown([&](QWidget& w) {
    w.findChild<QLineEdit*>("EditNewDirectory")->setText(base + "/a/b");
    w.findChild<QPushButton*>("BitBtnCreate")->click();
    EXPECT_TRUE(w.isVisible());
    w.findChild<QPushButton*>("BitBtnCancel")->click();
  });
  EXPECT_EQ(window.Choose(path, "G042"), 1);
  EXPECT_EQ(path, base.toStdString() + "/a/b");
  EXPECT_FALSE(errors.reported().empty());
  QDir(base).removeRecursively();
}

TEST(ParametersWindows, TheDriverFileErrorKeepsThePreviousOrQuits) {
  TError_DCF window;
  WhenShown([](QWidget& w) {
    SavePicture(w, "TError_DCF");
    w.findChild<QPushButton*>("ButtonBypass")->click();
  });
  EXPECT_EQ(window.Ask("Impossible to find the Matrox DCF configuration file", "/opt/velmar/" + std::string(90, 'd') + ".dcf",
                       "IF BYPASSED PERSISTS, load again \".DEF to Current\" in the main window"),
            1);
  const QStringList texts = LabelTexts(window);
  EXPECT_EQ(window.windowTitle(), "Error_DCF");
  EXPECT_TRUE(texts.contains("Velmar photon counting error for configuration files"));
  EXPECT_TRUE(texts.contains("same directory as the called VlmIPCS.exe executable file"));
  EXPECT_EQ(window.findChild<QLabel*>("Label3")->text().size(), 70);
  WhenShown([](QWidget& w) { static_cast<QDialog&>(w).reject(); });  // closed otherwise
  EXPECT_EQ(window.Ask("a", "b", "c"), 2);
}

}  // namespace
}  // namespace velmar
