// SPDX-License-Identifier: GPL-3.0-or-later
// From "Products" to the product page's name in the browser window's caption, against a web server on 127.0.0.1.
// Each run is a fresh program: the first press loads the browser module and starts the browser engine (what a
// user waits for once per session); the window is then closed and "Products" pressed again, which finds both
// ready. The fetch of the product page by the main window runs alongside, as in the program. One second after the
// first page is shown, the memory of the whole program is taken: this process and the engine's helper processes.
//   bench_browser_products [runs]   runs them and prints the medians
//   bench_browser_products --child  one run (used by the above); prints "first second pss rss": the two times in
//                                   milliseconds, then the process tree's proportional and resident memory in KiB
#include "browser/BrowserLoader.h"
#include "browser/ProductPage.h"
#include "dialer/frmMiravoCall.h"
#include "support/LoopbackHttpServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <QDir>
#include <QFile>
#include <QHash>

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace {

const QString ProductPath = QStringLiteral("/products/miravodialer_rqt.htm");
const QString ProductTitle = QStringLiteral("MiravoDialer products");
constexpr int Timeout = 60000;

QWidget* browserWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("frmBrowser"))
            return window;
    }
    return nullptr;
}

// Presses "Products" and returns the milliseconds until the browser's caption names the product page, or -1.
double pressProducts(QPushButton* products)
{
    QElapsedTimer timer;
    timer.start();
    products->click();
    QWidget* browser = browserWindow();
    if (!browser)
        return -1;
    if (browser->windowTitle() != ProductTitle) {
        QEventLoop loop;
        QObject::connect(browser, &QWidget::windowTitleChanged, &loop, [&](const QString& title) {
            if (title == ProductTitle)
                loop.quit();
        });
        QTimer::singleShot(Timeout, &loop, [&] { loop.exit(1); });
        if (loop.exec() != 0)
            return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

// The field `name` ("Pss:", "Rss:") of /proc/<pid>/smaps_rollup, in KiB.
long rollupKiB(qint64 pid, const QByteArray& name)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// This process and all its descendants (the engine's zygote, renderer and utility processes).
QList<qint64> processTree()
{
    QMultiHash<qint64, qint64> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, so the fields are counted from its closing ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            children.insert(fields[1].toLongLong(), pid);
    }
    QList<qint64> tree{qint64(::getpid())};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree.append(children.values(tree[i]));
    return tree;
}

int runChild(int argc, char** argv)
{
    QApplication app(argc, argv);
    miravo::test::LoopbackHttpServer server;
    if (!server.isListening())
        return 3;
    server.addPage(ProductPath, ProductTitle);
    miravo::setProductPageUrl(server.url(ProductPath));

    QWidget* window = miravo::showMainWindow();
    auto* products = window->findChild<QPushButton*>(QStringLiteral("Command1"));
    QEventLoop exposed;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window->windowHandle() && window->windowHandle()->isExposed())
            exposed.quit();
    });
    poll.start(0);
    exposed.exec();
    poll.stop();

    const double first = pressProducts(products);
    QPointer<QWidget> browser = browserWindow();
    if (first < 0 || !browser)
        return 4;
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();
    long pss = 0, rss = 0;
    for (const qint64 pid : processTree()) {
        pss += rollupKiB(pid, "Pss:");
        rss += rollupKiB(pid, "Rss:");
    }
    browser->close();
    while (browser)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    const double second = pressProducts(products);
    if (second < 0)
        return 5;
    std::printf("%.3f %.3f %ld %ld\n", first, second, pss, rss);
    std::fflush(stdout);
    // The engine's shutdown is not measured.
    std::_Exit(0);
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);

    QCoreApplication app(argc, argv);
    const int runs = argc >= 2 ? std::max(1, atoi(argv[1])) : 11;
    QList<double> first, second, pssMiB, rssMiB;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        if (!child.waitForFinished(2 * Timeout + 10000) || child.exitCode() != 0) {
            std::fprintf(stderr, "run %d failed (exit code %d):\n%s\n", i + 1, child.exitCode(),
                         child.readAllStandardError().constData());
            return 1;
        }
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() != 4)
            return 1;
        first.append(figures[0].toDouble());
        second.append(figures[1].toDouble());
        pssMiB.append(figures[2].toDouble() / 1024);
        rssMiB.append(figures[3].toDouble() / 1024);
    }
    std::printf("runs: %d, medians (min - max)\n"
                "first press (module loaded, engine started): %7.1f ms  (%.1f - %.1f)\n"
                "second press (window created afresh):        %7.1f ms  (%.1f - %.1f)\n",
                runs, median(first), *std::min_element(first.cbegin(), first.cend()),
                *std::max_element(first.cbegin(), first.cend()), median(second),
                *std::min_element(second.cbegin(), second.cend()), *std::max_element(second.cbegin(), second.cend()));
    std::printf("memory with the browser open, all processes: %.1f MiB proportional (PSS), %.1f MiB resident "
                "(RSS, shared pages counted in each process)\n",
                median(pssMiB), median(rssMiB));
    return 0;
}
