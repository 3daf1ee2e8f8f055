#pragma once
// A whole simulated observation on the virtual clock: program directory with the
// grabber files, data directory, simulation source (every counted frame yields
// the same events), store steps driven by the virtual-time scheduler, and a host
// that records what the windows would show.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "engine/frame_grabber_setup.h"
#include "engine/grabber_files.h"
#include "engine/software_grabber.h"
#include "engine/start_acquisition.h"
#include "engine/store_step.h"
#include "engine/virtual_time_scheduler.h"
#include "params/fixed_text.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "support/temp_dir.h"

namespace velmar::testing {

class RecordingHost : public StoreStepHost {
 public:
  void ShowCountingStateView(const CountingStateView& view) override { states.push_back(view.text); }
  void ShowPanel(const PanelView& view) override { panels.push_back(view); }
  void SetWindowHeight(int height) override { heights.push_back(height); }
  void CheckBeepBox() override {}
  DiskErrorChoice ShowDiskError(const DiskErrorReport& report) override {
    diskErrors.push_back(report);
    return diskErrorChoice;
  }
  void DriveToChannel(std::int32_t channel) override { drives.push_back(channel); }
  void CloseShutter() override { ++shutterClosed; }
  void QuitAfterAbortYes() override { ++quitYes; }
  void QuitIntegration() override { ++quitIntegration; }
  void QuitAfterLogFailure() override { ++quitLog; }
  void ShowWriting(const std::string& text) override { writing = text; }
  void ShowEndButtons() override { endButtons = true; }
  void ChannelFinished(std::int32_t channel, std::int32_t cycle) override { finished.push_back({channel, cycle}); }
  TvLevelEdits ReadTvLevelEdits() override { return edits; }
  DiskErrorChoice SecondStored(const StoredSecond& second) override {
    if (second.error != 0) lostSeconds.push_back(second);
    return DiskErrorChoice::Ignore;
  }

  std::vector<std::string> states;
  std::vector<PanelView> panels;
  std::vector<int> heights;
  std::vector<DiskErrorReport> diskErrors;
  std::vector<StoredSecond> lostSeconds;
  DiskErrorChoice diskErrorChoice = DiskErrorChoice::Ignore;
  std::vector<std::int32_t> drives;
  std::vector<std::pair<std::int32_t, std::int32_t>> finished;
  int shutterClosed = 0, quitYes = 0, quitIntegration = 0, quitLog = 0;
  std::string writing;
  bool endButtons = false;
  TvLevelEdits edits;
};

class Observation : public ::testing::Test {
 protected:
  Observation() : cwd_(dir_.path()), system_(dir_.path() / "system"), clockInstalled_(clock_), errorsInstalled_(errors_) {
    DigitizerDescription camera;
    camera.sizeX = camera.sizeY = 64;
    camera.frameRate = 80;
    WriteFile("comptage.dcf", DigitizerDescriptionText(camera, "test camera"));
    WriteFile("ecran.vcf", DisplayDescriptionText(DisplayDescription{}, "test monitor"));
    data_ = (dir_.path() / "G042").string();
    std::filesystem::create_directory(data_);
    SetText(p_.Path, data_);
    SetText(p_.Prefix, "G");
    p_.Numobs = 42;
    p_.CCDXSize = p_.CCDYSize = 64;
    p_.StoredXSize = p_.StoredYSize = 256;
    p_.Source = kSourceSimulation;
    p_.RandomPoints = 4;
    p_.FramesPerSecond = 80;
    p_.Discri = 100;
    p_.WhiteLevel = 255;
    p_.DataFormat = kFormatXY4Bytes;
    SetText(p_.Comment, "NGC 2403 H alpha");
    SetText(p_.PFIdent, "PF 1200 microns");
    SetText(p_.FilterIdent, "6569/15");
    SetText(p_.DcfFile, "kem512.dcf");
  }

  // The plan, handed over as the parameters window's collection does.
  void Plan(std::int32_t lz, std::int32_t tcan, std::int32_t cycles, bool seeSaw) {
    p_.Lz = lz;
    p_.Tcan = tcan;
    p_.Maxcycles = cycles;
    p_.SeeSaw = seeSaw ? 1 : 0;
    s_.Lz = lz;
    s_.stopCycle = cycles;
    s_.stopChannel = StopChannel(lz, cycles, p_.SeeSaw);
  }

  void Begin() {
    SetUpContext setUp{grabber_, s_.grabber, s_.levels, engine_, synthetic_, setUpConsole_, [] {}};
    SetUpFrameGrabber(setUp, p_);
    scheduler_ = std::make_unique<VirtualTimeScheduler>(clock_, engine_, grabber_, s_.grabber, [this] { StoreStep(context_); });
    scheduler_->RunUntil({}, 2);  // idle seconds before Start
    ASSERT_TRUE(StartAcquisition(context_, "100"));
  }

  int RunUntil(const std::function<bool()>& done, int maxSeconds = 500) { return scheduler_->RunUntil(done, maxSeconds); }
  int RunToEndPanel() { return RunUntil([this] { return s_.endDialogState == 1; }); }

  // The records the synthetic frame gives, once.
  std::vector<std::uint8_t> FrameRecords() const;

  struct NullSetUpConsole : FrameGrabberConsole {
    void ShowInitMatroxNotes() override {}
    void HideInitMatroxNotes() override {}
    bool AskBypassAfterGrabberError(const std::string&) override { return false; }
    void ShowCountingState(CountingState) override {}
  };

  TempDir dir_;
  ScopedCurrentDir cwd_;
  ScopedSystemDir system_;
  VirtualClock clock_{{2026, 12, 8, 21, 15, 0, 0}};
  ScopedClock clockInstalled_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter errorsInstalled_;
  std::string data_;
  AcquisitionParameters p_;
  AcquisitionState s_;
  SoftwareGrabber grabber_;
  CountingEngine engine_{grabber_, s_.grabber};
  SyntheticFrameMaker synthetic_{77};
  NullSetUpConsole setUpConsole_;
  RecordingHost host_;
  StoreStepContext context_{s_, p_, engine_, grabber_, host_};
  std::unique_ptr<VirtualTimeScheduler> scheduler_;
};

}  // namespace velmar::testing
