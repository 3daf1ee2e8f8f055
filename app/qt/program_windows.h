#pragma once
// Every window of the program, created once at start in a fixed order, the main
// window TGeneral first, and kept for the life of the process.
#include <functional>

#include "console/shared_state.h"

namespace velmar {

class TGeneral;
class TTwoPrograms;
class TTwoVlm3D;

struct ProgramWindows {
  TGeneral* general = nullptr;
  TTwoPrograms* twoPrograms = nullptr;
  TTwoVlm3D* twoVlm3D = nullptr;
};

// Creates the windows group by group; progress receives 10, 20, ... 100.
ProgramWindows CreateProgramWindows(SharedState& shared, const std::function<void(int)>& progress);

}  // namespace velmar
