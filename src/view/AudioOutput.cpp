#include "view/AudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <bit>

namespace ravelin {

namespace {

// The samples are handed to the sink as they lie in memory.
static_assert(std::endian::native == std::endian::little);

class SystemAudioOutput : public IAudioOutput {
  public:
    ~SystemAudioOutput() override { Stop(); }

    QString Start(std::span<const std::int16_t> samples, int rate) override
    {
        Stop();
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
        m_rate = rate;
        m_data = QByteArray::fromRawData(reinterpret_cast<const char*>(samples.data()),
                                         qsizetype(samples.size_bytes()));
        m_buffer.setBuffer(&m_data);
        m_buffer.open(QIODevice::ReadOnly);
        m_sink = std::make_unique<QAudioSink>(device, format);
        m_sink->start(&m_buffer);
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
        m_buffer.close();
        m_data.clear();
    }

    bool IsPlaying() const override
    {
        if (!m_sink)
            return false;
        const QAudio::State state = m_sink->state();
        if (state == QAudio::StoppedState)
            return false;
        // Idle with every byte handed over: the end of the samples.
        return !(state == QAudio::IdleState && m_buffer.atEnd());
    }

    std::int64_t Played() const override
    {
        return m_sink ? m_sink->processedUSecs() * m_rate / 1000000 : 0;
    }

    QString Failure() const override
    {
        if (m_sink && m_sink->state() == QAudio::StoppedState && m_sink->error() != QAudio::NoError)
            return QStringLiteral("音声出力装置の異常のため再生を中止しました。");
        return {};
    }

  private:
    std::unique_ptr<QAudioSink> m_sink;
    QByteArray m_data;
    QBuffer m_buffer;
    int m_rate = 0;
};

} // namespace

std::unique_ptr<IAudioOutput> MakeSystemAudioOutput()
{
    return std::make_unique<SystemAudioOutput>();
}

} // namespace ravelin
