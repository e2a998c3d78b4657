#!/usr/bin/env bash
# Builds the pixel display's preview and measures it offscreen (bench/pixel_figures.sh):
# first frame, wake-ups while idle and connected, resident memory. About 40 s.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quorvex-show-dialog-pixel >/dev/null
exec bench/pixel_figures.sh build/default/tools/quorvex-show-dialog-pixel
