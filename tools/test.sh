#!/usr/bin/env bash
# Builds Quorvex and runs every test, after installing what is missing.
#   tools/test.sh               the optimised g++ build
#   tools/test.sh asan tsan     the same suite under AddressSanitizer+UBSan, then TSan
# Presets: default, asan, tsan, clang (see CMakePresets.json).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh

presets=("$@")
[[ ${#presets[@]} -gt 0 ]] || presets=(default)
for preset in "${presets[@]}"; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
