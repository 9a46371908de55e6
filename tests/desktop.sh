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

# shellcheck source=tests/process_groups.sh
. "$(dirname "$0")/process_groups.sh"

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
