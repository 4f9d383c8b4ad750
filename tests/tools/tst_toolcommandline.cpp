// SPDX-License-Identifier: GPL-3.0-or-later
// The tools' command lines as a user meets them: --help and --version on standard output with exit 0, and one exit
// code (2) with a one-line message for every kind of usage error, in each tool. Runs the built tools.
#include "support/TempDataFolder.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using miravo::test::TempDataFolder;

class tst_ToolCommandLine : public QObject {
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

void tst_ToolCommandLine::answers_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutPattern");
    QTest::addColumn<QString>("stderrPattern");

    const QString createDatabase = QStringLiteral(CREATE_DATABASE_BIN);
    const QString virtualModem = QStringLiteral(VIRTUAL_MODEM_BIN);
    const QString usageLine = QStringLiteral("^%1: [^\\n]+ \\(see %1 --help\\)\\n$");
    for (const auto& [name, binary] : {std::pair{QStringLiteral("miravo-create-database"), createDatabase},
                                       std::pair{QStringLiteral("miravo-virtual-modem"), virtualModem}}) {
        const QByteArray tag = name.toUtf8();
        QTest::newRow(tag + " --version") << binary << QStringList{"--version"} << 0
                                          << QStringLiteral("^%1 \\d+\\.\\d+(\\.\\d+)?\\n$").arg(name) << "^$";
        QTest::newRow(tag + " --help") << binary << QStringList{"--help"} << 0
                                       << QStringLiteral("^Usage: [^\\n]*%1 \\[options\\]").arg(name) << "^$";
        QTest::newRow(tag + " an unknown option")
            << binary << QStringList{"--frobnicate"} << 2 << "^$" << usageLine.arg(name);
    }
    QTest::newRow("miravo-create-database two paths")
        << createDatabase << QStringList{"a.mdb", "b.mdb"} << 2 << "^$" << usageLine.arg("miravo-create-database");
    QTest::newRow("miravo-virtual-modem --port without its value")
        << virtualModem << QStringList{"--port"} << 2 << "^$" << usageLine.arg("miravo-virtual-modem");
    QTest::newRow("miravo-virtual-modem --port that is no number")
        << virtualModem << QStringList{"--port", "three"} << 2 << "^$" << usageLine.arg("miravo-virtual-modem");
    QTest::newRow("miravo-virtual-modem --port 0")
        << virtualModem << QStringList{"--port", "0"} << 2 << "^$" << usageLine.arg("miravo-virtual-modem");
    QTest::newRow("miravo-virtual-modem a stray argument")
        << virtualModem << QStringList{"COM3"} << 2 << "^$" << usageLine.arg("miravo-virtual-modem");
}

void tst_ToolCommandLine::answers()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutPattern);
    QFETCH(QString, stderrPattern);

    // A data folder of its own: a tool that wrongly went ahead would touch nothing of the user's.
    TempDataFolder folder;
    QProcess process;
    process.setWorkingDirectory(folder.root());
    process.start(tool, arguments);
    QVERIFY(process.waitForFinished(30000));
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(QRegularExpression(stdoutPattern).match(out).hasMatch(), qPrintable(out));
    QVERIFY2(QRegularExpression(stderrPattern).match(err).hasMatch(), qPrintable(err));
    QCOMPARE(process.exitCode(), exitCode);
    QVERIFY2(QDir(folder.root()).entryList({QStringLiteral("*.mdb")}, QDir::Files).isEmpty(), "a file was created");
}

QTEST_GUILESS_MAIN(tst_ToolCommandLine)
#include "tst_toolcommandline.moc"
