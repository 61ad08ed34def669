// Reading and writing the WAV header.
#include "files/WavHeader.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace ravelin {
namespace {

using test::Bytes;

struct Memory {
    explicit Memory(Bytes b) : bytes(std::move(b))
    {
        file = fmemopen(bytes.empty() ? nullptr : bytes.data(), bytes.size(), "rb");
    }
    ~Memory()
    {
        if (file)
            std::fclose(file);
    }
    Bytes bytes;
    std::FILE* file = nullptr;
};

// A header with the given fmt body and extra chunks before "data".
Bytes Build(const Bytes& fmtBody, const std::vector<std::pair<const char*, Bytes>>& extra,
            std::uint32_t dataSize = 4, bool padOdd = true)
{
    Bytes b;
    test::PutTag(b, "RIFF");
    test::PutU32(b, 1234);
    test::PutTag(b, "WAVE");
    test::PutTag(b, "fmt ");
    test::PutU32(b, static_cast<std::uint32_t>(fmtBody.size()));
    b.insert(b.end(), fmtBody.begin(), fmtBody.end());
    if (padOdd && fmtBody.size() % 2)
        b.push_back(0);
    for (const auto& [tag, body] : extra) {
        test::PutTag(b, tag);
        test::PutU32(b, static_cast<std::uint32_t>(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        if (padOdd && body.size() % 2)
            b.push_back(0);
    }
    test::PutTag(b, "data");
    test::PutU32(b, dataSize);
    b.insert(b.end(), {1, 2, 3, 4});
    return b;
}

Bytes FmtBody(std::size_t size)
{
    Bytes body;
    test::PutU16(body, 1);
    test::PutU16(body, 1);
    test::PutU32(body, 22050);
    test::PutU32(body, 44100);
    test::PutU16(body, 2);
    test::PutU16(body, 16);
    while (body.size() < size)
        body.push_back(0xAB);
    body.resize(size);
    return body;
}

int Read(const Bytes& b, CWavHeader& h, long* position = nullptr)
{
    Memory m(b);
    const int r = h.ReadWavHeader(m.file);
    if (position)
        *position = std::ftell(m.file);
    return r;
}

TEST(WavHeader, CanonicalHeaderIsKeptByteForByte)
{
    const Bytes file = test::MakeWav({1, 1, 44100, 16}, test::Samples16({1, -1, 300}));
    CWavHeader h;
    long pos = 0;
    ASSERT_EQ(Read(file, h, &pos), 0);
    EXPECT_EQ(pos, 44);
    EXPECT_TRUE(std::equal(h.Bytes().begin(), h.Bytes().end(), file.begin()));
    EXPECT_EQ(h.SampleRate(), 44100);
    EXPECT_EQ(h.DataSize(), 6u);
}

TEST(WavHeader, AcceptedLayouts)
{
    const Bytes list(26, 'L');
    const Bytes odd(5, 'o');
    struct Case {
        const char* name;
        Bytes file;
    };
    const Case cases[] = {
        {"LIST chunk", Build(FmtBody(16), {{"LIST", list}})},
        {"odd chunk with pad", Build(FmtBody(16), {{"JUNK", odd}})},
        {"several chunks", Build(FmtBody(16), {{"fact", Bytes(4, 0)}, {"LIST", list}, {"JUNK", odd}})},
        {"18-byte fmt", Build(FmtBody(18), {})},
        {"40-byte fmt", Build(FmtBody(40), {})},
        {"odd fmt with pad", Build(FmtBody(17), {})},
        {"chunk longer than the scratch", Build(FmtBody(16), {{"LIST", Bytes(1000, 'x')}})},
        {"fmt longer than the scratch", Build(FmtBody(300), {})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CWavHeader h;
        long pos = 0;
        ASSERT_EQ(Read(c.file, h, &pos), 0);
        EXPECT_EQ(static_cast<std::size_t>(pos), c.file.size() - 4);
        EXPECT_EQ(h.Channels(), 1);
        EXPECT_EQ(h.SampleRate(), 22050);
        EXPECT_EQ(h.BitsPerSample(), 16);
        EXPECT_EQ(h.DataSize(), 4u);
    }
    // A chunk before "fmt " is skipped too.
    Bytes junkFirst;
    test::PutTag(junkFirst, "RIFF");
    test::PutU32(junkFirst, 0);
    test::PutTag(junkFirst, "WAVE");
    test::PutTag(junkFirst, "JUNK");
    test::PutU32(junkFirst, 3);
    junkFirst.insert(junkFirst.end(), {9, 9, 9, 0});
    Bytes rest = Build(FmtBody(16), {});
    junkFirst.insert(junkFirst.end(), rest.begin() + 12, rest.end());
    CWavHeader h;
    EXPECT_EQ(Read(junkFirst, h), 0);
}

TEST(WavHeader, WrongFormats)
{
    Bytes rifx = Build(FmtBody(16), {});
    std::memcpy(rifx.data(), "RIFX", 4);
    Bytes lower = Build(FmtBody(16), {});
    std::memcpy(lower.data(), "riff", 4);
    Bytes wave = Build(FmtBody(16), {});
    std::memcpy(wave.data() + 8, "WAVf", 4);

    Bytes late; // "data" before "fmt "
    test::PutTag(late, "RIFF");
    test::PutU32(late, 0);
    test::PutTag(late, "WAVE");
    test::PutTag(late, "data");
    test::PutU32(late, 0);
    test::PutTag(late, "fmt ");
    test::PutU32(late, 16);
    const Bytes body = FmtBody(16);
    late.insert(late.end(), body.begin(), body.end());

    Bytes missing = Build(FmtBody(16), {});
    std::memcpy(missing.data() + 12, "fmx ", 4); // the only fmt chunk is now unknown

    const Bytes unpadded = Build(FmtBody(16), {{"JUNK", Bytes(5, 'o')}}, 4, false);

    const Bytes shortFmt = Build(FmtBody(14), {});
    for (const auto& [name, file] : {std::pair{"RIFX", rifx}, {"riff", lower}, {"WAVE", wave},
                                     {"late fmt", late}, {"missing fmt", missing},
                                     {"odd chunk without pad", unpadded}, {"fmt of 14", shortFmt}}) {
        CWavHeader h;
        EXPECT_EQ(Read(file, h), 1) << name;
    }
}

TEST(WavHeader, TruncatedAtEveryHeaderOffset)
{
    const Bytes full = Build(FmtBody(18), {{"LIST", Bytes(7, 'l')}});
    const std::size_t headerEnd = full.size() - 4;
    for (std::size_t n = 0; n < headerEnd; ++n) {
        CWavHeader h;
        EXPECT_EQ(Read(Bytes(full.begin(), full.begin() + static_cast<long>(n)), h), 1)
            << "cut at " << n;
    }
}

TEST(WavHeader, WriteNormalisesSizes)
{
    CWavHeader h;
    ASSERT_EQ(Read(Build(FmtBody(18), {{"LIST", Bytes(10, 'l')}}, 1000), h), 0);
    h.SetDataSize(6);
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    ASSERT_TRUE(h.WriteWavHeader(out));
    std::fclose(out);
    Bytes written(buffer, buffer + size);
    std::free(buffer);

    ASSERT_EQ(written.size(), 44u);
    Bytes expected;
    test::PutTag(expected, "RIFF");
    test::PutU32(expected, 36 + 6);
    test::PutTag(expected, "WAVE");
    test::PutTag(expected, "fmt ");
    test::PutU32(expected, 16);
    const Bytes body = FmtBody(16);
    expected.insert(expected.end(), body.begin(), body.end());
    test::PutTag(expected, "data");
    test::PutU32(expected, 6);
    EXPECT_EQ(written, expected);
}

TEST(WavHeader, TagEqualsIsExact)
{
    const std::uint8_t riff[] = {'R', 'I', 'F', 'F', 0};
    const std::uint8_t lower[] = {'r', 'i', 'f', 'f'};
    EXPECT_EQ(TagEquals(riff, "RIFF"), 0);
    EXPECT_EQ(TagEquals(lower, "RIFF"), 1);
    EXPECT_EQ(TagEquals(riff, "RIFX"), 1);
}

} // namespace
} // namespace ravelin
