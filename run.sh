#!/usr/bin/env bash
# Installs what is missing, builds Pelko and starts it. Without a display it starts the test
# desktop and shows a whole-screen capture to a file, printing the file's path.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

scripts/install-deps.sh build test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELKO_WITH_BENCH=OFF >/dev/null
# Only what this script runs: the command, the tray program (a dependency of the command) and
# the picture it shows on a test desktop; ./test.sh builds the rest.
cmake --build build -j"$(nproc)" --target pelko pelko-show-picture
pelko=$root/build/pelko/pelko

if [ -n "${DISPLAY:-}" ]; then
    exec "$pelko" "$@"
fi

state=$(mktemp -d "${TMPDIR:-/tmp}/pelko-desktop-XXXXXX")
picture_pid=
cleanup() {
    [ -n "$picture_pid" ] && kill "$picture_pid" 2>/dev/null || true
    "$root/tests/desktop.sh" stop "$state" || true
    rm -rf "$state"
}
trap cleanup EXIT
DISPLAY=$("$root/tests/desktop.sh" start "$state")
export DISPLAY
echo "No display: started the test desktop on $DISPLAY"

# Put a picture on the desktop so the capture shows something.
show=$root/build/tests/tools/pelko-show-picture
if [ -x "$show" ]; then
    coproc picture { exec "$show" --root grid; }
    picture_pid=$picture_PID
    read -r -t 10 _ <&"${picture[0]}" || true
fi

echo "Capturing the whole screen:"
"$pelko" --capture screen "$@"
