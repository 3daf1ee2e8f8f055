#include "engine/simd_level.h"

namespace velmar {

namespace {

SimdLevel Probe() {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512bw")) return SimdLevel::kAvx512bw;
  if (__builtin_cpu_supports("avx2")) return SimdLevel::kAvx2;
#endif
  return SimdLevel::kPortable;
}

}  // namespace

SimdLevel DetectedSimdLevel() {
  // A function-local static: kernels chosen during static initialisation of other
  // files still see the probed value.
  static const SimdLevel level = Probe();
  return level;
}

const char* SimdLevelName(SimdLevel level) {
  switch (level) {
    case SimdLevel::kAvx512bw:
      return "avx512bw";
    case SimdLevel::kAvx2:
      return "avx2";
    case SimdLevel::kPortable:
      break;
  }
#if defined(__SSE2__)
  return "sse2";
#else
  return "scalar";
#endif
}

}  // namespace velmar
