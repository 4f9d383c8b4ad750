// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ModemPort.h"

#include <QDir>
#include <QLockFile>

#include <optional>

namespace miravo {
namespace {

// A serial device is locked by the serial layer itself (TIOCEXCL and the system's LCK.. file). Any other line
// is held through a lock file per COM number beside the links, shared by every window and program instance of
// the user: the first to open holds it, a crashed holder's lock counts as stale.
QString holderLockPath(int portNumber)
{
    return portLinksFolder() + QStringLiteral("/.COM%1.lock").arg(portNumber);
}

} // namespace

struct ModemPort::Private {
    int portNumber = 1;
    LineSettings settings = DialLineSettings;
    std::unique_ptr<ModemLine> line;
    std::unique_ptr<QLockFile> holder;

    bool isOpen() const { return line && line->isOpen(); }

    void release()
    {
        line.reset();
        holder.reset();
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
    return d->isOpen();
}

Outcome ModemPort::open()
{
    if (d->isOpen())
        return Failure{tr("The port is already open.")};
    const LineChoice choice = lineForPort(d->portNumber);
    if (choice.kind == LineKind::None)
        return Failure{
            tr("Port number %1 names no port: no such device (port numbers start at 1).").arg(d->portNumber)};
    if (choice.kind != LineKind::Serial) {
        QDir().mkpath(portLinksFolder());
        auto holder = std::make_unique<QLockFile>(holderLockPath(d->portNumber));
        holder->setStaleLockTime(0); // only a holder that is gone lets go
        if (!holder->tryLock(0))
            return Failure{tr("COM%1 is held by another window or program.").arg(d->portNumber)};
        d->holder = std::move(holder);
    }
    d->line = createLine(choice, d->portNumber);
    if (!d->line) {
        d->release();
        return Failure{
            tr("COM%1 names a line this program cannot dial through (%2).").arg(d->portNumber).arg(lineName(choice))};
    }
    const Outcome opened = d->line->open(d->settings);
    if (!opened.ok())
        d->release();
    return opened;
}

void ModemPort::close()
{
    if (!d->line)
        return;
    d->line->close();
    d->release();
}

void ModemPort::setPortNumber(int portNumber)
{
    d->portNumber = portNumber;
}

int ModemPort::portNumber() const
{
    return d->portNumber;
}

Outcome ModemPort::setLineSettings(const LineSettings& settings)
{
    d->settings = settings;
    if (d->isOpen())
        return d->line->applySettings(settings);
    return {};
}

LineSettings ModemPort::lineSettings() const
{
    return d->settings;
}

Outcome ModemPort::write(const QByteArray& bytes)
{
    if (!d->isOpen())
        return Failure{tr("The port is not open.")};
    return d->line->write(bytes);
}

} // namespace miravo
