// The modem link: one serial port object per dialing window (the main window's and the keypad window's).
// Write-only: the program sends dial commands and never reads the modem's answers.
//
// Port number n maps to a device: the symbolic link <per-user data folder>/MiravoDialer/ports/COMn when it
// exists, otherwise /dev/ttyS<n-1>. A number below 1, or one that names no device, makes the next open fail.
#pragma once

#include "Result.h"

#include <QObject>
#include <QString>

#include <memory>

namespace miravo {

// The line settings of every dial: 9600 baud, no parity, 8 data bits, 1 stop bit.
inline const QString DialLineSettings = QStringLiteral("9600,N,8,1");

// Port numbers start at COM1; a lower number names no port.
constexpr int FirstPortNumber = 1;

// The one message every window shows for a failing port step, whatever the cause.
inline const QString ComPortMessage = QStringLiteral("Check your com port settings.!");

// The folder that holds the COMn links: <per-user data folder>/MiravoDialer/ports.
QString portLinksFolder();
// The link for port number n in portLinksFolder() (whether or not it exists; "" when n names no port).
QString portLinkPath(int portNumber);
// The device that port number n maps to ("" when n names no port).
QString devicePathForPort(int portNumber);

class ModemPort final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ModemPort)

public:
    explicit ModemPort(QObject* parent = nullptr);
    ~ModemPort() override; // closes an open port, delivering what was written first

    bool isOpen() const;
    // Opens the numbered port with the current settings. Fails when the number names no port, when the port is
    // held open by another port object or another program, or when this object has it open already; the failure
    // says why (for diagnostics: the windows show their own fixed message).
    Outcome open();
    // Delivers every byte written so far (bounded wait), then closes; the modem leaves the line. What a device that
    // stopped taking bytes has not sent within the bound is dropped, so the close always returns.
    // Does nothing when the port is not open.
    void close();

    // Takes effect at the next open.
    void setPortNumber(int portNumber);
    int portNumber() const;

    // "9600,N,8,1": a speed, then no parity, 8 data bits and 1 stop bit, the only framing the program dials with.
    // Accepted open or closed, applied at once to an open port. Fails for any other text.
    Outcome setLineSettings(const QString& settings);
    QString lineSettings() const;

    // Hands the command over for sending, each character as one byte, and returns at once.
    // Fails when the port is not open, or when the port takes fewer bytes than the command has.
    Outcome write(const QString& command);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace miravo
