// The analogic calibration window on the offscreen platform, with the real grabber
// on the simulated camera, the simulated bench and the CS100 link; and the whole
// program opening it from the parameters window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

#include "analogic/image_files.h"
#include "engine/software_grabber.h"
#include "instruments/simulated_bench.h"
#include "main_window_fixture.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "platform/format.h"
#include "support/temp_dir.h"
#include "window_texts.h"
#include "windows/analogic/TAnalogic.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;

// Acts on the modal window named once it is up.
using velmar::testing::WhenUp;

ImageFile Read(const std::string& path) {
  std::string error;
  auto image = ReadImageFile(path, error);
  EXPECT_TRUE(image) << error;
  return image ? *image : ImageFile{};
}

class NoConsole final : public Cs100Console {
 public:
  void ShowLinkState(CountingState) override {}
  void RestoreCountingState() override {}
};

// The window alone, with the devices the program gives it, on the virtual clock.
class AnalogicWindow : public ::testing::Test {
 protected:
  AnalogicWindow() : cwd_(dir_.path()), system_(dir_.path() / "system"), clockInstalled_(clock_), installed_(errors_) {
    fs::copy(VELMAR_PRESETS_DIR, dir_.path(), fs::copy_options::recursive);
    fs::copy_file(dir_.file("asga512.dcf"), dir_.file("comptage.dcf"), fs::copy_options::overwrite_existing);
    fs::copy_file(dir_.file("desktop.vcf"), dir_.file("ecran.vcf"), fs::copy_options::overwrite_existing);
    LoadInstrumentDefinition(p_, 3);
    SetText(p_.Path, dir_.file("data"));
    fs::create_directories(dir_.file("data"));
    SetText(p_.Prefix, "T");
    p_.Numobs = 10;
    p_.Lz = 4;
    p_.AcqType = kAcqAnalogicCalibration;
    s_.closeLoopWatch = 1;
    bench_.SetDefinedWiring([this] {
      return BenchWiring{p_.ShutterSystem, p_.THTSystem, p_.THTMax, p_.AxiomBoard == 1 ? 1 : 0};
    });
    board_.OpenBoard();
    window_.SetServices({&link_, [] {}, [this] { ++safeStops_; }});
  }
  QLineEdit* Edit(const char* name) { return window_.findChild<QLineEdit*>(name); }
  QPushButton* Button(const char* name) { return window_.findChild<QPushButton*>(name); }
  QLabel* Label(const char* name) { return window_.findChild<QLabel*>(name); }
  std::string Data(const std::string& name) { return dir_.file("data/" + name); }
  void Picture(const char* name) {
    const QString dir = QCoreApplication::applicationDirPath() + "/pictures";
    fs::create_directories(dir.toStdString());
    window_.grab().save(dir + "/" + name + ".png");
  }

  testing::TempDir dir_;
  testing::ScopedCurrentDir cwd_;
  testing::ScopedSystemDir system_;
  VirtualClock clock_;
  ScopedClock clockInstalled_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter installed_;
  SharedState shared_;
  AcquisitionParameters& p_ = shared_.parameters;
  AcquisitionState& s_ = shared_.acquisition;
  SoftwareGrabber grabber_;
  SimulatedBench bench_;
  InstrumentBoard board_{bench_, p_, s_};
  HighVoltage tht_{p_, s_, board_};
  NoConsole console_;
  Cs100Link link_{p_, s_, board_, console_, [] {}};
  TAnalogic window_{shared_, grabber_, board_, tht_};
  int safeStops_ = 0;
};

TEST_F(AnalogicWindow, BadInputsAreCorrectedAndTheScanWritesTheCube) {
  fs::create_directories(dir_.file("system"));
  testing::WriteFile(dir_.file("system/vlm_ana.tmp"), "1350\n");
  window_.show();
  EXPECT_EQ(window_.windowTitle(), "VlmIPCS analogic calibration");
  EXPECT_EQ(Edit("EditTHT")->text(), "1350");  // the last calibration's
  EXPECT_TRUE(Edit("EditTHT")->isReadOnly());
  EXPECT_EQ(Edit("EditLz")->text(), "4");
  EXPECT_EQ(Edit("EditLx")->text(), "512");
  EXPECT_TRUE(Edit("EditLx")->isReadOnly());
  EXPECT_EQ(Label("LabelCQG")->text(), QString::fromStdString(Format("Cst QG= %.4f", p_.Cqg)));
  EXPECT_EQ(Label("LabelFiles")->text().toStdString(), "Output 3D file : " + Data("T010.VL3"));
  window_.findChild<QRadioButton*>("RadioButtonAD2")->click();
  EXPECT_EQ(Label("LabelFiles")->text().toStdString(), "Output 2D files : " + Data("T010nnnn.VL2"));
  window_.findChild<QRadioButton*>("RadioButtonAD3")->click();
  EXPECT_FALSE(Button("ButtonQuit")->isVisible());
  EXPECT_FALSE(window_.findChild<QProgressBar*>("ProgressBar1")->isVisible());
  EXPECT_EQ(p_.StartWithTHT, 1);
  Picture("analogic-shown");

  window_.findChild<QCheckBox*>("CheckBoxTHT")->click();
  EXPECT_FALSE(Edit("EditTHT")->isReadOnly());
  Edit("EditLz")->setText("many");
  Edit("EditTHT")->setText("-5");
  Edit("EditFrames")->setText("");
  Button("BitBtnExec")->click();
  const auto errors = errors_.reported();
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0], (ErrorLines{"Bad input fro NB OF CHANNELS field", "many", "set to 24 channels..."}));
  EXPECT_EQ(errors[1], (ErrorLines{"Bad input nb for THT value", "-5", "set to 0 volts..."}));
  EXPECT_EQ(errors[2], (ErrorLines{"Bad input nb for FRAMES PER CHANNEL value", "", "set to 1..."}));
  EXPECT_EQ(Edit("EditLz")->text(), "24");
  EXPECT_EQ(Edit("EditTHT")->text(), "0");
  EXPECT_EQ(Edit("EditFrames")->text(), "1");

  // The scan went on with the corrected values, to the end.
  EXPECT_EQ(Label("LabelEtape")->text(), "Scan terminated. Press QUIT button");
  EXPECT_TRUE(Button("ButtonQuit")->isVisible());
  EXPECT_FALSE(Button("BitBtnExec")->isVisible());
  EXPECT_FALSE(Button("BitBtnCancel")->isVisible());
  EXPECT_EQ(window_.findChild<QProgressBar*>("ProgressBar1")->value(), 23);
  Picture("analogic-done");
  const ImageFile cube = Read(Data("T010.vl3"));
  EXPECT_EQ(cube.sizeZ, 24);
  EXPECT_EQ(cube.sizeX, 512);
  EXPECT_EQ(testing::ReadFile(dir_.file("system/vlm_ana.tmp")), "0\n");
  Button("ButtonQuit")->click();
  EXPECT_FALSE(window_.isVisible());
  EXPECT_EQ(safeStops_, 1);
}

TEST_F(AnalogicWindow, NoFrameIsRefusedAKeptLogGoesBackAndALostCloseLoopStopsTheScan) {
  window_.show();
  Edit("EditFrames")->setText("0");
  Button("BitBtnExec")->click();
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line3, "at least 1 frame per channel: nothing was started");
  EXPECT_TRUE(fs::is_empty(dir_.file("data")));
  EXPECT_FALSE(fs::exists(dir_.file("system/vlm_ana.tmp")));
  EXPECT_TRUE(window_.isVisible());

  // An existing log kept: back to the parameters, nothing written.
  testing::WriteFile(Data("T010.VLT"), "an earlier night");
  Edit("EditFrames")->setText("2");
  WhenUp("TFileExist", [](QWidget& question) {
    EXPECT_TRUE(testing::LabelTexts(question).join("|").contains("T010.VLT already exists."));
    question.findChild<QPushButton*>("ButtonNo")->click();
  });
  Button("BitBtnExec")->click();
  EXPECT_FALSE(window_.isVisible());
  EXPECT_TRUE(window_.closedByFileExists());
  EXPECT_EQ(testing::ReadFile(Data("T010.VLT")), "an earlier night");
  EXPECT_FALSE(fs::exists(Data("T010.vl3")));

  // The close loop out before the first channel: said, no cube, back to idle.
  fs::remove(Data("T010.VLT"));
  window_.show();
  EXPECT_FALSE(window_.closedByFileExists());
  Edit("EditFrames")->setText("2");
  bench_.ScheduleCloseLoopLoss(static_cast<double>(clock_.MonotonicMs()) / 1000.0, 1000);
  Button("BitBtnExec")->click();
  ASSERT_FALSE(errors_.reported().empty());
  EXPECT_EQ(errors_.reported().back(), (ErrorLines{"Close loop error !", "", "look to the CS100 controler..."}));
  EXPECT_FALSE(fs::exists(Data("T010.vl3")));
  EXPECT_TRUE(fs::exists(Data("T010.VLT")));
  EXPECT_TRUE(Button("BitBtnExec")->isVisible());
  EXPECT_TRUE(Button("BitBtnExec")->isEnabled());
  EXPECT_FALSE(Button("ButtonQuit")->isVisible());

  // Inhibited by the operator, the close loop is not looked at: the scan goes through.
  s_.closeLoopWatch = 0;
  WhenUp("TFileExist", [](QWidget& question) { question.findChild<QPushButton*>("ButtonYes")->click(); });
  Button("BitBtnExec")->click();
  EXPECT_TRUE(fs::exists(Data("T010.vl3")));
  EXPECT_TRUE(Button("ButtonQuit")->isVisible());
  window_.close();
}

TEST_F(AnalogicWindow, CancelTakesEffectBetweenChannelsKeepingTheSlicesWritten) {
  window_.show();
  Edit("EditLz")->setText("6");
  window_.findChild<QRadioButton*>("RadioButtonAD2")->click();
  auto* progress = window_.findChild<QProgressBar*>("ProgressBar1");
  // "&Cancel" pressed while channel 2 is acquired: seen before channel 3.
  QObject::connect(progress, &QProgressBar::valueChanged, &window_, [this](int value) {
    if (value != 1) return;
    // "E&xecute acquisition" again first: a scan in progress is not started twice.
    QMetaObject::invokeMethod(Button("BitBtnExec"), "click", Qt::QueuedConnection);
    QMetaObject::invokeMethod(Button("BitBtnCancel"), "click", Qt::QueuedConnection);
  });
  window_.findChild<QCheckBox*>("CheckBoxTHT")->click();
  Edit("EditTHT")->setText("800");
  Button("BitBtnExec")->click();
  EXPECT_FALSE(window_.isVisible());
  EXPECT_TRUE(errors_.reported().empty());
  EXPECT_TRUE(fs::exists(Data("T0100001.vl2")));
  EXPECT_TRUE(fs::exists(Data("T0100002.vl2")));
  EXPECT_FALSE(fs::exists(Data("T0100003.vl2")));
  EXPECT_EQ(Read(Data("T0100002.vl2")).sizeY, 512);
  const std::string log = testing::ReadFile(Data("T010.VLT"));
  EXPECT_EQ(log.find("==> position channel 3"), std::string::npos) << log;
  EXPECT_EQ(log.find("Observation T010"), log.rfind("Observation T010"));
  EXPECT_EQ(s_.thtSent, 0);  // "&Cancel" sets the THT to 0 once the scan has cleaned up
  EXPECT_EQ(testing::ReadFile(dir_.file("system/vlm_ana.tmp")), "800\n");
}

class AnalogicFromParameters : public MainWindowFixture {
 protected:
  AnalogicFromParameters() { CreateProgram(); }
};

TEST_F(AnalogicFromParameters, OkOnTheAnalogicTypeRunsTheCalibrationAndQuitEndsTheProgram) {
  general().show();
  ObserverAcceptsParameters([](TParameters& window) {
    window.findChild<QRadioButton*>("RadioButtonAnalogic")->click();
    window.findChild<QLineEdit*>("EditNumobs")->setText("77");
  });
  bool scanned = false;
  WhenUp("TAnalogic", [&](QWidget& analogic) {
    analogic.findChild<QLineEdit*>("EditLz")->setText("3");
    analogic.findChild<QLineEdit*>("EditFrames")->setText("2");
    analogic.findChild<QPushButton*>("BitBtnExec")->click();
    scanned = analogic.findChild<QPushButton*>("ButtonQuit")->isVisible();
    const QString dir = QCoreApplication::applicationDirPath() + "/pictures";
    fs::create_directories(dir.toStdString());
    analogic.grab().save(dir + "/analogic-from-parameters.png");
    analogic.findChild<QPushButton*>("ButtonQuit")->click();
  }, 2000);
  controller_->StartUp();
  EXPECT_TRUE(scanned);
  EXPECT_EQ(ended_, 1);  // "Quit" ends the program
  const std::string data(TextOf(shared_.parameters.Path));
  const ImageFile cube = Read(data + "/G077.vl3");
  EXPECT_EQ(cube.sizeZ, 3);
  double sum = 0;
  for (float v : cube.values) sum += v;
  EXPECT_GT(sum, 2.0 * 3 * 512 * 512 * 8);  // two frames of sky at grey 8, three channels
  const std::string log = testing::ReadFile(data + "/G077.VLT");
  EXPECT_NE(log.find("Nb of frames per channel = 2"), std::string::npos) << log;
  EXPECT_EQ(shared_.acquisition.thtSent, 0);
}

}  // namespace
}  // namespace velmar
