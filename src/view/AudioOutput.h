#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <span>

namespace ravelin {

// Where the waveform panel sends sound: the sound card through Qt Multimedia, or in
// the tests a recorder. One signal at a time.
class IAudioOutput {
  public:
    virtual ~IAudioOutput() = default;

    // Starts playing mono signed 16-bit samples at rate Hz; the samples must stay
    // valid until Stop or the end. Returns an empty string, or (nothing playing) the
    // message that tells the user why not.
    virtual QString Start(std::span<const std::int16_t> samples, int rate) = 0;
    virtual void Stop() = 0;
    // Still playing: false once the samples have run out, after Stop and after a failure.
    virtual bool IsPlaying() const = 0;
    // Samples the device has played since Start.
    virtual std::int64_t Played() const = 0;
    // Why playing stopped early when the device failed; empty otherwise. Cleared by Start.
    virtual QString Failure() const = 0;
};

// The default audio output of the system, through QAudioSink. Nothing touches the
// audio system before the first Start.
std::unique_ptr<IAudioOutput> MakeSystemAudioOutput();

} // namespace ravelin
