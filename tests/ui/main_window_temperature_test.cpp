#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <filesystem>

#include "main_window_fixture.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "platform/error_reporter.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

// The windowed program with a temperature controller in its parameters file and
// the controller simulator on COM2 (a pseudo-terminal); the end of process recorded.
class MainWindowTemperature : public MainWindowFixture {
 protected:
  MainWindowTemperature() {
    // The parameters file of a previous run whose instrument has the controller.
    AcquisitionParameters previous;
    SetDefaultParameterValues(previous);
    LoadInstrumentDefinition(previous, 3);
    previous.DataFormat = SettleAfterWindowLoad(previous);
    previous.TemperatureInterface = 1;
    std::filesystem::create_directory(dir_.file("obs"));
    SetText(previous.Path, dir_.file("obs/G001"));
    SaveParametersFile(previous);
  }
  QString Text(const char* name) { return Label(name)->text(); }
};

TEST_F(MainWindowTemperature, TheLabelsShowTheControllerDuringAnAcquisition) {
  testing::PtyDevice line;
  testing::ScopedEnv com2("VELMAR_COM2", line.slaveName());
  line.RunOnMaster(std::string(VELMAR_BIN_DIR) + "/vlmipcs-temperature-sim", {"--temperature", "-5", "--command", "20"});
  ASSERT_NE(line.AskThroughSlave("@00100000071*\r", '\r'), "") << "the simulator does not answer";
  CreateProgram();
  EXPECT_EQ(Text("LabelTemperature"), "- - -");
  EXPECT_EQ(Text("LabelTemperatureCommand"), "No command");

  general().show();
  ObserverAcceptsParameters();
  controller_->StartUp();
  ASSERT_EQ(shared_.parameters.TemperatureInterface, 1);
  ASSERT_TRUE(RunUntil([&] { return Text("CountingState") == "standby object"; }));
  AcquisitionParameters& p = shared_.parameters;
  AcquisitionState& s = shared_.acquisition;
  p.Lz = 2;
  p.Tcan = 2;
  p.Maxcycles = 1;
  s.stopCycle = 1;
  s.stopChannel = 2;
  general().RefreshParameterLabels();
  general().findChild<QPushButton*>("ButtonStart")->click();
  ASSERT_TRUE(RunUntil([&] { return s.currentChannel >= 1 && s.channelSeconds > 0.0f; }))
      << "channel " << s.currentChannel << " held " << s.storingHeld << " close loop " << s.closeLoopHeld
      << " started " << s.acquisitionStarted << " log " << s.logPath << " state "
      << Text("CountingState").toStdString() << " errors " << errors_.reported().size() << " "
      << (errors_.reported().empty() ? "" : errors_.reported()[0].line1);
  ASSERT_TRUE(RunUntil([&] { return Text("LabelTemperature") == "-005"; })) << Text("LabelTemperature").toStdString();
  EXPECT_EQ(Text("LabelTemperatureCommand"), "Command= 20");
  EXPECT_EQ(s.storingHeld, 0);  // still counting
  EXPECT_EQ(Text("CountingState"), "counting object");
  EXPECT_TRUE(errors_.reported().empty());
  EXPECT_EQ(ended_, 0);
  const QString pictures = QCoreApplication::applicationDirPath() + "/pictures";
  std::filesystem::create_directories(pictures.toStdString());
  general().grab().save(pictures + "/TGeneral-temperature.png");
}

TEST_F(MainWindowTemperature, APortThatCannotBeOpenedEndsTheProgramAfterItsError) {
  testing::ScopedEnv com2("VELMAR_COM2", dir_.file("no-such-port"));
  CreateProgram();
  general().show();
  ObserverAcceptsParameters();
  controller_->StartUp();
  EXPECT_EQ(ended_, 1);
  const auto reported = errors_.reported();
  EXPECT_NE(std::find(reported.begin(), reported.end(),
                      ErrorLines{"Impossible to open the COM port of the Temperature device !", "COM2", ""}),
            reported.end());
}

}  // namespace
}  // namespace velmar
