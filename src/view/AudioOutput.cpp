#include "view/AudioOutput.h"

#include "files/WavSamples.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

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
    const std::lock_guard lock(m_mutex);
    const auto want = static_cast<std::size_t>(std::max<qint64>(maxSize, 0) / 2);
    auto* out = reinterpret_cast<std::int16_t*>(data);
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
    return static_cast<qint64>(done * 2);
}

namespace {

class SystemAudioOutput : public IAudioOutput {
  public:
    ~SystemAudioOutput() override { Stop(); }

    QString Start(PlaybackStream* stream, int rate) override
    {
        Stop();
        // Asked again at every start: a sound server that came up later, or another
        // default device, is used from the next play on.
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return QStringLiteral("音声出力装置が見つからないため再生できません。");
        QAudioFormat format;
        format.setSampleRate(rate);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            return QStringLiteral(
                       "音声出力装置がこの形式（%1 Hz、16 ビット、モノラル）を再生できません。")
                .arg(rate);
        m_stream = stream;
        m_sink = std::make_unique<QAudioSink>(device, format);
        m_sink->start(stream);
        if (m_sink->error() != QAudio::NoError || m_sink->state() == QAudio::StoppedState) {
            Stop();
            return QStringLiteral("音声出力装置を開けないため再生できません。");
        }
        return {};
    }

    void Stop() override
    {
        if (m_sink) {
            m_sink->stop();
            m_sink.reset();
        }
        m_stream = nullptr;
    }

    bool IsPlaying() const override
    {
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
        if (!m_sink)
            return 0;
        return std::max<std::int64_t>(0, (m_sink->bufferSize() - m_sink->bytesFree()) / 2);
    }

    QString Failure() const override
    {
        if (m_sink && m_sink->state() == QAudio::StoppedState && m_sink->error() != QAudio::NoError)
            return QStringLiteral("音声出力装置の異常のため再生を中止しました。");
        return {};
    }

    std::int64_t TailSamples(int rate) const override
    {
        // More than the sink and the sound server hold between them.
        return rate / 2;
    }

  private:
    std::unique_ptr<QAudioSink> m_sink;
    PlaybackStream* m_stream = nullptr;
};

} // namespace

std::unique_ptr<IAudioOutput> MakeSystemAudioOutput()
{
    return std::make_unique<SystemAudioOutput>();
}

} // namespace ravelin
