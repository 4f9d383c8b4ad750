// SPDX-License-Identifier: GPL-3.0-or-later
// The core's clock under the test's control (setClockService): time passes only when the test says so, and the
// delayed actions the code asked for wait until then. Installs itself for its lifetime.
#pragma once

#include "Clock.h"

#include <QList>
#include <QPointer>

namespace miravo::test {

class ManualClock final : public ClockService {
public:
    ManualClock();
    ~ManualClock() override;
    Q_DISABLE_COPY_MOVE(ManualClock)

    qint64 nowMs() override;
    void callAfter(qint64 ms, const QObject* context, std::function<void()> action) override;

    // Moves the clock on by `ms` and runs every delayed action that has come due, in order of their times.
    void advance(qint64 ms);
    // Moves the clock on by `ms` at every reading, for code that waits for a bound by looking at the clock.
    void advanceOnEveryReading(qint64 ms) { m_stepPerReading = ms; }
    // The delays of the actions still waiting, as they were asked for, oldest first.
    QList<qint64> pendingDelays() const;

private:
    struct Pending {
        qint64 dueMs;
        qint64 delayMs;
        QPointer<const QObject> context;
        bool hadContext;
        std::function<void()> action;
    };
    qint64 m_nowMs = 0;
    qint64 m_stepPerReading = 0;
    QList<Pending> m_pending;
};

} // namespace miravo::test
