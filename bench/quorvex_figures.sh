#!/usr/bin/env bash
# The running quorvex's figures, measured from outside on the real binary in tmux (80 x 24),
# with quorvex-nmea-sim as the receiver behind COM2 and as the device behind the Bluetooth
# port COM5:
#   - CPU (% of one core) and wake-ups per second, per thread and in all, over a window of
#     WINDOW seconds (10) in each of three states: idle and disconnected; connected and
#     relaying a 10 Hz stream paced at 115200 baud; connected and quiet;
#   - resident memory (VmRSS, and its peak VmHWM) after the stream;
#   - the time from exec to the first full screen (every control drawn), over RUNS starts (5):
#     the first in a fresh prefix, the others finding their settings.
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
    awk -v label="$label" -v seconds="$window_s" -v pid="$pid" '
        NR == FNR { run[$1] = $3; sw[$1] = $4; next }
        ($1 in run) {
            dr = $3 - run[$1]; ds = $4 - sw[$1]
            total_run += dr; total_sw += ds
            name = $1 == pid ? "main" : "thread " $1
            if (ds > 0) detail = detail sprintf(" %s %.1f/s;", name, ds / seconds)
        }
        END {
            if (detail == "") detail = " none"
            printf "| %s | %.3f %% | %.1f |%s |\n", label, total_run / seconds / 1e7,
                   total_sw / seconds, detail
        }' <(echo "$before") <(echo "$after")
}

echo "quorvex figures, ${window_s} s windows ($(nproc) cores, $(uname -r), load $(cut -d' ' -f1-3 /proc/loadavg))"
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
    q_screen main | grep -qF 'Bluetooth (COM5)' && break
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

# First full screen: every control of the 80 x 24 (landscape) layout drawn. quorvex runs under
# script(1), which logs its output with the time of each piece from the start; the screen is
# full once the last of the controls' texts has been written.
labels=('[OK]' 'Quorvex settings:' 'NMEA out:' 'External port settings:' 'Baud rate:' '4800'
    'Data bits:' 'Stop bits:' 'Parity:' 'Connect')
first_screen() {
    local log=$1 timing=$2 header end=0 label at
    header=$(($(head -1 "$log" | wc -c)))
    for label in "${labels[@]}"; do
        at=$(grep -abo -F -- "$label" "$log" | head -1 | cut -d: -f1)
        [[ -n $at ]] || { echo "never drawn: $label" >&2; return 1; }
        ((at + ${#label} - header > end)) && end=$((at + ${#label} - header))
    done
    awk -v end="$end" '{ t += $1; n += $2; if (n >= end) { printf "%.1f", t * 1000; exit } }' "$timing"
}
times=()
for ((run = 1; run <= runs; run++)); do
    # The first start makes its settings keys; the later ones find them, as most starts do.
    ((run > 1)) || rm -rf "$Q_PREFIX/user.reg" "$Q_PREFIX/windows"
    "${Q_TMUX[@]}" new-window -d -n "start$run" "script -q -T '$work/start$run.timing' \
        -c '$Q_QUORVEX' '$work/start$run.log'; echo \$? >'$work/start$run.exit'"
    q_wait "start$run" 'Available'
    q_keys "start$run" C-c
    q_exit_code "start$run" >/dev/null
    times+=("$(first_screen "$work/start$run.log" "$work/start$run.timing")")
done
median=$(printf '%s\n' "${times[@]:1}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
echo "first full screen, from exec to the last control's text written: ${times[0]} ms at the"
echo "first start in a fresh prefix; median $median ms over the $((runs - 1)) starts after it (${times[*]:1} ms)"
