#include "instruments/temperature.h"

#include <cctype>
#include <chrono>

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
  portError_ = port_.Open(SerialDeviceOf(2), kTemperatureMode);
  if (!portError_.empty()) {
    ShowError("Impossible to open the COM port of the Temperature device !", "COM2", "");
    if (endProgram_) endProgram_();
    return;
  }
  portOpenedMarker_ = kOpenedMarker;
}

namespace {

// A reply as the operator can read it: control characters as \r or \xNN.
std::string Printable(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c == '\r') text += "\\r";
    else if (c < 32 || c > 126) text += Format("\\x%2.2X", c);
    else text += static_cast<char>(c);
  }
  return text;
}

}  // namespace

std::optional<int> TemperatureLink::Ask(int item) {
  port_.ReadAvailable(256);  // what a late reply left behind
  // On the virtual clock the wait takes no real time, so the read itself gives the
  // controller its 100 ms; on the real clock they have passed and it reads at once.
  const auto replyDue = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  const std::string unsent = port_.Write(TemperatureRequest(item) + "\r");
  WaitSeconds(0.1);
  const std::string reply = port_.ReadUntil(16, '\r', replyDue);
  const auto value = TemperatureOfReply(reply);
  // A line that hung up is said as such: "no reply" would hide that the device is gone.
  if (!value && replyProblem_.empty() && !unsent.empty()) replyProblem_ = "request not sent: " + unsent;
  if (!value && replyProblem_.empty())
    replyProblem_ = reply.empty() ? "no reply" : "unreadable reply \"" + Printable(reply) + "\"";
  return value;
}

void TemperatureLink::PollTemperature() {
  replyProblem_.clear();
  if (p_.TemperatureInterface == 0) {
    s_.temperature = kNoTemperature;
    s_.temperatureCommand = kNoTemperature;
    return;
  }
  if (p_.TemperatureInterface != 1 || portOpenedMarker_ != kOpenedMarker) return;
  if (const auto t = Ask(0)) s_.temperature = static_cast<float>(*t);
  if (const auto c = Ask(1)) s_.temperatureCommand = static_cast<float>(*c);
}

void TemperatureLink::ShowTemperature(TemperatureDisplay& window) {
  PollTemperature();
  window.ShowTemperatureLabels(TemperatureText(s_.temperature), TemperatureCommandText(s_.temperatureCommand));
}

}  // namespace velmar
