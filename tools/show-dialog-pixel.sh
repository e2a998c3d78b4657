#!/usr/bin/env bash
# Opens the main dialog in a window, drawn by the pixel display, after installing what is
# missing and building. Arguments go to the example: --landscape, --size WxH, --connected,
# --question (tools/show_dialog_pixel.cpp says more).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quorvex-show-dialog-pixel >/dev/null
exec build/default/tools/quorvex-show-dialog-pixel "$@"
