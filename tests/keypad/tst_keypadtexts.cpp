// SPDX-License-Identifier: GPL-3.0-or-later
// The keypad window's widget-free rules: which value a sequence slot's text stands for and the character of each
// key.
#include "keypad/KeypadTexts.h"

#include <QtTest>

using namespace miravo;

class tst_KeypadTexts : public QObject {
    Q_OBJECT

private slots:
    void slotResolution_data();
    void slotResolution();
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
