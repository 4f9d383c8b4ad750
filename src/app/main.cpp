// SPDX-License-Identifier: GPL-3.0-or-later
// MiravoDialer: a calling-card dialer. The program is its main window; every other window opens from there.
#include "CommandLine.h"
#include "DisplayCheck.h"
#include "SingleInstance.h"
#include "WindowActivation.h"
#include "data/PhoneCardDatabase.h"
#include "dialer/frmMiravoCall.h"
#include "ui/AccessibleControls.h"
#include "ui/Picture.h"
#include "ui/TerminationSignals.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QStandardPaths>

#include <cstdio>

namespace {

// A later start asked for the program: its main window comes to the front (shown again if it was closed while
// other windows stayed open), with the activation token the launcher gave that start.
void showForLaterStart(const QByteArray& request)
{
    QByteArray startupId;
    for (const auto& [name, value] : miravo::activationTokens(request)) {
        qputenv(name.constData(), value);
        if (name == "DESKTOP_STARTUP_ID")
            startupId = value;
    }
    const bool wasShown = miravo::openWindow<miravo::frmMiravoCall>() != nullptr;
    QWidget* window = miravo::showMainWindow();
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    // A window shown just now is activated by Qt as it maps; one that was there already asks the X window manager
    // as the user's request, which Qt's own activation is not taken for (see WindowActivation.h).
    // (Other platforms may offer the interface too, without a connection: offscreen does.)
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (wasShown && QGuiApplication::platformName() == QLatin1String("xcb") && x11 && x11->connection())
        miravo::activateX11Window(x11->connection(), static_cast<std::uint32_t>(window->winId()), startupId);
}

} // namespace

int main(int argc, char* argv[])
{
    // --help and --version are answered before anything needs a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto answer = miravo::answerCommandLine(arguments)) {
        std::fputs(qPrintable(answer->text), stdout);
        return answer->exitCode;
    }
    // Without a display Qt would abort; one line says why instead.
    if (const QString problem = miravo::displayProblem(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MiravoDialer"));

    // One program per user and data folder: a second start shows the first one's main window and ends.
    const QString dataFolder = QFileInfo(miravo::phoneCardDatabasePath()).absolutePath();
    miravo::SingleInstance instance(miravo::SingleInstance::socketPathFor(
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), dataFolder));
    switch (instance.claim(miravo::startRequest())) {
    case miravo::SingleInstance::Role::First:
        QObject::connect(&instance, &miravo::SingleInstance::requested, &app, showForLaterStart);
        break;
    case miravo::SingleInstance::Role::Second:
        return 0;
    case miravo::SingleInstance::Role::Unanswered:
        std::fprintf(stderr, "miravodialer: %s\n", qPrintable(instance.errorString()));
        return 1;
    case miravo::SingleInstance::Role::Alone:
        // Without its socket the program still runs; only a second start would not find it.
        std::fprintf(stderr, "miravodialer: warning: %s\n", qPrintable(instance.errorString()));
        break;
    }

    miravo::closeWindowsOnTerminationSignals();
    miravo::presentWindowsAsWindows();
    // The desktop entry's name lets the taskbar and the window switcher match the windows to the menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(MIRAVO_APP_ID));
    // The window's own icon, for a window manager that does not look the desktop entry up: 48 px only, read as PNG
    // alone (an icon file left to QIcon asks every image plugin installed first, see Picture.h). A 256 px one as
    // well would cost the start memory (bench/README.md) for a picture the desktop entry's icon theme offers.
    QApplication::setWindowIcon(QIcon(miravo::readPicture(QStringLiteral(":/icons/" MIRAVO_APP_ID "-48.png"), "png")));

    miravo::showMainWindow();
    return QApplication::exec();
}
