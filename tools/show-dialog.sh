#!/usr/bin/env bash
# Opens the main dialog in this terminal, as the example program shows it, after installing
# what is missing and building.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
echo "Building the example in build/default (the first build takes a few minutes)."
cmake --build --preset default --target quorvex-show-dialog
exec build/default/tools/quorvex-show-dialog
