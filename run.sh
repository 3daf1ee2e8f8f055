#!/usr/bin/env bash
# Installs what is missing, builds, and starts the acquisition program from a
# working directory laid out from presets/ (its program directory).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/bootstrap
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
mkdir -p run
if compgen -G "presets/*" >/dev/null; then cp -rn presets/. run/; fi
cd run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  echo "run.sh: no display; the program runs under xvfb-run (a virtual screen)."
  exec xvfb-run -a ../build/vlmipcs "$@"
fi
exec ../build/vlmipcs "$@"
