#!/usr/bin/env bash
# The core knows nothing of Qt, X11 or xcb; the platform layer nothing of Qt; the user
# interface nothing of the platform layer.
set -u
src=${1:-$(dirname "$0")/../src}
status=0
core=$(grep -rnE '^\s*#\s*include\s*[<"](Q[A-Za-z]|qt[a-z]*/|X11/|xcb/|GL/)' "$src/core" || true)
if [ -n "$core" ]; then
    echo "src/core must not include Qt, X11 or xcb headers:"
    echo "$core"
    status=1
fi
platform=$(grep -rnE '^\s*#\s*include\s*[<"](Q[A-Za-z]|qt[a-z]*/)' "$src/platform" || true)
if [ -n "$platform" ]; then
    echo "src/platform must not include Qt headers:"
    echo "$platform"
    status=1
fi
ui=$(grep -rnE '^\s*#\s*include\s*"platform/' "$src/ui" || true)
if [ -n "$ui" ]; then
    echo "src/ui must not include the platform layer (the application wires it in):"
    echo "$ui"
    status=1
fi
[ $status -eq 0 ] && echo "layers ok"
exit $status
