// SPDX-License-Identifier: GPL-3.0-or-later
// The speaker module on a real sound server without a sound card: what it plays arrives on the default output
// with the timing the samples have, sample for sample, and a write after the server went away fails. The recording
// is read back in samples and decoded by multimon-ng. Stopping, and opening without an output, are tested through
// the windows (tests/speaker).
#include "ProgramModules.h"
#include "modem/TouchTones.h"
#include "speaker/SpeakerModule.h"
#include "support/SoundServer.h"

#include <QtTest>

using namespace miravo;
using namespace miravo::test;

namespace {

constexpr int samplesPerMs = RecordingRate / 1000;

SpeakerModule* speakerModule()
{
    const Result<QObject*> root = loadProgramModule(QStringLiteral("miravo_speaker"), "speaker", [](QObject* object) {
        return qobject_cast<SpeakerModule*>(object) != nullptr;
    });
    return root.ok() ? qobject_cast<SpeakerModule*>(root.value()) : nullptr;
}

// The runs between the first and the last sound: the recording's own silence before and after is the test's.
QList<int> innerRuns(const QList<qint16>& recording)
{
    QList<int> runs = soundRuns(recording);
    while (!runs.isEmpty() && runs.first() < 0)
        runs.removeFirst();
    while (!runs.isEmpty() && runs.last() < 0)
        runs.removeLast();
    return runs;
}

} // namespace

class tst_SpeakerOutput : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void playsWhatItIsGiven_data();
    void playsWhatItIsGiven();
    void playFailsWhenTheServerGoes();

private:
    SpeakerModule* m_module = nullptr;
};

void tst_SpeakerOutput::initTestCase()
{
    m_module = speakerModule();
    QVERIFY(m_module);
}

void tst_SpeakerOutput::playsWhatItIsGiven_data()
{
    QTest::addColumn<QStringList>("writes"); // each played at once after the one before
    QTest::addColumn<QString>("decoded");

    QTest::newRow("every key once") << QStringList{u"123A456B789C*0#D"_qs} << "123A456B789C*0#D";
    QTest::newRow("a repeated key and pauses") << QStringList{u"1,,11,#"_qs} << "111#";
    QTest::newRow("two writes play one after the other")
        << QStringList{u"18005551234"_qs, u"2,1234,,5550100,#"_qs} << "18005551234212345550100#";
}

void tst_SpeakerOutput::playsWhatItIsGiven()
{
    QFETCH(QStringList, writes);
    QFETCH(QString, decoded);

    SoundServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    QVERIFY(server.startRecording());
    QTRY_VERIFY(server.recordedSamples() > 0);

    std::unique_ptr<SpeakerOutput> output = m_module->createOutput();
    const Outcome opened = output->open();
    QVERIFY2(opened.ok(), qPrintable(opened.reason()));
    QByteArray all;
    for (const QString& keys : writes) {
        const QByteArray samples = touchToneSamples(toneSteps(keys));
        QVERIFY(output->play(samples).ok());
        all += samples;
    }
    // Returned at once: the recording has not yet got much further than before the writes.
    const qint64 started = server.recordedSamples();
    QTRY_VERIFY_WITH_TIMEOUT(server.recordedSamples() > started + all.size() / 2 + 300 * samplesPerMs, 60000);
    output->stop();
    const QList<qint16> recording = server.stopRecording();

    QString error;
    QCOMPARE(decodeTouchTones(recording, &error), decoded);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // Sample for sample, the recording keeps the tones' and the silences' lengths (a tone's faded ends may count
    // a few samples to the silence around it).
    const QList<int> expected = innerRuns(samplesOf(all));
    const QList<int> actual = innerRuns(recording);
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        QVERIFY2(std::abs(actual[i] - expected[i]) <= samplesPerMs,
                 qPrintable(QStringLiteral("run %1: %2 samples, expected %3").arg(i).arg(actual[i]).arg(expected[i])));
    }
    QCOMPARE(peakOf(recording), peakOf(samplesOf(all)));
}

void tst_SpeakerOutput::playFailsWhenTheServerGoes()
{
    SoundServer server;
    QVERIFY2(server.isRunning(), qPrintable(server.error()));
    std::unique_ptr<SpeakerOutput> output = m_module->createOutput();
    QVERIFY(output->open().ok());
    QVERIFY(output->play(touchToneSamples(toneSteps(u"1"_qs))).ok());
    server.stop();
    QTRY_VERIFY(!output->play(touchToneSamples(toneSteps(u"2"_qs))).ok());
}

QTEST_GUILESS_MAIN(tst_SpeakerOutput)
#include "tst_speakeroutput.moc"
