// The keypad window's widget-free rules: which value a sequence slot's text stands for, which port texts the
// window can number its port from, and the character of each key.
#include "keypad/KeypadTexts.h"

#include <QtTest>

using namespace miravo;

class tst_KeypadTexts : public QObject {
    Q_OBJECT

private slots:
    void slotResolution_data();
    void slotResolution();
    void usablePortTexts_data();
    void usablePortTexts();
    void keyCharacters();
};

void tst_KeypadTexts::slotResolution_data()
{
    QTest::addColumn<QString>("slotText");
    QTest::addColumn<QString>("value");

    QTest::newRow("Language: the language choice") << "Language"
                                                   << "LANG";
    QTest::newRow("Access Code / PIN: the PIN") << "Access Code / PIN"
                                                << "PIN";
    QTest::newRow("Long Distance Number: the destination") << "Long Distance Number"
                                                           << "DEST";
    QTest::newRow("the empty entry: nothing") << ""
                                              << "";
    QTest::newRow("other letter case: nothing") << "language"
                                                << "";
    QTest::newRow("capitals: nothing") << "LONG DISTANCE NUMBER"
                                       << "";
    QTest::newRow("a trailing blank: nothing") << "Language "
                                               << "";
    QTest::newRow("a leading blank: nothing") << " Access Code / PIN"
                                              << "";
    QTest::newRow("part of a name: nothing") << "Access Code"
                                             << "";
    QTest::newRow("a typed number: nothing") << "5551234"
                                             << "";
}

void tst_KeypadTexts::slotResolution()
{
    QFETCH(QString, slotText);
    QFETCH(QString, value);
    const MainDialFields fields{"ACCESS", "LANG", "PIN", "DEST"};
    QCOMPARE(resolveSlot(slotText, fields), value);
}

void tst_KeypadTexts::usablePortTexts_data()
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

void tst_KeypadTexts::usablePortTexts()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    const auto number = usablePortNumber(text);
    QCOMPARE(number.value_or(0), port);
}

void tst_KeypadTexts::keyCharacters()
{
    QString keys;
    for (int element = 0; element <= 11; ++element)
        keys += keypadCharacter(element);
    QCOMPARE(keys, QStringLiteral("0123456789*#"));
    QVERIFY(keypadCharacter(12).isNull());
    QVERIFY(keypadCharacter(-1).isNull());
}

QTEST_GUILESS_MAIN(tst_KeypadTexts)
#include "tst_keypadtexts.moc"
