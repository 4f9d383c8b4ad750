// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ModemManagerStandIn.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QtTest>

#include <csignal>
#include <cstdlib>

namespace miravo::test {
namespace {

const QString Service = QStringLiteral("org.freedesktop.ModemManager1");
const QString MainPath = QStringLiteral("/org/freedesktop/ModemManager1");
const QString MockInterface = QStringLiteral("org.freedesktop.DBus.Mock");
constexpr int StartTimeoutMs = 20000;

pid_t busPid = 0;

void stopBus()
{
    if (busPid > 0)
        ::kill(busPid, SIGTERM);
}

bool serviceOnBus()
{
    const QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
    return bus && bus->isServiceRegistered(Service).value();
}

} // namespace

bool ModemManagerStandIn::startPrivateSystemBus()
{
    static bool started = [] {
        QProcess daemon;
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--fork"), QStringLiteral("--nosyslog"),
                      QStringLiteral("--print-address=1"), QStringLiteral("--print-pid=1")});
        if (!daemon.waitForFinished(StartTimeoutMs) || daemon.exitCode() != 0)
            return false;
        const QStringList lines = QString::fromLocal8Bit(daemon.readAllStandardOutput()).split(QLatin1Char('\n'));
        if (lines.size() < 2)
            return false;
        busPid = lines.at(1).trimmed().toInt();
        std::atexit(stopBus);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", lines.at(0).trimmed().toLocal8Bit());
        return busPid > 0 && QDBusConnection::systemBus().isConnected();
    }();
    return started;
}

ModemManagerStandIn::ModemManagerStandIn()
{
    if (!startPrivateSystemBus()) {
        m_error = QStringLiteral("the private system bus did not start");
        return;
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
                     QStringLiteral("--template"), QStringLiteral(MIRAVO_TEST_SUPPORT_DIR "/modemmanager_standin.py")});
    if (!m_process.waitForStarted(StartTimeoutMs)) {
        m_error = m_process.errorString();
        return;
    }
    m_ready = QTest::qWaitFor([] { return serviceOnBus(); }, StartTimeoutMs);
    if (!m_ready)
        m_error = QStringLiteral("the ModemManager stand-in did not come onto the bus");
}

ModemManagerStandIn::~ModemManagerStandIn()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(StartTimeoutMs))
            m_process.kill();
        m_process.waitForFinished(StartTimeoutMs);
    }
    if (!QTest::qWaitFor([] { return !serviceOnBus(); }, StartTimeoutMs))
        qWarning("the ModemManager stand-in is still on the bus");
}

bool ModemManagerStandIn::call(const QString& method, const QVariantList& arguments) const
{
    QDBusMessage request = QDBusMessage::createMethodCall(Service, MainPath, MockInterface, method);
    request.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection::systemBus().call(request);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qWarning("stand-in %s: %s", qPrintable(method), qPrintable(reply.errorMessage()));
        return false;
    }
    return true;
}

void ModemManagerStandIn::addModem(int index, const QString& equipmentIdentifier, const QString& model, int state,
                                   bool voice)
{
    call(QStringLiteral("AddModem"), {index, equipmentIdentifier, model, state, voice});
}

void ModemManagerStandIn::setModemState(int index, int state)
{
    call(QStringLiteral("SetModemState"),
         {QVariant::fromValue(QDBusObjectPath(MainPath + QStringLiteral("/Modem/%1").arg(index))), state});
}

void ModemManagerStandIn::setCallScript(const QString& outcome, int delayMs)
{
    call(QStringLiteral("SetCallScript"), {outcome, static_cast<uint>(delayMs)});
}

void ModemManagerStandIn::endCalls()
{
    call(QStringLiteral("EndCalls"), {});
}

int ModemManagerStandIn::callState(int id) const
{
    QDBusMessage request =
        QDBusMessage::createMethodCall(Service, MainPath + QStringLiteral("/Call/%1").arg(id),
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    request << QStringLiteral("org.freedesktop.ModemManager1.Call") << QStringLiteral("State");
    const QDBusMessage reply = QDBusConnection::systemBus().call(request);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toInt();
}

QStringList ModemManagerStandIn::journal() const
{
    const QDBusMessage reply = QDBusConnection::systemBus().call(
        QDBusMessage::createMethodCall(Service, MainPath, MockInterface, QStringLiteral("Journal")));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {QStringLiteral("<no journal: %1>").arg(reply.errorMessage())};
    return reply.arguments().constFirst().toStringList();
}

QStringList ModemManagerStandIn::keysSent() const
{
    QStringList keys;
    for (const QString& entry : journal()) {
        if (entry.startsWith(QLatin1String("SendDtmf ")))
            keys.append(entry.section(QLatin1Char(' '), 2));
    }
    return keys;
}

} // namespace miravo::test
