#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks an installed MiravoDialer as a person would meet it: the files are where a desktop looks for them, the
# desktop entry and the AppStream metadata validate (pedantic: no warnings), `man` finds a page for every installed
# program, the programs answer --help/--version without a display and the program says in one line that it has
# none, the program starts with a database made by the installed tool, shows its main window, and "Products" opens
# the browser window on the product page with the browser module loaded from the program's own installed library
# folder, with nothing printed on the terminal; a second start brings the first one's main window to the front and
# ends, leaving one program.
#
#   check-installed-program.sh SERVER --build BUILD_DIR   install BUILD_DIR into a temporary DESTDIR and check that
#   check-installed-program.sh SERVER --prefix PREFIX     check what is installed under PREFIX (/usr: the package)
#
# SERVER is miravo-serve-product-page. The program runs on its own X server (Xvfb) with a private home, data and
# runtime folder; its browser reaches the product page through SERVER as its HTTP proxy, so no network is needed.
# Needs Xvfb, xdotool, xprop, desktop-file-validate, appstreamcli and man.
set -euo pipefail

app_id=org.miravodialer.MiravoDialer
product_title="MiravoDialer products"

fail() {
    echo "FAIL: $*" >&2
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 30 "$log"; } >&2
    done
    exit 1
}

# shellcheck source=find-window.sh
. "$(dirname "${BASH_SOURCE[0]}")/find-window.sh"

[ $# -eq 3 ] || { echo "usage: $0 SERVER --build BUILD_DIR | SERVER --prefix PREFIX" >&2; exit 2; }
server=$1
work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

case $2 in
--build)
    DESTDIR="$work/root" cmake --install "$3" >"$work/install.log" || fail "cmake --install failed"
    prefix_in_build=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$3/CMakeCache.txt")
    prefix="$work/root$prefix_in_build"
    # Every program the install placed, whatever its name.
    programs=$(sed -n 's|^.*/bin/\([^/]*\)$|\1|p' "$3/install_manifest.txt")
    ;;
--prefix)
    prefix=$3
    # Every program the package placed.
    programs=$(dpkg -L miravodialer | sed -n "s|^$prefix/bin/\\([^/]*\\)\$|\\1|p")
    ;;
*) fail "unknown option $2" ;;
esac
[ -n "$programs" ] || fail "found no installed programs"

echo "== Installed files under $prefix"
for file in bin/miravodialer bin/miravo-create-database bin/miravo-virtual-modem bin/miravo-ports \
    share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$app_id.svg share/icons/hicolor/48x48/apps/$app_id.png \
    share/icons/hicolor/256x256/apps/$app_id.png; do
    [ -f "$prefix/$file" ] || fail "$prefix/$file is not installed"
done
modules=("$prefix"/lib*/miravodialer/libmiravo_browser.so "$prefix"/lib/*/miravodialer/libmiravo_browser.so)
module=
for candidate in "${modules[@]}"; do [ -f "$candidate" ] && module=$candidate; done
[ -n "$module" ] || fail "the browser module is not in a miravodialer folder under $prefix/lib"
echo "   browser module: $module"
# The speaker line loads its module from the same folder.
[ -f "$(dirname "$module")/libmiravo_speaker.so" ] || fail "the speaker module is not beside the browser module"

echo "== Validating the desktop entry and the AppStream metadata"
desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app_id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"
# Errors fail above; warnings and infos are listed as "W:" and "I:" lines.
! grep -E '^[WI]: ' "$work/appstream.log" || fail "appstreamcli validate --pedantic warns"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$prefix/share/metainfo/$app_id.metainfo.xml" ||
    fail "the AppStream metadata names no licence"
grep -qx "Exec=miravodialer" "$prefix/share/applications/$app_id.desktop" || fail "the entry does not start miravodialer"
grep -qx "Icon=$app_id" "$prefix/share/applications/$app_id.desktop" || fail "the entry does not name the icon"

echo "== Manual pages"
for program in $programs; do
    page=$(MANPATH="$prefix/share/man" man -w "$program" 2>/dev/null) || fail "man -w $program finds no page"
    [[ $page == "$prefix/share/man/man1/$program.1"* ]] || fail "man -w $program found $page, not the installed one"
    echo "   $program: $page"
done

echo "== The command line without a display"
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
for program in $programs; do
    for option in --help --version; do
        status=0
        "${no_display[@]}" "$prefix/bin/$program" "$option" >"$work/answer.out" 2>"$work/answer.err" || status=$?
        [ "$status" -eq 0 ] || fail "$program $option ended with $status: $(cat "$work/answer.err")"
        [ -s "$work/answer.out" ] && [ ! -s "$work/answer.err" ] ||
            fail "$program $option did not answer on standard output alone"
    done
    grep -Eqx "$program [0-9]+(\.[0-9]+)+" "$work/answer.out" || fail "$program --version said: $(cat "$work/answer.out")"
    status=0
    "${no_display[@]}" "$prefix/bin/$program" --no-such-option >/dev/null 2>&1 || status=$?
    [ "$program" = miravodialer ] || [ "$status" -eq 2 ] || fail "$program: a usage error ended with $status, not 2"
done
status=0
"${no_display[@]}" "$prefix/bin/miravodialer" >"$work/answer.out" 2>"$work/answer.err" || status=$?
[ "$status" -eq 1 ] || fail "without a display miravodialer ended with $status, not 1"
[ ! -s "$work/answer.out" ] && [ "$(wc -l <"$work/answer.err")" -eq 1 ] ||
    fail "without a display miravodialer said more than one line: $(cat "$work/answer.out" "$work/answer.err")"
echo "   --help, --version; without a display: $(cat "$work/answer.err")"

echo "== Starting the installed program"
export HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config"
export XDG_CACHE_HOME="$work/home/cache" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
"$prefix/bin/miravo-create-database" --samples >"$work/create-database.log" 2>&1 || fail "miravo-create-database"
[ -f "$XDG_DATA_HOME/MiravoDialer/PCData.mdb" ] || fail "the installed tool made no database"
"$prefix/bin/miravo-ports" set 3 modemmanager >"$work/ports.log" 2>&1 || fail "miravo-ports set"
[ "$(readlink "$XDG_DATA_HOME/MiravoDialer/ports/COM3")" = modemmanager ] || fail "the installed miravo-ports mapped no COM3"
"$prefix/bin/miravo-ports" unset 3 >>"$work/ports.log" 2>&1 || fail "miravo-ports unset"

# -displayfd: the server picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -noreset -nolisten tcp -dpi 96 -screen 0 1280x1024x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q . "$work/display" 2>/dev/null && break; sleep 0.1; done
grep -q . "$work/display" || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

"$server" "$product_title" >"$work/server.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q . "$work/server.log" 2>/dev/null && break; sleep 0.1; done
port=$(head -n 1 "$work/server.log")
[[ $port =~ ^[0-9]+$ ]] || fail "the page server did not start"

# The engine's sandbox cannot run as root (CI runs as root).
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS="--proxy-server=http://127.0.0.1:$port" \
    "$prefix/bin/miravodialer" >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")

main=$(find_window '^Miravo$' 60) || true
[ -n "$main" ] || fail "the main window did not show"
# The taskbar and the window switcher show the window's own icon.
# (Read whole first: grep -q would stop reading early, and pipefail would count the writer's broken pipe.)
icons=$(xprop -id "$main" _NET_WM_ICON | grep "^.*Icon (" || true)
grep -q "Icon (48 x 48)" <<<"$icons" || fail "the main window has no 48 px icon (it has: ${icons:-none})"
echo "   main window shown, with its icon"

# "Products" lies at 225,238 (100 x 22) in the main window: its designed place (frmMiravoCall.cpp, in twips).
xdotool mousemove --window "$main" 275 249 click 1
browser=$(find_window "^$product_title\$" 60) || true
kill -0 "$program" 2>/dev/null || fail "the program ended"
[ -n "$browser" ] || fail "\"Products\" did not show the product page (no window titled \"$product_title\")"
grep -q "requested /products/miravodialer_rqt.htm" "$work/server.log" || fail "the page server saw no request"
loaded=$(grep -o '/[^ ]*/libmiravo_browser\.so' "/proc/$program/maps" | sort -u)
[ "$loaded" = "$(realpath "$module")" ] || fail "the browser module came from '$loaded', not from $module"
echo "   \"Products\" showed \"$product_title\" with the module from $loaded"

# A second start, as from the menu again, while the browser window has the focus: it hands over and ends, and the
# main window of the first has the focus.
xdotool windowfocus --sync "$browser" 2>/dev/null || true
[ "$(xdotool getwindowfocus)" = "$browser" ] || fail "could not give the browser window the focus"
"$prefix/bin/miravodialer" >"$work/second.log" 2>&1 &
second=$!
pids+=("$second")
for _ in $(seq 300); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "the second start is still running: two programs"
status=0
wait "$second" || status=$?
[ "$status" -eq 0 ] || fail "the second start ended with $status: $(cat "$work/second.log")"
[ ! -s "$work/second.log" ] || fail "the second start printed: $(cat "$work/second.log")"
kill -0 "$program" 2>/dev/null || fail "the first program ended"
for _ in $(seq 100); do [ "$(xdotool getwindowfocus)" = "$main" ] && break; sleep 0.1; done
[ "$(xdotool getwindowfocus)" = "$main" ] || fail "the second start did not bring the main window to the front"
echo "   the second start ended (status 0) and the first one's main window has the focus"

# A normal run is quiet: the first "Products" used to print the engine's whole start-up report.
[ ! -s "$work/program.log" ] || fail "the program printed on the terminal: $(head -n 30 "$work/program.log")"
echo "   nothing printed on the terminal"
echo "== The installed program works"
