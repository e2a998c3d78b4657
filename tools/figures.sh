#!/usr/bin/env bash
# Builds quorvex, the simulated receiver and, where the build has Qt 6, the window's module
# and quorvex-x-screen, then measures the running program on both displays in one run, the
# terminal in tmux and the window under Xvfb: CPU and wake-ups idle, relaying and quiet,
# resident memory, and the time to the first full frame (bench/quorvex_figures.sh; about
# two minutes).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quorvex quorvex-nmea-sim >/dev/null
window=()
if cmake --build build/default --target help | grep -q '^quorvex-x-screen:'; then
    cmake --build --preset default --target quorvex_pixel_module quorvex-x-screen >/dev/null
    window=(build/default/tests/e2e/quorvex-x-screen)
fi
exec bench/quorvex_figures.sh build/default/app/quorvex build/default/sim/quorvex-nmea-sim \
    "${window[@]}"
