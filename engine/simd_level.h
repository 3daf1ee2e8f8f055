#pragma once
// The widest vector instructions this processor offers, probed once. Every hot kernel
// that comes in several widths picks its version from this one answer.

namespace velmar {

// Ordered: a level implies the ones below it.
enum class SimdLevel { kPortable, kAvx2, kAvx512bw };

SimdLevel DetectedSimdLevel();
// "avx512bw", "avx2", and for the portable kernels "sse2" where the compiler targets
// it (always on x86-64), otherwise "scalar".
const char* SimdLevelName(SimdLevel level);

}  // namespace velmar
