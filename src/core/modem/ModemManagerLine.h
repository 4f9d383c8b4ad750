// SPDX-License-Identifier: GPL-3.0-or-later
// A COM number that names a ModemManager modem (a phone's, a USB stick's, a laptop module's): the access-number
// command places a voice call, the tone command sends its keys as touch tones on that call.
//
// Open succeeds when the modem is there, has voice calls and is registered on a network. Closing before the tone
// command went out ends the call, as a modem leaves the line, except for the close and re-open between the two
// commands (the same COM number opened again before the event loop runs on keeps the call). Once the tones went
// out the call belongs to the person on the phone: later closes leave it.
#pragma once

#include "modem/ModemLine.h"

#include <QString>

#include <memory>

namespace miravo {

class VoiceCall;

class ModemManagerLine final : public ModemLine {
public:
    // `equipmentIdentifier` names the modem; "" takes the first one with voice calls.
    ModemManagerLine(QString equipmentIdentifier, int portNumber);
    ~ModemManagerLine() override;
    Q_DISABLE_COPY_MOVE(ModemManagerLine)

    bool isOpen() const override;
    Outcome open(const LineSettings& settings) override;
    Outcome write(const QByteArray& bytes) override;
    void close() override;

private:
    QString m_equipmentIdentifier;
    int m_portNumber;
    bool m_open = false;
    QString m_modemPath;
    std::shared_ptr<VoiceCall> m_call;
    bool m_callTakenUp = false; // m_call was kept from the close just before this open
};

} // namespace miravo
