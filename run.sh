#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job: a short
# simulated observation with the headless runner, into a fresh data directory.
#   ./run.sh          the observation (about 20 seconds)
#   ./run.sh --gui    the windowed program instead (it needs a display)
# The programs keep their files under run/: the system directory run/system and,
# beside it, the program directory run/system-program, which the program lays out
# from presets/ on its first start and never overwrites afterwards.
set -euo pipefail
cd "$(dirname "$0")"
export VELMAR_SYSTEM_DIR="$PWD/run/system"

if [ "${1:-}" = "--gui" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "run.sh: there is no display (DISPLAY and WAYLAND_DISPLAY are not set), so the windowed program" >&2
    echo "cannot be shown. Run the observation without windows instead:" >&2
    echo "  ./run.sh                         a short simulated observation" >&2
    echo "  build/vlmipcs-observe --help     every flag of the headless runner" >&2
    exit 1
  fi
  ./scripts/bootstrap
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build -j"$(nproc)" --target vlmipcs
  exec build/vlmipcs "${@:2}"
fi

./scripts/bootstrap
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
data="$PWD/run/observations/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$(dirname "$data")"
build/vlmipcs-observe --data "$data" --source tv \
  --type object --channels 4 --exposure 2 --cycles 2 --see-saw on "$@"
echo
echo "The observation is in $data"
echo "(photon files *.VLA, one per channel and cycle; the observation log *.VLT)"
