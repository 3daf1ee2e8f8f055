// The parameters window on the offscreen platform, driven by control name, with
// the program around it played by recording services.
#include <gtest/gtest.h>

#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "params/observation_files.h"
#include "windows/parameters/TParameters.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "platform/error_reporter.h"
#include "support/temp_dir.h"
#include "window_texts.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;

using velmar::testing::WhenUp;

QPushButton* ButtonOf(QWidget& w, const char* name) { return w.findChild<QPushButton*>(name); }

// Beside the other window pictures (the tests here run in a directory of their own).
void Picture(QWidget& window, const QString& name) {
  const QString dir = QCoreApplication::applicationDirPath() + "/pictures";
  fs::create_directories(dir.toStdString());
  window.grab().save(dir + "/" + name + ".png");
}

class ParametersWindow : public ::testing::Test {
 protected:
  ParametersWindow() : cwd_(dir_.path()), system_(dir_.path() / "system"), installed_(errors_) {
    setenv("HOME", dir_.path().c_str(), 1);
    fs::copy(VELMAR_PRESETS_DIR, dir_.path(), fs::copy_options::recursive);
    // The display program's stand-in writes each argument on a line of its own.
    testing::WriteFile(dir_.file("Vlm3D"),
                       "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"$(dirname \"$0\")/vlm3d-args.txt\"\n");
    fs::permissions(dir_.file("Vlm3D"), fs::perms::owner_all);
    // A parameters file from an earlier night: preset 3, observation G041 under data/.
    AcquisitionParameters saved;
    SetText(saved.ProgramDir, dir_.path().string());
    LoadInstrumentDefinition(saved, 3);
    SetText(saved.Path, dir_.file("data/G041"));
    saved.Numobs = 41;
    fs::create_directories(dir_.file("data"));
    SaveParametersFile(saved);
    NewWindow();
  }

  // The window as the program creates it, with the program around it recorded.
  void NewWindow() {
    window_ = std::make_unique<TParameters>(shared_, dir_.path());
    TParameters::Services services;
    services.setThtZero = [this] { ++thtZeroed_; };
    services.readShutterStatus = [this] { return std::optional<std::int32_t>(shutterStatus_); };
    services.commandShutter = [this](int close) { shutterCommands_.push_back(close); };
    services.checkDriverFiles = [this] { ++driverChecks_; };
    services.endProgram = [this](bool deleteWitness) { ended_.push_back(deleteWitness); };
    services.analogicCalibration = [this] {
      ++analogicShown_;
      return analogicAnswer_;
    };
    window_->SetServices(std::move(services));
  }

  QWidget& w() { return *window_; }
  QLineEdit* Edit(const char* name) { return w().findChild<QLineEdit*>(name); }
  QPushButton* Button(const char* name) { return ButtonOf(w(), name); }
  QRadioButton* Radio(const char* name) { return w().findChild<QRadioButton*>(name); }
  QLabel* Label(const char* name) { return w().findChild<QLabel*>(name); }
  void FillComments() {
    Edit("EditComment")->setText("M 51 nucleus");
    Edit("EditPF")->setText("PF 2 order 1938");
    Edit("EditFI")->setText("6598/15");
  }
  // Shows the window; act runs once it is up, after the start-up choice.
  void Show(std::function<void()> act) {
    WhenUp("TParameters", [this, act](QWidget&) {
      if (w().findChild<QWidget*>("PanelStart")->isVisible()) Button("BitBtnStart1")->click();
      act();
      if (w().isVisible()) window_->done(QDialog::Rejected);  // a refused OK leaves it up
    });
    window_->ShowModal();
  }
  // The stand-in display program runs on its own: its arguments are waited for.
  std::vector<std::string> DisplayArguments() {
    WaitFor([this] { return fs::exists(dir_.file("vlm3d-args.txt")) && Lines().size() == 13; });
    return Lines();
  }
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::ifstream file(dir_.file("vlm3d-args.txt"));
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }
  bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 300 && !done(); ++i) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      usleep(10000);
    }
    return done();
  }

  testing::TempDir dir_;
  testing::ScopedCurrentDir cwd_;
  testing::ScopedSystemDir system_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter installed_;
  SharedState shared_;
  AcquisitionParameters& p_ = shared_.parameters;
  std::unique_ptr<TParameters> window_;
  int thtZeroed_ = 0, driverChecks_ = 0;
  std::int32_t shutterStatus_ = 0;
  std::vector<int> shutterCommands_;
  std::vector<bool> ended_;
  int analogicShown_ = 0, analogicAnswer_ = 1;
};

TEST_F(ParametersWindow, TheStartUpBlockHoldsOkUntilTheHighVoltageIsDecided) {
  WhenUp("TParameters", [this](QWidget&) {
    Picture(w(), "TParameters-start-up");
    EXPECT_TRUE(w().findChild<QWidget*>("PanelStart")->isVisible());
    EXPECT_FALSE(Button("ButtonOK")->isEnabled());
    EXPECT_FALSE(Button("ButtonStart2")->isEnabled());
    w().findChild<QCheckBox*>("CheckBoxStart")->click();
    EXPECT_TRUE(Button("ButtonStart2")->isEnabled());
    Button("ButtonStart2")->click();  // the THT left as it is
    EXPECT_FALSE(w().findChild<QWidget*>("PanelStart")->isVisible());
    EXPECT_TRUE(Button("ButtonOK")->isEnabled());
    EXPECT_EQ(p_.StartWithTHT, 1);
    EXPECT_EQ(thtZeroed_, 0);
    // The file's observation moved on by one, its directory named after it.
    EXPECT_EQ(Edit("EditNumobs")->text(), "042");
    EXPECT_EQ(Edit("EditPath")->text().toStdString(), dir_.file("data/G042"));
    EXPECT_EQ(Label("LabelNameVLT")->text(), "Observation log file : G042.VLT");
    EXPECT_EQ(Edit("EditFI")->text(), "");  // typed at every showing
    EXPECT_EQ(w().findChild<QTableWidget*>("StringGrid1")->item(11, 1)->text(), "asga512.dcf");
    Picture(w(), "TParameters-normal");
    Button("Button3")->click();
    EXPECT_TRUE(w().findChild<QWidget*>("Detail")->isVisible());
    Picture(w(), "TParameters-detail");
    window_->done(QDialog::Rejected);
  });
  window_->ShowModal();
  // The block comes only once: the next showing goes straight to the parameters.
  WhenUp("TParameters", [this](QWidget&) {
    EXPECT_FALSE(w().findChild<QWidget*>("PanelStart")->isVisible());
    EXPECT_TRUE(Button("ButtonOK")->isEnabled());
    window_->done(QDialog::Rejected);
  });
  window_->ShowModal();
}

// A first start: no parameters file, no instrument until the observer loads one.
TEST_F(ParametersWindow, AFirstStartWaitsForAnInstrumentDefinition) {
  fs::remove(ParametersFilePath());
  Show([this] {
    auto* grid = w().findChild<QTableWidget*>("StringGrid1");
    EXPECT_EQ(grid->item(12, 1)->text(), "0");
    EXPECT_EQ(grid->item(11, 1)->text(), "");
    EXPECT_EQ(p_.CCDXSize, 0);
    FillComments();
    Button("ButtonOK")->click();
    EXPECT_TRUE(w().isVisible());
    ASSERT_FALSE(errors_.reported().empty());
    EXPECT_EQ(errors_.reported().back().line1, "No instrument is defined yet");
    EXPECT_EQ(driverChecks_, 0);
    EXPECT_FALSE(fs::exists(Edit("EditPath")->text().toStdString()));  // nothing made
    Button("Button3")->click();
    w().findChild<QComboBox*>("ComboBoxDef")->setCurrentIndex(3);
    Button("ButtonDef")->click();
    EXPECT_EQ(grid->item(12, 1)->text(), "512");
    Button("ButtonOK")->click();
  });
  EXPECT_EQ(window_->result(), QDialog::Accepted);
  EXPECT_EQ(p_.CCDXSize, 512);
}

TEST_F(ParametersWindow, ATypeCopiesItsColumnAndTypingAfterwardsWaitsForOk) {
  Show([this] {
    Edit("EditLz3Dcalib")->setText("24");
    Edit("EditTcan3Dcalib")->setText("30");
    Edit("EditLambda3Dcalib")->setText("6678.150");
    Radio("RadioButtonCalib")->click();
    EXPECT_EQ(Edit("EditLz")->text(), "24");
    EXPECT_EQ(Edit("EditTcan")->text(), "30");
    EXPECT_EQ(Edit("EditLambda")->text().trimmed(), "6678.150");
    EXPECT_EQ(Label("LabelType")->text(), "3D calibration");
    EXPECT_EQ(p_.Lz, 24);
    EXPECT_NE(Label("LabelHead3Dcalib")->styleSheet().indexOf("blue"), -1);
    EXPECT_EQ(Label("LabelHeadCurrent")->styleSheet().indexOf("blue"), -1);
    // Typed after the choice: the set waits; OK reads it.
    Edit("EditLz")->setText("12");
    EXPECT_EQ(p_.Lz, 24);
    // The 2D type hides the scanning controls.
    Radio("RadioButton2D")->click();
    EXPECT_FALSE(Edit("EditCqg")->isVisible());
    EXPECT_FALSE(w().findChild<QWidget*>("GroupBoxCS100")->isVisible());
    EXPECT_EQ(Edit("EditLz")->text(), "1");
    Radio("RadioButtonCalib")->click();
    Edit("EditLz")->setText("12");
    FillComments();
    Button("ButtonOK")->click();
  });
  EXPECT_EQ(p_.Lz, 12);
  EXPECT_EQ(p_.AcqType, kAcq3DCalibration);
  EXPECT_FLOAT_EQ(p_.Lambda, 6678.15f);
  EXPECT_EQ(shared_.acquisition.stopCycle, p_.Maxcycles);
}

TEST_F(ParametersWindow, TheFileNameLinesFollowTheNamesAndTheLockFollowsTheRun) {
  Show([this] {
    Edit("EditLz")->setText("20");
    Edit("EditMaxcycles")->setText("4");
    EXPECT_EQ(Label("LabelNameVLA")->text(), "Photon data files : from G0420101.VLA to G0420420.VLA");
    w().findChild<QComboBox*>("ComboBoxFileType")->setCurrentIndex(1);
    EXPECT_EQ(Label("LabelNameVLA")->text(), "Photon files : G04200010001.VLA to G04200040020.VLA");
    // While an acquisition runs the parameters can be seen, not changed.
    window_->ShowParameters(1);
    Picture(w(), "TParameters-locked");
    EXPECT_TRUE(Label("LabelLocked1")->isVisible());
    EXPECT_TRUE(Label("LabelLocked2")->isVisible());
    for (const char* name : {"ButtonCancel", "ButtonChangeDir", "ButtonPrefixT", "ButtonInhibShutter", "ButtonTHT0"})
      EXPECT_FALSE(Button(name)->isEnabled()) << name;
    for (const char* name : {"EditLz", "EditNumobs", "EditComment"}) EXPECT_FALSE(Edit(name)->isEnabled()) << name;
    EXPECT_FALSE(Radio("RadioButtonObj")->isEnabled());
    EXPECT_FALSE(w().findChild<QTableWidget*>("StringGrid1")->isEnabled());
    EXPECT_FALSE(Button("ButtonTHT")->isVisible());
    window_->ShowParameters(0);
    EXPECT_TRUE(Button("ButtonCancel")->isEnabled());
    EXPECT_FALSE(Label("LabelLocked1")->isVisible());
    // The temporary-file mode is kept in the system file as soon as it is chosen.
    w().findChild<QComboBox*>("ComboBoxMode")->setCurrentIndex(0);
    EXPECT_EQ(shared_.acquisition.tempFileMode, 0);
    EXPECT_EQ(testing::ReadFile((dir_.path() / "system" / "vlm_syst.tmp").string()), "0\n");
    w().findChild<QComboBox*>("ComboBoxMode")->setCurrentIndex(1);
    EXPECT_EQ(testing::ReadFile((dir_.path() / "system" / "vlm_syst.tmp").string()), "1\n");
  });
}

TEST_F(ParametersWindow, OkWithTheTestPrefixSkipsTheCommentLines) {
  Show([this] {
    Button("ButtonPrefixT")->click();
    EXPECT_EQ(w().findChild<QComboBox*>("ComboBoxPrefix")->currentText(), "T");
    EXPECT_EQ(Edit("EditNumobs")->text(), "001");
    EXPECT_EQ(Edit("EditPath")->text().toStdString(), dir_.file("data/T001"));
    // A major warning of the instrument stands: back to the parameters, then bypassed.
    p_.MonitorWarning = 1;
    WhenUp("TWarningAcquire", [](QWidget& warning) { ButtonOf(warning, "ButtonBack")->click(); });
    Button("ButtonOK")->click();
    EXPECT_TRUE(w().isVisible());
    EXPECT_FALSE(fs::exists(dir_.file("data/T001")));
    WhenUp("TWarningAcquire", [](QWidget& warning) { ButtonOf(warning, "ButtonBypass")->click(); });
    Button("ButtonOK")->click();  // comment, interferometer and filter left as they came
  });
  EXPECT_EQ(window_->result(), QDialog::Accepted);
  EXPECT_TRUE(window_->startAcquisition());
  EXPECT_TRUE(fs::is_directory(dir_.file("data/T001")));
  EXPECT_EQ(shared_.acquisition.operatorAnswer, 0);
  ASSERT_FALSE(DisplayArguments().empty());
  EXPECT_EQ(DisplayArguments()[0], dir_.file("data/T001/T0010101.VLA"));
}

TEST_F(ParametersWindow, AMissingCommentLineOrAWrongValueKeepsTheWindow) {
  Show([this] {
    WhenUp("TWarningBeforeIntegration", [](QWidget& warning) {
      EXPECT_TRUE(testing::LabelTexts(warning).contains("You didn't fill the COMMENT LINE of the observation..."));
      EXPECT_FALSE(ButtonOf(warning, "ButtonIntegrate")->isVisible());
      ButtonOf(warning, "ButtonReturn")->click();
    });
    Button("ButtonOK")->click();
    EXPECT_TRUE(w().isVisible());
    EXPECT_TRUE(Button("ButtonOK")->isEnabled());
    FillComments();
    Edit("EditStartcan")->setText("0");
    Button("ButtonOK")->click();
    EXPECT_TRUE(w().isVisible());
    ASSERT_FALSE(errors_.reported().empty());
    EXPECT_EQ(errors_.reported().back().line2, "starting channel number");
    // The analogic calibration opens its window; its "&Cancel" comes back here,
    // waiting for nothing, and its "Quit" ends the program.
    Edit("EditStartcan")->setText("1");
    Radio("RadioButtonAnalogic")->click();
    EXPECT_TRUE(w().findChild<QWidget*>("MemoAnalogic")->isVisible());
    EXPECT_EQ(Edit("EditMaxcycles")->text(), "10");
    const std::size_t errorsBefore = errors_.reported().size();
    Button("ButtonOK")->click();
    EXPECT_EQ(analogicShown_, 1);
    EXPECT_TRUE(w().isVisible());
    EXPECT_TRUE(Button("ButtonOK")->isEnabled());
    EXPECT_FALSE(Label("LabelWaitAcquisition")->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(errors_.reported().size(), errorsBefore);
    EXPECT_TRUE(ended_.empty());
    analogicAnswer_ = 0;
    Button("ButtonOK")->click();
    EXPECT_EQ(analogicShown_, 2);
    EXPECT_EQ(ended_.size(), 1u);
    EXPECT_FALSE(fs::exists(dir_.file("vlm3d-args.txt")));
  });
}

TEST_F(ParametersWindow, ManyChannelsSwitchToLongNamesAndTheDisplayGetsItsTwelveArguments) {
  Show([this] {
    FillComments();
    Radio("RadioButtonSimul")->click();
    Edit("EditLz")->setText("120");
    Edit("EditTcan")->setText("5");
    Edit("EditMaxcycles")->setText("3");
    Button("ButtonOK")->click();
  });
  EXPECT_EQ(p_.FileType, 1);
  EXPECT_EQ(w().findChild<QComboBox*>("ComboBoxFileType")->currentIndex(), 1);
  const std::vector<std::string> expected = {dir_.file("data/G042/G04200010001.VLA"),
                                             "1", "0", "2", "512", "512", "120", "1", " 6562.780", "2", "1",
                                             std::to_string(shared_.acquisition.tempFileMode), "0"};
  EXPECT_EQ(DisplayArguments(), expected);
  EXPECT_EQ(p_.CoordinateBytes, 2);
  EXPECT_EQ(shared_.acquisition.stopCycle, 3);
  EXPECT_EQ(shared_.acquisition.stopChannel, 120);
  EXPECT_GE(driverChecks_, 1);
}

// Every file of the observation goes (cycle 99 and the other name style too), so
// that none is left beside a log that does not describe it; another's stays.
TEST_F(ParametersWindow, OverwritingAnObservationDeletesEveryFileOfItAndKeepsTheOthers) {
  fs::create_directories(dir_.file("data/G042"));
  for (const char* name : {"G0420101.VLA", "G0420532.VLA", "G0429801.VLA", "G0429901.VLA", "G04200020003.VLA",
                           "G0430101.VLA"})
    testing::WriteFile(dir_.file(std::string("data/G042/") + name), "photons");
  // Closing the question without an answer keeps everything.
  Show([this] {
    FillComments();
    WhenUp("TFileExist", [](QWidget& question) {
      EXPECT_TRUE(testing::LabelTexts(question).contains("The file G0420101.VLA already exists."));
      static_cast<QDialog&>(question).reject();
    });
    Button("ButtonOK")->click();
    EXPECT_TRUE(w().isVisible());
    EXPECT_TRUE(fs::exists(dir_.file("data/G042/G0420101.VLA")));
    WhenUp("TFileExist", [](QWidget& question) {
      Picture(question, "TFileExist");
      ButtonOf(question, "ButtonYes")->click();
    });
    Button("ButtonOK")->click();
  });
  EXPECT_EQ(window_->result(), QDialog::Accepted);
  for (const char* gone : {"G0420101.VLA", "G0420532.VLA", "G0429801.VLA", "G0429901.VLA", "G04200020003.VLA"})
    EXPECT_FALSE(fs::exists(dir_.file(std::string("data/G042/") + gone))) << gone;
  EXPECT_TRUE(fs::exists(dir_.file("data/G042/G0430101.VLA")));
}

// Seen from the main window before Start: OK only returns, but an observation that
// Start would overwrite is asked about first.
TEST_F(ParametersWindow, ViewingBeforeStartAsksBeforeAnObservationIsOverwritten) {
  fs::create_directories(dir_.file("data/G050"));
  testing::WriteFile(dir_.file("data/G050/G0500101.VLA"), "photons");
  Show([] {});  // the start-up showing
  WhenUp("TParameters", [this](QWidget&) {
    EXPECT_FALSE(w().findChild<QWidget*>("PanelStart")->isVisible());
    EXPECT_EQ(Button("ButtonOK")->text(), "&OK return to acq.");
    Edit("EditNumobs")->setText("050");
    WhenUp("TFileExist", [](QWidget& question) { ButtonOf(question, "ButtonNo")->click(); });
    Button("ButtonOK")->click();
    EXPECT_TRUE(w().isVisible());
    EXPECT_TRUE(fs::exists(dir_.file("data/G050/G0500101.VLA")));
    Edit("EditNumobs")->setText("051");
    Button("ButtonOK")->click();
  });
  window_->ShowForViewing();
  EXPECT_EQ(window_->result(), QDialog::Accepted);
  EXPECT_EQ(p_.ViewOnly, 0);
  EXPECT_EQ(p_.RunState, 2);
  EXPECT_EQ(p_.Numobs, 51);
  EXPECT_FALSE(fs::exists(dir_.file("vlm3d-args.txt")));  // nothing started from here
}

TEST_F(ParametersWindow, ShowCommandStartsNothingButSavesTheParameters) {
  Show([this] {
    fs::remove(ParametersFilePath());
    FillComments();
    Button("Button3")->click();
    Button("ButtonCommand")->click();
    EXPECT_TRUE(w().isVisible());
    EXPECT_TRUE(Label("LabelCommand")->text().startsWith(
        QString::fromStdString("Vlm3D " + dir_.file("data/G042/G0420101.VLA") + " 0 0 2 512 512 32 1  6562.780 2 1")))
        << Label("LabelCommand")->text().toStdString();
    // The observation number's arrow goes on from the number typed, and shows none of its own.
    Edit("EditNumobs")->setText("7");
    auto* arrow = w().findChild<QAbstractSlider*>("UpDown3");
    ASSERT_NE(arrow, nullptr);
    arrow->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Edit("EditNumobs")->text(), "008");
    Edit("EditNumobs")->setText("042");
    // The whole command shows, its eleven arguments.
    EXPECT_TRUE(testing::CutTexts(w()).isEmpty()) << testing::CutTexts(w()).join("\n").toStdString();
    Picture(w(), "TParameters-command");
  });
  EXPECT_FALSE(fs::exists(dir_.file("vlm3d-args.txt")));
  EXPECT_TRUE(fs::exists(ParametersFilePath()));
  EXPECT_GE(driverChecks_, 1);
}

TEST_F(ParametersWindow, AShutterNotSeenOpenIsAskedAbout) {
  shutterStatus_ = 3;
  Show([this] {
    FillComments();
    WhenUp("TQuestionObturateur", [](QWidget& question) {
      EXPECT_TRUE(testing::LabelTexts(question).contains("Mode = 2     Status = 3"));
      ButtonOf(question, "ButtonReturn")->click();
    });
    Button("ButtonOK")->click();
    EXPECT_TRUE(w().isVisible());
    WhenUp("TQuestionObturateur", [](QWidget& question) {
      Picture(question, "TQuestionObturateur");
      ButtonOf(question, "ButtonOpen")->click();
    });
    Button("ButtonOK")->click();
  });
  EXPECT_EQ(window_->result(), QDialog::Accepted);
  EXPECT_EQ(shutterCommands_, std::vector<int>{0});
}

TEST_F(ParametersWindow, QuitOrCloseBeforeAnyAcquisitionEndsTheProgramWithTheWitness) {
  Show([this] { Button("ButtonCancel")->click(); });
  EXPECT_EQ(ended_, std::vector<bool>{true});
  EXPECT_TRUE(fs::exists(ParametersFilePath()));
  NewWindow();
  Show([this] { w().close(); });
  EXPECT_EQ(ended_, (std::vector<bool>{true, true}));
  // Once an acquisition ran, "&Quit" only goes back to the main window.
  NewWindow();
  shared_.acquisition.acquisitionStarted = 1;
  Show([this] { Button("ButtonCancel")->click(); });
  EXPECT_EQ(ended_.size(), 2u);
  EXPECT_EQ(shared_.acquisition.operatorAnswer, 1);
}

TEST_F(ParametersWindow, LoadingAPresetFillsTheGridAndTheInhibitButtonsChangeIt) {
  Show([this] {
    Button("Button3")->click();
    auto* list = w().findChild<QComboBox*>("ComboBoxDef");
    EXPECT_FALSE(Button("ButtonDef")->isEnabled());
    list->setCurrentIndex(2);  // "Thomson Survey Varsa"
    Button("ButtonDef")->click();
    auto* grid = w().findChild<QTableWidget*>("StringGrid1");
    EXPECT_EQ(grid->item(11, 1)->text(), "thomson.dcf");
    EXPECT_EQ(grid->item(12, 1)->text(), "768");
    EXPECT_EQ(p_.CCDYSize, 288);
    EXPECT_EQ(w().findChild<QComboBox*>("ComboBoxDataFormat")->currentIndex(), 2);
    EXPECT_EQ(Label("LabelAxiom")->text(), "Axiom AX5414");
    EXPECT_TRUE(w().findChild<QWidget*>("GroupBoxInstrument")->property("title").toString().contains("TORVEL_VARSA"));
    Button("ButtonInhibShutter")->click();
    EXPECT_EQ(grid->item(9, 1)->text(), "0");
    w().findChild<QWidget*>("UpDownDiscri")->setProperty("value", 77);
    EXPECT_EQ(p_.Discri, 77);
    EXPECT_EQ(grid->item(2, 1)->text(), "77");
    Button("ButtonInhibCL")->click();
    EXPECT_EQ(Button("ButtonInhibCL")->text(), "Valid closeloop");
    WhenUp("THelpDEF", [](QWidget& help) {
      Picture(help, "THelpDEF");
      ButtonOf(help, "ButtonReturn")->click();
    });
    Button("Button1")->click();
  });
}

}  // namespace
}  // namespace velmar
