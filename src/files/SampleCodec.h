#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ravelin {

// The values a sample of a mono WAV file takes, as the file run clamps to them.
struct SampleRange {
    std::int32_t lo;
    std::int32_t hi;
};
inline constexpr SampleRange kSampleRange8{-128, 127}; // the unsigned byte less 128
inline constexpr SampleRange kSampleRange16{-32768, 32767};

// For samples of width bytes, 1 or 2.
constexpr SampleRange SampleRangeOf(int width)
{
    return width == 1 ? kSampleRange8 : kSampleRange16;
}

static_assert(std::endian::native == std::endian::little,
              "the 16-bit samples are copied as they lie in the file");

// n samples of width bytes each (1 or 2) from a WAV file's data into integers.
template <typename Sample>
void DecodeSamples(const std::uint8_t* bytes, std::size_t n, int width, Sample* samples)
{
    if (width == 2) {
        for (std::size_t i = 0; i < n; ++i) {
            std::uint16_t v;
            std::memcpy(&v, bytes + 2 * i, 2);
            samples[i] = static_cast<std::int16_t>(v);
        }
        return;
    }
    for (std::size_t i = 0; i < n; ++i)
        samples[i] = static_cast<Sample>(static_cast<std::int32_t>(bytes[i]) - 128);
}

// The reverse, for samples within SampleRangeOf(width).
inline void EncodeSamples(const std::int32_t* samples, std::size_t n, int width,
                          std::uint8_t* bytes)
{
    if (width == 2) {
        for (std::size_t i = 0; i < n; ++i) {
            const auto v = static_cast<std::uint16_t>(samples[i]);
            std::memcpy(bytes + 2 * i, &v, 2);
        }
        return;
    }
    for (std::size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<std::uint8_t>(samples[i] + 128);
}

} // namespace ravelin
