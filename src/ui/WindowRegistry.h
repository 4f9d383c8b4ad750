// Showing the program's windows: modeless, without an owner, one window of each kind. Showing a window that is
// open only brings it to the front; closing destroys it, and the next showing creates it afresh.
// The program ends when its last window has closed (Qt's quitOnLastWindowClosed).
#pragma once

#include <QPointer>
#include <QWidget>

namespace miravo {

// The one open window of kind W, or nullptr.
template <typename W>
QPointer<W>& openWindow()
{
    static QPointer<W> window;
    return window;
}

// Shows the window of kind W, creating it with `create` (which runs its load step) when none is open.
template <typename W, typename Factory>
W* showWindow(Factory&& create)
{
    QPointer<W>& slot = openWindow<W>();
    if (!slot) {
        W* window = create();
        window->setAttribute(Qt::WA_DeleteOnClose);
        slot = window;
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

template <typename W>
W* showWindow()
{
    return showWindow<W>([] { return new W(); });
}

} // namespace miravo
