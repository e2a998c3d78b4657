#!/usr/bin/env bash
# The README's first command, tools/demo.sh, run in tmux as a newcomer would: choose
# "Bluetooth (COM5)", Connect, see the sentences arrive at the simulated device (in the pane
# the demo opens beside quorvex), leave by OK, and read the demo's summary. Twice, since the
# README's steps must hold on a second run too (the first one left quorvex connected).
# Usage: demo_e2e.sh BUILD   (the build tree whose programs the demo runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tools/quorvex-session.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-demo.XXXXXX")
tmux=(tmux -L "quorvex-demo-$$" -f /dev/null)
trap '"${tmux[@]}" kill-server 2>/dev/null || true; rm -rf "$work"' EXIT

fail() {
    echo "FAILED: $*" >&2
    "${tmux[@]}" capture-pane -p -t "$session:0.0" >&2 || true
    exit 1
}
session=
screen() { "${tmux[@]}" capture-pane -p -t "$session:0.0"; }
shows() { screen | grep -E -- "$1" >/dev/null; }
wait_for() { q_await "${2:-10}" shows "$1" || fail "no /$1/ within ${2:-10} s"; }

received_three() { (($(grep -c '^\$GPRMC' "$work/prefix/received.nmea" 2>/dev/null || true) >= 3)); }

run_demo() {
    session=demo$1
    "${tmux[@]}" new-session -d -s "$session" -x 132 -y 24 \
        "QUORVEX_DEMO_PREFIX='$work/prefix' QUORVEX_DEMO_BUILD='$build' '$root/tools/demo.sh'; sleep 86400"
    # A fresh prefix each time: the list starts at "None", nothing connects by itself.
    wait_for 'Available' 20
    screen | grep -F 'Connected to' >/dev/null && fail "run $1 connected by itself"

    for _ in 1 2 3 4 5; do
        screen | grep -F 'Bluetooth (COM5)' >/dev/null && break
        "${tmux[@]}" send-keys -t "$session:0.0" Down
        sleep 0.2
    done
    "${tmux[@]}" send-keys -t "$session:0.0" Tab Enter
    wait_for 'Connected to'

    # The pane beside quorvex shows what reaches the device.
    q_await 10 received_three || true # the side pane, below, says whether any came
    "${tmux[@]}" capture-pane -p -t "$session:0.1" | grep '^\$GPGGA' >/dev/null ||
        fail "the side pane shows no sentences"

    "${tmux[@]}" send-keys -t "$session:0.0" F10
    wait_for 'disconnect and exit'
    "${tmux[@]}" send-keys -t "$session:0.0" Enter
    wait_for 'quorvex ended with 0'
    wait_for 'The device at COM5: received'
    summary=$(screen | grep 'The device at COM5: received')
    [[ $summary =~ ([0-9]+)\ sentences\ with\ a\ valid\ checksum,\ 0\ other\ lines ]] ||
        fail "unexpected summary: $summary"
    ((BASH_REMATCH[1] >= 14)) || fail "only ${BASH_REMATCH[1]} sentences arrived: $summary"
    echo "demo run $1: $summary"
    "${tmux[@]}" kill-session -t "$session"
}

build=$1
# A holder session keeps the private server up between the runs: a server that ends with the
# first run's session can still be going away when the second run's starts.
"${tmux[@]}" new-session -d -s holder "sleep 86400"
run_demo 1
run_demo 2
