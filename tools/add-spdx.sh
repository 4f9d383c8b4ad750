#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file of ours carries the licence's SPDX line in its first lines. This adds it where it is missing
# (after a script's #! line, otherwise first) and leaves files that have it alone, so it can run again after any
# merge. With --check it changes nothing and lists the files without the line, failing when there are any.
#   tools/add-spdx.sh [--check]
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
licence="SPDX-License-Identifier: GPL-3.0-or-later"
check=0
case ${1:-} in
"") ;;
--check) check=1 ;;
*)
    echo "usage: $0 [--check]" >&2
    exit 2
    ;;
esac

# The files the repository holds; without git (an unpacked source archive), the same found on disk.
list_files() {
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files --cached --others --exclude-standard
    else
        find . \( -name .git -o -name 'build*' \) -prune -o -type f -print | sed 's|^\./||'
    fi
}

# The comment that starts the line in this kind of file; nothing for files that are not source.
comment_for() {
    case $1 in
    *.cpp | *.h) echo "//" ;;
    *.sh | *.py | *.cmake | */CMakeLists.txt | CMakeLists.txt | setup.sh | .ci/run) echo "#" ;;
    man/*.1) echo '.\"' ;;
    esac
}

missing=0
while IFS= read -r file; do
    [ -f "$file" ] || continue
    comment=$(comment_for "$file")
    [ -n "$comment" ] || continue
    head -n 5 "$file" | grep -qF "$licence" && continue
    if [ "$check" = 1 ]; then
        echo "no SPDX line: $file" >&2
        missing=$((missing + 1))
        continue
    fi
    # Written in place (not moved over), so that the file keeps its mode and owner.
    content=$(cat "$file"; echo x)
    content=${content%x}
    {
        if [[ $content == '#!'* ]]; then
            printf '%s\n' "${content%%$'\n'*}"
            content=${content#*$'\n'}
        fi
        printf '%s %s\n' "$comment" "$licence"
        printf '%s' "$content"
    } >"$file"
    echo "added: $file"
done < <(list_files)

if [ "$check" = 1 ] && [ "$missing" -gt 0 ]; then
    echo "$missing file(s) without \"$licence\" (tools/add-spdx.sh adds it)" >&2
    exit 1
fi
exit 0
