#include "instruments/monitor_text_display.h"

namespace velmar {

void TextMonitorDisplay::ShowShutterStatus(const std::string& text, std::int32_t, std::int32_t) {
  texts["LabelShutter"] = text;
}

void TextMonitorDisplay::ShowCloseLoop(const std::string& text, bool) { texts["LabelCloseLoop"] = text; }

void TextMonitorDisplay::ShowTemperatureLabels(const std::string& temperature, const std::string& command) {
  texts["LabelTemperature"] = temperature;
  texts["LabelTemperatureCommand"] = command;
}

void TextMonitorDisplay::ShowFiltersStatus(const FiltersStatusView& view) {
  texts["LabelFilterNum"] = view.filterNum;
  texts["LabelFilter"] = view.filterName;
  texts["LabelMirror"] = view.mirror;
  texts["LabelLamp1"] = view.lamp1;
  texts["LabelLamp2"] = view.lamp2;
}

void TextMonitorDisplay::ShowThtLabels(const std::string& sent, const std::string& read) {
  texts["THTSent"] = sent;
  texts["THTRead"] = read;
}

void TextMonitorDisplay::ShowThtWarning(const std::string& text) {
  texts["LabelTHTNoResponse"] = text;
  visible["LabelTHTNoResponse"] = !text.empty();
}

std::string TextMonitorDisplay::Text(const std::string& name) const {
  const auto found = texts.find(name);
  return found == texts.end() ? "" : found->second;
}

bool TextMonitorDisplay::Visible(const std::string& name) const {
  const auto found = visible.find(name);
  return found != visible.end() && found->second;
}

}  // namespace velmar
