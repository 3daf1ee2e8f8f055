// The windowed program counting from a GenICam camera: Aravis's in-process fake
// camera named by the camera description, in real time through the real threads.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <map>

#include "engine/genicam_camera.h"
#include "main_window_fixture.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "windows/common/TError.h"
#include "windows/console/TControlMonitor.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;

class GenicamWindow : public MainWindowFixture {
 protected:
  void SetUp() override {
    if (!GenicamBuiltIn()) GTEST_SKIP() << "built without Aravis: no GenICam camera to test";
    // Preset 2, a 768 by 288 camera at 50 frames a second: the fake camera cut to it.
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      if (entry.path().extension() == ".dcf")
        testing::WriteFile(entry.path().string(), "kind = digitizer\nsource = genicam\ncamera = Fake_1\n"
                                                  "region = 0,0,768,288\nframe_rate = 50\n" + more_);
    AcquisitionParameters saved;
    SetDefaultParameterValues(saved);
    SetText(saved.ProgramDir, dir_.path().string());
    ASSERT_EQ(LoadInstrumentDefinition(saved, 2).result, LoadResult::Applied);
    saved.CS100Link = 0;  // parallel lines on the simulated bench
    fs::create_directory(dir_.file("obs"));
    SetText(saved.Path, dir_.file("obs/T001"));
    ASSERT_TRUE(SaveParametersFile(saved));
    CreateProgram();
    general().show();
    ObserverAcceptsParameters();
    controller_->StartUp();
    shared_.parameters.THTMedium = 0;  // the high voltage counts as up: no THT alarm
    shared_.parameters.Lz = 3;
    shared_.parameters.Tcan = 1;
    shared_.parameters.Maxcycles = 1;
    shared_.acquisition.stopCycle = 1;
    shared_.acquisition.stopChannel = 3;
    Button("BitBtnOpen")->click();
    Button("ButtonStart")->click();
  }
  std::string Log() const {
    const std::string data(TextOf(shared_.parameters.Path));
    for (const auto& entry : fs::directory_iterator(data))
      if (entry.path().extension() == ".VLT") return testing::ReadFile(entry.path().string());
    return {};
  }
  std::size_t PhotonFiles() const {
    std::size_t n = 0;
    for (const auto& entry : fs::directory_iterator(std::string(TextOf(shared_.parameters.Path))))
      n += entry.path().extension() == ".VLA" ? 1 : 0;
    return n;
  }
  std::string more_;
};

TEST_F(GenicamWindow, AWholeObservationCountsTheCamerasFramesAndTheControlMonitorShowsThem) {
  AcquisitionState& s = shared_.acquisition;
  ASSERT_TRUE(RunUntil([&] { return s.currentChannel >= 1 && s.channelSeconds > 0.0f; }));
  // The control monitor shows the camera's own picture: the fake camera's ramp
  // over the whole frame, not a dark sky with a few spots.
  windows_.controlMonitor->Refresh();
  windows_.controlMonitor->grab().save(QString::fromStdString(pictures_ + "/TControlMonitor-genicam.png"));
  Picture("TGeneral-genicam-counting");
  GreyImage picture;
  ASSERT_TRUE(program_->grabber.ControlMonitorPicture(picture));
  std::map<int, int> levels;
  for (int y = 0; y < 288; ++y)
    for (int x = 0; x < 768; ++x) ++levels[picture.pixels[static_cast<std::size_t>(y) * picture.width + x]];
  EXPECT_GT(levels.size(), 200u);
  const int commonest = std::max_element(levels.begin(), levels.end(), [](auto a, auto b) {
                          return a.second < b.second;
                        })->second;
  EXPECT_LT(commonest, 768 * 288 / 20);

  ASSERT_TRUE(RunUntil([&] { return s.endDialogState == 1; }, 30000)) << "channel " << s.currentChannel;
  EXPECT_TRUE(errors_.reported().empty()) << errors_.reported()[0].line1 << " | " << errors_.reported()[0].line2;
  EXPECT_EQ(PhotonFiles(), 4u);  // channel 0 and the three of the plan
  EXPECT_GE(s.cumulatedFrames, 4 * 50 / 2) << Log();  // 50 a second; a loaded machine loses some
  Button("ButtonDialogAcqStop")->click();
  ASSERT_TRUE(RunUntil([&] { return s.abortDialogState == 1; }));
  Button("ButtonDialogAbortYes")->click();
  ASSERT_TRUE(RunUntil([&] { return ended_ == 1; }));
  EXPECT_EQ(program_->grabber.LiveObjects(), 0);
}

class GenicamWindowVanishing : public GenicamWindow {
 protected:
  GenicamWindowVanishing() { more_ = "vanish_from = 6\n"; }
};

// The camera goes away during the observation: the program says so, closes the
// shutter and ends through the safe stop, keeping the channels it completed.
TEST_F(GenicamWindowVanishing, ACameraThatVanishesEndsTheProgramThroughTheSafeStop) {
  ASSERT_TRUE(RunUntil([&] { return ended_ == 1; }, 30000)) << "channel " << shared_.acquisition.currentChannel;
  ASSERT_FALSE(errors_.reported().empty());
  const ErrorLines said = errors_.reported().back();
  EXPECT_EQ(said.line1, "The camera is gone: the acquisition ends, the complete channels are kept");
  EXPECT_EQ(said.line2, "Fake_1: it no longer answers (vanish_from = 6, a rehearsed fault)");
  EXPECT_EQ(said.line3, "Connect the camera again, then start the program again");
  TError shown;
  shown.SetLines(said);
  shown.adjustSize();
  shown.grab().save(QString::fromStdString(pictures_ + "/TError-camera-gone.png"));
  EXPECT_NE(Log().find(": ABORT AND QUIT, camera gone (grab: the camera Fake_1 is gone"), std::string::npos) << Log();
  EXPECT_EQ(shared_.acquisition.quitting, 1);
  EXPECT_EQ(program_->grabber.LiveObjects(), 0);
  EXPECT_GE(PhotonFiles(), 1u);
  EXPECT_FALSE(fs::exists(fs::path(std::string(TextOf(shared_.parameters.Path))) / "ipcsdata.tmp"));
}

}  // namespace
}  // namespace velmar
