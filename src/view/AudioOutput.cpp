#include "view/AudioOutput.h"

#include "files/WavSamples.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QMediaDevices>
#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstring>
#include <limits>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <thread>

namespace ravelin {

// The samples are handed to the sink as they lie in memory.
static_assert(std::endian::native == std::endian::little);

PlaybackStream::PlaybackStream(const WavSampleReader& first, const WavSampleReader& second,
                               QObject* parent)
    : QIODevice(parent), m_sources{&first, &second},
      m_length(std::max(first.Count(), second.Count()))
{
}

void PlaybackStream::Begin(int which, std::uint64_t from, std::uint64_t loopBegin,
                           std::uint64_t loopEnd, std::uint64_t tailSamples)
{
    {
        const std::lock_guard lock(m_mutex);
        m_length = std::max(m_sources[0]->Count(), m_sources[1]->Count());
        m_which = which == 1 ? 1 : 0;
        loopEnd = std::min(loopEnd, m_length);
        const bool loop = loopEnd > loopBegin;
        m_loopBegin = loop ? loopBegin : 0;
        m_loopEnd = loop ? loopEnd : 0;
        m_from = std::min(from, loop ? loopEnd : m_length);
        if (loop && (m_from < m_loopBegin || m_from >= m_loopEnd))
            m_from = m_loopBegin;
        m_delivered = 0;
        m_tail = tailSamples;
    }
    if (isOpen())
        close();
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void PlaybackStream::SwitchTo(int which)
{
    const std::lock_guard lock(m_mutex);
    m_which = which == 1 ? 1 : 0;
}

int PlaybackStream::Source() const
{
    const std::lock_guard lock(m_mutex);
    return m_which;
}

std::uint64_t PlaybackStream::Delivered() const
{
    const std::lock_guard lock(m_mutex);
    return m_delivered;
}

std::uint64_t PlaybackStream::SampleAt(std::uint64_t k) const
{
    const std::lock_guard lock(m_mutex);
    const std::uint64_t end = m_loopEnd > m_loopBegin ? m_loopEnd : m_length;
    if (k < end - m_from)
        return m_from + k;
    if (m_loopEnd <= m_loopBegin)
        return m_length;
    return m_loopBegin + (k - (end - m_from)) % (m_loopEnd - m_loopBegin);
}

bool PlaybackStream::Finished() const
{
    const std::lock_guard lock(m_mutex);
    return m_loopEnd <= m_loopBegin && m_from + m_delivered >= m_length;
}

bool PlaybackStream::atEnd() const
{
    const std::lock_guard lock(m_mutex);
    return m_loopEnd <= m_loopBegin && m_from + m_delivered >= m_length && m_tail == 0;
}

qint64 PlaybackStream::bytesAvailable() const
{
    const std::lock_guard lock(m_mutex);
    if (m_loopEnd > m_loopBegin)
        return std::numeric_limits<qint32>::max();
    const std::uint64_t left = m_length - std::min(m_length, m_from + m_delivered) + m_tail;
    return static_cast<qint64>(
               std::min<std::uint64_t>(left * 2, std::numeric_limits<qint32>::max())) +
           QIODevice::bytesAvailable();
}

qint64 PlaybackStream::readData(char* data, qint64 maxSize)
{
    const auto want = static_cast<std::size_t>(std::max<qint64>(maxSize, 0) / 2);
    return static_cast<qint64>(ReadSamples(reinterpret_cast<std::int16_t*>(data), want)) * 2;
}

std::size_t PlaybackStream::ReadSamples(std::int16_t* out, std::size_t want)
{
    const std::lock_guard lock(m_mutex);
    const bool loop = m_loopEnd > m_loopBegin;
    const std::uint64_t end = loop ? m_loopEnd : m_length;
    std::size_t done = 0;
    while (done < want) {
        std::uint64_t at = m_from + m_delivered;
        if (loop && at >= end)
            at = m_loopBegin + (m_delivered - (end - m_from)) % (m_loopEnd - m_loopBegin);
        if (at >= end) {
            // The end: silence, then nothing.
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(want - done, m_tail));
            if (n == 0)
                break;
            std::fill(out + done, out + done + n, std::int16_t{0});
            m_tail -= n;
            done += n;
            continue;
        }
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(want - done, end - at));
        m_scratch.resize(n);
        const WavSampleReader& source = *m_sources[static_cast<std::size_t>(m_which)];
        const std::size_t got = source.Read(at, m_scratch.data(), n);
        std::fill(m_scratch.begin() + static_cast<std::ptrdiff_t>(got), m_scratch.end(), 0);
        const int scale = source.Bits() == 8 ? 256 : 1;
        for (std::size_t i = 0; i < n; ++i)
            out[done + i] = static_cast<std::int16_t>(m_scratch[i] * scale);
        m_delivered += n;
        done += n;
    }
    return done;
}

namespace {

// Worded when shown, in the language chosen at start-up.
QString NoDeviceText()
{
    return QCoreApplication::translate("ravelin::AudioOutput",
                                       "音声出力装置が見つからないため再生できません。");
}

QString DeviceFailedText()
{
    return QCoreApplication::translate("ravelin::AudioOutput",
                                       "音声出力装置の異常のため再生を中止しました。");
}

// Straight to the sound server: a connection of its own at each Start (so a server
// that started later, or a new default device, is found), fed from a thread in pieces
// of 20 ms (so that Stop waits no longer), and played out at the end so that every
// sample is heard before it counts as played.
class PulseAudioOutput : public IAudioOutput {
  public:
    ~PulseAudioOutput() override { Stop(); }

    // False (nothing playing) when no sound server answers.
    bool TryStart(PlaybackStream* stream, int rate)
    {
        Stop();
        pa_sample_spec spec{};
        spec.format = PA_SAMPLE_S16LE;
        spec.channels = 1;
        spec.rate = static_cast<std::uint32_t>(rate);
        // A fifth of a second in the server: Stop and the switch are heard soon. It starts
        // playing once half of that is there.
        pa_buffer_attr attr{};
        attr.maxlength = std::uint32_t(-1);
        attr.tlength = static_cast<std::uint32_t>(rate / 5 * 2);
        attr.prebuf = attr.tlength / 2;
        attr.minreq = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(-1);
        int error = 0;
        m_pa = pa_simple_new(nullptr, "Ravelin", PA_STREAM_PLAYBACK, nullptr, "playback", &spec,
                             nullptr, &attr, &error);
        if (!m_pa)
            return false;
        m_rate = rate;
        m_stop = false;
        m_finished = false;
        m_failed = false;
        m_latency = 0;
        m_thread = std::thread([this, stream] { Feed(stream); });
        return true;
    }

    QString Start(PlaybackStream* stream, int rate) override
    {
        return TryStart(stream, rate) ? QString() : NoDeviceText();
    }

    void Stop() override
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_pa) {
            int error = 0;
            pa_simple_flush(m_pa, &error);
            pa_simple_free(m_pa);
            m_pa = nullptr;
        }
    }

    bool IsPlaying() const override { return m_pa && !m_finished && !m_failed; }

    std::int64_t Pending() const override
    {
        return m_pa ? std::int64_t(m_latency.load() * std::uint64_t(m_rate) / 1000000) : 0;
    }

    QString Failure() const override { return m_failed ? DeviceFailedText() : QString(); }

    // The end is played out without it.
    std::int64_t TailSamples(int) const override { return 0; }

  private:
    void Feed(PlaybackStream* stream)
    {
        std::vector<std::int16_t> buffer(std::size_t(std::max(64, m_rate / 50)));
        int error = 0;
        while (!m_stop) {
            const std::size_t n = stream->ReadSamples(buffer.data(), buffer.size());
            if (n == 0) {
                // The end: what the server still holds is played out, waited for a little
                // at a time (never with pa_simple_drain), so that Stop is never kept waiting.
                for (int i = 0; i < kEndPolls && !m_stop; ++i) {
                    const pa_usec_t left = pa_simple_get_latency(m_pa, &error);
                    if (left == pa_usec_t(-1) || left < kPlayedOut)
                        break;
                    m_latency = left;
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                m_latency = 0;
                m_finished = true;
                return;
            }
            if (pa_simple_write(m_pa, buffer.data(), n * 2, &error) < 0) {
                m_failed = true;
                return;
            }
            const pa_usec_t latency = pa_simple_get_latency(m_pa, &error);
            if (latency != pa_usec_t(-1))
                m_latency = latency;
        }
    }

    static constexpr int kEndPolls = 300;         // 3 s at most
    static constexpr pa_usec_t kPlayedOut = 1000; // microseconds left: played

    pa_simple* m_pa = nullptr;
    int m_rate = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false}, m_finished{false}, m_failed{false};
    std::atomic<std::uint64_t> m_latency{0}; // microseconds
};

class SystemAudioOutput : public IAudioOutput {
  public:
    ~SystemAudioOutput() override { Stop(); }

    QString Start(PlaybackStream* stream, int rate) override
    {
        Stop();
        if (m_pulse.TryStart(stream, rate)) {
            m_onPulse = true;
            return {};
        }
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return NoDeviceText();
        QAudioFormat format;
        format.setSampleRate(rate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            return QCoreApplication::translate(
                       "ravelin::AudioOutput",
                       "音声出力装置がこの形式（%1 Hz、16 ビット、モノラル）を再生できません。")
                .arg(rate);
        m_stream = stream;
        m_sink = std::make_unique<QAudioSink>(device, format);
        m_sink->start(stream);
        if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
            Stop();
            return QCoreApplication::translate("ravelin::AudioOutput",
                                               "音声出力装置を開けないため再生できません。");
        }
        return {};
    }

    void Stop() override
    {
        m_pulse.Stop();
        m_onPulse = false;
        if (m_sink) {
            m_sink->stop();
            m_sink.reset();
        }
        m_stream = nullptr;
    }

    bool IsPlaying() const override
    {
        if (m_onPulse)
            return m_pulse.IsPlaying();
        if (!m_sink)
            return false;
        const QAudio::State state = m_sink->state();
        if (state == QAudio::StoppedState)
            return false;
        // Idle with the stream's silent tail handed over: every real sample was heard.
        return !(state == QAudio::IdleState && m_stream && m_stream->atEnd());
    }

    std::int64_t Pending() const override
    {
        if (m_onPulse)
            return m_pulse.Pending();
        if (!m_sink)
            return 0;
        return std::max<std::int64_t>(0, (m_sink->bufferSize() - m_sink->bytesFree()) / 2);
    }

    QString Failure() const override
    {
        if (m_onPulse)
            return m_pulse.Failure();
        if (m_sink && m_sink->state() == QAudio::StoppedState && m_sink->error() != QAudio::NoError)
            return DeviceFailedText();
        return {};
    }

    std::int64_t TailSamples(int rate) const override
    {
        // Which way the sound goes is known only at Start: through Qt Multimedia this is
        // more than its sink and the sound server hold between them; straight to the
        // server it is only half a second of silence more before the drain.
        return rate / 2;
    }

  private:
    PulseAudioOutput m_pulse;
    bool m_onPulse = false;
    std::unique_ptr<QAudioSink> m_sink;
    PlaybackStream* m_stream = nullptr;
};

} // namespace

std::unique_ptr<IAudioOutput> MakeSystemAudioOutput()
{
    return std::make_unique<SystemAudioOutput>();
}

} // namespace ravelin
