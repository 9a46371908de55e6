#!/usr/bin/env bash
# Installs the Debian packages Pelko needs to build, test and benchmark, when any is missing.
#   scripts/install-deps.sh [build|test|bench]...   (default: build test)
set -euo pipefail

build=(g++ make cmake pkg-config libxcb1-dev libxcb-shm0-dev libxcb-xfixes0-dev libxcb-randr0-dev
    libxcb-keysyms1-dev libpng-dev libjpeg62-turbo-dev libgif-dev zlib1g-dev qt6-base-dev libgl-dev
    libcurl4-openssl-dev libdbus-1-dev)
test=(libgtest-dev xvfb xauth icewm xdotool x11-utils x11-xserver-utils python3 python3-pil
    pngcheck imagemagick clang-format xclip python3-pyftpdlib dunst dbus-daemon lintian appstream
    dpkg-dev binutils)
bench=(libbenchmark-dev scrot maim hyperfine time mate-backgrounds)

wanted=()
for group in "${@:-build test}"; do
    for g in $group; do
        case "$g" in
        build) wanted+=("${build[@]}") ;;
        test) wanted+=("${test[@]}") ;;
        bench) wanted+=("${bench[@]}") ;;
        *) echo "unknown package group: $g" >&2; exit 2 ;;
        esac
    done
done

missing=()
for p in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
