// From "Products" to the product page's name in the browser window's caption, against a web server on 127.0.0.1.
// Each run is a fresh program: the first press loads the browser module and starts the browser engine (what a
// user waits for once per session); the window is then closed and "Products" pressed again, which finds both
// ready. The fetch of the product page by the main window runs alongside, as in the program.
//   bench_browser_products [runs]   runs them and prints the medians
//   bench_browser_products --child  one run (used by the above); prints "first second" in milliseconds
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

int runChild(int argc, char** argv)
{
    miravo::prepareApplicationForBrowser();
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
    browser->close();
    while (browser)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    const double second = pressProducts(products);
    if (second < 0)
        return 5;
    std::printf("%.3f %.3f\n", first, second);
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
    QList<double> first, second;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child")});
        if (!child.waitForFinished(2 * Timeout + 10000) || child.exitCode() != 0) {
            std::fprintf(stderr, "run %d failed (exit code %d):\n%s\n", i + 1, child.exitCode(),
                         child.readAllStandardError().constData());
            return 1;
        }
        const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() != 2)
            return 1;
        first.append(figures[0].toDouble());
        second.append(figures[1].toDouble());
    }
    std::printf("runs: %d, medians (min - max)\n"
                "first press (module loaded, engine started): %7.1f ms  (%.1f - %.1f)\n"
                "second press (window created afresh):        %7.1f ms  (%.1f - %.1f)\n",
                runs, median(first), *std::min_element(first.cbegin(), first.cend()),
                *std::max_element(first.cbegin(), first.cend()), median(second),
                *std::min_element(second.cbegin(), second.cend()), *std::max_element(second.cbegin(), second.cend()));
    return 0;
}
