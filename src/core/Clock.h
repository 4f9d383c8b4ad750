// SPDX-License-Identifier: GPL-3.0-or-later
// The core's clock: elapsed time, and actions that run after a delay on the event loop. The real clock is the
// monotonic one with Qt's timers; tests install their own (setClockService) so that they decide when time passes
// and never sleep through a bound or a pause.
#pragma once

#include <QtGlobal>

#include <functional>

class QObject;

namespace miravo {

class ClockService {
public:
    ClockService() = default;
    virtual ~ClockService() = default;
    Q_DISABLE_COPY_MOVE(ClockService)

    // Elapsed time in milliseconds, from any fixed start; never goes back.
    virtual qint64 nowMs() = 0;
    // Runs `action` on the event loop once `ms` have passed, unless `context` is destroyed first.
    virtual void callAfter(qint64 ms, const QObject* context, std::function<void()> action) = 0;
};

qint64 clockNowMs();
void callAfter(qint64 ms, const QObject* context, std::function<void()> action);

// Replaces the clock; nullptr puts the real one back. The caller keeps ownership and restores the real clock
// before destroying its own.
void setClockService(ClockService* service);

} // namespace miravo
