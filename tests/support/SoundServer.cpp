// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <csignal>

namespace miravo::test {
namespace {

const char ServerVariable[] = "PULSE_SERVER";

// Both tools are given the same private runtime and home folder, so that nothing is read from or written to the
// user's own sound settings.
QProcessEnvironment privateEnvironment(const QString& folder)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder + QStringLiteral("/runtime"));
    environment.insert(QStringLiteral("HOME"), folder);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder + QStringLiteral("/config"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    environment.remove(QStringLiteral("DISPLAY"));
    return environment;
}

QString socketPath(const QString& folder)
{
    return folder + QStringLiteral("/native");
}

} // namespace

SoundServer::SoundServer(Output output)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    const QString folder = m_dir.path();
    QDir().mkpath(folder + QStringLiteral("/runtime"));
    QFile::setPermissions(folder + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // -n: none of the system's default modules (no sound card, no session bus, no suspend on idle, no fallback
    // sink that module-always-sink would add). --daemonize returns once the server is ready for clients. Running
    // as root, as CI does, is allowed outside --system; the warning it prints is harmless.
    QStringList arguments{
        QStringLiteral("-n"),
        QStringLiteral("--daemonize=yes"),
        QStringLiteral("--use-pid-file=yes"),
        QStringLiteral("--exit-idle-time=-1"),
        QStringLiteral("--disallow-module-loading=yes"),
        QStringLiteral("--disable-shm=yes"),
        QStringLiteral("--log-target=file:%1/server.log").arg(folder),
        QStringLiteral("-L"),
        QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=%1").arg(socketPath(folder)),
    };
    if (output == Output::NullSink) {
        arguments << QStringLiteral("-L")
                  << QStringLiteral("module-null-sink sink_name=miravo_test rate=%1 channels=1").arg(RecordingRate);
    }
    QProcess server;
    server.setProcessEnvironment(privateEnvironment(folder));
    server.start(QStringLiteral("pulseaudio"), arguments);
    if (!server.waitForFinished(30000) || server.exitStatus() != QProcess::NormalExit || server.exitCode() != 0) {
        QFile log(folder + QStringLiteral("/server.log"));
        log.open(QIODevice::ReadOnly);
        m_error = QStringLiteral("pulseaudio did not start: %1 %2 %3")
                      .arg(server.errorString(), QString::fromLocal8Bit(server.readAllStandardError()),
                           QString::fromLocal8Bit(log.readAll()));
        return;
    }
    QFile pidFile(folder + QStringLiteral("/runtime/pulse/pid"));
    if (!pidFile.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("pulseaudio left no pid file");
        return;
    }
    m_pid = pidFile.readAll().trimmed().toLongLong();

    m_hadPreviousServer = qEnvironmentVariableIsSet(ServerVariable);
    m_previousServer = qgetenv(ServerVariable);
    qputenv(ServerVariable, QStringLiteral("unix:%1").arg(socketPath(folder)).toLocal8Bit());
}

SoundServer::~SoundServer()
{
    if (m_recorder.state() != QProcess::NotRunning)
        stopRecording();
    stop();
    if (m_hadPreviousServer)
        qputenv(ServerVariable, m_previousServer);
    else
        qunsetenv(ServerVariable);
}

void SoundServer::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(pid_t(m_pid), SIGTERM);
    // The server is not our child (it daemonized): its socket going away tells that it is gone.
    QProcess wait;
    wait.start(QStringLiteral("sh"),
               {QStringLiteral("-c"), QStringLiteral("while kill -0 %1 2>/dev/null; do sleep 0.05; done").arg(m_pid)});
    wait.waitForFinished(10000);
    m_pid = 0;
}

bool SoundServer::startRecording()
{
    if (!isRunning())
        return false;
    m_recorder.setProcessEnvironment(privateEnvironment(m_dir.path()));
    m_recorder.setStandardOutputFile(m_dir.filePath(QStringLiteral("recording.raw")), QIODevice::Truncate);
    // A short latency, so that the file follows the sound closely and a test can wait for it.
    m_recorder.start(QStringLiteral("parec"),
                     {QStringLiteral("--server=unix:%1").arg(socketPath(m_dir.path())),
                      QStringLiteral("--device=miravo_test.monitor"), QStringLiteral("--raw"),
                      QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(RecordingRate),
                      QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20")});
    return m_recorder.waitForStarted(10000);
}

qint64 SoundServer::recordedSamples() const
{
    return QFileInfo(m_dir.filePath(QStringLiteral("recording.raw"))).size() / 2;
}

QList<qint16> SoundServer::stopRecording()
{
    if (m_recorder.state() != QProcess::NotRunning) {
        m_recorder.terminate();
        if (!m_recorder.waitForFinished(10000)) {
            m_recorder.kill();
            m_recorder.waitForFinished(10000);
        }
    }
    QFile file(m_dir.filePath(QStringLiteral("recording.raw")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return samplesOf(file.readAll());
}

QList<qint16> samplesOf(const QByteArray& pcm)
{
    QList<qint16> samples;
    samples.reserve(pcm.size() / 2);
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2)
        samples.append(qFromLittleEndian<qint16>(pcm.constData() + i));
    return samples;
}

QList<int> soundRuns(const QList<qint16>& samples, int quiet)
{
    constexpr qsizetype ShortestSilence = 20;
    QList<bool> silent(samples.size(), false);
    for (qsizetype i = 0; i < samples.size();) {
        qsizetype end = i;
        while (end < samples.size() && std::abs(int(samples[end])) <= quiet)
            ++end;
        if (end - i >= ShortestSilence)
            std::fill(silent.begin() + i, silent.begin() + end, true);
        i = std::max(end, i + 1);
    }
    QList<int> result;
    for (qsizetype i = 0; i < silent.size();) {
        qsizetype end = i;
        while (end < silent.size() && silent[end] == silent[i])
            ++end;
        result.append(int(silent[i] ? -(end - i) : end - i));
        i = end;
    }
    return result;
}

QString decodeTouchTones(const QList<qint16>& samples, QString* error)
{
    QTemporaryDir dir;
    QByteArray pcm(samples.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < samples.size(); ++i)
        qToLittleEndian<qint16>(samples[i], pcm.data() + 2 * i);
    const QString file = dir.filePath(QStringLiteral("sound.raw"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(pcm) != pcm.size()) {
        *error = QStringLiteral("cannot write %1").arg(file);
        return {};
    }
    out.close();
    // multimon-ng reads raw samples at 22050 Hz only; sox converts, as multimon-ng itself would for other types.
    const QString converted = dir.filePath(QStringLiteral("sound-22050.raw"));
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-r"), QString::number(RecordingRate),
               QStringLiteral("-e"), QStringLiteral("signed"), QStringLiteral("-b"), QStringLiteral("16"),
               QStringLiteral("-c"), QStringLiteral("1"), file, QStringLiteral("-t"), QStringLiteral("raw"),
               QStringLiteral("-r"), QStringLiteral("22050"), converted});
    if (!sox.waitForFinished(60000) || sox.exitCode() != 0) {
        *error = QStringLiteral("sox failed: %1 %2").arg(sox.errorString(), QString::fromLocal8Bit(sox.readAll()));
        return {};
    }
    QProcess decoder;
    decoder.start(QStringLiteral("multimon-ng"),
                  {QStringLiteral("-q"), QStringLiteral("-c"), QStringLiteral("-a"), QStringLiteral("DTMF"),
                   QStringLiteral("-t"), QStringLiteral("raw"), converted});
    if (!decoder.waitForFinished(60000) || decoder.exitCode() != 0) {
        *error = QStringLiteral("multimon-ng failed: %1 %2")
                     .arg(decoder.errorString(), QString::fromLocal8Bit(decoder.readAllStandardError()));
        return {};
    }
    QString keys;
    static const QRegularExpression line(QStringLiteral("^DTMF: (.)$"), QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& match : line.globalMatch(QString::fromLatin1(decoder.readAllStandardOutput())))
        keys += match.captured(1);
    return keys;
}

int peakOf(const QList<qint16>& samples)
{
    int peak = 0;
    for (const qint16 sample : samples)
        peak = std::max(peak, std::abs(int(sample)));
    return peak;
}

} // namespace miravo::test
