// SPDX-License-Identifier: GPL-3.0-or-later
#include "VirtualModem.h"

#include "PrivateFiles.h"
#include "modem/ModemPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace miravo {

struct VirtualModem::Private {
    int portNumber = 3;
    bool replaceExisting = false;
    Listener listener;
    QString error;
    QString link;
    QString device;

    int master = -1;
    int watch = -1; // inotify: the far end's opens and closes
    int wake = -1;  // eventfd that ends the reading thread
    std::thread reader;

    mutable std::mutex mutex;
    QByteArray received;
    int opens = 0;
    int closes = 0;
    Clock::time_point lastReceivedAt;

    void emitEvent(Event::Kind kind, const QByteArray& bytes = {})
    {
        const Event event{kind, bytes, Clock::now()};
        {
            const std::lock_guard lock(mutex);
            switch (kind) {
            case Event::Kind::Opened:
                ++opens;
                break;
            case Event::Kind::Received:
                received.append(bytes);
                lastReceivedAt = event.when;
                break;
            case Event::Kind::Released:
                ++closes;
                break;
            }
        }
        if (listener)
            listener(event);
    }

    void run();
    void closeFds();
};

// The far end's open count comes from inotify, which reports every open and close of /dev/pts/N in order:
// watching only the pseudo-terminal (POLLHUP) would miss a close that is followed at once by the next open,
// as in the two-stage dial. A close is reported once every byte written before it has been read: the master
// gives EIO only when nothing is left and no one holds the far end.
void VirtualModem::Private::run()
{
    int holders = 0;       // open descriptions of the far end right now
    bool draining = false; // the last holder closed; read what is left until EIO
    char buffer[4096];

    for (;;) {
        pollfd fds[3] = {{wake, POLLIN, 0}, {watch, POLLIN, 0}, {master, POLLIN, 0}};
        const bool watchMaster = holders > 0 || draining;
        if (::poll(fds, watchMaster ? 3 : 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents != 0)
            return;

        if (fds[1].revents & POLLIN) {
            alignas(inotify_event) char events[4096];
            const ssize_t n = ::read(watch, events, sizeof events);
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                if (event->mask & IN_OPEN) {
                    if (holders++ == 0 && !draining)
                        emitEvent(Event::Kind::Opened);
                    else if (holders == 1 && draining) {
                        // Closed and opened again before the rest was read: still one close, one open.
                        draining = false;
                        emitEvent(Event::Kind::Released);
                        emitEvent(Event::Kind::Opened);
                    }
                }
                if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                    if (holders > 0 && --holders == 0)
                        draining = true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }

        if (watchMaster && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) {
            for (;;) {
                const ssize_t n = ::read(master, buffer, sizeof buffer);
                if (n > 0) {
                    emitEvent(Event::Kind::Received, QByteArray(buffer, static_cast<qsizetype>(n)));
                    continue;
                }
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0 && errno == EIO && holders == 0 && draining) {
                    draining = false;
                    emitEvent(Event::Kind::Released);
                }
                // EAGAIN: nothing more now. EIO while the open count says held: the close event is next in
                // the inotify queue and the next round takes it.
                break;
            }
        }
    }
}

void VirtualModem::Private::closeFds()
{
    for (int* fd : {&master, &watch, &wake}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

VirtualModem::VirtualModem(int portNumber)
    : d(std::make_unique<Private>())
{
    d->portNumber = portNumber;
}

VirtualModem::~VirtualModem()
{
    stop();
}

void VirtualModem::setListener(Listener listener)
{
    d->listener = std::move(listener);
}

void VirtualModem::setReplaceExistingLink(bool replace)
{
    d->replaceExisting = replace;
}

bool VirtualModem::start()
{
    if (isRunning())
        return true;
    d->link = portLinkPath(d->portNumber);
    if (d->link.isEmpty()) {
        d->error = QStringLiteral("port number %1 is not a COM port number").arg(d->portNumber);
        return false;
    }
    // A link left by an earlier virtual modem that did not get to clean up points at a pseudo-terminal that is
    // gone: take its place. Any other link is the user's (a modem that may just be unplugged) and stays.
    const QFileInfo existing(d->link);
    const bool leftOver =
        existing.isSymLink() && !existing.exists() && existing.symLinkTarget().startsWith(QLatin1String("/dev/pts/"));
    if ((existing.isSymLink() || existing.exists()) && !leftOver && !d->replaceExisting) {
        d->error = existing.isSymLink()
                       ? QStringLiteral("%1 already links to %2").arg(d->link, existing.symLinkTarget())
                       : QStringLiteral("%1 already exists").arg(d->link);
        return false;
    }

    d->master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (d->master < 0 || ::grantpt(d->master) != 0 || ::unlockpt(d->master) != 0) {
        d->error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        d->closeFds();
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(d->master, name, sizeof name) != 0) {
        d->error = QStringLiteral("cannot name the pseudo-terminal");
        d->closeFds();
        return false;
    }
    d->device = QString::fromLocal8Bit(name);

    d->watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    d->wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (d->watch < 0 || d->wake < 0 ||
        ::inotify_add_watch(d->watch, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        d->error = QStringLiteral("cannot watch %1: %2").arg(d->device, QString::fromLocal8Bit(strerror(errno)));
        d->closeFds();
        return false;
    }

    // The ports folder lies in the program's data folder, beside the database: made private like it.
    makePrivateFolder(QFileInfo(d->link).absolutePath());
    QFile::remove(d->link);
    if (!QFile::link(d->device, d->link)) {
        d->error = QStringLiteral("cannot create the link %1").arg(d->link);
        d->closeFds();
        return false;
    }

    d->reader = std::thread([this] { d->run(); });
    return true;
}

void VirtualModem::stop()
{
    if (!d->reader.joinable())
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(d->wake, &one, sizeof one);
    d->reader.join();
    if (QFileInfo(d->link).symLinkTarget() == d->device)
        QFile::remove(d->link);
    d->closeFds();
}

bool VirtualModem::isRunning() const
{
    return d->reader.joinable();
}

QString VirtualModem::errorString() const
{
    return d->error;
}

int VirtualModem::portNumber() const
{
    return d->portNumber;
}

QString VirtualModem::linkPath() const
{
    return d->link;
}

QString VirtualModem::devicePath() const
{
    return d->device;
}

QByteArray VirtualModem::received() const
{
    const std::lock_guard lock(d->mutex);
    return d->received;
}

void VirtualModem::clearReceived()
{
    const std::lock_guard lock(d->mutex);
    d->received.clear();
}

int VirtualModem::openCount() const
{
    const std::lock_guard lock(d->mutex);
    return d->opens;
}

int VirtualModem::closeCount() const
{
    const std::lock_guard lock(d->mutex);
    return d->closes;
}

bool VirtualModem::isPortOpen() const
{
    const std::lock_guard lock(d->mutex);
    return d->opens > d->closes;
}

VirtualModem::Clock::time_point VirtualModem::lastReceivedAt() const
{
    const std::lock_guard lock(d->mutex);
    return d->lastReceivedAt;
}

QString VirtualModem::lineSettings() const
{
    // On Linux the master reports the terminal settings of the far end, which are what the program set.
    termios settings{};
    if (d->master < 0 || ::tcgetattr(d->master, &settings) != 0)
        return {};
    const speed_t speed = ::cfgetospeed(&settings);
    int baud = 0;
    for (const auto& [code, value] : {std::pair<speed_t, int>{B300, 300},
                                      {B1200, 1200},
                                      {B2400, 2400},
                                      {B4800, 4800},
                                      {B9600, 9600},
                                      {B19200, 19200},
                                      {B38400, 38400},
                                      {B57600, 57600},
                                      {B115200, 115200}}) {
        if (speed == code)
            baud = value;
    }
    QChar parity = QLatin1Char('N');
    if (settings.c_cflag & PARENB) {
        if (settings.c_cflag & CMSPAR)
            parity = (settings.c_cflag & PARODD) ? QLatin1Char('M') : QLatin1Char('S');
        else
            parity = (settings.c_cflag & PARODD) ? QLatin1Char('O') : QLatin1Char('E');
    }
    int dataBits = 8;
    switch (settings.c_cflag & CSIZE) {
    case CS5:
        dataBits = 5;
        break;
    case CS6:
        dataBits = 6;
        break;
    case CS7:
        dataBits = 7;
        break;
    default:
        break;
    }
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(parity).arg(dataBits).arg((settings.c_cflag & CSTOPB) ? 2 : 1);
}

QString visibleText(const QByteArray& bytes)
{
    QString text;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (value == 13)
            text += QStringLiteral("<CR>");
        else if (value == 10)
            text += QStringLiteral("<LF>");
        else if (value < 0x20 || value == 0x7F || (value >= 0x80 && value < 0xA0))
            text += QStringLiteral("<%1>").arg(value, 2, 16, QLatin1Char('0')).toUpper();
        else
            text += QChar(value); // Latin-1
    }
    return text;
}

QList<QByteArray> CommandSplitter::feed(const QByteArray& bytes)
{
    QList<QByteArray> commands;
    for (const char byte : bytes) {
        if (m_pending.endsWith('\r')) {
            if (byte == '\n') {
                m_pending.append(byte);
                commands.append(std::exchange(m_pending, {}));
                continue;
            }
            commands.append(std::exchange(m_pending, {}));
        }
        m_pending.append(byte);
    }
    return commands;
}

QByteArray CommandSplitter::flush()
{
    return std::exchange(m_pending, {});
}

} // namespace miravo
