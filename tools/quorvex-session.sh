# Shell functions that set up and drive a Quorvex session with simulated devices: a prefix
# of its own, simulated receivers and devices on pseudo-terminals linked into it, quorvex
# itself in tmux windows on a private tmux server, and an X display of its own for the
# window. Sourced by the demo, the end-to-end tests and the figures benchmark; nothing here
# touches anything outside the prefix and the work folder it is given.
#
#   q_init WORK QUORVEX SIM     WORK holds the prefix (WORK/prefix) and the logs
#   q_bluetooth_port COM5       registers a Bluetooth serial port in system.reg
#   q_sim NAME ARGS...          starts quorvex-nmea-sim in the background, waits for its line
#   q_stop_sim NAME             stops it with SIGTERM and waits for its summary
#   q_quorvex WINDOW            starts quorvex in a new tmux window of 80 x 24
#   q_wait WINDOW REGEX [S]     waits up to S seconds (10) until the screen matches
#   q_keys WINDOW KEYS...       tmux send-keys
#   q_choose WINDOW TEXT        presses Down in WINDOW until TEXT shows, five times at most;
#                               whether it shows then is for the caller to check
#   q_screen WINDOW [-e]        the window's screen (with colours when -e)
#   q_exit_code WINDOW [S]      waits for quorvex in WINDOW to end and prints its exit code
#   q_await S COMMAND...        runs COMMAND every 50 ms until it succeeds, for up to S seconds
#   q_x_tools                   fails, saying which, when Xvfb or xdotool is missing
#   q_xvfb FOLDER               starts Xvfb on a display number it picks and points this shell
#                               at it, X alone, with a private XDG_RUNTIME_DIR in FOLDER; call
#                               it before q_init, so that quorvex in tmux sees the display too
#   q_window_of PID             the visible X window of process PID, if it has one yet
#   q_cleanup                   stops everything started here
# The functions return non-zero on failure and say why on standard error.

q_init()
{
    Q_WORK=$1
    Q_QUORVEX=$2
    Q_SIM=$3
    Q_PREFIX=$Q_WORK/prefix
    Q_TMUX=(tmux -L "quorvex-$$-$RANDOM" -f /dev/null)
    declare -gA Q_SIM_PID=()
    # quorvex refuses a prefix that others may write to, whatever the umask.
    (umask 077 && mkdir -p "$Q_PREFIX/devices")
    export QUORVEX_PREFIX=$Q_PREFIX
    # A holder window keeps the private server alive between quorvex runs.
    "${Q_TMUX[@]}" new-session -d -s quorvex -n holder -x 80 -y 24 "sleep 86400"
}

# Writes system.reg as another program would: under the hive's lock, replaced by rename.
q_write_system_reg()
{
    local hive=$Q_PREFIX/system.reg
    {
        echo "Windows Registry Editor Version 5.00"
        echo
        printf '%s\n' "$@"
    } >"$hive.new"
    flock "$hive.lock" mv "$hive.new" "$hive"
}

q_bluetooth_port()
{
    q_write_system_reg "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Bluetooth\\Serial\\Ports\\1]" \
        "\"Port\"=\"$1\"" "${@:2}"
}

q_sim()
{
    local name=$1
    shift
    "$Q_SIM" "$@" >"$Q_WORK/$name.out" 2>"$Q_WORK/$name.err" &
    Q_SIM_PID[$name]=$!
    local i
    for ((i = 0; i < 200; i++)); do
        if grep -q '^device ' "$Q_WORK/$name.out" 2>/dev/null &&
            { [[ " $* " != *" --link "* ]] || grep -q '^linked ' "$Q_WORK/$name.out"; }; then
            return 0
        fi
        kill -0 "${Q_SIM_PID[$name]}" 2>/dev/null || break
        sleep 0.05
    done
    echo "q_sim $name did not start: $(cat "$Q_WORK/$name.err")" >&2
    return 1
}

q_stop_sim()
{
    local pid=${Q_SIM_PID[$1]:-}
    [[ -n $pid ]] || return 0
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    unset "Q_SIM_PID[$1]"
}

q_quorvex()
{
    local window=$1
    rm -f "$Q_WORK/$window.exit"
    "${Q_TMUX[@]}" new-window -d -n "$window" \
        "QUORVEX_PREFIX='$Q_PREFIX' TERM=xterm-256color '$Q_QUORVEX'; echo \$? >'$Q_WORK/$window.exit'"
}

q_choose()
{
    local i
    for ((i = 0; i < 5; i++)); do
        q_screen "$1" | grep -F -- "$2" >/dev/null && return 0
        q_keys "$1" Down
        sleep 0.2
    done
}

q_screen()
{
    "${Q_TMUX[@]}" capture-pane -p "${@:2}" -t "quorvex:$1"
}

q_wait()
{
    local window=$1 pattern=$2 seconds=${3:-10} i
    for ((i = 0; i < seconds * 20; i++)); do
        q_screen "$window" 2>/dev/null | grep -E -- "$pattern" >/dev/null && return 0
        sleep 0.05
    done
    echo "timed out after $seconds s waiting for /$pattern/ in window $window; the screen:" >&2
    q_screen "$window" >&2 || true
    return 1
}

q_keys()
{
    "${Q_TMUX[@]}" send-keys -t "quorvex:$1" "${@:2}"
}

q_exit_code()
{
    local window=$1 seconds=${2:-10} i
    for ((i = 0; i < seconds * 20; i++)); do
        if [[ -s $Q_WORK/$window.exit ]]; then
            cat "$Q_WORK/$window.exit"
            return 0
        fi
        sleep 0.05
    done
    echo "quorvex in window $window did not end within $seconds s" >&2
    return 1
}

# The process id of quorvex running in WINDOW.
q_pid()
{
    local shell
    shell=$("${Q_TMUX[@]}" display-message -p -t "quorvex:$1" '#{pane_pid}')
    pgrep -P "$shell" -x quorvex || echo "$shell"
}

q_await()
{
    local seconds=$1 i
    shift
    for ((i = 0; i < seconds * 20; i++)); do
        "$@" && return 0
        sleep 0.05
    done
    return 1
}

q_x_tools()
{
    local tool
    for tool in Xvfb xdotool; do
        if ! command -v "$tool" >/dev/null; then
            echo "$tool is missing (tools/install-deps.sh installs it)" >&2
            return 1
        fi
    done
}

q_xvfb()
{
    local folder=$1
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$folder/display" 2>"$folder/xvfb.log" &
    Q_XVFB=$!
    if ! q_await 10 test -s "$folder/display"; then
        echo "Xvfb did not start: $(cat "$folder/xvfb.log")" >&2
        return 1
    fi
    DISPLAY=:$(head -1 "$folder/display")
    export DISPLAY
    if ! q_await 10 eval 'xdotool getdisplaygeometry >/dev/null 2>&1'; then
        echo "Xvfb does not answer at $DISPLAY: $(cat "$folder/xvfb.log")" >&2
        return 1
    fi
    # Only X: no Wayland compositor is to be asked, and Qt's runtime folder is private.
    unset WAYLAND_DISPLAY WAYLAND_SOCKET XDG_SESSION_TYPE QT_QPA_PLATFORM
    export XDG_RUNTIME_DIR=$folder/runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

q_window_of()
{
    local windows
    windows=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null) || return 1
    head -1 <<<"$windows"
}

q_cleanup()
{
    local name
    for name in "${!Q_SIM_PID[@]}"; do
        q_stop_sim "$name"
    done
    # Closing the server hangs up every window; quorvex then saves its settings into the
    # prefix, so wait for the programs to end before anyone removes it.
    local pids pid i
    pids=$("${Q_TMUX[@]}" list-panes -a -F '#{pane_pid}' 2>/dev/null || true)
    "${Q_TMUX[@]}" kill-server 2>/dev/null || true
    for pid in $pids; do
        for ((i = 0; i < 100; i++)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.02
        done
    done
    # Last, once the programs that drew on it have ended.
    if [[ -n ${Q_XVFB:-} ]]; then
        kill -TERM "$Q_XVFB" 2>/dev/null || true
        wait "$Q_XVFB" 2>/dev/null || true
        Q_XVFB=
    fi
}
