// Headers the fuzzers found mishandled, kept as readable cases (the raw inputs stay in
// tests/fuzz/corpus as regress-*).

#include "files/WavHeader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ravelin {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// "RIFF" "WAVE", a mono 16-bit "fmt ", one chunk "junk" declaring junkSize bytes but
// holding junkHeld, then "data" with two samples.
Bytes WithJunk(std::uint32_t junkSize, std::size_t junkHeld)
{
    Bytes b = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
               16, 0, 0, 0, 1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0,
               'j', 'u', 'n', 'k'};
    Put32(b, junkSize);
    b.insert(b.end(), junkHeld, 'x');
    for (char c : std::string("data"))
        b.push_back(static_cast<std::uint8_t>(c));
    Put32(b, 4);
    b.insert(b.end(), {1, 0, 2, 0});
    return b;
}

int Read(Bytes bytes, long* position = nullptr)
{
    std::FILE* f = ::fmemopen(bytes.data(), bytes.size(), "rb");
    EXPECT_NE(f, nullptr);
    if (!f)
        return -1;
    CWavHeader header;
    const int result = header.ReadWavHeader(f);
    if (position)
        *position = std::ftell(f);
    std::fclose(f);
    return result;
}

// The size plus its pad byte was added in 32 bits: 0xFFFFFFFF + 1 wrapped to 0 and the
// chunk was skipped as empty, so the "data" behind it was accepted.
TEST(WavChunkRegression, ChunkDeclaringFourGigabytesIsNotAnEmptyChunk)
{
    EXPECT_EQ(Read(WithJunk(0xFFFFFFFFu, 0)), 1);
    EXPECT_EQ(Read(WithJunk(0xFFFFFFFEu, 0)), 1);
    EXPECT_EQ(Read(WithJunk(0xFFFFFFFFu, 300)), 1);
}

TEST(WavChunkRegression, OddChunksStillSkipTheirPadByte)
{
    long position = 0;
    EXPECT_EQ(Read(WithJunk(3, 4), &position), 0);
    EXPECT_EQ(position, 36 + 8 + 4 + 8);
    EXPECT_EQ(Read(WithJunk(3, 3)), 1); // the pad byte is missing: "data" is misread
}

} // namespace
} // namespace ravelin
