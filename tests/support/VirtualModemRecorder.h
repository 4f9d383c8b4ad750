// SPDX-License-Identifier: GPL-3.0-or-later
// A modem for tests: a real pseudo-terminal linked as COM port n in the current per-user data folder (so create
// a TempDataFolder first), recording every byte the program writes to the port. The waits process events, so a
// port object that sends from the event loop keeps sending while a test waits.
#pragma once

#include "VirtualModem.h"

namespace miravo::test {

class VirtualModemRecorder final {
public:
    explicit VirtualModemRecorder(int portNumber = 3);
    Q_DISABLE_COPY_MOVE(VirtualModemRecorder)

    // False when the pseudo-terminal or its link could not be made (see errorString()).
    bool isReady() const { return m_modem.isRunning(); }
    QString errorString() const { return m_modem.errorString(); }

    QByteArray received() const { return m_modem.received(); }
    void clear() { m_modem.clearReceived(); }
    // Waits (processing events) until at least n bytes arrived in all.
    bool waitForBytes(qsizetype n, int ms = 5000);
    // Waits until the port was let go `count` times in all, every byte before the last close read.
    bool waitForCloses(int count, int ms = 5000);

    int openCount() const { return m_modem.openCount(); }
    int closeCount() const { return m_modem.closeCount(); }
    bool portOpen() const { return m_modem.isPortOpen(); }
    bool portClosed() const { return !m_modem.isPortOpen(); }

    QString linkPath() const { return m_modem.linkPath(); }
    QString devicePath() const { return m_modem.devicePath(); }
    VirtualModem& modem() { return m_modem; }

private:
    VirtualModem m_modem;
};

} // namespace miravo::test
