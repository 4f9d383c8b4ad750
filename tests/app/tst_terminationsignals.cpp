// SPDX-License-Identifier: GPL-3.0-or-later
// SIGTERM (a session's logout), SIGINT (Ctrl+C) and SIGHUP (the terminal that started the program closing) end
// the program the ordinary way: its windows close as if the user closed them, so an editor stores what was typed
// into it, and the program exits with code 0 - also while a dial waits for the user on a message box or in the
// keypad's pause. Drives a separate process started as main() starts the program (signalled_program), with a
// real database file, a real pseudo-terminal as the modem and real message boxes.
#include "modem/ModemPort.h"
#include "support/DatabaseLock.h"
#include "support/TempDataFolder.h"
#include "support/VirtualModemRecorder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <csignal>

using miravo::test::DatabaseLock;
using miravo::test::readColumn;
using miravo::test::row;
using miravo::test::TempDataFolder;
using miravo::test::VirtualModemRecorder;

class tst_TerminationSignals : public QObject {
    Q_OBJECT

private slots:
    void signalClosesWindowsAndEnds_data();
    void signalClosesWindowsAndEnds();
    void signalDuringADialWaitEndsTheDial_data();
    void signalDuringADialWaitEndsTheDial();
    void secondSignalAfterARefusedStoreCloses();
    void signalDuringTheEditorsCloseMessage();
    void hangUpSignalIgnoredAtStartStaysIgnored_data();
    void hangUpSignalIgnoredAtStartStaysIgnored();
};

namespace {

QString homeNumberOf(const QString& databasePath, const QString& name)
{
    return readColumn(databasePath, QStringLiteral("SELECT Home FROM Clients WHERE Name = ?"), {name}).value(0);
}

// Starts signalled_program in the current data folder; `ignoreHangUp` starts it with SIGHUP ignored, as nohup does.
void startProgram(QProcess& program, const QStringList& arguments, bool ignoreHangUp = false)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    if (ignoreHangUp)
        program.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/signalled_program"), arguments);
}

// Reads the program's output up to a line starting with `start`, collecting every line on the way in `seen`.
bool waitForLine(QProcess& program, const QString& start, QStringList& seen)
{
    QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        while (program.canReadLine()) {
            const QString line = QString::fromUtf8(program.readLine()).trimmed();
            seen.append(line);
            if (line.startsWith(start))
                return true;
        }
        if (!program.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return false;
}

// Whether `signalNumber` is set in one of the process's signal masks, as the kernel tells in /proc/<pid>/status:
// "SigCgt" (caught by a handler of its own) or "SigIgn" (ignored).
bool inSignalMask(qint64 pid, const QByteArray& mask, int signalNumber)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    const QByteArray prefix = mask + ':';
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return (line.mid(prefix.size()).trimmed().toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1;
    }
    return false;
}

bool catches(qint64 pid, int signalNumber)
{
    return inSignalMask(pid, "SigCgt", signalNumber);
}

bool ignores(qint64 pid, int signalNumber)
{
    return inSignalMask(pid, "SigIgn", signalNumber);
}

// Waits for the program to end and says what is wrong with how it ended: not at all, killed (by the signal or by a
// crash), a non-zero exit code, or a window left open; "" when it ended cleanly. `errors` gets its standard error.
QString faultInEnd(QProcess& program, QByteArray& errors)
{
    if (!program.waitForFinished(30000))
        return QStringLiteral("the program did not end");
    errors = program.readAllStandardError();
    if (program.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("killed: ") + QString::fromLocal8Bit(errors);
    if (program.exitCode() != 0)
        return QStringLiteral("exit code %1: %2").arg(program.exitCode()).arg(QString::fromLocal8Bit(errors));
    if (errors.contains("window left:"))
        return QString::fromLocal8Bit(errors);
    return {};
}

// Message boxes the program showed, by the lines it said.
qsizetype boxesShown(const QStringList& lines)
{
    return std::count_if(lines.cbegin(), lines.cend(), [](const QString& line) { return line.startsWith("box: "); });
}

const QString PortMessage = QStringLiteral("Check your com port settings.!");
const QString HandsetQuestion = QStringLiteral("Pick up the handset when the dialing is complete. OK!");

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
    QTest::newRow("SIGHUP stores the edit typed into the open editor")
        << int(SIGHUP) << QStringLiteral("555-0155") << QStringLiteral("555-0155");
    QTest::newRow("SIGTERM with only the main window open") << int(SIGTERM) << QString() << QStringLiteral("555-0100");
    QTest::newRow("SIGHUP with only the main window open") << int(SIGHUP) << QString() << QStringLiteral("555-0100");
}

void tst_TerminationSignals::signalClosesWindowsAndEnds()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, typed);
    QFETCH(QString, storedHome);

    TempDataFolder folder; // the program finds the data folder through the environment it inherits
    QVERIFY(folder.createDatabase({}, {row({{"ID", 1}, {"Name", "Ann Lee"}, {"Home", "555-0100"}})}));

    QProcess program;
    startProgram(program, {typed.isEmpty() ? QStringLiteral("--main-window-only") : typed});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QVERIFY2(program.waitForReadyRead(30000) && program.readLine().trimmed() == "ready",
             program.readAllStandardError().constData());

    QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signalNumber), 0);
    QByteArray errors;
    const QString fault = faultInEnd(program, errors);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY2(!errors.contains("message:"), errors.constData());
    QCOMPARE(homeNumberOf(folder.databasePath(), QStringLiteral("Ann Lee")), storedHome);
}

void tst_TerminationSignals::signalDuringADialWaitEndsTheDial_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("step");     // what the program does once it stands ready
    QTest::addColumn<bool>("modemOnCom3"); // false: COM3 is a link to a device that is not there
    QTest::addColumn<QString>("waitsOn");  // the box the signal comes during; "" = the keypad's pause

    QTest::newRow("SIGTERM while Connect's port message shows")
        << int(SIGTERM) << QStringLiteral("--connect") << false << PortMessage;
    QTest::newRow("SIGINT while Connect's port message shows")
        << int(SIGINT) << QStringLiteral("--connect") << false << PortMessage;
    QTest::newRow("SIGTERM while the handset question shows")
        << int(SIGTERM) << QStringLiteral("--connect") << true << HandsetQuestion;
    QTest::newRow("SIGHUP while the handset question shows")
        << int(SIGHUP) << QStringLiteral("--connect") << true << HandsetQuestion;
    QTest::newRow("SIGTERM during the keypad's pause") << int(SIGTERM) << QStringLiteral("--send") << true << QString();
    QTest::newRow("SIGHUP during the keypad's pause") << int(SIGHUP) << QStringLiteral("--send") << true << QString();
    QTest::newRow("SIGTERM while the keypad's port message shows")
        << int(SIGTERM) << QStringLiteral("--send") << false << PortMessage;
}

void tst_TerminationSignals::signalDuringADialWaitEndsTheDial()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, step);
    QFETCH(bool, modemOnCom3);
    QFETCH(QString, waitsOn);

    TempDataFolder folder;
    QVERIFY(folder.createDatabase({}, {row({{"ID", 1}, {"Name", "Ann Lee"}, {"Home", "555-0100"}})}));
    std::unique_ptr<VirtualModemRecorder> modem;
    if (modemOnCom3) {
        modem = std::make_unique<VirtualModemRecorder>(3);
        QVERIFY2(modem->isReady(), qPrintable(modem->errorString()));
    } else {
        QVERIFY(QDir().mkpath(QFileInfo(miravo::portLinkPath(3)).path()));
        QVERIFY(QFile::link(QStringLiteral("/dev/miravo-no-such-modem"), miravo::portLinkPath(3)));
    }

    QProcess program;
    startProgram(program, {QStringLiteral("555-0142"), step});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QStringList seen;
    QVERIFY2(waitForLine(program, QStringLiteral("ready"), seen), program.readAllStandardError().constData());
    if (!waitsOn.isEmpty())
        QVERIFY2(waitForLine(program, QStringLiteral("box: ") + waitsOn, seen), qPrintable(seen.join(u'\n')));

    QCOMPARE(::kill(static_cast<pid_t>(program.processId()), signalNumber), 0);
    QByteArray errors;
    const QString fault = faultInEnd(program, errors);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    // The dial ended where it waited: no further message, and no tones after the access number.
    seen.append(QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts));
    QCOMPARE(boxesShown(seen), waitsOn.isEmpty() ? 0 : 1);
    if (modem) {
        QVERIFY(modem->waitForCloses(1));
        QCOMPARE(modem->received(), QByteArray("ATDT\r")); // no company picked: an empty access number
        QVERIFY(modem->portClosed());
    }
    QCOMPARE(homeNumberOf(folder.databasePath(), QStringLiteral("Ann Lee")), QStringLiteral("555-0142"));
}

// The README: when an editor cannot store the edits it says why and stays open; a second signal then closes it.
void tst_TerminationSignals::secondSignalAfterARefusedStoreCloses()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({}, {row({{"ID", 1}, {"Name", "Ann Lee"}, {"Home", "555-0100"}})}));

    QProcess program;
    startProgram(program, {QStringLiteral("555-0133"), QStringLiteral("--answer-boxes")});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QStringList seen;
    QVERIFY2(waitForLine(program, QStringLiteral("ready"), seen), program.readAllStandardError().constData());
    DatabaseLock lock(folder.databasePath(), DatabaseLock::Kind::Write); // the store will be refused
    QVERIFY(lock.held());

    const qint64 pid = program.processId();
    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
    QVERIFY2(waitForLine(program, QStringLiteral("box: "), seen), qPrintable(seen.join(u'\n')));
    // The user answered the message; the editor stays open and the program listens for the next signal.
    QTRY_VERIFY_WITH_TIMEOUT(catches(pid, SIGTERM), 30000);
    QCOMPARE(program.state(), QProcess::Running);

    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
    QByteArray errors;
    const QString fault = faultInEnd(program, errors);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    seen.append(QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts));
    QCOMPARE(boxesShown(seen), 1); // the refusal was said once, not again
    lock.release();
    QCOMPARE(homeNumberOf(folder.databasePath(), QStringLiteral("Ann Lee")), QStringLiteral("555-0100"));
}

// The user closed the editor and the store was refused; the message is still open when the signal comes. The close
// under way keeps the window (with what was typed) as a refused close does; the next signal closes it. (Qt ignores
// the signal's close of a window whose close is under way, so the window is not destroyed inside its own box.)
void tst_TerminationSignals::signalDuringTheEditorsCloseMessage()
{
    TempDataFolder folder;
    QVERIFY(folder.createDatabase({}, {row({{"ID", 1}, {"Name", "Ann Lee"}, {"Home", "555-0100"}})}));

    QProcess program;
    startProgram(program, {QStringLiteral("555-0166"), QStringLiteral("--close")});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QStringList seen;
    QVERIFY2(waitForLine(program, QStringLiteral("ready"), seen), program.readAllStandardError().constData());
    DatabaseLock lock(folder.databasePath(), DatabaseLock::Kind::Write);
    QVERIFY(lock.held());
    program.write("go\n");
    QVERIFY2(waitForLine(program, QStringLiteral("box: "), seen), qPrintable(seen.join(u'\n')));

    const qint64 pid = program.processId();
    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
    // The box closed with the other windows; the editor stays, and the program listens for the next signal.
    QVERIFY2(waitForLine(program, QStringLiteral("closed box: "), seen), qPrintable(seen.join(u'\n')));
    QTRY_VERIFY_WITH_TIMEOUT(catches(pid, SIGTERM), 30000);
    QCOMPARE(program.state(), QProcess::Running);
    lock.release(); // the next close's quiet try at storing now succeeds

    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
    QByteArray errors;
    const QString fault = faultInEnd(program, errors);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    seen.append(QString::fromUtf8(program.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts));
    QCOMPARE(boxesShown(seen), 1);
    QCOMPARE(homeNumberOf(folder.databasePath(), QStringLiteral("Ann Lee")), QStringLiteral("555-0166"));
}

void tst_TerminationSignals::hangUpSignalIgnoredAtStartStaysIgnored_data()
{
    QTest::addColumn<bool>("ignoredAtStart");
    QTest::newRow("started with SIGHUP ignored (nohup): it stays ignored") << true;
    QTest::newRow("started with SIGHUP at its default: the program handles it") << false;
}

void tst_TerminationSignals::hangUpSignalIgnoredAtStartStaysIgnored()
{
    QFETCH(bool, ignoredAtStart);

    TempDataFolder folder;
    QVERIFY(folder.createDatabase());
    QProcess program;
    startProgram(program, {QStringLiteral("--main-window-only")}, ignoredAtStart);
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    QStringList seen;
    QVERIFY2(waitForLine(program, QStringLiteral("ready"), seen), program.readAllStandardError().constData());

    const qint64 pid = program.processId();
    QCOMPARE(ignores(pid, SIGHUP), ignoredAtStart);
    QCOMPARE(catches(pid, SIGHUP), !ignoredAtStart);
    QVERIFY(catches(pid, SIGTERM));

    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
    QVERIFY2(program.waitForFinished(30000), "the program did not end");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_TerminationSignals)
#include "tst_terminationsignals.moc"
