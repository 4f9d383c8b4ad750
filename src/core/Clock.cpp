// SPDX-License-Identifier: GPL-3.0-or-later
#include "Clock.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace miravo {
namespace {

class RealClock final : public ClockService {
public:
    RealClock() { m_elapsed.start(); }

    qint64 nowMs() override { return m_elapsed.elapsed(); }

    void callAfter(qint64 ms, const QObject* context, std::function<void()> action) override
    {
        QTimer::singleShot(std::chrono::milliseconds(std::max<qint64>(ms, 0)), Qt::PreciseTimer, context,
                           std::move(action));
    }

private:
    QElapsedTimer m_elapsed;
};

ClockService*& installedClock()
{
    static ClockService* service = nullptr;
    return service;
}

ClockService& clock()
{
    if (ClockService* service = installedClock())
        return *service;
    static RealClock real;
    return real;
}

} // namespace

qint64 clockNowMs()
{
    return clock().nowMs();
}

void callAfter(qint64 ms, const QObject* context, std::function<void()> action)
{
    clock().callAfter(ms, context, std::move(action));
}

void setClockService(ClockService* service)
{
    installedClock() = service;
}

} // namespace miravo
