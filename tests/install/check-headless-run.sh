#!/usr/bin/env bash
# `./setup.sh run` on a machine without a display: the virtual screen is served through VNC on the loopback
# interface only, the windows have frames, and closing the main window through the window manager ends the program
# and everything setup.sh started. Run from anywhere after a build; the program gets a private home and data folder.
# Needs xdotool, xprop and ss (setup.sh installs them).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
runner=
fail() {
    echo "FAIL: $*" >&2
    echo "--- setup.sh run said:" >&2
    cat "$work/run.log" >&2 || true
    exit 1
}
cleanup() {
    # Only when a check failed half-way: the run leads a process group of its own, and everything it started is in it.
    if [ -n "$runner" ] && kill -0 "$runner" 2>/dev/null; then
        kill -TERM -- "-$runner" 2>/dev/null || true
        sleep 1
        kill -KILL -- "-$runner" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=find-window.sh
. "$repo/tests/install/find-window.sh"

port_in_use() { [ -n "$(ss -ltnH "sport = :$1")" ]; }
port=5990
while port_in_use "$port"; do port=$((port + 1)); done

echo "== ./setup.sh run without a display (VNC port $port)"
mkdir -p "$work/home"
# setsid: the run becomes a session of its own, so "everything it started" is every process in that session.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS \
    HOME="$work/home" XDG_DATA_HOME="$work/home/data" MIRAVO_VNC_PORT="$port" \
    setsid "$repo/setup.sh" run >"$work/run.log" 2>&1 &
runner=$!

for _ in $(seq 600); do
    grep -q "vncviewer localhost:$port" "$work/run.log" && break
    kill -0 "$runner" 2>/dev/null || fail "setup.sh run ended before the virtual screen was up"
    sleep 0.5
done
grep -q "vncviewer localhost:$port" "$work/run.log" || fail "setup.sh run did not say how to see the screen"
display=$(sed -n 's/.*virtual screen (\(:[0-9]*\)).*/\1/p' "$work/run.log" | head -n 1)
[ -n "$display" ] || fail "setup.sh run did not name its display"

echo "== The VNC port listens on the loopback interface only"
listening=$(ss -ltnH "sport = :$port" | awk '{print $4}')
[ -n "$listening" ] || fail "nothing listens on port $port"
echo "$listening" | sed 's/^/   /'
while read -r address; do
    case $address in
    "127.0.0.1:$port" | "[::1]:$port") ;;
    *) fail "port $port listens on $address" ;;
    esac
done <<<"$listening"
exec 3<>"/dev/tcp/127.0.0.1/$port" || fail "127.0.0.1:$port refuses a connection"
read -r -t 5 greeting <&3 || true
exec 3<&-
[[ ${greeting:-} == RFB* ]] || fail "127.0.0.1:$port does not speak VNC (said '${greeting:-}')"
echo "   127.0.0.1:$port accepts: ${greeting%$'\r'}"
others=$(hostname -I 2>/dev/null || true)
for address in $others; do
    [[ $address == *:* ]] && target="[$address]" || target=$address
    if timeout 5 bash -c "exec 3<>/dev/tcp/$address/$port" 2>/dev/null; then
        fail "$target:$port accepts a connection"
    fi
    echo "   $target:$port refuses"
done
[ -n "$others" ] || echo "   (this machine has no other address to try)"

echo "== The main window has a frame and closes through the window manager"
export DISPLAY=$display
main=$(find_window '^Miravo$' 60) || true
[ -n "$main" ] || fail "the main window did not show on $display"
# _NET_FRAME_EXTENTS: left, right, top, bottom of the frame the window manager put around the window.
extents=$(timeout 10 bash -c "until xprop -id $main _NET_FRAME_EXTENTS | grep -q =; do sleep 0.2; done; \
    xprop -id $main _NET_FRAME_EXTENTS" | sed 's/.*= //') || true
top=$(echo "$extents" | cut -d, -f3 | tr -d ' ')
[ -n "$top" ] && [ "$top" -gt 0 ] || fail "the main window has no title bar (frame: '$extents')"
echo "   frame: $extents"
# Alt+F4 is the window manager's own key for closing the active window: it asks the program to close it. The key
# goes to whichever window has the focus, so it is pressed again (at most three times) should the window manager
# not have given the main window the focus yet.
status=
for presses in 1 2 3; do
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    # The program, and with it the X server, may be gone before xdotool has let go of its connection.
    xdotool key --clearmodifiers alt+F4 2>/dev/null || true
    for _ in $(seq 20); do
        if ! kill -0 "$runner" 2>/dev/null; then
            status=0
            wait "$runner" || status=$?
            break 2
        fi
        sleep 0.5
    done
done
[ -n "$status" ] || fail "setup.sh run is still running 30 s after Alt+F4 on the main window"
[ "$status" -eq 0 ] || fail "setup.sh run ended with status $status"
left=$(ps -o pid=,args= -s "$runner" || true)
[ -z "$left" ] || fail "still running after setup.sh ended: $left"
port_in_use "$port" && fail "port $port still listens"
runner=
echo "   Alt+F4 pressed $presses time(s); setup.sh run ended (status 0) and left nothing running; port $port is closed"
echo "== The headless run exposes nothing"
