// SPDX-License-Identifier: GPL-3.0-or-later
#include "SpeakerPlugin.h"

#include "modem/TouchTones.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <functional>

namespace miravo {
namespace {

// How much sound the server holds ahead of the speaker. The program's thread has to run only about this often for
// the tones to play without a break, also on a busy machine; a stop drops what the server holds all the same.
constexpr pa_usec_t HeldAheadUs = 2 * PA_USEC_PER_SEC;

// Silence played before the tones of a write that finds the stream run dry. A stream that starts on a running
// output may lose its first few milliseconds to the output's own buffer (up to about 20 ms were seen): this way
// they are silence, not the start of the first tone.
constexpr int LeadInMs = 50;

// A sound server that takes longer than this to answer is as good as none: the open fails instead of hanging the
// window.
constexpr pa_usec_t ServerAnswerUs = 5 * PA_USEC_PER_SEC;

constexpr pa_sample_spec SampleFormat{PA_SAMPLE_S16LE, ToneSampleRate, 1};

// One stream on the default output, fed from the program's queue: at once by a write as far as the server takes it,
// the rest on the server's requests on the client library's own thread. Between writes the stream runs dry and
// waits; each write starts it again at once, without waiting for the server's buffer to fill first.
class PulseOutput final : public SpeakerOutput {
public:
    PulseOutput() = default;
    ~PulseOutput() override { stop(); }
    Q_DISABLE_COPY_MOVE(PulseOutput)

    Outcome open() override;
    Outcome play(const QByteArray& samples) override;
    void stop() override;

private:
    // With the loop locked: waits until `done` holds, or the server has not answered within ServerAnswerUs.
    bool waitFor(const std::function<bool()>& done);
    Result<QByteArray> defaultSinkName();
    bool sinkExists(const QByteArray& name);
    Outcome openStream();
    // With the loop locked: hands the server up to `bytes` of the queue.
    void feed(size_t bytes);

    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    // What is still to be played (from m_next on); touched only with the loop locked.
    QByteArray m_queue;
    qsizetype m_next = 0;
    // Whether the stream has run dry (or never played): the next write begins with the lead-in.
    bool m_dry = true;
    bool m_timedOut = false;
};

void signalLoop(pa_threaded_mainloop* loop)
{
    pa_threaded_mainloop_signal(loop, 0);
}

QString contextError(pa_context* context)
{
    return QString::fromUtf8(pa_strerror(pa_context_errno(context)));
}

bool PulseOutput::waitFor(const std::function<bool()>& done)
{
    m_timedOut = false;
    pa_time_event* timer = pa_context_rttime_new(
        m_context, pa_rtclock_now() + ServerAnswerUs,
        [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self) {
            auto* output = static_cast<PulseOutput*>(self);
            output->m_timedOut = true;
            signalLoop(output->m_loop);
        },
        this);
    while (!done() && !m_timedOut)
        pa_threaded_mainloop_wait(m_loop);
    if (timer)
        pa_threaded_mainloop_get_api(m_loop)->time_free(timer);
    return done();
}

Result<QByteArray> PulseOutput::defaultSinkName()
{
    struct Answer {
        pa_threaded_mainloop* loop;
        bool done = false;
        QByteArray name;
    } answer{m_loop, {}, {}};
    pa_operation* operation = pa_context_get_server_info(
        m_context,
        [](pa_context*, const pa_server_info* info, void* data) {
            auto* answer = static_cast<Answer*>(data);
            if (info && info->default_sink_name)
                answer->name = info->default_sink_name;
            answer->done = true;
            signalLoop(answer->loop);
        },
        &answer);
    if (!operation)
        return Failure{contextError(m_context)};
    const bool answered = waitFor([&] { return answer.done; });
    pa_operation_cancel(operation);
    pa_operation_unref(operation);
    if (!answered)
        return Failure{QStringLiteral("The sound server did not answer.")};
    return answer.name;
}

bool PulseOutput::sinkExists(const QByteArray& name)
{
    struct Answer {
        pa_threaded_mainloop* loop;
        bool done = false;
        bool found = false;
    } answer{m_loop, {}, {}};
    pa_operation* operation = pa_context_get_sink_info_by_name(
        m_context, name.constData(),
        [](pa_context*, const pa_sink_info* info, int last, void* data) {
            auto* answer = static_cast<Answer*>(data);
            if (info)
                answer->found = true;
            if (last != 0) {
                answer->done = true;
                signalLoop(answer->loop);
            }
        },
        &answer);
    if (!operation)
        return false;
    waitFor([&] { return answer.done; });
    pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return answer.found;
}

Outcome PulseOutput::openStream()
{
    m_stream = pa_stream_new(m_context, "Touch tones", &SampleFormat, nullptr);
    if (!m_stream)
        return Failure{contextError(m_context)};
    pa_stream_set_state_callback(
        m_stream, [](pa_stream*, void* self) { signalLoop(static_cast<PulseOutput*>(self)->m_loop); }, this);
    pa_stream_set_write_callback(
        m_stream, [](pa_stream*, size_t bytes, void* self) { static_cast<PulseOutput*>(self)->feed(bytes); }, this);
    pa_stream_set_underflow_callback(
        m_stream, [](pa_stream*, void* self) { static_cast<PulseOutput*>(self)->m_dry = true; }, this);

    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(pa_usec_to_bytes(HeldAheadUs, &SampleFormat));
    buffer.prebuf = uint32_t(-1);
    buffer.minreq = uint32_t(-1);
    buffer.fragsize = uint32_t(-1);
    // No device named: the server's default output, wherever the user's sound settings send it.
    if (pa_stream_connect_playback(m_stream, nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0)
        return Failure{contextError(m_context)};
    const bool settled = waitFor([this] {
        const pa_stream_state_t state = pa_stream_get_state(m_stream);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!settled || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return Failure{settled ? contextError(m_context) : QStringLiteral("The sound server did not answer.")};
    return {};
}

void PulseOutput::feed(size_t bytes)
{
    const size_t size = std::min(bytes, size_t(m_queue.size() - m_next));
    if (size == 0)
        return;
    // The server copies the data before pa_stream_write returns.
    pa_stream_write(m_stream, m_queue.constData() + m_next, size, nullptr, 0, PA_SEEK_RELATIVE);
    m_next += qsizetype(size);
    if (m_next == m_queue.size()) {
        m_queue.clear();
        m_next = 0;
    }
}

Outcome PulseOutput::open()
{
    if (m_loop)
        return Failure{QStringLiteral("The speaker is already open.")};
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return Failure{QStringLiteral("The sound server's client could not start.")};
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "MiravoDialer");
    if (!m_context || pa_threaded_mainloop_start(m_loop) < 0) {
        stop();
        return Failure{QStringLiteral("The sound server's client could not start.")};
    }
    pa_threaded_mainloop_lock(m_loop);
    pa_context_set_state_callback(
        m_context, [](pa_context*, void* self) { signalLoop(static_cast<PulseOutput*>(self)->m_loop); }, this);
    // No sound server of its own: one started for the program (as root, or outside a desktop session) would stay
    // behind after it and would play to whatever it found, and "no audio output" is what the user should hear of.
    Outcome outcome;
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        outcome = Failure{contextError(m_context)};
    } else if (!waitFor([this] {
                   const pa_context_state_t state = pa_context_get_state(m_context);
                   return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
               }) ||
               pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        outcome = Failure{QStringLiteral("No sound server: %1").arg(contextError(m_context))};
    } else if (const Result<QByteArray> sink = defaultSinkName(); !sink.ok()) {
        outcome = sink.failure();
    } else if (sink.value().isEmpty() || !sinkExists(sink.value())) {
        outcome = Failure{QStringLiteral("The sound server has no audio output.")};
    } else {
        outcome = openStream();
    }
    pa_threaded_mainloop_unlock(m_loop);
    if (!outcome.ok())
        stop();
    return outcome;
}

Outcome PulseOutput::play(const QByteArray& samples)
{
    if (!m_stream)
        return Failure{QStringLiteral("The speaker is not open.")};
    pa_threaded_mainloop_lock(m_loop);
    const bool playing = pa_stream_get_state(m_stream) == PA_STREAM_READY;
    if (playing) {
        if (m_dry && m_queue.isEmpty())
            m_queue.append(QByteArray(qsizetype(pa_usec_to_bytes(LeadInMs * PA_USEC_PER_MSEC, &SampleFormat)), '\0'));
        m_dry = false;
        m_queue.append(samples);
        feed(pa_stream_writable_size(m_stream));
        // A stream starts playing once its buffer is full; a short write would otherwise wait for the next one.
        if (pa_operation* start = pa_stream_trigger(m_stream, nullptr, nullptr))
            pa_operation_unref(start);
    }
    pa_threaded_mainloop_unlock(m_loop);
    if (!playing)
        return Failure{QStringLiteral("The sound server closed the stream.")};
    return {};
}

void PulseOutput::stop()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    // Disconnecting the stream drops what the server holds of it: the sound ends now, not after the queue.
    if (m_stream) {
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_underflow_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    m_queue.clear();
    m_next = 0;
    m_dry = true;
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}

} // namespace

std::unique_ptr<SpeakerOutput> SpeakerPlugin::createOutput()
{
    return std::make_unique<PulseOutput>();
}

} // namespace miravo
