// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedWait.h"

#include <QEventLoop>
#include <QTimer>

namespace miravo::test {

ScriptedWait::ScriptedWait()
{
    setEventWaitService(this);
}

ScriptedWait::~ScriptedWait()
{
    setEventWaitService(nullptr);
}

void ScriptedWait::processEventsFor(qint64 ms, const QObject* guard)
{
    m_pauses.append(ms);
    const std::function<void()> action = m_actions.isEmpty() ? std::function<void()>() : m_actions.takeFirst();

    // The action runs from an event loop, as a user's click during a real pause does, so that what it sets off
    // (a window's deferred deletion among it) happens inside the pause as it would for real.
    QEventLoop loop;
    bool guardDied = false;
    if (guard) {
        QObject::connect(guard, &QObject::destroyed, &loop, [&] {
            guardDied = true;
            loop.quit();
        });
    }
    QTimer::singleShot(0, &loop, [&] {
        if (action)
            action();
        // Then whatever the action posted, before the pause is over.
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
    });
    loop.exec();
    if (!guardDied)
        m_now += ms;
}

} // namespace miravo::test
