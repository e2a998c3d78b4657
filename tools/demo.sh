#!/usr/bin/env bash
# Quorvex in one command, without a receiver: installs what is missing, builds, and starts
# quorvex in this terminal in a prefix of its own (build/demo-prefix, or $QUORVEX_DEMO_PREFIX),
# with a simulated receiver behind COM2 and a simulated device at the far end of the
# Bluetooth port COM5. Choose "Bluetooth (COM5)", press Connect, and watch the lamp; when
# you leave (F10 or Ctrl-C), the demo tells what reached the device. Inside tmux, a pane
# beside quorvex shows the sentences as they arrive. Nothing outside the demo prefix and the
# build folder is touched.
#
# `tools/demo.sh gui` opens quorvex's window instead, on the display this session shows
# (DISPLAY or WAYLAND_DISPLAY), and says so plainly when there is none.
#
# Every run starts from a fresh demo prefix, so that it begins as the README says and not
# where the last run left off. QUORVEX_DEMO_BUILD names a build tree that already holds
# quorvex and quorvex-nmea-sim (the end-to-end test's); nothing is then installed or built.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/quorvex-session.sh
mode=${1:-terminal}
case $mode in
terminal) ;;
gui)
    if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
        echo "demo: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
        echo "Run it in a desktop session, or try the terminal: tools/demo.sh" >&2
        exit 1
    fi
    ;;
*)
    echo "usage: tools/demo.sh [gui]" >&2
    exit 2
    ;;
esac

if [[ -n ${QUORVEX_DEMO_BUILD:-} ]]; then
    build=$QUORVEX_DEMO_BUILD
else
    preset=${QUORVEX_DEMO_PRESET:-default}
    tools/install-deps.sh
    build=$PWD/build/$preset
    echo "Building quorvex and its simulated receiver in $build"
    echo "(the first build takes a few minutes; later ones only what changed)."
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target quorvex quorvex-nmea-sim
fi

# The demo's prefix carries a mark, so that only a folder the demo made is ever removed.
prefix=${QUORVEX_DEMO_PREFIX:-$PWD/build/demo-prefix}
mark=.quorvex-demo
if [[ -e $prefix || -L $prefix ]]; then
    if [[ -L $prefix || ! -f $prefix/$mark ]]; then
        echo "demo: $prefix is not a prefix the demo made; remove it or set QUORVEX_DEMO_PREFIX" >&2
        exit 1
    fi
    rm -rf -- "$prefix"
fi
mkdir -p "$(dirname "$prefix")"
mkdir -m 700 "$prefix" "$prefix/devices"
: >"$prefix/$mark"
export QUORVEX_PREFIX=$prefix
received=$prefix/received.nmea
: >"$received"

# COM5 is a Bluetooth serial port in this prefix's system records.
Q_PREFIX=$prefix q_write_system_reg \
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports\\Demo]" '"Port"="COM5"'

# The receiver, at 1 Hz and 4800 baud like most, and the device, which only listens. Neither
# holds its pseudo-terminal's device side: quorvex is the only program that opens it.
sim=$build/sim/quorvex-nmea-sim
"$sim" --pty --link COM2 --rate 1 --baud 4800 --seed 1 >"$prefix/receiver.log" 2>&1 &
receiver=$!
"$sim" --pty --link COM5 --listen --received "$received" >"$prefix/device.log" 2>&1 &
device=$!
pane=
stop() {
    kill -TERM "$receiver" "$device" 2>/dev/null || true
    wait "$receiver" "$device" 2>/dev/null || true
    [[ -z $pane ]] || tmux kill-pane -t "$pane" 2>/dev/null || true
}
trap stop EXIT
linked() { [[ -L $prefix/devices/com2 && -L $prefix/devices/com5 ]]; }
q_await 5 linked || true # a slow simulator holds the start back by five seconds at most

if [[ -n ${TMUX:-} ]]; then
    pane=$(tmux split-window -h -d -P -F '#{pane_id}' -l 45% "tail -n +1 -F '$received'")
fi

status=0
if [[ $mode == gui ]]; then
    # As a launcher starts it: standard input from /dev/null, so it opens its window.
    echo "Quorvex opens its window; close it (or press F10 there) to end the demo."
    "$build/app/quorvex" </dev/null || status=$?
else
    "$build/app/quorvex" || status=$?
fi

stop
trap - EXIT
echo
echo "quorvex ended with $status."
echo "The receiver: $(grep '^sent' "$prefix/receiver.log" || echo 'sent nothing')"
echo "The device at COM5: $(grep '^received' "$prefix/device.log" || echo 'received nothing')"
if [[ -s $received ]]; then
    echo "The last sentences that reached it:"
    tail -n 7 "$received" | tr -d '\r'
fi
