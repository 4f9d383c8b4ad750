#!/usr/bin/env bash
# The Debian package, as a person installs it: `cpack -G DEB` in the build folder, `apt-get install ./<package>`,
# then the program installed under /usr checked like an installed tree (check-installed-program.sh) and started
# once more on Qt's offscreen platform, as from the menu: no database yet, and it must keep running.
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
dpkg-deb --field "$package" Package Version Depends

echo "== Installing it with apt-get"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$package" >/dev/null
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
echo "== The package installs a working program"
