// The streaming filter: Process against a deliberately naive filter, the block
// operation against Process bit for bit (whatever the split into blocks, the thread
// count or the instruction set).
#include "engine/StreamFilter.h"

#include <cfenv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

namespace ravelin {

const char* SimdName(CStreamFilter::Simd simd)
{
    switch (simd) {
    case CStreamFilter::Simd::Baseline:
        return "Baseline";
    case CStreamFilter::Simd::Avx2:
        return "Avx2";
    case CStreamFilter::Simd::Avx512:
        return "Avx512";
    }
    return "Unknown";
}

// Names the instruction set in test names and messages.
void PrintTo(CStreamFilter::Simd simd, std::ostream* os)
{
    *os << SimdName(simd);
}

namespace {

using Signal = std::vector<double>;
using Simd = CStreamFilter::Simd;

// Deliberately naive: shift the whole register every sample, add the products in tap order.
Signal Naive(const Signal& h, const Signal& x)
{
    Signal reg(h.size(), 0.0), y;
    for (double v : x) {
        reg.insert(reg.begin(), v);
        reg.pop_back();
        double sum = 0.0;
        for (std::size_t k = 0; k < h.size(); ++k)
            sum += reg[k] * h[k];
        y.push_back(sum);
    }
    return y;
}

// Empty when equal bit for bit (NaN payloads aside), otherwise the first difference.
std::string Diff(const Signal& expected, const Signal& actual)
{
    if (expected.size() != actual.size())
        return "the sizes differ";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const double e = expected[i], a = actual[i];
        if (std::memcmp(&e, &a, sizeof e) != 0 && !(std::isnan(e) && std::isnan(a))) {
            std::ostringstream s;
            s << "sample " << i << ": expected " << std::hexfloat << e << ", got " << a;
            return s.str();
        }
    }
    return {};
}

// The filter of taps h. It has first filtered a block of silence with other taps
// (zeros among them), so the block operation must follow the SetCoef that came after.
std::unique_ptr<CStreamFilter> Filter(const Signal& h)
{
    auto f = std::make_unique<CStreamFilter>();
    EXPECT_EQ(f->SetLength(static_cast<int>(h.size())), 1);
    for (int k = 0; k < f->Length(); k += 2)
        f->SetCoef(k, 0.5);
    Signal silence(100, 0.0);
    f->ProcessBlock(silence.data(), silence.data(), silence.size());
    for (std::size_t k = 0; k < h.size(); ++k)
        f->SetCoef(static_cast<int>(k), h[k]);
    return f;
}

Signal PerSample(CStreamFilter& f, const Signal& x)
{
    Signal y;
    for (double v : x)
        y.push_back(f.Process(v));
    return y;
}

// n values in [-scale, scale), of which about the share zeros are +0.0 or -0.0.
Signal Random(std::size_t n, double zeros, double scale, std::mt19937_64& rng)
{
    std::uniform_real_distribution<double> u(0.0, 1.0), value(-scale, scale);
    Signal x(n);
    for (double& v : x) {
        const double p = u(rng);
        v = p < zeros / 2 ? 0.0 : p < zeros ? -0.0 : value(rng);
    }
    return x;
}

// Feeds x in blocks of random lengths (empty ones too), now and then one sample through
// Process instead, and the last 300 all through Process, which must find the state the
// blocks left. With varyThreads a new thread count (0 = automatic) before each block.
Signal InBlocks(CStreamFilter& f, const Signal& x, std::mt19937_64& rng, std::size_t maxBlock,
                bool inPlace, bool varyThreads = false)
{
    Signal y = inPlace ? x : Signal(x.size(), 12345.0);
    for (std::size_t i = 0, n = 1; i < x.size(); i += n) {
        if (i + 300 >= x.size() || rng() % 8 == 0) {
            y[i] = f.Process(x[i]);
            n = 1;
            continue;
        }
        n = std::min<std::size_t>(rng() % (maxBlock + 1), x.size() - 300 - i);
        if (varyThreads)
            f.SetThreads(static_cast<int>(rng() % 4));
        f.ProcessBlock(inPlace ? &y[i] : &x[i], &y[i], n);
    }
    return y;
}

// One instruction set of the block operation; one the processor lacks is reported as
// skipped, by name.
class StreamFilterBlockSimd : public testing::TestWithParam<Simd> {
  protected:
    void SetUp() override
    {
        if (GetParam() > CStreamFilter::BestSimd())
            GTEST_SKIP() << "this processor lacks the " << SimdName(GetParam())
                         << " instruction set (the best it has is "
                         << SimdName(CStreamFilter::BestSimd()) << ")";
    }
};

// The widest instruction set that the processor and the system report, found apart from
// the program's own detection: the kernel lists in /proc/cpuinfo only what it saves.
std::optional<Simd> ReportedSimd()
{
#if defined(__x86_64__)
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);)
        if (line.starts_with("flags")) {
            std::istringstream words(line.substr(line.find(':') + 1));
            const std::set<std::string> flags{std::istream_iterator<std::string>(words), {}};
            return flags.contains("avx512f") ? Simd::Avx512
                   : flags.contains("avx2")  ? Simd::Avx2
                                             : Simd::Baseline;
        }
    return std::nullopt;
#else
    return Simd::Baseline;
#endif
}

TEST(StreamFilterBlock, UsesTheWidestInstructionSetReported)
{
    const std::optional<Simd> reported = ReportedSimd();
    if (!reported)
        GTEST_SKIP() << "/proc/cpuinfo lists no processor flags";
    EXPECT_EQ(CStreamFilter::BestSimd(), *reported);
    CStreamFilter f;
    EXPECT_EQ(f.ActiveSimd(), *reported); // no cap by default
    f.LimitSimd(Simd::Avx2);
    EXPECT_EQ(f.ActiveSimd(), std::min(Simd::Avx2, *reported));
}

// Process against the naive filter, then the block operation on the instruction set
// on 1, 2 and changing thread counts, apart and in place.
TEST_P(StreamFilterBlockSimd, MatchesProcessBitForBit)
{
    const Simd simd = GetParam();
    std::mt19937_64 rng(1);
    std::vector<std::pair<std::size_t, double>> filters; // taps, share of zero taps
    for (std::size_t n = 1; n <= 40; ++n)
        filters.insert(filters.end(), {{n, 0.0}, {n, 0.3}});
    for (std::size_t n : {255, 511, 1024, 8193}) // up to the longest user three-tap filter
        filters.insert(filters.end(), {{n, 0.0}, {n, 0.3}, {n, 0.999}});
    for (const auto& [taps, zeros] : filters) {
        const Signal h = Random(taps, zeros, 1.0, rng);
        const Signal x = Random(taps < 100 ? 1000 : taps + 4300, 0.1, 32768.0, rng);
        const Signal expected = PerSample(*Filter(h), x);
        ASSERT_EQ(Diff(Naive(h, x), expected), "") << taps << " taps: Process itself";
        for (int threads : {1, 2, 0})
            for (bool inPlace : {false, true}) {
                const auto f = Filter(h);
                f->LimitSimd(simd);
                f->SetThreads(threads);
                const std::size_t longest = taps < 100 ? 150 : 6000;
                const Signal y = InBlocks(*f, x, rng, longest, inPlace, threads == 0);
                EXPECT_EQ(Diff(expected, y), "") << taps << " taps, zeros " << zeros << ", threads "
                                                 << threads << ", in place " << inPlace;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(, StreamFilterBlockSimd,
                         testing::Values(Simd::Baseline, Simd::Avx2, Simd::Avx512),
                         [](const testing::TestParamInfo<Simd>& tested) {
                             return std::string(SimdName(tested.param));
                         });

// A zero tap may be skipped only while its product is a zero that cannot change the
// sum: an infinite input makes it NaN, and rounding downward +0.0 + -0.0 is -0.0.
TEST(StreamFilterBlock, ZeroTapsCountWhereProcessCountsThem)
{
    std::mt19937_64 rng(3);
    const Signal taps[] = {
        {-0.0, 0.5, 0.0, 0.25}, Random(40, 0.3, 1.0, rng), Random(1024, 0.3, 1.0, rng)};
    for (const Signal& h : taps)
        for (int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD, FE_TOWARDZERO}) {
            Signal x = Random(3 * h.size() + 3000, 0.1, 32768.0, rng);
            x[0] = 1.0;
            x[h.size() + 1] = std::numeric_limits<double>::infinity();
            x[x.size() / 2] = -std::numeric_limits<double>::infinity();
            x[x.size() / 3] = std::numeric_limits<double>::quiet_NaN();
            const auto f = Filter(h);
            f->SetThreads(2);
            ASSERT_EQ(std::fesetround(mode), 0);
            const Signal expected = PerSample(*Filter(h), x), y = InBlocks(*f, x, rng, 1000, false);
            std::fesetround(FE_TONEAREST);
            if (&h == &taps[0]) { // the cases exist: 1 * -0.0 first, inf * 0.0 later
                EXPECT_EQ(std::signbit(expected[0]), mode == FE_DOWNWARD);
                EXPECT_TRUE(std::isnan(expected[h.size() + 1]));
            }
            EXPECT_EQ(Diff(expected, y), "") << h.size() << " taps, rounding mode " << mode;
        }
}

TEST(StreamFilter, SetLengthSetCoefAndEmpty)
{
    CStreamFilter f;
    const Signal x{1.0, -2.0};
    Signal y{9.0, 9.0};
    EXPECT_EQ(f.Process(5.0), 0.0); // empty: silence, and no memory touched
    f.ProcessBlock(x.data(), y.data(), 2);
    EXPECT_EQ(y, (Signal{0.0, 0.0}));
    EXPECT_EQ(f.SetCoef(0, 1.0), 0);

    ASSERT_EQ(f.SetLength(3), 1);
    EXPECT_EQ(std::tuple(f.SetCoef(3, 1.0), f.SetCoef(-1, 1.0), f.SetCoef(2, 1.0)),
              std::tuple(0, 0, 1));
    EXPECT_EQ(PerSample(f, {4.0, 5.0, 6.0}), (Signal{0, 0, 4.0})); // h[2]: two steps ago

    // A second SetLength keeps nothing of the first: coefficients and delay line.
    ASSERT_EQ(f.SetLength(3), 1);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(f.Coef(k), 0.0);
        f.SetCoef(k, 1.0);
    }
    f.ProcessBlock(x.data(), y.data(), 2);
    EXPECT_EQ(y, (Signal{1.0, -1.0}));

    EXPECT_EQ(f.SetLength(-1), 0);
    EXPECT_EQ(std::pair(f.Length(), f.Process(1.0)), std::pair(0, 0.0));
}

} // namespace
} // namespace ravelin
