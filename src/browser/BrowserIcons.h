// The six toolbar pictures of the browser window, in button order: the icon theme's own where the desktop has
// one, otherwise a plain drawing of our own, so that the buttons never come up blank.
#pragma once

#include <QIcon>

namespace miravo {

inline constexpr int ToolbarIconSize = 24; // pixels

// Back, Forward, Stop, Refresh, Home, Search for 0 to 5.
QIcon toolbarIcon(int index);

} // namespace miravo
