#include "instruments/device_simulators.h"

#include <cstdlib>

#include "platform/format.h"

namespace velmar {

std::vector<std::string> Cs100Simulator::Feed(const std::string& bytes) {
  std::vector<std::string> reports;
  for (char c : bytes) {
    if (c != '\r') {
      if (c != '\0') pending_ += c;  // "!QT" comes with a zero byte
      continue;
    }
    const std::string command = pending_;
    pending_.clear();
    if (command.size() == 11 && command.compare(0, 2, "I4") == 0 && command.compare(5, 6, "P1P0I0") == 0) {
      const long raw = std::strtol(command.substr(2, 3).c_str(), nullptr, 16);
      position_ = static_cast<int>(raw >= 0x800 ? raw - 0x1000 : raw);
      reports.push_back(Format("position %d", *position_));
    } else if (command.empty()) {
      reports.push_back("wake");
    } else if (command == "!QT" || command == "O+D" || command == "O1" || command == "O0") {
      reports.push_back("init " + command);
    } else {
      reports.push_back("unknown " + command);
    }
  }
  return reports;
}

std::string TemperatureSimulator::Reply(int value) const {
  if (knobs_.shortReply) return "@0010000\r";
  const std::string digits = knobs_.garbage ? "x?z" : Format("%3.3d", value < 0 ? -value : value);
  std::string frame = "@0010000" + std::string(value < 0 ? "1" : "0") + digits;
  unsigned check = 0;
  for (char c : frame) check ^= static_cast<unsigned char>(c);
  return frame + Format("%2.2X*\r", check);
}

std::string TemperatureSimulator::Feed(const std::string& bytes) {
  std::string answer;
  for (char c : bytes) {
    if (c != '\r') {
      pending_ += c;
      continue;
    }
    const std::string request = pending_;
    pending_.clear();
    if (knobs_.silent || request.size() < 6 || request[0] != '@') continue;
    if (request.compare(4, 2, "00") == 0) answer += Reply(knobs_.temperature);
    else if (request.compare(4, 2, "01") == 0) answer += Reply(knobs_.command);
  }
  return answer;
}

}  // namespace velmar
