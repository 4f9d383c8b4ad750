// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the main window with both lists filled (100 companies, 100 clients), against a bare Qt Widgets
// window of the same size, each measured as a whole process.
//   bench_startup [runs]   on an X server (QT_QPA_PLATFORM=xcb, DISPLAY set; see tests/support/with-xvfb.sh):
//                          the program itself (bin/miravodialer) against the window with one line of text, in
//                          alternating pairs: from the spawn until the X server maps the window, and the resident
//                          memory one second later; prints the medians and their ratios.
//                          On any other platform (offscreen): the main window, the bare window and the bare window
//                          with one label, each started in a child of this benchmark, until exposed.
//   bench_startup --fill DIR  fills the data folder DIR with the benchmark's database and ends (callgrind_startup.sh
//                          counts the instructions of the same two starts with it).
//   bench_startup --child main|bare|text [--stay]  one start of one kind (used by the above); "text" is the bare
//                          window with one label, to show what the first text on screen costs; --stay keeps it
//                          open until the process is killed.
#include "PhoneCardSchema.h"
#include "StartupDatabase.h"
#include "data/PhoneCardDatabase.h"
#include "dialer/frmMiravoCall.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

extern char** environ;

namespace {

enum class Kind { Main, Bare, Text };

int runChild(int argc, char** argv, Kind kind, bool stay)
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
    if (stay)
        return QApplication::exec();
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

double nowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// VmRSS of a process, in KiB; 0 when it cannot be read.
long residentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

// Watches the X server for top-level windows being mapped. Without a window manager (Xvfb alone) every
// top-level window is a child of the root, so the root's substructure events report each map as it happens.
class MapWatch {
public:
    MapWatch()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_connection);
    }
    ~MapWatch() { xcb_disconnect(m_connection); }
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    bool ok() const { return m_root != 0 && !xcb_connection_has_error(m_connection); }

    // Forgets the events of earlier starts.
    void drain()
    {
        roundTrip();
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection))
            std::free(event);
    }

    // Waits for the next top-level map; returns its time (nowMs()), or -1 after `timeoutMs`.
    double waitForMap(double timeoutMs)
    {
        const double deadline = nowMs() + timeoutMs;
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
                const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                                    reinterpret_cast<xcb_map_notify_event_t*>(event)->event == m_root;
                const double at = nowMs();
                std::free(event);
                if (mapped)
                    return at;
            }
            const double left = deadline - nowMs();
            if (left <= 0 || xcb_connection_has_error(m_connection))
                return -1;
            pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            ::poll(&fd, 1, int(left) + 1);
        }
    }

private:
    void roundTrip() { std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
};

struct Sample {
    double mapMs = 0;
    double residentMiB = 0;
};

// Spawns `arguments`, waits until its window is mapped and one second more, reads its resident memory, kills it.
bool sampleStart(MapWatch& watch, const QStringList& arguments, Sample& sample)
{
    QList<QByteArray> storage;
    QList<char*> argv;
    for (const QString& argument : arguments)
        storage.append(argument.toLocal8Bit());
    for (QByteArray& argument : storage)
        argv.append(argument.data());
    argv.append(nullptr);

    watch.drain();
    pid_t pid = 0;
    const double started = nowMs();
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return false;
    }
    const double mapped = watch.waitForMap(30000);
    bool ok = mapped >= 0;
    if (ok) {
        sample.mapMs = mapped - started;
        ::usleep(1000 * 1000);
        sample.residentMiB = double(residentKiB(pid)) / 1024.0;
        ok = sample.residentMiB > 0;
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!ok)
        std::fprintf(stderr, "%s: no window mapped, or it ended before its memory was read\n", argv[0]);
    return ok;
}

// The program against the window with one line of text, on the X server: see the header comment.
int runOnX(int runs, const QString& self)
{
    // The same check the offscreen run makes: the database gives both lists their 100 entries.
    if (QProcess::execute(self, {"--child", "main"}) != 0) {
        std::fprintf(stderr, "the main window did not start with both lists filled\n");
        return 1;
    }
    MapWatch watch;
    if (!watch.ok()) {
        std::fprintf(stderr, "cannot connect to the X server (DISPLAY)\n");
        return 1;
    }
    const QString program = QFileInfo(self).dir().filePath(QStringLiteral("miravodialer"));
    const QList<QStringList> kinds{{program}, {self, "--child", "text", "--stay"}};
    QList<double> mapMs[2], residentMiB[2];
    for (int i = 0; i < runs; ++i) {
        // Pairs alternate which one goes first, so that neither always finds the caches warmed by the other.
        for (int k = 0; k < 2; ++k) {
            const int kind = (i + k) % 2;
            Sample sample;
            if (!sampleStart(watch, kinds[kind], sample))
                return 1;
            mapMs[kind].append(sample.mapMs);
            residentMiB[kind].append(sample.residentMiB);
        }
    }
    const double programMs = median(mapMs[0]), textMs = median(mapMs[1]);
    const double programMiB = median(residentMiB[0]), textMiB = median(residentMiB[1]);
    std::printf("pairs: %d, medians (min - max), spawn to window mapped; resident memory one second later\n"
                "window with one line of text: %6.1f ms (%.1f - %.1f)  %6.1f MiB\n"
                "the program (lists filled):   %6.1f ms (%.1f - %.1f)  %6.1f MiB\n"
                "program / text window:        %6.3f                    %6.3f  (goal: both at most 1.15)\n",
                runs, textMs, *std::min_element(mapMs[1].cbegin(), mapMs[1].cend()),
                *std::max_element(mapMs[1].cbegin(), mapMs[1].cend()), textMiB, programMs,
                *std::min_element(mapMs[0].cbegin(), mapMs[0].cend()),
                *std::max_element(mapMs[0].cbegin(), mapMs[0].cend()), programMiB, programMs / textMs,
                programMiB / textMiB);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv,
                        qstrcmp(argv[2], "main") == 0   ? Kind::Main
                        : qstrcmp(argv[2], "text") == 0 ? Kind::Text
                                                        : Kind::Bare,
                        argc >= 4 && qstrcmp(argv[3], "--stay") == 0);

    if (argc >= 3 && qstrcmp(argv[1], "--fill") == 0) {
        fillStartupDatabase(QString::fromLocal8Bit(argv[2]));
        return 0;
    }

    const int runs = argc >= 2 ? std::max(1, atoi(argv[1])) : 21;
    QTemporaryDir data;
    fillStartupDatabase(data);
    if (qgetenv("QT_QPA_PLATFORM") == "xcb")
        return runOnX(runs, QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());

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
