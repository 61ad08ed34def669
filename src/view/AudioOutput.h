#pragma once

#include <QIODevice>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace ravelin {

class WavSampleReader;

// The sound of the last run as the audio sink asks for it: mono signed 16-bit
// little-endian samples read from the files a block at a time (8-bit samples scaled
// by 256). It plays one of two sources of the same length from a sample on, to the
// end or round and round a loop; switching the source carries on at the very next
// sample handed out, so that nothing is repeated or skipped. After the last sample it
// hands out TailSamples() of silence before it ends, so that a sink stopped as soon as
// it runs dry has already played every real sample.
class PlaybackStream : public QIODevice {
    Q_OBJECT

  public:
    // The readers must outlive the stream; either may be closed (then it plays silence).
    PlaybackStream(const WavSampleReader& first, const WavSampleReader& second,
                   QObject* parent = nullptr);

    // Starts again with source `which` from sample `from`; with loopEnd > loopBegin,
    // plays [from, loopEnd) and then [loopBegin, loopEnd) again and again. Opens the
    // device for reading.
    void Begin(int which, std::uint64_t from, std::uint64_t loopBegin = 0,
               std::uint64_t loopEnd = 0, std::uint64_t tailSamples = 0);
    void SwitchTo(int which);
    int Source() const;
    std::uint64_t Length() const { return m_length; }

    // Samples handed out since Begin, silence excluded; and the sample of the file that
    // the k-th of them was.
    std::uint64_t Delivered() const;
    std::uint64_t SampleAt(std::uint64_t k) const;
    // Whether the last real sample has been handed out (never, while looping).
    bool Finished() const;

    // What readData hands out, as samples: up to n of them into out; 0 at the end.
    // Safe to call from another thread than the one that began the stream.
    std::size_t ReadSamples(std::int16_t* out, std::size_t n);

    bool isSequential() const override { return true; }
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    std::array<const WavSampleReader*, 2> m_sources;
    std::uint64_t m_length = 0;
    std::vector<std::int32_t> m_scratch;

    mutable std::mutex m_mutex; // the sink may read on its own thread
    int m_which = 0;
    std::uint64_t m_from = 0, m_loopBegin = 0, m_loopEnd = 0;
    std::uint64_t m_delivered = 0;
    std::uint64_t m_tail = 0; // silence still to hand out after the end
};

// Where the waveform panel sends sound: the sound card through Qt Multimedia, or in
// the tests a recorder. One stream at a time.
class IAudioOutput {
  public:
    virtual ~IAudioOutput() = default;

    // Starts pulling mono signed 16-bit samples at rate Hz from the stream, which stays
    // valid until Stop. Returns an empty string, or (nothing playing) the message that
    // tells the user why not.
    virtual QString Start(PlaybackStream* stream, int rate) = 0;
    virtual void Stop() = 0;
    // Still playing: false once the stream has ended and been played, after Stop and
    // after a failure.
    virtual bool IsPlaying() const = 0;
    // Samples taken from the stream that have not been heard yet.
    virtual std::int64_t Pending() const = 0;
    // Why playing stopped early when the device failed; empty otherwise. Cleared by Start.
    virtual QString Failure() const = 0;
    // How many samples of silence the stream should end with so that the sink plays
    // every real sample before it stops.
    virtual std::int64_t TailSamples(int rate) const = 0;
};

// The default audio output of the system, looked up again at every Start: the sound
// server's default device through a connection of its own, or where there is no sound
// server, Qt Multimedia's default device. Nothing touches the audio system before the
// first Start.
std::unique_ptr<IAudioOutput> MakeSystemAudioOutput();

} // namespace ravelin
