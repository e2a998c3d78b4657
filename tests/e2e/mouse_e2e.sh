#!/usr/bin/env bash
# The mouse as a person uses it, on the real quorvex in tmux (80 x 24, xterm-256color, which
# reports the mouse in the SGR form): "Bluetooth (COM9)" chosen, with nothing behind it so
# that each attempt fails; a click on Connect whose press and release come 0, 80 and 400 ms
# apart presses it once each time, and the dialog is back on "Available" within 1.5 s of the
# failed attempt; a press released elsewhere presses nothing, nor does the right button; the
# list, the caption's OK and the exit question's buttons answer clicks.
# Usage: mouse_e2e.sh QUORVEX QUORVEX-NMEA-SIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/quorvex-session.sh"
export LC_ALL=C.UTF-8 # columns are counted in characters, the frames' among them

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-mouse.XXXXXX")
trap 'q_cleanup; rm -rf "$work"' EXIT
q_init "$work" "$1" "$2"

step() { echo "== $*"; }
fail() {
    echo "FAILED: $*" >&2
    q_screen main >&2 || true
    exit 1
}

# A report of a button in the SGR form at the 1-based COLUMN and ROW: press or release.
# BUTTON 0 is the left one, 2 the right one.
report() { printf '\e[<%d;%d;%d%s' "$3" "$1" "$2" "$([[ $4 == press ]] && echo M || echo m)"; }
send() {
    local hex
    hex=$(printf '%s' "$1" | od -An -v -tx1)
    # shellcheck disable=SC2086 # one argument per byte
    "${Q_TMUX[@]}" send-keys -t quorvex:main -H $hex
}
# click COLUMN ROW [GAP]: press and release, in one write or GAP seconds apart.
click() {
    local gap=${3:-0}
    if [[ $gap == 0 ]]; then
        send "$(report "$1" "$2" 0 press)$(report "$1" "$2" 0 release)"
    else
        send "$(report "$1" "$2" 0 press)"
        sleep "$gap"
        send "$(report "$1" "$2" 0 release)"
    fi
}
# where TEXT: the 1-based column and row of the first TEXT on the screen.
where() {
    local row=0 line before
    while IFS= read -r line; do
        row=$((row + 1))
        if [[ $line == *"$1"* ]]; then
            before=${line%%"$1"*}
            echo "$((${#before} + 1)) $row"
            return 0
        fi
    done < <(q_screen main)
    return 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# stays_available MILLISECONDS: the status line never leaves "Available" meanwhile.
stays_available() {
    local until=$(($(now_ms) + $1))
    while (($(now_ms) < until)); do
        q_screen main | grep -F 'Available' >/dev/null || return 1
        sleep 0.05
    done
}
# An attempt on Connect: it shows "Connecting to", and "Available" again within 1.5 s.
attempt_fails_in_time() {
    q_wait main 'Connecting to' 3 || fail "$1: Connect was not pressed"
    local from
    from=$(now_ms)
    q_wait main 'Available' 3 || fail "$1: the dialog stayed on \"Connecting to\""
    local took=$(($(now_ms) - from))
    ((took <= 1500)) || fail "$1: \"Connecting to\" lasted $took ms"
    stays_available 1200 || fail "$1: Connect was pressed more than once"
    echo "   \"Connecting to\" for $took ms"
}

# Nothing stands behind COM9: its link leads nowhere.
ln -s "$work/absent" "$Q_PREFIX/devices/com9"

step "first start"
q_quorvex main
q_wait main 'Available'

step "the list opens on a click and chooses the row released over"
read -r column row < <(where 'None') || fail "no port list"
click "$column" "$row"
q_wait main 'Bluetooth \(COM9\)' 3 || fail "the list did not open"
read -r item_column item_row < <(where 'Bluetooth (COM9)')
click "$item_column" "$item_row"
sleep 0.3
[[ $(where 'Bluetooth (COM9)') == "$column $row" ]] || fail "Bluetooth (COM9) was not chosen"

read -r connect_column connect_row < <(where 'Connect ') || fail "no Connect button"
for gap in 0 0.08 0.4; do
    step "a click on Connect, press and release $gap s apart"
    click "$connect_column" "$connect_row" "$gap"
    attempt_fails_in_time "$gap s apart"
done

step "a press released elsewhere, a press elsewhere released on Connect, the right button"
send "$(report "$connect_column" "$connect_row" 0 press)"
sleep 0.3
send "$(report 40 20 0 release)"
send "$(report 40 20 0 press)"
sleep 0.3
send "$(report "$connect_column" "$connect_row" 0 release)"
send "$(report "$connect_column" "$connect_row" 2 press)"
sleep 0.3
send "$(report "$connect_column" "$connect_row" 2 release)"
stays_available 1200 || fail "Connect was pressed"

step "still a click after all that"
click "$connect_column" "$connect_row" 0.2
attempt_fails_in_time "after the stray presses"

step "the caption's OK asks; the question's Cancel and OK are clicks"
read -r ok_column ok_row < <(where '[OK]') || fail "no OK in the caption"
click $((ok_column + 1)) "$ok_row" 0.1
q_wait main 'Are you sure' 3 || fail "the caption's OK asked nothing"
read -r cancel_column cancel_row < <(where 'Cancel') || fail "no Cancel in the question"
asks() { q_screen main | grep -F 'Are you sure' >/dev/null; }
send "$(report "$cancel_column" "$cancel_row" 0 press)"
sleep 0.2
send "$(report 2 2 0 release)"
sleep 0.5
asks || fail "Cancel released elsewhere answered"
click "$cancel_column" "$cancel_row" 0.1
q_await 2 eval '! asks' || fail "Cancel did not answer"
click $((ok_column + 1)) "$ok_row"
q_wait main 'Are you sure' 3 || fail "the caption's OK asked nothing"
read -r yes_column yes_row < <(where ' OK ') || fail "no OK in the question"
click "$((yes_column + 1))" "$yes_row" 0.1
[[ $(q_exit_code main) == 0 ]] || fail "leaving by OK ended with $(cat "$work/main.exit")"

echo "end-to-end mouse: all steps passed"
