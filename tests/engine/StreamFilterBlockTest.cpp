// The block operation must give exactly the bits of Process, sample by sample, and
// leave the same state, whatever the split into blocks, the thread count or the
// instruction set. Process itself is checked against a plain shift register.

#include "engine/RavelinDoc.h"
#include "engine/StreamFilter.h"

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using ravelin::CStreamFilter;
using Simd = CStreamFilter::Simd;
using Signal = std::vector<double>;

std::uint64_t Bits(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// Empty when equal bit for bit, otherwise where and how they first differ.
std::string FirstDifference(const Signal& expected, const Signal& actual)
{
    if (expected.size() != actual.size())
        return "sizes " + std::to_string(expected.size()) + " and " + std::to_string(actual.size());
    if (std::memcmp(expected.data(), actual.data(), expected.size() * sizeof(double)) == 0)
        return {};
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (Bits(expected[i]) != Bits(actual[i])) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "sample %zu: expected %.17g (%016llx), got %.17g (%016llx)", i,
                          expected[i], static_cast<unsigned long long>(Bits(expected[i])),
                          actual[i], static_cast<unsigned long long>(Bits(actual[i])));
            return text;
        }
    return {};
}

// The textbook filter: shift the register, then add the products in tap order.
Signal ShiftRegisterFilter(const Signal& h, const Signal& x)
{
    Signal reg(h.size(), 0.0);
    Signal y;
    y.reserve(x.size());
    for (double v : x) {
        for (std::size_t k = reg.size() - 1; k >= 1; --k)
            reg[k] = reg[k - 1];
        reg[0] = v;
        double sum = 0.0;
        for (std::size_t k = 0; k < h.size(); ++k)
            sum += reg[k] * h[k];
        y.push_back(sum);
    }
    return y;
}

void Load(CStreamFilter& f, const Signal& h)
{
    ASSERT_EQ(f.SetLength(static_cast<int>(h.size())), 1);
    for (std::size_t k = 0; k < h.size(); ++k)
        f.SetCoef(static_cast<int>(k), h[k]);
}

Signal PerSample(CStreamFilter& f, const Signal& x)
{
    Signal y;
    for (double v : x)
        y.push_back(f.Process(v));
    return y;
}

// Feeds x in blocks of random lengths (empty ones included); in place when asked.
Signal InBlocks(CStreamFilter& f, const Signal& x, std::mt19937_64& rng, std::size_t maxBlock,
                bool inPlace)
{
    Signal y(x.size());
    Signal buffer = x;
    std::size_t i = 0;
    while (i < x.size()) {
        std::size_t n = std::uniform_int_distribution<std::size_t>(0, maxBlock)(rng);
        n = std::min(n, x.size() - i);
        if (inPlace) {
            f.ProcessBlock(buffer.data() + i, buffer.data() + i, n);
        } else {
            f.ProcessBlock(x.data() + i, y.data() + i, n);
        }
        i += n;
    }
    return inPlace ? buffer : y;
}

// Random coefficients; with zeros, about a third of the taps are 0.0 or -0.0.
Signal RandomTaps(std::size_t n, bool zeros, std::mt19937_64& rng)
{
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::uniform_int_distribution<int> pick(0, 5);
    Signal h(n);
    for (double& c : h) {
        const int p = pick(rng);
        c = zeros && p == 0 ? 0.0 : zeros && p == 1 ? -0.0 : value(rng);
    }
    return h;
}

// Sixteen-bit sample values, some scaled ones, and now and then a +0.0 or -0.0.
Signal RandomSignal(std::size_t n, std::mt19937_64& rng)
{
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::uniform_int_distribution<int> pick(0, 15);
    Signal x(n);
    for (double& v : x) {
        const int p = pick(rng);
        v = p == 0 ? 0.0 : p == 1 ? -0.0 : p == 2 ? sample(rng) * 1.0e-3 : sample(rng);
    }
    return x;
}

std::vector<Simd> SupportedSimd()
{
    std::vector<Simd> levels{Simd::Baseline};
    if (CStreamFilter::BestSimd() >= Simd::Avx2)
        levels.push_back(Simd::Avx2);
    if (CStreamFilter::BestSimd() >= Simd::Avx512)
        levels.push_back(Simd::Avx512);
    return levels;
}

const char* SimdName(Simd s)
{
    return s == Simd::Avx512 ? "avx512" : s == Simd::Avx2 ? "avx2" : "baseline";
}

// Random signal through Process and through ProcessBlock (random splits, separate
// and in-place arrays, 1 and 2 threads, every instruction set), then one more
// stretch to check the state each leaves behind.
void CheckAgainstProcess(const Signal& h, std::size_t length, std::size_t maxBlock,
                         std::uint64_t seed)
{
    std::mt19937_64 rng(seed);
    const Signal x = RandomSignal(length, rng);
    const Signal tail = RandomSignal(std::min<std::size_t>(length, 300) + 1, rng);

    CStreamFilter reference;
    Load(reference, h);
    const Signal expected = PerSample(reference, x);
    const Signal expectedTail = PerSample(reference, tail);
    if (h.size() <= 40) {
        ASSERT_EQ(FirstDifference(ShiftRegisterFilter(h, x), expected), "") << "Process itself";
    }

    for (Simd simd : SupportedSimd())
        for (int threads : {1, 2})
            for (bool inPlace : {false, true}) {
                SCOPED_TRACE(testing::Message()
                             << h.size() << " taps, " << SimdName(simd) << ", " << threads
                             << " thread(s)" << (inPlace ? ", in place" : ""));
                CStreamFilter f;
                Load(f, h);
                f.LimitSimd(simd);
                f.SetThreads(threads);
                EXPECT_EQ(FirstDifference(expected, InBlocks(f, x, rng, maxBlock, inPlace)), "");
                EXPECT_EQ(FirstDifference(expectedTail, PerSample(f, tail)), "") << "state after";
            }
}

TEST(StreamFilterBlock, ShortFiltersMatchProcessBitForBit)
{
    for (std::size_t n = 1; n <= 40; ++n)
        for (bool zeros : {false, true}) {
            std::mt19937_64 rng(1000 + n * 2 + zeros);
            CheckAgainstProcess(RandomTaps(n, zeros, rng), 700, 150, n);
        }
}

TEST(StreamFilterBlock, LongFiltersMatchProcessBitForBit)
{
    for (std::size_t n : {255u, 511u, 1024u})
        for (bool zeros : {false, true}) {
            std::mt19937_64 rng(2000 + n + zeros);
            CheckAgainstProcess(RandomTaps(n, zeros, rng), 3 * n + 2500, 4000, n);
        }
}

TEST(StreamFilterBlock, LongestFilterMatchesProcessBitForBit)
{
    for (bool zeros : {false, true}) {
        std::mt19937_64 rng(8193 + zeros);
        CheckAgainstProcess(RandomTaps(8193, zeros, rng), 8193 + 4000, 6000, 8193 + zeros);
    }
    // The longest user three-tap filter: only its three taps cost anything.
    Signal h(8193, 0.0);
    h[0] = 0.5;
    h[4096] = 0.25;
    h[8192] = 0.25;
    CheckAgainstProcess(h, 30000, 20000, 3);
}

// Every file-mode preset, loaded by the document, on sixteen-bit samples.
TEST(StreamFilterBlock, EveryFilePresetMatchesProcess)
{
    std::mt19937_64 rng(7);
    const Signal x = RandomSignal(40000, rng);
    for (int preset = ravelin::FILTER_PASS; preset < ravelin::FILTER_COUNT; ++preset) {
        SCOPED_TRACE(testing::Message() << "preset " << preset);
        ravelin::CRavelinDoc doc;
        doc.m_nFilterPreset = preset;
        doc.m_nUserTap = {0, 4096, 8192};
        doc.m_dUserCoef = {0.5, 0.25, 0.25};
        ASSERT_TRUE(doc.LoadFilePreset());
        CStreamFilter& f = doc.m_filter;
        Signal h;
        for (int k = 0; k < f.Length(); ++k)
            h.push_back(f.Coef(k));

        CStreamFilter reference;
        Load(reference, h);
        const Signal expected = PerSample(reference, x);
        Signal y(x.size());
        f.ProcessBlock(x.data(), y.data(), x.size()); // automatic threads
        EXPECT_EQ(FirstDifference(expected, y), "");
    }
}

TEST(StreamFilterBlock, BlocksAndSingleSamplesMixFreely)
{
    std::mt19937_64 rng(11);
    const Signal h = RandomTaps(300, true, rng);
    const Signal x = RandomSignal(20000, rng);
    CStreamFilter reference;
    Load(reference, h);
    const Signal expected = PerSample(reference, x);

    CStreamFilter f;
    Load(f, h);
    Signal y(x.size());
    std::size_t i = 0;
    while (i < x.size()) {
        if (rng() % 2) {
            y[i] = f.Process(x[i]);
            ++i;
        } else {
            const std::size_t n = std::min<std::size_t>(rng() % 3000, x.size() - i);
            f.ProcessBlock(&x[i], &y[i], n);
            i += n;
        }
    }
    EXPECT_EQ(FirstDifference(expected, y), "");
}

// The helper threads outlive a block; later blocks may want more or fewer of them.
TEST(StreamFilterBlock, ThreadCountsCanChangeBetweenBlocks)
{
    std::mt19937_64 rng(16);
    const Signal h = RandomTaps(200, true, rng);
    const Signal x = RandomSignal(60000, rng);
    CStreamFilter reference;
    Load(reference, h);
    const Signal expected = PerSample(reference, x);

    CStreamFilter f;
    Load(f, h);
    Signal y(x.size());
    const int counts[] = {2, 8, 1, 0, 3, 2, 0};
    std::size_t i = 0;
    for (int round = 0; i < x.size(); ++round) {
        f.SetThreads(counts[round % 7]);
        const std::size_t n = std::min<std::size_t>(x.size() - i, 5000 + 3000 * (round % 4));
        if (round % 3 == 2) { // in place
            std::copy(x.begin() + static_cast<std::ptrdiff_t>(i),
                      x.begin() + static_cast<std::ptrdiff_t>(i + n),
                      y.begin() + static_cast<std::ptrdiff_t>(i));
            f.ProcessBlock(&y[i], &y[i], n);
        } else {
            f.ProcessBlock(&x[i], &y[i], n);
        }
        i += n;
    }
    EXPECT_EQ(FirstDifference(expected, y), "");
}

TEST(StreamFilterBlock, CoefficientChangesBetweenBlocksTakeEffect)
{
    std::mt19937_64 rng(12);
    const Signal x = RandomSignal(6000, rng);
    CStreamFilter reference, f;
    Load(reference, RandomTaps(64, false, rng));
    Load(f, Signal(64, 0.0));
    for (int k = 0; k < 64; ++k)
        f.SetCoef(k, reference.Coef(k));
    Signal expected, y(x.size());
    for (std::size_t i = 0; i < 3000; ++i)
        expected.push_back(reference.Process(x[i]));
    f.ProcessBlock(x.data(), y.data(), 3000);
    // Zero some taps and change others: the block operation's tap lists follow.
    for (int k = 0; k < 64; k += 3) {
        reference.SetCoef(k, k % 2 ? -0.0 : 0.0);
        f.SetCoef(k, k % 2 ? -0.0 : 0.0);
    }
    reference.SetCoef(1, 3.5);
    f.SetCoef(1, 3.5);
    for (std::size_t i = 3000; i < x.size(); ++i)
        expected.push_back(reference.Process(x[i]));
    f.ProcessBlock(x.data() + 3000, y.data() + 3000, x.size() - 3000);
    EXPECT_EQ(FirstDifference(expected, y), "");

    // A new length starts from silence, as after Process.
    ASSERT_EQ(f.SetLength(5), 1);
    f.SetCoef(4, 1.0);
    Signal z(10);
    f.ProcessBlock(x.data(), z.data(), z.size());
    EXPECT_EQ(FirstDifference(Signal{0, 0, 0, 0, x[0], x[1], x[2], x[3], x[4], x[5]}, z), "");
}

TEST(StreamFilterBlock, EmptyFilterGivesSilence)
{
    const Signal x{1.0, -2.0, 3.0};
    CStreamFilter f;
    Signal y{9.0, 9.0, 9.0};
    f.ProcessBlock(x.data(), y.data(), x.size());
    EXPECT_EQ(FirstDifference(Signal{0.0, 0.0, 0.0}, y), "");

    ASSERT_EQ(f.SetLength(3), 1);
    EXPECT_EQ(f.SetLength(-1), 0);
    EXPECT_EQ(f.Length(), 0);
    y.assign(3, 9.0);
    f.ProcessBlock(x.data(), y.data(), x.size());
    EXPECT_EQ(FirstDifference(Signal{0.0, 0.0, 0.0}, y), "");
    f.ProcessBlock(nullptr, nullptr, 0);
}

// A zero tap may be skipped only while its product is a zero: an infinite input makes
// it NaN, which the sum must then carry as Process does.
TEST(StreamFilterBlock, InfiniteInputsReachZeroTapsAsInProcess)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::mt19937_64 rng(13);
    for (std::size_t n : {3u, 40u, 1024u}) {
        SCOPED_TRACE(testing::Message() << n << " taps");
        Signal h = RandomTaps(n, true, rng);
        h[n - 1] = 0.0;
        Signal x = RandomSignal(3 * n + 5000, rng);
        x[n / 2] = inf;
        x[x.size() / 2] = -inf;
        CStreamFilter reference;
        Load(reference, h);
        const Signal expected = PerSample(reference, x);
        ASSERT_TRUE(std::isnan(expected[n / 2 + n - 1])) << "the zero tap sees the infinity";
        for (int threads : {1, 2}) {
            CStreamFilter f;
            Load(f, h);
            f.SetThreads(threads);
            EXPECT_EQ(FirstDifference(expected, InBlocks(f, x, rng, 2000, false)), "");
        }
    }
}

TEST(StreamFilterBlock, NanInputsGiveNanWhereProcessDoes)
{
    std::mt19937_64 rng(14);
    Signal h = RandomTaps(50, true, rng);
    Signal x = RandomSignal(3000, rng);
    x[100] = std::numeric_limits<double>::quiet_NaN();
    CStreamFilter reference, f;
    Load(reference, h);
    Load(f, h);
    const Signal expected = PerSample(reference, x);
    Signal y(x.size());
    f.ProcessBlock(x.data(), y.data(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        ASSERT_EQ(std::isnan(expected[i]), std::isnan(y[i])) << "sample " << i;
        if (!std::isnan(expected[i])) {
            ASSERT_EQ(Bits(expected[i]), Bits(y[i])) << "sample " << i;
        }
    }
}

// Rounding downward, +0.0 + -0.0 is -0.0: zero taps count there.
TEST(StreamFilterBlock, OtherRoundingModesStillMatch)
{
    std::mt19937_64 rng(15);
    const Signal random = RandomTaps(37, true, rng);
    // The first output adds 1 * -0.0, then +0.0 from silence: -0.0 only when rounding down.
    const Signal fixed{-0.0, 0.5, 0.0, 0.25};
    Signal x = RandomSignal(5000, rng);
    x[0] = 1.0;
    for (const Signal* h : {&fixed, &random})
        for (int mode : {FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
            SCOPED_TRACE(testing::Message() << h->size() << " taps, rounding mode " << mode);
            ASSERT_EQ(std::fesetround(mode), 0);
            CStreamFilter reference, f;
            Load(reference, *h);
            Load(f, *h);
            f.SetThreads(2);
            const Signal expected = PerSample(reference, x);
            const Signal y = InBlocks(f, x, rng, 1000, false);
            std::fesetround(FE_TONEAREST);
            if (h == &fixed && mode == FE_DOWNWARD) {
                EXPECT_TRUE(expected[0] == 0.0 && std::signbit(expected[0]));
            }
            EXPECT_EQ(FirstDifference(expected, y), "");
        }
}

TEST(StreamFilterBlock, ChoosesAnInstructionSetTheProcessorHas)
{
    CStreamFilter f;
    EXPECT_EQ(f.ActiveSimd(), CStreamFilter::BestSimd());
    f.LimitSimd(Simd::Baseline);
    EXPECT_EQ(f.ActiveSimd(), Simd::Baseline);
    f.LimitSimd(Simd::Avx512);
    EXPECT_LE(f.ActiveSimd(), CStreamFilter::BestSimd());
    f.SetThreads(-3);
    EXPECT_EQ(f.Threads(), 0);
}

} // namespace
