// SPDX-License-Identifier: GPL-3.0-or-later
// Touch tones from the computer's speaker, for a telephone held to it: the line of a COM number whose link names
// `speaker`. The access-number command plays the access number, the tone command its keys with each ',' as a
// pause; both play while the program goes on, and a close silences whatever is still playing, as a modem stops
// dialing when its port closes.
//
// The sound is played by the speaker module (src/speaker), loaded on the first open: the program does not load the
// sound server's client library at start. One holder at a time: the speaker is one device, whichever COM numbers
// name it.
#pragma once

#include "modem/ModemLine.h"

#include <memory>

class QLockFile;

namespace miravo {

class SpeakerOutput;

class SpeakerLine final : public ModemLine {
public:
    SpeakerLine();
    ~SpeakerLine() override;
    Q_DISABLE_COPY_MOVE(SpeakerLine)

    bool isOpen() const override;
    // Fails when the module cannot be loaded, when another window or program holds the speaker, or when there is
    // no sound server or it has no audio output.
    Outcome open(const LineSettings& settings) override;
    // Plays the keys of a dial command after what is still playing, and returns at once. Fails for bytes that are
    // no dial command, and when the sound server has gone.
    Outcome write(const QByteArray& bytes) override;
    // Stops the sound at once.
    void close() override;

private:
    std::unique_ptr<QLockFile> m_holder;
    std::unique_ptr<SpeakerOutput> m_output;
};

// Where the speaker's holder lock lies: beside the COM links, shared by every window and program instance.
QString speakerLockPath();

} // namespace miravo
