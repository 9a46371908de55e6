#!/usr/bin/env bash
# The Wayland test desktop: a headless sway (pixman renderer, one 1280x720 output) with its own
# session bus, pipewire and the desktop portals, all run as an unprivileged user (sway refuses
# to run as root).
#
#   tests/wayland-desktop.sh start STATEDIR [BACKGROUND.png [WIDTHxHEIGHT]]
#                                      prints the session's variables, one NAME=VALUE a line;
#                                      the output is 1280x720 unless asked otherwise
#   tests/wayland-desktop.sh stop STATEDIR
#   tests/wayland-desktop.sh run STATEDIR COMMAND...            runs COMMAND in the session, as
#                                                               its user
#
# When run as root, everything runs as the user pelko-test (scripts/install-deps.sh creates it)
# and STATEDIR is handed to that user. Exit status 77 means that sway cannot run here.
# Everything it starts runs in its own process group; stop ends exactly those groups.
set -euo pipefail

cmd=${1:?usage: wayland-desktop.sh start|stop|run STATEDIR ...}
state=${2:?state directory}
shift 2
user=pelko-test

as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(runuser -u "$user" --)
fi

# shellcheck source=tests/process_groups.sh
. "$(dirname "$0")/process_groups.sh"

# The environment of the session, as saved by start.
session_env() {
    cat "$state/env"
}

# Runs a command in the session as its user, in a process group of its own, recording the pid.
start_service() {  # start_service NAME COMMAND...
    local name=$1
    shift
    # shellcheck disable=SC2046
    setsid "${as_user[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin $(session_env) "$@" \
        >"$state/$name.log" 2>&1 </dev/null &
    echo $! >"$state/$name.pid"
}

sway_ipc() {
    compgen -G "$state/runtime/sway-ipc.*.sock" | head -n1
}

case "$cmd" in
start)
    background=${1:-}
    size=${2:-1280x720}
    command -v sway >/dev/null || { echo "sway is not installed" >&2; exit 77; }
    if [ "$(id -u)" -eq 0 ] && ! id "$user" >/dev/null 2>&1; then
        echo "there is no user $user to run sway as (scripts/install-deps.sh test)" >&2
        exit 77
    fi
    mkdir -p "$state/runtime" "$state/home"
    chmod 700 "$state/runtime"
    chmod 755 "$state"
    [ "$(id -u)" -eq 0 ] && chown -R "$user:" "$state"
    {
        echo "output HEADLESS-1 resolution $size position 0 0"
        if [ -n "$background" ]; then
            install -m 644 "$background" "$state/background.png"
            echo "output HEADLESS-1 bg $state/background.png center #000000"
        fi
        echo "default_border none"
        echo "focus_follows_mouse no"
        # The software cursor would show in every copy once a test adds a pointer device.
        echo "seat * hide_cursor 300"
    } >"$state/sway.conf"
    {
        echo "HOME=$state/home"
        echo "XDG_DATA_HOME=$state/home/.local/share"
        echo "XDG_RUNTIME_DIR=$state/runtime"
        echo "XDG_CURRENT_DESKTOP=sway:GNOME"
        echo "XDG_SESSION_TYPE=wayland"
        # No accessibility bus: the toolkit portal would start one and may wait for it.
        echo "NO_AT_BRIDGE=1"
        echo "GTK_A11Y=none"
    } >"$state/env"

    # The document portal needs FUSE, which containers often lack; starting it then may keep
    # the portal waiting for it. Screenshots do not need it: the session gets none.
    services=$state/home/.local/share/dbus-1/services
    mkdir -p "$services"
    printf '[D-BUS Service]\nName=org.freedesktop.portal.Documents\nExec=/bin/false\n' \
        >"$services/org.freedesktop.portal.Documents.service"
    [ "$(id -u)" -eq 0 ] && chown -R "$user:" "$state/home"

    # The session bus: the portals are started by it on demand.
    : >"$state/bus"
    [ "$(id -u)" -eq 0 ] && chown "$user:" "$state/bus"
    start_service dbus sh -c "exec dbus-daemon --session --nofork --print-address=1 >'$state/bus'"
    wait_for 10 test -s "$state/bus" || { echo "the session bus did not start" >&2; exit 1; }
    echo "DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$state/bus")" >>"$state/env"

    # The screen-cast portal backend gives up when no pipewire runs.
    if command -v pipewire >/dev/null; then
        start_service pipewire pipewire
    fi

    start_service sway env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway -c "$state/sway.conf"
    if ! wait_for 15 test -S "$state/runtime/wayland-1" || ! wait_for 10 sway_ipc; then
        echo "sway did not start:" >&2
        tail -n 5 "$state/sway.log" >&2 || true
        exit 77
    fi
    {
        echo "WAYLAND_DISPLAY=wayland-1"
        echo "SWAYSOCK=$(sway_ipc)"
    } >>"$state/env"
    # shellcheck disable=SC2046
    "${as_user[@]}" env -i PATH=/usr/bin:/bin $(session_env) dbus-update-activation-environment \
        WAYLAND_DISPLAY XDG_RUNTIME_DIR XDG_CURRENT_DESKTOP HOME SWAYSOCK NO_AT_BRIDGE GTK_A11Y
    if [ -n "$background" ]; then
        # shellcheck disable=SC2046
        wait_for 10 pgrep -u "$user" -x swaybg || true
    fi
    session_env
    ;;
run)
    # shellcheck disable=SC2046
    exec "${as_user[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin $(session_env) "$@"
    ;;
stop)
    for name in sway pipewire dbus; do
        if [ -s "$state/$name.pid" ]; then
            stop_group "$(cat "$state/$name.pid")"
            rm -f "$state/$name.pid"
        fi
    done
    ;;
*)
    echo "usage: wayland-desktop.sh start|stop|run STATEDIR ..." >&2
    exit 2
    ;;
esac
