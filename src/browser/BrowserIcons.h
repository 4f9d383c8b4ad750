// SPDX-License-Identifier: GPL-3.0-or-later
// The six toolbar pictures of the browser window, in button order: the icon theme's own where the desktop has
// one, otherwise a plain drawing of our own in the palette's colours, so that the buttons never come up blank.
#pragma once

#include <QIcon>
#include <QPalette>

namespace miravo {

inline constexpr int ToolbarIconSize = 24; // pixels

// Back, Forward, Stop, Refresh, Home, Search for 0 to 5. The drawings use the colours of `palette`.
QIcon toolbarIcon(int index, const QPalette& palette);

} // namespace miravo
