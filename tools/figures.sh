#!/usr/bin/env bash
# Builds quorvex and the simulated receiver, then measures the running program: CPU and
# wake-ups idle, relaying and quiet, resident memory, and the time to the first full screen
# (bench/quorvex_figures.sh; about a minute).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quorvex quorvex-nmea-sim >/dev/null
exec bench/quorvex_figures.sh build/default/app/quorvex \
    build/default/sim/quorvex-nmea-sim
