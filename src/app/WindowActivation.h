// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing a window to the front on X11 when the request comes from another process (a second start), not from a
// user event of this one. Qt's activateWindow() stamps its request with the time of this program's last X event:
// a window manager's focus-stealing prevention, or the X server itself when there is no window manager, then
// ignores it as older than the user's latest focus change.
#pragma once

#include <QByteArray>

#include <cstdint>

struct xcb_connection_t;

namespace miravo {

// Asks the window manager to activate `window` as a pager or task bar does (a user's request it honours, and it
// also restores a minimised window); without a window manager, gives the window the input focus. `startupId` is the
// DESKTOP_STARTUP_ID the second start was given (its "_TIME<n>" part dates the user's action), or empty.
void activateX11Window(xcb_connection_t* connection, std::uint32_t window, const QByteArray& startupId);

// The X server time in a startup id ("..._TIME<n>"), or 0 (the current time) when it has none.
std::uint32_t startupIdTime(const QByteArray& startupId);

} // namespace miravo
