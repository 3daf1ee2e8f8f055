#include "instruments/filters_mirror.h"

#include <fstream>

#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

namespace {
constexpr const char* kUnknownName = "????";
}  // namespace

std::filesystem::path FilterNamesPath() { return SystemDirectory() / kFilterNamesFile; }

std::string FilterNameSlot(const std::string& name) { return name.substr(0, kFilterNameLength); }

std::optional<FilterNamesRecord> ReadFilterNamesFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  std::array<std::string, 6> lines;
  for (std::string& line : lines) {
    if (!std::getline(in, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  FilterNamesRecord record;
  for (int i = 0; i < 4; ++i) record.names[i] = FilterNameSlot(lines[i]);
  record.date = lines[4];
  record.time = lines[5];
  return record;
}

bool WriteFilterNamesFile(const std::filesystem::path& file, const FilterNames& names, const LocalTime& now) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  std::ofstream out(file, std::ios::trunc);
  if (!out) return false;
  const std::string stamp = TimeText(now);
  for (const std::string& name : names) out << FilterNameSlot(name) << '\n';
  out << stamp.substr(0, 10) << '\n' << stamp.substr(15, 8) << '\n';
  return static_cast<bool>(out.flush());
}

std::string LastChangeText(const FilterNamesRecord& record) {
  return Format("%s  %s  [UT]", record.date.c_str(), record.time.c_str());
}

FiltersPanelView FiltersPanel(const AcquisitionState& s) {
  FiltersPanelView v;
  for (int i = 0; i < 4; ++i) v.filters[i] = s.filterPosition == i + 1 ? PanelColour::Yellow : PanelColour::Black;
  if (s.mirrorPosition == 1) {
    v.calib = PanelColour::Yellow;
    v.calibButton = PanelColour::Silver;
    v.skyButton = PanelColour::Pink;
  } else if (s.mirrorPosition == 2) {
    v.sky = PanelColour::Yellow;
    v.calibButton = PanelColour::Pink;
    v.skyButton = PanelColour::Silver;
  }
  v.lamp1 = s.lamp1 ? PanelColour::Yellow : PanelColour::Black;
  v.lamp2 = s.lamp2 ? PanelColour::Yellow : PanelColour::Black;
  return v;
}

FiltersStatusView FiltersStatus(const AcquisitionState& s) {
  FiltersStatusView v;
  const bool known = s.filterPosition >= 1 && s.filterPosition <= 4;
  v.filterNum = known ? Format("#%d", s.filterPosition) : "#?";
  v.filterName = known ? s.filterNames[s.filterPosition - 1] : "??????????";
  v.mirror = s.mirrorPosition == 1 ? "Calib" : s.mirrorPosition == 2 ? "Sky" : "?????";
  v.mirrorColour = s.mirrorPosition == 2 ? StatusColour::Blue : StatusColour::Red;
  v.lamp1 = s.lamp1 ? " ON " : " off ";
  v.lamp2 = s.lamp2 ? " ON " : " off ";
  v.lamp1Colour = s.lamp1 ? StatusColour::Red : StatusColour::Blue;
  v.lamp2Colour = s.lamp2 ? StatusColour::Red : StatusColour::Blue;
  return v;
}

FilterNames FiltersMirror::ParametersShown() {
  ResetFiltersMirror();
  return LoadFilterNames();
}

void FiltersMirror::ResetFiltersMirror() {
  if (Recording()) {
    s_.filterPosition = 3;
    s_.mirrorPosition = 1;
    s_.lamp1 = s_.lamp2 = 0;
  }
  ShowFiltersPanel();
}

FilterNames FiltersMirror::LoadFilterNames() {
  FilterNames edits;
  edits.fill(kUnknownName);
  std::string lastChange = kUnknownName;
  if (const auto record = ReadFilterNamesFile(FilterNamesPath())) {
    edits = record->names;
    lastChange = LastChangeText(*record);
    if (panel_) panel_->ShowFilterLabels(edits);
  }
  if (panel_) panel_->ShowLastChange(lastChange);
  for (int i = 0; i < 4; ++i) s_.filterNames[i] = edits[i];
  ShowFiltersStatus();
  ShowCurrentFilterName();
  return edits;
}

void FiltersMirror::ChangeNames(const FilterNames& names) {
  const LocalTime now = ProcessClock().Now();
  WriteFilterNamesFile(FilterNamesPath(), names, now);  // a file that cannot be written is not reported
  FilterNames kept;
  for (int i = 0; i < 4; ++i) s_.filterNames[i] = kept[i] = FilterNameSlot(names[i]);
  if (panel_) {
    panel_->ShowFilterLabels(kept);
    const std::string stamp = TimeText(now);
    panel_->ShowLastChange(LastChangeText({kept, stamp.substr(0, 10), stamp.substr(15, 8)}));
  }
  ShowCurrentFilterName();
}

// The change lines go to the observation log, except while the program starts.
// The first observation runs before the start-up flag is cleared: a change made
// while it counts is logged all the same.
void FiltersMirror::Log(const std::string& line) {
  if (!s_.startUpInProgress || s_.acquisitionStarted) QueueLogLine(s_, line);
}

void FiltersMirror::NextFilter() {
  if (filterMove_.pending()) return;
  if (panel_) panel_->ShowFilterMoving(true);
  const std::int32_t previous = s_.filterPosition;
  if (Recording()) s_.filterPosition = 0;
  filterMove_.After(500, [this, previous] { FilterArrived(previous); });
}

void FiltersMirror::FilterArrived(std::int32_t previous) {
  if (Recording()) s_.filterPosition = previous >= 4 ? 1 : previous + 1;
  if (panel_) panel_->ShowFilterMoving(false);
  ShowFiltersPanel();
  ShowCurrentFilterName();
  const std::int32_t at = s_.filterPosition;
  Log(Format("!!! Filter changed : is now %d  %s", at, at >= 1 && at <= 4 ? s_.filterNames[at - 1].c_str() : "?????"));
}

void FiltersMirror::MoveMirror(int position) {
  if (mirrorMove_.pending()) return;
  if (s_.mirrorPosition == position) {  // already there: said again in the log all the same
    ShowFiltersPanel();
    LogMirror(position);
    return;
  }
  if (panel_) panel_->ShowMirrorMoving(true);
  if (Recording()) {
    s_.mirrorPosition = 0;
    ShowFiltersPanel();
  }
  mirrorMove_.After(2000, [this, position] { MirrorArrived(position); });
}

void FiltersMirror::MirrorArrived(int position) {
  if (Recording()) s_.mirrorPosition = position;
  if (panel_) panel_->ShowMirrorMoving(false);
  ShowFiltersPanel();
  LogMirror(position);
}

void FiltersMirror::LogMirror(int position) {
  Log(position == 1 ? "!!! Mirror changed : is now CALIB" : "!!! Mirror changed : is now SKY");
}

void FiltersMirror::ToggleLamp(int lamp) {
  std::int32_t& on = lamp == 1 ? s_.lamp1 : s_.lamp2;
  if (Recording()) on = 1 - on;
  ShowFiltersPanel();
  Log(Format("!!! Lamp #%d changed : is now %s", lamp, on ? "ON" : "OFF"));
}

void FiltersMirror::ShowFiltersPanel() {
  if (panel_) panel_->ShowFiltersPanel(FiltersPanel(s_));
}

void FiltersMirror::ShowFiltersStatus() {
  if (status_) status_->ShowFiltersStatus(FiltersStatus(s_));
}

void FiltersMirror::ShowCurrentFilterName() {
  const std::int32_t at = s_.filterPosition;
  if (status_ && at >= 1 && at <= 4) status_->ShowCurrentFilterName(s_.filterNames[at - 1]);
}

void FiltersMirror::Poll() {
  filterMove_.RunIfDue();
  mirrorMove_.RunIfDue();
}

}  // namespace velmar
