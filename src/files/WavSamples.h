#pragma once

#include "files/SampleCodec.h"

#include <cstdint>
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
