// Start-up of the main window with both lists filled (100 companies, 100 clients), against a bare Qt Widgets
// window, each measured as a whole process: from the process start to the window exposed on screen.
//   bench_startup [runs]           runs both kinds, interleaved, and prints the medians and their ratio
//   bench_startup --child main|bare|text  one start of one kind (used by the above); "text" is the bare window
//                                         with one label, to show what the first text on screen costs
#include "StartupDatabase.h"
#include "data/PhoneCardDatabase.h"
#include "data/PhoneCardSchema.h"
#include "dialer/frmMiravoCall.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>

namespace {

enum class Kind { Main, Bare, Text };

int runChild(int argc, char** argv, Kind kind)
{
    QApplication app(argc, argv);
    QWidget* window = nullptr;
    if (kind == Kind::Main) {
        window = miravo::showMainWindow();
        if (window->findChild<QComboBox*>("Combo1")->count() != 100 ||
            window->findChild<QComboBox*>("Combo2")->count() != 100)
            return 3;
    } else {
        window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->resize(539, 296);
        // The first text on screen costs the font system's start-up, which every window with a caption pays.
        if (kind == Kind::Text)
            new QLabel(QStringLiteral("Select Card Company"), window);
        window->show();
    }
    // Done when the window is on screen.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window->windowHandle() && window->windowHandle()->isExposed())
            QApplication::quit();
    });
    poll.start(0);
    return QApplication::exec();
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv,
                        qstrcmp(argv[2], "main") == 0   ? Kind::Main
                        : qstrcmp(argv[2], "text") == 0 ? Kind::Text
                                                        : Kind::Bare);

    const int runs = argc >= 2 ? std::max(1, atoi(argv[1])) : 21;
    QTemporaryDir data;
    fillStartupDatabase(data);

    QMap<QString, QList<double>> times;
    for (int i = 0; i < runs; ++i) {
        for (const char* kind : {"main", "bare", "text"}) {
            QElapsedTimer timer;
            timer.start();
            const int rc = QProcess::execute(QString::fromLocal8Bit(argv[0]), {"--child", kind});
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            if (rc != 0) {
                std::fprintf(stderr, "child %s failed with %d\n", kind, rc);
                return 1;
            }
            times[QString::fromLatin1(kind)].append(ms);
        }
    }
    const double m = median(times["main"]), b = median(times["bare"]), t = median(times["text"]);
    std::printf("runs: %d each, medians\n"
                "bare window:              %6.1f ms\n"
                "bare window with a label: %6.1f ms\n"
                "main window, lists filled:%6.1f ms\n"
                "main / bare:           %.3f (goal: at most 1.15)\n"
                "main / bare with label: %.3f\n",
                runs, b, t, m, m / b, m / t);
    return 0;
}
