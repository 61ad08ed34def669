// ProcessSamples against Process one sample at a time, truncated and clamped: the FFT
// path on signals built to sit on the jumps of the conversion (full scale, exact
// integers, the clamp edges), split into blocks anywhere and in place; the choice of
// path; the fallbacks; and proof that the recheck is what makes the FFT path exact.
#include "engine/FftBlock.h"
#include "engine/FftwWisdom.h"
#include "engine/FilterDesign.h"
#include "engine/RavelinDoc.h"
#include "engine/StreamFilter.h"
#include "engine/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <fftw3.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <mutex>
#include <random>
#include <sched.h>
#include <sstream>
#include <thread>
#include <tuple>
#include <vector>

namespace ravelin {
namespace {

using Samples = std::vector<std::int32_t>;
using Taps = std::vector<double>;
using Path = CStreamFilter::SamplePath;

struct Range {
    std::int32_t lo, hi;
};
constexpr Range k16{-32768, 32767};
constexpr Range k8{-128, 127};

struct Result {
    Samples y;
    std::size_t clamped = 0;
    std::size_t first = SIZE_MAX;
    std::vector<std::size_t> at; // every clamped output
};

// Empty when equal, otherwise the first difference.
std::string Diff(const Result& expected, const Result& actual)
{
    std::ostringstream s;
    if (expected.y.size() != actual.y.size())
        return "the lengths differ";
    for (std::size_t i = 0; i < expected.y.size(); ++i)
        if (expected.y[i] != actual.y[i]) {
            s << "sample " << i << ": expected " << expected.y[i] << ", got " << actual.y[i];
            return s.str();
        }
    if (expected.clamped != actual.clamped || expected.first != actual.first) {
        s << "clamped " << actual.clamped << " from " << actual.first << ", expected "
          << expected.clamped << " from " << expected.first;
        return s.str();
    }
    if (expected.at != actual.at)
        return "the clamped outputs are elsewhere";
    return {};
}

void Load(CStreamFilter& f, const Taps& h)
{
    ASSERT_EQ(f.SetLength(static_cast<int>(h.size())), 1);
    for (std::size_t k = 0; k < h.size(); ++k)
        f.SetCoef(static_cast<int>(k), h[k]);
}

// Output i from the sum y: truncated toward zero and clamped, NaN to lo, written out
// plainly.
void Convert(double y, Range r, std::size_t i, Result& out)
{
    const double t = std::isnan(y) ? r.lo - 1.0 : std::trunc(y);
    out.y[i] = static_cast<std::int32_t>(std::clamp(t, double(r.lo), double(r.hi)));
    if (!(t < r.lo || t > r.hi))
        return;
    if (out.clamped++ == 0)
        out.first = i;
    out.at.push_back(i);
}

// Process per sample, then truncation toward zero and clamping.
Result Reference(const Taps& h, const Samples& x, Range r)
{
    CStreamFilter f;
    Load(f, h);
    Result out;
    out.y.resize(x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        Convert(f.Process(x[i]), r, i, out);
    return out;
}

// x through ProcessSamples in blocks of random lengths up to maxBlock (empty ones too),
// apart or in place; the last 300 samples one at a time through Process, which must
// find the state the blocks left.
Result InBlocks(CStreamFilter& f, const Samples& x, Range r, std::mt19937_64& rng,
                std::size_t maxBlock, bool inPlace)
{
    Result out;
    out.y = inPlace ? x : Samples(x.size(), 12345);
    const std::size_t tail = std::min<std::size_t>(300, x.size());
    for (std::size_t i = 0, n = 0; i < x.size() - tail; i += n) {
        n = std::min<std::size_t>(rng() % (maxBlock + 1), x.size() - tail - i);
        std::size_t first = 99999999;
        std::vector<std::uint8_t> flags(n, 2);
        const std::size_t c = f.ProcessSamples(inPlace ? &out.y[i] : &x[i], &out.y[i], n, r.lo,
                                               r.hi, &first, flags.data());
        if (c > 0 && out.clamped == 0)
            out.first = i + first;
        out.clamped += c;
        for (std::size_t k = 0; k < n; ++k) {
            if (flags[k] == 1)
                out.at.push_back(i + k);
            else if (flags[k] != 0)
                out.at.push_back(SIZE_MAX); // left unset: never equal to the reference
        }
    }
    for (std::size_t i = x.size() - tail; i < x.size(); ++i)
        Convert(f.Process(x[i]), r, i, out);
    return out;
}

// x through ProcessSamples in one block, with the clamp flags.
Result Whole(CStreamFilter& f, const Samples& x, Range r)
{
    Result out;
    out.y.resize(x.size());
    std::vector<std::uint8_t> flags(x.size(), 2);
    out.clamped =
        f.ProcessSamples(x.data(), out.y.data(), x.size(), r.lo, r.hi, &out.first, flags.data());
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i] != 0)
            out.at.push_back(flags[i] == 1 ? i : SIZE_MAX); // 2: left unset
    return out;
}

// Until the plans a dense filter's first block asked for are made.
void WaitForPlans(const CStreamFilter& f)
{
    while (f.FftPlanning())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void Append(Samples& x, std::size_t n, auto value)
{
    for (std::size_t i = 0; i < n; ++i)
        x.push_back(static_cast<std::int32_t>(value(i)));
}

struct Edges {
    Samples x;
    std::vector<std::size_t> onJump; // outputs whose exact value is 1 or -1
};

// Signals on the edges, one after the other, for a symmetric filter h whose centre tap
// times `exact` is 1: full-scale square waves of several periods (period 2 alternates lo
// and hi every sample), clipped noise, impulses of any size up to full scale, long
// silence, impulses of multiples of `exact`, each giving an exact integer output, and
// three impulses -a, +-exact, a, spaced so that the outer two meet equal taps: their
// products cancel exactly, but the centre's 1 is added between them, so the sequential
// sum may round to just below 1 (or just above -1) and truncate to 0.
Edges EdgeSignal(const Taps& h, Range r, std::mt19937_64& rng)
{
    const std::size_t N = h.size(), c = (N - 1) / 2;
    const auto exact = static_cast<std::int32_t>(std::lround(1.0 / h[c]));
    Edges e;
    Samples& x = e.x;
    for (std::size_t period : {2, 3, 64, 509, 4096})
        Append(x, 5000, [&](std::size_t i) { return i % period < period / 2 ? r.lo : r.hi; });
    std::normal_distribution<double> noise(0.0, 1.2 * r.hi);
    Append(x, 20000,
           [&](std::size_t) { return std::clamp(noise(rng), double(r.lo), double(r.hi)); });
    std::uniform_int_distribution<std::int32_t> any(r.lo, r.hi);
    Append(x, 20000, [&](std::size_t i) {
        return i % 97 == 0 ? any(rng) : i % 211 == 0 ? (i % 2 ? r.lo : r.hi) : 0;
    });
    Append(x, 15000, [](std::size_t) { return 0; });
    const std::size_t spacing = N + 7;
    Append(x, 60 * spacing, [&](std::size_t i) {
        if (i % spacing != 0)
            return 0;
        const std::int32_t k = static_cast<std::int32_t>(rng() % (r.hi / exact)) + 1;
        return (i / spacing) % 2 ? k * exact : -k * exact;
    });
    for (int event = 0; event < 60; ++event) {
        // |a h| < 1, so that adding 1 rounds.
        std::size_t j = 1 + rng() % c;
        while (h[c - j] == 0.0)
            j = 1 + rng() % c;
        const auto most =
            static_cast<std::uint64_t>(std::min(0.999 / std::fabs(h[c - j]), double(r.hi)));
        const auto a = static_cast<std::int32_t>(1 + rng() % std::max<std::uint64_t>(most, 1));
        const std::size_t t0 = x.size();
        const std::int32_t sign = event % 2 ? 1 : -1;
        x.resize(t0 + 2 * N + 7, 0);
        x[t0] = -a;
        x[t0 + j] = sign * exact;
        x[t0 + 2 * j] = a;
        e.onJump.push_back(t0 + j + c);
    }
    Append(x, 1000, [](std::size_t) { return 0; }); // the last of them before the tail
    return e;
}

// Every low-pass preset, 16-bit and 8-bit, on the FFT path with blocks of any length
// (1 sample up to several segments), apart and in place, on one, two and the automatic
// number of threads, and in each instruction set's lanes; then the automatic path on
// the file run's blocks.
TEST(SampleFilter, LowPassPresetsMatchProcessOnTheEdges)
{
    std::mt19937_64 rng(12);
    for (int preset : {kFilterLpf4, kFilterLpf8, kFilterLpf20}) {
        const Taps h = FilterTaps(preset);
        for (Range r : {k16, k8}) {
            const Edges edges = EdgeSignal(h, r, rng);
            const Samples& x = edges.x;
            const Result expected = Reference(h, x, r);
            ASSERT_GT(expected.clamped, 0u) << "the signal reaches the clamp edges";
            std::size_t belowOne = 0;
            for (std::size_t i : edges.onJump)
                belowOne += expected.y[i] == 0;
            ASSERT_GT(belowOne, 0u) << "the sequential sum falls short of some exact +-1";
            ASSERT_LT(belowOne, edges.onJump.size()) << "and reaches others";
            for (int threads : {1, 2, 0})
                for (bool inPlace : {false, true}) {
                    CStreamFilter f;
                    Load(f, h);
                    f.ChooseSamplePath(Path::Fft);
                    f.SetThreads(threads);
                    const std::size_t maxBlock = threads == 1 ? 3000 : 40000;
                    EXPECT_EQ(Diff(expected, InBlocks(f, x, r, rng, maxBlock, inPlace)), "")
                        << "preset " << preset << ", range " << r.hi << ", threads " << threads
                        << ", in place " << inPlace;
                    const FftStatistics stats = f.FftStats();
                    EXPECT_EQ(stats.samples, x.size() - 300);
                    EXPECT_GE(stats.rechecked, 120u) << "every exact-integer output";
                    // The figure FftBlock.cpp works out for 16 bits, 256 times smaller
                    // for 8 bits (the margin grows with the largest sample).
                    const double documented = (preset == kFilterLpf4   ? 1e-4
                                               : preset == kFilterLpf8 ? 7e-5
                                                                       : 5e-5) /
                                              (r.hi == k16.hi ? 1.0 : 256.0);
                    EXPECT_NEAR(stats.margin, documented, 0.25 * documented);
                }
            // The steps around the transforms in the narrower instruction sets' lanes.
            for (const auto simd : {CStreamFilter::Simd::Baseline, CStreamFilter::Simd::Avx2}) {
                CStreamFilter f;
                Load(f, h);
                f.ChooseSamplePath(Path::Fft);
                f.LimitSimd(simd);
                EXPECT_EQ(Diff(expected, InBlocks(f, x, r, rng, 40000, true)), "")
                    << "preset " << preset << ", range " << r.hi << ", instruction set "
                    << static_cast<int>(simd);
            }
            CStreamFilter f;
            Load(f, h);
            f.Anticipate(70000, r.lo, r.hi);
            WaitForPlans(f);
            EXPECT_EQ(Diff(expected, InBlocks(f, x, r, rng, 70000, false)), "");
            EXPECT_GT(f.FftStats().samples, 0u) << "dense: the FFT path by itself";
        }
    }
}

// Taps of 1/256: every output is a multiple of 1/256, computed exactly by the sequential
// sum, so loud noise lands exactly on many integers, lo - 1 and hi + 1 included, while
// the FFT's rounding errors are at their largest.
Taps Dyadic()
{
    return Taps(512, 1.0 / 256.0);
}

// Noise that keeps the dyadic filter's output near hi + 1, then near lo - 1 (where the
// clamp flag jumps), then anywhere at full scale.
Samples LoudNoise(Range r, std::size_t n, std::mt19937_64& rng)
{
    Samples x;
    const std::int32_t d = r.hi / 1000 + 3;
    std::uniform_int_distribution<std::int32_t> aboveHi((r.hi + 1) / 2 - d, (r.hi + 1) / 2 + d),
        belowLo((r.lo - 1) / 2 - d, (r.lo - 1) / 2 + d), any(r.lo, r.hi);
    Append(x, n, [&](std::size_t i) {
        const std::size_t phase = i / 5000 % 3;
        return phase == 0 ? aboveHi(rng) : phase == 1 ? belowLo(rng) : any(rng);
    });
    return x;
}

// Exact integers and the clamp edges at full scale give the FFT path its result, in
// place too; and the seam that weakens the margin shows that these tests catch an FFT
// path without its recheck (scale 0), or with a margin below the FFT's errors.
TEST(SampleFilter, ExactAtTheJumpsOnlyWithTheWorkedOutMargin)
{
    std::mt19937_64 rng(8);
    const Taps lpf4 = FilterTaps(kFilterLpf4), dyadic = Dyadic();
    const Samples impulses = EdgeSignal(lpf4, k16, rng).x;
    const Samples loud = LoudNoise(k16, 60000, rng);
    for (const auto& [h, x, scale] :
         {std::tuple(&lpf4, &impulses, 0.0), {&dyadic, &loud, 0.0}, {&dyadic, &loud, 1e-8}}) {
        const Result expected = Reference(*h, *x, k16);
        for (double s : {scale, 1.0}) {
            CStreamFilter f;
            Load(f, *h);
            f.ChooseSamplePath(Path::Fft);
            f.ScaleFftMargin(s);
            const std::string diff = Diff(expected, InBlocks(f, *x, k16, rng, 20000, s == 1.0));
            if (s == 1.0)
                EXPECT_EQ(diff, "") << h->size() << " taps, the margin as worked out";
            else
                EXPECT_NE(diff, "") << h->size() << " taps, margin scaled by " << s;
        }
    }
}

// Sums that overflow to +-inf, come out NaN, or carry a margin of half a unit or more,
// and a range whose clamp flag jumps at 0: the forced FFT path clamps exactly as
// Process's sums say, through a recheck or by standing aside for the direct path.
TEST(SampleFilter, HugeNonFiniteAndOddRangesMatchProcess)
{
    std::mt19937_64 rng(9);
    Taps huge(512);
    for (double& t : huge)
        t = rng() % 2 ? 1e300 : -1e300;
    Taps withNan = Dyadic(), withInf = Dyadic();
    withNan[300] = std::numeric_limits<double>::quiet_NaN();
    withInf[7] = -std::numeric_limits<double>::infinity();
    Taps quiet = Dyadic(); // huge taps far from the newest samples, silent inputs up to them
    quiet[400] = 1e300;
    quiet[401] = -1e300;
    for (Range r : {k16, k8}) {
        const Samples loud = LoudNoise(r, 30000, rng);
        Samples late = loud;
        std::fill(late.begin(), late.begin() + 20000, 0);
        for (const auto& [name, h, x] : {std::tuple("+-1e300", &huge, &loud),
                                         {"a NaN tap", &withNan, &loud},
                                         {"an infinite tap", &withInf, &late},
                                         {"1e300 late", &quiet, &late}}) {
            const Result expected = Reference(*h, *x, r);
            for (int threads : {1, 2}) {
                CStreamFilter f;
                Load(f, *h);
                f.ChooseSamplePath(Path::Fft);
                f.SetThreads(threads);
                EXPECT_EQ(Diff(expected, InBlocks(f, *x, r, rng, 20000, false)), "")
                    << name << ", range " << r.hi << ", threads " << threads;
            }
        }
    }
    // Samples of 32 bits put the dyadic filter's margin past half a unit: the direct path.
    const Range wide{INT32_MIN, INT32_MAX};
    Samples x = LoudNoise(k16, 20000, rng);
    for (std::int32_t& v : x)
        v *= 65536;
    const Result expected = Reference(Dyadic(), x, wide);
    CStreamFilter f;
    Load(f, Dyadic());
    f.ChooseSamplePath(Path::Fft);
    EXPECT_EQ(Diff(expected, InBlocks(f, x, wide, rng, 20000, false)), "");
    EXPECT_EQ(f.FftStats().samples, 0u);

    // Samples of [1, 100], where 0 is a jump of the clamp flag and sums of alternating
    // taps land on it exactly: the FFT path gives the direct path's outputs.
    Taps alternating(512);
    for (std::size_t k = 0; k < alternating.size(); ++k)
        alternating[k] = k % 2 ? -1.0 / 256 : 1.0 / 256;
    Samples positive(40000);
    for (std::size_t i = 0; i < positive.size(); ++i)
        positive[i] = i / 3000 % 2 ? 1 + static_cast<std::int32_t>(rng() % 100) : 50;
    Result byPath[2];
    for (Path path : {Path::Direct, Path::Fft}) {
        CStreamFilter g;
        Load(g, alternating);
        g.ChooseSamplePath(path);
        byPath[path == Path::Fft] = Whole(g, positive, {1, 100});
    }
    EXPECT_EQ(Diff(byPath[0], byPath[1]), "");
}

// The first clamped output of a long block lies far from its start, in a later piece of
// the direct path and a later segment of the FFT path, and a later clamp in another
// thread's segment does not take its place.
TEST(SampleFilter, FirstClampedIsCountedFromTheBlockStart)
{
    const Taps h = FilterTaps(kFilterLpf8);
    Samples x(200000, 0);
    for (std::size_t burst : {150001, 190000})
        std::fill(x.begin() + burst, x.begin() + burst + 300, k16.hi);
    const Result expected = Reference(h, x, k16);
    ASSERT_TRUE(expected.clamped > 300 && expected.first > 150000) << "both bursts clamp";
    for (Path path : {Path::Direct, Path::Fft})
        for (int threads : {1, 2}) {
            CStreamFilter f;
            Load(f, h);
            f.ChooseSamplePath(path);
            f.SetThreads(threads);
            EXPECT_EQ(Diff(expected, Whole(f, x, k16)), "")
                << "FFT " << (path == Path::Fft) << ", threads " << threads;
        }
}

// A one-tap filter (pass-through, a gain) skips the block operation: its outputs, its
// clamping and the state it leaves are Process's, in blocks of any length, in place too;
// also for inputs beyond the range, which the pass-through clamps without a product.
TEST(SampleFilter, OneTapFiltersMatchProcess)
{
    std::mt19937_64 rng(3);
    for (Range signal : {k16, k8}) {
        Samples x = LoudNoise(signal, 5000, rng);
        x.insert(x.begin() + 10, {signal.lo, 127, -128, 128, -129, signal.hi});
        for (Range r : {k16, k8})
            for (double gain : {1.0, 1.5, -0.75, 0.0})
                for (bool inPlace : {false, true}) {
                    CStreamFilter f;
                    Load(f, {gain});
                    EXPECT_EQ(Diff(Reference({gain}, x, r), InBlocks(f, x, r, rng, 3000, inPlace)),
                              "")
                        << "signal " << signal.hi << ", range " << r.hi << ", gain " << gain
                        << ", in place " << inPlace;
                }
    }
}

// The file run's blocks: the low-pass presets and a long dense design take the FFT path
// by themselves, the sparse and the short ones stay on the direct kernels; the settings
// dialog's OK makes the preset the file run's filter again.
TEST(SampleFilter, DenseFiltersTakeTheFftPath)
{
    std::mt19937_64 rng(2);
    const Samples x = LoudNoise(k16, 65536, rng);
    Samples y(x.size());
    // A second block, once the plans the first one asked for are made.
    const auto viaFft = [&](CRavelinDoc& doc) {
        EXPECT_TRUE(doc.LoadFilePreset());
        doc.m_filter.ProcessSamples(x.data(), y.data(), x.size(), k16.lo, k16.hi);
        WaitForPlans(doc.m_filter);
        const std::uint64_t before = doc.m_filter.FftStats().samples;
        doc.m_filter.ProcessSamples(x.data(), y.data(), x.size(), k16.lo, k16.hi);
        return doc.m_filter.FftStats().samples - before == x.size();
    };
    for (int preset = kFilterPass; preset <= kFilterUser3; ++preset) {
        CRavelinDoc doc;
        doc.m_nFilterPreset = preset;
        doc.m_nUserTap = {0, 4096, 8192};
        doc.m_dUserCoef = {0.5, 0.25, 0.25};
        EXPECT_EQ(viaFft(doc), preset >= kFilterLpf4 && preset <= kFilterLpf20)
            << "preset " << preset;
    }
    DesignSpec spec;
    spec.window = WindowKind::Kaiser;
    spec.beta = KaiserBeta(80);
    spec.low = 1000.0 / 44100;
    CRavelinDoc doc;
    doc.m_nFilterPreset = kFilterPass;
    for (const int taps : {1001, 7}) {
        spec.taps = taps;
        doc.UseCustomFilter(DesignFilter(spec).taps, "design");
        EXPECT_EQ(viaFft(doc), taps == 1001) << taps << " designed taps";
    }
    doc.ApplySettings(doc.Settings());
    EXPECT_FALSE(doc.HasCustomFilter());
    ASSERT_TRUE(doc.LoadFilePreset());
    EXPECT_EQ(doc.m_filter.Length(), 1);
}

// Random window-method designs of every type and window, up to 2,500 taps, scaled or
// not: every path gives Process's outputs at full scale, in blocks of any length.
// The wisdom the build made is taken by the FFTW the program runs with and holds a plan
// for every size it was made for, both ways: otherwise each run would plan its
// transforms again, which costs more than filtering a short file.
TEST(SampleFilter, TheBuildsFftwWisdomHoldsEveryPlannedSize)
{
    if (!kFftwWisdom[0] || kFftwWisdom[0][0] == '\0')
        GTEST_SKIP() << "built without wisdom (a cross build)";
    if (kFftwWisdomCpu != FftwCpuFeatures())
        GTEST_SKIP() << "the wisdom was made on a processor with other instruction sets";
    const std::lock_guard lock(FftwPlannerMutex());
    for (int log2 = kWisdomMinLog2; log2 <= kWisdomMaxLog2; ++log2) {
        // Each size's wisdom alone, as a run takes it.
        fftw_forget_wisdom();
        ASSERT_EQ(fftw_import_wisdom_from_string(kFftwWisdom[log2 - kWisdomMinLog2]), 1);
        const int size = 1 << log2;
        double* real = fftw_alloc_real(static_cast<std::size_t>(size));
        fftw_complex* spectrum = fftw_alloc_complex(static_cast<std::size_t>(size / 2 + 1));
        const unsigned flags = FFTW_ESTIMATE | FFTW_WISDOM_ONLY;
        fftw_plan forward = fftw_plan_dft_r2c_1d(size, real, spectrum, flags);
        fftw_plan backward = fftw_plan_dft_c2r_1d(size, spectrum, real, flags);
        EXPECT_TRUE(forward && backward) << size;
        if (forward)
            fftw_destroy_plan(forward);
        if (backward)
            fftw_destroy_plan(backward);
        fftw_free(real);
        fftw_free(spectrum);
    }
}

TEST(SampleFilter, RandomDesignsMatchProcessOnEveryPath)
{
    std::mt19937_64 rng(1001);
    std::uniform_real_distribution<double> f(0.01, 0.49);
    for (int round = 0; round < 8; ++round) {
        DesignSpec spec;
        spec.type = static_cast<FilterType>(rng() % 4);
        spec.window = static_cast<WindowKind>(rng() % 5);
        spec.low = f(rng);
        spec.high = f(rng);
        if (spec.low > spec.high)
            std::swap(spec.low, spec.high);
        spec.high = std::max(spec.high, spec.low + 0.005);
        spec.taps = 101 + static_cast<int>(rng() % 2400);
        if (NeedsOddLength(spec.type))
            spec.taps |= 1;
        spec.beta = std::uniform_real_distribution<double>(0.0, 12.0)(rng);
        spec.scale = rng() % 2 == 0;
        const DesignResult d = DesignFilter(spec);
        ASSERT_EQ(d.error, DesignError::None) << DesignArguments(spec);
        const Range r = round % 2 ? k8 : k16;
        const Samples x = LoudNoise(r, 30000, rng);
        const Result expected = Reference(d.taps, x, r);
        for (const Path path : {Path::Automatic, Path::Direct, Path::Fft}) {
            CStreamFilter filter;
            Load(filter, d.taps);
            filter.ChooseSamplePath(path);
            EXPECT_EQ(Diff(expected, InBlocks(filter, x, r, rng, 40000, false)), "")
                << DesignArguments(spec) << ", path " << int(path);
        }
    }
}

// The FFT path stands aside, and the direct one gives Process's results, where its margin
// would not hold: an input outside [lo, hi], a delay line holding larger values (from
// Process), a rounding mode other than to nearest.
TEST(SampleFilter, FallsBackWhereTheMarginDoesNotHold)
{
    std::mt19937_64 rng(4);
    const Taps h = FilterTaps(kFilterLpf8);
    Samples x = LoudNoise(k16, 20000, rng);
    for (int mode : {FE_TONEAREST, FE_UPWARD}) {
        for (int c = 0; c < 3; ++c) {
            Samples in = x;
            if (c == 1)
                in[7777] = 40000;
            CStreamFilter expected, f;
            Load(expected, h);
            Load(f, h);
            f.ChooseSamplePath(Path::Fft);
            if (c == 2) {
                EXPECT_EQ(expected.Process(1e6), f.Process(1e6));
            }
            ASSERT_EQ(std::fesetround(mode), 0);
            Result want;
            want.y.resize(in.size());
            for (std::size_t i = 0; i < in.size(); ++i)
                Convert(expected.Process(in[i]), k16, i, want);
            const Result got = Whole(f, in, k16);
            std::fesetround(FE_TONEAREST);
            EXPECT_EQ(Diff(want, got), "") << "case " << c << ", rounding mode " << mode;
            EXPECT_EQ(f.FftStats().samples, mode == FE_TONEAREST && c == 0 ? in.size() : 0u)
                << "case " << c << ", rounding mode " << mode;
        }
    }
}

// A dense filter's first block goes directly, a piece at a time, while another thread
// makes the FFT's plans, and through the FFT from where they are ready: outputs, clamp
// flags and the first clamp as Process's across the change; the next block all by FFT.
TEST(SampleFilter, FiltersDirectlyWhileThePlansAreMade)
{
    std::mt19937_64 rng(10);
    const Taps h = FilterTaps(kFilterLpf4);
    const Samples x = LoudNoise(k16, 400000, rng); // milliseconds of direct work
    Samples first(x.begin(), x.begin() + 300000), second(x.begin() + 300000, x.end());
    const Result expected = Reference(h, x, k16);
    ASSERT_GT(expected.clamped, 0u);
    // The plans come in before the first block's end, unless the machine is so busy that
    // their thread gets no time for milliseconds: then a new filter tries again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        CStreamFilter f;
        Load(f, h);
        Result got = Whole(f, first, k16);
        const std::uint64_t firstViaFft = f.FftStats().samples;
        EXPECT_LT(firstViaFft, first.size()) << "the first piece went directly";
        WaitForPlans(f);
        const Result rest = Whole(f, second, k16);
        EXPECT_EQ(f.FftStats().samples - firstViaFft, second.size());
        got.y.insert(got.y.end(), rest.y.begin(), rest.y.end());
        for (std::size_t i : rest.at)
            got.at.push_back(i == SIZE_MAX ? i : i + first.size());
        if (got.first == SIZE_MAX && rest.first != SIZE_MAX)
            got.first = rest.first + first.size();
        got.clamped += rest.clamped;
        EXPECT_EQ(Diff(expected, got), "");
        if (firstViaFft > 0)
            break;
        EXPECT_LT(attempt, 4) << "the plans never came in before the block's end";
    }

    // Told of the blocks to come, a filter has its plans made before the first of them,
    // and the taps' transform with them, unless a tap changed meanwhile.
    for (bool change : {false, true}) {
        CStreamFilter told;
        Load(told, h);
        told.Anticipate(second.size(), k16.lo, k16.hi);
        Taps now = h;
        if (change) {
            now[3] = 0.25;
            told.SetCoef(3, now[3]);
        }
        WaitForPlans(told);
        EXPECT_EQ(Diff(Reference(now, second, k16), Whole(told, second, k16)), "")
            << "a tap changed while planning: " << change;
        EXPECT_EQ(told.FftStats().samples, second.size());
    }
}

// Starting the planning thread leaves the caller's own processors as they were, also
// where the thread is done before the caller has placed it (likely once FFTW's planner
// has started, as planning again is then quick).
TEST(SampleFilter, ThePlanningThreadLeavesTheCallersProcessors)
{
    cpu_set_t before;
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    const Taps h = FilterTaps(kFilterLpf4);
    for (int i = 0; i < 50; ++i) {
        CStreamFilter f;
        Load(f, h);
        f.Anticipate(65536, k16.lo, k16.hi);
        WaitForPlans(f);
        cpu_set_t after;
        ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
        ASSERT_TRUE(CPU_EQUAL(&before, &after)) << "round " << i;
    }
}

// Filters on several threads at once each make their plans (FFTW's planner is not
// thread-safe) and filter alike.
TEST(SampleFilter, FiltersOnSeveralThreadsAtOnce)
{
    std::mt19937_64 rng(6);
    const Samples x = LoudNoise(k16, 30000, rng);
    const int presets[] = {kFilterLpf4, kFilterLpf8, kFilterLpf20, kFilterLpf4};
    std::vector<Result> expected;
    for (int preset : presets)
        expected.push_back(Reference(FilterTaps(preset), x, k16));
    std::vector<Result> got(std::size(presets));
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < std::size(presets); ++t)
        threads.emplace_back([&, t] {
            CRavelinDoc doc;
            doc.m_nFilterPreset = presets[t];
            doc.LoadFilePreset();
            doc.m_filter.ChooseSamplePath(Path::Fft);
            got[t] = Whole(doc.m_filter, x, k16);
        });
    for (std::thread& t : threads)
        t.join();
    for (std::size_t t = 0; t < std::size(presets); ++t)
        EXPECT_EQ(Diff(expected[t], got[t]), "") << "thread " << t;
}

// The threads of this process, as the system lists them.
std::size_t ThreadsNow()
{
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

// The pool's helpers work beside their caller, never on its processor, wherever the
// caller runs: a caller held to one processor, then to another, after their start.
TEST(SampleFilter, HelpersWorkBesideTheCaller)
{
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    if (CPU_COUNT(&all) < 2)
        GTEST_SKIP() << "a single processor to run on: nowhere beside the caller";
    std::vector<int> processors;
    for (int c = 0; c < CPU_SETSIZE && processors.size() < 2; ++c)
        if (CPU_ISSET(c, &all))
            processors.push_back(c);
    WorkerPool pool;
    pool.Start(2); // the helper may run wherever the caller may now
    for (int here : processors) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(here, &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
        // Each participant notes its processor, then waits (a second at most) for the
        // other, so that both take part.
        std::atomic<int> arrived{0};
        int where[2] = {-1, -1};
        auto body = [&](int worker) {
            where[worker] = sched_getcpu();
            arrived.fetch_add(1);
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (arrived.load() < 2 && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
        };
        pool.Run(2, body);
        EXPECT_EQ(where[0], here);
        EXPECT_NE(where[1], -1) << "the helper took part";
        EXPECT_NE(where[1], here) << "on another processor than the caller's " << here;
    }
    sched_setaffinity(0, sizeof all, &all);
}

// Helpers that end two jobs in a row well after the caller (their processors busy with
// other work) are left out of the next jobs: the caller goes on alone for a while.
TEST(SampleFilter, LateHelpersAreLeftOutForAWhile)
{
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    if (CPU_COUNT(&all) < 2)
        GTEST_SKIP() << "a single processor to run on: no helper works beside the caller";
    WorkerPool pool;
    pool.Start(2);
    // Each job: the caller waits (up to wait) for the helper to take part, which then
    // keeps its part for hold; whether it took part.
    const auto job = [&](std::chrono::milliseconds hold, std::chrono::milliseconds wait) {
        std::atomic<bool> helped{false};
        auto body = [&](int worker) {
            if (worker == 1) {
                helped = true;
                std::this_thread::sleep_for(hold);
                return;
            }
            const auto until = std::chrono::steady_clock::now() + wait;
            while (!helped && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
        };
        pool.Run(2, body);
        return helped.load();
    };
    EXPECT_TRUE(job(std::chrono::milliseconds(0), std::chrono::seconds(1)));
    EXPECT_TRUE(job(std::chrono::milliseconds(3), std::chrono::seconds(1)));
    EXPECT_TRUE(job(std::chrono::milliseconds(3), std::chrono::seconds(1)));
    EXPECT_FALSE(job(std::chrono::milliseconds(0), std::chrono::milliseconds(50)))
        << "left out after two late ends";
}

// A helper thread costs more to hand work to than it saves on a block of a few FFT
// segments, which the caller's thread filters alone; a file run's block takes helpers.
TEST(SampleFilter, HelperThreadsOnlyForBlocksWorthSharing)
{
    if (!std::filesystem::is_directory("/proc/self/task"))
        GTEST_SKIP() << "no /proc/self/task to count this process's threads in";
    if (std::thread::hardware_concurrency() < 2)
        GTEST_SKIP() << "a single processor: no helper thread is ever started";
    std::mt19937_64 rng(7);
    const Samples x = LoudNoise(k16, 65536, rng);
    Samples y(x.size());
    CRavelinDoc doc;
    doc.m_nFilterPreset = kFilterLpf4;
    ASSERT_TRUE(doc.LoadFilePreset());
    doc.m_filter.ChooseSamplePath(CStreamFilter::SamplePath::Fft); // no planning thread
    const std::size_t before = ThreadsNow();
    // Three segments of the low-pass filter's FFT: not worth a helper's hand-off.
    for (int b = 0; b < 8; ++b)
        doc.m_filter.ProcessSamples(x.data(), y.data(), 8192, k16.lo, k16.hi);
    EXPECT_EQ(doc.m_filter.FftStats().samples, 8u * 8192) << "every block by FFT";
    EXPECT_EQ(ThreadsNow(), before) << "short blocks on the caller's thread";
    doc.m_filter.ProcessSamples(x.data(), y.data(), x.size(), k16.lo, k16.hi);
    EXPECT_GT(ThreadsNow(), before) << "helpers for a long block";
}

} // namespace
} // namespace ravelin
