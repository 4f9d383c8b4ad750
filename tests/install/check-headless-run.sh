#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `./setup.sh run` on a machine without a display: the virtual screen is served through VNC on the loopback
# interface only, and only to the user who started the run (the X display wants the run's Xauthority key, the VNC
# server a password); the windows have frames, and closing the main window through the window manager ends the
# program and everything setup.sh started. A VNC port that is taken stops the run with "port in use", and killing
# setup.sh outright (SIGKILL) still ends everything it started. Run from anywhere after a build; the program gets a
# private home and data folder. Run as root (as CI does), it also tries the display as another account, made here
# with useradd. Needs xdotool, xprop, xdpyinfo, ss and python3 (setup.sh installs them).
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
listener=
cleanup() {
    # Only when a check failed half-way: the run leads a process group of its own, and everything it started is in it.
    if [ -n "$runner" ] && kill -0 "$runner" 2>/dev/null; then
        kill -TERM -- "-$runner" 2>/dev/null || true
        sleep 1
        kill -KILL -- "-$runner" 2>/dev/null || true
    fi
    [ -z "$listener" ] || kill "$listener" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=find-window.sh
. "$repo/tests/install/find-window.sh"

port_in_use() { [ -n "$(ss -ltnH "sport = :$1")" ]; }
port=5990
while port_in_use "$port"; do port=$((port + 1)); done

mkdir -p "$work/home"
# start_run <VNC port>: ./setup.sh run without a display, in the background (its pid in runner, its output in
# run.log). setsid: the run becomes a session of its own, so "everything it started" is every process in that
# session.
start_run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR -u DBUS_SESSION_BUS_ADDRESS \
        -u XAUTHORITY HOME="$work/home" XDG_DATA_HOME="$work/home/data" MIRAVO_VNC_PORT="$1" \
        setsid "$repo/setup.sh" run >"$work/run.log" 2>&1 &
    runner=$!
}
# wait_until_up <VNC port>: until the run says how to see its screen; sets display and xauthority.
wait_until_up() {
    for _ in $(seq 600); do
        grep -q "vncviewer localhost:$1" "$work/run.log" && break
        kill -0 "$runner" 2>/dev/null || fail "setup.sh run ended before the virtual screen was up"
        sleep 0.5
    done
    grep -q "vncviewer localhost:$1" "$work/run.log" || fail "setup.sh run did not say how to see the screen"
    display=$(sed -n 's/.*virtual screen (\(:[0-9]*\)).*/\1/p' "$work/run.log" | head -n 1)
    [ -n "$display" ] || fail "setup.sh run did not name its display"
    xauthority=$(sed -n 's/.* XAUTHORITY=\([^ ]*\).*/\1/p' "$work/run.log" | head -n 1)
    [ -n "$xauthority" ] || fail "setup.sh run did not say where the display's key is"
}

echo "== ./setup.sh run without a display (VNC port $port)"
start_run "$port"
wait_until_up "$port"

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

echo "== The VNC server asks for a password"
grep -q "with the password [^ ]" "$work/run.log" || fail "setup.sh run did not say the VNC password"
# The RFB handshake up to the server's list of security types: 1 is None (no password), 2 is VNC authentication.
types=$(python3 - "$port" <<'PY'
import socket, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=10)
def read(n):
    data = b""
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk:
            break
        data += chunk
    return data
read(12)
s.sendall(b"RFB 003.008\n")
count = read(1)
print(" ".join(str(t) for t in read(count[0])) if count else "none")
PY
) || fail "the VNC handshake on port $port failed"
echo "   security types offered: $types"
case " $types " in
*" 1 "*) fail "the VNC server lets anyone in without a password (security type None)" ;;
*" 2 "*) ;;
*) fail "the VNC server offers no password authentication (types: $types)" ;;
esac

echo "== Only the user who started the run reaches its X display"
DISPLAY=$display XAUTHORITY=$xauthority xdpyinfo >/dev/null 2>&1 || fail "the display refuses its own key"
echo "   with the run's key ($xauthority): admitted"
if DISPLAY=$display XAUTHORITY=/nonexistent xdpyinfo >/dev/null 2>&1; then
    fail "the display $display admits a client without its key"
fi
echo "   without the key: refused"
if [ "$(id -u)" -eq 0 ]; then
    other=miravo-check-other
    id "$other" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$other"
    if runuser -u "$other" -- env DISPLAY="$display" xdpyinfo >/dev/null 2>&1; then
        fail "another account ($other) reaches the display $display"
    fi
    if runuser -u "$other" -- cat "$xauthority" >/dev/null 2>&1; then
        fail "another account ($other) can read the display's key $xauthority"
    fi
    echo "   as another account ($other): the display refuses it, and it cannot read the key"
else
    echo "   (not root: no other account to try the display as)"
fi

echo "== The main window has a frame and closes through the window manager"
export DISPLAY=$display XAUTHORITY=$xauthority
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

echo "== A VNC port that another program holds stops the run"
python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(1); time.sleep(600)' "$port" &
listener=$!
for _ in $(seq 50); do port_in_use "$port" && break; sleep 0.1; done
port_in_use "$port" || fail "the stand-in for another program did not listen on port $port"
start_run "$port"
status=
for _ in $(seq 600); do
    if ! kill -0 "$runner" 2>/dev/null; then
        status=0
        wait "$runner" || status=$?
        break
    fi
    sleep 0.5
done
[ -n "$status" ] || fail "setup.sh run went on with port $port taken"
[ "$status" -ne 0 ] || fail "setup.sh run ended with status 0 although port $port was taken"
grep -q "port in use" "$work/run.log" || fail "setup.sh run did not say that port $port is in use"
grep -q "vncviewer localhost:$port" "$work/run.log" && fail "setup.sh run told the user to connect to port $port"
left=$(ps -o pid=,args= -s "$runner" || true)
[ -z "$left" ] || fail "still running after setup.sh stopped: $left"
runner=
kill "$listener" 2>/dev/null || true
wait "$listener" 2>/dev/null || true
listener=
echo "   setup.sh run stopped (status $status): $(grep -m 1 "port in use" "$work/run.log" | sed 's/^== //')"

echo "== Killing setup.sh outright (SIGKILL) ends everything it started"
start_run "$port"
wait_until_up "$port"
main=$(DISPLAY=$display XAUTHORITY=$xauthority find_window '^Miravo$' 60) || true
[ -n "$main" ] || fail "the main window did not show on $display"
com3_link="$work/home/data/MiravoDialer/ports/COM3"
[ -L "$com3_link" ] || fail "no virtual modem linked as COM3"
started=$(ps -o pid=,comm= -s "$runner" | grep -v " setup.sh$" || true)
echo "$started" | sed 's/^ */   running: /'
kill -KILL "$runner"
# The braces also silence bash's own "Killed" notice about the job.
{ wait "$runner"; } 2>/dev/null || true
left=
for _ in $(seq 100); do
    left=$(ps -o pid=,args= -s "$runner" || true)
    [ -z "$left" ] && break
    sleep 0.2
done
[ -z "$left" ] || fail "still running 20 s after setup.sh was killed: $left"
port_in_use "$port" && fail "port $port still listens after setup.sh was killed"
[ -L "$com3_link" ] && fail "the virtual modem's link $com3_link is left behind"
runner=
echo "   everything ended; port $port is closed and the virtual modem took its link away"
echo "== The headless run exposes nothing"
