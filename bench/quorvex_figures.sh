#!/usr/bin/env bash
# The running quorvex's figures, measured from outside on the real binary in tmux (80 x 24),
# with quorvex-nmea-sim as the receiver behind COM2 and as the device behind the Bluetooth
# port COM5:
#   - CPU (% of one core) and wake-ups per second, per thread and in all, over a window of
#     WINDOW seconds (10) in each of three states: idle and disconnected; connected and
#     relaying a 10 Hz stream paced at 115200 baud; connected and quiet;
#   - resident memory (VmRSS, and its peak VmHWM) after the stream;
#   - the time from start to the first full screen (every control drawn), over RUNS starts
#     (5), as tmux shows it: the screen is sampled every few milliseconds, so each figure is
#     late by up to one sample.
# A wake-up is a thread being switched in after it waited or was preempted: the sum of the
# voluntary and involuntary context switches of each task in /proc. CPU is the tasks' run
# time from /proc/<pid>/task/*/schedstat.
# Usage: bench/quorvex_figures.sh QUORVEX QUORVEX-NMEA-SIM   (tools/figures.sh builds and runs it)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tools/quorvex-session.sh"
window_s=${WINDOW:-10}
runs=${RUNS:-5}

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-figures.XXXXXX")
trap 'q_cleanup; rm -rf "$work"' EXIT
q_init "$work" "$1" "$2"
q_bluetooth_port COM5

# One line per task: "tid comm run-ns switches".
tasks() {
    local pid=$1 task
    for task in /proc/"$pid"/task/*; do
        local comm run switches
        comm=$(<"$task/comm") || continue
        run=$(cut -d' ' -f1 "$task/schedstat") || continue
        switches=$(awk '/ctxt_switches/ {sum += $2} END {print sum}' "$task/status") || continue
        echo "${task##*/} ${comm// /_} $run $switches"
    done
}

# Measures PID for window_s seconds and prints "label | CPU % | wake-ups/s | per thread".
measure() {
    local label=$1 pid=$2 before after
    before=$(tasks "$pid")
    sleep "$window_s"
    after=$(tasks "$pid")
    awk -v label="$label" -v seconds="$window_s" '
        NR == FNR { run[$1] = $3; sw[$1] = $4; next }
        ($1 in run) {
            dr = $3 - run[$1]; ds = $4 - sw[$1]
            total_run += dr; total_sw += ds
            if (ds > 0) detail = detail sprintf(" %s %.1f/s;", $2, ds / seconds)
        }
        END {
            if (detail == "") detail = " none"
            printf "| %s | %.3f %% | %.1f |%s |\n", label, total_run / seconds / 1e7,
                   total_sw / seconds, detail
        }' <(echo "$before") <(echo "$after")
}

echo "quorvex figures, ${window_s} s windows ($(nproc) cores, $(uname -r))"
echo
echo "| state | CPU, % of a core | wake-ups/s | threads that woke (wake-ups/s) |"
echo "|---|---|---|---|"

q_sim receiver --pty --link COM2 --rate 10 --baud 115200 --await-open --seconds $((window_s + 2)) \
    --linger
q_sim device --pty --link COM5 --listen

q_quorvex main
q_wait main 'Available'
pid=$(q_pid main)
sleep 1
measure "idle, disconnected" "$pid"

for _ in 1 2 3 4 5; do
    q_screen main | grep -q 'Bluetooth \(COM5\)' && break
    q_keys main Down
    sleep 0.2
done
q_keys main Tab Enter
q_wait main 'Connected to'
sleep 1
measure "connected, relaying 10 Hz NMEA at 115200 baud" "$pid"
sleep 2  # the stream ends; the lamp goes dark
measure "connected, quiet" "$pid"

echo
grep -E '^Vm(RSS|HWM)' /proc/"$pid"/status | tr -s ' \t' ' ' | sed 's/^/resident memory: /'
q_stop_sim receiver
q_stop_sim device
q_keys main C-c
q_exit_code main >/dev/null

# First full screen: every control of the 80 x 24 (landscape) layout drawn.
full='Quorvex settings:.*External port settings:'
labels=('NMEA out:' 'Baud rate:' 'Data bits:' 'Stop bits:' 'Parity:' 'Connect' '4800')
times=()
for ((run = 1; run <= runs; run++)); do
    rm -f "$Q_PREFIX/user.reg"
    start=$(date +%s%N)
    q_quorvex "start$run"
    while :; do
        screen=$(q_screen "start$run" 2>/dev/null || true)
        done=1
        grep -Eq "$full" <<<"$screen" || done=0
        for label in "${labels[@]}"; do
            [[ $screen == *"$label"* ]] || done=0
        done
        ((done)) && break
        (($(date +%s%N) - start < 5000000000)) || { echo "no full screen in 5 s" >&2; exit 1; }
    done
    times+=($((($(date +%s%N) - start) / 1000000)))
    q_keys "start$run" C-c
    q_exit_code "start$run" >/dev/null
done
echo "first full screen: ${times[*]} ms (each run; the first may include a cold start)"
