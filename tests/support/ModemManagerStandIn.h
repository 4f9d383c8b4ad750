// SPDX-License-Identifier: GPL-3.0-or-later
// ModemManager for the tests: python-dbusmock with the template modemmanager_standin.py, on a private system bus
// that the test program starts for itself (DBUS_SYSTEM_BUS_ADDRESS points the program's code at it). Modems are
// added as the test needs them; every call made on ModemManager's interfaces lands in the journal, in order.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace miravo::test {

class ModemManagerStandIn {
public:
    // Starts the private system bus once per test program (before anything reaches the system bus); without a
    // stand-in running, ModemManager is absent from it. False when the bus could not start.
    static bool startPrivateSystemBus();

    // Starts ModemManager on the private bus, with no modems.
    ModemManagerStandIn();
    // Stops it, and waits until it has left the bus.
    ~ModemManagerStandIn();
    Q_DISABLE_COPY_MOVE(ModemManagerStandIn)

    bool isReady() const { return m_ready; }
    QString errorString() const { return m_error; }

    // MMModemState values the tests use.
    static constexpr int Disabled = 3;
    static constexpr int Registered = 8;
    static constexpr int Connected = 11;

    // Adds /org/freedesktop/ModemManager1/Modem/<index>; `voice` gives it the Voice interface.
    void addModem(int index, const QString& equipmentIdentifier, const QString& model, int state, bool voice);
    void setModemState(int index, int state);
    // How the next calls go: "answer" (active after `delayMs`), "fail" (ended after `delayMs`), "refuse-dtmf"
    // (active, but every touch tone is refused).
    void setCallScript(const QString& outcome, int delayMs);
    // The far end hangs up every call.
    void endCalls();
    // The state of call <id> (MMCallState), -1 when there is no such call.
    int callState(int id) const;

    // "CreateCall <number> -> <id>", "Start <id>", "SendDtmf <id> <key>", "Hangup <id>", ... in order.
    QStringList journal() const;
    // What each SendDtmf sent (one key each, as the program sends them), in order.
    QStringList keysSent() const;

private:
    bool call(const QString& method, const QVariantList& arguments) const;

    QProcess m_process;
    bool m_ready = false;
    QString m_error;
};

} // namespace miravo::test
