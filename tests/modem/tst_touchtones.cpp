// SPDX-License-Identifier: GPL-3.0-or-later
// The sound of the keys of a dial string: which two frequencies each key plays, how long tones, gaps and pauses
// last, what is skipped, and the level. The frequencies are measured in the samples (a Goertzel filter per keypad
// frequency), so a wrong table, a wrong rate or a wrong sine shows up as a tone at the wrong place.
#include "modem/TouchTones.h"
#include "support/SoundServer.h"

#include <QtTest>

#include <cmath>
#include <numbers>

using namespace miravo;
using namespace miravo::test;

namespace {

constexpr int KeypadFrequencies[] = {697, 770, 852, 941, 1209, 1336, 1477, 1633};

// The energy of `samples` at `frequency`.
double energyAt(const QList<qint16>& samples, int frequency)
{
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / ToneSampleRate);
    double previous = 0, beforePrevious = 0;
    for (const qint16 sample : samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    return previous * previous + beforePrevious * beforePrevious - coefficient * previous * beforePrevious;
}

constexpr int ms(int milliseconds)
{
    return ToneSampleRate / 1000 * milliseconds;
}

} // namespace

class tst_TouchTones : public QObject {
    Q_OBJECT

private slots:
    void keyPlaysItsTwoFrequencies_data();
    void keyPlaysItsTwoFrequencies();
    void timing_data();
    void timing();
    void levelStaysUnderFullScale();
};

void tst_TouchTones::keyPlaysItsTwoFrequencies_data()
{
    QTest::addColumn<QChar>("key");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");

    QTest::newRow("1") << QChar(u'1') << 697 << 1209;
    QTest::newRow("2") << QChar(u'2') << 697 << 1336;
    QTest::newRow("3") << QChar(u'3') << 697 << 1477;
    QTest::newRow("A") << QChar(u'A') << 697 << 1633;
    QTest::newRow("4") << QChar(u'4') << 770 << 1209;
    QTest::newRow("5") << QChar(u'5') << 770 << 1336;
    QTest::newRow("6") << QChar(u'6') << 770 << 1477;
    QTest::newRow("B") << QChar(u'B') << 770 << 1633;
    QTest::newRow("7") << QChar(u'7') << 852 << 1209;
    QTest::newRow("8") << QChar(u'8') << 852 << 1336;
    QTest::newRow("9") << QChar(u'9') << 852 << 1477;
    QTest::newRow("C") << QChar(u'C') << 852 << 1633;
    QTest::newRow("*") << QChar(u'*') << 941 << 1209;
    QTest::newRow("0") << QChar(u'0') << 941 << 1336;
    QTest::newRow("#") << QChar(u'#') << 941 << 1477;
    QTest::newRow("D") << QChar(u'D') << 941 << 1633;
}

void tst_TouchTones::keyPlaysItsTwoFrequencies()
{
    QFETCH(QChar, key);
    QFETCH(int, low);
    QFETCH(int, high);

    const QList<qint16> samples = samplesOf(touchToneSamples({ToneStep{ToneStep::Kind::Key, key}}));
    const QList<qint16> tone = samples.first(ms(ToneMs));
    // The two frequencies of the key stand far above every other keypad frequency.
    double weakestOfKey = std::min(energyAt(tone, low), energyAt(tone, high));
    for (const int other : KeypadFrequencies) {
        if (other == low || other == high)
            continue;
        QVERIFY2(weakestOfKey > 100 * energyAt(tone, other),
                 qPrintable(QStringLiteral("%1 Hz is too strong in key %2").arg(other).arg(key)));
    }
    // The high group is sent a little louder than the low group, never the other way round.
    const double twistDb = 10 * std::log10(energyAt(tone, high) / energyAt(tone, low));
    QVERIFY2(twistDb > 0 && twistDb < 4, qPrintable(QString::number(twistDb)));
}

void tst_TouchTones::timing_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QList<int>>("expectedRuns"); // in ms: positive for a tone, negative for silence

    const int tone = ToneMs, gap = -GapMs, pause = -int(DialPauseMs);
    QTest::newRow("nothing plays nothing") << "" << QList<int>{};
    QTest::newRow("one key: tone and gap") << "5" << QList<int>{tone, gap};
    QTest::newRow("a repeated key is two tones") << "11" << QList<int>{tone, gap, tone, gap};
    QTest::newRow("a pause adds two seconds to the gap") << "1,2" << QList<int>{tone, gap + pause, tone, gap};
    QTest::newRow("two pauses add four seconds") << "1,,2" << QList<int>{tone, gap + 2 * pause, tone, gap};
    QTest::newRow("a leading pause is silence first") << ",#" << QList<int>{pause + 0, tone, gap};
    QTest::newRow("all pauses, nothing else") << ",,,," << QList<int>{4 * pause};
    QTest::newRow("blanks, dashes and brackets are skipped") << " (1)-2 . " << QList<int>{tone, gap, tone, gap};
    QTest::newRow("letters past D and W are skipped") << "EWxP9" << QList<int>{tone, gap};
    QTest::newRow("lower-case a to d are keys") << "d" << QList<int>{tone, gap};
    QTest::newRow("a tone command's values")
        << "1,2,,3,#" << QList<int>{tone, gap + pause, tone, gap + 2 * pause, tone, gap + pause, tone, gap};
}

void tst_TouchTones::timing()
{
    QFETCH(QString, keys);
    QFETCH(QList<int>, expectedRuns);

    QList<int> expectedSamples;
    for (const int run : expectedRuns)
        expectedSamples.append(run > 0 ? ms(run) : -ms(-run));
    const QList<int> actual = soundRuns(samplesOf(touchToneSamples(toneSteps(keys))));
    QCOMPARE(actual.size(), expectedSamples.size());
    // A tone fades in and out: its first and last few samples are too quiet to be told from silence.
    for (qsizetype i = 0; i < actual.size(); ++i) {
        QVERIFY2((actual[i] > 0) == (expectedSamples[i] > 0) && std::abs(actual[i] - expectedSamples[i]) <= ms(1),
                 qPrintable(
                     QStringLiteral("run %1: %2 samples, expected %3").arg(i).arg(actual[i]).arg(expectedSamples[i])));
    }
}

void tst_TouchTones::levelStaysUnderFullScale()
{
    const QList<qint16> samples = samplesOf(touchToneSamples(toneSteps(u"0123456789*#ABCD"_qs)));
    QVERIFY(!samples.isEmpty());
    const int peak = peakOf(samples);
    // Loud enough for a telephone's microphone, with room under full scale.
    QVERIFY2(peak > 0.5 * 32767 && peak < 0.7 * 32767, qPrintable(QString::number(peak)));
}

QTEST_GUILESS_MAIN(tst_TouchTones)
#include "tst_touchtones.moc"
