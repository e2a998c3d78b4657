#!/usr/bin/env bash
# Draws the README's pictures of the pixel display on Qt's offscreen platform, with the font
# set-up the tests pin: docs/screenshots/portrait.png (the connected look, the lamp lit),
# landscape.png (idle) and question.png (the exit question over the connected look).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target quorvex-show-dialog-pixel >/dev/null
runtime=$(mktemp -d)  # mode 0700: Qt's private runtime folder, and the example's prefix
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime QUORVEX_PREFIX=$runtime/prefix
export FONTCONFIG_FILE=$PWD/tests/platform/pixel/fonts.conf
preview=build/default/tools/quorvex-show-dialog-pixel
mkdir -p docs/screenshots
"$preview" --size 560x576 --connected --screenshot docs/screenshots/portrait.png
"$preview" --size 744x420 --screenshot docs/screenshots/landscape.png
"$preview" --size 560x576 --connected --question --screenshot docs/screenshots/question.png
ls -l docs/screenshots
