// SPDX-License-Identifier: GPL-3.0-or-later
// A Hayes modem on a serial device: the bytes go out as they are, and the close drops DTR, which makes the modem
// leave the line.
#pragma once

#include "modem/ModemLine.h"

#include <QSerialPort>

namespace miravo {

class SerialLine final : public ModemLine {
public:
    // `device` is the path to open: a link is followed, so the device lock is named after the real device.
    // `portName` ("COM3") is what a failure's reason calls the port.
    SerialLine(QString device, QString portName);
    ~SerialLine() override;
    Q_DISABLE_COPY_MOVE(SerialLine)

    bool isOpen() const override;
    Outcome open(const LineSettings& settings) override;
    Outcome write(const QByteArray& bytes) override;
    // Delivers every byte written so far (bounded wait), then closes. What a device that stopped taking bytes has
    // not sent within the bound is dropped, so the close always returns.
    void close() override;
    Outcome applySettings(const LineSettings& settings) override;

private:
    QString m_device;
    QString m_portName;
    QSerialPort m_serial;
};

} // namespace miravo
