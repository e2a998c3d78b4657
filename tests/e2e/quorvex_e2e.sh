#!/usr/bin/env bash
# The real quorvex in tmux, on pseudo-terminals behind devices/com2 (a simulated receiver)
# and devices/com5 (a simulated device, registered as a Bluetooth port): connect, relay
# both ways byte for byte, the lamp, disconnect, leave while connected and reconnect at the
# next start, the output's far side going away, a second start, and another program holding
# the receiver port. Usage: quorvex_e2e.sh QUORVEX QUORVEX-NMEA-SIM
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/quorvex-session.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-e2e.XXXXXX")
trap 'q_cleanup; rm -rf "$work"' EXIT
q_init "$work" "$1" "$2"

step() { echo "== $*"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Who sits where on the 80 x 24 screen: the status line follows "NMEA out:" on its row, and the
# lamp is drawn in the two cells right of the port list.
status_line() { q_screen main | grep -o 'NMEA out:.*' | head -1; }

# The receiver runs a long stream slowly until told otherwise; the device at COM5 sends its
# own, so that both directions carry data.
q_bluetooth_port COM5
q_sim receiver --pty --link COM2 --rate 10 --baud 115200 --seed 11 --epochs 20 --linger \
    --await-open --sent "$work/receiver.sent" --received "$work/receiver.received"
q_sim device --pty --link COM5 --rate 2 --baud 115200 --seed 12 --epochs 4 --linger \
    --await-open --sent "$work/device.sent" --received "$work/device.received"

step "first start: idle and available"
q_quorvex main
q_wait main 'Available'
q_wait main 'Connect'

step "choose Bluetooth (COM5) and connect"
for _ in 1 2 3 4 5; do
    q_screen main | grep -q 'Bluetooth \(COM5\)' && break
    q_keys main Down
    sleep 0.2
done
q_wait main 'Bluetooth \(COM5\)' 2
q_keys main Tab Enter
q_wait main 'Connected to'

step "the lamp lights while data flows"
lit=$(q_screen main -e)
q_wait main 'Connected to'

step "both directions arrive byte for byte"
same() { [[ -s $1 ]] && cmp -s "$1" "$2"; }
for _ in $(seq 100); do
    same "$work/receiver.sent" "$work/device.received" &&
        same "$work/device.sent" "$work/receiver.received" && break
    sleep 0.1
done
same "$work/receiver.sent" "$work/device.received" ||
    fail "receiver to device: $(wc -c <"$work/receiver.sent") sent, $(wc -c <"$work/device.received") arrived"
same "$work/device.sent" "$work/receiver.received" ||
    fail "device to receiver: $(wc -c <"$work/device.sent") sent, $(wc -c <"$work/receiver.received") arrived"

step "the lamp goes dark after the data"
sleep 1
dark=$(q_screen main -e)
[[ $lit != "$dark" ]] || fail "the lamp looks the same with and without data"

step "disconnect"
q_keys main Enter
q_wait main 'Available'

step "a second quorvex ends with 255 and draws nothing"
q_keys main Enter
q_wait main 'Connected to'
"${Q_TMUX[@]}" new-window -d -n second \
    "script -qec '$Q_QUORVEX' '$work/second.typescript'; echo \$? >'$work/second.exit'"
[[ $(q_exit_code second) == 255 ]] || fail "the second start ended with $(cat "$work/second.exit")"
if grep -q $'\e' "$work/second.typescript"; then
    fail "the second start wrote to the terminal: $(cat -v "$work/second.typescript")"
fi

step "leave by OK while connected; the next start reconnects by itself"
q_keys main F10
q_wait main 'disconnect and exit'
q_keys main Enter
[[ $(q_exit_code main) == 0 ]] || fail "leaving by OK ended with $(cat "$work/main.exit")"
q_quorvex main
q_wait main 'Connected to'

step "the output's far side closing brings the dialog back to idle"
q_stop_sim device
q_wait main 'Available'

step "another program holding the receiver port"
q_bluetooth_port COM5 "" "[HKEY_LOCAL_MACHINE\\SYSTEM\\RECEIVER\\Ports]" '"COM2"="gpsd"'
q_wait main 'In use by gpsd'
q_keys main C-c
[[ $(q_exit_code main) == 0 ]] || fail "a close request ended with $(cat "$work/main.exit")"

echo "end-to-end: all steps passed"
