// SPDX-License-Identifier: GPL-3.0-or-later
// What a line that is no serial modem reads out of the dial commands the windows write: the dial string, the
// number a call goes to, and the touch tones with their pauses.
#include "modem/DialCommands.h"
#include "modem/DialString.h"

#include <QtTest>

using namespace miravo;

namespace {

// "2,4321" -> "2 P 4 3 2 1": keys as themselves, each pause as P.
QString spelled(const QList<ToneStep>& steps)
{
    QStringList parts;
    for (const ToneStep& step : steps)
        parts.append(step.kind == ToneStep::Kind::Pause ? QStringLiteral("P") : QString(step.key));
    return parts.join(QLatin1Char(' '));
}

} // namespace

class tst_DialString : public QObject {
    Q_OBJECT

private slots:
    void dialStringOfCommand_data();
    void dialStringOfCommand();
    void toneCommandOrNot_data();
    void toneCommandOrNot();
    void numberToCall_data();
    void numberToCall();
    void toneSteps_data();
    void toneSteps();
};

void tst_DialString::dialStringOfCommand_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("isDial");
    QTest::addColumn<QString>("dialString");

    QTest::newRow("access-number command")
        << commandBytes(accessNumberCommand(QStringLiteral("18005551234"))) << true << "18005551234";
    QTest::newRow("tone command") << commandBytes(toneCommand(QStringLiteral("2"), QStringLiteral("4321"),
                                                              QStringLiteral("5551234")))
                                  << true << "2,4321,,5551234,#";
    QTest::newRow("tone command of empty values") << commandBytes(toneCommand({}, {}, {})) << true << ",,,,#";
    QTest::newRow("empty access number") << QByteArray("ATDT\r") << true << "";
    QTest::newRow("pulse dialing") << QByteArray("ATDP123\r") << true << "123";
    QTest::newRow("no tone or pulse letter") << QByteArray("ATD123\r") << true << "123";
    QTest::newRow("lower case") << QByteArray("atdt555\r") << true << "555";
    QTest::newRow("blanks and letters stay") << QByteArray("ATDT1 800 FLOWERS\r") << true << "1 800 FLOWERS";
    QTest::newRow("Latin-1 byte") << QByteArray("ATDT\xe9\r") << true << QStringLiteral("\u00e9");
    QTest::newRow("no terminator") << QByteArray("ATDT123") << false << "";
    QTest::newRow("LF alone") << QByteArray("ATDT123\n") << false << "";
    QTest::newRow("no dial command") << QByteArray("ATH0\r") << false << "";
    QTest::newRow("empty") << QByteArray() << false << "";
    QTest::newRow("two commands in one") << QByteArray("ATDT1\rATDT2\r") << false << "";
}

void tst_DialString::dialStringOfCommand()
{
    QFETCH(QByteArray, command);
    QFETCH(bool, isDial);
    QFETCH(QString, dialString);
    const auto read = miravo::dialString(command);
    QCOMPARE(read.has_value(), isDial);
    if (isDial)
        QCOMPARE(*read, dialString);
}

void tst_DialString::toneCommandOrNot_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("isTone");

    QTest::newRow("tone command") << commandBytes(toneCommand(QStringLiteral("2"), {}, {})) << true;
    QTest::newRow("access-number command") << commandBytes(accessNumberCommand(QStringLiteral("1800"))) << false;
    QTest::newRow("LF alone") << QByteArray("ATDT1\n") << false;
    QTest::newRow("CR LF but no dial command") << QByteArray("ATH\r\n") << false;
}

void tst_DialString::toneCommandOrNot()
{
    QFETCH(QByteArray, command);
    QFETCH(bool, isTone);
    QCOMPARE(isToneCommand(command), isTone);
}

void tst_DialString::numberToCall_data()
{
    QTest::addColumn<QString>("dialString");
    QTest::addColumn<QString>("number");

    QTest::newRow("digits alone") << "18005551234"
                                  << "18005551234";
    QTest::newRow("written the usual way") << "+1 (800) 555-1234"
                                           << "+18005551234";
    QTest::newRow("dots") << "800.555.1234"
                          << "8005551234";
    QTest::newRow("star and pound stay") << "*31#5551234"
                                         << "*31#5551234";
    QTest::newRow("letters and commas stay") << "1800FLOWERS,1"
                                             << "1800FLOWERS,1";
    QTest::newRow("only skipped characters") << " -()."
                                             << "";
}

void tst_DialString::numberToCall()
{
    QFETCH(QString, dialString);
    QFETCH(QString, number);
    QCOMPARE(miravo::numberToCall(dialString), number);
}

void tst_DialString::toneSteps_data()
{
    QTest::addColumn<QString>("dialString");
    QTest::addColumn<QString>("steps");

    QTest::newRow("language, PIN, destination and pound") << "2,4321,,5551234,#"
                                                          << "2 P 4 3 2 1 P P 5 5 5 1 2 3 4 P #";
    QTest::newRow("empty values keep their pauses") << ",,,,#"
                                                    << "P P P P #";
    QTest::newRow("every key") << "0123456789*#ABCD"
                               << "0 1 2 3 4 5 6 7 8 9 * # A B C D";
    QTest::newRow("lower-case letter keys") << "abcd"
                                            << "A B C D";
    QTest::newRow("blanks, dashes and other letters skipped") << "1 800-CABS"
                                                              << "1 8 0 0 C A B";
    QTest::newRow("dial modifiers skipped") << "W;!@T5"
                                            << "5";
    QTest::newRow("nothing") << ""
                             << "";
}

void tst_DialString::toneSteps()
{
    QFETCH(QString, dialString);
    QFETCH(QString, steps);
    QCOMPARE(spelled(miravo::toneSteps(dialString)), steps);
}

QTEST_GUILESS_MAIN(tst_DialString)
#include "tst_dialstring.moc"
