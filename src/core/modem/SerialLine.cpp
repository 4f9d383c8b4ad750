// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/SerialLine.h"

#include "Clock.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <chrono>
#include <thread>

namespace miravo {
namespace {

// How long a close waits for written bytes to leave Qt's buffer and the driver's queue. A dial command is a few
// dozen bytes, which take about 50 ms at 9600 baud; the bound only matters when the device stopped taking bytes.
// Measured on the core clock, so that tests decide when it has passed.
constexpr qint64 CloseDrainBoundMs = 3000;

// How long one look at Qt's buffer waits before the bound is looked at again.
constexpr int DrainSliceMs = 20;

// How often a close looks whether the driver's output queue has emptied: a byte takes about 1 ms at 9600 baud.
constexpr auto DriverQueuePollInterval = std::chrono::milliseconds(2);

bool expired(qint64 deadlineMs)
{
    return clockNowMs() >= deadlineMs;
}

// Waits until the driver's output queue is empty or the deadline passes; tcdrain has no bound of its own.
// True when the queue emptied (or the device cannot tell, which leaves nothing to wait for).
bool waitForDriverQueue(int fd, qint64 deadlineMs)
{
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            return true;
        if (expired(deadlineMs))
            return false;
        std::this_thread::sleep_for(DriverQueuePollInterval);
    }
}

} // namespace

SerialLine::SerialLine(QString device, QString portName)
    : m_device(std::move(device))
    , m_portName(std::move(portName))
{}

SerialLine::~SerialLine()
{
    close();
}

bool SerialLine::isOpen() const
{
    return m_serial.isOpen();
}

Outcome SerialLine::open(const LineSettings& settings)
{
    if (m_serial.isOpen())
        return Failure{QObject::tr("The port is already open.")};
    // The three reasons a user can act on, each said so that the user knows what to do: the window shows its one
    // message, and these words as its details.
    const auto noSuchDevice = [&] {
        return Failure{QObject::tr("%1: no such device. %2 leads to no device: is the modem plugged in, and is %1 "
                                   "the port it is on (or linked to it)?")
                           .arg(m_portName, m_device)};
    };
    // Open the device the link points at, not the link: Qt's lock file is named after the path it opens, and
    // only the real device's name keeps every program that locks the same device out.
    const QString target = QFileInfo(m_device).canonicalFilePath();
    if (target.isEmpty())
        return noSuchDevice();
    m_serial.setPortName(target);
    applySettings(settings);
    // Write-only: the program never reads the modem's answers. Qt locks the device with a lock file
    // (LCK..name in the system's lock folder) besides TIOCEXCL; the lock file is what keeps a second program out
    // when it runs as root, which TIOCEXCL does not stop.
    if (m_serial.open(QIODevice::WriteOnly))
        return {};
    const QSerialPort::SerialPortError error = m_serial.error();
    const QString systemReason = m_serial.errorString();
    m_serial.clearError();
    if (error == QSerialPort::DeviceNotFoundError)
        return noSuchDevice();
    if (error != QSerialPort::PermissionError)
        return Failure{QObject::tr("%1 (%2): %3").arg(m_portName, target, systemReason)};
    // Qt reports a device this user may not open, one held open by another program and a lock file alike as a
    // permission error; the device's own permissions tell them apart.
    const QByteArray nativeTarget = QFile::encodeName(target);
    if (::faccessat(AT_FDCWD, nativeTarget.constData(), R_OK | W_OK, AT_EACCESS) != 0 && errno == EACCES) {
        struct stat info {};
        const group* owner = ::stat(nativeTarget.constData(), &info) == 0 ? ::getgrgid(info.st_gid) : nullptr;
        const QString groupName = owner ? QString::fromLocal8Bit(owner->gr_name) : QStringLiteral("dialout");
        return Failure{QObject::tr("%1: permission denied: this user may not use %2 (it belongs to the group %3). "
                                   "Serial devices belong to the dialout group: add yourself with \"sudo adduser "
                                   "$USER dialout\", then log in again.")
                           .arg(m_portName, target, groupName)};
    }
    return Failure{QObject::tr("%1: %2 is in use: another program (or the other dialing window) holds it open, or a "
                               "lock file says it does (LCK..%3 in /var/lock, left behind by a program that ended "
                               "without removing it). Close that program, or remove a stale lock file.")
                       .arg(m_portName, target, QFileInfo(target).fileName())};
}

Outcome SerialLine::applySettings(const LineSettings& settings)
{
    // On a closed port these only take effect at the open; on an open one at once.
    const bool applied = m_serial.setBaudRate(settings.baudRate) && m_serial.setParity(settings.parity) &&
                         m_serial.setDataBits(settings.dataBits) && m_serial.setStopBits(settings.stopBits) &&
                         m_serial.setFlowControl(settings.flowControl);
    if (!applied && m_serial.isOpen())
        return Failure{m_serial.errorString()};
    return {};
}

Outcome SerialLine::write(const QByteArray& bytes)
{
    if (!m_serial.isOpen())
        return Failure{QObject::tr("The port is not open.")};
    if (m_serial.write(bytes) != bytes.size())
        return Failure{m_serial.errorString()};
    // Start sending now, without blocking: the modem should dial while the program waits for the user, even
    // where no event loop runs in between.
    m_serial.flush();
    return {};
}

void SerialLine::close()
{
    if (!m_serial.isOpen())
        return;

    // QSerialPort throws away whatever it has not yet handed to the driver when it closes, so a command written
    // just before a close would never reach the modem. Hand everything over first, within a bound.
    const qint64 deadlineMs = clockNowMs() + CloseDrainBoundMs;
    while (m_serial.bytesToWrite() > 0 && !expired(deadlineMs)) {
        // A slice that ends without a write is no reason to stop (a slow device may take its bytes in the next
        // one); a device that reports an error is.
        if (!m_serial.waitForBytesWritten(DrainSliceMs) && m_serial.error() != QSerialPort::NoError &&
            m_serial.error() != QSerialPort::TimeoutError)
            break;
    }
    // Then wait until the driver has put the bytes on the wire, within the same bound: with no flow control this
    // takes as long as the few bytes last written need at the line's speed. A device that stopped taking bytes
    // (a stalled USB modem) gets what is left thrown away instead: the driver's own close would otherwise wait
    // for it, up to half a minute on a serial port, and the window with it.
    const int fd = m_serial.handle();
    if (m_serial.bytesToWrite() > 0 || !waitForDriverQueue(fd, deadlineMs))
        ::tcflush(fd, TCOFLUSH);

    // The modem leaves the line when DTR drops. Dropping it here does not depend on HUPCL, which Qt cannot be
    // relied on for: it puts back the terminal settings it found at open, and those may have HUPCL cleared.
    // A pseudo-terminal has no modem control lines, so this call fails there and is ignored; what a
    // pseudo-terminal can show is that the device was let go (its other end sees the last close).
    m_serial.setDataTerminalReady(false);
    m_serial.close();
    m_serial.clearError();
}

} // namespace miravo
