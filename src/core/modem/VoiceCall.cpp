// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/VoiceCall.h"

#include "Clock.h"
#include "modem/ModemManager.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace miravo {

namespace mm = modemmanager;

Result<std::shared_ptr<VoiceCall>> VoiceCall::place(const QDBusConnection& bus, const QString& modemPath,
                                                    const QString& number)
{
    QDBusMessage create =
        QDBusMessage::createMethodCall(mm::Service, modemPath, mm::VoiceInterface, QStringLiteral("CreateCall"));
    create << QVariantMap{{QStringLiteral("number"), number}};
    const QDBusMessage created = QDBusConnection(bus).call(create, QDBus::Block, mm::RequestTimeoutMs);
    if (created.type() != QDBusMessage::ReplyMessage || created.arguments().isEmpty())
        return Failure{QObject::tr("ModemManager did not create the call: %1").arg(created.errorMessage())};
    const QString callPath = created.arguments().constFirst().value<QDBusObjectPath>().path();
    if (callPath.isEmpty())
        return Failure{QObject::tr("ModemManager answered the call request without a call.")};

    // Deleted later rather than at once: the last holder may let go from inside one of the call's own handlers.
    std::shared_ptr<VoiceCall> call(new VoiceCall(bus, modemPath, callPath), [](VoiceCall* c) { c->deleteLater(); });
    call->start();
    return call;
}

VoiceCall::VoiceCall(const QDBusConnection& bus, QString modemPath, QString callPath)
    : m_bus(bus)
    , m_modemPath(std::move(modemPath))
    , m_callPath(std::move(callPath))
{
    // QDBusConnection::connect takes the slot by its signature; the signal's arguments are (i, i, u), and a slot
    // of three ints would not connect.
    m_bus.connect(mm::Service, m_callPath, mm::CallInterface, QStringLiteral("StateChanged"), this,
                  SLOT(onStateChanged(int, int, uint)));
}

VoiceCall::~VoiceCall()
{
    m_bus.disconnect(mm::Service, m_callPath, mm::CallInterface, QStringLiteral("StateChanged"), this,
                     SLOT(onStateChanged(int, int, uint)));
}

void VoiceCall::start()
{
    // Subscribed before the start, so no state change is missed. ModemManager answers the start once the modem
    // dials; the call then goes active when the far end answers.
    const QDBusMessage request =
        QDBusMessage::createMethodCall(mm::Service, m_callPath, mm::CallInterface, QStringLiteral("Start"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(request, mm::RequestTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        if (done->isError())
            fail(tr("The modem did not place the call: %1").arg(done->error().message()));
    });
}

Outcome VoiceCall::sendTones(const QList<ToneStep>& steps)
{
    if (!m_failure.isEmpty())
        return Failure{m_failure};
    m_tonesHandedOver = true;
    m_queue.append(steps);
    sendNext();
    keepAliveWhileBusy();
    return {};
}

void VoiceCall::sendNext()
{
    if (m_busy || m_queue.isEmpty() || m_state != mm::CallStateActive || !m_failure.isEmpty()) {
        keepAliveWhileBusy();
        return;
    }
    const ToneStep step = m_queue.takeFirst();
    m_busy = true;
    if (step.kind == ToneStep::Kind::Pause) {
        callAfter(DialPauseMs, this, [this] {
            m_busy = false;
            sendNext();
        });
        return;
    }
    // One key per request: ModemManager before 1.26 sends only the first character of the string it is given.
    QDBusMessage request =
        QDBusMessage::createMethodCall(mm::Service, m_callPath, mm::CallInterface, QStringLiteral("SendDtmf"));
    request << QString(step.key);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(request, mm::RequestTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        m_busy = false;
        if (done->isError()) {
            fail(tr("The modem did not send a touch tone: %1").arg(done->error().message()));
            return;
        }
        sendNext();
    });
}

void VoiceCall::onStateChanged(int oldState, int newState, uint reason)
{
    Q_UNUSED(oldState);
    Q_UNUSED(reason);
    m_state = newState;
    if (newState == mm::CallStateTerminated) {
        fail(tr("The call has ended."));
        return;
    }
    sendNext();
}

void VoiceCall::fail(const QString& reason)
{
    if (m_failure.isEmpty())
        m_failure = reason;
    m_queue.clear();
    keepAliveWhileBusy();
}

void VoiceCall::hangUp(bool waitForAnswer)
{
    if (m_hungUp || m_state == mm::CallStateTerminated)
        return;
    m_hungUp = true;
    m_queue.clear();
    const QDBusMessage request =
        QDBusMessage::createMethodCall(mm::Service, m_callPath, mm::CallInterface, QStringLiteral("Hangup"));
    if (waitForAnswer)
        m_bus.call(request, QDBus::Block, mm::RequestTimeoutMs);
    else
        m_bus.asyncCall(request, mm::RequestTimeoutMs);
    keepAliveWhileBusy();
}

void VoiceCall::keepAliveWhileBusy()
{
    const bool busy = m_busy || !m_queue.isEmpty();
    if (busy && !m_keepAlive)
        m_keepAlive = shared_from_this();
    else if (!busy && m_keepAlive)
        m_keepAlive.reset(); // may be the last holder: the deleter defers the deletion to the event loop
}

} // namespace miravo
