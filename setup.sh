#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# MiravoDialer's set-up in one command, on Debian 12:
#   ./setup.sh run    install what is missing, build the program, create the database if there is none, start the
#                     program (with a virtual modem on COM3 when COM3 has no device; on a virtual screen that only
#                     this machine can reach when there is no display)
#   ./setup.sh test   install what is missing, build everything, run every test through ctest
# Environment: BUILD_DIR (default build), MIRAVO_SANITIZE=1 for an AddressSanitizer + UBSan build,
#              MIRAVO_WERROR=1 to treat warnings as errors, MIRAVO_VNC_PORT (default 5900) for the virtual screen.
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

# Debian 12 packages. `run` installs what building and running the program needs: the build tools and Qt, the
# fonts, the Wayland platform, the speaker module's sound-server client library, and for the run without a display a
# virtual screen, a window manager, VNC, a session bus and ss (the VNC port's check). `test` adds the test and
# benchmark libraries, the formatter and what the tests and the install checks drive: the desktop tests' tools
# (xdotool, xprop, the accessibility bus and its Python client) and the screen reader they listen to (Orca, speaking
# through speech-dispatcher), the ModemManager stand-in (python-dbusmock), a sound server without a sound card with
# its recorder, a converter and a touch-tone decoder, the validators, and the package's tools (cpack -G DEB uses
# file and dpkg-shlibdeps; lintian; man for the manual pages).
run_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-qpa-plugins libqt6svg6 qt6-wayland
    qt6-serialport-dev qt6-webengine-dev qt6-webengine-dev-tools libgl-dev libxcb1-dev fonts-liberation2
    libpulse-dev
    xvfb xauth libgl1-mesa-dri libglx-mesa0 libegl-mesa0 openbox x11vnc dbus dbus-daemon iproute2
)
test_packages=(
    libbenchmark-dev clang-format sqlite3 libsqlite3-dev
    xdotool x11-utils at-spi2-core python3 python3-pyatspi
    orca speech-dispatcher
    python3-dbusmock
    pulseaudio pulseaudio-utils sox multimon-ng
    desktop-file-utils appstream dpkg-dev file lintian man-db
    adwaita-qt6
)
packages=("${run_packages[@]}")
[ "$mode" = test ] && packages+=("${test_packages[@]}")

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

# build <dir> [targets...]: configures and builds the targets, or everything when none are named.
build() {
    local dir=$1
    shift
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    echo "== Building in $dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${cmake_args[@]}" >/dev/null
    cmake --build "$dir" "${targets[@]}"
}

install_missing

build_dir=${BUILD_DIR:-build}
cmake_args=()
# The sanitizer build leaves out the benchmarks, and the desktop suite, which the plain build runs on the same code.
[ "${MIRAVO_SANITIZE:-0}" = 1 ] && cmake_args+=(-DMIRAVO_SANITIZE=ON -DMIRAVO_BUILD_BENCH=OFF -DMIRAVO_DESKTOP_TESTS=OFF)
[ "${MIRAVO_WERROR:-0}" = 1 ] && cmake_args+=(-DMIRAVO_WERROR=ON)
if [ "$mode" = test ]; then
    cmake_args+=(-DMIRAVO_BUILD_TESTS=ON)
    [ "${MIRAVO_SANITIZE:-0}" = 1 ] || cmake_args+=(-DMIRAVO_BUILD_BENCH=ON)
else
    # Everything that is installed (the program, its three modules, the tools, the manual pages and documents), so
    # that `cmake --install` works after it; the tests and benchmarks wait for ./setup.sh test.
    cmake_args+=(-DMIRAVO_BUILD_TESTS=OFF -DMIRAVO_BUILD_BENCH=OFF)
fi
build "$build_dir"

if [ "$mode" = test ]; then
    echo "== Running the tests"
    cd "$build_dir"
    # Two at a time: the suites are independent, except those that say otherwise (RESOURCE_LOCK, RUN_SERIAL).
    exec ctest --output-on-failure --timeout 300 -j2
fi

# mode = run
# A newcomer without a database gets one with a few sample companies and contacts; an existing one is kept.
"$build_dir/bin/miravo-create-database" --samples --if-missing

# Everything started here ends with the program, however it ends (its window closed, Ctrl+C, an error), and so
# does this run's private folder. Even when this script is killed outright (SIGKILL, no trap runs), what it started
# ends: each starts through `spawn`, which has the kernel send it SIGTERM when this script dies.
started=()
run_dir=$(mktemp -d "${TMPDIR:-/tmp}/miravodialer-run.XXXXXX")
# spawn <command...>: starts the command in the background, bound to this script's life; its pid goes to started.
spawn() {
    setpriv --pdeathsig TERM -- "$@" &
    started+=($!)
}
end_started() {
    local i pid
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do kill "${started[i]}" 2>/dev/null || true; done
    for pid in "${started[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$run_dir"
}
trap end_started EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Qt keeps its per-session files in XDG_RUNTIME_DIR; a login session has one, an ssh or root shell may not. Then
# the program gets this run's private folder, instead of Qt's warning and its shared fallback in /tmp.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    export XDG_RUNTIME_DIR=$run_dir
fi

# wait_for <seconds> <command...>: true once the command succeeds, false when the time is up.
wait_for() {
    local tenths=$(($1 * 10))
    shift
    for ((t = 0; t < tenths; t++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Without a display the program runs on a virtual X screen (Xvfb) with a small window manager (openbox), so its
# windows have frames and can be moved and closed, shown through VNC (x11vnc) on the loopback interface only: the
# windows hold PINs, and nothing here is for the network to see, nor for the other accounts of this machine: the
# screen takes only clients that know this run's key (an Xauthority cookie in the run's private folder), and the
# VNC server asks for a password made for this run.
start_virtual_screen() {
    local port=${MIRAVO_VNC_PORT:-5900} display_file="$run_dir/display"
    # Asked before anything starts: a VNC server that cannot have the port would otherwise listen elsewhere (or
    # not at all), while the user is told to connect to whatever program holds it.
    if [ -n "$(ss -ltnH "sport = :$port" 2>/dev/null)" ]; then
        echo "== VNC port in use: another program listens on port $port, so the virtual screen cannot be served" >&2
        echo "   there. Pick a free port, for example: MIRAVO_VNC_PORT=$((port + 1)) ./setup.sh run" >&2
        exit 1
    fi
    # The screen's key: X clients (this run's programs) read it from XAUTHORITY, the server from -auth. The server
    # takes every key in the file whatever display it names; clients look for the display's own entry, added
    # below once Xvfb has picked its number.
    local cookie
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    export XAUTHORITY="$run_dir/Xauthority"
    (umask 077 && xauth -q -f "$XAUTHORITY" add :0 MIT-MAGIC-COOKIE-1 "$cookie")
    # -displayfd: Xvfb picks a free display number and writes it once it accepts clients.
    spawn Xvfb -displayfd 3 -auth "$XAUTHORITY" -noreset -nolisten tcp -screen 0 1280x1024x24 \
        3>"$display_file" 2>/dev/null
    wait_for 10 grep -qs . "$display_file" || { echo "== The virtual screen (Xvfb) did not start." >&2; exit 1; }
    DISPLAY=":$(head -n 1 "$display_file")"
    export DISPLAY
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" MIT-MAGIC-COOKIE-1 "$cookie"
    # Qt and the browser engine talk to a session message bus. Without one they would start a shared bus of their
    # own (dbus-launch), which outlives this run; this run's private bus ends with it.
    if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
        spawn dbus-daemon --session --nofork --nopidfile --address="unix:path=$run_dir/bus" 2>"$run_dir/bus.log"
        if ! wait_for 10 test -S "$run_dir/bus"; then
            echo "== The session bus (dbus-daemon) did not start:" >&2
            cat "$run_dir/bus.log" >&2
            exit 1
        fi
        export DBUS_SESSION_BUS_ADDRESS="unix:path=$run_dir/bus"
    fi
    spawn openbox --sm-disable >/dev/null 2>&1
    # The password is this run's own, read from a file only this user can open (a command line is public).
    local vnc_out="$run_dir/vnc" vnc_password
    vnc_password=$(head -c 6 /dev/urandom | base64 | tr '+/' '-_')
    (umask 077 && echo "$vnc_password" >"$run_dir/vnc-password")
    # -noipv6: with 127.0.0.1 taken, x11vnc would otherwise go on listening on [::1] alone.
    spawn x11vnc -display "$DISPLAY" -auth "$XAUTHORITY" -localhost -noipv6 -rfbport "$port" \
        -passwdfile "$run_dir/vnc-password" -forever -shared -quiet >"$vnc_out" 2>"$vnc_out.log"
    # x11vnc prints PORT=<port> once it listens.
    if ! wait_for 10 grep -q "^PORT=$port\$" "$vnc_out"; then
        echo "== The VNC server did not start on port $port (in use? MIRAVO_VNC_PORT picks another):" >&2
        tail -n 5 "$vnc_out.log" >&2
        exit 1
    fi
    cat <<TXT
== This machine has no display: MiravoDialer runs on a virtual screen ($DISPLAY) that only this machine can
   reach, through VNC on 127.0.0.1 port $port, with the password $vnc_password (made for this run). To see it:
       here:                 vncviewer localhost:$port
       from another machine: ssh -L $port:localhost:$port $(id -un)@$(hostname -f 2>/dev/null || hostname)
                             then, there: vncviewer localhost:$port
   X programs of your own reach the screen with DISPLAY=$DISPLAY XAUTHORITY=$XAUTHORITY
   Closing the main window ends the program and the virtual screen; so does Ctrl+C here.
TXT
}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    start_virtual_screen
fi

# Without a modem on COM3 (the program's default port) a virtual modem stands in, so a whole call can be placed
# without hardware; its log shows exactly what the modem received. It ends together with the program.
com3_link="${XDG_DATA_HOME:-$HOME/.local/share}/MiravoDialer/ports/COM3"
com3_has_device() {
    # A link to a line that is no device (miravo-ports set 3 modemmanager) is a modem too.
    if [ -L "$com3_link" ]; then
        case "$(readlink "$com3_link")" in modemmanager | modemmanager:* | speaker) return 0 ;; esac
    fi
    if [ -L "$com3_link" ] || [ -e "$com3_link" ]; then
        [ -e "$com3_link" ]
        return
    fi
    # The kernel lists ttyS2 even where no serial port is fitted; its type is 0 then.
    [ -e /dev/ttyS2 ] && [ "$(cat /sys/class/tty/ttyS2/type 2>/dev/null || echo 0)" != 0 ]
}
if ! com3_has_device; then
    modem_log="$here/$build_dir/virtual-modem-COM3.log"
    spawn "$build_dir/bin/miravo-virtual-modem" --port 3 --log "$modem_log" >/dev/null
    modem_pid=$!
    modem_ready() { [ -L "$com3_link" ] || ! kill -0 "$modem_pid" 2>/dev/null; }
    wait_for 5 modem_ready || true
    if [ -L "$com3_link" ]; then
        cat <<TXT
== COM3 has no modem: a virtual modem stands in and records every command the program sends.
   Follow it with:   tail -f $modem_log
TXT
    else
        echo "== COM3 has no modem, and the virtual modem did not start (its reason is above)." >&2
    fi
fi
# In the background and waited for, so that a signal to this script reaches the program too (through the exit
# trap) rather than waiting for it to end; Ctrl+C reaches the script, which then ends everything it started.
spawn "$build_dir/bin/miravodialer"
status=0
wait $! || status=$?
exit "$status"
