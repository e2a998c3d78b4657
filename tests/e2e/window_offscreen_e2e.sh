#!/usr/bin/env bash
# The real quorvex without a terminal on Qt's offscreen platform, or with `wayland` under
# Weston's headless compositor: it loads its window module, opens the window (its record in
# the prefix says so), a second start ends with 255, and SIGTERM ends it with 0. Offscreen
# runs in every build, the sanitizers' included.
# Usage: window_offscreen_e2e.sh QUORVEX [wayland]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/quorvex-session.sh"
quorvex=$1 platform=${2:-offscreen}
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-offscreen.XXXXXX")
pid=
compositor=
finish() {
    [[ -z $pid ]] || kill -TERM "$pid" 2>/dev/null || true
    [[ -z $compositor ]] || { kill -TERM "$compositor" 2>/dev/null; wait "$compositor" 2>/dev/null || true; }
    rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "FAILED: $*" >&2
    cat "$work/main.err" >&2 2>/dev/null || true
    exit 1
}
mkdir -m 700 "$work/prefix" "$work/runtime"
export QUORVEX_PREFIX=$work/prefix XDG_RUNTIME_DIR=$work/runtime
unset DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE QT_QPA_PLATFORM
if [[ $platform == wayland ]]; then
    command -v weston >/dev/null || { echo "skipped: weston is missing"; exit 77; }
    ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
        { echo "skipped: Qt's Wayland platform plugin (qt6-wayland) is missing"; exit 77; }
    weston --backend=headless-backend.so --socket=wayland-quorvex --idle-time=0 \
        >"$work/weston.log" 2>&1 &
    compositor=$!
    q_await 10 test -S "$XDG_RUNTIME_DIR/wayland-quorvex" ||
        fail "weston did not start: $(cat "$work/weston.log")"
    # As a Wayland session names it; Qt then tries Wayland first.
    export WAYLAND_DISPLAY=wayland-quorvex
else
    export QT_QPA_PLATFORM=offscreen
fi

"$quorvex" </dev/null 2>"$work/main.err" &
pid=$!
recorded() {
    grep -q '^window' "$work/prefix/windows/$pid.rec" 2>/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || fail "quorvex ended at the start"
    return 1
}
q_await 10 recorded || fail "no window was recorded"

status=0
"$quorvex" </dev/null 2>"$work/second.err" || status=$?
((status == 255)) || fail "a second start ended with $status: $(cat "$work/second.err")"

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
((status == 0)) || fail "quorvex ended with $status on SIGTERM"
echo "$platform window: passed"
