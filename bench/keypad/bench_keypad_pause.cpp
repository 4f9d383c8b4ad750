// SPDX-License-Identifier: GPL-3.0-or-later
// The keypad's pause: what a wait of N seconds (default 10) costs in CPU time and how far its end lies from N,
// for the program's wait (waitProcessingEvents) and, in the same run, for the literal busy-wait loop
// "while elapsed < N: process events". The program's wait is measured twice: idle, and with a 20 ms timer
// standing for the user's clicks, whose worst lateness shows whether the program stays live during the wait.
// The busy loop runs with the same timer.
//
// Usage: bench_keypad_pause [seconds] [runs]
#include "ui/EventWait.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Figures {
    double elapsedSeconds = 0;
    double cpuSeconds = 0;
    double worstTickLateMs = 0;
    int ticks = 0;
};

Figures measure(const std::function<void()>& wait, bool ticking)
{
    Figures figures;
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(20);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        figures.worstTickLateMs = std::max(figures.worstTickLateMs, sinceTick.nsecsElapsed() / 1e6 - 20.0);
        ++figures.ticks;
        sinceTick.restart();
    });
    if (ticking)
        ticker.start();
    sinceTick.start();

    const double cpuBefore = processCpuSeconds();
    QElapsedTimer elapsed;
    elapsed.start();
    wait();
    figures.elapsedSeconds = elapsed.nsecsElapsed() / 1e9;
    figures.cpuSeconds = processCpuSeconds() - cpuBefore;
    return figures;
}

void report(const char* name, double seconds, const Figures& f)
{
    std::printf("%-22s %9.4f s %+9.3f ms %9.4f s %8.3f %% %7d %9.2f ms\n", name, f.elapsedSeconds,
                (f.elapsedSeconds - seconds) * 1e3, f.cpuSeconds, 100.0 * f.cpuSeconds / f.elapsedSeconds, f.ticks,
                f.worstTickLateMs);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;

    // A window on screen, as during a real pause.
    QWidget window;
    window.resize(208, 512);
    window.show();
    QApplication::processEvents();

    std::printf("pause of %.3f s, %d run(s) each\n", seconds, runs);
    std::printf("%-22s %11s %12s %11s %10s %7s %12s\n", "wait", "elapsed", "error", "CPU", "of a core", "ticks",
                "worst late");
    for (int run = 0; run < runs; ++run) {
        const auto programWait = [&] { miravo::waitProcessingEvents(seconds, &window); };
        const auto busyWait = [&] {
            QElapsedTimer timer;
            timer.start();
            while (timer.nsecsElapsed() < qint64(seconds * 1e9))
                QApplication::processEvents();
        };
        report("wait, idle", seconds, measure(programWait, false));
        report("wait, 20 ms ticks", seconds, measure(programWait, true));
        report("busy loop, 20 ms ticks", seconds, measure(busyWait, true));
    }
    return 0;
}
