#pragma once

#include "files/SampleCodec.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ravelin {

// All the samples of a mono 8- or 16-bit WAV file, for the waveforms and their playback.
struct WavSamples {
    int sampleRate = 0;
    int bits = 0;                      // 8 or 16
    std::vector<std::int16_t> samples; // 8-bit files: the byte minus 128
    std::int16_t Lo() const { return static_cast<std::int16_t>(SampleRangeOf(bits / 8).lo); }
    std::int16_t Hi() const { return static_cast<std::int16_t>(SampleRangeOf(bits / 8).hi); }
};

enum class WavReadResult { Ok, CantOpen, WrongFormat, OutOfMemory };

// Reads the header with WavHeader and then the samples that are present, in whole
// samples, at most as many as the header declares.
WavReadResult ReadWavSamples(const std::string& path, WavSamples& out);

// `count` samples of path from sample `first` on, in the demonstration's units:
// sample / 32768 for 16 bits, (byte - 128) / 128 for 8 bits; zeros past the last
// sample the file has. Seeks, so a long file costs no more than a short one.
WavReadResult ReadScaledSamples(const std::string& path, std::uint64_t first, std::size_t count,
                                std::vector<double>& out);

// The sample rate from the header of path; 0 when it is no WAV file or cannot be read.
int ReadWavSampleRate(const std::string& path);

} // namespace ravelin

namespace ravelin {

class WavInput;

// The samples of a mono 8- or 16-bit WAV file read where they are asked for, a few at a
// time, for the waveform views and playback: nothing of the file is held in memory. It
// keeps reading the file it opened, whatever happens to the name afterwards.
class WavSampleReader {
  public:
    WavSampleReader();
    ~WavSampleReader();
    WavSampleReader(const WavSampleReader&) = delete;
    WavSampleReader& operator=(const WavSampleReader&) = delete;

    // False when the file cannot be opened or is not one the file run accepts.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_input != nullptr; }

    int SampleRate() const { return m_sampleRate; }
    int Bits() const { return m_bits; }
    std::uint64_t Count() const { return m_count; }

    // Up to n samples from sample first on (8-bit centred on 0); how many were read,
    // fewer at the end of the file or on a read error.
    std::size_t Read(std::uint64_t first, std::int32_t* out, std::size_t n) const;

  private:
    std::unique_ptr<WavInput> m_input;
    int m_sampleRate = 0;
    int m_bits = 0;
    std::uint64_t m_count = 0;
};

} // namespace ravelin
