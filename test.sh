#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest.
#   ./test.sh             the normal build and every test
#   ./test.sh --sanitize  every test again under AddressSanitizer and
#                         UndefinedBehaviorSanitizer, the counting engine's
#                         concurrency tests under ThreadSanitizer, and a bounded
#                         libFuzzer run of every parser (clang); the first report fails
set -euo pipefail
cd "$(dirname "$0")"
./scripts/bootstrap
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

if [ "${1:-}" = "--sanitize" ]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMAR_SANITIZE=address,undefined >/dev/null
  cmake --build build-asan -j"$jobs"
  export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=0"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  (cd build-asan && ctest --output-on-failure -j"$jobs")
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMAR_SANITIZE=thread >/dev/null
  cmake --build build-tsan -j"$jobs" --target velmar_tests
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
  (cd build-tsan && ctest --output-on-failure -j"$jobs" -R '^(CountingEngineTest|PhotonBuffer|SoftwareGrabberRealTime)\.')
  CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMAR_FUZZ=ON >/dev/null
  cmake --build build-fuzz -j"$jobs" --target $(cd tests/fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
  (cd build-fuzz && ctest --output-on-failure -j"$jobs" -R '^Fuzz\.')
  exit 0
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
cd build && ctest --output-on-failure -j"$jobs"
