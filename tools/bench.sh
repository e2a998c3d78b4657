#!/usr/bin/env bash
# Builds the relay benchmark and runs it: RelayEngine and socat side by side on
# pseudo-terminal pairs. Installs what is missing (socat included) first. About 40 s.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target relay_bench
build/default/bench/relay_bench
