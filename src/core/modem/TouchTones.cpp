// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/TouchTones.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace miravo {
namespace {

constexpr int samplesFor(qint64 ms)
{
    return int(ToneSampleRate / 1000 * ms);
}

// The tone fades in and out over this long: a tone switched on or off at full level clicks, and a click has energy
// at every frequency, which a receiver may read as a second key.
constexpr int EdgeMs = 4;

constexpr double FullScale = 32767.0;

void appendSilence(QByteArray& pcm, int samples)
{
    pcm.append(QByteArray(samples * 2, '\0'));
}

void appendTone(QByteArray& pcm, KeyFrequencies key)
{
    const int samples = samplesFor(ToneMs);
    const int edge = samplesFor(EdgeMs);
    const qsizetype start = pcm.size();
    pcm.resize(start + samples * 2);
    char* out = pcm.data() + start;
    for (int i = 0; i < samples; ++i) {
        const double t = double(i) / ToneSampleRate;
        double value = LowGroupLevel * std::sin(2 * std::numbers::pi * key.low * t) +
                       HighGroupLevel * std::sin(2 * std::numbers::pi * key.high * t);
        const int fromEdge = std::min(i, samples - 1 - i);
        if (fromEdge < edge)
            value *= 0.5 - 0.5 * std::cos(std::numbers::pi * fromEdge / edge);
        qToLittleEndian<qint16>(qint16(std::lround(value * FullScale)), out + i * 2);
    }
}

} // namespace

std::optional<KeyFrequencies> keyFrequencies(QChar key)
{
    // The keypad's rows and columns: a key sounds its row's low and its column's high frequency.
    static constexpr int Low[] = {697, 770, 852, 941};
    static constexpr int High[] = {1209, 1336, 1477, 1633};
    static constexpr char16_t Keys[4][4] = {
        {u'1', u'2', u'3', u'A'},
        {u'4', u'5', u'6', u'B'},
        {u'7', u'8', u'9', u'C'},
        {u'*', u'0', u'#', u'D'},
    };
    const char16_t wanted = key.toUpper().unicode();
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            if (Keys[row][column] == wanted)
                return KeyFrequencies{Low[row], High[column]};
        }
    }
    return std::nullopt;
}

QByteArray touchToneSamples(const QList<ToneStep>& steps)
{
    QByteArray pcm;
    for (const ToneStep& step : steps) {
        if (step.kind == ToneStep::Kind::Pause) {
            appendSilence(pcm, samplesFor(DialPauseMs));
        } else if (const auto frequencies = keyFrequencies(step.key)) {
            appendTone(pcm, *frequencies);
            appendSilence(pcm, samplesFor(GapMs));
        }
    }
    return pcm;
}

} // namespace miravo
