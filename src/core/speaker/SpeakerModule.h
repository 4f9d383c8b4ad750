// SPDX-License-Identifier: GPL-3.0-or-later
// The speaker lives in a module of its own (libmiravo_speaker.so), loaded on the first open of a speaker line: the
// sound server's client library is not the program's to pay for at every start, and most users dial through a
// modem. This is the one thing the program and the module share.
#pragma once

#include "Result.h"

#include <QByteArray>
#include <QtPlugin>

#include <memory>

namespace miravo {

// The default audio output, as a stream the program plays samples into (16-bit signed little-endian mono at
// ToneSampleRate, see modem/TouchTones.h). Used from the user-interface thread only; the sound itself plays on a
// thread of its own, so no call waits for it.
class SpeakerOutput {
public:
    virtual ~SpeakerOutput() = default; // stops the sound at once

    // Connects to the sound server and opens a stream on its default output. Fails when there is no server or the
    // server has no output; the failure says why.
    virtual Outcome open() = 0;
    // Queues the samples after what is still playing and returns at once. Fails when the output is not open or
    // the server went away.
    virtual Outcome play(const QByteArray& samples) = 0;
    // Stops the sound at once, dropping whatever has not been played, and lets go of the output.
    virtual void stop() = 0;
};

class SpeakerModule {
public:
    virtual ~SpeakerModule() = default;
    virtual std::unique_ptr<SpeakerOutput> createOutput() = 0;
};

} // namespace miravo

#define MiravoSpeakerModule_iid "org.miravodialer.SpeakerModule/1.0"
Q_DECLARE_INTERFACE(miravo::SpeakerModule, MiravoSpeakerModule_iid)
