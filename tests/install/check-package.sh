#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, as a packager and a person meet it: `cpack -G DEB` in the build folder, lintian without errors
# or warnings (nor hardening tags), `apt-get install ./<package>`, then the program installed under /usr checked
# like an installed tree (check-installed-program.sh) and started once more on Qt's offscreen platform, as from the
# menu: no database yet, and it must keep running. Last, `apt-get purge` leaves none of the package's files behind.
#   check-package.sh BUILD_DIR
# Installs into the system: meant for CI's throw-away machine (root). Everything it needs is already installed by
# setup.sh, so apt-get needs no network.
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 BUILD_DIR" >&2; exit 2; }
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

echo "== Building the package"
(cd "$build" && cpack -G DEB >cpack.log) || { cat "$build/cpack.log" >&2; exit 1; }
packages=("$build"/miravodialer_*.deb)
[ ${#packages[@]} -eq 1 ] && [ -f "${packages[0]}" ] || { echo "FAIL: expected one package in $build" >&2; exit 1; }
package=${packages[0]}
dpkg-deb --field "$package" Package Version Depends Recommends

echo "== lintian"
# Everything down to the informational tags is listed; errors and warnings fail (lintian's own exit status), and so
# do the informational hardening tags: the package is built with Debian's hardening flags.
status=0
lintian --fail-on error,warning --info --display-level '>=info' --tag-display-limit 0 "$package" \
    >"$build/lintian.log" 2>&1 || status=$?
cat "$build/lintian.log"
[ "$status" -eq 0 ] || { echo "FAIL: lintian finds errors or warnings in $package (status $status)" >&2; exit 1; }
if grep ': hardening-' "$build/lintian.log" >/dev/null; then
    echo "FAIL: lintian finds binaries built without the hardening flags" >&2
    exit 1
fi
echo "   no errors, no warnings"

echo "== Installing it with apt-get"
# --reinstall: a package of the same version left installed by an earlier run would otherwise stay as it is, and the
# checks below would test that one.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends --reinstall "$package" >/dev/null
dpkg-query -W -f='${Package} ${Version} ${Status}\n' miravodialer

"$here/check-installed-program.sh" "$build/bin/miravo-serve-product-page" --prefix /usr

echo "== /usr/bin/miravodialer on the offscreen platform, with no database yet"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
status=0
HOME="$work" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
    timeout 5 /usr/bin/miravodialer >"$work/program.log" 2>&1 || status=$?
# timeout's 124: the program was still running after 5 s, as it should be.
if [ "$status" -ne 124 ]; then
    echo "FAIL: /usr/bin/miravodialer ended by itself (status $status):" >&2
    cat "$work/program.log" >&2
    exit 1
fi
echo "   still running after 5 s"

echo "== apt-get purge"
dpkg -L miravodialer >"$work/files"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq miravodialer >/dev/null
if dpkg-query -W -f='${Status}' miravodialer 2>/dev/null | grep -q installed; then
    echo "FAIL: miravodialer is still installed after the purge" >&2
    exit 1
fi
# Folders shared with other packages (/usr/bin, /usr/share/man/man1, ...) stay; none of the package's own may.
left=()
while IFS= read -r path; do
    if [ -d "$path" ] && [ ! -L "$path" ]; then
        [ -n "$(dpkg -S "$path" 2>/dev/null)" ] || left+=("$path")
    elif [ -e "$path" ] || [ -L "$path" ]; then
        left+=("$path")
    fi
done <"$work/files"
if [ ${#left[@]} -gt 0 ]; then
    echo "FAIL: the purge left: ${left[*]}" >&2
    exit 1
fi
echo "   nothing of the package is left"
echo "== The package installs a working program, and leaves nothing behind"
