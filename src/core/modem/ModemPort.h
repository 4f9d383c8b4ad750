// SPDX-License-Identifier: GPL-3.0-or-later
// The modem link: one port object per dialing window (the main window's and the keypad window's).
// Write-only: the program sends dial commands and never reads the modem's answers.
//
// Port number n names a line (LineChoice.h): a serial device, as always, or another kind of line such as a
// ModemManager modem. The port object opens the line that COM n names at each open; a number below 1, or one that
// names nothing that can be opened, makes the open fail.
#pragma once

#include "Result.h"
#include "modem/LineChoice.h"
#include "modem/ModemLine.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

namespace miravo {

// The one message every window shows for a failing port step, whatever the cause.
inline const QString ComPortMessage = QStringLiteral("Check your com port settings.!");

class ModemPort final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ModemPort)

public:
    explicit ModemPort(QObject* parent = nullptr);
    ~ModemPort() override; // closes an open port, delivering what was written first

    bool isOpen() const;
    // Opens the line of the numbered port with the current settings. Fails when the number names no port, when
    // the port is held open by another port object or another program, or when this object has it open already;
    // the failure says why (for diagnostics: the windows show their own fixed message).
    Outcome open();
    // Delivers every byte written so far (bounded wait), then closes; the modem leaves the line. What a device that
    // stopped taking bytes has not sent within the bound is dropped, so the close always returns.
    // Does nothing when the port is not open.
    void close();

    // Takes effect at the next open.
    void setPortNumber(int portNumber);
    int portNumber() const;

    // Accepted open or closed, applied at once to an open port.
    Outcome setLineSettings(const LineSettings& settings);
    LineSettings lineSettings() const;

    // Hands the bytes of a command over for sending (DialCommands composes them) and returns at once.
    // Fails when the port is not open, or when the line cannot take them.
    Outcome write(const QByteArray& bytes);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace miravo
