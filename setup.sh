#!/usr/bin/env bash
# MiravoDialer's set-up in one command, on Debian 12:
#   ./setup.sh run    install what is missing, build, create the database if there is none, start the program
#                     (with a virtual modem on COM3 when COM3 has no device)
#   ./setup.sh test   install what is missing, build, run every test through ctest
# Environment: BUILD_DIR (default build), MIRAVO_SANITIZE=1 for an AddressSanitizer + UBSan build,
#              MIRAVO_WERROR=1 to treat warnings as errors.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"
mode=${1:-}
case "$mode" in
run | test) ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac

# Debian 12 packages the build, the program and the tests need.
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-qpa-plugins libqt6svg6
    qt6-serialport-dev qt6-webengine-dev qt6-webengine-dev-tools libgl-dev libxcb1-dev
    libgtest-dev libbenchmark-dev
    clang-format sqlite3 libsqlite3-dev xauth fonts-liberation2 xvfb libgl1-mesa-dri libglx-mesa0 libegl-mesa0
)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "== Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
    local dir=$1
    shift
    echo "== Building in $dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
    cmake --build "$dir"
}

install_missing

build_dir=${BUILD_DIR:-build}
cmake_args=()
[ "${MIRAVO_SANITIZE:-0}" = 1 ] && cmake_args+=(-DMIRAVO_SANITIZE=ON -DMIRAVO_BUILD_BENCH=OFF)
[ "${MIRAVO_WERROR:-0}" = 1 ] && cmake_args+=(-DMIRAVO_WERROR=ON)
build "$build_dir" "${cmake_args[@]}"

if [ "$mode" = test ]; then
    echo "== Running the tests"
    cd "$build_dir"
    exec ctest --output-on-failure --timeout 300
fi

# mode = run
# A newcomer without a database gets one with a few sample companies and contacts; an existing one is kept.
"$build_dir/bin/miravo-create-database" --samples --if-missing

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    port=${MIRAVO_VNC_PORT:-5900}
    export QT_QPA_PLATFORM="vnc:size=1024x768:port=$port"
    cat <<TXT
== This machine has no display (neither DISPLAY nor WAYLAND_DISPLAY is set).
   MiravoDialer now runs on a virtual screen that a VNC viewer can show:
       vncviewer localhost:$port        (on another machine: ssh -L $port:localhost:$port this-host)
   Close the program's main window in the viewer, or press Ctrl+C here, to end it.
TXT
fi

# Without a modem on COM3 (the program's default port) a virtual modem stands in, so a whole call can be placed
# without hardware; its log shows exactly what the modem received. It ends together with the program.
com3_link="${XDG_DATA_HOME:-$HOME/.local/share}/MiravoDialer/ports/COM3"
com3_has_device() {
    if [ -L "$com3_link" ] || [ -e "$com3_link" ]; then
        [ -e "$com3_link" ]
        return
    fi
    # The kernel lists ttyS2 even where no serial port is fitted; its type is 0 then.
    [ -e /dev/ttyS2 ] && [ "$(cat /sys/class/tty/ttyS2/type 2>/dev/null || echo 0)" != 0 ]
}
if ! com3_has_device; then
    modem_log="$here/$build_dir/virtual-modem-COM3.log"
    "$build_dir/bin/miravo-virtual-modem" --port 3 --log "$modem_log" >/dev/null &
    modem_pid=$!
    trap 'kill "$modem_pid" 2>/dev/null || true; wait "$modem_pid" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        [ -L "$com3_link" ] && break
        kill -0 "$modem_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -L "$com3_link" ]; then
        cat <<TXT
== COM3 has no modem: a virtual modem stands in and records every command the program sends.
   Follow it with:   tail -f $modem_log
TXT
    else
        echo "== COM3 has no modem, and the virtual modem did not start (its reason is above)." >&2
    fi
fi
"$build_dir/bin/miravodialer"
