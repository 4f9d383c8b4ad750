// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ManualClock.h"

#include <algorithm>

namespace miravo::test {

ManualClock::ManualClock()
{
    setClockService(this);
}

ManualClock::~ManualClock()
{
    setClockService(nullptr);
}

qint64 ManualClock::nowMs()
{
    const qint64 now = m_nowMs;
    m_nowMs += m_stepPerReading;
    return now;
}

void ManualClock::callAfter(qint64 ms, const QObject* context, std::function<void()> action)
{
    m_pending.append(Pending{m_nowMs + std::max<qint64>(ms, 0), ms, context, context != nullptr, std::move(action)});
}

void ManualClock::advance(qint64 ms)
{
    const qint64 until = m_nowMs + ms;
    for (;;) {
        // An action may ask for further ones: take the earliest due one each time round.
        const auto due = std::min_element(m_pending.begin(), m_pending.end(),
                                          [](const Pending& a, const Pending& b) { return a.dueMs < b.dueMs; });
        if (due == m_pending.end() || due->dueMs > until)
            break;
        Pending next = std::move(*due);
        m_pending.erase(due);
        m_nowMs = std::max(m_nowMs, next.dueMs);
        if (!next.hadContext || next.context)
            next.action();
    }
    m_nowMs = std::max(m_nowMs, until);
}

QList<qint64> ManualClock::pendingDelays() const
{
    QList<qint64> delays;
    for (const Pending& pending : m_pending)
        delays.append(pending.delayMs);
    return delays;
}

} // namespace miravo::test
