// WAV files built in memory for the tests, the fuzz replay, the GUI tests and the
// benchmarks: one builder for all of them. Standard library only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ravelin::test {

using Bytes = std::vector<std::uint8_t>;

// Appends v little-endian in n bytes, or text.
inline void Put(Bytes& b, std::uint32_t v, int n = 4)
{
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void Put(Bytes& b, const std::string& text)
{
    for (char c : text)
        b.push_back(static_cast<std::uint8_t>(c));
}

// The fields of a "fmt " chunk; blockAlign -1 means channels * bits / 8.
struct Format {
    int tag = 1, channels = 1, rate = 8000, bits = 16, blockAlign = -1;
};

// The 44 bytes before the samples of a canonical WAV file whose data chunk declares
// dataSize bytes (the RIFF size counts the pad byte of an odd size).
inline Bytes WavHeaderBytes(const Format& f, std::uint32_t dataSize)
{
    const int align = f.blockAlign >= 0 ? f.blockAlign : f.channels * f.bits / 8;
    Bytes b;
    Put(b, "RIFF");
    Put(b, 36 + dataSize + (dataSize & 1));
    Put(b, "WAVEfmt ");
    for (const auto& [value, n] : {std::pair(16, 4),
                                   {f.tag, 2},
                                   {f.channels, 2},
                                   {f.rate, 4},
                                   {f.rate * align, 4},
                                   {align, 2},
                                   {f.bits, 2}})
        Put(b, static_cast<std::uint32_t>(value), n);
    Put(b, "data");
    Put(b, dataSize);
    return b;
}

// A canonical 44-byte-header WAV file, with the pad byte after data of odd size;
// declared, when given, is the data chunk's size, and no pad byte is added.
inline Bytes MakeWav(const Format& f, const Bytes& data, std::optional<std::uint32_t> declared = {})
{
    Bytes b = WavHeaderBytes(f, declared.value_or(static_cast<std::uint32_t>(data.size())));
    b.insert(b.end(), data.begin(), data.end());
    if (!declared && data.size() % 2 != 0)
        b.push_back(0);
    return b;
}

// Sample bytes: 16-bit little-endian, or 8-bit given as -128..127 (stored offset by 128).
inline Bytes Samples16(const std::vector<int>& samples)
{
    Bytes b;
    for (int s : samples)
        Put(b, static_cast<std::uint32_t>(s), 2);
    return b;
}
inline Bytes Samples8(const std::vector<int>& samples)
{
    Bytes b;
    for (int s : samples)
        b.push_back(static_cast<std::uint8_t>(s + 128));
    return b;
}

// A mono file of the given samples (-128..127 when bits is 8).
inline Bytes MonoWav(const std::vector<int>& samples, int bits = 16, int rate = 8000)
{
    return MakeWav({.rate = rate, .bits = bits},
                   bits == 8 ? Samples8(samples) : Samples16(samples));
}

} // namespace ravelin::test
