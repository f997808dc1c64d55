#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the system or its tests.
#   scripts/quillfen.sh run    build and start the server and a client
#   scripts/quillfen.sh test   run every fuzzer for a short fixed number of runs, then build with
#                              warnings as errors and sanitizers and run every test (further
#                              arguments go to ctest: `test -L unit` runs the fast ones)
#   scripts/quillfen.sh fuzz [SECONDS]   run every fuzzer for SECONDS each (default 300)
#   scripts/quillfen.sh shots  build and save screenshots of the client's pages into docs/screenshots
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc)

packages=(
    build-essential cmake ninja-build pkg-config
    qtbase5-dev libqt5sql5-sqlite libxcb1-dev
    libudt-dev libgtest-dev
    iproute2 iptables
    clang-14 libclang-rt-14-dev
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
    build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    local bin="$dir/bin"
    # On a desktop the windowed server; without a display the console build,
    # whose diagnostic lines then show here.
    local server="$bin/Quillfen_NetServer"
    local desktop=1
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        desktop=0
        export QT_QPA_PLATFORM=offscreen
        server="$bin/Quillfen_NetServer_console"
    fi
    local work="${XDG_STATE_HOME:-$HOME/.local/state}/Quillfen"
    mkdir -p "$work"
    echo "Starting $(basename "$server") (UDP 10001, 10002, 10004; UDT relay 10003); its login record goes to $work/login.txt"
    (cd "$work" && exec "$server") &
    server_pid=$!
    trap 'kill "$server_pid" 2>/dev/null || true' EXIT
    sleep 1
    kill -0 "$server_pid" 2>/dev/null || { wait "$server_pid"; return 1; }
    if ((desktop)); then
        # The windowed client logs in to the default server, "localhost".
        echo "Starting the client ORV_SHARE (UDT 31000); closing its window ends both"
        "$bin/ORV_SHARE"
    else
        # Without a display, a client core without a window logs in to the
        # local server and takes commands on standard input (peers, list,
        # download, upload, records, quit).
        echo "No display: starting a client without a window (UDT 31000); type commands, \"quit\" ends both"
        "$bin/orv_client_driver" --data "${XDG_DATA_HOME:-$HOME/.local/share}" \
            --config "${XDG_CONFIG_HOME:-$HOME/.config}/Quillfen" --server 127.0.0.1
    fi
}

run_tests() {
    local dir="$top/build-test"
    build "$dir" -DCMAKE_BUILD_TYPE=Debug -DQF_WERROR=ON -DQF_SANITIZE=ON
    cd "$dir"
    ctest --output-on-failure -j "$jobs" --timeout 600 "$@"
}

take_shots() {
    local dir="$top/build"
    build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    # A display of its own and a font with the Chinese texts.
    xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" env QT_QPA_PLATFORM=xcb \
        "$dir/bin/quillfen_ui_shots" "$top/docs/screenshots"
}

# The libFuzzer targets, built by clang in a folder of their own; each runs
# from the seed corpus (made from real records) plus what earlier runs found.
fuzzers=(fuzz_server_datagram fuzz_server_link fuzz_share_list_reply fuzz_peer_request fuzz_peer_path fuzz_settings_ini)

run_fuzzers() {
    local dir="$top/build-fuzz"
    cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
        -DQF_FUZZ=ON -DQF_BUILD_TESTS=OFF
    cmake --build "$dir" -j "$jobs" --target "${fuzzers[@]}" fuzz_seeds
    "$dir/bin/fuzz_seeds" "$dir/seeds"
    mkdir -p "$dir/run"
    cd "$dir/run"
    for f in "${fuzzers[@]}"; do
        mkdir -p "$dir/corpus/$f"
        echo "Fuzzing $f ($*)"
        ASAN_OPTIONS=detect_leaks=0 "$dir/bin/$f" "$@" "$dir/corpus/$f" "$dir/seeds/$f"
    done
}

case "${1:-}" in
    run)  install_missing; run_system ;;
    test) shift; install_missing; run_fuzzers -runs=2000; run_tests "$@" ;;
    fuzz) install_missing; run_fuzzers -max_total_time="${2:-300}" ;;
    # Only the screenshots need the X server and the CJK font.
    shots) packages+=(xvfb fonts-wqy-microhei); install_missing; take_shots ;;
    *)    echo "usage: $0 run|test [ctest arguments]|fuzz [SECONDS]|shots" >&2; exit 2 ;;
esac
