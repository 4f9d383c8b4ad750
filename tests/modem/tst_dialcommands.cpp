// SPDX-License-Identifier: GPL-3.0-or-later
// The two dial commands and the bytes they become on the line.
#include "modem/DialCommands.h"

#include <QtTest>

using namespace miravo;

class tst_DialCommands : public QObject {
    Q_OBJECT

private slots:
    void accessNumberCommand_data();
    void accessNumberCommand();
    void toneCommand_data();
    void toneCommand();
    void commandBytes_data();
    void commandBytes();
};

void tst_DialCommands::accessNumberCommand_data()
{
    QTest::addColumn<QString>("accessNumber");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("eleven digits make 16 bytes") << "18005551234" << QByteArray("ATDT18005551234\r");
    QTest::newRow("empty number leaves ATDT and CR") << "" << QByteArray("ATDT\r");
    QTest::newRow("letters and blanks go as typed") << " 1 800 FLOWERS " << QByteArray("ATDT 1 800 FLOWERS \r");
    QTest::newRow("CR inside would end the command early") << "1800\rATH" << QByteArray("ATDT1800ATH\r");
    QTest::newRow("LF, tab, NUL and DEL removed")
        << QStringLiteral("1\n8\t0") + QChar(0) + QStringLiteral("0") + QChar(0x7F) << QByteArray("ATDT1800\r");
    QTest::newRow("every character below 0x20 removed") << [] {
        QString all;
        for (char16_t c = 0; c < 0x20; ++c)
            all += QChar(c) + QStringLiteral("x");
        return all;
    }() << QByteArray("ATDT") + QByteArray(32, 'x') + "\r";
    QTest::newRow("every C1 control 0x80 to 0x9F removed") << [] {
        QString all;
        for (char16_t c = 0x80; c <= 0x9F; ++c)
            all += QChar(c) + QStringLiteral("x");
        return all;
    }() << QByteArray("ATDT") + QByteArray(32, 'x') + "\r";
    QTest::newRow("0x8D 0x8A would be CR LF to a 7-bit modem")
        << QStringLiteral("1800\u008d\u008aATH") << QByteArray("ATDT1800ATH\r");
    QTest::newRow("neighbours of the C1 range go as before")
        << QStringLiteral("~\u00a0\u00e9\u00ff\u0100") << QByteArray("ATDT~\xa0\xe9\xff?\r");
}

void tst_DialCommands::accessNumberCommand()
{
    QFETCH(QString, accessNumber);
    QFETCH(QByteArray, bytes);
    QCOMPARE(miravo::commandBytes(miravo::accessNumberCommand(accessNumber)), bytes);
}

void tst_DialCommands::toneCommand_data()
{
    QTest::addColumn<QString>("value1");
    QTest::addColumn<QString>("value2");
    QTest::addColumn<QString>("value3");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("three values") << "2"
                                  << "4321"
                                  << "5551234" << QByteArray("ATDT2,4321,,5551234,#\r\n");
    QTest::newRow("all empty: four commas, #, CR LF (11 bytes)") << ""
                                                                 << ""
                                                                 << "" << QByteArray("ATDT,,,,#\r\n");
    QTest::newRow("value 2 empty: three commas in a row") << "1"
                                                          << ""
                                                          << "99" << QByteArray("ATDT1,,,99,#\r\n");
    QTest::newRow("letters and blanks go as typed")
        << "English"
        << "12 34"
        << " 555-1234 " << QByteArray("ATDTEnglish,12 34,, 555-1234 ,#\r\n");
    QTest::newRow("CR LF inside values removed") << "1\r\n"
                                                 << "12\r34"
                                                 << "5\n55" << QByteArray("ATDT1,1234,,555,#\r\n");
    QTest::newRow("DEL and escape removed")
        << QStringLiteral("1") + QChar(0x7F) << QStringLiteral("\x1b+++") << "5" << QByteArray("ATDT1,+++,,5,#\r\n");
    QTest::newRow("C1 controls removed from every value")
        << QStringLiteral("\u00852\u0080") << QStringLiteral("43\u008d21") << QStringLiteral("\u009f555\u008a")
        << QByteArray("ATDT2,4321,,555,#\r\n");
    QTest::newRow("Latin-1 letters and no-break space kept")
        << QStringLiteral("Fran\u00e7ais") << QStringLiteral("\u00a012") << QStringLiteral("\u00ff")
        << QByteArray("ATDTFran\xe7"
                      "ais,\xa0"
                      "12,,\xff,#\r\n");
}

void tst_DialCommands::toneCommand()
{
    QFETCH(QString, value1);
    QFETCH(QString, value2);
    QFETCH(QString, value3);
    QFETCH(QByteArray, bytes);
    QCOMPARE(miravo::commandBytes(miravo::toneCommand(value1, value2, value3)), bytes);
}

void tst_DialCommands::commandBytes_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ASCII as it is") << "ATDT123,#" << QByteArray("ATDT123,#");
    QTest::newRow("Latin-1 letter is its one byte") << QStringLiteral("Fran\u00e7ais")
                                                    << QByteArray("Fran\xe7"
                                                                  "ais");
    QTest::newRow("highest Latin-1 character") << QStringLiteral("\u00ff") << QByteArray("\xff");
    QTest::newRow("euro sign has no byte: ?") << QStringLiteral("5\u20ac") << QByteArray("5?");
    QTest::newRow("character outside 16 bits is one ?") << QStringLiteral("1\U0001F4DE2") << QByteArray("1?2");
    QTest::newRow("empty") << "" << QByteArray();
}

void tst_DialCommands::commandBytes()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, bytes);
    QCOMPARE(miravo::commandBytes(command), bytes);
}

QTEST_GUILESS_MAIN(tst_DialCommands)
#include "tst_dialcommands.moc"
