// SIGTERM (a session's logout) and SIGINT (Ctrl+C) end the program the ordinary way: its windows close as if
// the user closed them, so an editor stores what was typed into it, and the program exits with code 0.
// Drives a separate process started as main() starts the program (signalled_program), with a real database file.
#include "support/TempDataFolder.h"

#include <QProcess>
#include <QtTest>

#include <csignal>

using miravo::test::readColumn;
using miravo::test::row;
using miravo::test::TempDataFolder;

class tst_TerminationSignals : public QObject {
    Q_OBJECT

private slots:
    void signalClosesWindowsAndEnds_data();
    void signalClosesWindowsAndEnds();
};

namespace {

QString homeNumberOf(const QString& databasePath, const QString& name)
{
    return readColumn(databasePath, QStringLiteral("SELECT Home FROM Clients WHERE Name = ?"), {name}).value(0);
}

} // namespace

void tst_TerminationSignals::signalClosesWindowsAndEnds_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("typed"); // "" = only the main window is open
    QTest::addColumn<QString>("storedHome");

    QTest::newRow("SIGTERM stores the edit typed into the open editor")
        << int(SIGTERM) << QStringLiteral("555-0199") << QStringLiteral("555-0199");
    QTest::newRow("SIGINT stores the edit typed into the open editor")
        << int(SIGINT) << QStringLiteral("555-0177") << QStringLiteral("555-0177");
    QTest::newRow("SIGTERM with only the main window open") << int(SIGTERM) << QString() << QStringLiteral("555-0100");
}

void tst_TerminationSignals::signalClosesWindowsAndEnds()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, typed);
    QFETCH(QString, storedHome);

    TempDataFolder folder; // the program finds the data folder through the environment it inherits
    QVERIFY(folder.createDatabase({}, {row({{"ID", 1}, {"Name", "Ann Lee"}, {"Home", "555-0100"}})}));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/signalled_program"),
                  {typed.isEmpty() ? QStringLiteral("--main-window-only") : typed});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QVERIFY2(program.waitForReadyRead(30000) && program.readLine().trimmed() == "ready",
             program.readAllStandardError().constData());

    QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signalNumber), 0);
    QVERIFY2(program.waitForFinished(30000), "the program did not end");
    const QByteArray errors = program.readAllStandardError();
    QCOMPARE(program.exitStatus(), QProcess::NormalExit); // not killed by the signal
    QVERIFY2(program.exitCode() == 0, errors.constData());
    QVERIFY2(!errors.contains("message:"), errors.constData());
    QVERIFY2(!errors.contains("window left:"), errors.constData());
    QCOMPARE(homeNumberOf(folder.databasePath(), QStringLiteral("Ann Lee")), storedHome);
}

QTEST_GUILESS_MAIN(tst_TerminationSignals)
#include "tst_terminationsignals.moc"
