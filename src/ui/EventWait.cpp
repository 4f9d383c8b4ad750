#include "ui/EventWait.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <cmath>
#include <limits>

namespace miravo {

bool waitProcessingEvents(double seconds, const QObject* guard) {
    const QPointer<const QObject> watched(guard);
    const bool guarded = guard != nullptr;
    const auto alive = [&] { return !guarded || !watched.isNull(); };

    if (!(seconds > 0.0)) // also catches NaN
        return alive();

    // QTimer takes whole milliseconds in an int; a pause beyond that (about 24 days) is clamped.
    const double ms = std::ceil(seconds * 1000.0);
    const int interval = ms >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(ms);

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may fire several milliseconds early; the pause is measured elapsed time.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (guarded)
        QObject::connect(guard, &QObject::destroyed, &loop, &QEventLoop::quit);
    timer.start(interval);
    loop.exec();
    return alive();
}

} // namespace miravo
