#!/usr/bin/env bash
# The real quorvex as a launcher starts it, without a terminal (standard input /dev/null),
# under Xvfb with no window manager, driven with xdotool on the simulated receiver: the
# window appears; a click opens the port list, a click chooses "Bluetooth (COM5)", Tab and
# Enter press Connect; the device receives what the receiver sent, byte for byte; the window
# turns to landscape and back; a second start ends with 255 and gives the first window the
# focus; F10 asks and OK leaves, leaving "Connection"/"Status" = 1. Then a start from a
# console that another process group has in the foreground opens the window and leaves the
# console untouched, and a prefix that fails its checks is said in a message box. Each
# step's screenshot lands in SHOTS; the connected one must equal the same program drawn
# offscreen, the lamp (which flashes) left out.
# Usage: window_e2e.sh QUORVEX QUORVEX-NMEA-SIM QUORVEX-X-SCREEN QUORVEX-RENDER-OFFSCREEN SHOTS
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/quorvex-session.sh"
quorvex=$1 sim=$2 xscreen=$3 render=$4 shots=$5

if ! missing=$(q_x_tools 2>&1); then
    echo "skipped: $missing"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-window-e2e.XXXXXX")
started=()
finish() {
    local pid
    for pid in "${started[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${started[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    q_cleanup
    rm -rf "$work"
}
trap finish EXIT
step() { echo "== $*"; }
fail() {
    echo "FAILED: $*" >&2
    [[ ! -s $work/main.err ]] || { echo "quorvex said:" && cat "$work/main.err"; } >&2
    exit 1
}
rm -rf "$shots"
mkdir -p "$shots"

# A display of its own, before the tmux server starts, so that a console there sees it.
q_xvfb "$work" 2>"$work/xvfb.why" || fail "$(cat "$work/xvfb.why")"
q_init "$work" "$quorvex" "$sim"
q_bluetooth_port COM5
q_sim receiver --pty --link COM2 --rate 10 --baud 115200 --seed 21 --epochs 30 --linger \
    --await-open --sent "$work/receiver.sent"
q_sim device --pty --link COM5 --listen --received "$work/device.received"

# Waits until the window's picture holds still (two grabs 200 ms apart alike, the lamp
# left out) and writes it to SHOTS/NAME.png.
lamp_mask=(250 64 22 22)
shot() {
    local name=$1 wid=$2 x y width height i
    eval "$(xdotool getwindowgeometry --shell "$wid" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    for ((i = 0; i < 50; i++)); do
        "$xscreen" grab "$work/a.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
        sleep 0.2
        "$xscreen" grab "$shots/$name.png" "$X" "$Y" "$WIDTH" "$HEIGHT"
        "$xscreen" compare "$work/a.png" "$shots/$name.png" "${lamp_mask[@]}" >/dev/null && return 0
    done
    fail "the window never held still for $name"
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

step "started without a terminal, the window appears"
"$quorvex" </dev/null >"$work/main.out" 2>"$work/main.err" &
main=$!
started+=("$main")
q_await 15 q_window_of "$main" >/dev/null || fail "no window appeared: $(cat "$work/main.err")"
wid=$(q_window_of "$main")
xdotool windowfocus --sync "$wid"
shot 1-idle "$wid"

step "a click opens the port list, a click chooses Bluetooth (COM5), Tab and Enter connect"
# Where the portrait layout puts them at scale 1 (dialog base units 7 x 13): the port
# list's box, and the third row of its open list.
click "$wid" 180 72
shot 2-list-open "$wid"
click "$wid" 160 111
xdotool key Tab Return
received_all() { [[ -s $work/device.received ]] && cmp -s "$work/receiver.sent" "$work/device.received" &&
    (($(grep -c '^\$GPVTG' "$work/receiver.sent") == 30)); }
q_await 20 received_all || fail "the device did not receive what the receiver sent"
shot 3-connected "$wid"

step "the device received the sentences byte for byte"
cmp "$work/receiver.sent" "$work/device.received" || fail "receiver to device differs"

step "turned to landscape and back"
xdotool windowsize --sync "$wid" 640 400
shot 4-landscape "$wid"
xdotool windowsize --sync "$wid" 480 640
shot 5-portrait-again "$wid"
"$xscreen" compare "$shots/3-connected.png" "$shots/5-portrait-again.png" "${lamp_mask[@]}" ||
    fail "the window turned back differs from before the turn"

step "a second start ends with 255 and gives the first window the focus"
"$xscreen" decoy decoy >"$work/decoy.out" 2>/dev/null &
started+=("$!")
q_await 10 test -s "$work/decoy.out" || fail "the decoy window did not show"
decoy=$(head -1 "$work/decoy.out")
xdotool windowfocus --sync "$decoy"
[[ $(xdotool getwindowfocus) == "$decoy" ]] || fail "the decoy did not take the focus"
status=0
"$quorvex" </dev/null 2>"$work/second.err" || status=$?
((status == 255)) || fail "the second start ended with $status: $(cat "$work/second.err")"
focused() { [[ $(xdotool getwindowfocus) == "$wid" ]]; }
q_await 5 focused || fail "the first window did not get the focus back (focus $(xdotool getwindowfocus), window $wid, decoy $decoy)"
[[ $(q_window_of "$main") == "$wid" ]] || fail "the second start opened a window"
shot 6-brought-forward "$wid"

step "F10 asks, OK leaves while connected"
xdotool key F10
shot 7-question "$wid"
xdotool key Return
wait "$main" || fail "leaving by OK ended with $?"
grep -A2 -i 'Connection\]' "$Q_PREFIX/user.reg" | grep -qi '"Status"=dword:00000001' ||
    fail "\"Connection\"/\"Status\" is not 1: $(cat "$Q_PREFIX/user.reg")"

step "the connected window equals the same program drawn offscreen"
# The same program under its own name finds the same settings, connects by itself and
# draws offscreen.
mkdir "$work/offscreen"
cp "$render" "$work/offscreen/quorvex"
QT_QPA_PLATFORM=offscreen "$work/offscreen/quorvex" "$shots/3-connected-offscreen.png" \
    </dev/null 2>"$work/render.err" || fail "the offscreen drawing failed: $(cat "$work/render.err")"
"$xscreen" compare "$shots/3-connected.png" "$shots/3-connected-offscreen.png" "${lamp_mask[@]}" ||
    fail "the screen differs from the offscreen drawing"

step "started from a console another process group has in the foreground"
# An interactive shell in a tmux pane stands in for the console a desktop was started
# from: quorvex runs there as a background job, the shell keeps the foreground.
"${Q_TMUX[@]}" new-window -d -n console "PS1='console> ' bash --norc --noprofile -i"
q_wait console 'console>' 10
q_keys console "QUORVEX_PREFIX='$Q_PREFIX' '$quorvex' & echo started \$!" Enter
q_wait console 'started [0-9]+' 10
console_pid=$(q_screen console | sed -n 's/.*started \([0-9][0-9]*\).*/\1/p' | tail -1)
started+=("$console_pid")
q_await 15 q_window_of "$console_pid" || fail "no window appeared from the console"
shot 8-from-console "$(q_window_of "$console_pid")"
q_keys console "jobs -l" Enter
q_wait console 'Running' 5 || fail "quorvex is not running in the background"
if q_screen console | grep -qE 'Quorvex|NMEA|Connect'; then
    fail "quorvex drew on the console: $(q_screen console)"
fi
kill -TERM "$console_pid"
q_await 10 bash -c "! kill -0 $console_pid 2>/dev/null" || fail "quorvex did not end on SIGTERM"

step "a prefix that fails its checks is said in a message box, and on standard error"
chmod g+w "$Q_PREFIX"
"$quorvex" </dev/null 2>"$work/refused.err" &
refused=$!
started+=("$refused")
q_await 15 q_window_of "$refused" || fail "no message box appeared: $(cat "$work/refused.err")"
shot 9-prefix-refused "$(q_window_of "$refused")"
grep -q 'may be written by others' "$work/refused.err" ||
    fail "standard error did not say why: $(cat "$work/refused.err")"
xdotool windowfocus --sync "$(q_window_of "$refused")"
xdotool key Return
status=0
wait "$refused" || status=$?
((status == 255)) || fail "the refused start ended with $status"
chmod g-w "$Q_PREFIX"

echo "window end-to-end: all steps passed; screenshots in $shots"
