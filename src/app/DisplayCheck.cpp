// SPDX-License-Identifier: GPL-3.0-or-later
#include "DisplayCheck.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace miravo {

namespace {

bool canConnectToX(const QByteArray& display)
{
    if (display.isEmpty())
        return false;
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool ok = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return ok;
}

// WAYLAND_DISPLAY is a socket name in XDG_RUNTIME_DIR, or an absolute path.
bool canConnectToWayland(const QByteArray& name)
{
    if (name.isEmpty())
        return false;
    const QByteArray path = name.startsWith('/') ? name : qgetenv("XDG_RUNTIME_DIR") + '/' + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof(address.sun_path)))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return ok;
}

QString noDisplayLine(const QByteArray& display, const QByteArray& wayland)
{
    if (display.isEmpty() && wayland.isEmpty())
        return QStringLiteral("miravodialer: no display to open its windows on (neither DISPLAY nor WAYLAND_DISPLAY "
                              "is set)");
    QStringList tried;
    if (!wayland.isEmpty())
        tried << QStringLiteral("WAYLAND_DISPLAY=%1").arg(QString::fromLocal8Bit(wayland));
    if (!display.isEmpty())
        tried << QStringLiteral("DISPLAY=%1").arg(QString::fromLocal8Bit(display));
    return QStringLiteral("miravodialer: cannot connect to the display (%1)").arg(tried.join(QStringLiteral(", ")));
}

} // namespace

QString displayProblem()
{
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray platforms = qgetenv("QT_QPA_PLATFORM");
    if (!platforms.isEmpty()) {
        // A chosen platform, or a list of them tried in turn ("wayland;xcb"); each may carry options after ':'.
        // Only the two that need a display server are checked: offscreen, vnc and the rest need none.
        for (const QByteArray& entry : platforms.split(';')) {
            const QByteArray platform = entry.split(':').first().trimmed();
            if (platform == "xcb") {
                if (canConnectToX(display))
                    return {};
            } else if (platform.startsWith("wayland")) {
                if (canConnectToWayland(wayland))
                    return {};
            } else {
                return {};
            }
        }
        return noDisplayLine(display, wayland);
    }
    if (canConnectToWayland(wayland) || canConnectToX(display))
        return {};
    return noDisplayLine(display, wayland);
}

} // namespace miravo
