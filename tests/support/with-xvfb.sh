#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# with-xvfb.sh COMMAND [ARGS...]
# Runs COMMAND against a private X server (Xvfb) on Qt's xcb platform, for the tests that need a real display:
# window mapping, focus, what the process loads on a desktop. The server picks a free display number itself
# (-displayfd), so tests running side by side never collide, and -noreset keeps it from resetting between clients.
# The exit status is COMMAND's; the server is stopped in every case.
set -euo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi
if ! command -v Xvfb >/dev/null; then
    echo "with-xvfb.sh: Xvfb is not installed (Debian package xvfb)" >&2
    exit 1
fi

display_file=$(mktemp)
xvfb_pid=
child_pid=
cleanup() {
    for pid in $child_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -f "$display_file"
}
trap cleanup EXIT
# ctest ends a test that runs over its time with a signal: the server must go with it.
trap 'exit 143' INT TERM

# Xvfb writes the display number to file descriptor 3 once it accepts clients.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "with-xvfb.sh: Xvfb did not start" >&2
        exit 1
    fi
    sleep 0.05
done
if [ ! -s "$display_file" ]; then
    echo "with-xvfb.sh: Xvfb gave no display number within 5 s" >&2
    exit 1
fi

export DISPLAY=":$(head -n 1 "$display_file")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# In the background, so that a signal reaches the trap above while the command runs.
"$@" &
child_pid=$!
status=0
wait "$child_pid" || status=$?
child_pid=
exit "$status"
