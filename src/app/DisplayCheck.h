// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the program has a display to open its windows on. Qt ends the process with an abort (exit 134 and
// several lines) when its platform cannot connect; the program checks first and says why in one line.
#pragma once

#include <QString>

namespace miravo {

// Empty when a window can open here; otherwise one line saying why not, without a line end. Reads QT_QPA_PLATFORM,
// WAYLAND_DISPLAY, XDG_RUNTIME_DIR and DISPLAY, and connects to the X server or Wayland compositor they name.
QString displayProblem();

} // namespace miravo
