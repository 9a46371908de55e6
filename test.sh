#!/usr/bin/env bash
# Installs what is missing, builds Pelko (normal and ASan+UBSan), starts the test desktop,
# runs every test through CTest and stops what it started.
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD
jobs=$(nproc)

scripts/install-deps.sh build test

echo "== format"
# Every C++ file as clang-format (.clang-format) writes it; the tests run all the same.
formatted=1
find src tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror || formatted=0

echo "== build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELKO_WITH_BENCH=OFF >/dev/null
cmake --build build -j"$jobs"

echo "== sanitizer build (core, codec, platform)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPELKO_SANITIZE=ON -DPELKO_WITH_APP=OFF \
    -DPELKO_WITH_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"

echo "== test desktop"
state=$(mktemp -d "${TMPDIR:-/tmp}/pelko-desktop-XXXXXX")
cleanup() {
    "$root/tests/desktop.sh" stop "$state" || true
    rm -rf "$state"
}
trap cleanup EXIT
DISPLAY=$("$root/tests/desktop.sh" start "$state")
export DISPLAY
echo "display $DISPLAY"

# No session bus unless a test starts its own: a program that would start one for itself
# (libdbus and GDBus autolaunch with dbus-launch) leaves it running after the tests.
export DBUS_SESSION_BUS_ADDRESS=disabled:
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for dir in build build-asan; do
    echo "== tests ($dir)"
    # Tests that use the shared desktop hold a resource lock, so they run one at a time.
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" || status=1
done
if [ "$formatted" = 0 ]; then
    echo "== some files are not formatted: run clang-format -i on them" >&2
    status=1
fi
exit $status
