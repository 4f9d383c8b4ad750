// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start as a user meets it on the command line and the desktop: --help and --version without a
// display, one line and exit 1 when there is no display, and one program per user and data folder (a second start
// hands over to the first and ends). Runs the real program binary in separate processes.
#include "SingleInstance.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using miravo::SingleInstance;

class tst_ProgramStart : public QObject {
    Q_OBJECT

private slots:
    void commandLineWithoutDisplay_data();
    void commandLineWithoutDisplay();
    void laterStart_data();
    void laterStart();
    void socketLeftByKilledProgramIsTakenOver();
    void requestReachesFirstPastBadClients();
    void socketOnlyForItsUser();
    void activationTokens_data();
    void activationTokens();
};

namespace {

// An environment with only what the program needs to find its folders: no display of the test's own leaks in.
QProcessEnvironment bareEnvironment(const QString& root)
{
    QProcessEnvironment env;
    const QProcessEnvironment outer = QProcessEnvironment::systemEnvironment();
    for (const QString& name : outer.keys()) {
        if (name == QLatin1String("PATH") || name.startsWith(QLatin1String("ASAN_")) ||
            name.startsWith(QLatin1String("LSAN_")) || name.startsWith(QLatin1String("UBSAN_")))
            env.insert(name, outer.value(name));
    }
    env.insert(QStringLiteral("HOME"), root);
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), root + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/runtime"));
    QDir(root).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return env;
}

QStringList socketsIn(const QString& runtimeFolder)
{
    QStringList sockets;
    for (const QFileInfo& entry : QDir(runtimeFolder).entryInfoList({QStringLiteral("MiravoDialer-*")}, QDir::System)) {
        struct stat status {};
        if (::stat(QFile::encodeName(entry.filePath()).constData(), &status) == 0 && S_ISSOCK(status.st_mode))
            sockets << entry.filePath();
    }
    return sockets;
}

sockaddr_un addressOf(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray local = QFile::encodeName(path);
    std::memcpy(address.sun_path, local.constData(), static_cast<size_t>(local.size()));
    return address;
}

// A connection that says nothing: the program drops it without acting.
bool someoneListens(const QString& path)
{
    const sockaddr_un address = addressOf(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// A started program, ended by SIGTERM (the ordinary way) when the test is done with it.
struct Program {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();

    void start(const QProcessEnvironment& env)
    {
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(MIRAVODIALER_BIN), {});
    }
    ~Program()
    {
        if (process->state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
            if (!process->waitForFinished(20000))
                process->kill();
            process->waitForFinished();
        }
    }
};

constexpr int StartTimeoutMs = 30000;

} // namespace

void tst_ProgramStart::commandLineWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("environment"); // NAME=value added to the bare one
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutPattern"); // the whole standard output
    QTest::addColumn<QString>("stderrPattern"); // the whole standard error

    const QString version = QStringLiteral("^miravodialer \\d+\\.\\d+(\\.\\d+)?\\n$");
    const QString help = QStringLiteral("^Usage: miravodialer \\[--help \\| --version\\]\\n(.+\\n|\\n)+$");
    const QString oneLine = QStringLiteral("^miravodialer: [^\\n]+\\n$");
    QTest::newRow("--help answers on standard output") << QStringList{"--help"} << QStringList{} << 0 << help << "^$";
    QTest::newRow("-h answers the same") << QStringList{"-h"} << QStringList{} << 0 << help << "^$";
    QTest::newRow("--version answers one line") << QStringList{"--version"} << QStringList{} << 0 << version << "^$";
    QTest::newRow("-v answers the same") << QStringList{"-v"} << QStringList{} << 0 << version << "^$";
    QTest::newRow("--version among ignored arguments")
        << QStringList{"file.txt", "--version"} << QStringList{} << 0 << version << "^$";
    QTest::newRow("--help with an unreachable display")
        << QStringList{"--help"} << QStringList{"DISPLAY=:4711"} << 0 << help << "^$";
    QTest::newRow("no display at all: one line, exit 1")
        << QStringList{} << QStringList{} << 1 << "^$" << QStringLiteral("^miravodialer: no display[^\\n]*\\n$");
    QTest::newRow("an unknown argument is ignored, not a usage error")
        << QStringList{"--frobnicate"} << QStringList{} << 1 << "^$"
        << QStringLiteral("^miravodialer: no display[^\\n]*\\n$");
    QTest::newRow("an option after -- is not an option")
        << QStringList{"--", "--help"} << QStringList{} << 1 << "^$" << oneLine;
    QTest::newRow("an X display nobody serves") << QStringList{} << QStringList{"DISPLAY=:4711"} << 1 << "^$"
                                                << QStringLiteral("^miravodialer: [^\\n]*DISPLAY=:4711[^\\n]*\\n$");
    QTest::newRow("a Wayland socket that is not there")
        << QStringList{} << QStringList{"WAYLAND_DISPLAY=wayland-none"} << 1 << "^$"
        << QStringLiteral("^miravodialer: [^\\n]*WAYLAND_DISPLAY=wayland-none[^\\n]*\\n$");
    QTest::newRow("the xcb platform chosen without a display")
        << QStringList{} << QStringList{"QT_QPA_PLATFORM=xcb"} << 1 << "^$" << oneLine;
    QTest::newRow("wayland, then xcb, both missing")
        << QStringList{} << QStringList{"QT_QPA_PLATFORM=wayland;xcb", "WAYLAND_DISPLAY=wayland-none"} << 1 << "^$"
        << oneLine;
}

void tst_ProgramStart::commandLineWithoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, environment);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutPattern);
    QFETCH(QString, stderrPattern);

    QTemporaryDir root;
    QProcessEnvironment env = bareEnvironment(root.path());
    for (const QString& setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(MIRAVODIALER_BIN), arguments);
    QVERIFY(program.waitForFinished(StartTimeoutMs));
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(QRegularExpression(stdoutPattern).match(out).hasMatch(), qPrintable(out));
    QVERIFY2(QRegularExpression(stderrPattern).match(err).hasMatch(), qPrintable(err));
    QCOMPARE(program.exitCode(), exitCode);
}

void tst_ProgramStart::laterStart_data()
{
    QTest::addColumn<QString>("laterDataHome");   // relative to the test's root
    QTest::addColumn<QString>("laterRuntimeDir"); // relative to the test's root
    QTest::addColumn<bool>("handsOver");

    QTest::newRow("same user and data folder: the later start hands over and ends")
        << QStringLiteral("data") << QStringLiteral("runtime") << true;
    QTest::newRow("the same data folder spelt with a trailing slash")
        << QStringLiteral("data/") << QStringLiteral("runtime") << true;
    QTest::newRow("another data folder gets its own program")
        << QStringLiteral("data2") << QStringLiteral("runtime") << false;
    QTest::newRow("another runtime folder (another user) gets its own program")
        << QStringLiteral("data") << QStringLiteral("runtime2") << false;
}

void tst_ProgramStart::laterStart()
{
    QFETCH(QString, laterDataHome);
    QFETCH(QString, laterRuntimeDir);
    QFETCH(bool, handsOver);

    QTemporaryDir root;
    QProcessEnvironment env = bareEnvironment(root.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString runtime = root.filePath(QStringLiteral("runtime"));
    Program first;
    first.start(env);
    QTRY_COMPARE_WITH_TIMEOUT(socketsIn(runtime).size(), 1, StartTimeoutMs);

    QProcessEnvironment laterEnv = env;
    laterEnv.insert(QStringLiteral("XDG_DATA_HOME"), root.path() + QLatin1Char('/') + laterDataHome);
    const QString laterRuntime = root.path() + QLatin1Char('/') + laterRuntimeDir;
    QDir().mkpath(laterRuntime);
    QFile::setPermissions(laterRuntime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    laterEnv.insert(QStringLiteral("XDG_RUNTIME_DIR"), laterRuntime);
    Program later;
    later.start(laterEnv);

    if (handsOver) {
        QTRY_COMPARE_WITH_TIMEOUT(later.process->state(), QProcess::NotRunning, StartTimeoutMs);
        QCOMPARE(later.process->exitCode(), 0);
        QCOMPARE(later.process->readAllStandardError(), QByteArray());
        QCOMPARE(socketsIn(runtime).size(), 1);
    } else {
        // Its own socket shows that it runs as a program of its own.
        const int expected = laterRuntime == runtime ? 2 : 1;
        QTRY_COMPARE_WITH_TIMEOUT(socketsIn(laterRuntime).size(), expected, StartTimeoutMs);
        QCOMPARE(later.process->state(), QProcess::Running);
    }
    QCOMPARE(first.process->state(), QProcess::Running);
}

void tst_ProgramStart::socketLeftByKilledProgramIsTakenOver()
{
    QTemporaryDir root;
    QProcessEnvironment env = bareEnvironment(root.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString runtime = root.filePath(QStringLiteral("runtime"));
    {
        Program killed;
        killed.start(env);
        QTRY_COMPARE_WITH_TIMEOUT(socketsIn(runtime).size(), 1, StartTimeoutMs);
        killed.process->kill();
        QVERIFY(killed.process->waitForFinished());
    }
    const QStringList left = socketsIn(runtime);
    QCOMPARE(left.size(), 1);
    QVERIFY(!someoneListens(left.first()));

    Program next;
    next.start(env);
    // The new program binds a new socket at the same path and keeps running.
    QTRY_VERIFY_WITH_TIMEOUT(someoneListens(left.first()), StartTimeoutMs);
    QCOMPARE(next.process->state(), QProcess::Running);
    Program later;
    later.start(env);
    QTRY_COMPARE_WITH_TIMEOUT(later.process->state(), QProcess::NotRunning, StartTimeoutMs);
    QCOMPARE(later.process->exitCode(), 0);
}

void tst_ProgramStart::requestReachesFirstPastBadClients()
{
    QTemporaryDir runtime;
    const QString path = SingleInstance::socketPathFor(runtime.path(), runtime.filePath(QStringLiteral("data")));
    SingleInstance first(path);
    QCOMPARE(first.claim("show\n"), SingleInstance::Role::First);
    QSignalSpy requests(&first, &SingleInstance::requested);

    const sockaddr_un address = addressOf(path);
    // One client floods the socket, another connects and says nothing.
    const int flood = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const int silent = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QCOMPARE(::connect(flood, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    QCOMPARE(::connect(silent, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const QByteArray junk(3 * SingleInstance::MaxRequestBytes, 'x');
    std::thread flooder(
        [&] { [[maybe_unused]] auto sent = ::send(flood, junk.constData(), junk.size(), MSG_NOSIGNAL); });

    SingleInstance::Role laterRole = SingleInstance::Role::Alone;
    const QByteArray request = "show\nXDG_ACTIVATION_TOKEN=token-1\n";
    std::thread later([&] {
        SingleInstance instance(path);
        laterRole = instance.claim(request, StartTimeoutMs);
    });
    // A client that connects and closes without a request is dropped.
    QVERIFY(someoneListens(path));
    QTRY_COMPARE_WITH_TIMEOUT(requests.size(), 1, StartTimeoutMs);
    later.join();
    ::shutdown(flood, SHUT_RDWR);
    flooder.join();
    ::close(flood);
    ::close(silent);

    QCOMPARE(laterRole, SingleInstance::Role::Second);
    QCOMPARE(requests.first().first().toByteArray(), request);
}

void tst_ProgramStart::socketOnlyForItsUser()
{
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString path = SingleInstance::socketPathFor(runtime.path(), runtime.path());
    SingleInstance first(path);
    QCOMPARE(first.claim("show\n"), SingleInstance::Role::First);
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0077, 0u);
}

void tst_ProgramStart::activationTokens_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QStringList>("tokens"); // NAME=value

    QTest::newRow("a plain show carries none") << QByteArray("show\n") << QStringList{};
    QTest::newRow("the X startup id") << QByteArray("show\nDESKTOP_STARTUP_ID=launcher-1_TIME42\n")
                                      << QStringList{"DESKTOP_STARTUP_ID=launcher-1_TIME42"};
    QTest::newRow("both tokens, in order") << QByteArray("show\nDESKTOP_STARTUP_ID=a\nXDG_ACTIVATION_TOKEN=b=c\n")
                                           << QStringList{"DESKTOP_STARTUP_ID=a", "XDG_ACTIVATION_TOKEN=b=c"};
    QTest::newRow("no other variable can be set through a request")
        << QByteArray("show\nLD_PRELOAD=/tmp/x.so\nPATH=/tmp\n=x\n") << QStringList{};
}

void tst_ProgramStart::activationTokens()
{
    QFETCH(QByteArray, request);
    QFETCH(QStringList, tokens);
    QStringList found;
    for (const auto& [name, value] : miravo::activationTokens(request))
        found << QString::fromLatin1(name + '=' + value);
    QCOMPARE(found, tokens);
}

QTEST_GUILESS_MAIN(tst_ProgramStart)
#include "tst_programstart.moc"
