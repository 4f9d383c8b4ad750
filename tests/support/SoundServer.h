// SPDX-License-Identifier: GPL-3.0-or-later
// A sound server of the test's own, with no sound card: PulseAudio with a null sink as its default output, in a
// private runtime folder, answering this process only (PULSE_SERVER points at it while the object lives). What the
// program plays to the default output is recorded from the sink's monitor and read back as samples, and the touch
// tones in them are decoded by a decoder nobody here wrote (multimon-ng).
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace miravo::test {

// The recording's format: 16-bit signed little-endian mono at this rate (the program's own rate, so that the
// server does not resample on the way and a sample of the recording is a sample of the program's).
constexpr int RecordingRate = 44100;

class SoundServer {
public:
    enum class Output {
        NullSink, // a default output that plays into nothing
        None,     // a running server with no output at all
    };
    explicit SoundServer(Output output = Output::NullSink);
    ~SoundServer();
    Q_DISABLE_COPY_MOVE(SoundServer)

    // Whether the server came up; error() says why not.
    bool isRunning() const { return m_pid > 0; }
    QString error() const { return m_error; }
    // Stops the server while the test goes on (the program's line loses its output).
    void stop();

    // Starts recording the default output's monitor. Check recordedSamples() grows before playing (QTRY_VERIFY).
    bool startRecording();
    // Samples recorded so far (the file grows as the server hands them over).
    qint64 recordedSamples() const;
    // Stops the recorder and returns everything it recorded.
    QList<qint16> stopRecording();

private:
    QTemporaryDir m_dir;
    qint64 m_pid = 0;
    QString m_error;
    QProcess m_recorder;
    QByteArray m_previousServer;
    bool m_hadPreviousServer = false;
};

// The samples of 16-bit little-endian PCM.
QList<qint16> samplesOf(const QByteArray& pcm);

// Runs of sound and silence in samples: positive for sound, negative for silence. Silence is at least 20 samples
// in a row whose magnitude is at most `quiet` (a sine passes zero now and then, a tone fades in from zero).
QList<int> soundRuns(const QList<qint16>& samples, int quiet = 0);

// The touch-tone keys multimon-ng hears in the samples (RecordingRate), in order; "" with *error set when it could
// not be run.
QString decodeTouchTones(const QList<qint16>& samples, QString* error);

// The largest magnitude of any sample.
int peakOf(const QList<qint16>& samples);

} // namespace miravo::test
