// SPDX-License-Identifier: GPL-3.0-or-later
// Connect and Disconnect in the main window, driven through its buttons, with a real pseudo-terminal as the
// modem on COM3: exactly which bytes reach the line, which messages the user sees, and when the port is held.
#include "dialer/frmMiravoCall.h"
#include "modem/ModemPort.h"
#include "support/ComPorts.h"
#include "support/Controls.h"
#include "support/DialTexts.h"
#include "support/ScriptedMessages.h"
#include "support/TempDataFolder.h"
#include "support/VirtualModemRecorder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace miravo;
using miravo::test::Access;
using miravo::test::click;
using miravo::test::control;
using miravo::test::holdPort;
using miravo::test::portFree;
using miravo::test::PortMessage;
using miravo::test::row;
using miravo::test::ScriptedMessages;
using miravo::test::TempDataFolder;
using miravo::test::Tone;
using miravo::test::VirtualModemRecorder;

namespace {

const QString Question = QStringLiteral("Pick up the handset when the dialing is complete. OK! ");

struct Fields {
    QString access, language, pin, destination;
};

} // namespace

Q_DECLARE_METATYPE(MessageAnswer)

class tst_MainDialing : public QObject {
    Q_OBJECT

private:
    // One dialing set-up: a database, the modem on COM3, the scripted user and the main window, shown.
    struct Desk {
        TempDataFolder folder;
        bool databaseMade = folder.createDatabase();
        VirtualModemRecorder modem{3};
        ScriptedMessages messages;
        std::unique_ptr<frmMiravoCall> window = std::make_unique<frmMiravoCall>();
    };

    static void fill(QWidget* window, const Fields& fields)
    {
        control<QLineEdit>(window, "txtDial_Num1")->setText(fields.access);
        control<QLineEdit>(window, "txtDial_Num2")->setText(fields.language);
        control<QLineEdit>(window, "txtDial_Num3")->setText(fields.pin);
        control<QComboBox>(window, "txtDial_Num4")->setEditText(fields.destination);
    }

private slots:
    void firstConnect_data();
    void firstConnect();
    void questionBox();
    void modemDialsWhileQuestionIsShown();
    void secondConnectWithoutDisconnect_data();
    void secondConnectWithoutDisconnect();
    void connectAfterNoDialsAccessNumberAgain();
    void disconnect();
    void disconnectWithPortClosedDoesNothing();
    void portThatNamesNoDevice_data();
    void portThatNamesNoDevice();
    void portHeldByOtherPortObject();
    void portNumberIsTakenOnceAtStartUp();
    void closingWindowReleasesPort();
    void destroyingWindowReleasesPort();
    void longAccessNumberGoesWhole();
};

void tst_MainDialing::firstConnect_data()
{
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("openAfter");

    const Fields call{"18005551234", "2", "4321", "5551234"};
    QTest::newRow("Yes: access-number command, then tone command")
        << call << MessageAnswer::Yes << Access + Tone << true;
    QTest::newRow("No: access-number command only, port closed") << call << MessageAnswer::No << Access << false;
    QTest::newRow("all fields empty, Yes")
        << Fields{} << MessageAnswer::Yes << QByteArray("ATDT\rATDT,,,,#\r\n") << true;
    QTest::newRow("letters and blanks sent as typed")
        << Fields{" 1 800 CARD", "French ", "12 34", "555 ABC"} << MessageAnswer::Yes
        << QByteArray("ATDT 1 800 CARD\rATDTFrench ,12 34,,555 ABC,#\r\n") << true;
    QTest::newRow("control characters in fields never reach the modem")
        << Fields{"1800\rATH", "2\n", QStringLiteral("43") + QChar(0x7F) + QStringLiteral("21"), "555\t1234\r\n"}
        << MessageAnswer::Yes << QByteArray("ATDT1800ATH\rATDT2,4321,,5551234,#\r\n") << true;
    QTest::newRow("C1 controls in fields never reach the modem")
        << Fields{QStringLiteral("1800\u008dATH"), QStringLiteral("2\u0085"), QStringLiteral("43\u008a21"),
                  QStringLiteral("\u0080555\u009f1234\u008d\u008a")}
        << MessageAnswer::Yes << QByteArray("ATDT1800ATH\rATDT2,4321,,5551234,#\r\n") << true;
    QTest::newRow("Latin-1 goes as one byte, the rest as ?")
        << Fields{"1800", QStringLiteral("Fran\u00e7ais"), QStringLiteral("\u20ac1"), "5"} << MessageAnswer::Yes
        << QByteArray("ATDT1800\rATDTFran\xe7"
                      "ais,?1,,5,#\r\n")
        << true;
}

void tst_MainDialing::firstConnect()
{
    QFETCH(Fields, fields);
    QFETCH(MessageAnswer, answer);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, openAfter);
    Desk desk;
    QVERIFY(desk.databaseMade);
    QVERIFY2(desk.modem.isReady(), qPrintable(desk.modem.errorString()));
    desk.window->show();
    fill(desk.window.get(), fields);

    desk.messages.answerNext(answer);
    click(desk.window.get(), "cmdConnect");

    QCOMPARE(desk.messages.texts(), QStringList{Question});
    QVERIFY(desk.modem.waitForBytes(bytes.size()));
    QCOMPARE(desk.modem.received(), bytes);
    // Between the two commands the port was closed and opened again; after No it is let go.
    QTRY_COMPARE(desk.modem.openCount(), answer == MessageAnswer::Yes ? 2 : 1);
    QTRY_COMPARE(desk.modem.portOpen(), openAfter);
    QCOMPARE(portFree(3), !openAfter);
}

void tst_MainDialing::questionBox()
{
    Desk desk;
    desk.window->show();
    click(desk.window.get(), "cmdConnect");
    QCOMPARE(desk.messages.shown().size(), 1);
    const MessageRequest& question = desk.messages.shown().first();
    QCOMPARE(question.text, Question);
    QCOMPARE(question.title, QStringLiteral("Dialing Status"));
    QCOMPARE(question.style, MessageStyle::YesNoCritical);
}

void tst_MainDialing::modemDialsWhileQuestionIsShown()
{
    Desk desk;
    desk.window->show();
    fill(desk.window.get(), {"18005551234", "2", "4321", "5551234"});
    QByteArray whileAsking;
    desk.messages.onShow([&](const MessageRequest&) {
        desk.modem.waitForBytes(16);
        whileAsking = desk.modem.received();
    });
    click(desk.window.get(), "cmdConnect");
    QCOMPARE(whileAsking, QByteArray("ATDT18005551234\r"));
}

void tst_MainDialing::secondConnectWithoutDisconnect_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("openAfter");

    QTest::newRow("Yes re-opens and sends the tone command alone")
        << MessageAnswer::Yes << QByteArray("ATDT3,999,,5550000,#\r\n") << true;
    QTest::newRow("No sends nothing and closes") << MessageAnswer::No << QByteArray() << false;
}

void tst_MainDialing::secondConnectWithoutDisconnect()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, openAfter);
    Desk desk;
    desk.window->show();
    fill(desk.window.get(), {"18005551234", "2", "4321", "5551234"});
    desk.messages.answerNext(MessageAnswer::Yes);
    click(desk.window.get(), "cmdConnect");
    QVERIFY(desk.modem.waitForBytes(16 + 23));
    desk.modem.clear();
    desk.messages.clear();

    fill(desk.window.get(), {"18009999999", "3", "999", "5550000"});
    desk.messages.answerNext(answer);
    click(desk.window.get(), "cmdConnect");
    QCOMPARE(desk.messages.texts(), QStringList{Question});
    QTRY_COMPARE(desk.modem.portOpen(), openAfter);
    // Closed once between the first dial's commands, and once more now, before the re-open or for the No.
    QVERIFY(desk.modem.waitForCloses(2));
    if (!bytes.isEmpty())
        QVERIFY(desk.modem.waitForBytes(bytes.size()));
    QCOMPARE(desk.modem.received(), bytes);
}

void tst_MainDialing::connectAfterNoDialsAccessNumberAgain()
{
    Desk desk;
    desk.window->show();
    fill(desk.window.get(), {"1800", "2", "4321", "555"});
    desk.messages.answerNext(MessageAnswer::No);
    click(desk.window.get(), "cmdConnect");
    desk.messages.answerNext(MessageAnswer::Yes);
    click(desk.window.get(), "cmdConnect");
    const QByteArray bytes("ATDT1800\rATDT1800\rATDT2,4321,,555,#\r\n");
    QVERIFY(desk.modem.waitForBytes(bytes.size()));
    QCOMPARE(desk.modem.received(), bytes);
    QCOMPARE(desk.messages.texts(), (QStringList{Question, Question}));
}

void tst_MainDialing::disconnect()
{
    Desk desk;
    desk.window->show();
    desk.messages.answerNext(MessageAnswer::Yes);
    click(desk.window.get(), "cmdConnect");
    QVERIFY(desk.modem.waitForBytes(16));
    QTRY_VERIFY(desk.modem.portOpen());
    const QByteArray before = desk.modem.received();
    QCOMPARE(before, QByteArray("ATDT\rATDT,,,,#\r\n"));
    desk.messages.clear();

    click(desk.window.get(), "cmdDisconnect");
    QVERIFY(desk.modem.waitForCloses(2));
    QVERIFY(desk.modem.portClosed());
    QVERIFY(portFree(3));
    QCOMPARE(desk.modem.received(), before);
    QVERIFY(desk.messages.shown().isEmpty());
}

void tst_MainDialing::disconnectWithPortClosedDoesNothing()
{
    Desk desk;
    desk.window->show();
    click(desk.window.get(), "cmdDisconnect");
    click(desk.window.get(), "cmdDisconnect");
    QVERIFY(desk.messages.shown().isEmpty());
    QCOMPARE(desk.modem.openCount(), 0);
    QVERIFY(portFree(3));
}

void tst_MainDialing::portThatNamesNoDevice_data()
{
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("Yes: twice, the question, twice more")
        << MessageAnswer::Yes << QStringList{PortMessage, PortMessage, Question, PortMessage, PortMessage};
    QTest::newRow("No: twice, the question, nothing more")
        << MessageAnswer::No << QStringList{PortMessage, PortMessage, Question};
}

void tst_MainDialing::portThatNamesNoDevice()
{
    QFETCH(MessageAnswer, answer);
    QFETCH(QStringList, shown);
    TempDataFolder folder;
    QVERIFY(folder.createDatabase());
    // COM3 links to a device that is not there; the modem sits on COM4 to see that nothing goes astray.
    QVERIFY(QDir().mkpath(portLinksFolder()));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyACM0"), portLinkPath(3)));
    VirtualModemRecorder elsewhere(4);
    ScriptedMessages messages;
    frmMiravoCall window;
    window.show();
    fill(&window, {"1800", "2", "4321", "555"});

    messages.answerNext(answer);
    click(&window, "cmdConnect");
    QCOMPARE(messages.texts(), shown);
    for (const MessageRequest& request : messages.shown()) {
        if (request.text == PortMessage) {
            QCOMPARE(request.style, MessageStyle::OkOnly);
            QVERIFY(request.title.isEmpty() || request.title == ApplicationTitle);
            QVERIFY(!request.detail.isEmpty());
        }
    }
    // The box keeps its text and says why in its details: the open found no device.
    QVERIFY2(messages.shown().first().detail.startsWith("COM3: no such device"),
             qPrintable(messages.shown().first().detail));
    QCOMPARE(elsewhere.openCount(), 0);
}

void tst_MainDialing::portHeldByOtherPortObject()
{
    // As when the keypad window holds the same port: every port step fails, and once it lets go Connect dials.
    Desk desk;
    desk.window->show();
    fill(desk.window.get(), {"1800", "2", "4321", "555"});
    auto other = holdPort(3);
    QVERIFY(other);

    desk.messages.answerNext(MessageAnswer::Yes);
    click(desk.window.get(), "cmdConnect");
    QCOMPARE(desk.messages.texts(), (QStringList{PortMessage, PortMessage, Question, PortMessage, PortMessage}));
    QCOMPARE(desk.modem.received(), QByteArray());
    // Each open's details say the port is held, not that it is missing or forbidden.
    for (int shown : {0, 3})
        QVERIFY2(desk.messages.shown()[shown].detail.contains("is in use"),
                 qPrintable(desk.messages.shown()[shown].detail));

    other.reset();
    desk.messages.clear();
    desk.messages.answerNext(MessageAnswer::Yes);
    click(desk.window.get(), "cmdConnect");
    QCOMPARE(desk.messages.texts(), QStringList{Question});
    const QByteArray bytes("ATDT1800\rATDT2,4321,,555,#\r\n");
    QVERIFY(desk.modem.waitForBytes(bytes.size()));
    QCOMPARE(desk.modem.received(), bytes);
}

void tst_MainDialing::portNumberIsTakenOnceAtStartUp()
{
    Desk desk;
    VirtualModemRecorder com4(4);
    desk.window->show();
    control<QLineEdit>(desk.window.get(), "txtPort")->setText(QStringLiteral("4"));
    fill(desk.window.get(), {"1800", "", "", ""});
    desk.messages.answerNext(MessageAnswer::No);
    click(desk.window.get(), "cmdConnect");
    QVERIFY(desk.modem.waitForBytes(9));
    QCOMPARE(desk.modem.received(), QByteArray("ATDT1800\r"));
    QCOMPARE(com4.openCount(), 0);
}

void tst_MainDialing::closingWindowReleasesPort()
{
    Desk desk;
    desk.window->show();
    desk.messages.answerNext(MessageAnswer::Yes);
    click(desk.window.get(), "cmdConnect");
    QTRY_VERIFY(desk.modem.portOpen());
    QVERIFY(!portFree(3));

    click(desk.window.get(), "cmdClose");
    QVERIFY(!desk.window->isVisible());
    QVERIFY(desk.modem.waitForCloses(2));
    QVERIFY(desk.modem.portClosed());
    QVERIFY(portFree(3));
}

void tst_MainDialing::destroyingWindowReleasesPort()
{
    Desk desk;
    desk.window->show();
    fill(desk.window.get(), {"1800", "2", "4321", "555"});
    desk.messages.answerNext(MessageAnswer::Yes);
    click(desk.window.get(), "cmdConnect");
    desk.window.reset();
    QVERIFY(desk.modem.waitForCloses(2));
    QCOMPARE(desk.modem.received(), QByteArray("ATDT1800\rATDT2,4321,,555,#\r\n"));
    QVERIFY(portFree(3));
}

void tst_MainDialing::longAccessNumberGoesWhole()
{
    // 40,000 digits: longer than a text field takes unless told otherwise.
    const QString digits = QStringLiteral("1234567890").repeated(4000);
    Desk desk;
    QVERIFY(desk.databaseMade);
    QVERIFY(desk.folder.addRows(
        "Vendors", {row({{"Company", "Long"}, {"Business", digits}, {"Language", "2"}, {"Code", "4321"}})}));
    QVERIFY2(desk.modem.isReady(), qPrintable(desk.modem.errorString()));
    desk.window->show();
    QTest::keyClicks(control<QComboBox>(desk.window.get(), "Combo1"), "Long");
    QCOMPARE(control<QLineEdit>(desk.window.get(), "txtDial_Num1")->text().size(), digits.size());

    desk.messages.answerNext(MessageAnswer::No);
    click(desk.window.get(), "cmdConnect");
    const QByteArray bytes = "ATDT" + digits.toLatin1() + "\r";
    QVERIFY(desk.modem.waitForBytes(bytes.size()));
    QCOMPARE(desk.modem.received().size(), bytes.size());
    QVERIFY(desk.modem.received() == bytes);
}

QTEST_MAIN(tst_MainDialing)
#include "tst_maindialing.moc"
