#include "instruments/temperature.h"

#include <cctype>

#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "platform/format.h"

namespace velmar {

std::string TemperatureRequest(int item) {
  std::string frame = Format("@0010%1d0000", item);
  unsigned check = 0;
  for (char c : frame) check ^= static_cast<unsigned char>(c);
  return frame + Format("%2.2X*", check);
}

std::optional<int> TemperatureOfReply(const std::string& reply) {
  if (reply.size() < 12) return std::nullopt;
  for (int i = 9; i <= 11; ++i)
    if (!std::isdigit(static_cast<unsigned char>(reply[i]))) return std::nullopt;
  const int value = (reply[9] - '0') * 100 + (reply[10] - '0') * 10 + (reply[11] - '0');
  return reply[8] == '0' ? value : -value;
}

std::string TemperatureText(float value) {
  if (value == kNoTemperature) return "- - -";
  const int whole = static_cast<int>(value);
  return whole >= 0 ? Format("%3.3d", whole) : Format("%-3.3d", whole);
}

std::string TemperatureCommandText(float value) {
  if (value == kNoTemperature) return "No command";
  return Format("Command= %d", static_cast<int>(value));
}

void TemperatureLink::OpenTemperaturePort() {
  if (p_.TemperatureInterface != 1 || portOpenedMarker_ == kOpenedMarker) return;
  if (!port_.Open(SerialDeviceOf(2), kTemperatureMode).empty()) {
    ShowError("Impossible to open the COM port of the Temperature device !", "COM2", "");
    endProgram_();
    return;
  }
  portOpenedMarker_ = kOpenedMarker;
}

std::optional<int> TemperatureLink::Ask(int item) {
  port_.ReadAvailable(256);  // what a late reply left behind
  port_.Write(TemperatureRequest(item) + "\r");
  WaitSeconds(0.1);
  return TemperatureOfReply(port_.ReadAvailable(16));
}

void TemperatureLink::PollTemperature() {
  if (p_.TemperatureInterface == 0) {
    s_.temperature = kNoTemperature;
    s_.temperatureCommand = kNoTemperature;
    return;
  }
  if (p_.TemperatureInterface != 1 || portOpenedMarker_ != kOpenedMarker) return;
  if (const auto t = Ask(0)) s_.temperature = static_cast<float>(*t);
  if (const auto c = Ask(1)) s_.temperatureCommand = static_cast<float>(*c);
}

}  // namespace velmar
