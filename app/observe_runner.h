#pragma once
// The headless runner: a whole observation without windows, on the same engine,
// instruments and files as the windowed program.
#include <cstdio>

#include "app/observe_options.h"

namespace velmar {

// Returns the process exit code: 0 completed, 2 a bad flag or parameter, 1 a
// failure of the instrument or the disk that ended the observation early.
int RunObservation(const ObserveOptions& options, std::FILE* out);

}  // namespace velmar
