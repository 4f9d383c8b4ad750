// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EventWait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace miravo {
namespace {

// The kernel lets a long sleep end late by up to 0.1% of its length (poll's timer slack, at most 100 ms): a
// 10-second timer wakes about 10 ms late. So the wait sleeps in legs: each long leg aims a little more than that
// early, and the last, short leg ends on time.
constexpr qint64 ShortLegMs = 100;

int nextLegMs(qint64 remainingMs)
{
    qint64 leg = remainingMs;
    if (remainingMs > ShortLegMs)
        leg = remainingMs - std::min<qint64>(remainingMs / 500 + ShortLegMs / 2, 100 + ShortLegMs / 2);
    return static_cast<int>(std::min<qint64>(leg, std::numeric_limits<int>::max()));
}

class RealEventWait final : public EventWaitService {
public:
    RealEventWait() { m_clock.start(); }

    qint64 nowMs() override { return m_clock.elapsed(); }

    void processEventsFor(qint64 ms, const QObject* guard) override
    {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        // A coarse timer may fire several milliseconds early; the pause is measured elapsed time.
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        if (guard)
            QObject::connect(guard, &QObject::destroyed, &loop, &QEventLoop::quit);
        timer.start(nextLegMs(ms));
        loop.exec();
    }

private:
    QElapsedTimer m_clock; // monotonic: a wait across midnight or a clock change still lasts its pause
};

EventWaitService* realService()
{
    static RealEventWait service;
    return &service;
}

EventWaitService* s_service = nullptr;

EventWaitService& service()
{
    return s_service ? *s_service : *realService();
}

} // namespace

bool waitProcessingEvents(double seconds, const QObject* guard)
{
    const QPointer<const QObject> watched(guard);
    const bool guarded = guard != nullptr;
    const auto alive = [&] { return !guarded || !watched.isNull(); };

    if (!(seconds > 0.0)) // also catches NaN
        return alive();

    // Whole milliseconds, rounded up: the wait never ends before the pause has elapsed. A pause beyond what a
    // 64-bit count of milliseconds holds is clamped.
    const double ms = std::ceil(seconds * 1000.0);
    const qint64 totalMs = ms >= 9.0e18 ? std::numeric_limits<qint64>::max() : static_cast<qint64>(ms);

    EventWaitService& clock = service();
    const qint64 start = clock.nowMs();
    const qint64 end =
        start > std::numeric_limits<qint64>::max() - totalMs ? std::numeric_limits<qint64>::max() : start + totalMs;
    for (qint64 now = start; now < end && alive(); now = clock.nowMs())
        clock.processEventsFor(end - now, guard);
    return alive();
}

void setEventWaitService(EventWaitService* service)
{
    s_service = service;
}

} // namespace miravo
