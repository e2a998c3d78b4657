#!/usr/bin/env bash
# The real quorvex without a terminal on Qt's offscreen platform: it loads its window module,
# opens the window (its record in the prefix says so), a second start ends with 255 and names
# it, and SIGTERM ends it with 0. Runs in every build, the sanitizers' included.
# Usage: window_offscreen_e2e.sh QUORVEX
set -euo pipefail
quorvex=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-offscreen.XXXXXX")
pid=
trap '[[ -z $pid ]] || kill -TERM "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() {
    echo "FAILED: $*" >&2
    cat "$work/main.err" >&2 2>/dev/null || true
    exit 1
}
mkdir -m 700 "$work/prefix" "$work/runtime"
export QUORVEX_PREFIX=$work/prefix XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen

"$quorvex" </dev/null 2>"$work/main.err" &
pid=$!
for _ in $(seq 200); do
    grep -q '^window' "$work/prefix/windows/$pid.rec" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || fail "quorvex ended at the start"
    sleep 0.05
done
grep -q '^window' "$work/prefix/windows/$pid.rec" || fail "no window was recorded"

status=0
"$quorvex" </dev/null 2>"$work/second.err" || status=$?
((status == 255)) || fail "a second start ended with $status: $(cat "$work/second.err")"

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
((status == 0)) || fail "quorvex ended with $status on SIGTERM"
echo "offscreen window: passed"
