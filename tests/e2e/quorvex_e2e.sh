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

# The lamp's two cells, with their colours: what follows the port list's arrow on its row.
lamp() { q_screen main -e | grep -F 'COM5' | head -1 | sed 's/.*▾//; s/│.*//'; }

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
q_keys main Escape
sleep 0.5
[[ ! -e $work/main.exit ]] || fail "a lone Esc ended quorvex"

step "choose Bluetooth (COM5) and connect"
q_choose main 'Bluetooth (COM5)'
q_wait main 'Bluetooth \(COM5\)' 2
q_keys main Tab Enter
q_wait main 'Connected to'

step "the lamp lights while data flows"
looks=()
for _ in $(seq 20); do
    looks+=("$(lamp)")
    sleep 0.05
done

step "both directions arrive byte for byte"
sentences() { grep -c '^\$GPVTG' "$1" 2>/dev/null || true; }
sent_all() { (($(sentences "$work/receiver.sent") == 20 && $(sentences "$work/device.sent") == 4)); }
q_await 10 sent_all || fail "the simulated ends did not send their epochs"
arrived() {
    cmp -s "$work/receiver.sent" "$work/device.received" &&
        cmp -s "$work/device.sent" "$work/receiver.received"
}
q_await 5 arrived || true # the comparisons below say what differs
cmp "$work/receiver.sent" "$work/device.received" || fail "receiver to device differs"
cmp "$work/device.sent" "$work/receiver.received" || fail "device to receiver differs"

step "the lamp goes dark after the data"
sleep 1
dark=$(lamp)
sleep 0.3
[[ $(lamp) == "$dark" ]] || fail "the lamp still changes after the data"
lit=0
for look in "${looks[@]}"; do
    [[ $look != "$dark" ]] && lit=1
done
((lit)) || fail "the lamp never lit while data flowed: $(cat -v <<<"$dark")"

step "disconnect"
q_keys main Enter
q_wait main 'Available'

step "a second quorvex ends with 255, draws nothing and names the first on standard error"
q_keys main Enter
q_wait main 'Connected to'
"${Q_TMUX[@]}" new-window -d -n second \
    "script -qec '$Q_QUORVEX' '$work/second.typescript'; echo \$? >'$work/second.exit'"
[[ $(q_exit_code second) == 255 ]] || fail "the second start ended with $(cat "$work/second.exit")"
if grep -q $'\e' "$work/second.typescript"; then
    fail "the second start wrote to the terminal: $(cat -v "$work/second.typescript")"
fi
records=("$Q_PREFIX"/windows/*.rec)
first=$(basename "${records[0]}" .rec)
said="quorvex: already running as process $first in the terminal $("${Q_TMUX[@]}" display-message -p -t main '#{pane_tty}'); it was asked to come forward"
# The typescript holds what the second start wrote between script's own first and last lines.
[[ ${#records[@]} -eq 1 && $(sed '1d; $d' "$work/second.typescript" | tr -d '\r') == "$said" ]] ||
    fail "the second start said: $(cat -v "$work/second.typescript"), not: $said"

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
