#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# callgrind_startup.sh [BIN_DIR]
# Instruction counts of the two starts bench_startup times on an X server: the program (BIN_DIR/miravodialer) and
# the window of the same size with one line of text (bench_startup --child text --stay), each run under
# valgrind --tool=callgrind on the X server of DISPLAY (run it through tests/support/with-xvfb.sh). Counts are taken
# from the spawn until the window is mapped: once xdotool sees the process's window viewable, callgrind is told to
# dump its counts and the process is killed; nothing in either program is changed for this. Unlike wall time the
# counts hardly vary between runs on a busy machine. Prints both totals and their ratio; the dumps stay in OUT_DIR
# (default: a temporary folder) for callgrind_annotate.
set -euo pipefail

bin=${1:-build/bin}
out=${OUT_DIR:-$(mktemp -d)}
mkdir -p "$out"
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
"$bin/bench_startup" --fill "$data"

# count NAME COMMAND...: runs COMMAND under callgrind until its window is mapped; prints the instructions.
count() {
    local name=$1
    shift
    rm -f "$out/$name".*
    XDG_DATA_HOME=$data valgrind --tool=callgrind --callgrind-out-file="$out/$name.%p" "$@" 2>"$out/$name.log" &
    local pid=$!
    # Valgrind runs the program in its own process, so the window's _NET_WM_PID is this one.
    until xdotool search --onlyvisible --pid "$pid" >/dev/null; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "$name ended before its window was mapped; see $out/$name.log" >&2
            exit 1
        fi
        sleep 0.05
    done
    callgrind_control -d "$pid" >/dev/null 2>&1
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    local dump
    dump=$(ls "$out/$name".*.1)
    awk '/^summary:|^totals:/ { print $2; exit }' "$dump"
}

text=$(count text "$bin/bench_startup" --child text --stay)
program=$(count program "$bin/miravodialer")
printf 'instructions to the mapped window (callgrind Ir)\nwindow with one line of text: %12d\nthe program (lists filled):   %12d\nprogram / text window:        %12.3f\ndumps in %s\n' \
    "$text" "$program" "$(echo "$program / $text" | bc -l)" "$out"
