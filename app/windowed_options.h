#pragma once
// The windowed program's own arguments (Qt takes its own before these are read).
#include <string>
#include <vector>

namespace velmar {

struct WindowedOptions {
  std::string programDir;  // empty: chosen as every start chooses it
  bool help = false;
};

// Reads the arguments after the program's name; an error text names an argument
// that is unknown or lacks its value.
WindowedOptions ParseWindowedOptions(const std::vector<std::string>& args, std::string& error);

// True when the arguments ask for the help text, which needs no display.
bool AsksForHelp(int argc, char** argv);

const char* WindowedUsage();

}  // namespace velmar
