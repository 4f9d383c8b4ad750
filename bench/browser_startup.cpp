// SPDX-License-Identifier: GPL-3.0-or-later
// What the browser costs a start of the program that never opens it. The main window (lists filled, 100 companies
// and 100 clients) starts in three ways, each start a process of its own, interleaved:
//   - as shipped: the browser is a module next to the program, loaded only when "Products" is pressed;
//   - linked: the same program with the browser window's code and the browser engine linked in;
//   - without the browser: the shipped build, which once asked for shared OpenGL contexts at start for the
//     browser and was run here without that; it now does nothing for the browser at start, so this way is the
//     shipped one again, kept as a check that the two stay alike.
// Measured: from the process start until the main window is exposed (the process then ends), and the process's
// peak resident memory at that moment.
//   bench_browser_startup [runs]       runs all three and prints the medians and their ratios
//   <either build> --child [--bare]    one start (used by the above); prints the peak resident memory in KiB
#include "PhoneCardSchema.h"
#include "StartupDatabase.h"
#include "data/PhoneCardDatabase.h"
#include "dialer/frmMiravoCall.h"

#ifdef MIRAVO_BENCH_BROWSER_LINKED
#include "frmBrowser.h"
#else
#include "browser/BrowserLoader.h"
#endif

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

namespace {

#ifdef MIRAVO_BENCH_BROWSER_LINKED
// Keeps the browser window's code, and with it the engine's libraries, in this build, as a program that created
// the window directly would; nothing calls it.
QWidget* createLinkedBrowser()
{
    return new miravo::frmBrowser(miravo::BrowserPages{});
}
QWidget* (*volatile keepLinkedBrowser)() = &createLinkedBrowser;
#endif

long peakResidentKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

int runChild(int argc, char** argv, bool withoutBrowser)
{
    // Both builds start as the program does.
#ifdef MIRAVO_BENCH_BROWSER_LINKED
    Q_UNUSED(withoutBrowser);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#else
    // The shipped program no longer does anything for the browser at start, so both of its ways start alike.
    Q_UNUSED(withoutBrowser);
#endif
    QApplication app(argc, argv);
    QWidget* window = miravo::showMainWindow();
    if (window->findChild<QComboBox*>("Combo1")->count() != 100 ||
        window->findChild<QComboBox*>("Combo2")->count() != 100)
        return 3;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window->windowHandle() && window->windowHandle()->isExposed())
            QApplication::quit();
    });
    poll.start(0);
    const int rc = QApplication::exec();
    std::printf("%ld\n", peakResidentKiB());
    return rc;
}

#ifndef MIRAVO_BENCH_BROWSER_LINKED
double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

struct Start {
    double ms = 0;
    double peakMiB = 0;
};

bool start(const QString& program, const QStringList& arguments, Start& result)
{
    QProcess child;
    QElapsedTimer timer;
    timer.start();
    child.start(program, arguments);
    if (!child.waitForFinished(60000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        std::fprintf(stderr, "%s failed (exit code %d):\n%s\n", qPrintable(program), child.exitCode(),
                     child.readAllStandardError().constData());
        return false;
    }
    result.ms = double(timer.nsecsElapsed()) / 1e6;
    result.peakMiB = child.readAllStandardOutput().trimmed().toDouble() / 1024.0;
    return true;
}
#endif

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv, argc >= 3 && qstrcmp(argv[2], "--bare") == 0);
#ifdef MIRAVO_BENCH_BROWSER_LINKED
    std::fprintf(stderr, "run bench_browser_startup; this build only serves its --child starts\n");
    return 2;
#else
    QCoreApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(1, atoi(argv[1])) : 21;
    QTemporaryDir data;
    fillStartupDatabase(data);

    struct Way {
        const char* name;
        QString program;
        QStringList arguments;
        QList<double> ms;
        QList<double> peakMiB;
    };
    const QString shipped = QCoreApplication::applicationFilePath();
    QList<Way> ways{{"browser as a module", shipped, {"--child"}, {}, {}},
                    {"browser linked in", QStringLiteral(MIRAVO_BENCH_LINKED_PROGRAM), {"--child"}, {}, {}},
                    {"without the browser", shipped, {"--child", "--bare"}, {}, {}}};
    for (int i = 0; i < runs; ++i) {
        // Rotate which way goes first, so that none always finds the caches warmed by another.
        for (int k = 0; k < ways.size(); ++k) {
            Way& way = ways[(i + k) % ways.size()];
            Start result;
            if (!start(way.program, way.arguments, result))
                return 1;
            way.ms.append(result.ms);
            way.peakMiB.append(result.peakMiB);
        }
    }
    std::printf("runs: %d each, medians\n%-24s %10s %12s\n", runs, "", "start-up", "peak memory");
    for (const Way& way : ways)
        std::printf("%-24s %7.1f ms %8.1f MiB\n", way.name, median(way.ms), median(way.peakMiB));
    const auto ratio = [&](int a, int b, bool memory) {
        return memory ? median(ways[a].peakMiB) / median(ways[b].peakMiB) : median(ways[a].ms) / median(ways[b].ms);
    };
    std::printf("%-24s %10.3f %12.3f\n", "module / without", ratio(0, 2, false), ratio(0, 2, true));
    std::printf("%-24s %10.3f %12.3f\n", "module / linked", ratio(0, 1, false), ratio(0, 1, true));
    return 0;
#endif
}
