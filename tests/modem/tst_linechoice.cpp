// Which line a COM number names, read from its link in the ports folder, and the line names a user types.
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
    void lineNames_data();
    void lineNames();
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

void tst_LineChoice::lineNames_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<LineKind>("kind");

    QTest::newRow("device path") << "/dev/ttyACM0" << true << LineKind::Serial;
    QTest::newRow("stable device name") << "/dev/serial/by-id/usb-Modem_123-if00" << true << LineKind::Serial;
    QTest::newRow("first ModemManager modem") << "modemmanager" << true << LineKind::ModemManager;
    QTest::newRow("ModemManager modem by identifier") << "modemmanager:0123" << true << LineKind::ModemManager;
    QTest::newRow("speaker") << "speaker" << true << LineKind::Speaker;
    QTest::newRow("relative path") << "ttyACM0" << false << LineKind::None;
    QTest::newRow("root alone") << "/" << false << LineKind::None;
    QTest::newRow("empty identifier") << "modemmanager:" << false << LineKind::None;
    QTest::newRow("misspelt") << "modem-manager" << false << LineKind::None;
    QTest::newRow("empty") << "" << false << LineKind::None;
}

void tst_LineChoice::lineNames()
{
    // What a user names is read as that line, and the line's name is the text again: the tool writes the name
    // as the link, and the program reads the link back as the same line.
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(LineKind, kind);
    const auto line = parseLineName(text);
    QCOMPARE(line.has_value(), valid);
    if (!valid)
        return;
    QCOMPARE(line->kind, kind);
    QCOMPARE(lineName(*line), text);

    TempDataFolder folder;
    QVERIFY(QDir().mkpath(portLinksFolder()));
    QVERIFY(QFile::link(lineName(*line), portLinkPath(5)));
    const LineChoice read = lineForPort(5);
    QCOMPARE(read.kind, kind);
    QCOMPARE(read.equipmentIdentifier, line->equipmentIdentifier);
}

QTEST_GUILESS_MAIN(tst_LineChoice)
#include "tst_linechoice.moc"
