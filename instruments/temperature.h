#pragma once
// The temperature controller on COM2: two read requests, the temperature and the
// command value, polled once a second.
#include <functional>
#include <optional>
#include <string>

#include "engine/acquisition_state.h"
#include "params/acquisition_parameters.h"
#include "platform/serial_port.h"

namespace velmar {

inline constexpr const char* kTemperatureMode = "9600,E,7,1";
inline constexpr float kNoTemperature = 999.0f;

// "@00100000071*": unit "00", read "1", item, "0000", the XOR check in hex, "*".
std::string TemperatureRequest(int item);
// Characters 9 to 11 of a reply as a number, negative unless character 8 is '0';
// nothing when the reply is too short or those are not digits.
std::optional<int> TemperatureOfReply(const std::string& reply);
// "023", "-005", or "- - -" for no value.
std::string TemperatureText(float value);
// "Command= %d", or "No command".
std::string TemperatureCommandText(float value);

// A window that shows the two values: LabelTemperature and LabelTemperatureCommand.
class TemperatureDisplay {
 public:
  virtual ~TemperatureDisplay() = default;
  virtual void ShowTemperatureLabels(const std::string& temperature, const std::string& command) = 0;
};

class TemperatureLink {
 public:
  // endProgram runs after the error of a port that cannot be opened (exit code 0).
  TemperatureLink(AcquisitionParameters& p, AcquisitionState& s, std::function<void()> endProgram)
      : p_(p), s_(s), endProgram_(std::move(endProgram)) {}
  // The link lives as long as the program; each front end says how it ends.
  void SetEndProgram(std::function<void()> endProgram) { endProgram_ = std::move(endProgram); }
  void OpenTemperaturePort();
  // Updates both values; a reply that cannot be read keeps the previous value.
  void PollTemperature();
  // Polls, then shows both values in the given window: the main window from the
  // store step, the parameters window from the monitor tick.
  void ShowTemperature(TemperatureDisplay& window);
  // Why the port could not be opened.
  const std::string& portError() const { return portError_; }
  // Empty when the last poll read both replies, else what it got instead.
  const std::string& replyProblem() const { return replyProblem_; }

 private:
  std::optional<int> Ask(int item);

  AcquisitionParameters& p_;
  AcquisitionState& s_;
  std::function<void()> endProgram_;
  SerialPort port_;
  std::int32_t portOpenedMarker_ = 0;
  std::string portError_, replyProblem_;
};

}  // namespace velmar
