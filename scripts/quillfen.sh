#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the system or its tests.
#   scripts/quillfen.sh run    build and start the server and a client
#   scripts/quillfen.sh test   build with warnings as errors and sanitizers, run every test
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev libqt5sql5-sqlite
    libboost-thread-dev libboost-system-dev libboost-date-time-dev
    libudt-dev libgtest-dev
    iproute2 iptables
)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        echo "Installing: ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

build() {
    local dir=$1; shift
    cmake -S "$top" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" -j "$jobs"
}

run_system() {
    local dir="$top/build"
    build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQF_BUILD_TESTS=OFF
    local bin="$dir/bin"
    [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
    if [ ! -x "$bin/Quillfen_NetServer_console" ]; then
        echo "The server is not built yet; nothing to start."
        return 0
    fi
    echo "Starting the server (UDP 10001, 10002, 10004; UDT relay 10003)"
    "$bin/Quillfen_NetServer_console" &
    local server=$!
    trap 'kill $server 2>/dev/null || true' EXIT
    if [ -x "$bin/ORV_SHARE" ]; then
        echo "Starting a client (UDT 31000)"
        "$bin/ORV_SHARE"
    else
        echo "The client is not built yet; the server runs until you press Ctrl+C."
        wait "$server"
    fi
}

run_tests() {
    local dir="$top/build-test"
    build "$dir" -DCMAKE_BUILD_TYPE=Debug -DQF_WERROR=ON -DQF_SANITIZE=ON
    cd "$dir"
    ctest --output-on-failure -j "$jobs" --timeout 600
}

case "${1:-}" in
    run)  install_missing; run_system ;;
    test) install_missing; run_tests ;;
    *)    echo "usage: $0 run|test" >&2; exit 2 ;;
esac
