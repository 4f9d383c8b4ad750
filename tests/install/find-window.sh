# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the install checks.
# find_window <title regex> <seconds>: the id of a shown window with that title, once there is one. xdotool's own
# --sync gives up with an X error when some other window vanishes while it looks, so look again until the time is up.
find_window() {
    local id tenths=$(($2 * 10))
    for ((t = 0; t < tenths; t++)); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
