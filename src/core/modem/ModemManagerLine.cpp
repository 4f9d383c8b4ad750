// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/ModemManagerLine.h"

#include "modem/DialString.h"
#include "modem/ModemManager.h"
#include "modem/VoiceCall.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>

#include <algorithm>
#include <map>
#include <utility>

namespace miravo {

namespace mm = modemmanager;

namespace {

// A call whose port was closed in this turn of the event loop: kept for an open of the same COM number in the
// same turn (the close and re-open between the two commands), ended or let go on the next turn.
struct ParkedCall {
    std::shared_ptr<VoiceCall> call;
    bool hangUp = false;
};

std::map<int, ParkedCall>& parkedCalls()
{
    static std::map<int, ParkedCall> parked;
    return parked;
}

void settleParkedCall(int portNumber, const VoiceCall* call, bool atProgramEnd)
{
    auto& parked = parkedCalls();
    const auto it = parked.find(portNumber);
    if (it == parked.end() || it->second.call.get() != call)
        return; // taken up again by a re-open
    const ParkedCall settled = it->second;
    parked.erase(it);
    if (settled.hangUp)
        settled.call->hangUp(atProgramEnd);
}

void park(int portNumber, std::shared_ptr<VoiceCall> call)
{
    const bool hangUp = !call->tonesHandedOver();
    const VoiceCall* raw = call.get();
    // An earlier call of the same COM number still waiting for its turn is settled first, not forgotten.
    if (const auto earlier = parkedCalls().find(portNumber); earlier != parkedCalls().end())
        settleParkedCall(portNumber, earlier->second.call.get(), false);
    parkedCalls()[portNumber] = ParkedCall{std::move(call), hangUp};
    // Without an event loop to come (no application, or one being torn down) there is no next turn: settle now.
    if (!QCoreApplication::instance() || QCoreApplication::closingDown()) {
        settleParkedCall(portNumber, raw, true);
        return;
    }
    QTimer::singleShot(0, raw, [portNumber, raw] { settleParkedCall(portNumber, raw, false); });
    // A window closed as the program ends: there is no next turn, so the call ends before the program does.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, raw,
                     [portNumber, raw] { settleParkedCall(portNumber, raw, true); });
}

std::shared_ptr<VoiceCall> takeParkedCall(int portNumber, const QString& modemPath)
{
    auto& parked = parkedCalls();
    const auto it = parked.find(portNumber);
    if (it == parked.end() || it->second.call->modemPath() != modemPath)
        return nullptr;
    std::shared_ptr<VoiceCall> call = std::move(it->second.call);
    parked.erase(it);
    return call;
}

} // namespace

ModemManagerLine::ModemManagerLine(QString equipmentIdentifier, int portNumber)
    : m_equipmentIdentifier(std::move(equipmentIdentifier))
    , m_portNumber(portNumber)
{}

ModemManagerLine::~ModemManagerLine()
{
    close();
}

bool ModemManagerLine::isOpen() const
{
    return m_open;
}

Outcome ModemManagerLine::open(const LineSettings& settings)
{
    Q_UNUSED(settings); // a voice call has no framing
    if (m_open)
        return Failure{QObject::tr("The port is already open.")};
    // The system bus is reached on the first open of such a line, never at start.
    const auto found = mm::modems();
    if (!found.ok())
        return found.failure();

    const auto modem = std::find_if(found.value().cbegin(), found.value().cend(), [this](const mm::Modem& m) {
        return m_equipmentIdentifier.isEmpty() ? m.hasVoice : m.equipmentIdentifier == m_equipmentIdentifier;
    });
    if (modem == found.value().cend()) {
        return Failure{m_equipmentIdentifier.isEmpty()
                           ? QObject::tr("ModemManager has no modem with voice calls.")
                           : QObject::tr("ModemManager has no modem %1.").arg(m_equipmentIdentifier)};
    }
    if (!modem->hasVoice)
        return Failure{QObject::tr("The modem %1 has no voice calls.").arg(modem->path)};
    // ModemManager refuses a call only when it starts; a modem that is not on a network cannot place one.
    if (modem->state < mm::ModemStateRegistered)
        return Failure{
            QObject::tr("The modem %1 is not registered on a network (state %2).").arg(modem->path).arg(modem->state)};

    m_modemPath = modem->path;
    m_call = takeParkedCall(m_portNumber, m_modemPath);
    m_callTakenUp = m_call != nullptr;
    m_open = true;
    return {};
}

Outcome ModemManagerLine::write(const QByteArray& bytes)
{
    if (!m_open)
        return Failure{QObject::tr("The port is not open.")};
    const auto dial = dialString(bytes);
    if (!dial)
        return Failure{QObject::tr("A ModemManager modem takes dial commands only.")};
    // A call taken up again at the open goes on with a tone command (CR LF). An access-number command (CR alone)
    // means a new dial that came so quickly after a close that no turn of the event loop ran in between: the
    // earlier call is settled as that close would have settled it.
    const bool tones = isToneCommand(bytes);
    if (std::exchange(m_callTakenUp, false) && !tones) {
        if (!m_call->tonesHandedOver())
            m_call->hangUp();
        m_call.reset();
    }
    if (m_call)
        return m_call->sendTones(toneSteps(*dial));
    // Touch tones with no call to send them on (the call was ended by END or Disconnect during the keypad's
    // pause): a modem would dial them as a number; a phone must not call "2,4321,,5551234,#".
    if (tones)
        return Failure{QObject::tr("There is no call to send the touch tones on.")};
    const QString number = numberToCall(*dial);
    if (number.isEmpty())
        return Failure{QObject::tr("There is no number to call.")};
    auto placed = VoiceCall::place(QDBusConnection::systemBus(), m_modemPath, number);
    if (!placed.ok())
        return placed.failure();
    m_call = std::move(placed.value());
    return {};
}

void ModemManagerLine::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_callTakenUp = false;
    if (m_call)
        park(m_portNumber, std::move(m_call));
    m_call.reset();
}

} // namespace miravo
