#!/usr/bin/env bash
# The pixel display's figures, measured on its preview under Qt's offscreen platform:
#   first frame   time from starting the program to the first whole frame in the window,
#                 median of 9 starts (range);
#   wake-ups      voluntary context switches per second of all the process's threads over
#                 10 s, idle (the 500 ms tick alone) and connected (the tick and one lamp
#                 flash a second, each lighting and going dark);
#   memory        resident (VmRSS) and its peak (VmHWM) after 12 s.
# Usage: bench/pixel_figures.sh <quorvex-show-dialog-pixel>
set -euo pipefail
preview=${1:?usage: bench/pixel_figures.sh <quorvex-show-dialog-pixel>}
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime QUORVEX_PREFIX=$runtime/prefix

switches() {  # the voluntary context switches of every thread of process $1, summed
    local total=0 count task
    for task in /proc/"$1"/task/*/status; do
        count=$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task" 2>/dev/null || echo 0)
        total=$((total + ${count:-0}))
    done
    echo "$total"
}

firsts=()
for _ in 1 2 3 4 5 6 7 8 9; do
    start=$(date +%s%N)
    shown=$("$preview" --first-frame --screenshot "$runtime/shot.png" | awk '/^first-frame/ {print $2}')
    firsts+=($(((shown - start) / 1000)))
done
sorted=($(printf '%s\n' "${firsts[@]}" | sort -n))
awk -v median="${sorted[4]}" -v low="${sorted[0]}" -v high="${sorted[8]}" \
    'BEGIN { printf "first frame: median %.1f ms (%.1f to %.1f ms)\n", median / 1000, low / 1000, high / 1000 }'


for look in idle connected; do
    args=()
    [[ $look == connected ]] && args=(--connected)
    "$preview" "${args[@]}" &
    pid=$!
    sleep 2
    before=$(switches "$pid")
    sleep 10
    after=$(switches "$pid")
    threads=$(ls /proc/"$pid"/task | wc -l)
    rss=$(awk '/^VmRSS/ {print $2}' /proc/"$pid"/status)
    hwm=$(awk '/^VmHWM/ {print $2}' /proc/"$pid"/status)
    kill -TERM "$pid"  # a close request: the preview ends as the window's close button ends it
    wait "$pid"
    awk -v look="$look:" -v wakes=$((after - before)) -v threads="$threads" -v rss="$rss" \
        -v hwm="$hwm" 'BEGIN { printf "%-10s wake-ups %.1f/s over 10 s (%d threads); resident %.1f MiB, peak %.1f MiB\n", look, wakes / 10, threads, rss / 1024, hwm / 1024 }'

done
