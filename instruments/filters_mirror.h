#pragma once
// The filter wheel, the mirror and the two calibration lamps as the operator sets
// them on the instrument: the program records the positions (it drives none of
// them), shows them, and logs each change. The filter names live in the small
// text file "vlm_fio.tmp" of the system directory. A move is shown as "Moving..."
// for its wait, a step on the process clock, so the windows stay live meanwhile.
#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/acquisition_state.h"
#include "params/acquisition_parameters.h"
#include "platform/clock.h"
#include "platform/due_step.h"

namespace velmar {

inline constexpr const char* kFilterNamesFile = "vlm_fio.tmp";
inline constexpr std::size_t kFilterNameLength = 29;  // the slots hold 29 characters

using FilterNames = std::array<std::string, 4>;

struct FilterNamesRecord {
  FilterNames names;
  std::string date, time;  // of the last change
};

// The names file: nothing when it is missing or shorter than six lines.
std::optional<FilterNamesRecord> ReadFilterNamesFile(const std::filesystem::path& file);
// Writes the four names and the date and time of now; false when it could not.
bool WriteFilterNamesFile(const std::filesystem::path& file, const FilterNames& names, const LocalTime& now);
std::filesystem::path FilterNamesPath();
// "%s  %s  [UT]": the last change as the windows show it.
std::string LastChangeText(const FilterNamesRecord& record);
// A name as its slot keeps it.
std::string FilterNameSlot(const std::string& name);

enum class PanelColour { Black, Yellow, Silver, Pink };
struct FiltersPanelView {
  std::array<PanelColour, 4> filters{};  // PanelFI1..4
  PanelColour calib = PanelColour::Black, sky = PanelColour::Black;  // PanelEta, PanelCiel
  PanelColour calibButton = PanelColour::Silver, skyButton = PanelColour::Silver;
  PanelColour lamp1 = PanelColour::Black, lamp2 = PanelColour::Black;
};
FiltersPanelView FiltersPanel(const AcquisitionState& s);

enum class StatusColour { Plain, Red, Blue };
struct FiltersStatusView {
  std::string filterNum, filterName, mirror, lamp1, lamp2;
  StatusColour mirrorColour = StatusColour::Red, lamp1Colour = StatusColour::Blue, lamp2Colour = StatusColour::Blue;
};
// The parameters window's status labels.
FiltersStatusView FiltersStatus(const AcquisitionState& s);

// The filters window as the logic sees it.
class FiltersPanelDisplay {
 public:
  virtual ~FiltersPanelDisplay() = default;
  virtual void ShowFiltersPanel(const FiltersPanelView& view) = 0;
  virtual void ShowFilterMoving(bool moving) = 0;  // "Moving..." and the button silver
  virtual void ShowMirrorMoving(bool moving) = 0;
  virtual void ShowFilterLabels(const FilterNames& names) = 0;  // LabelFI11..14
  virtual void ShowLastChange(const std::string& text) = 0;      // LabelTemps
};

// Where the parameters window shows the filters (its status labels and EditFI).
class FiltersStatusDisplay {
 public:
  virtual ~FiltersStatusDisplay() = default;
  virtual void ShowFiltersStatus(const FiltersStatusView& /*view*/) {}
  virtual void ShowCurrentFilterName(const std::string& /*name*/) {}
};

class FiltersMirror {
 public:
  FiltersMirror(AcquisitionParameters& p, AcquisitionState& s) : p_(p), s_(s) {}
  void SetPanel(FiltersPanelDisplay* panel) { panel_ = panel; }
  void SetStatus(FiltersStatusDisplay* status) { status_ = status; }

  // As the parameters window is shown: the positions reset (filter 3, Calib, lamps
  // off), then the names read from their file. Returns the names for the edits.
  FilterNames ParametersShown();
  void ResetFiltersMirror();
  // Reads the names file; what the identification edits show ("????" when missing).
  FilterNames LoadFilterNames();
  // The identification window's "OK" with edited names: written, then kept.
  void ChangeNames(const FilterNames& names);

  void NextFilter();               // ShapeFilters
  void MoveMirror(int position);   // ShapeCalib (1), ShapeSky (2)
  void ToggleLamp(int lamp);       // ShapeLamp1, ShapeLamp2
  void ShowFiltersPanel();
  void ShowFiltersStatus();
  void ShowCurrentFilterName();
  void Poll();
  bool filterMoving() const { return filterMove_.pending(); }
  bool mirrorMoving() const { return mirrorMove_.pending(); }

 private:
  bool Recording() const { return p_.FiltersMirrorSystem == 0; }
  void Log(const std::string& line);
  void FilterArrived(std::int32_t previous);
  void MirrorArrived(int position);
  void LogMirror(int position);

  AcquisitionParameters& p_;
  AcquisitionState& s_;
  FiltersPanelDisplay* panel_ = nullptr;
  FiltersStatusDisplay* status_ = nullptr;
  DueStep filterMove_, mirrorMove_;
};

}  // namespace velmar
