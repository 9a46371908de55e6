#!/usr/bin/env bash
# The test desktop: Xvfb on a free display with the icewm window manager (EWMH, system tray).
#
#   tests/desktop.sh start STATEDIR [WIDTHxHEIGHTxDEPTH] [nowm]   prints the display name (":N")
#   tests/desktop.sh stop STATEDIR
#
# Everything it starts runs in its own process group; stop ends exactly those groups.
set -euo pipefail

cmd=${1:?usage: desktop.sh start|stop STATEDIR [geometry]}
state=${2:?state directory}
geometry=${3:-1920x1080x24}
wm=${4:-icewm}

# Members of a process group that are still running (zombies waiting to be reaped count as
# gone).
group_alive() {
    ps -e -o pgid=,stat= | awk -v g="$1" '$1 == g && $2 !~ /^Z/ {found = 1} END {exit !found}'
}

stop_group() {
    local pid=$1
    kill -TERM -- "-$pid" 2>/dev/null || return 0
    for _ in $(seq 100); do
        group_alive "$pid" || return 0
        sleep 0.02
    done
    kill -KILL -- "-$pid" 2>/dev/null || true
}

wait_for() {  # wait_for SECONDS COMMAND...
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || return 1
        sleep 0.02
    done
}

wm_ready() {
    local id
    id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | awk '/window id/ {print $NF}')
    [ -n "$id" ] && xprop -id "$id" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "$id"
}

case "$cmd" in
start)
    mkdir -p "$state/home" "$state/runtime"
    chmod 700 "$state/runtime"
    : >"$state/display"
    setsid Xvfb -screen 0 "$geometry" -nolisten tcp -noreset -displayfd 3 \
        3>"$state/display" >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    wait_for 10 test -s "$state/display" || { echo "Xvfb did not start" >&2; exit 1; }
    display=":$(head -n1 "$state/display")"
    export DISPLAY=$display
    wait_for 10 xprop -root || { echo "Xvfb does not answer" >&2; exit 1; }
    if [ "$wm" = nowm ]; then
        echo "$display"
        exit 0
    fi
    env -u DBUS_SESSION_BUS_ADDRESS HOME="$state/home" XDG_RUNTIME_DIR="$state/runtime" \
        setsid icewm >"$state/icewm.log" 2>&1 &
    echo $! >"$state/icewm.pid"
    wait_for 10 wm_ready || { echo "the window manager did not start" >&2; exit 1; }
    echo "$display"
    ;;
stop)
    for name in icewm xvfb; do
        if [ -s "$state/$name.pid" ]; then
            stop_group "$(cat "$state/$name.pid")"
            rm -f "$state/$name.pid"
        fi
    done
    ;;
*)
    echo "usage: desktop.sh start|stop STATEDIR [geometry]" >&2
    exit 2
    ;;
esac
