// SPDX-License-Identifier: GPL-3.0-or-later
// One voice call placed through ModemManager (org.freedesktop.ModemManager1.Call on the system bus): started
// with the access number, then touch tones sent one key at a time, in order, once the call is active, with the
// pauses between them. Used by ModemManagerLine; it outlives the line when the call is handed to the person on
// the phone while tones are still going out.
#pragma once

#include "Result.h"
#include "modem/DialString.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace miravo {

class VoiceCall final : public QObject, public std::enable_shared_from_this<VoiceCall> {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VoiceCall)

public:
    // Creates the call on the modem's Voice interface and starts it. Fails when ModemManager refuses to create
    // it; a failing start shows later, at the next sendTones. Deleted through deleteLater.
    static Result<std::shared_ptr<VoiceCall>> place(const QDBusConnection& bus, const QString& modemPath,
                                                    const QString& number);
    ~VoiceCall() override;

    // Queues the steps; they go out once the call is active. Fails when the call has failed or ended since it
    // was placed, or an earlier key was refused.
    Outcome sendTones(const QList<ToneStep>& steps);
    // Whether tones were handed over: from then on the call belongs to the person on the phone.
    bool tonesHandedOver() const { return m_tonesHandedOver; }
    // Ends the call; waits for ModemManager's answer when `waitForAnswer` (at the program's end, when no event
    // loop is left to deliver the request).
    void hangUp(bool waitForAnswer = false);
    const QString& modemPath() const { return m_modemPath; }

private slots:
    // Call.StateChanged is (i old, i new, u reason).
    void onStateChanged(int oldState, int newState, uint reason);

private:
    VoiceCall(const QDBusConnection& bus, QString modemPath, QString callPath);
    void start();
    void sendNext();
    void fail(const QString& reason);
    // Holds this call alive while tones are still to go out, so a line that let go of it does not cut them off.
    void keepAliveWhileBusy();

    QDBusConnection m_bus;
    QString m_modemPath;
    QString m_callPath;
    int m_state = 0;
    QString m_failure;
    QList<ToneStep> m_queue;
    bool m_busy = false; // a key's request or a pause is under way
    bool m_tonesHandedOver = false;
    bool m_hungUp = false;
    std::shared_ptr<VoiceCall> m_keepAlive;
};

} // namespace miravo
