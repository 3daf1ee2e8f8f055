#pragma once
// The arguments of vlmipcs-cube, the data cube of an observation in a window of
// its own; read and checked before any window is made.
#include <cstdint>
#include <string>
#include <vector>

namespace velmar {

struct CubeOptions {
  std::string observation;  // its data directory or .VLT log
  std::int32_t bin = 0;     // 0: chosen by the cube's size
  std::string snapshots;    // a directory for a picture of the window at each file added
  bool help = false;
};

// Nothing in error when the arguments are good and name a readable observation.
CubeOptions ParseCubeOptions(const std::vector<std::string>& args, std::string& error);

const char* CubeUsage();

}  // namespace velmar
