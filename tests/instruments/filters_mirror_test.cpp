// The filters, mirror and lamps the operator records, their log lines and the
// filter names file.
#include "instruments/filters_mirror.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

class RecordingPanel : public FiltersPanelDisplay, public FiltersStatusDisplay {
 public:
  void ShowFiltersPanel(const FiltersPanelView& view) override { panel = view; }
  void ShowFilterMoving(bool moving) override { filterMoving.push_back(moving); }
  void ShowMirrorMoving(bool moving) override { mirrorMoving.push_back(moving); }
  void ShowFilterLabels(const FilterNames& names) override { labels = names; }
  void ShowLastChange(const std::string& text) override { lastChange = text; }
  void ShowFiltersStatus(const FiltersStatusView& view) override { status = view; }
  void ShowCurrentFilterName(const std::string& name) override { currentName = name; }

  FiltersPanelView panel;
  std::vector<bool> filterMoving, mirrorMoving;
  FilterNames labels{"Filtre ??", "Filtre ??", "Filtre ??", "Filtre ??"};
  std::string lastChange, currentName;
  FiltersStatusView status;
};

class FiltersMirrorTest : public ::testing::Test {
 protected:
  FiltersMirrorTest() : clockInstalled_(clock_) {
    setenv("VELMAR_SYSTEM_DIR", dir_.path().c_str(), 1);
    filters_.SetPanel(&panel_);
    filters_.SetStatus(&panel_);
  }
  ~FiltersMirrorTest() override { unsetenv("VELMAR_SYSTEM_DIR"); }

  // The log line a click leaves, once its move has had its time.
  std::string LineAfter(const std::function<void()>& click, std::int64_t ms) {
    s_.pendingLogLineReady = 0;
    s_.pendingLogLine.clear();
    click();
    clock_.AdvanceMs(ms);
    filters_.Poll();
    return s_.pendingLogLineReady ? s_.pendingLogLine : "";
  }

  TempDir dir_;
  VirtualClock clock_;
  ScopedClock clockInstalled_;
  AcquisitionParameters p_;
  AcquisitionState s_;
  RecordingPanel panel_;
  FiltersMirror filters_{p_, s_};
};

TEST_F(FiltersMirrorTest, TheFilterWheelTurnsFromFourBackToOneAfterItsWait) {
  filters_.ParametersShown();
  EXPECT_EQ(s_.filterPosition, 3);
  EXPECT_EQ(s_.mirrorPosition, 1);
  EXPECT_EQ(panel_.panel.filters[2], PanelColour::Yellow);
  filters_.NextFilter();
  EXPECT_EQ(s_.filterPosition, 0);  // moving
  EXPECT_TRUE(filters_.filterMoving());
  EXPECT_EQ(panel_.filterMoving, (std::vector<bool>{true}));
  clock_.AdvanceMs(499);
  filters_.Poll();
  EXPECT_EQ(s_.filterPosition, 0);
  clock_.AdvanceMs(1);
  filters_.Poll();
  EXPECT_EQ(s_.filterPosition, 4);
  EXPECT_EQ(panel_.filterMoving, (std::vector<bool>{true, false}));
  EXPECT_EQ(panel_.panel.filters[3], PanelColour::Yellow);
  EXPECT_EQ(panel_.panel.filters[2], PanelColour::Black);
  EXPECT_EQ(LineAfter([&] { filters_.NextFilter(); }, 500), "!!! Filter changed : is now 1  ????");
  EXPECT_EQ(s_.filterPosition, 1);
  EXPECT_EQ(FiltersStatus(s_).filterNum, "#1");
  EXPECT_EQ(panel_.currentName, "????");
  // Not recording: "Moving..." flashes and the line is logged, but nothing moves.
  p_.FiltersMirrorSystem = 1;
  EXPECT_EQ(LineAfter([&] { filters_.NextFilter(); }, 500), "!!! Filter changed : is now 1  ????");
  EXPECT_EQ(panel_.filterMoving.size(), 6u);
  EXPECT_EQ(LineAfter([&] { filters_.ToggleLamp(2); }, 0), "!!! Lamp #2 changed : is now OFF");
}

TEST_F(FiltersMirrorTest, MirrorLinesAreLoggedEvenWithoutAMove) {
  filters_.ResetFiltersMirror();
  EXPECT_EQ(LineAfter([&] { filters_.MoveMirror(1); }, 0), "!!! Mirror changed : is now CALIB");
  EXPECT_TRUE(panel_.mirrorMoving.empty());
  filters_.MoveMirror(2);
  EXPECT_EQ(s_.mirrorPosition, 0);
  EXPECT_EQ(panel_.panel.calib, PanelColour::Black);
  EXPECT_EQ(panel_.panel.sky, PanelColour::Black);
  EXPECT_EQ(FiltersStatus(s_).mirror, "?????");
  clock_.AdvanceMs(2000);
  filters_.Poll();
  EXPECT_EQ(s_.mirrorPosition, 2);
  EXPECT_EQ(s_.pendingLogLine, "!!! Mirror changed : is now SKY");
  EXPECT_EQ(panel_.panel.sky, PanelColour::Yellow);
  EXPECT_EQ(panel_.panel.calibButton, PanelColour::Pink);
  EXPECT_EQ(panel_.panel.skyButton, PanelColour::Silver);
  const FiltersStatusView sky = FiltersStatus(s_);
  EXPECT_EQ(sky.mirror, "Sky");
  EXPECT_EQ(sky.mirrorColour, StatusColour::Blue);
  EXPECT_EQ(LineAfter([&] { filters_.ToggleLamp(1); }, 0), "!!! Lamp #1 changed : is now ON");
  EXPECT_EQ(FiltersStatus(s_).lamp1, " ON ");
  EXPECT_EQ(FiltersStatus(s_).lamp1Colour, StatusColour::Red);
  EXPECT_EQ(panel_.panel.lamp1, PanelColour::Yellow);
  // While the program starts up nothing is logged; its first observation is.
  s_.startUpInProgress = 1;
  EXPECT_EQ(LineAfter([&] { filters_.MoveMirror(2); }, 0), "");
  s_.acquisitionStarted = 1;
  EXPECT_EQ(LineAfter([&] { filters_.MoveMirror(2); }, 0), "!!! Mirror changed : is now SKY");
}

TEST_F(FiltersMirrorTest, TheNamesGoThroughTheirFileAndBack) {
  EXPECT_EQ(filters_.LoadFilterNames(), (FilterNames{"????", "????", "????", "????"}));
  EXPECT_EQ(panel_.lastChange, "????");
  EXPECT_EQ(panel_.labels[0], "Filtre ??");  // the filter labels keep their text
  const std::string longName(40, 'x');
  filters_.ChangeNames({"54 [NGC 1234]", "Halpha 6563", "", longName});
  const auto record = ReadFilterNamesFile(FilterNamesPath());
  ASSERT_TRUE(record);
  EXPECT_EQ(record->names, (FilterNames{"54 [NGC 1234]", "Halpha 6563", "", std::string(29, 'x')}));
  EXPECT_EQ(record->date, "08/12/2026");
  EXPECT_EQ(record->time, "21:00:00");
  EXPECT_EQ(ReadFile(FilterNamesPath().string()),
            "54 [NGC 1234]\nHalpha 6563\n\n" + std::string(29, 'x') + "\n08/12/2026\n21:00:00\n");
  AcquisitionState later;
  FiltersMirror next(p_, later);
  RecordingPanel shown;
  next.SetPanel(&shown);
  next.SetStatus(&shown);
  next.ResetFiltersMirror();
  EXPECT_EQ(next.LoadFilterNames()[1], "Halpha 6563");
  EXPECT_EQ(shown.labels[0], "54 [NGC 1234]");
  EXPECT_EQ(shown.lastChange, "08/12/2026  21:00:00  [UT]");
  EXPECT_EQ(shown.currentName, "");  // filter 3's name
  EXPECT_EQ(shown.status.filterName, "");
  // A file cut short counts as missing.
  WriteFile(FilterNamesPath().string(), "a\nb\nc\nd\n08/12/2026\n");
  EXPECT_FALSE(ReadFilterNamesFile(FilterNamesPath()));
}

}  // namespace
}  // namespace velmar::testing
