#!/usr/bin/env bash
# Builds the relay benchmark and runs it: RelayEngine beside the relay's shape alone, socat
# -b512 and socat with its defaults on pseudo-terminal pairs. Installs what is missing (socat included) first. About
# 80 s, 30 of them a paced receiver stream.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target relay_bench
build/default/bench/relay_bench
