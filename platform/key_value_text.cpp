#include "platform/key_value_text.h"

#include <charconv>
#include <sstream>

#include "platform/format.h"

namespace velmar {

namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool WholeLong(const std::string& text, long low, long high, long& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && value >= low && value <= high;
}

bool WholeReal(const std::string& text, double low, double high, double& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && value >= low && value <= high;
}

}  // namespace

Setter IntSetter(int& field, long low, long high) {
  return [&field, low, high](const std::string& v) {
    long value = 0;
    if (!WholeLong(v, low, high, value)) return false;
    field = static_cast<int>(value);
    return true;
  };
}

Setter RealSetter(double& field, double low, double high) {
  return [&field, low, high](const std::string& v) { return WholeReal(v, low, high, field); };
}

// Reads key = value lines into the setters; "kind" must name the expected kind.
std::string ParseKeyValues(const std::string& text, const std::string& fileName, const std::string& kind,
                           const std::map<std::string, Setter>& setters) {
  std::istringstream in(text);
  std::string line;
  int number = 0;
  bool kindSeen = false;
  while (std::getline(in, line)) {
    ++number;
    if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    line = Trim(line);
    if (line.empty()) continue;
    const auto equals = line.find('=');
    if (equals == std::string::npos)
      return Format("%s line %d: expected \"key = value\"", fileName.c_str(), number);
    const std::string key = Trim(line.substr(0, equals));
    const std::string value = Trim(line.substr(equals + 1));
    if (key == "kind") {
      if (value != kind)
        return Format("%s line %d: kind is \"%s\", expected \"%s\"", fileName.c_str(), number,
                      value.c_str(), kind.c_str());
      kindSeen = true;
      continue;
    }
    const auto setter = setters.find(key);
    if (setter == setters.end())
      return Format("%s line %d: unknown key \"%s\"", fileName.c_str(), number, key.c_str());
    if (!setter->second(value))
      return Format("%s line %d: bad value \"%s\" for %s", fileName.c_str(), number, value.c_str(),
                    key.c_str());
  }
  if (!kind.empty() && !kindSeen) return Format("%s: no \"kind = %s\" line", fileName.c_str(), kind.c_str());
  return {};
}

int LineOfKey(const std::string& text, const std::string& key) {
  std::istringstream in(text);
  std::string line;
  int number = 0, found = 0;
  while (std::getline(in, line)) {
    ++number;
    if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    std::string name = line.substr(0, equals);
    name.erase(0, name.find_first_not_of(" \t\r"));
    name.erase(name.find_last_not_of(" \t\r") + 1);
    if (name == key) found = number;
  }
  return found;
}

}  // namespace velmar
