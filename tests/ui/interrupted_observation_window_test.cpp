// The windowed program started after an observation was killed in the middle of a
// channel: the error window says what was found, and the partial file is put aside
// exactly as the headless runner does; a clean previous end says nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/channel_in_progress.h"
#include "main_window_fixture.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFound = "The previous observation was interrupted during a channel";

class InterruptedObservationWindow : public MainWindowFixture {
 protected:
  InterruptedObservationWindow() : data_(dir_.file("obs/G001")) {
    // The parameters file as the interrupted run left it: its data directory.
    AcquisitionParameters previous;
    SetDefaultParameterValues(previous);
    SetText(previous.ProgramDir, dir_.path().string());
    LoadInstrumentDefinition(previous, 3);
    previous.DataFormat = SettleAfterWindowLoad(previous);
    previous.CS100Link = 0;
    SetText(previous.Prefix, "G");
    previous.Numobs = 1;  // the next start takes G002
    fs::create_directories(data_);
    SetText(previous.Path, data_);
    SaveParametersFile(previous);
    testing::WriteFile(data_ + "/G001.VLT", "header");
    testing::WriteFile(data_ + "/G0010101.VLA", "complete channel");
  }
  bool Reported() const {
    for (const auto& lines : errors_.reported())
      if (lines.line1 == kFound) return true;
    return false;
  }
  void StartAndQuit() {
    CreateProgram();
    general().show();
    ObserverAcceptsParameters();
  controller_->StartUp();
    controller_->AbortAndQuit(true);
  }

  std::string data_;
};

TEST_F(InterruptedObservationWindow, AChannelLeftInProgressIsShownAndPutAside) {
  testing::WriteFile(data_ + "/ipcsdata.tmp", "part of channel 2");
  testing::WriteFile(data_ + "/ipcschn.tmp", "G0010101.VLA\n");
  MarkChannelInProgress(data_, {"G0010102.VLA", "ipcsdata.tmp", "G001.VLT"});
  testing::WriteFile(dir_.file("system/vltemoin.tmp"), "Temoin VlmIPCS");
  StartAndQuit();
  ASSERT_TRUE(Reported()) << (errors_.reported().empty() ? "" : errors_.reported()[0].line1);
  for (const auto& lines : errors_.reported())
    if (lines.line1 == kFound) {
      EXPECT_EQ(lines.line2, data_ + "/ipcsdata.tmp");
      EXPECT_EQ(lines.line3,
                "This partial file was moved aside as G0010102.VLA.partial; noted in G001.VLT; complete channels are kept");
    }
  EXPECT_EQ(testing::ReadFile(data_ + "/G0010102.VLA.partial"), "part of channel 2");
  EXPECT_FALSE(fs::exists(data_ + "/ipcsdata.tmp"));
  EXPECT_FALSE(fs::exists(data_ + "/" + kChannelInProgressFile));
  EXPECT_EQ(testing::ReadFile(data_ + "/G0010101.VLA"), "complete channel");
  EXPECT_NE(testing::ReadFile(data_ + "/G001.VLT").find("\n!!! Found at the next start, "), std::string::npos);
}

TEST_F(InterruptedObservationWindow, ACleanPreviousEndSaysNothing) {
  StartAndQuit();
  EXPECT_FALSE(Reported());
  EXPECT_EQ(testing::ReadFile(data_ + "/G001.VLT"), "header");
  EXPECT_EQ(testing::ReadFile(data_ + "/G0010101.VLA"), "complete channel");
}

}  // namespace
}  // namespace velmar
