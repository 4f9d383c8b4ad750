// SPDX-License-Identifier: GPL-3.0-or-later
// The keypad window on the offscreen platform, opened by the main window's "Dial", dialing into a virtual modem
// (a real pseudo-terminal): what reached the line byte for byte, what the display shows, which messages came,
// and what happens when windows close while a pause is running. The pauses are scripted: no test sleeps through
// one, and what the user does during a pause runs inside it.
#include "dialer/frmMiravoCall.h"
#include "keypad/DialFieldSource.h"
#include "keypad/frmPhone.h"
#include "modem/ModemPort.h"
#include "support/Announcements.h"
#include "support/ComPorts.h"
#include "support/Controls.h"
#include "support/DialTexts.h"
#include "support/ScriptedMessages.h"
#include "support/ScriptedWait.h"
#include "support/TempDataFolder.h"
#include "support/VirtualModemRecorder.h"
#include "ui/WindowRegistry.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>

#include <functional>
#include <memory>

using namespace miravo;
using miravo::test::Access;
using miravo::test::Announcements;
using miravo::test::click;
using miravo::test::control;
using miravo::test::entries;
using miravo::test::holdPort;
using miravo::test::portFree;
using miravo::test::PortMessage;
using miravo::test::ScriptedMessages;
using miravo::test::ScriptedWait;
using miravo::test::TempDataFolder;
using miravo::test::Tone;
using miravo::test::VirtualModemRecorder;

namespace {

const QString FreshText = QStringLiteral("Select sequence below....\r\nPress the SEND button...");
const QString StartStatus = QStringLiteral("Dialing: 18005551234\r\n\r\nPick up the handset when the dialing is "
                                           "complete.\r\n\r\nPress End after you hear ringing.");

// The display box's text as the user reads it, a line break as CR LF.
QString displayText(QWidget* window)
{
    return control<QPlainTextEdit>(window, "txtnumbers")->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

QString sequenceStatus(const QString& v1, const QString& v2, const QString& v3)
{
    return QStringLiteral("Dialing: 18005551234\r\n\r\nSequence Listing\r\n") + v1 + "\r\n" + v2 + "\r\n" + v3;
}

} // namespace

class tst_frmPhone : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_folder;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScriptedWait> m_wait;
    std::unique_ptr<VirtualModemRecorder> m_modem;
    QPointer<frmMiravoCall> m_main;

    frmPhone* openKeypad()
    {
        click(m_main, "cmdDial");
        frmPhone* keypad = openWindow<frmPhone>();
        if (keypad && !QTest::qWaitForWindowExposed(keypad))
            return nullptr;
        return keypad;
    }
    QPointer<frmPhone> keypad() const { return openWindow<frmPhone>(); }
    QStringList portMessages(int count) const { return QStringList(count, PortMessage); }

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void freshWindowAndKeys_data();
    void freshWindowAndKeys();
    void designedShape();
    void portTextAtCreation_data();
    void portTextAtCreation();
    void sendComposition_data();
    void sendComposition();
    void pause_data();
    void pause();
    void secondSendWithoutEnd();
    void comFieldNamesAnotherPort();
    void failingSteps_data();
    void failingSteps();
    void portHeldByTheMainWindow();
    void mainWindowGoneDuringAMessage();
    void quickDial_data();
    void quickDial();
    void endToggles();
    void duringThePause_data();
    void duringThePause();
    void closingReleasesPort_data();
    void closingReleasesPort();
    void readsItsSourceAtEveryStep();
    void statusesAreSaid_data();
    void statusesAreSaid();
    void quickDialByKeyboard_data();
    void quickDialByKeyboard();
    void pickedSlotShowsWhole_data();
    void pickedSlotShowsWhole();
    void emptyEntryIsNamed();
    void slotsFitUnderEveryStyle_data();
    void slotsFitUnderEveryStyle();
};

void tst_frmPhone::initTestCase()
{
    // The tests close every window now and then; the test program must not end with them.
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_frmPhone::init()
{
    m_folder = std::make_unique<TempDataFolder>();
    m_messages = std::make_unique<ScriptedMessages>();
    m_wait = std::make_unique<ScriptedWait>();
    m_modem = std::make_unique<VirtualModemRecorder>(3);
    QVERIFY2(m_modem->isReady(), qPrintable(m_modem->errorString()));
    m_main = showMainWindow();
    control<QLineEdit>(m_main, "txtDial_Num1")->setText("18005551234");
    control<QLineEdit>(m_main, "txtDial_Num2")->setText("2");
    control<QLineEdit>(m_main, "txtDial_Num3")->setText("4321");
    control<QComboBox>(m_main, "txtDial_Num4")->setEditText("5551234");
}

void tst_frmPhone::cleanup()
{
    if (keypad())
        keypad()->close();
    if (m_main)
        m_main->close();
    QTRY_VERIFY(!keypad() && !m_main);
    m_modem.reset();
    m_wait.reset();
    m_messages.reset();
    m_folder.reset();
}

void tst_frmPhone::freshWindowAndKeys_data()
{
    QTest::addColumn<bool>("clearFirst");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("shown");

    QTest::newRow("1 2 # right after the last dot")
        << false << QStringList{"cmd1", "cmd2", "cmdpound"} << FreshText + "12#";
    QTest::newRow("CLR, then * 0 #: those three alone")
        << true << QStringList{"cmd1star", "cmd1zero", "cmdpound"} << QStringLiteral("*0#");
    QTest::newRow("every key in keypad order")
        << true << QStringList{"cmd1", "cmd2", "cmd3", "cmd4",     "cmd5",     "cmd6",
                               "cmd7", "cmd8", "cmd9", "cmd1star", "cmd1zero", "cmdpound"}
        << QStringLiteral("123456789*0#");
    QTest::newRow("CLR alone") << true << QStringList{} << QString();
}

void tst_frmPhone::freshWindowAndKeys()
{
    QFETCH(bool, clearFirst);
    QFETCH(QStringList, keys);
    QFETCH(QString, shown);

    frmPhone* window = openKeypad();
    QVERIFY(window);
    QCOMPARE(displayText(window), FreshText);
    QCOMPARE(control<QLineEdit>(window, "txtPause")->text(), QStringLiteral("10"));
    QCOMPARE(control<QLineEdit>(window, "txtnewport")->text(), QStringLiteral("3"));
    const QStringList designed{"Language", "Access Code / PIN", "Long Distance Number"};
    for (int element = 0; element < 3; ++element) {
        auto* combo = control<QComboBox>(window, QStringLiteral("Combo%1").arg(element + 1));
        QCOMPARE(combo->currentText(), designed[element]);
        QCOMPARE(entries(combo), (QStringList{"Language", "Access Code / PIN", "Long Distance Number", ""}));
    }

    if (clearFirst)
        click(window, "clr");
    for (const QString& key : keys)
        click(window, key);
    QCOMPARE(displayText(window), shown);

    // Dial again only brings the window forward: nothing is set up anew.
    click(m_main, "cmdDial");
    QCOMPARE(keypad().data(), window);
    QCOMPARE(displayText(window), shown);
    QVERIFY(m_messages->shown().isEmpty());
    QVERIFY(m_modem->received().isEmpty());
    QCOMPARE(m_modem->openCount(), 0);
}

void tst_frmPhone::designedShape()
{
    frmPhone* window = openKeypad();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Phone"));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QVERIFY(!(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

    QCOMPARE(control<QPushButton>(window, "clr")->text(), QStringLiteral("CLR "));
    QCOMPARE(control<QPushButton>(window, "cmdEnd")->text(), QStringLiteral("END "));
    QVERIFY(control<QPushButton>(window, "Command4")->text().isEmpty());
    QCOMPARE(control<QLineEdit>(window, "txtPause")->toolTip(),
             QStringLiteral("Enter time (seconds) to pause before starting sequence."));

    auto* background = control<QLabel>(window, "Image1");
    QVERIFY(!background->pixmap().isNull());
    QVERIFY(background->hasScaledContents());

    const auto colour = [&](const char* name) {
        return control<QLabel>(window, name)->palette().color(QPalette::WindowText);
    };
    QCOMPARE(colour("Label1"), QColor(Qt::yellow));
    QCOMPARE(colour("Label3"), QColor(Qt::yellow));
    QVERIFY(colour("Label2") != QColor(Qt::yellow));
    QCOMPARE(colour("Label2").hue(), QColor(Qt::yellow).hue()); // a paler yellow
    QVERIFY(colour("Label2").saturation() < QColor(Qt::yellow).saturation());

    const QStringList keys{"cmd1zero", "cmd1", "cmd2", "cmd3", "cmd4",     "cmd5",
                           "cmd6",     "cmd7", "cmd8", "cmd9", "cmd1star", "cmdpound"};
    for (int element = 0; element < keys.size(); ++element)
        QCOMPARE(control<QPushButton>(window, keys[element])->property("element").toInt(), element);
    for (int element = 0; element < 3; ++element) {
        auto* combo = control<QComboBox>(window, QStringLiteral("Combo%1").arg(element + 1));
        QCOMPARE(combo->property("element").toInt(), element);
        QVERIFY(combo->isEditable());
        QVERIFY(!combo->completer());
        QCOMPARE(combo->insertPolicy(), QComboBox::NoInsert);
    }
}

void tst_frmPhone::portTextAtCreation_data()
{
    QTest::addColumn<QString>("portText");
    QTest::addColumn<bool>("usable");

    QTest::newRow("a leading blank stays in the COM field") << " 3" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "COM3" << false;
    QTest::newRow("beyond 16 bits") << "99999" << false;
    QTest::newRow("zero names no port") << "0" << false;
    QTest::newRow("negative") << "-3" << false;
}

void tst_frmPhone::portTextAtCreation()
{
    QFETCH(QString, portText);
    QFETCH(bool, usable);
    control<QLineEdit>(m_main, "txtPort")->setText(portText);

    frmPhone* window = openKeypad();
    QVERIFY(window); // the window comes up whatever the port text
    QCOMPARE(control<QLineEdit>(window, "txtnewport")->text(), portText);
    QCOMPARE(control<QLineEdit>(m_main, "txtPort")->text(), portText); // read, never written
    if (usable) {
        click(window, "cmdEnd");
        QTRY_VERIFY(m_modem->portOpen()); // numbered 3 from " 3"
        QVERIFY(m_messages->shown().isEmpty());
        return;
    }
    QTRY_COMPARE(m_messages->texts(), portMessages(1));
    QCOMPARE(m_messages->shown().first().title, QStringLiteral("MiravoDialer"));
    QCOMPARE(m_messages->shown().first().style, MessageStyle::OkOnly);
    QVERIFY(window->isVisible());
    // The port is numbered from no COM port at all: END reports it instead of opening some other port.
    click(window, "cmdEnd");
    QCOMPARE(m_messages->texts(), portMessages(2));
    QTRY_VERIFY(!keypad());
    QCOMPARE(m_modem->openCount(), 0);
}

void tst_frmPhone::sendComposition_data()
{
    QTest::addColumn<QStringList>("slotTexts"); // empty: as created
    QTest::addColumn<QByteArray>("tone");
    QTest::addColumn<QStringList>("values");

    QTest::newRow("slots as created") << QStringList{} << Tone << QStringList{"2", "4321", "5551234"};
    QTest::newRow("reordered, the empty entry keeps its commas")
        << QStringList{"Long Distance Number", "Language", ""} << QByteArray("ATDT5551234,2,,,#\r\n")
        << QStringList{"5551234", "2", ""};
    QTest::newRow("other letter case names nothing")
        << QStringList{"language", "Access Code / PIN", "LONG DISTANCE NUMBER"} << QByteArray("ATDT,4321,,,#\r\n")
        << QStringList{"", "4321", ""};
    QTest::newRow("one name in every slot")
        << QStringList{"Access Code / PIN", "Access Code / PIN", "Access Code / PIN"}
        << QByteArray("ATDT4321,4321,,4321,#\r\n") << QStringList{"4321", "4321", "4321"};
    QTest::newRow("a typed number names nothing")
        << QStringList{"Language", "18009990000", "Long Distance Number"} << QByteArray("ATDT2,,,5551234,#\r\n")
        << QStringList{"2", "", "5551234"};
}

void tst_frmPhone::sendComposition()
{
    QFETCH(QStringList, slotTexts);
    QFETCH(QByteArray, tone);
    QFETCH(QStringList, values);

    frmPhone* window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText("0");
    for (const char* key : {"cmd9", "cmd9", "cmd1"})
        click(window, key); // the display is never dialed
    for (int i = 0; i < slotTexts.size(); ++i) {
        auto* combo = control<QComboBox>(window, QStringLiteral("Combo%1").arg(i + 1));
        const int entry = combo->findText(slotTexts[i], Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (entry >= 0) {
            combo->setCurrentIndex(entry); // picked from the list
        } else {
            combo->lineEdit()->clear();
            QTest::keyClicks(combo, slotTexts[i]); // typed
        }
    }

    click(window, "cmdSend");
    QTRY_COMPARE(m_modem->received(), Access + tone);
    QCOMPARE(displayText(window), sequenceStatus(values[0], values[1], values[2]));
    QVERIFY(m_messages->shown().isEmpty());
    QVERIFY(keypad() && window->isVisible());
    // The port was closed and opened again between the two commands, and stays open.
    QCOMPARE(m_modem->openCount(), 2);
    QCOMPARE(m_modem->closeCount(), 1);
    QVERIFY(m_modem->portOpen());
    QCOMPARE(m_modem->modem().lineSettings(), QStringLiteral("9600,N,8,1"));
}

void tst_frmPhone::pause_data()
{
    QTest::addColumn<QString>("pauseText");
    QTest::addColumn<QList<qint64>>("pauses"); // in milliseconds

    QTest::newRow("0 does not wait") << "0" << QList<qint64>{};
    QTest::newRow("negative does not wait") << "-1" << QList<qint64>{};
    QTest::newRow("2.5 seconds") << "2.5" << QList<qint64>{2500};
    QTest::newRow("2,5 seconds") << "2,5" << QList<qint64>{2500};
    QTest::newRow("a thousandth, rounded up to whole milliseconds") << "0.0001" << QList<qint64>{1};
}

void tst_frmPhone::pause()
{
    QFETCH(QString, pauseText);
    QFETCH(QList<qint64>, pauses);

    frmPhone* window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText(pauseText);

    // During the pause, only the access-number command has gone out and the start status shows.
    QByteArray duringPause;
    QString duringPauseText;
    m_wait->duringNextPause([&] {
        m_modem->waitForBytes(Access.size());
        duringPause = m_modem->received();
        duringPauseText = displayText(window);
    });
    click(window, "cmdSend"); // returns when the operation is done
    QCOMPARE(m_wait->pauses(), pauses);
    if (!pauses.isEmpty()) {
        QCOMPARE(duringPause, Access);
        QCOMPARE(duringPauseText, StartStatus);
    }
    QTRY_COMPARE(m_modem->received(), Access + Tone);
    QVERIFY(m_messages->shown().isEmpty());
}

void tst_frmPhone::secondSendWithoutEnd()
{
    frmPhone* window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText("0");
    click(window, "cmdSend");
    QTRY_COMPARE(m_modem->received(), Access + Tone);
    click(window, "cmdSend"); // the port is still open: the tones alone, at once
    QTRY_COMPARE(m_modem->received(), Access + Tone + Tone);
    click(window, "cmdredial");
    QTRY_COMPARE(m_modem->received(), Access + Tone + Tone + Tone);
    QCOMPARE(m_modem->openCount(), 2);

    click(window, "cmdEnd");
    QTRY_VERIFY(m_modem->portClosed());
    click(window, "cmdSend"); // after END: everything from the access number on
    QTRY_COMPARE(m_modem->received(), Access + Tone + Tone + Tone + Access + Tone);
    QVERIFY(m_messages->shown().isEmpty());
}

void tst_frmPhone::comFieldNamesAnotherPort()
{
    VirtualModemRecorder com1(1);
    VirtualModemRecorder com2(2);
    QVERIFY(com1.isReady() && com2.isReady());
    control<QLineEdit>(m_main, "txtPort")->setText("1");
    frmPhone* window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText("0");
    control<QLineEdit>(window, "txtnewport")->setText("2");

    // While the COM field and the main window's port field differ, every SEND closes and renumbers the port.
    click(window, "cmdSend");
    QTRY_COMPARE(com2.received(), Access + Tone);
    click(window, "cmdSend");
    QTRY_COMPARE(com2.received(), Access + Tone + Access + Tone);
    QCOMPARE(com2.openCount(), 4);
    QCOMPARE(com1.openCount(), 0);
    QVERIFY(com1.received().isEmpty());
    QVERIFY(m_messages->shown().isEmpty());
}

void tst_frmPhone::failingSteps_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("portHeld");
    QTest::addColumn<QString>("pauseText");
    QTest::addColumn<QString>("comText");
    QTest::addColumn<int>("messages");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("windowStays");

    // A port that cannot be opened: SEND reports once and closes; REDIAL reports the open, the access-number
    // write, the re-open after the pause and the tone write.
    QTest::newRow("SEND, port held elsewhere") << "cmdSend" << true << "0"
                                               << "3" << 1 << QByteArray() << false;
    QTest::newRow("REDIAL, port held elsewhere") << "cmdredial" << true << "0"
                                                 << "3" << 4 << QByteArray() << true;
    QTest::newRow("REDIAL, held, with a pause") << "cmdredial" << true << "0.2"
                                                << "3" << 4 << QByteArray() << true;
    QTest::newRow("SEND, COM field no number") << "cmdSend" << false << "0"
                                               << "abc" << 1 << QByteArray() << false;
    QTest::newRow("REDIAL, COM field no number: the port in use") << "cmdredial" << false << "0"
                                                                  << "abc" << 1 << Access + Tone << true;
    QTest::newRow("SEND, pause no number") << "cmdSend" << false << "abc"
                                           << "3" << 1 << Access << false;
    QTest::newRow("REDIAL, pause no number: no wait, once") << "cmdredial" << false << "abc"
                                                            << "3" << 1 << Access + Tone << true;
    QTest::newRow("REDIAL, empty pause") << "cmdredial" << false << ""
                                         << "3" << 1 << Access + Tone << true;
}

void tst_frmPhone::failingSteps()
{
    QFETCH(QString, button);
    QFETCH(bool, portHeld);
    QFETCH(QString, pauseText);
    QFETCH(QString, comText);
    QFETCH(int, messages);
    QFETCH(QByteArray, line);
    QFETCH(bool, windowStays);

    std::unique_ptr<ModemPort> holder; // another program's hold on COM3
    if (portHeld) {
        holder = holdPort(3);
        QVERIFY(holder);
    }
    frmPhone* window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText(pauseText);
    control<QLineEdit>(window, "txtnewport")->setText(comText);

    click(window, button);
    QCOMPARE(m_messages->texts(), portMessages(messages));
    // The message keeps its text and says in its details which of the three causes it was.
    const QString why = portHeld                          ? QStringLiteral("is in use")
                        : comText == QLatin1String("abc") ? QStringLiteral("\"abc\" names no port")
                                                          : QStringLiteral("is no number of seconds");
    QVERIFY2(m_messages->shown().first().detail.contains(why), qPrintable(m_messages->shown().first().detail));
    // The one row with a pause waits it, although the port it opened failed.
    QCOMPARE(m_wait->pauses(), pauseText == "0.2" ? QList<qint64>{200} : QList<qint64>{});
    if (windowStays) {
        QVERIFY(keypad() && window->isVisible());
        QCOMPARE(displayText(window), sequenceStatus("2", "4321", "5551234"));
    } else {
        QTRY_VERIFY(!keypad());
    }
    holder.reset();
    if (!windowStays)
        QTRY_VERIFY(m_modem->portClosed());
    QTRY_COMPARE(m_modem->received(), line);
}

void tst_frmPhone::portHeldByTheMainWindow()
{
    // After a Yes the main window keeps COM3 open for the call; the keypad window has a port object of its own.
    m_messages->answerNext(MessageAnswer::Yes);
    click(m_main, "cmdConnect");
    QTRY_COMPARE(m_modem->received(), Access + Tone);
    m_messages->clear();
    frmPhone* window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText("0");

    click(window, "cmdSend");
    QCOMPARE(m_messages->texts(), portMessages(1));
    QTRY_VERIFY(!keypad());
    click(m_main, "cmdDisconnect");
    QTRY_VERIFY(m_modem->portClosed());
    QCOMPARE(m_modem->received(), Access + Tone); // nothing from the keypad window
}

void tst_frmPhone::mainWindowGoneDuringAMessage()
{
    const auto holder = holdPort(3);
    QVERIFY(holder);
    QPointer<frmPhone> window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText("0");
    // While the first message shows, the main window is destroyed: REDIAL must not read its fields afterwards.
    m_messages->onShow([this](const MessageRequest&) {
        if (m_main)
            delete m_main.data();
    });

    click(window, "cmdredial");
    QCOMPARE(m_messages->texts(), portMessages(1));
    QTRY_VERIFY(!window);
    m_messages->onShow({});
}

void tst_frmPhone::quickDial_data()
{
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<bool>("portHeld");
    QTest::addColumn<QByteArray>("line");

    const QByteArray quickTone = "ATDT2,4321,,5551234,#\r\n";
    QTest::newRow("port closed: both commands at once") << false << false << Access + quickTone;
    QTest::newRow("port open: the tones alone") << true << false << quickTone;
    QTest::newRow("port held elsewhere: reported, nothing sent") << false << true << QByteArray();
}

void tst_frmPhone::quickDial()
{
    QFETCH(bool, openFirst);
    QFETCH(bool, portHeld);
    QFETCH(QByteArray, line);

    std::unique_ptr<ModemPort> holder;
    if (portHeld) {
        holder = holdPort(3);
        QVERIFY(holder);
    }
    frmPhone* window = openKeypad();
    QVERIFY(window);
    // The quick dial looks at neither the slots, nor the pause, nor the COM field.
    control<QComboBox>(window, "Combo1")->setCurrentIndex(3);
    control<QLineEdit>(window, "txtPause")->setText("abc");
    control<QLineEdit>(window, "txtnewport")->setText("9");
    if (openFirst) {
        click(window, "cmdEnd");
        QTRY_VERIFY(m_modem->portOpen());
    }

    click(window, "Label1");
    if (portHeld) {
        QCOMPARE(m_messages->texts(), portMessages(1));
        QVERIFY(keypad() && window->isVisible());
        QCOMPARE(displayText(window), FreshText);
        holder.reset();
        QTRY_COMPARE(m_modem->openCount(), 1); // the holder's own open
        QVERIFY(m_modem->received().isEmpty());
        return;
    }
    QTRY_COMPARE(m_modem->received(), line);
    QCOMPARE(displayText(window),
             QStringLiteral("Dialing: 18005551234\r\n\r\nLanguage: 2\r\nCode: 4321\r\nCalling: 5551234"));
    QCOMPARE(m_modem->openCount(), 1); // no close and re-open between the two commands
    QCOMPARE(m_modem->closeCount(), 0);
    QVERIFY(m_messages->shown().isEmpty());
}

void tst_frmPhone::endToggles()
{
    frmPhone* window = openKeypad();
    QVERIFY(window);
    click(window, "cmdEnd");
    QTRY_VERIFY(m_modem->portOpen());
    click(window, "cmdEnd");
    QTRY_COMPARE(m_modem->closeCount(), 1);
    QVERIFY(m_modem->received().isEmpty()); // END writes nothing
    QVERIFY(m_messages->shown().isEmpty());
    QVERIFY(keypad());

    const auto holder = holdPort(3);
    QVERIFY(holder);
    click(window, "cmdEnd");
    QCOMPARE(m_messages->texts(), portMessages(1));
    QTRY_VERIFY(!keypad());
}

void tst_frmPhone::duringThePause_data()
{
    QTest::addColumn<QString>("pauseText");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("windowStays");

    QTest::newRow("CLOSE ends the operation quietly") << "10"
                                                      << "cmdClose" << Access << false;
    QTest::newRow("title bar close ends it quietly") << "10"
                                                     << "close" << Access << false;
    QTest::newRow("main window closed ends it quietly") << "10"
                                                        << "main" << Access << false;
    QTest::newRow("END closes the port, the operation goes on") << "0.5"
                                                                << "cmdEnd" << Access + Tone << true;
    QTest::newRow("SEND sends the tones at once") << "0.5"
                                                  << "cmdSend" << Access + Tone + Tone << true;
    QTest::newRow("REDIAL sends the tones at once") << "0.5"
                                                    << "cmdredial" << Access + Tone + Tone << true;
    QTest::newRow("a key adds to the start status") << "0.5"
                                                    << "cmd5" << Access + Tone << true;
}

void tst_frmPhone::duringThePause()
{
    QFETCH(QString, pauseText);
    QFETCH(QString, action);
    QFETCH(QByteArray, line);
    QFETCH(bool, windowStays);

    QPointer<frmPhone> window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText(pauseText);
    QString shownDuringPause;
    bool acted = false;
    m_wait->duringNextPause([&] {
        m_modem->waitForBytes(Access.size());
        acted = m_modem->received() == Access;
        if (action == "main")
            click(m_main, "cmdClose");
        else if (action == "close")
            window->close();
        else
            click(window, action);
        if (window)
            shownDuringPause = displayText(window);
    });

    click(window, "cmdSend");
    QVERIFY(acted);
    QVERIFY(m_messages->shown().isEmpty());
    QCOMPARE(m_wait->pauses().size(), 1);
    if (!windowStays) {
        // The pause ended the moment the window closed: its clock did not move on.
        QCOMPARE(m_wait->elapsedMs(), qint64(0));
        QTRY_VERIFY(!window);
        QTRY_VERIFY(m_modem->portClosed());
        QCOMPARE(m_modem->received(), line); // nothing after the close
        return;
    }
    QCOMPARE(m_wait->elapsedMs(), m_wait->pauses().first());
    QTRY_COMPARE(m_modem->received(), line);
    QVERIFY(window);
    if (action == "cmd5") {
        QCOMPARE(shownDuringPause, StartStatus + "5");
        QCOMPARE(displayText(window), sequenceStatus("2", "4321", "5551234"));
    }
    QVERIFY(m_modem->portOpen());
}

void tst_frmPhone::closingReleasesPort_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("CLOSE") << "cmdClose";
    QTest::newRow("title bar close") << "close";
    QTest::newRow("main window closed") << "main";
}

void tst_frmPhone::closingReleasesPort()
{
    QFETCH(QString, how);
    QPointer<frmPhone> window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText("7");
    click(window, "clr");
    click(window, "cmdEnd");
    QTRY_VERIFY(m_modem->portOpen());

    if (how == "main")
        click(m_main, "cmdClose");
    else if (how == "close")
        window->close();
    else
        click(window, how);
    QTRY_VERIFY(!window);
    QTRY_VERIFY(m_modem->portClosed());
    QVERIFY(portFree(3)); // released
    if (how == "main")
        return;

    // Opened again: created afresh, with its port closed.
    window = openKeypad();
    QVERIFY(window);
    QCOMPARE(displayText(window), FreshText);
    QCOMPARE(control<QLineEdit>(window, "txtPause")->text(), QStringLiteral("10"));
    QTRY_COMPARE(m_modem->closeCount(), 2);
    QVERIFY(m_modem->portClosed());
}

void tst_frmPhone::readsItsSourceAtEveryStep()
{
    // Any source of dialing fields will do; the keypad window reads it afresh at every step, so a field changed
    // during the pause goes into the tones, while the access number was dialed before.
    struct Fields final : DialFieldSource {
        QString port = QStringLiteral("3");
        MainDialFields fields{"1800", "2", "4321", "555"};
        QString portText() const override { return port; }
        MainDialFields dialFields() const override { return fields; }
    } source;
    frmPhone window(source);
    QCOMPARE(control<QLineEdit>(&window, "txtnewport")->text(), QStringLiteral("3"));
    control<QLineEdit>(&window, "txtPause")->setText("1");
    m_wait->duringNextPause([&] { source.fields = {"1900", "7", "", "999"}; });

    click(&window, "cmdSend");
    const QByteArray line = "ATDT1800\rATDT7,,,999,#\r\n";
    QTRY_COMPARE(m_modem->received(), line);
    QCOMPARE(displayText(&window), QStringLiteral("Dialing: 1900\r\n\r\nSequence Listing\r\n7\r\n\r\n999"));
    QVERIFY(m_messages->shown().isEmpty());
}

// What a screen reader user hears: each status text as it appears (line breaks as the display shows them), and a
// key press as the character it added. The focus stays where the user left it.
void tst_frmPhone::statusesAreSaid_data()
{
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QByteArray>("line");

    const auto shown = [](QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); };
    QTest::newRow("SEND: the pick-up instruction, then the sequence")
        << "cmdSend" << QStringList{shown(StartStatus), shown(sequenceStatus("2", "4321", "5551234"))} << Access + Tone;
    QTest::newRow("REDIAL: the same two")
        << "cmdredial" << QStringList{shown(StartStatus), shown(sequenceStatus("2", "4321", "5551234"))}
        << Access + Tone;
    QTest::newRow("quick dial: its status")
        << "Label1" << QStringList{QStringLiteral("Dialing: 18005551234\n\nLanguage: 2\nCode: 4321\nCalling: 5551234")}
        << Access + Tone;
    QTest::newRow("a key: its character") << "cmd5" << QStringList{"5"} << QByteArray();
    QTest::newRow("the pound key") << "cmdpound" << QStringList{"#"} << QByteArray();
    QTest::newRow("CLR: no status, nothing said") << "clr" << QStringList{} << QByteArray();
}

void tst_frmPhone::statusesAreSaid()
{
    QFETCH(QString, pressed);
    QFETCH(QStringList, said);
    QFETCH(QByteArray, line);

    frmPhone* window = openKeypad();
    QVERIFY(window);
    control<QLineEdit>(window, "txtPause")->setText("0");
    const Announcements announcements(window);
    click(window, pressed);
    QTRY_COMPARE(m_modem->received(), line);
    QCOMPARE(announcements.said(), said);
    QVERIFY(m_messages->shown().isEmpty());
}

// The quick dial from the keyboard alone: Tab from the display reaches "COM:", and Space or Enter presses it.
void tst_frmPhone::quickDialByKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("dials");

    QTest::newRow("Space") << int(Qt::Key_Space) << Qt::KeyboardModifiers() << true;
    QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers() << true;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier) << true;
    QTest::newRow("a letter does nothing") << int(Qt::Key_A) << Qt::KeyboardModifiers() << false;
    QTest::newRow("Ctrl+Return does nothing")
        << int(Qt::Key_Return) << Qt::KeyboardModifiers(Qt::ControlModifier) << false;
}

void tst_frmPhone::quickDialByKeyboard()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, dials);

    frmPhone* window = openKeypad();
    QVERIFY(window);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto* display = control<QPlainTextEdit>(window, "txtnumbers");
    QTRY_COMPARE(QApplication::focusWidget(), display);
    QTest::keyClick(display, Qt::Key_Tab);
    auto* caption = control<QLabel>(window, "Label1");
    QTRY_COMPARE(QApplication::focusWidget(), caption);

    // To a screen reader a button with the command's name and a press action, the caption still on screen.
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(caption);
    QVERIFY(spoken);
    QCOMPARE(spoken->role(), QAccessible::Button);
    QCOMPARE(spoken->text(QAccessible::Name), QStringLiteral("Quick dial"));
    QVERIFY(spoken->actionInterface());
    QVERIFY(spoken->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    QCOMPARE(caption->text(), QStringLiteral("COM:"));

    QTest::keyClick(caption, Qt::Key(key), modifiers);
    if (!dials) {
        // Nothing reached the line; pressing it through its accessible action still dials.
        QCOMPARE(m_modem->openCount(), 0);
        spoken->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
    QTRY_COMPARE(m_modem->received(), Access + Tone);
    QCOMPARE(QApplication::focusWidget(), caption);
}

// Any slot set to any entry shows the whole entry, from its first letter to its last: the box does not scroll.
void tst_frmPhone::pickedSlotShowsWhole_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("entry");

    for (const char* slot : {"Combo1", "Combo2", "Combo3"}) {
        for (const char* entry : {"Long Distance Number", "Access Code / PIN", "Language"})
            QTest::addRow("%s set to %s", slot, entry) << slot << entry;
    }
}

void tst_frmPhone::pickedSlotShowsWhole()
{
    QFETCH(QString, slot);
    QFETCH(QString, entry);

    frmPhone* window = openKeypad();
    QVERIFY(window);
    auto* combo = control<QComboBox>(window, slot);
    miravo::test::pick(combo, entry);
    QCOMPARE(combo->currentText(), entry);
    QLineEdit* box = combo->lineEdit();
    const auto cursor = [box] { return box->inputMethodQuery(Qt::ImCursorRectangle).toRect(); };
    QCOMPARE(box->cursorPosition(), 0);
    const int start = cursor().center().x();
    box->end(false);
    const int end = cursor().center().x();
    // Unscrolled, the end of the text lies one text width after its start, inside the box.
    QVERIFY2(std::abs(end - start - QFontMetrics(box->font()).horizontalAdvance(entry)) <= 1,
             qPrintable(QStringLiteral("start %1, end %2").arg(start).arg(end)));
    QVERIFY(cursor().right() <= box->width());
}

// The slots' empty entry shows nothing; to a screen reader walking the open list it says what it is.
void tst_frmPhone::emptyEntryIsNamed()
{
    frmPhone* window = openKeypad();
    QVERIFY(window);
    for (const char* name : {"Combo1", "Combo2", "Combo3"}) {
        auto* combo = control<QComboBox>(window, name);
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(combo->view());
        QVERIFY(list);
        QStringList spoken;
        for (int i = 0; i < list->childCount(); ++i)
            spoken.append(list->child(i)->text(QAccessible::Name));
        QCOMPARE(spoken,
                 (QStringList{"Language", "Access Code / PIN", "Long Distance Number", "Empty, dials nothing"}));
        QCOMPARE(combo->itemText(3), QString());
    }
}

void tst_frmPhone::slotsFitUnderEveryStyle_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<bool>("whileOpen"); // the look changes while the keypad shows, as a desktop's theme switch does
    // Qt's own styles, and GNOME's Adwaita (setup.sh installs it), which keeps wider blanks around a text box's text.
    QStringList styles = QStyleFactory::keys();
    for (const QString& adwaita : {QStringLiteral("Adwaita"), QStringLiteral("Adwaita-Dark")}) {
        if (!styles.contains(adwaita, Qt::CaseInsensitive))
            styles.append(adwaita);
    }
    for (const QString& style : styles) {
        for (bool dark : {false, true}) {
            for (bool whileOpen : {false, true}) {
                QTest::addRow("%s, %s palette%s", qPrintable(style), dark ? "dark" : "light",
                              whileOpen ? ", changed while open" : "")
                    << style << dark << whileOpen;
            }
        }
    }
}

// Whatever the style and palette, each slot shows its longest entry whole and unscrolled: no letter is lost at
// either end.
void tst_frmPhone::slotsFitUnderEveryStyle()
{
    QFETCH(QString, style);
    QFETCH(bool, dark);
    QFETCH(bool, whileOpen);
    QVERIFY2(QStyleFactory::keys().contains(style, Qt::CaseInsensitive),
             qPrintable(style + QStringLiteral(" is not installed")));

    // The program's look comes back whatever this case ends with.
    struct LookBack {
        QString style = QApplication::style()->name();
        QPalette palette = QApplication::palette();
        ~LookBack()
        {
            QApplication::setStyle(style);
            QApplication::setPalette(palette);
        }
    } lookBack;
    QPointer<frmPhone> window;
    if (whileOpen) {
        // Opened under the other style, so that the change is a real one.
        QApplication::setStyle(style == QLatin1String("Fusion") ? QStringLiteral("Windows") : QStringLiteral("Fusion"));
        window = openKeypad();
        QVERIFY(window);
    }
    QApplication::setStyle(style);
    QPalette palette = QApplication::style()->standardPalette();
    if (dark) {
        palette.setColor(QPalette::Window, QColor(0x2d, 0x2d, 0x2d));
        palette.setColor(QPalette::WindowText, Qt::white);
        palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
        palette.setColor(QPalette::Text, Qt::white);
        palette.setColor(QPalette::Button, QColor(0x3c, 0x3c, 0x3c));
        palette.setColor(QPalette::ButtonText, Qt::white);
    }
    QApplication::setPalette(palette);

    if (!whileOpen)
        window = openKeypad();
    QVERIFY(window);
    const QString longest = QStringLiteral("Long Distance Number");
    for (const char* name : {"Combo1", "Combo2", "Combo3"}) {
        auto* combo = control<QComboBox>(window, name);
        miravo::test::pick(combo, longest);
        QLineEdit* box = combo->lineEdit();
        const auto cursor = [box] { return box->inputMethodQuery(Qt::ImCursorRectangle).toRect(); };
        box->home(false);
        const int start = cursor().center().x();
        box->end(false);
        const int end = cursor().center().x();
        QVERIFY2(std::abs(end - start - QFontMetrics(box->font()).horizontalAdvance(longest)) <= 1,
                 qPrintable(QStringLiteral("%1: start %2, end %3").arg(name).arg(start).arg(end)));
        QVERIFY2(
            start >= 0 && cursor().right() <= box->width(),
            qPrintable(QStringLiteral("%1: start %2, end %3 in %4").arg(name).arg(start).arg(end).arg(box->width())));
    }
}

QTEST_MAIN(tst_frmPhone)
#include "tst_frmphone.moc"
