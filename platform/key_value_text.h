#pragma once
// Small configuration texts of "key = value" lines ('#' starts a comment), as the
// program's own description files use them: each key has a setter that checks and
// stores its value; unknown keys and bad values are errors naming file and line.
#include <functional>
#include <map>
#include <string>

namespace velmar {

using Setter = std::function<bool(const std::string&)>;

Setter IntSetter(int& field, long low, long high);
Setter RealSetter(double& field, double low, double high);

// Reads the lines into the setters. With kind non-empty, a "kind = <kind>" line is
// required. Returns an empty text, or the first fault.
std::string ParseKeyValues(const std::string& text, const std::string& fileName, const std::string& kind,
                           const std::map<std::string, Setter>& setters);

// The number (from 1) of the last line that sets key, the one that took effect; 0 when none does.
int LineOfKey(const std::string& text, const std::string& key);

}  // namespace velmar
