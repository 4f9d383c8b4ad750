#include "modem/ModemPort.h"

#include "modem/DialCommands.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QStandardPaths>

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace miravo {
namespace {

// How long a close waits for written bytes to leave Qt's buffer and the driver's queue. A dial command is a few
// dozen bytes, which take about 50 ms at 9600 baud; the bound only matters when the device stopped taking bytes.
constexpr int CloseDrainTimeoutMs = 3000;

// How often a close looks whether the driver's output queue has emptied: a byte takes about 1 ms at 9600 baud.
constexpr auto DriverQueuePollInterval = std::chrono::milliseconds(2);

// Waits until the driver's output queue is empty or the deadline passes; tcdrain has no bound of its own.
// True when the queue emptied (or the device cannot tell, which leaves nothing to wait for).
bool waitForDriverQueue(int fd, const QDeadlineTimer& deadline)
{
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return true;
        if (deadline.hasExpired())
            return false;
        std::this_thread::sleep_for(
            std::min<std::chrono::nanoseconds>(DriverQueuePollInterval, deadline.remainingTimeAsDuration()));
    }
}

// Every dial uses no parity, 8 data bits and 1 stop bit; only the speed is read from the text, so that a test can
// see settings arrive at an open port.
std::optional<qint32> parseBaudRate(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4 || parts[1].trimmed().toUpper() != QLatin1String("N") ||
        parts[2].trimmed() != QLatin1String("8") || parts[3].trimmed() != QLatin1String("1"))
        return std::nullopt;
    bool ok = false;
    const qint32 baudRate = parts[0].trimmed().toInt(&ok);
    if (!ok || baudRate <= 0)
        return std::nullopt;
    return baudRate;
}

} // namespace

QString portLinksFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/MiravoDialer/ports");
}

QString portLinkPath(int portNumber)
{
    if (portNumber < FirstPortNumber)
        return {};
    return portLinksFolder() + QStringLiteral("/COM%1").arg(portNumber);
}

QString devicePathForPort(int portNumber)
{
    if (portNumber < FirstPortNumber)
        return {};
    const QString link = portLinkPath(portNumber);
    // A dangling link still counts: the user meant that device, so the open fails instead of silently taking
    // the built-in serial port of the same number.
    const QFileInfo info(link);
    if (info.isSymLink() || info.exists())
        return link;
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
}

struct ModemPort::Private {
    QSerialPort serial;
    int portNumber = 1;
    QString settingsText = DialLineSettings;
    qint32 baudRate = 9600;

    void apply()
    {
        serial.setBaudRate(baudRate);
        serial.setParity(QSerialPort::NoParity);
        serial.setDataBits(QSerialPort::Data8);
        serial.setStopBits(QSerialPort::OneStop);
        serial.setFlowControl(QSerialPort::NoFlowControl);
    }
};

ModemPort::ModemPort(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{}

ModemPort::~ModemPort()
{
    close();
}

bool ModemPort::isOpen() const
{
    return d->serial.isOpen();
}

Outcome ModemPort::open()
{
    if (d->serial.isOpen())
        return Failure{tr("The port is already open.")};
    const QString device = devicePathForPort(d->portNumber);
    if (device.isEmpty())
        return Failure{
            tr("Port number %1 names no port: no such device (port numbers start at 1).").arg(d->portNumber)};
    // The three reasons a user can act on, each said so that the user knows what to do: the window shows its one
    // message, and these words as its details.
    const QString port = QStringLiteral("COM%1").arg(d->portNumber);
    const auto noSuchDevice = [&] {
        return Failure{tr("%1: no such device. %2 leads to no device: is the modem plugged in, and is %1 the port "
                          "it is on (or linked to it)?")
                           .arg(port, device)};
    };
    // Open the device the link points at, not the link: Qt's lock file is named after the path it opens, and
    // only the real device's name keeps every program that locks the same device out.
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return noSuchDevice();
    d->serial.setPortName(target);
    d->apply();
    // Write-only: the program never reads the modem's answers. Qt locks the device with a lock file
    // (LCK..name in the system's lock folder) besides TIOCEXCL; the lock file is what keeps a second program out
    // when it runs as root, which TIOCEXCL does not stop.
    if (d->serial.open(QIODevice::WriteOnly))
        return {};
    const QSerialPort::SerialPortError error = d->serial.error();
    const QString systemReason = d->serial.errorString();
    d->serial.clearError();
    if (error == QSerialPort::DeviceNotFoundError)
        return noSuchDevice();
    if (error != QSerialPort::PermissionError)
        return Failure{tr("%1 (%2): %3").arg(port, target, systemReason)};
    // Qt reports a device this user may not open, one held open by another program and a lock file alike as a
    // permission error; the device's own permissions tell them apart.
    const QByteArray nativeTarget = QFile::encodeName(target);
    if (::faccessat(AT_FDCWD, nativeTarget.constData(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES) {
        struct stat info {};
        const group* owner = ::stat(nativeTarget.constData(), &info) == 0 ? ::getgrgid(info.st_gid) : nullptr;
        const QString groupName = owner ? QString::fromLocal8Bit(owner->gr_name) : QStringLiteral("dialout");
        return Failure{tr("%1: permission denied: this user may not use %2 (it belongs to the group %3). Serial "
                          "devices belong to the dialout group: add yourself with \"sudo adduser $USER dialout\", "
                          "then log in again.")
                           .arg(port, target, groupName)};
    }
    return Failure{tr("%1: %2 is in use: another program (or the other dialing window) holds it open, or a lock "
                      "file says it does (LCK..%3 in /var/lock, left behind by a program that ended without "
                      "removing it). Close that program, or remove a stale lock file.")
                       .arg(port, target, QFileInfo(target).fileName())};
}

void ModemPort::close()
{
    if (!d->serial.isOpen())
        return;

    // QSerialPort throws away whatever it has not yet handed to the driver when it closes, so a command written
    // just before a close would never reach the modem. Hand everything over first, within a bound.
    const QDeadlineTimer deadline(CloseDrainTimeoutMs);
    while (d->serial.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!d->serial.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
            break;
    }
    // Then wait until the driver has put the bytes on the wire, within the same bound: with no flow control this
    // takes as long as the few bytes last written need at the line's speed. A device that stopped taking bytes
    // (a stalled USB modem) gets what is left thrown away instead: the driver's own close would otherwise wait
    // for it, up to half a minute on a serial port, and the window with it.
    const int fd = d->serial.handle();
    if (d->serial.bytesToWrite() > 0 || !waitForDriverQueue(fd, deadline))
        ::tcflush(fd, TCOFLUSH);

    // The modem leaves the line when DTR drops. Dropping it here does not depend on HUPCL, which Qt cannot be
    // relied on for: it puts back the terminal settings it found at open, and those may have HUPCL cleared.
    // A pseudo-terminal has no modem control lines, so this call fails there and is ignored; what a
    // pseudo-terminal can show is that the device was let go (its other end sees the last close).
    d->serial.setDataTerminalReady(false);
    d->serial.close();
    d->serial.clearError();
}

void ModemPort::setPortNumber(int portNumber)
{
    d->portNumber = portNumber;
}

int ModemPort::portNumber() const
{
    return d->portNumber;
}

Outcome ModemPort::setLineSettings(const QString& settings)
{
    const auto baudRate = parseBaudRate(settings);
    if (!baudRate)
        return Failure{tr("Unreadable line settings \"%1\".").arg(settings)};
    d->baudRate = *baudRate;
    d->settingsText = settings;
    if (d->serial.isOpen())
        d->apply();
    return {};
}

QString ModemPort::lineSettings() const
{
    return d->settingsText;
}

Outcome ModemPort::write(const QString& command)
{
    if (!d->serial.isOpen())
        return Failure{tr("The port is not open.")};
    const QByteArray bytes = commandBytes(command);
    if (d->serial.write(bytes) != bytes.size())
        return Failure{d->serial.errorString()};
    // Start sending now, without blocking: the modem should dial while the program waits for the user, even
    // where no event loop runs in between.
    d->serial.flush();
    return {};
}

} // namespace miravo
