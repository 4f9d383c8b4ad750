// SPDX-License-Identifier: GPL-3.0-or-later
// A clock and event processing for tests: no pause is slept through. Each pause the program waits runs, inside
// an event loop of its own as the real wait does, what the test scripted for it (a click on END, CLOSE, SEND,
// the main window closing), and then the clock jumps to the pause's end. A pause whose guard dies meanwhile ends
// at once, and the clock stays where it was.
// Installed for its lifetime; the real wait comes back when it is destroyed.
#pragma once

#include "ui/EventWait.h"

#include <QList>

#include <functional>

namespace miravo::test {

class ScriptedWait final : public EventWaitService {
public:
    ScriptedWait();
    ~ScriptedWait() override;
    Q_DISABLE_COPY_MOVE(ScriptedWait)

    // What the user does during the next pause that has no action yet; one action per pause, in order.
    void duringNextPause(std::function<void()> action) { m_actions.append(std::move(action)); }

    // Each pause asked for, in whole milliseconds, in the order the waits began.
    const QList<qint64>& pauses() const { return m_pauses; }
    // The milliseconds the clock has moved on since the service was installed.
    qint64 elapsedMs() const { return m_now; }

    qint64 nowMs() override { return m_now; }
    void processEventsFor(qint64 ms, const QObject* guard) override;

private:
    QList<std::function<void()>> m_actions;
    QList<qint64> m_pauses;
    qint64 m_now = 0;
};

} // namespace miravo::test
