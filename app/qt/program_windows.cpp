#include "app/qt/program_windows.h"

#include <vector>

#include "app/TTwoPrograms.h"
#include "app/TTwoVlm3D.h"
#include "console/TGeneral.h"

namespace velmar {

ProgramWindows CreateProgramWindows(SharedState& shared, const std::function<void(int)>& progress) {
  ProgramWindows w;
  // Groups of a few windows; the splash bar moves on after each group.
  const std::vector<std::function<void()>> groups = {
      [&] { w.general = new TGeneral(shared); },
      [&] {
        w.twoPrograms = new TTwoPrograms(w.general);
        w.twoVlm3D = new TTwoVlm3D(w.general);
      },
  };
  constexpr int kSteps = 10;
  for (int step = 0; step < kSteps; ++step) {
    if (step < static_cast<int>(groups.size())) groups[step]();
    progress(10 * (step + 1));
  }
  return w;
}

}  // namespace velmar
