#pragma once

#include "view/AudioOutput.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace ravelin::test {

// Remembers what the panel asked of the sound output; the test plays the device by
// pulling samples from the stream, each of which counts as heard at once.
struct AudioLog {
    std::vector<std::vector<std::int16_t>> starts; // what each playback gave out
    std::vector<int> rates;
    int stops = 0;
    QString refusal; // Start fails with this when set
    bool playing = false;
    QString failure;
    PlaybackStream* stream = nullptr;

    // Up to n samples of the current playback, as a sink would read them.
    void Pull(std::size_t n)
    {
        const QByteArray bytes = stream->read(qint64(n) * 2);
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            starts.back().push_back(std::int16_t(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8));
    }
    void PullAll()
    {
        while (!stream->atEnd())
            Pull(1000);
    }
};

class RecordingOutput : public IAudioOutput {
  public:
    explicit RecordingOutput(std::shared_ptr<AudioLog> log) : m_log(std::move(log)) {}
    QString Start(PlaybackStream* stream, int rate) override
    {
        if (!m_log->refusal.isEmpty())
            return m_log->refusal;
        m_log->starts.emplace_back();
        m_log->rates.push_back(rate);
        m_log->playing = true;
        m_log->stream = stream;
        m_log->failure.clear();
        return {};
    }
    void Stop() override
    {
        ++m_log->stops;
        m_log->playing = false;
    }
    bool IsPlaying() const override { return m_log->playing; }
    std::int64_t Pending() const override { return 0; }
    QString Failure() const override { return m_log->failure; }
    std::int64_t TailSamples(int) const override { return 0; }

  private:
    std::shared_ptr<AudioLog> m_log;
};

} // namespace ravelin::test
