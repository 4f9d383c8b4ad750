// SPDX-License-Identifier: GPL-3.0-or-later
// The shape of the program's fixed windows (the main window and the keypad window): a single border that does not
// resize, no minimise or maximise box, the designed client area, centred on the screen when it opens.
#pragma once

#include <QWidget>

namespace miravo {

inline constexpr Qt::WindowFlags FixedWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// Gives the window its designed client area (in twips) and centres it on the primary screen.
void shapeFixedWindow(QWidget* window, int clientWidthTwips, int clientHeightTwips);

} // namespace miravo
