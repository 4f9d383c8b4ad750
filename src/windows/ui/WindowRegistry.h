// SPDX-License-Identifier: GPL-3.0-or-later
// Showing the program's windows: modeless, without an owner, one window of each kind. Showing a window that is
// open only brings it to the front; closing destroys it, and the next showing creates it afresh.
// The program ends when its last window has closed (Qt's quitOnLastWindowClosed).
#pragma once

#include <QPointer>
#include <QWidget>

#include <utility>

namespace miravo {

// The one open window of kind W, or nullptr.
template <typename W>
QPointer<W>& openWindow()
{
    static QPointer<W> window;
    return window;
}

// Shows the window held in `open`, creating it with `create` (which runs its load step) when none is open.
// A `create` that returns nullptr shows nothing and returns nullptr; the next showing tries again.
template <typename W, typename Factory>
W* showWindowIn(QPointer<W>& open, Factory&& create)
{
    if (!open) {
        W* window = create();
        if (!window)
            return nullptr;
        window->setAttribute(Qt::WA_DeleteOnClose);
        open = window;
    }
    open->show();
    open->raise();
    open->activateWindow();
    return open.data();
}

// Shows the window of kind W, creating it with `create` (which runs its load step) when none is open.
template <typename W, typename Factory>
W* showWindow(Factory&& create)
{
    return showWindowIn(openWindow<W>(), std::forward<Factory>(create));
}

template <typename W>
W* showWindow()
{
    return showWindow<W>([] { return new W(); });
}

} // namespace miravo
