#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program's main job: a short
# simulated observation with the headless runner, into a fresh data directory.
#   ./run.sh          the observation (about 20 seconds)
#   ./run.sh --gui    the windowed program instead
set -euo pipefail
cd "$(dirname "$0")"
./scripts/bootstrap
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
# The program directory: instrument definitions, camera files, board configuration.
mkdir -p run
cp -rn presets/. run/
cd run
export VELMAR_SYSTEM_DIR="$PWD/system"

if [ "${1:-}" = "--gui" ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
    echo "run.sh: no display; the program runs under xvfb-run (a virtual screen)."
    exec xvfb-run -a ../build/vlmipcs
  fi
  exec ../build/vlmipcs
fi

data="$PWD/observations/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$(dirname "$data")"
../build/vlmipcs-observe --data "$data" --source simulation --random-points 40 \
  --type object --channels 4 --exposure 2 --cycles 2 --see-saw on "$@"
echo
echo "The observation is in $data"
echo "(photon files *.VLA, one per channel and cycle; the observation log *.VLT)"
