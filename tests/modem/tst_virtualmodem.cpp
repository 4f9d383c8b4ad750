// SPDX-License-Identifier: GPL-3.0-or-later
// The virtual modem's own parts that the tool and the tests rely on: how it cuts and shows commands, and that
// it counts every open and close of its port, even a close followed at once by the next open.
#include "modem/ModemPort.h"
#include "support/ComPorts.h"
#include "support/TempDataFolder.h"
#include "support/VirtualModemRecorder.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace miravo;
using miravo::test::portObject;
using miravo::test::TempDataFolder;
using miravo::test::VirtualModemRecorder;

class tst_VirtualModem : public QObject {
    Q_OBJECT

private slots:
    void splitter_data();
    void splitter();
    void visibleText_data();
    void visibleText();
    void countsCloseFollowedAtOnceByOpen();
    void linkIsRemovedWhenStopped();
    void leavesAUsersLinkAlone();
};

void tst_VirtualModem::splitter_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QByteArray>("pending");

    QTest::newRow("two commands in one chunk") << QByteArrayList{"ATDT1800\rATDT2,1,,5,#\r\n"}
                                               << QByteArrayList{"ATDT1800\r", "ATDT2,1,,5,#\r\n"} << QByteArray();
    QTest::newRow("CR at the end waits for a possible LF")
        << QByteArrayList{"ATDT1\r"} << QByteArrayList{} << QByteArray("ATDT1\r");
    QTest::newRow("LF in the next chunk joins its CR")
        << QByteArrayList{"ATDT1\r", "\n"} << QByteArrayList{"ATDT1\r\n"} << QByteArray();
    QTest::newRow("next command after a CR ends the first")
        << QByteArrayList{"ATDT1\r", "ATDT2"} << QByteArrayList{"ATDT1\r"} << QByteArray("ATDT2");
    QTest::newRow("unfinished text stays pending")
        << QByteArrayList{"AT", "DT"} << QByteArrayList{} << QByteArray("ATDT");
}

void tst_VirtualModem::splitter()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArrayList, commands);
    QFETCH(QByteArray, pending);
    CommandSplitter splitter;
    QByteArrayList got;
    for (const QByteArray& chunk : chunks)
        got += splitter.feed(chunk);
    QCOMPARE(got, commands);
    QCOMPARE(splitter.flush(), pending);
    QVERIFY(!splitter.hasPending());
}

void tst_VirtualModem::visibleText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("access-number command") << QByteArray("ATDT18005551234\r") << "ATDT18005551234<CR>";
    QTest::newRow("tone command") << QByteArray("ATDT2,1,,5,#\r\n") << "ATDT2,1,,5,#<CR><LF>";
    QTest::newRow("other controls in hex") << QByteArray("A\x1b\x7f\x85", 4) << "A<1B><7F><85>";
    QTest::newRow("NUL") << QByteArray("\0", 1) << "<00>";
    QTest::newRow("Latin-1 letter") << QByteArray("\xe9") << QStringLiteral("\u00e9");
}

void tst_VirtualModem::visibleText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(miravo::visibleText(bytes), text);
}

void tst_VirtualModem::countsCloseFollowedAtOnceByOpen()
{
    // The two-stage dial closes and opens again at once; the modem still sees a close in between.
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    QVERIFY2(modem.isReady(), qPrintable(modem.errorString()));
    const auto port = portObject(3);
    constexpr int Rounds = 50;
    for (int i = 0; i < Rounds; ++i) {
        QVERIFY(port->open().ok());
        port->close();
    }
    QVERIFY(port->open().ok());
    QTRY_COMPARE(modem.openCount(), Rounds + 1);
    QTRY_COMPARE(modem.closeCount(), Rounds);
    QVERIFY(modem.portOpen());
    port->close();
    QVERIFY(modem.waitForCloses(Rounds + 1));
    QVERIFY(modem.portClosed());
}

void tst_VirtualModem::linkIsRemovedWhenStopped()
{
    TempDataFolder folder;
    QString link;
    {
        VirtualModemRecorder modem(5);
        QVERIFY(modem.isReady());
        link = modem.linkPath();
        QCOMPARE(link, portLinkPath(5));
        QCOMPARE(QFileInfo(link).symLinkTarget(), modem.devicePath());
        QCOMPARE(devicePathForPort(5), link);
    }
    QVERIFY(!QFileInfo(link).isSymLink());
    QCOMPARE(devicePathForPort(5), QStringLiteral("/dev/ttyS4"));
}

void tst_VirtualModem::leavesAUsersLinkAlone()
{
    // A link to a modem that is unplugged right now is still the user's choice of device.
    TempDataFolder folder;
    QVERIFY(QDir().mkpath(portLinksFolder()));
    QVERIFY(QFile::link(QStringLiteral("/dev/ttyACM7"), portLinkPath(3)));
    VirtualModem modem(3);
    QVERIFY(!modem.start());
    QCOMPARE(QFileInfo(portLinkPath(3)).symLinkTarget(), QStringLiteral("/dev/ttyACM7"));

    // One left behind by a virtual modem that was killed points into /dev/pts and is taken over.
    QVERIFY(QFile::remove(portLinkPath(3)));
    QVERIFY(QFile::link(QStringLiteral("/dev/pts/999999"), portLinkPath(3)));
    QVERIFY2(modem.start(), qPrintable(modem.errorString()));
    QCOMPARE(QFileInfo(portLinkPath(3)).symLinkTarget(), modem.devicePath());
}

QTEST_GUILESS_MAIN(tst_VirtualModem)
#include "tst_virtualmodem.moc"
