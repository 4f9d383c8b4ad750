// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace miravo {
namespace {

constexpr std::array HandledSignals{SIGTERM, SIGINT, SIGHUP};

// The handler's end and the event loop's end of the handoff. A signal handler may do almost nothing (no Qt, no
// allocation, no locks), so it only writes a byte; the event loop reads it and does the closing.
int g_handoff[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // Non-blocking: with the handoff full a signal is already waiting to be handled, and this one adds nothing.
    [[maybe_unused]] const ssize_t written = ::write(g_handoff[1], &byte, 1);
    errno = savedErrno;
}

void setHandler(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

void handleSignals()
{
    for (const int signalNumber : HandledSignals) {
        struct sigaction current = {};
        ::sigaction(signalNumber, nullptr, &current);
        if (current.sa_handler != SIG_IGN)
            setHandler(signalNumber, onTerminationSignal);
    }
}

// While the windows close, a further signal takes its default action: a close that waits for the user (a message
// box) must not keep a second Ctrl+C or the session's repeated request from ending the program.
void leaveSignalsToTheirDefault()
{
    for (const int signalNumber : HandledSignals) {
        struct sigaction current = {};
        ::sigaction(signalNumber, nullptr, &current);
        if (current.sa_handler == onTerminationSignal)
            setHandler(signalNumber, SIG_DFL);
    }
}

bool isOrdinaryWindow(const QWidget* window)
{
    const Qt::WindowType type = window->windowType();
    return window->isVisible() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen;
}

void closeWindowsAndEnd()
{
    leaveSignalsToTheirDefault();
    // Closing one window may close or destroy another (the main window takes the keypad window with it).
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (isOrdinaryWindow(window))
            windows.append(window);
    }
    for (const QPointer<QWidget>& window : windows) {
        if (window && isOrdinaryWindow(window))
            window->close();
    }

    const QWidgetList remaining = QApplication::topLevelWidgets();
    if (std::none_of(remaining.cbegin(), remaining.cend(), isOrdinaryWindow)) {
        // Qt ends the program when its last window closes, but only while quitOnLastWindowClosed is set; ending
        // here does not depend on it. Exit code 0, as for a program closed by its user. Queued, so that the
        // closed windows are destroyed first (their deletion is queued too) and nothing is left behind.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        return;
    }
    handleSignals();
}

} // namespace

void closeWindowsOnTerminationSignals()
{
    if (g_handoff[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_handoff) != 0) {
        qWarning("Cannot watch for SIGTERM, SIGINT and SIGHUP: %s", strerror(errno));
        return;
    }
    auto* notifier = new QSocketNotifier(g_handoff[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        std::array<char, 16> bytes{};
        while (::read(g_handoff[0], bytes.data(), bytes.size()) > 0) {
        }
        closeWindowsAndEnd();
    });
    handleSignals();
}

} // namespace miravo
