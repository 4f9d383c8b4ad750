// SPDX-License-Identifier: GPL-3.0-or-later
// Touch tones as sound: what the speaker line plays for the keys of a dial command. Each key is the sum of two
// sines, one of the low group and one of the high group (ITU-T Q.23), played for ToneMs and followed by GapMs of
// silence; a dial pause is DialPauseMs of silence, the usual default of a modem's pause register. 100 ms of tone and
// 100 ms of silence are well above the 40 ms each that Q.24 asks a receiver to take, and are decoded reliably after
// a trip from a computer's speaker through a telephone's microphone.
#pragma once

#include "modem/DialString.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace miravo {

// The samples: 16-bit signed, little-endian, one channel at this rate.
constexpr int ToneSampleRate = 44100;
constexpr int ToneMs = 100;
constexpr int GapMs = 100;

// Peak level of each group's sine, as a share of full scale. The high group is a little louder (1.4 dB), as
// telephones send it, since a line loses more of the higher frequencies; the two together peak at 0.65 of full
// scale, so no sample clips and the speaker's own amplifier has room too.
constexpr double LowGroupLevel = 0.30;
constexpr double HighGroupLevel = 0.35;

struct KeyFrequencies {
    int low = 0;  // Hz: 697, 770, 852 or 941
    int high = 0; // Hz: 1209, 1336, 1477 or 1633
};

// The two frequencies of a key: 0-9, *, #, and A-D (upper or lower case). Nothing for any other character.
std::optional<KeyFrequencies> keyFrequencies(QChar key);

// The sound of the steps: a tone and a gap for each key, DialPauseMs of silence for each pause. A key without
// frequencies plays nothing.
QByteArray touchToneSamples(const QList<ToneStep>& steps);

} // namespace miravo
