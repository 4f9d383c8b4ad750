// SPDX-License-Identifier: GPL-3.0-or-later
// The port object against a real pseudo-terminal: where a number maps, what reaches the modem byte for byte,
// that nothing written is lost by a close, and that only one holder at a time gets the port.
#include "modem/DialCommands.h"
#include "modem/ModemPort.h"
#include "support/ComPorts.h"
#include "support/ManualClock.h"
#include "support/TempDataFolder.h"
#include "support/VirtualModemRecorder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

using namespace miravo;
using miravo::test::ManualClock;
using miravo::test::portObject;
using miravo::test::TempDataFolder;
using miravo::test::VirtualModemRecorder;

namespace {

// Another program holding (or trying to hold) a port: the holder helper next to this test.
class OtherProgram {
public:
    explicit OtherProgram(int portNumber)
    {
        m_process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tst_modemport_holder"),
                        {QString::number(portNumber)});
    }
    ~OtherProgram() { release(); }
    Q_DISABLE_COPY_MOVE(OtherProgram)

    // "opened" or "refused ..."
    QString answer()
    {
        if (!m_process.canReadLine() && !m_process.waitForReadyRead(10000))
            return QStringLiteral("no answer");
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    void release()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.write("close\n");
        m_process.closeWriteChannel();
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

// A terminal's read buffer on Linux (N_TTY_BUF_SIZE): what a far end holds of its own, apart from the driver.
constexpr qsizetype FarEndReadBuffer = 4096;

// A modem that stopped taking bytes: a pseudo-terminal linked as COM port n whose far end reads nothing until the
// test says so.
class StalledModem {
public:
    explicit StalledModem(int portNumber)
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return;
        m_device = QString::fromLocal8Bit(::ptsname(m_master));
        m_linked = QDir().mkpath(portLinksFolder()) && QFile::link(m_device, portLinkPath(portNumber));
    }
    ~StalledModem()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    Q_DISABLE_COPY_MOVE(StalledModem)

    bool isReady() const { return m_linked; }

    // How many bytes the driver takes from a writer while no one reads: what a close finds still queued when
    // the device stalled. Measured on a second pseudo-terminal set up as the port object sets up its own.
    static qsizetype driverCapacity()
    {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return -1;
        const int writer = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios settings{};
        ::tcgetattr(writer, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(writer, TCSANOW, &settings);
        const QByteArray chunk(1024, 'x');
        qsizetype taken = 0;
        for (ssize_t n = 0; (n = ::write(writer, chunk.constData(), chunk.size())) > 0;)
            taken += n;
        ::close(writer);
        ::close(master);
        return taken;
    }

    // Reads everything the far end still gets now that the port was let go (until the end of the line).
    QByteArray readRest()
    {
        QByteArray rest;
        char buffer[4096];
        pollfd watch{m_master, POLLIN, 0};
        while (::poll(&watch, 1, 10000) > 0) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break; // EIO: the last holder closed and everything is read
            rest.append(buffer, n);
        }
        return rest;
    }

private:
    int m_master = -1;
    QString m_device;
    bool m_linked = false;
};

// Ends the test run when a call does not return in a minute: a hang fails the test instead of freezing it.
class Watchdog {
public:
    explicit Watchdog(const char* what)
        : m_thread([this, what] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_for(lock, std::chrono::minutes(1), [this] { return m_finished; }))
                qFatal("%s did not return", what);
        })
    {}
    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }
    Q_DISABLE_COPY_MOVE(Watchdog)

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace

class tst_ModemPort : public QObject {
    Q_OBJECT

private slots:
    void deviceForPortNumber_data();
    void deviceForPortNumber();
    void writeReachesModemByteForByte_data();
    void writeReachesModemByteForByte();
    void startsClosedWithDialSettings();
    void openFails_data();
    void openFails();
    void writeToClosedPortFails();
    void eachFailureSaysItsOwnReason();
    void openFailureSaysWhy_data();
    void openFailureSaysWhy();
    void closeOfClosedPortDoesNothing();
    void closeLetsGoOfTheDevice();
    void destroyingOpenPortClosesIt();
    void secondPortObjectIsRefused();
    void otherProgramHoldingPortRefusesUs();
    void otherProgramIsRefusedWhileWeHoldPort();
    void portHeldLongIsStillRefused();
    void lineSettings_data();
    void lineSettings();
    void settingsApplyAtOnceToOpenPort();
    void writeThenCloseThousandTimesLosesNothing();
    void closeDeliversWhatTheDeviceCouldNotTakeAtOnce();
    void closeOfStalledDeviceReturnsAndDropsTheRest();
};

void tst_ModemPort::deviceForPortNumber_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("linkTarget"); // "" = no link
    QTest::addColumn<QString>("expected");   // "LINK" = the link itself

    QTest::newRow("COM1 without link is ttyS0") << 1 << ""
                                                << "/dev/ttyS0";
    QTest::newRow("COM3 without link is ttyS2") << 3 << ""
                                                << "/dev/ttyS2";
    QTest::newRow("COM3 with link is the link") << 3 << "/dev/null"
                                                << "LINK";
    QTest::newRow("dangling link is still the link") << 4 << "/nonexistent/ttyUSB9"
                                                     << "LINK";
    QTest::newRow("zero names no port") << 0 << ""
                                        << "";
    QTest::newRow("negative names no port") << -3 << ""
                                            << "";
}

void tst_ModemPort::deviceForPortNumber()
{
    QFETCH(int, port);
    QFETCH(QString, linkTarget);
    QFETCH(QString, expected);
    TempDataFolder folder;
    const QString link = portLinkPath(port);
    if (!linkTarget.isEmpty()) {
        QVERIFY(QDir().mkpath(portLinksFolder()));
        QVERIFY(QFile::link(linkTarget, link));
        QVERIFY(link.startsWith(folder.root()));
    }
    QCOMPARE(devicePathForPort(port), expected == QLatin1String("LINK") ? link : expected);
}

void tst_ModemPort::writeReachesModemByteForByte_data()
{
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("access-number command")
        << QStringList{accessNumberCommand(QStringLiteral("18005551234"))} << QByteArray("ATDT18005551234\r");
    QTest::newRow("both commands in a row")
        << QStringList{accessNumberCommand(QStringLiteral("1800")), toneCommand("2", "99", "5551234")}
        << QByteArray("ATDT1800\rATDT2,99,,5551234,#\r\n");
    QTest::newRow("Latin-1 and ? for the rest") << QStringList{QStringLiteral("\u00e9\u20ac")} << QByteArray("\xe9?");
    QTest::newRow("all 256 byte values pass untouched") << QStringList{[] {
        QString all;
        for (char16_t c = 0; c < 256; ++c)
            all += QChar(c);
        return all;
    }()}
                                                        << [] {
                                                               QByteArray all;
                                                               for (int c = 0; c < 256; ++c)
                                                                   all += static_cast<char>(c);
                                                               return all;
                                                           }();
}

void tst_ModemPort::writeReachesModemByteForByte()
{
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, bytes);
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    QVERIFY2(modem.isReady(), qPrintable(modem.errorString()));

    const auto port = portObject(3);
    const Outcome opened = port->open();
    QVERIFY2(opened.ok(), qPrintable(opened.reason()));
    QVERIFY(port->isOpen());
    for (const QString& command : writes)
        QVERIFY(port->write(commandBytes(command)).ok());
    // The bytes leave without a close: the modem dials while the program waits for the user.
    QVERIFY(modem.waitForBytes(bytes.size()));
    QCOMPARE(modem.received(), bytes);
    port->close();
    QVERIFY(modem.waitForCloses(1));
    QCOMPARE(modem.received(), bytes);
}

void tst_ModemPort::startsClosedWithDialSettings()
{
    const ModemPort port;
    QVERIFY(!port.isOpen());
    QCOMPARE(port.portNumber(), 1);
    QVERIFY(port.lineSettings() == DialLineSettings);
}

void tst_ModemPort::openFails_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("linkTarget");

    QTest::newRow("port number zero") << 0 << "";
    QTest::newRow("negative port number") << -1 << "";
    QTest::newRow("COM9 without link maps to absent ttyS8") << 9 << "";
    QTest::newRow("link to a missing device") << 3 << "/nonexistent/ttyACM0";
    QTest::newRow("link to a file that is no terminal") << 3 << "FILE";
}

void tst_ModemPort::openFails()
{
    QFETCH(int, port);
    QFETCH(QString, linkTarget);
    TempDataFolder folder;
    if (linkTarget == QLatin1String("FILE")) {
        linkTarget = folder.root() + QStringLiteral("/plain-file");
        QFile file(linkTarget);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    if (!linkTarget.isEmpty()) {
        QVERIFY(QDir().mkpath(portLinksFolder()));
        QVERIFY(QFile::link(linkTarget, portLinkPath(port)));
    }
    if (port == 9 && QFile::exists(QStringLiteral("/dev/ttyS8")))
        QSKIP("this machine has a /dev/ttyS8");

    ModemPort modemPort;
    modemPort.setPortNumber(port); // accepted; the open fails
    QCOMPARE(modemPort.portNumber(), port);
    const Outcome opened = modemPort.open();
    QVERIFY(!opened.ok());
    QVERIFY(!modemPort.isOpen());
    QVERIFY(!opened.reason().isEmpty());
    QVERIFY(!modemPort.write(QByteArray("ATDT1\r")).ok());
}

void tst_ModemPort::writeToClosedPortFails()
{
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    QVERIFY(modem.isReady());
    const auto port = portObject(3);
    QVERIFY(!port->write(QByteArray("ATDT1\r")).ok());
    QVERIFY(port->open().ok());
    port->close();
    QVERIFY(!port->write(QByteArray("ATDT2\r")).ok());
    QVERIFY(modem.waitForCloses(1));
    QCOMPARE(modem.received(), QByteArray());
}

void tst_ModemPort::eachFailureSaysItsOwnReason()
{
    // The reason travels with the call that failed: a later failure never repeats an earlier one's, and a call
    // that works carries none, whatever failed before it.
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    QVERIFY(modem.isReady());
    ModemPort port;
    port.setPortNumber(0);
    const Outcome noPort = port.open();
    QVERIFY(!noPort.ok());
    QVERIFY2(noPort.reason().contains(QLatin1String("0")), qPrintable(noPort.reason()));
    const Outcome closedWrite = port.write(QByteArray("ATDT1\r"));
    QVERIFY(!closedWrite.ok());
    QVERIFY(!closedWrite.reason().isEmpty());
    QVERIFY(closedWrite.reason() != noPort.reason());

    port.setPortNumber(3);
    const Outcome opened = port.open();
    QVERIFY2(opened.ok(), qPrintable(opened.reason()));
    QVERIFY(opened.reason().isEmpty());
    const Outcome again = port.open();
    QVERIFY(!again.ok());
    QVERIFY(!again.reason().isEmpty());
    QVERIFY(again.reason() != noPort.reason());
    QVERIFY(port.write(QByteArray("A")).ok());
    QVERIFY(modem.waitForBytes(1));
    QCOMPARE(modem.received(), QByteArray("A"));
}

void tst_ModemPort::openFailureSaysWhy_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QStringList>("said"); // each of these is in the reason

    QTest::newRow("link to a missing device") << "dangling link" << QStringList{"COM3: no such device", "plugged in"};
    QTest::newRow("no link and no such serial port") << "no device" << QStringList{"COM9: no such device"};
    QTest::newRow("port number zero") << "port zero" << QStringList{"no such device"};
    QTest::newRow("held by the other dialing window") << "other port object" << QStringList{"COM3: ", "is in use"};
    QTest::newRow("held by another program") << "other program" << QStringList{"COM3: ", "is in use"};
    QTest::newRow("device this user may not open")
        << "no permission" << QStringList{"COM3: permission denied", "dialout", "sudo adduser"};
}

void tst_ModemPort::openFailureSaysWhy()
{
    QFETCH(QString, situation);
    QFETCH(QStringList, said);
    TempDataFolder folder;
    std::unique_ptr<VirtualModemRecorder> modem;
    std::unique_ptr<ModemPort> holder;
    std::unique_ptr<OtherProgram> other;
    int portNumber = 3;
    // Root may open any device: the open then runs as an ordinary account (nobody), able to reach the link.
    bool asNobody = false;

    if (situation == "dangling link") {
        QVERIFY(QDir().mkpath(portLinksFolder()));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyACM0"), portLinkPath(3)));
    } else if (situation == "no device") {
        portNumber = 9;
        if (QFile::exists(QStringLiteral("/dev/ttyS8")))
            QSKIP("this machine has a /dev/ttyS8");
    } else if (situation == "port zero") {
        portNumber = 0;
    } else {
        modem = std::make_unique<VirtualModemRecorder>(3);
        QVERIFY(modem->isReady());
        if (situation == "other port object") {
            holder = test::holdPort(3);
            QVERIFY(holder);
        } else if (situation == "other program") {
            other = std::make_unique<OtherProgram>(3);
            QCOMPARE(other->answer(), QStringLiteral("opened"));
        } else {
            asNobody = ::geteuid() == 0;
            // The device is this user's own: root keeps its owner's rights and opens as nobody, anyone else
            // takes them away.
            const mode_t mode = asNobody ? S_IRUSR | S_IWUSR : 0;
            QVERIFY(::chmod(QFile::encodeName(modem->devicePath()).constData(), mode) == 0);
            for (const QString& path : {folder.root(), QFileInfo(portLinksFolder()).absolutePath(), portLinksFolder()})
                QVERIFY(::chmod(QFile::encodeName(path).constData(), S_IRWXU | S_IXGRP | S_IXOTH) == 0);
        }
    }

    ModemPort port;
    port.setPortNumber(portNumber);
    constexpr uid_t Nobody = 65534;
    if (asNobody)
        QVERIFY(::seteuid(Nobody) == 0);
    const Outcome opened = port.open();
    if (asNobody)
        QVERIFY(::seteuid(0) == 0);
    QVERIFY(!opened.ok());
    for (const QString& words : said)
        QVERIFY2(opened.reason().contains(words), qPrintable(opened.reason()));
}

void tst_ModemPort::closeOfClosedPortDoesNothing()
{
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto port = portObject(3);
    port->close();
    QVERIFY(!port->isOpen());
    QCOMPARE(modem.openCount(), 0);
    // And an open port refuses a second open of its own, staying open.
    QVERIFY(port->open().ok());
    QVERIFY(!port->open().ok());
    QVERIFY(port->isOpen());
    QVERIFY(port->write(QByteArray("A")).ok());
    QVERIFY(modem.waitForBytes(1));
}

void tst_ModemPort::closeLetsGoOfTheDevice()
{
    // A pseudo-terminal has no DTR line to watch; what it shows is that the last holder let go of the device,
    // which is what makes a real serial port drop DTR and the modem leave the line.
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto port = portObject(3);
    QVERIFY(port->open().ok());
    QTRY_VERIFY(modem.portOpen());
    port->close();
    QVERIFY(!port->isOpen());
    QVERIFY(modem.waitForCloses(1));
    QVERIFY(modem.portClosed());
    QCOMPARE(modem.openCount(), 1);
}

void tst_ModemPort::destroyingOpenPortClosesIt()
{
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    auto port = portObject(3);
    QVERIFY(port->open().ok());
    QVERIFY(port->write(commandBytes(accessNumberCommand(QStringLiteral("18005551234")))).ok());
    port.reset();
    QVERIFY(modem.waitForCloses(1));
    QCOMPARE(modem.received(), QByteArray("ATDT18005551234\r"));
    const auto next = portObject(3);
    QVERIFY(next->open().ok());
}

void tst_ModemPort::secondPortObjectIsRefused()
{
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto first = portObject(3);
    const auto second = portObject(3);
    QVERIFY(first->open().ok());
    QVERIFY(!second->open().ok());
    QVERIFY(!second->isOpen());
    QVERIFY(!second->write(QByteArray("X")).ok());
    QVERIFY(first->write(QByteArray("A")).ok());
    first->close();
    QVERIFY(second->open().ok());
    QVERIFY(second->write(QByteArray("B")).ok());
    second->close();
    QVERIFY(modem.waitForCloses(2));
    QCOMPARE(modem.received(), QByteArray("AB"));
}

void tst_ModemPort::otherProgramHoldingPortRefusesUs()
{
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    OtherProgram other(3);
    QCOMPARE(other.answer(), QStringLiteral("opened"));
    const auto port = portObject(3);
    QVERIFY(!port->open().ok());
    other.release();
    QVERIFY(modem.waitForCloses(1));
    const Outcome opened = port->open();
    QVERIFY2(opened.ok(), qPrintable(opened.reason()));
}

void tst_ModemPort::otherProgramIsRefusedWhileWeHoldPort()
{
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto port = portObject(3);
    QVERIFY(port->open().ok());
    {
        OtherProgram other(3);
        QVERIFY(other.answer().startsWith(QLatin1String("refused")));
    }
    port->close();
    OtherProgram after(3);
    QCOMPARE(after.answer(), QStringLiteral("opened"));
}

void tst_ModemPort::portHeldLongIsStillRefused()
{
    // Qt's device lock file counts as stale after 30 s, but only when no live holder keeps it locked: a port
    // held through a long call must still keep other programs (root included) out.
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto port = portObject(3);
    QVERIFY(port->open().ok());
    const QString lockName =
        QStringLiteral("LCK..") + modem.devicePath().mid(5).replace(QLatin1Char('/'), QLatin1Char('_'));
    QString lockPath;
    for (const QString& dir :
         {QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"), QStringLiteral("/var/spool/locks"),
          QStringLiteral("/var/spool/uucp"), QDir::tempPath()}) {
        if (QFile::exists(dir + QLatin1Char('/') + lockName)) {
            lockPath = dir + QLatin1Char('/') + lockName;
            break;
        }
    }
    if (lockPath.isEmpty())
        QSKIP("no device lock file found");
    QFile lock(lockPath);
    QVERIFY(lock.open(QIODevice::ReadWrite));
    QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    lock.close();

    OtherProgram other(3);
    QVERIFY(other.answer().startsWith(QLatin1String("refused")));
    const auto second = portObject(3);
    QVERIFY(!second->open().ok());
}

void tst_ModemPort::lineSettings_data()
{
    QTest::addColumn<qint32>("baudRate");
    QTest::addColumn<QString>("onTheLine");

    QTest::newRow("dial settings") << qint32(QSerialPort::Baud9600) << "9600,N,8,1";
    QTest::newRow("slower") << qint32(QSerialPort::Baud1200) << "1200,N,8,1";
    QTest::newRow("faster") << qint32(QSerialPort::Baud19200) << "19200,N,8,1";
}

void tst_ModemPort::lineSettings()
{
    // Settings given before the open are the ones the device is opened with.
    QFETCH(qint32, baudRate);
    QFETCH(QString, onTheLine);
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto port = portObject(3);
    LineSettings settings = DialLineSettings;
    settings.baudRate = baudRate;
    QVERIFY(port->setLineSettings(settings).ok());
    QCOMPARE(port->lineSettings(), settings);
    QVERIFY(port->open().ok());
    QCOMPARE(modem.modem().lineSettings(), onTheLine);
}

void tst_ModemPort::settingsApplyAtOnceToOpenPort()
{
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto port = portObject(3);
    QVERIFY(port->open().ok());
    QCOMPARE(modem.modem().lineSettings(), QStringLiteral("9600,N,8,1"));
    // The speed shows on the pseudo-terminal at once.
    LineSettings slower = DialLineSettings;
    slower.baudRate = QSerialPort::Baud1200;
    QVERIFY(port->setLineSettings(slower).ok());
    QCOMPARE(modem.modem().lineSettings(), QStringLiteral("1200,N,8,1"));
    QVERIFY(port->setLineSettings(DialLineSettings).ok());
    QCOMPARE(modem.modem().lineSettings(), QStringLiteral("9600,N,8,1"));
}

void tst_ModemPort::writeThenCloseThousandTimesLosesNothing()
{
    // QSerialPort on its own drops unsent bytes on close: a write followed at once by a close loses them.
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto port = portObject(3);
    constexpr int Rounds = 1000;
    QByteArray expected;
    for (int i = 0; i < Rounds; ++i) {
        const QString command = accessNumberCommand(QString::number(i));
        const Outcome opened = port->open();
        QVERIFY2(opened.ok(), qPrintable(opened.reason()));
        QVERIFY(port->write(commandBytes(command)).ok());
        port->close();
        expected += command.toLatin1();
    }
    QVERIFY(modem.waitForCloses(Rounds, 20000));
    QCOMPARE(modem.received().size(), expected.size());
    QCOMPARE(modem.received(), expected);
    QCOMPARE(modem.openCount(), Rounds);
}

void tst_ModemPort::closeDeliversWhatTheDeviceCouldNotTakeAtOnce()
{
    // More than a pseudo-terminal buffers: part of it is still in the port object when the close comes.
    TempDataFolder folder;
    VirtualModemRecorder modem(3);
    const auto port = portObject(3);
    QVERIFY(port->open().ok());
    QString command;
    for (int i = 0; command.size() < 512 * 1024; ++i)
        command += QStringLiteral("ATDT%1\r").arg(i);
    QVERIFY(port->write(commandBytes(command)).ok());
    port->close();
    QVERIFY(modem.waitForCloses(1, 20000));
    QCOMPARE(modem.received().size(), command.size());
    QCOMPARE(modem.received(), command.toLatin1());
}

void tst_ModemPort::closeOfStalledDeviceReturnsAndDropsTheRest()
{
    // The far end never reads: neither the port object's buffer nor the driver's queue ever empties. The close
    // must still return, and the bytes the driver held must not go out after the program let go of the port.
    TempDataFolder folder;
    StalledModem modem(3);
    QVERIFY(modem.isReady());
    const qsizetype capacity = StalledModem::driverCapacity();
    QVERIFY(capacity > FarEndReadBuffer);

    ModemPort port;
    port.setPortNumber(3);
    const Outcome opened = port.open();
    QVERIFY2(opened.ok(), qPrintable(opened.reason()));
    QString command;
    for (int i = 0; command.size() < 4 * capacity; ++i)
        command += QStringLiteral("ATDT%1\r").arg(i);
    QVERIFY(port.write(commandBytes(command)).ok());
    {
        // The close's bound passes on the test's clock: a quarter of a second at every look.
        ManualClock clock;
        clock.advanceOnEveryReading(250);
        const Watchdog watchdog("ModemPort::close() on a stalled device");
        port.close();
    }
    QVERIFY(!port.isOpen());

    // What the far end gets now is only what had reached its own read buffer before the close (a Linux terminal
    // reads into 4096 bytes); the driver's queue behind it, several times that, was dropped.
    const QByteArray rest = modem.readRest();
    QVERIFY2(rest.size() <= FarEndReadBuffer,
             qPrintable(QStringLiteral("the far end got %1 bytes after the close").arg(rest.size())));
    QVERIFY(command.toLatin1().startsWith(rest));

    // The port is free again for the next call.
    const Outcome reopened = port.open();
    QVERIFY2(reopened.ok(), qPrintable(reopened.reason()));
}

QTEST_GUILESS_MAIN(tst_ModemPort)
#include "tst_modemport.moc"
