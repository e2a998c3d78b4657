#!/usr/bin/env bash
# Starts quorvex in this terminal on your own devices, after installing what is missing and
# building it and quorvex-check. Link the devices in the prefix first (see the README, "The
# receiver and the output ports").
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
echo "Building quorvex and quorvex-check in build/default (the first build takes a few minutes)."
cmake --build --preset default --target quorvex quorvex-check
exec build/default/app/quorvex
