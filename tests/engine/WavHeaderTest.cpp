// Reading and writing the WAV header.
#include "files/WavHeader.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <tuple>

namespace ravelin {
namespace {

using test::Bytes;
using Chunk = std::pair<const char*, Bytes>;

// A canonical mono 16-bit file of 22050 samples a second and four data bytes.
const Bytes kCanonical = test::MakeWav({1, 1, 22050, 16}, {1, 2, 3, 4});

// Its "fmt " chunk, cut or extended to size bytes.
Chunk Fmt(std::size_t size)
{
    Bytes b(kCanonical.begin() + 20, kCanonical.begin() + 36);
    b.resize(size, 0xAB);
    return {"fmt ", b};
}

// "RIFF" "WAVE", the chunks (odd ones padded unless told not to), then its "data".
Bytes Build(const std::vector<Chunk>& chunks, bool pad = true)
{
    Bytes b(kCanonical.begin(), kCanonical.begin() + 12);
    for (const auto& [tag, body] : chunks) {
        test::Put(b, tag);
        test::Put(b, static_cast<std::uint32_t>(body.size()));
        b.insert(b.end(), body.begin(), body.end());
        if (pad && body.size() % 2)
            b.push_back(0);
    }
    b.insert(b.end(), kCanonical.end() - 12, kCanonical.end());
    return b;
}

// The bytes with four of them at offset at replaced.
Bytes Patched(Bytes b, std::size_t at, const char* four)
{
    std::memcpy(&b[at], four, 4);
    return b;
}

int Read(Bytes b, CWavHeader& h, long* position = nullptr)
{
    b.reserve(b.size() + 1); // fmemopen wants a buffer even for no bytes
    std::FILE* f = ::fmemopen(b.data(), b.size(), "rb");
    const int result = h.ReadWavHeader(f);
    if (position)
        *position = std::ftell(f);
    std::fclose(f);
    return result;
}

Bytes Write(const CWavHeader& h)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    EXPECT_TRUE(h.WriteWavHeader(out));
    std::fclose(out);
    const Bytes written(buffer, buffer + size);
    std::free(buffer);
    return written;
}

TEST(WavHeader, AcceptedAndRefusedLayouts)
{
    const Bytes plain = Build({Fmt(16)}), list(26, 'L'), odd(5, 'o');
    const std::tuple<const char*, Bytes, int> cases[] = {
        {"canonical", kCanonical, 0},
        {"LIST chunk", Build({Fmt(16), {"LIST", list}}), 0},
        {"odd chunk with pad", Build({Fmt(16), {"JUNK", odd}}), 0},
        {"several chunks", Build({Fmt(16), {"fact", Bytes(4)}, {"LIST", list}, {"JUNK", odd}}), 0},
        {"chunk before fmt", Build({{"JUNK", Bytes(3, 9)}, Fmt(16)}), 0},
        {"18-byte fmt", Build({Fmt(18)}), 0},
        {"40-byte fmt", Build({Fmt(40)}), 0},
        {"odd fmt with pad", Build({Fmt(17)}), 0},
        {"chunks longer than the scratch", Build({Fmt(300), {"LIST", Bytes(1000, 'x')}}), 0},
        {"RIFX", Patched(plain, 0, "RIFX"), 1},
        {"riff", Patched(plain, 0, "riff"), 1},
        {"WAVf", Patched(plain, 8, "WAVf"), 1},
        {"data before fmt", Build({{"data", {}}, Fmt(16)}), 1},
        {"no fmt", Patched(plain, 12, "fmx "), 1},
        {"fmt of 14 bytes", Build({Fmt(14)}), 1},
        {"odd chunk without pad", Build({Fmt(16), {"JUNK", odd}}, false), 1},
        // The size plus its pad byte was once added in 32 bits: 0xFFFFFFFF + 1 wrapped to
        // 0, the chunk was skipped as empty and the "data" behind it accepted.
        {"chunk of 0xFFFFFFFF", Patched(Build({Fmt(16), {"junk", {}}}), 40, "\xFF\xFF\xFF\xFF"), 1},
        {"chunk of 0xFFFFFFFE", Patched(Build({Fmt(16), {"junk", Bytes(300)}}), 40, "\xFE\xFF\xFF\xFF"), 1},
    };
    Bytes canonical6 = test::MakeWav({1, 1, 22050, 16}, Bytes(6));
    canonical6.resize(44);
    for (const auto& [name, file, result] : cases) {
        CWavHeader h;
        long position = 0;
        ASSERT_EQ(Read(file, h, &position), result) << name;
        h.SetDataSize(6);
        // Written back, whatever the layout read: the canonical header, sizes normalised.
        EXPECT_TRUE(result || (position == static_cast<long>(file.size()) - 4 && Write(h) == canonical6))
            << name;
    }
    const Bytes full = Build({Fmt(18), {"LIST", Bytes(7, 'l')}});
    for (std::size_t n = 0; n < full.size() - 4; ++n) {
        CWavHeader h;
        EXPECT_EQ(Read(Bytes(full.begin(), full.begin() + static_cast<long>(n)), h), 1) << "cut at " << n;
    }
}

} // namespace
} // namespace ravelin
