#!/usr/bin/env bash
# The running quorvex's figures, measured from outside on the real binary, in one run for
# both of its displays: the terminal (quorvex in tmux, 80 x 24) and, where QUORVEX-X-SCREEN
# is given and Xvfb and xdotool are installed, the window (quorvex started without a
# terminal, standard input /dev/null, under Xvfb with no window manager, driven with
# xdotool). The simulator plays the receiver behind COM2 and the device behind the
# Bluetooth port COM5. For each display:
#   - CPU (% of one core) and wake-ups per second, per thread and in all, over a window of
#     WINDOW seconds (10) in each of three states: idle and disconnected; connected and
#     relaying a 10 Hz stream paced at 115200 baud; connected and quiet;
#   - resident memory (VmRSS, and its peak VmHWM) after the stream;
#   - the time from the start to the first full frame (every control drawn), over RUNS
#     starts (9): the first in a fresh prefix, the others finding their settings.
# A wake-up is a thread being switched in after it waited or was preempted: the sum of the
# voluntary and involuntary context switches of each task in /proc. CPU is the tasks' run
# time from /proc/<pid>/task/*/schedstat.
# Usage: bench/quorvex_figures.sh QUORVEX QUORVEX-NMEA-SIM [QUORVEX-X-SCREEN]
#        (tools/figures.sh builds and runs it)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tools/quorvex-session.sh"
window_s=${WINDOW:-10}
runs=${RUNS:-9}
xscreen=${3:-}

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvex-figures.XXXXXX")
window_pid=
finish() {
    [[ -z $window_pid ]] || window_stop
    q_cleanup
    rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# One line per task: "tid comm run-ns switches".
tasks() {
    local pid=$1 task
    for task in /proc/"$pid"/task/*; do
        local comm run switches
        comm=$(<"$task/comm") || continue
        run=$(cut -d' ' -f1 "$task/schedstat") || continue
        switches=$(awk '/ctxt_switches/ {sum += $2} END {print sum}' "$task/status") || continue
        echo "${task##*/} ${comm// /_} $run $switches"
    done | sort -n
}

# Measures PID for window_s seconds and prints "label | CPU % | wake-ups/s | per thread";
# a thread is named by its id, and by its name where it has one of its own.
measure() {
    local label=$1 pid=$2 before after
    before=$(tasks "$pid")
    sleep "$window_s"
    after=$(tasks "$pid")
    awk -v label="$label" -v seconds="$window_s" -v pid="$pid" '
        NR == FNR { run[$1] = $3; sw[$1] = $4; if ($1 == pid) program = $2; next }
        ($1 in run) {
            dr = $3 - run[$1]; ds = $4 - sw[$1]
            total_run += dr; total_sw += ds
            name = $1 == pid ? "main" : "thread " $1 ($2 == program ? "" : " " $2)
            if (ds > 0) detail = detail sprintf(" %s %.1f/s;", name, ds / seconds)
        }
        END {
            if (detail == "") detail = " none"
            printf "| %s | %.3f %% | %.1f | %d |%s |\n", label, total_run / seconds / 1e7,
                   total_sw / seconds, FNR, detail
        }' <(echo "$before") <(echo "$after")
}

# Resident memory of PID now and at its peak, and how much of it is the process's own
# (anonymous) and how much pages of files, the shared libraries' among them.
memory() {
    awk -v label="$1" '/^VmRSS/ { rss = $2 } /^VmHWM/ { hwm = $2 } /^RssAnon/ { anon = $2 }
        /^RssFile/ { file = $2 } /^RssShmem/ { shmem = $2 }
        END { printf "%s: resident memory (VmRSS) %.1f MiB, peak (VmHWM) %.1f MiB;" \
              " anonymous %.1f MiB, files %.1f MiB, shared memory %.1f MiB\n", label,
              rss / 1024, hwm / 1024, anon / 1024, file / 1024, shmem / 1024 }' /proc/"$2"/status
}

# Settings as a first start finds them: none.
fresh_settings() { rm -rf "$Q_PREFIX/user.reg" "$Q_PREFIX/windows"; }

# The median of the numbers on standard input.
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# ---- The terminal: quorvex in tmux -------------------------------------------------------

# Each KIND_start sets pid to the running program's.
terminal_start() {
    q_quorvex main
    q_wait main 'Available'
    pid=$(q_pid main)
}

terminal_connect() {
    q_choose main 'Bluetooth (COM5)'
    q_keys main Tab Enter
}

terminal_stop() {
    q_keys main C-c
    q_exit_code main >/dev/null
}

# First full screen: every control of the 80 x 24 (landscape) layout drawn. quorvex runs under
# script(1), which logs its output with the time of each piece from the start; the screen is
# full once the last of the controls' texts has been written. Prints the milliseconds.
terminal_labels=('[OK]' 'Quorvex settings:' 'NMEA out:' 'External port settings:' 'Baud rate:'
    '4800' 'Data bits:' 'Stop bits:' 'Parity:' 'Connect')
terminal_first_frame() {
    local run=$1 log=$work/start$1.log timing=$work/start$1.timing header end=0 label at
    "${Q_TMUX[@]}" new-window -d -n "start$run" "script -q -T '$timing' \
        -c '$Q_QUORVEX' '$log'; echo \$? >'$work/start$run.exit'"
    q_wait "start$run" 'Available'
    q_keys "start$run" C-c
    q_exit_code "start$run" >/dev/null
    header=$(($(head -1 "$log" | wc -c)))
    for label in "${terminal_labels[@]}"; do
        at=$(grep -abo -F -- "$label" "$log" | head -1 | cut -d: -f1)
        [[ -n $at ]] || fail "never drawn: $label"
        ((at + ${#label} - header > end)) && end=$((at + ${#label} - header))
    done
    awk -v end="$end" '{ t += $1; n += $2; if (n >= end) { printf "%.1f\n", t * 1000; exit } }' "$timing"
}

# ---- The window: quorvex without a terminal under Xvfb -----------------------------------

window_start() {
    "$Q_QUORVEX" </dev/null >"$work/window.out" 2>"$work/window.err" &
    window_pid=$!
    q_await 15 q_window_of "$window_pid" >/dev/null || fail "no window appeared: $(cat "$work/window.err")"
    pid=$window_pid
}

# Clicks where the portrait layout puts the port list's box at scale 1, then the third row of
# its open list, "Bluetooth (COM5)", and presses Connect with Tab and Enter, as the
# end-to-end test does.
window_connect() {
    local wid
    wid=$(q_window_of "$window_pid")
    xdotool windowfocus --sync "$wid"
    xdotool mousemove --window "$wid" 180 72 click 1
    sleep 0.3
    xdotool mousemove --window "$wid" 160 111 click 1
    sleep 0.3
    xdotool key Tab Return
}

# A close request: the window ends as its close button ends it.
window_stop() {
    local pid=$window_pid
    window_pid=
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true # started here; one quorvex-x-screen started is no child
    q_await 10 eval "! kill -0 $pid 2>/dev/null" || fail "quorvex $pid did not end on SIGTERM"
}

# First full frame: quorvex-x-screen starts quorvex and grabs the window's place (the top
# left corner, where X puts it with no window manager) until it holds still; the first
# grab alike the settled picture is the first full frame. The status line is left out,
# since the dialog's first tick writes it 500 ms in by design, and so is the lamp, which
# the tick sets too. Prints the milliseconds to the first full frame and to the settled
# picture, and between grabs.
window_status_line=(112 46 158 20)
window_lamp=(250 64 22 22)
window_first_frame() {
    local out=$work/first$1.out
    "$xscreen" first-frame 0 0 480 640 1.5 "${window_status_line[@]}" "${window_lamp[@]}" \
        -- "$Q_QUORVEX" >"$out" 2>"$work/first$1.err" || fail "quorvex-x-screen: $(cat "$work/first$1.err")"
    window_pid=$(awk '/^pid / {print $2}' "$out")
    [[ -n $window_pid ]] || fail "no first frame seen: $(cat "$out" "$work/first$1.err")"
    window_stop
    awk '/^first-frame-ms / {f = $2} /^settled-ms / {s = $2} /^grab-interval-ms / {g = $2}
        END {print f, s, g}' "$out"
}

# Starts Xvfb on a display of its own; when it cannot, fails with the reason in no_window.
window_display() {
    [[ -n $xscreen ]] || { no_window="no quorvex-x-screen given (the build found no Qt 6)" && return 1; }
    no_window=$(q_x_tools 2>&1) || return 1
    q_xvfb "$work" 2>"$work/xvfb.why" || { no_window=$(cat "$work/xvfb.why") && return 1; }
}

# ---- Both, measured alike ----------------------------------------------------------------

# The three states of the display KIND, and its resident memory after the stream. Each
# display starts on a fresh prefix, with no output port chosen, and is connected by hand.
states() {
    local kind=$1
    fresh_settings
    rm -f "$work/device.received"
    q_sim receiver --pty --link COM2 --rate 10 --baud 115200 --await-open \
        --seconds $((window_s + 2)) --linger
    q_sim device --pty --link COM5 --listen --received "$work/device.received"
    "${kind}_start"
    sleep 1
    measure "$kind: idle, disconnected" "$pid"
    "${kind}_connect"
    q_await 10 test -s "$work/device.received" || fail "$kind: the device received nothing"
    sleep 1
    measure "$kind: connected, relaying 10 Hz NMEA at 115200 baud" "$pid"
    sleep 2 # the stream ends; the lamp goes dark
    measure "$kind: connected, quiet" "$pid"
    memory "$kind" "$pid" >>"$work/memory"
    q_stop_sim receiver
    q_stop_sim device
    "${kind}_stop"
}

# RUNS starts of each display, taken in turns so that the load other work puts on the
# machine falls alike on both: the first in a fresh prefix, the later ones finding the
# settings the earlier left, as most starts do.
first_frames() {
    local run kind took
    for ((run = 1; run <= runs; run++)); do
        for kind in "$@"; do
            ((run > 1)) || fresh_settings
            took=$("${kind}_first_frame" "$run")
            echo "$took" >>"$work/$kind.first"
        done
    done
}

first_frame_summary() {
    local kind=$1 what=$2 first later
    first=$(head -1 "$work/$kind.first" | cut -d' ' -f1)
    later=$(tail -n +2 "$work/$kind.first" | cut -d' ' -f1)
    echo "$kind: first $what: $first ms at the first start in a fresh prefix; median" \
        "$(median <<<"$later") ms over the $((runs - 1)) starts after it (${later//$'\n'/ } ms)"
}

echo "quorvex figures, ${window_s} s windows ($(nproc) cores, $(uname -r), load $(cut -d' ' -f1-3 /proc/loadavg))"
kinds=(terminal)
if window_display; then
    kinds+=(window)
else
    echo "the window is not measured: $no_window"
fi
q_init "$work" "$1" "$2"
q_bluetooth_port COM5
echo
echo "| display: state | CPU, % of a core | wake-ups/s | threads | threads that woke (wake-ups/s) |"
echo "|---|---|---|---|---|"
for kind in "${kinds[@]}"; do
    states "$kind"
done
first_frames "${kinds[@]}"
echo
cat "$work/memory"
first_frame_summary terminal "full screen, from exec to the last control's text written"
if [[ " ${kinds[*]} " == *" window "* ]]; then
    first_frame_summary window "full frame, from the start to every control drawn"
    echo "window: the status line, which the first tick writes, settled at a median of" \
        "$(tail -n +2 "$work/window.first" | cut -d' ' -f2 | median) ms after the start;" \
        "the screen was grabbed every $(cut -d' ' -f3 "$work/window.first" | median) ms (median)"
fi
