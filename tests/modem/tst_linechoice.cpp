// SPDX-License-Identifier: GPL-3.0-or-later
// Which line a COM number names, read from its link in the ports folder. (The names a user types, and their
// links read back, are tst_miravoports' subject.)
#include "modem/LineChoice.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace miravo;
using miravo::test::TempDataFolder;

Q_DECLARE_METATYPE(miravo::LineKind)

class tst_LineChoice : public QObject {
    Q_OBJECT

private slots:
    void lineOfPort_data();
    void lineOfPort();
};

void tst_LineChoice::lineOfPort_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("linkText"); // "" = no link
    QTest::addColumn<LineKind>("kind");
    QTest::addColumn<QString>("device");     // "LINK" = the link itself
    QTest::addColumn<QString>("identifier"); // the ModemManager modem's

    QTest::newRow("no link: built-in serial port") << 3 << "" << LineKind::Serial << "/dev/ttyS2"
                                                   << "";
    QTest::newRow("link to a device") << 3 << "/dev/ttyACM0" << LineKind::Serial << "LINK"
                                      << "";
    QTest::newRow("relative link to a device") << 3 << "../ttyUSB0" << LineKind::Serial << "LINK"
                                               << "";
    QTest::newRow("first ModemManager modem") << 3 << "modemmanager" << LineKind::ModemManager << ""
                                              << "";
    QTest::newRow("ModemManager modem by identifier")
        << 2 << "modemmanager:356938035643809" << LineKind::ModemManager << ""
        << "356938035643809";
    QTest::newRow("ModemManager with an empty identifier is a path")
        << 3 << "modemmanager:" << LineKind::Serial << "LINK"
        << "";
    QTest::newRow("other case is a path") << 3 << "ModemManager" << LineKind::Serial << "LINK"
                                          << "";
    QTest::newRow("speaker") << 4 << "speaker" << LineKind::Speaker << ""
                             << "";
    QTest::newRow("zero names nothing") << 0 << "" << LineKind::None << ""
                                        << "";
}

void tst_LineChoice::lineOfPort()
{
    QFETCH(int, port);
    QFETCH(QString, linkText);
    QFETCH(LineKind, kind);
    QFETCH(QString, device);
    QFETCH(QString, identifier);
    TempDataFolder folder;
    const QString link = portLinkPath(port);
    if (!linkText.isEmpty()) {
        QVERIFY(QDir().mkpath(portLinksFolder()));
        QVERIFY(QFile::link(linkText, link));
    }
    const LineChoice line = lineForPort(port);
    QCOMPARE(line.kind, kind);
    QCOMPARE(line.device, device == QLatin1String("LINK") ? link : device);
    QCOMPARE(line.equipmentIdentifier, identifier);
    QCOMPARE(devicePathForPort(port), kind == LineKind::Serial ? line.device : QString());
}

QTEST_GUILESS_MAIN(tst_LineChoice)
#include "tst_linechoice.moc"
