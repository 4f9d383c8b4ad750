// SPDX-License-Identifier: GPL-3.0-or-later
// The ports tool as a user runs it: what `set` and `unset` leave in the ports folder (read back as the program
// reads it), what they refuse and with which exit status, and what `list` shows of ModemManager's modems and of
// the mapped COM numbers.
#include "modem/LineChoice.h"
#include "support/ModemManagerStandIn.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <unistd.h>

using namespace miravo;
using miravo::test::ModemManagerStandIn;
using miravo::test::TempDataFolder;

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run ports(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/miravo-ports"), arguments);
    if (!tool.waitForFinished(30000))
        return {};
    return Run{tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1,
               QString::fromLocal8Bit(tool.readAllStandardOutput()),
               QString::fromLocal8Bit(tool.readAllStandardError())};
}

// The link's own text, or "" when there is no link.
QString linkText(int portNumber)
{
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(portLinkPath(portNumber)).constData(), buffer, sizeof buffer);
    return n > 0 ? QString::fromLocal8Bit(buffer, n) : QString();
}

} // namespace

Q_DECLARE_METATYPE(miravo::LineKind)

class tst_MiravoPorts : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void setMapsComNumber_data();
    void setMapsComNumber();
    void refused_data();
    void refused();
    void setReplacesAndUnsetRemoves();
    void listShowsModemsAndMappings();
};

void tst_MiravoPorts::initTestCase()
{
    // `list` asks ModemManager: on a private bus, never the machine's.
    QVERIFY(ModemManagerStandIn::startPrivateSystemBus());
}

void tst_MiravoPorts::setMapsComNumber_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("link");
    QTest::addColumn<LineKind>("kind");

    QTest::newRow("a phone's modem") << QStringList{"set", "3", "modemmanager"} << 3 << "modemmanager"
                                     << LineKind::ModemManager;
    QTest::newRow("a modem by its identifier") << QStringList{"set", "2", "modemmanager:356938035643809"} << 2
                                               << "modemmanager:356938035643809" << LineKind::ModemManager;
    QTest::newRow("a USB modem") << QStringList{"set", "3", "/dev/null"} << 3 << "/dev/null" << LineKind::Serial;
    QTest::newRow("a device not plugged in yet") << QStringList{"set", "7", "/dev/serial/by-id/usb-Modem-if00"} << 7
                                                 << "/dev/serial/by-id/usb-Modem-if00" << LineKind::Serial;
    QTest::newRow("the speaker") << QStringList{"set", "5", "speaker"} << 5 << "speaker" << LineKind::Speaker;
    QTest::newRow("the highest COM number")
        << QStringList{"set", "32767", "modemmanager"} << 32767 << "modemmanager" << LineKind::ModemManager;
}

void tst_MiravoPorts::setMapsComNumber()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, port);
    QFETCH(QString, link);
    QFETCH(LineKind, kind);
    TempDataFolder folder;
    const Run run = ports(arguments);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(linkText(port), link);
    QCOMPARE(lineForPort(port).kind, kind);
    QVERIFY2(run.out.contains(QStringLiteral("COM%1").arg(port)), qPrintable(run.out));
}

void tst_MiravoPorts::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");

    QTest::newRow("no command") << QStringList{} << 2 << "no command";
    QTest::newRow("unknown command") << QStringList{"map", "3", "modemmanager"} << 2 << "unknown command";
    QTest::newRow("relative path") << QStringList{"set", "3", "ttyACM0"} << 2 << "names no line";
    QTest::newRow("misspelt line") << QStringList{"set", "3", "modem-manager"} << 2 << "names no line";
    QTest::newRow("the speaker in capitals") << QStringList{"set", "3", "Speaker"} << 2 << "names no line";
    QTest::newRow("a speaker by name") << QStringList{"set", "3", "speaker:hdmi"} << 2 << "names no line";
    QTest::newRow("empty identifier") << QStringList{"set", "3", "modemmanager:"} << 2 << "names no line";
    QTest::newRow("COM number zero") << QStringList{"set", "0", "modemmanager"} << 2 << "no COM number";
    QTest::newRow("COM number too large") << QStringList{"set", "32768", "modemmanager"} << 2 << "no COM number";
    QTest::newRow("COM number not a number") << QStringList{"unset", "COM3"} << 2 << "no COM number";
    QTest::newRow("set without a line") << QStringList{"set", "3"} << 2 << "set takes N and LINE";
    QTest::newRow("list with arguments") << QStringList{"list", "3"} << 2 << "list takes no arguments";
    QTest::newRow("a file that is no device") << QStringList{"set", "3", "DATABASE"} << 1 << "not a serial device";
}

void tst_MiravoPorts::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    TempDataFolder folder;
    QVERIFY(folder.createDatabase());
    arguments.replaceInStrings(QStringLiteral("DATABASE"), folder.databasePath());
    const Run run = ports(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QVERIFY(!QFileInfo(portLinkPath(3)).isSymLink());
}

void tst_MiravoPorts::setReplacesAndUnsetRemoves()
{
    TempDataFolder folder;
    QCOMPARE(ports({"set", "3", "/dev/null"}).exitCode, 0);
    QCOMPARE(ports({"set", "3", "modemmanager"}).exitCode, 0);
    QCOMPARE(linkText(3), QStringLiteral("modemmanager"));
    QCOMPARE(QDir(portLinksFolder()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{"COM3"});

    const Run unset = ports({"unset", "3"});
    QCOMPARE(unset.exitCode, 0);
    QVERIFY(!QFileInfo(portLinkPath(3)).isSymLink());
    QCOMPARE(lineForPort(3), (LineChoice{LineKind::Serial, QStringLiteral("/dev/ttyS2"), {}}));
    QVERIFY2(unset.out.contains(QLatin1String("/dev/ttyS2")), qPrintable(unset.out));
    QCOMPARE(ports({"unset", "3"}).exitCode, 0); // nothing mapped: nothing to do
}

void tst_MiravoPorts::listShowsModemsAndMappings()
{
    TempDataFolder folder;
    const Run withoutModemManager = ports({"list"});
    QCOMPARE(withoutModemManager.exitCode, 0);
    QVERIFY2(withoutModemManager.out.contains(QLatin1String("none mapped")), qPrintable(withoutModemManager.out));

    ModemManagerStandIn modemManager;
    QVERIFY2(modemManager.isReady(), qPrintable(modemManager.errorString()));
    modemManager.addModem(0, "867000000000001", "Data stick", ModemManagerStandIn::Connected, false);
    modemManager.addModem(1, "356938035643809", "PinePhone", ModemManagerStandIn::Registered, true);
    modemManager.addModem(2, "356938035643810", "Librem 5", ModemManagerStandIn::Disabled, true);
    QCOMPARE(ports({"set", "3", "modemmanager:356938035643810"}).exitCode, 0);
    QCOMPARE(ports({"set", "4", "/nonexistent/ttyACM0"}).exitCode, 0);
    QCOMPARE(ports({"set", "5", "speaker"}).exitCode, 0);

    const Run run = ports({"list"});
    QCOMPARE(run.exitCode, 0);
    // The modems with voice calls, the first one marked as what `modemmanager` takes; not the data stick.
    QVERIFY2(run.out.contains(
                 QLatin1String("modemmanager:356938035643809  Stand-in PinePhone (registered)  = modemmanager")),
             qPrintable(run.out));
    QVERIFY2(run.out.contains(QLatin1String("modemmanager:356938035643810  Stand-in Librem 5 (disabled)\n")),
             qPrintable(run.out));
    QVERIFY2(!run.out.contains(QLatin1String("867000000000001")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QLatin1String("COM3  modemmanager:356938035643810\n")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QLatin1String("COM4  /nonexistent/ttyACM0  (missing)\n")), qPrintable(run.out));
    QVERIFY2(run.out.contains(QLatin1String("COM5  speaker\n")), qPrintable(run.out));
    // The speaker is offered whether or not anything is mapped to it.
    QVERIFY2(run.out.contains(QLatin1String("  speaker  touch tones on the default audio output")),
             qPrintable(run.out));
}

QTEST_GUILESS_MAIN(tst_MiravoPorts)
#include "tst_miravoports.moc"
