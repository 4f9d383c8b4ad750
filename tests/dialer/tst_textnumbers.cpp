// SPDX-License-Identifier: GPL-3.0-or-later
// What the port fields and the pause field accept as numbers, and what they refuse.
#include "dialer/TextNumbers.h"
#include "modem/ModemPort.h"

#include <QtTest>

using namespace miravo;

class tst_TextNumbers : public QObject {
    Q_OBJECT

private slots:
    void portNumber_data();
    void portNumber();
    void portTextNamesAPort_data();
    void portTextNamesAPort();
    void pauseSeconds_data();
    void pauseSeconds();
};

void tst_TextNumbers::portNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("value");

    QTest::newRow("plain") << "3" << true << 3;
    QTest::newRow("blanks around") << "  3 " << true << 3;
    QTest::newRow("tab around") << "\t12\t" << true << 12;
    QTest::newRow("plus sign") << "+4" << true << 4;
    QTest::newRow("minus sign") << "-1" << true << -1;
    QTest::newRow("zero") << "0" << true << 0;
    QTest::newRow("leading zeros") << "007" << true << 7;
    QTest::newRow("16-bit top") << "32767" << true << 32767;
    QTest::newRow("16-bit bottom") << "-32768" << true << -32768;
    QTest::newRow("just above 16 bits") << "32768" << false << 0;
    QTest::newRow("99999") << "99999" << false << 0;
    QTest::newRow("many digits") << "123456789012345678901234567890" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blanks only") << "   " << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("COM prefix") << "COM3" << false << 0;
    QTest::newRow("fraction") << "2.5" << false << 0;
    QTest::newRow("comma fraction") << "2,5" << false << 0;
    QTest::newRow("exponent") << "1e3" << false << 0;
    QTest::newRow("blank inside") << "1 2" << false << 0;
    QTest::newRow("nan") << "nan" << false << 0;
    QTest::newRow("inf") << "inf" << false << 0;
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("\u0663") << false << 0;
    QTest::newRow("full-width digit") << QString::fromUtf8("\uFF13") << false << 0;
    QTest::newRow("hexadecimal prefix") << "0x10" << false << 0;
    QTest::newRow("two signs") << "+-3" << false << 0;
    QTest::newRow("sign apart from the digits") << "- 3" << false << 0;
    QTest::newRow("line break after") << "3\n" << true << 3;
    QTest::newRow("no-break blanks around") << QString::fromUtf8("\u00A03\u00A0") << true << 3;
}

void tst_TextNumbers::portNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, value);
    const auto number = toPortNumber(text);
    QCOMPARE(number.has_value(), accepted);
    if (accepted)
        QCOMPARE(int(*number), value);
}

void tst_TextNumbers::portTextNamesAPort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port"); // 0: refused

    QTest::newRow("3") << "3" << 3;
    QTest::newRow("blanks around") << " 3 " << 3;
    QTest::newRow("plus sign") << "+2" << 2;
    QTest::newRow("the highest 16-bit number") << "32767" << 32767;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "COM3" << 0;
    QTest::newRow("zero names no port") << "0" << 0;
    QTest::newRow("negative") << "-1" << 0;
    QTest::newRow("beyond 16 bits") << "32768" << 0;
    QTest::newRow("far beyond") << "99999" << 0;
    QTest::newRow("fraction") << "3.0" << 0;
}

void tst_TextNumbers::portTextNamesAPort()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    // How the keypad window numbers its port at creation, and whether it then reports the port settings.
    const int number = toPortNumber(text).value_or(0);
    QCOMPARE(number >= FirstPortNumber ? number : 0, port);
}

void tst_TextNumbers::pauseSeconds_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");

    QTest::newRow("default") << "10" << true << 10.0;
    QTest::newRow("fraction with point") << "2.5" << true << 2.5;
    QTest::newRow("fraction with comma") << "2,5" << true << 2.5;
    QTest::newRow("blanks around") << " 2.5  " << true << 2.5;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("trailing point") << "3." << true << 3.0;
    QTest::newRow("zero") << "0" << true << 0.0;
    QTest::newRow("negative") << "-1" << true << -1.0;
    QTest::newRow("plus") << "+1.25" << true << 1.25;
    QTest::newRow("large") << "99999" << true << 99999.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("abc") << "abc" << false << 0.0;
    QTest::newRow("exponent") << "1e3" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("two separators") << "1.2.3" << false << 0.0;
    QTest::newRow("point alone") << "." << false << 0.0;
    QTest::newRow("unit after it") << "10s" << false << 0.0;
    QTest::newRow("hundreds of digits") << QString(400, u'9') << false << 0.0;
}

void tst_TextNumbers::pauseSeconds()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, value);
    const auto seconds = toPauseSeconds(text);
    QCOMPARE(seconds.has_value(), accepted);
    if (accepted)
        QCOMPARE(*seconds, value);
}

QTEST_GUILESS_MAIN(tst_TextNumbers)
#include "tst_textnumbers.moc"
