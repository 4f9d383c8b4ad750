// SPDX-License-Identifier: GPL-3.0-or-later
// The entry point of the speaker module (libmiravo_speaker.so): the one piece of the program that talks to the
// sound server, through PulseAudio's client library (which PipeWire's PulseAudio service answers as well).
#pragma once

#include "speaker/SpeakerModule.h"

#include <QObject>

namespace miravo {

class SpeakerPlugin final : public QObject, public SpeakerModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID MiravoSpeakerModule_iid)
    Q_INTERFACES(miravo::SpeakerModule)
    Q_DISABLE_COPY_MOVE(SpeakerPlugin)

public:
    SpeakerPlugin() = default;
    ~SpeakerPlugin() override = default;

    std::unique_ptr<SpeakerOutput> createOutput() override;
};

} // namespace miravo
