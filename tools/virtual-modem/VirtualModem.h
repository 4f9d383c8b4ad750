// SPDX-License-Identifier: GPL-3.0-or-later
// A modem without hardware: a pseudo-terminal whose far end is linked where a COM port number maps (see
// ModemPort.h), so the program dials into it like into a real modem. It records every byte that arrives and
// notices when the program opens and lets go of the port, which is when a real modem would leave the line.
// It answers nothing: the program reads nothing from the modem.
// Used by the miravo-virtual-modem tool and, through tests/support, by the tests.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

namespace miravo {

class VirtualModem final {
public:
    using Clock = std::chrono::steady_clock;

    struct Event {
        enum class Kind {
            Opened,   // the program opened the port (no other open was holding it)
            Received, // bytes arrived
            Released, // the last open of the port was closed and every byte before it was read
        };
        Kind kind;
        QByteArray bytes; // for Received
        Clock::time_point when;
    };
    // Called on the modem's own reading thread, one event at a time, in order.
    using Listener = std::function<void(const Event&)>;

    explicit VirtualModem(int portNumber = 3);
    ~VirtualModem(); // stops
    Q_DISABLE_COPY_MOVE(VirtualModem)

    // Set before start().
    void setListener(Listener listener);
    // Replace a link that is already in place. Without it, start() only replaces a dangling link into /dev/pts
    // (one that an earlier virtual modem left behind).
    void setReplaceExistingLink(bool replace);

    // Opens the pseudo-terminal, places the link for the port number and starts reading.
    bool start();
    // Stops reading, removes the link (when it is still ours) and closes the pseudo-terminal.
    void stop();
    bool isRunning() const;
    QString errorString() const;

    int portNumber() const;
    QString linkPath() const;   // where the port number maps
    QString devicePath() const; // the pseudo-terminal's far end, /dev/pts/N

    QByteArray received() const;
    void clearReceived();
    int openCount() const;  // times the port went from free to held
    int closeCount() const; // times it went back to free
    bool isPortOpen() const;
    Clock::time_point lastReceivedAt() const;
    // The line settings the program has set on the port right now, as "9600,N,8,1" ("" when not running).
    QString lineSettings() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The bytes as readable text: control characters become <CR>, <LF> or <hex>, like "ATDT18005551234<CR>".
QString visibleText(const QByteArray& bytes);

// Cuts the byte stream into commands: a command ends with CR, or with CR LF when an LF follows at once.
// A CR at the very end stays pending until the next byte (or flush()) shows whether an LF follows.
class CommandSplitter final {
public:
    QList<QByteArray> feed(const QByteArray& bytes);
    QByteArray flush(); // whatever is pending, as an unfinished command
    bool hasPending() const { return !m_pending.isEmpty(); }

private:
    QByteArray m_pending;
};

} // namespace miravo
