#pragma once
// The monitor's display as plain texts by control name: what a window without the
// parameters window's labels (the runner, the tests) keeps of each tick.
#include <map>
#include <optional>
#include <string>

#include "instruments/instrument_monitor.h"

namespace velmar {

class TextMonitorDisplay final : public InstrumentMonitorDisplay {
 public:
  void ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t system) override;
  void ShowShutterClosedLabel(bool shown) override { visible["LabelShutterClosed"] = shown; }
  void ShowCloseLoop(const std::string& text, bool red) override;
  void ShowTemperatureLabels(const std::string& temperature, const std::string& command) override;
  void ShowFiltersStatus(const FiltersStatusView& view) override;
  void ShowCurrentFilterName(const std::string& name) override { texts["EditFI"] = name; }
  void ShowThtLabels(const std::string& sent, const std::string& read) override;
  void ShowThtWarning(const std::string& text) override;
  void ShowScanOneChannel(bool shown) override { visible["Label1can"] = shown; }
  std::optional<std::string> ChannelCountText() override { return channelField; }
  void RemoteControlsRefreshed() override { ++refreshes; }

  std::string Text(const std::string& name) const;
  bool Visible(const std::string& name) const;

  std::map<std::string, std::string> texts;
  std::map<std::string, bool> visible;
  std::optional<std::string> channelField;  // EditLz as typed, when there is one
  int refreshes = 0;
};

}  // namespace velmar
