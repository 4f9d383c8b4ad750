// SPDX-License-Identifier: GPL-3.0-or-later
// Dialing through a phone's modem: COM3 names a ModemManager modem, and the main and keypad windows dial as
// always, driven through their buttons on the offscreen platform. ModemManager is a stand-in on a private system
// bus; what it was asked (the call created with the access number, started, the touch tones one key at a time,
// the hang-up) is read from its journal. The pauses between touch tones run on the test's clock.
#include "dialer/frmMiravoCall.h"
#include "keypad/frmPhone.h"
#include "modem/DialString.h"
#include "modem/LineChoice.h"
#include "support/Controls.h"
#include "support/ManualClock.h"
#include "support/ModemManagerStandIn.h"
#include "support/ScriptedMessages.h"
#include "support/ScriptedWait.h"
#include "support/TempDataFolder.h"
#include "ui/WindowRegistry.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include <memory>

using namespace miravo;
using miravo::test::click;
using miravo::test::control;
using miravo::test::ManualClock;
using miravo::test::ModemManagerStandIn;
using miravo::test::ScriptedMessages;
using miravo::test::ScriptedWait;
using miravo::test::TempDataFolder;

namespace {

const QString PortMessage = QStringLiteral("Check your com port settings.!");
const QString Question = QStringLiteral("Pick up the handset when the dialing is complete. OK! ");
const QString PhoneIdentifier = QStringLiteral("356938035643809");
// The touch tones of the main window's fields below, each pause of the clock shown as the ',' it came from.
const QString Tones = QStringLiteral("2,4321,,5551234,#");

enum class Trouble { NoModem, ModemWithoutVoice, DisabledModem, ModemManagerAbsent, OtherModemNamed };
enum class LateFailure { CallFailsBeforeAnswer, KeyRefused, FarEndHangsUp };

} // namespace

Q_DECLARE_METATYPE(Trouble)
Q_DECLARE_METATYPE(LateFailure)

class tst_ModemManagerDial : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScriptedWait> m_wait;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<ModemManagerStandIn> m_modemManager;
    QPointer<frmMiravoCall> m_main;

    static void mapCom3(const QString& line)
    {
        QVERIFY(QDir().mkpath(portLinksFolder()));
        QFile::remove(portLinkPath(3));
        QVERIFY(QFile::link(line, portLinkPath(3)));
    }

    frmPhone* openKeypad()
    {
        click(m_main, "cmdDial");
        frmPhone* keypad = openWindow<frmPhone>();
        if (keypad && !QTest::qWaitForWindowExposed(keypad))
            return nullptr;
        return keypad;
    }

    // Lets the event loop run a few turns (what a close left for the next turn happens), then reads the journal:
    // ModemManager answers in the order it was asked, so whatever the program sent is in it.
    QStringList journalAfterTurns() const
    {
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
        return m_modemManager->journal();
    }

    QStringList journalWithout(const QString& kind) const
    {
        QStringList entries = journalAfterTurns();
        entries.removeIf([&](const QString& entry) { return entry.startsWith(kind); });
        return entries;
    }

    // Follows the touch tones as they go out until `keys` more keys were sent: each request's key as itself (a
    // request with more than one key in braces), a pause waiting on the clock as ',' (or as [ms] when it is not
    // the modem's usual 2 s), which is then let pass. A pause can only be waiting once every key before it was
    // answered, so the order is exact.
    QString followTones(int keys)
    {
        QString seen;
        qsizetype keysSeen = m_modemManager->keysSent().size();
        keys += int(keysSeen);
        for (int step = 0; step < 200; ++step) {
            const bool moved = QTest::qWaitFor(
                [&] { return !m_clock->pendingDelays().isEmpty() || m_modemManager->keysSent().size() >= keys; },
                10000);
            const QStringList sent = m_modemManager->keysSent();
            for (const QString& key : sent.mid(keysSeen))
                seen += key.size() == 1 ? key : QLatin1Char('{') + key + QLatin1Char('}');
            keysSeen = sent.size();
            if (!moved)
                return seen + QStringLiteral("<stuck>");
            const QList<qint64> pending = m_clock->pendingDelays();
            if (pending.isEmpty())
                return seen;
            seen += pending.constFirst() == DialPauseMs ? QStringLiteral(",")
                                                        : QStringLiteral("[%1]").arg(pending.constFirst());
            m_clock->advance(pending.constFirst());
        }
        return seen + QStringLiteral("<endless>");
    }

    static int keyCount(const QString& tones) { return int(tones.size() - tones.count(QLatin1Char(','))); }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectYesPlacesCallAndSendsTones_data();
    void connectYesPlacesCallAndSendsTones();
    void connectNoHangsUp();
    void secondConnectSendsTonesAlone();
    void closingMainWindowBeforeTonesHangsUp();
    void keypadSendAndRedial();
    void keypadEndDuringPauseHangsUp();
    void keypadQuickDial();
    void lineUnavailable_data();
    void lineUnavailable();
    void twoWindowsOnOneComNumber();
    void otherProgramHoldsComNumber();
    void failureAfterCallPlaced_data();
    void failureAfterCallPlaced();
};

void tst_ModemManagerDial::initTestCase()
{
    QVERIFY(ModemManagerStandIn::startPrivateSystemBus());
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_ModemManagerDial::init()
{
    m_folder = std::make_unique<TempDataFolder>();
    QVERIFY(m_folder->createDatabase());
    mapCom3(ModemManagerLineName);
    m_messages = std::make_unique<ScriptedMessages>();
    m_wait = std::make_unique<ScriptedWait>();
    m_clock = std::make_unique<ManualClock>();
    m_modemManager = std::make_unique<ModemManagerStandIn>();
    QVERIFY2(m_modemManager->isReady(), qPrintable(m_modemManager->errorString()));
    m_modemManager->addModem(0, PhoneIdentifier, QStringLiteral("PinePhone"), ModemManagerStandIn::Connected, true);
    m_modemManager->setCallScript(QStringLiteral("answer"), 20);
    m_main = showMainWindow();
    QVERIFY(m_main);
    control<QLineEdit>(m_main, "txtDial_Num1")->setText("18005551234");
    control<QLineEdit>(m_main, "txtDial_Num2")->setText("2");
    control<QLineEdit>(m_main, "txtDial_Num3")->setText("4321");
    control<QComboBox>(m_main, "txtDial_Num4")->setEditText("5551234");
}

void tst_ModemManagerDial::cleanup()
{
    if (openWindow<frmPhone>())
        openWindow<frmPhone>()->close();
    if (m_main)
        m_main->close();
    QTRY_VERIFY(!openWindow<frmPhone>() && !m_main);
    // The closes settle their calls on the next turn, and the calls are deleted on the event loop: both before
    // the test program ends, not after.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_modemManager.reset();
    m_clock.reset();
    m_wait.reset();
    m_messages.reset();
    m_folder.reset();
}

void tst_ModemManagerDial::connectYesPlacesCallAndSendsTones_data()
{
    QTest::addColumn<QString>("access");
    QTest::addColumn<QString>("pin");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("tones");

    QTest::newRow("digits") << "18005551234"
                            << "4321"
                            << "5551234"
                            << "18005551234" << Tones;
    QTest::newRow("access number written the usual way") << "+1 (800) 555-1234"
                                                         << "4321"
                                                         << "5551234"
                                                         << "+18005551234" << Tones;
    QTest::newRow("blanks and dashes in the destination are no tones") << "18005551234"
                                                                       << "4321"
                                                                       << "555-12 34"
                                                                       << "18005551234" << Tones;
    QTest::newRow("empty PIN keeps its pause") << "18005551234"
                                               << ""
                                               << "5551234"
                                               << "18005551234"
                                               << "2,,,5551234,#";
    QTest::newRow("star and letter keys go as tones") << "18005551234"
                                                      << "*12A"
                                                      << "5551234"
                                                      << "18005551234"
                                                      << "2,*12A,,5551234,#";
}

void tst_ModemManagerDial::connectYesPlacesCallAndSendsTones()
{
    QFETCH(QString, access);
    QFETCH(QString, pin);
    QFETCH(QString, destination);
    QFETCH(QString, number);
    QFETCH(QString, tones);
    control<QLineEdit>(m_main, "txtDial_Num1")->setText(access);
    control<QLineEdit>(m_main, "txtDial_Num3")->setText(pin);
    control<QComboBox>(m_main, "txtDial_Num4")->setEditText(destination);
    m_messages->answerNext(MessageAnswer::Yes);

    click(m_main, "cmdConnect");
    QCOMPARE(followTones(keyCount(tones)), tones);
    QCOMPARE(m_messages->texts(), QStringList{Question});
    const QStringList journal = journalWithout(QStringLiteral("SendDtmf"));
    QCOMPARE(journal, (QStringList{QStringLiteral("CreateCall %1 -> 1").arg(number), QStringLiteral("Start 1")}));
    // After the tones the call is the person's: Disconnect leaves it.
    click(m_main, "cmdDisconnect");
    QCOMPARE(journalWithout(QStringLiteral("SendDtmf")), journal);
}

void tst_ModemManagerDial::connectNoHangsUp()
{
    m_messages->answerNext(MessageAnswer::No);
    click(m_main, "cmdConnect");
    QTRY_COMPARE(m_modemManager->journal(), (QStringList{"CreateCall 18005551234 -> 1", "Start 1", "Hangup 1"}));
    QCOMPARE(m_messages->texts(), QStringList{Question});

    // The next Connect dials the access number again.
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QCOMPARE(followTones(keyCount(Tones)), Tones);
    QCOMPARE(
        journalWithout(QStringLiteral("SendDtmf")),
        (QStringList{"CreateCall 18005551234 -> 1", "Start 1", "Hangup 1", "CreateCall 18005551234 -> 2", "Start 2"}));
}

void tst_ModemManagerDial::secondConnectSendsTonesAlone()
{
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QCOMPARE(followTones(keyCount(Tones)), Tones);

    control<QLineEdit>(m_main, "txtDial_Num2")->setText("1");
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QCOMPARE(followTones(keyCount(Tones)), QStringLiteral("1,4321,,5551234,#"));
    QCOMPARE(journalWithout(QStringLiteral("SendDtmf")), (QStringList{"CreateCall 18005551234 -> 1", "Start 1"}));
    QCOMPARE(m_messages->texts(), (QStringList{Question, Question}));

    // A No to the second question closes the port; the call stays with the person on the phone.
    m_messages->answerNext(MessageAnswer::No);
    click(m_main, "cmdConnect");
    QCOMPARE(journalWithout(QStringLiteral("SendDtmf")), (QStringList{"CreateCall 18005551234 -> 1", "Start 1"}));
}

void tst_ModemManagerDial::closingMainWindowBeforeTonesHangsUp()
{
    // The user closes the main window while its question is shown (the modem is dialing the access number).
    m_messages->onShow([this](const MessageRequest&) { QTimer::singleShot(0, m_main, [this] { m_main->close(); }); });
    m_messages->answerNext(MessageAnswer::No);
    click(m_main, "cmdConnect");
    QTRY_VERIFY(!m_main);
    QTRY_COMPARE(m_modemManager->journal(), (QStringList{"CreateCall 18005551234 -> 1", "Start 1", "Hangup 1"}));
}

void tst_ModemManagerDial::keypadSendAndRedial()
{
    frmPhone* keypad = openKeypad();
    QVERIFY(keypad);
    click(keypad, "cmdSend"); // access number, the keypad's pause, close and re-open, tones
    QCOMPARE(m_wait->pauses(), QList<qint64>{10000});
    QCOMPARE(followTones(keyCount(Tones)), Tones);
    click(keypad, "cmdredial"); // the port is still open: the tones alone, on the same call
    QCOMPARE(followTones(keyCount(Tones)), Tones);
    QCOMPARE(journalWithout(QStringLiteral("SendDtmf")), (QStringList{"CreateCall 18005551234 -> 1", "Start 1"}));

    click(keypad, "cmdEnd");  // after the tones END leaves the call
    click(keypad, "cmdSend"); // and the next SEND places a new one
    QCOMPARE(followTones(keyCount(Tones)), Tones);
    QCOMPARE(journalWithout(QStringLiteral("SendDtmf")),
             (QStringList{"CreateCall 18005551234 -> 1", "Start 1", "CreateCall 18005551234 -> 2", "Start 2"}));
    QVERIFY(m_messages->shown().isEmpty());
}

void tst_ModemManagerDial::keypadEndDuringPauseHangsUp()
{
    frmPhone* keypad = openKeypad();
    QVERIFY(keypad);
    // END in the pause, before the tones: the call ends, as a modem leaves the line when its port closes.
    m_wait->duringNextPause([&] {
        click(keypad, "cmdEnd");
        QTRY_VERIFY(m_modemManager->journal().contains(QStringLiteral("Hangup 1")));
    });
    click(keypad, "cmdSend");
    // After the pause the SEND goes on with its tone command; with no call to send it on, that write fails (no
    // call to the tones as a number), and SEND shows the port message and closes the window.
    QCOMPARE(journalAfterTurns(), (QStringList{"CreateCall 18005551234 -> 1", "Start 1", "Hangup 1"}));
    QCOMPARE(m_messages->texts(), QStringList{PortMessage});
    QTRY_VERIFY(!openWindow<frmPhone>());
}

void tst_ModemManagerDial::keypadQuickDial()
{
    frmPhone* keypad = openKeypad();
    QVERIFY(keypad);
    // The tone command follows the access number at once; the tones wait until the call is up.
    click(keypad, "Label1");
    QCOMPARE(followTones(keyCount(Tones)), Tones);
    QCOMPARE(journalWithout(QStringLiteral("SendDtmf")), (QStringList{"CreateCall 18005551234 -> 1", "Start 1"}));
    QVERIFY(m_messages->shown().isEmpty());
}

void tst_ModemManagerDial::lineUnavailable_data()
{
    QTest::addColumn<Trouble>("trouble");
    QTest::newRow("no modem") << Trouble::NoModem;
    QTest::newRow("a modem without voice calls") << Trouble::ModemWithoutVoice;
    QTest::newRow("a disabled modem") << Trouble::DisabledModem;
    QTest::newRow("ModemManager absent") << Trouble::ModemManagerAbsent;
    QTest::newRow("another modem named than there is") << Trouble::OtherModemNamed;
}

void tst_ModemManagerDial::lineUnavailable()
{
    QFETCH(Trouble, trouble);
    m_modemManager.reset();
    if (trouble != Trouble::ModemManagerAbsent) {
        m_modemManager = std::make_unique<ModemManagerStandIn>();
        QVERIFY(m_modemManager->isReady());
    }
    switch (trouble) {
    case Trouble::NoModem:
    case Trouble::ModemManagerAbsent:
        break;
    case Trouble::ModemWithoutVoice:
        m_modemManager->addModem(0, PhoneIdentifier, "Data stick", ModemManagerStandIn::Connected, false);
        break;
    case Trouble::DisabledModem:
        m_modemManager->addModem(0, PhoneIdentifier, "PinePhone", ModemManagerStandIn::Disabled, true);
        break;
    case Trouble::OtherModemNamed:
        m_modemManager->addModem(0, PhoneIdentifier, "PinePhone", ModemManagerStandIn::Connected, true);
        mapCom3(ModemManagerLineName + QStringLiteral(":000000000000000"));
        break;
    }

    // As with a serial port that cannot be opened: the message for the open and for the write, the question,
    // and on Yes the message twice more.
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QCOMPARE(m_messages->texts(), (QStringList{PortMessage, PortMessage, Question, PortMessage, PortMessage}));
    if (m_modemManager)
        QCOMPARE(journalAfterTurns(), QStringList());
}

void tst_ModemManagerDial::twoWindowsOnOneComNumber()
{
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QCOMPARE(followTones(keyCount(Tones)), Tones);

    // The main window holds COM3: the keypad's SEND cannot open it, says so and closes.
    QPointer<frmPhone> keypad = openKeypad();
    QVERIFY(keypad);
    click(keypad, "cmdSend");
    QCOMPARE(m_messages->texts(), (QStringList{Question, PortMessage}));
    QTRY_VERIFY(!keypad);

    // Once the main window let go, the keypad dials.
    click(m_main, "cmdDisconnect");
    keypad = openKeypad();
    QVERIFY(keypad);
    click(keypad, "cmdSend");
    QCOMPARE(followTones(keyCount(Tones)), Tones);
    QCOMPARE(journalWithout(QStringLiteral("SendDtmf")),
             (QStringList{"CreateCall 18005551234 -> 1", "Start 1", "CreateCall 18005551234 -> 2", "Start 2"}));
}

void tst_ModemManagerDial::otherProgramHoldsComNumber()
{
    // Another instance of the program (a second program with a port object of its own) holds COM3.
    QProcess other;
    other.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tst_modemport_holder"), {"3"});
    QVERIFY(other.waitForReadyRead(20000));
    QCOMPARE(QString::fromLocal8Bit(other.readLine()).trimmed(), QStringLiteral("opened"));

    m_messages->answerNext(MessageAnswer::No);
    click(m_main, "cmdConnect");
    QCOMPARE(m_messages->texts(), (QStringList{PortMessage, PortMessage, Question}));

    other.write("close\n");
    other.closeWriteChannel();
    QVERIFY(other.waitForFinished(20000));
    m_messages->clear();
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QCOMPARE(followTones(keyCount(Tones)), Tones);
    QCOMPARE(m_messages->texts(), QStringList{Question});
}

void tst_ModemManagerDial::failureAfterCallPlaced_data()
{
    QTest::addColumn<LateFailure>("failure");
    QTest::newRow("the call fails before it is answered") << LateFailure::CallFailsBeforeAnswer;
    QTest::newRow("a touch tone is refused") << LateFailure::KeyRefused;
    QTest::newRow("the far end hangs up") << LateFailure::FarEndHangsUp;
}

void tst_ModemManagerDial::failureAfterCallPlaced()
{
    QFETCH(LateFailure, failure);
    if (failure == LateFailure::CallFailsBeforeAnswer) {
        // The call ends while the question is shown: the tone command that follows the Yes fails.
        m_modemManager->setCallScript(QStringLiteral("fail"), 20);
        m_messages->onShow([this](const MessageRequest& request) {
            if (request.text != Question)
                return;
            QVERIFY(QTest::qWaitFor([this] { return m_modemManager->callState(1) == 7; }, 10000));
            journalAfterTurns(); // the program hears of the end
        });
        m_messages->answerNext(MessageAnswer::Yes);
        click(m_main, "cmdConnect");
        QCOMPARE(m_messages->texts(), (QStringList{Question, PortMessage}));
        QCOMPARE(journalAfterTurns(), (QStringList{"CreateCall 18005551234 -> 1", "Start 1"}));
        return;
    }

    if (failure == LateFailure::KeyRefused)
        m_modemManager->setCallScript(QStringLiteral("refuse-dtmf"), 20);
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    if (failure == LateFailure::KeyRefused) {
        QTRY_COMPARE(m_modemManager->keysSent(), QStringList{"2"});
        journalAfterTurns(); // the program hears of the refusal
    } else {
        QCOMPARE(followTones(keyCount(Tones)), Tones);
        m_modemManager->endCalls();
        QCOMPARE(m_modemManager->callState(1), 7);
        journalAfterTurns(); // the program hears of the end
    }
    QCOMPARE(m_messages->texts(), QStringList{Question});

    // The next write shows the port message, as a failing write does.
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QCOMPARE(m_messages->texts(), (QStringList{Question, Question, PortMessage}));
    // The rest of the refused tones never went out.
    if (failure == LateFailure::KeyRefused)
        QCOMPARE(journalAfterTurns().filter(QStringLiteral("SendDtmf")), QStringList{"SendDtmf 1 2"});
}

QTEST_MAIN(tst_ModemManagerDial)
#include "tst_modemmanagerdial.moc"
