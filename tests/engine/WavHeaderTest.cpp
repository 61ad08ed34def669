// Reading and writing the WAV header.
#include "files/WavHeader.h"

#include "support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
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

TEST(WavHeader, AcceptedAndRefusedLayouts)
{
    const Bytes plain = Build({Fmt(16)}), list(26, 'L'), odd(5, 'o');
    const Bytes stereo = test::WavHeaderBytes({1, 2, 8000, 8}, 0);
    const std::tuple<const char*, Bytes, bool> cases[] = {
        {"canonical", kCanonical, true},
        {"LIST chunk", Build({Fmt(16), {"LIST", list}}), true},
        {"odd chunk with pad", Build({Fmt(16), {"JUNK", odd}}), true},
        {"more chunks", Build({Fmt(16), {"fact", Bytes(4)}, {"LIST", list}, {"JUNK", odd}}), true},
        {"chunk before fmt", Build({{"JUNK", Bytes(3, 9)}, Fmt(16)}), true},
        {"18-byte fmt", Build({Fmt(18)}), true},
        {"40-byte fmt", Build({Fmt(40)}), true},
        {"odd fmt with pad", Build({Fmt(17)}), true},
        {"chunks longer than the scratch", Build({Fmt(300), {"LIST", Bytes(1000, 'x')}}), true},
        // The first "fmt " chunk holds; a second, here 8-bit stereo, is skipped.
        {"two fmt", Build({Fmt(16), {"fmt ", Bytes(stereo.begin() + 20, stereo.begin() + 36)}}),
         true},
        {"RIFX", Patched(plain, 0, "RIFX"), false},
        {"riff", Patched(plain, 0, "riff"), false},
        {"WAVf", Patched(plain, 8, "WAVf"), false},
        {"data before fmt", Build({{"data", {}}, Fmt(16)}), false},
        {"no fmt", Patched(plain, 12, "fmx "), false},
        {"fmt of 14 bytes", Build({Fmt(14)}), false},
        // Its pad byte makes 16 bytes to read, but the chunk says 15: still too short.
        {"fmt of 15 bytes with pad", Build({Fmt(15)}), false},
        {"odd chunk without pad", Build({Fmt(16), {"JUNK", odd}}, false), false},
        // The size plus its pad byte was once added in 32 bits: 0xFFFFFFFF + 1 wrapped to
        // 0, the chunk was skipped as empty and the "data" behind it accepted.
        {"chunk of 0xFFFFFFFF", Patched(Build({Fmt(16), {"junk", {}}}), 40, "\xFF\xFF\xFF\xFF"),
         false},
        {"chunk of 0xFFFFFFFE",
         Patched(Build({Fmt(16), {"junk", Bytes(300)}}), 40, "\xFE\xFF\xFF\xFF"), false},
    };
    Bytes canonical6 = test::MakeWav({1, 1, 22050, 16}, Bytes(6));
    canonical6.resize(44);
    for (const auto& [name, file, accepted] : cases) {
        WavHeader h;
        const long end = test::ReadHeader(file, h);
        ASSERT_EQ(end >= 0, accepted) << name;
        h.SetDataSize(6);
        // Written back, whatever the layout read: the canonical header, sizes normalised.
        EXPECT_TRUE(!accepted || (end + 4 == static_cast<long>(file.size()) &&
                                  test::WriteHeader(h) == canonical6))
            << name;
    }
    const Bytes full = Build({Fmt(18), {"LIST", Bytes(7, 'l')}});
    for (std::size_t n = 0; n < full.size() - 4; ++n) {
        WavHeader h;
        EXPECT_EQ(test::ReadHeader(Bytes(full.begin(), full.begin() + static_cast<long>(n)), h), -1)
            << n;
    }
}

} // namespace
} // namespace ravelin
