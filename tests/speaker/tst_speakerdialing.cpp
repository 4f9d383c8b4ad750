// SPDX-License-Identifier: GPL-3.0-or-later
// Dialing through the speaker, through the real windows, on a sound server of the test's own with no sound card:
// COM3 is linked to `speaker`, what the default output plays is recorded from its monitor and decoded by
// multimon-ng. The decoded keys, the pauses measured in samples of the recording, the level, and where a close
// cuts the sound. The test's waits follow the recording (so many samples recorded), never a sleep.
#include "dialer/frmMiravoCall.h"
#include "keypad/frmPhone.h"
#include "modem/LineChoice.h"
#include "modem/ModemPort.h"
#include "modem/SpeakerLine.h"
#include "modem/TouchTones.h"
#include "support/ComPorts.h"
#include "support/Controls.h"
#include "support/ScriptedMessages.h"
#include "support/ScriptedWait.h"
#include "support/SoundServer.h"
#include "support/TempDataFolder.h"
#include "ui/WindowRegistry.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLockFile>
#include <QPointer>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace miravo;
using namespace miravo::test;

namespace {

const QString PortMessage = QStringLiteral("Check your com port settings.!");
const QString Question = QStringLiteral("Pick up the handset when the dialing is complete. OK! ");
const QString Access = QStringLiteral("18005551234");
const QString ToneKeys = QStringLiteral("243215551234#"); // "2,4321,,5551234,#" as keys
constexpr int SamplesPerMs = RecordingRate / 1000;
// How long the access number plays: a tone and a gap per key.
constexpr int AccessMs = 11 * (ToneMs + GapMs);
// How long the tone command plays: 13 keys and four pauses.
constexpr int ToneCommandMs = 13 * (ToneMs + GapMs) + 4 * int(DialPauseMs);

// What a listener makes of a recording.
struct Heard {
    QString keys;
    QList<int> runs; // sound (positive) and silence (negative) in samples, from the first sound to the last
    int peak = 0;
};

Heard listen(const QList<qint16>& recording)
{
    Heard heard;
    QString error;
    heard.keys = decodeTouchTones(recording, &error);
    if (!error.isEmpty())
        heard.keys = QStringLiteral("(decoder failed: %1)").arg(error);
    heard.runs = soundRuns(recording);
    while (!heard.runs.isEmpty() && heard.runs.first() < 0)
        heard.runs.removeFirst();
    while (!heard.runs.isEmpty() && heard.runs.last() < 0)
        heard.runs.removeLast();
    heard.peak = peakOf(recording);
    return heard;
}

bool near(int samples, int ms)
{
    return std::abs(samples - ms * SamplesPerMs) <= SamplesPerMs;
}

} // namespace

class tst_SpeakerDialing : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScriptedWait> m_wait;
    QPointer<frmMiravoCall> m_main;

    // Waits until the recording holds `ms` more than it held at `from` (samples).
    bool recordedFor(qint64 from, int ms, int timeoutMs = 60000)
    {
        return QTest::qWaitFor([&] { return m_server->recordedSamples() >= from + qint64(ms) * SamplesPerMs; },
                               timeoutMs);
    }
    // Stops the recording and hears it.
    Heard stopAndListen() { return listen(m_server->stopRecording()); }
    bool startRecording()
    {
        return m_server->startRecording() && QTest::qWaitFor([&] { return m_server->recordedSamples() > 0; });
    }
    static bool linkToSpeaker(int portNumber)
    {
        QDir().mkpath(portLinksFolder());
        return QFile::link(SpeakerLineName, portLinkPath(portNumber));
    }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectYesPlaysTheWholeSequence();
    void noInTheMiddleCutsTheAccessNumber();
    void earlyYesCutsTheAccessNumberAndPlaysTheTones();
    void disconnectInTheMiddleOfTheTones();
    void keypadSendPlaysTheWholeSequence();
    void keypadEndInTheMiddleOfTheTones();
    void quickDialPlaysBothCommandsInOrder();
    void oneHolderAtATime();
    void noAudioOutput_data();
    void noAudioOutput();
};

void tst_SpeakerDialing::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_SpeakerDialing::init()
{
    m_folder = std::make_unique<TempDataFolder>();
    QVERIFY(m_folder->createDatabase());
    QVERIFY(linkToSpeaker(3));
    m_server = std::make_unique<SoundServer>();
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
    m_messages = std::make_unique<ScriptedMessages>();
    m_wait = std::make_unique<ScriptedWait>();
    m_main = showMainWindow();
    QVERIFY(m_main);
    control<QLineEdit>(m_main, "txtDial_Num1")->setText(Access);
    control<QLineEdit>(m_main, "txtDial_Num2")->setText("2");
    control<QLineEdit>(m_main, "txtDial_Num3")->setText("4321");
    control<QComboBox>(m_main, "txtDial_Num4")->setEditText("5551234");
}

void tst_SpeakerDialing::cleanup()
{
    if (QPointer<frmPhone> keypad = openWindow<frmPhone>())
        keypad->close();
    if (m_main)
        m_main->close();
    QTRY_VERIFY(!openWindow<frmPhone>() && !m_main);
    m_wait.reset();
    m_messages.reset();
    m_server.reset();
    m_folder.reset();
}

void tst_SpeakerDialing::connectYesPlaysTheWholeSequence()
{
    QVERIFY(startRecording());
    const qint64 connectAt = m_server->recordedSamples();
    qint64 shownAt = -1;
    qint64 yesAt = -1;
    m_messages->onShow([&](const MessageRequest&) {
        shownAt = m_server->recordedSamples();
        // The person waits until the card service's number has been dialed.
        QVERIFY(recordedFor(connectAt, AccessMs + 500));
        yesAt = m_server->recordedSamples();
    });
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    // The question came while the access number was still playing: the write did not wait for the sound.
    QVERIFY(shownAt >= 0 && shownAt < connectAt + AccessMs / 2 * SamplesPerMs);
    QVERIFY(yesAt > 0);
    QVERIFY(recordedFor(yesAt, ToneCommandMs + 500));
    const Heard heard = stopAndListen();
    click(m_main, "cmdDisconnect");

    QCOMPARE(m_messages->texts().size(), 1); // the question only: no port message
    QCOMPARE(heard.keys, Access + ToneKeys);
    // Every tone lasts ToneMs; the silences are the gap, the person's wait, or a gap and one or two pauses.
    QCOMPARE(heard.runs.size(), 2 * heard.keys.size() - 1);
    QList<int> pausesMs;
    for (qsizetype i = 0; i < heard.runs.size(); ++i) {
        const int run = heard.runs[i];
        if (run > 0) {
            QVERIFY2(near(run, ToneMs), qPrintable(QStringLiteral("tone %1: %2 samples").arg(i / 2).arg(run)));
        } else if (i == 2 * Access.size() - 1) {
            QVERIFY(-run > (GapMs + 300) * SamplesPerMs); // the person's wait before Yes
        } else if (near(-run, GapMs)) {
            continue;
        } else {
            // A pause is the gap and DialPauseMs for each ',', measured in samples of the recording.
            const int pauseSamples = -run - GapMs * SamplesPerMs;
            QVERIFY2(near(pauseSamples, int(DialPauseMs)) || near(pauseSamples, 2 * int(DialPauseMs)),
                     qPrintable(QStringLiteral("silence %1: %2 samples").arg(i).arg(-run)));
            pausesMs.append(int(std::lround(double(pauseSamples) / SamplesPerMs / DialPauseMs)) * int(DialPauseMs));
        }
    }
    // ",", ",," and "," of the tone command, in that order.
    QCOMPARE(pausesMs, (QList<int>{2000, 4000, 2000}));
    // No sample reaches full scale: nothing clipped on the way.
    QVERIFY2(heard.peak > 0 && heard.peak < 0.7 * 32767, qPrintable(QString::number(heard.peak)));
}

void tst_SpeakerDialing::noInTheMiddleCutsTheAccessNumber()
{
    QVERIFY(startRecording());
    const qint64 connectAt = m_server->recordedSamples();
    m_messages->onShow([&](const MessageRequest&) { QVERIFY(recordedFor(connectAt, AccessMs / 2)); });
    m_messages->answerNext(MessageAnswer::No);
    click(m_main, "cmdConnect");
    const qint64 noAt = m_server->recordedSamples();
    // Record on until the whole access number would have played, and more.
    QVERIFY(recordedFor(connectAt, AccessMs + 1000));
    const QList<qint16> recording = m_server->stopRecording();
    const Heard heard = listen(recording);

    QVERIFY2(!heard.keys.isEmpty() && heard.keys.size() < Access.size() && Access.startsWith(heard.keys),
             qPrintable(heard.keys));
    // Silence from shortly after the answer on (the recorder's own latency).
    QCOMPARE(peakOf(recording.mid(noAt + 100 * SamplesPerMs)), 0);
}

void tst_SpeakerDialing::earlyYesCutsTheAccessNumberAndPlaysTheTones()
{
    QVERIFY(startRecording());
    const qint64 connectAt = m_server->recordedSamples();
    m_messages->onShow([&](const MessageRequest&) { QVERIFY(recordedFor(connectAt, AccessMs / 2)); });
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QVERIFY(recordedFor(connectAt, AccessMs / 2 + ToneCommandMs + 1000));
    const Heard heard = stopAndListen();
    click(m_main, "cmdDisconnect");

    // The close and re-open after Yes cut the access number short; the tone command played in full.
    QVERIFY2(heard.keys.endsWith(ToneKeys), qPrintable(heard.keys));
    const QString accessHeard = heard.keys.chopped(ToneKeys.size());
    QVERIFY2(!accessHeard.isEmpty() && accessHeard.size() < Access.size() && Access.startsWith(accessHeard),
             qPrintable(heard.keys));
}

void tst_SpeakerDialing::disconnectInTheMiddleOfTheTones()
{
    QVERIFY(startRecording());
    const qint64 connectAt = m_server->recordedSamples();
    qint64 yesAt = -1;
    m_messages->onShow([&](const MessageRequest&) {
        QVERIFY(recordedFor(connectAt, AccessMs + 300));
        yesAt = m_server->recordedSamples();
    });
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QVERIFY(yesAt > 0);
    // Into the PIN: past the language key and its pause.
    QVERIFY(recordedFor(yesAt, ToneMs + GapMs + int(DialPauseMs) + 300));
    click(m_main, "cmdDisconnect");
    const qint64 disconnectAt = m_server->recordedSamples();
    QVERIFY(recordedFor(yesAt, ToneCommandMs + 1000));
    const QList<qint16> recording = m_server->stopRecording();
    const Heard heard = listen(recording);

    QVERIFY2(heard.keys.startsWith(Access), qPrintable(heard.keys));
    const QString tonesHeard = heard.keys.mid(Access.size());
    QVERIFY2(!tonesHeard.isEmpty() && tonesHeard.size() < ToneKeys.size() && ToneKeys.startsWith(tonesHeard),
             qPrintable(heard.keys));
    QCOMPARE(peakOf(recording.mid(disconnectAt + 100 * SamplesPerMs)), 0);
    QVERIFY(portFree(3));
}

void tst_SpeakerDialing::keypadSendPlaysTheWholeSequence()
{
    QVERIFY(startRecording());
    click(m_main, "cmdDial");
    QPointer<frmPhone> keypad = openWindow<frmPhone>();
    QVERIFY(keypad);
    control<QLineEdit>(keypad, "txtPause")->setText("3");
    const qint64 sendAt = m_server->recordedSamples();
    // The keypad's pause goes on as always (here on the test's clock); meanwhile the access number plays out.
    m_wait->duringNextPause([&] { QVERIFY(recordedFor(sendAt, AccessMs + 300)); });
    click(keypad, "cmdSend");
    QCOMPARE(m_wait->pauses(), (QList<qint64>{3000}));
    const qint64 tonesAt = m_server->recordedSamples();
    QVERIFY(recordedFor(tonesAt, ToneCommandMs + 500));
    const Heard heard = stopAndListen();

    QVERIFY(m_messages->shown().isEmpty());
    QCOMPARE(heard.keys, Access + ToneKeys);
    click(keypad, "cmdEnd");
    QTRY_VERIFY(portFree(3));
}

void tst_SpeakerDialing::keypadEndInTheMiddleOfTheTones()
{
    QVERIFY(startRecording());
    click(m_main, "cmdDial");
    QPointer<frmPhone> keypad = openWindow<frmPhone>();
    QVERIFY(keypad);
    const qint64 sendAt = m_server->recordedSamples();
    m_wait->duringNextPause([&] { QVERIFY(recordedFor(sendAt, AccessMs + 300)); });
    click(keypad, "cmdSend");
    const qint64 tonesAt = m_server->recordedSamples();
    // Into the PIN, then END.
    QVERIFY(recordedFor(tonesAt, ToneMs + GapMs + int(DialPauseMs) + 300));
    click(keypad, "cmdEnd");
    const qint64 endAt = m_server->recordedSamples();
    QVERIFY(recordedFor(tonesAt, ToneCommandMs + 1000));
    const QList<qint16> recording = m_server->stopRecording();
    const Heard heard = listen(recording);

    QVERIFY(m_messages->shown().isEmpty());
    QVERIFY2(heard.keys.startsWith(Access), qPrintable(heard.keys));
    const QString tonesHeard = heard.keys.mid(Access.size());
    QVERIFY2(!tonesHeard.isEmpty() && tonesHeard.size() < ToneKeys.size() && ToneKeys.startsWith(tonesHeard),
             qPrintable(heard.keys));
    QCOMPARE(peakOf(recording.mid(endAt + 100 * SamplesPerMs)), 0);
}

void tst_SpeakerDialing::quickDialPlaysBothCommandsInOrder()
{
    QVERIFY(startRecording());
    click(m_main, "cmdDial");
    QPointer<frmPhone> keypad = openWindow<frmPhone>();
    QVERIFY(keypad);
    const qint64 clickAt = m_server->recordedSamples();
    click(keypad, "Label1");
    // Both commands went to the open line at once: the tones follow the access number, nothing cut.
    QVERIFY(recordedFor(clickAt, AccessMs + ToneCommandMs + 800));
    const Heard heard = stopAndListen();

    QVERIFY(m_messages->shown().isEmpty());
    QCOMPARE(heard.keys, Access + ToneKeys);
}

void tst_SpeakerDialing::oneHolderAtATime()
{
    // COM4 names the speaker too: it is one device, whichever number names it.
    QVERIFY(linkToSpeaker(4));
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QVERIFY(!portFree(3));
    QVERIFY(!portFree(4));

    click(m_main, "cmdDial");
    QPointer<frmPhone> keypad = openWindow<frmPhone>();
    QVERIFY(keypad);
    m_messages->clear();
    click(keypad, "cmdSend");
    QCOMPARE(m_messages->texts(), QStringList{PortMessage});

    click(m_main, "cmdDisconnect");
    QVERIFY(portFree(3));
    QVERIFY(portFree(4));
}

void tst_SpeakerDialing::noAudioOutput_data()
{
    QTest::addColumn<bool>("serverRuns");

    QTest::newRow("a sound server without any output") << true;
    QTest::newRow("no sound server") << false;
}

void tst_SpeakerDialing::noAudioOutput()
{
    QFETCH(bool, serverRuns);

    m_server.reset();
    m_server = std::make_unique<SoundServer>(SoundServer::Output::None);
    QVERIFY2(m_server->isRunning(), qPrintable(m_server->error()));
    if (!serverRuns)
        m_server->stop();

    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    // The open and the access-number command fail, the question comes, then the re-open and the tone command fail.
    QCOMPARE(m_messages->texts(), (QStringList{PortMessage, PortMessage, Question, PortMessage, PortMessage}));
    // Nothing holds the speaker: a failed open let go of it.
    QLockFile speaker(speakerLockPath());
    QVERIFY(speaker.tryLock(0));
}

QTEST_MAIN(tst_SpeakerDialing)
#include "tst_speakerdialing.moc"
