// SPDX-License-Identifier: GPL-3.0-or-later
// The line under a port object: what "open", "write" and "close" do for the kind of line a COM number names
// (LineChoice.h). ModemPort holds one line while it is open and does the rest (the port number, the settings, one
// holder per COM number); a line only does its own part.
//
// A new kind of line plugs in with setLineFactory(kind, factory): the factory makes a closed line for a choice of
// that kind. The serial, the ModemManager and the speaker lines are built in; a kind without a factory fails to
// open.
#pragma once

#include "Result.h"
#include "modem/LineChoice.h"

#include <QByteArray>
#include <QSerialPort>

#include <functional>
#include <memory>

namespace miravo {

// The framing of a serial line, typed as QSerialPort takes it. Lines that are no serial device have none.
struct LineSettings {
    qint32 baudRate = QSerialPort::Baud9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The line settings of every dial: 9600 baud, no parity, 8 data bits, 1 stop bit.
inline constexpr LineSettings DialLineSettings{};

class ModemLine {
public:
    ModemLine() = default;
    virtual ~ModemLine() = default;
    Q_DISABLE_COPY_MOVE(ModemLine)

    virtual bool isOpen() const = 0;
    // Takes the line. The failure says why (for diagnostics: the windows show their own fixed message).
    virtual Outcome open(const LineSettings& settings) = 0;
    // Hands the bytes of one dial command over and returns at once. Fails when the line is not open or cannot
    // take them, or when what an earlier write started has failed since.
    virtual Outcome write(const QByteArray& bytes) = 0;
    // Lets go of the line. Does nothing when it is not open.
    virtual void close() = 0;
    // Applies new settings to the open line. Only a serial line has any; the others take them and do nothing.
    virtual Outcome applySettings(const LineSettings& settings)
    {
        Q_UNUSED(settings);
        return {};
    }
};

// Makes a closed line for a choice of its kind.
using LineFactory = std::function<std::unique_ptr<ModemLine>(const LineChoice& choice, int portNumber)>;

// Installs (or, with an empty factory, removes) the factory of a kind; the built-in kinds can be replaced too.
void setLineFactory(LineKind kind, LineFactory factory);
// A closed line for `choice`, or nullptr when no factory makes its kind.
std::unique_ptr<ModemLine> createLine(const LineChoice& choice, int portNumber);

} // namespace miravo
