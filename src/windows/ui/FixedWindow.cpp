// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FixedWindow.h"

#include "ui/Twips.h"

#include <QGuiApplication>
#include <QScreen>

namespace miravo {

void shapeFixedWindow(QWidget* window, int clientWidthTwips, int clientHeightTwips)
{
    window->setFixedSize(twipsToPixels(clientWidthTwips), twipsToPixels(clientHeightTwips));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->rect();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace miravo
