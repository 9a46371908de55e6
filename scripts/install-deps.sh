#!/usr/bin/env bash
# Installs the Debian packages Pelko needs to build, test and benchmark, when any is missing.
#   scripts/install-deps.sh [build|test|bench|fuzz]...   (default: build test)
set -euo pipefail

build=(g++ make cmake pkg-config libxcb1-dev libxcb-shm0-dev libxcb-xfixes0-dev libxcb-randr0-dev
    libxcb-keysyms1-dev libpng-dev libjpeg62-turbo-dev libgif-dev zlib1g-dev qt6-base-dev libgl-dev
    libcurl4-openssl-dev libdbus-1-dev libwayland-dev libwayland-bin)
test=(libgtest-dev xvfb xauth icewm xdotool x11-utils x11-xserver-utils python3 python3-pil
    pngcheck imagemagick clang-format xclip python3-pyftpdlib dunst dbus-daemon lintian appstream
    dpkg-dev binutils sway grim wl-clipboard qt6-wayland xdg-desktop-portal xdg-desktop-portal-wlr
    xdg-desktop-portal-gtk pipewire libglib2.0-bin swaybg waybar python3-dbus python3-gi
    libxkbcommon-dev zsh fish dbus-x11)
bench=(libbenchmark-dev scrot maim hyperfine time libjpeg-turbo-progs mate-backgrounds)
# tests/fuzz/run_fuzzers.sh: clang with libFuzzer and the sanitizer runtimes.
fuzz=(clang libclang-rt-14-dev)

# The Wayland tests run the compositor as this user: it refuses to run as root.
test_user=pelko-test

wanted=()
for group in "${@:-build test}"; do
    for g in $group; do
        case "$g" in
        build) wanted+=("${build[@]}") ;;
        test) wanted+=("${test[@]}") ;;
        bench) wanted+=("${bench[@]}") ;;
        fuzz) wanted+=("${fuzz[@]}") ;;
        *) echo "unknown package group: $g" >&2; exit 2 ;;
        esac
    done
done

missing=()
for p in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
if [[ " ${wanted[*]} " == *" sway "* ]] && ! id "$test_user" >/dev/null 2>&1; then
    echo "Creating the user $test_user for the Wayland tests"
    "${sudo[@]}" useradd --system --no-create-home --home-dir /nonexistent \
        --shell /usr/sbin/nologin "$test_user"
fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
