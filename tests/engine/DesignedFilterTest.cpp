// Designed and loaded filters through the file run's sample filter: every path gives
// the plain sequential loop's samples, and the automatic choice of path takes the FFT
// for long dense designs.
#include "engine/FilterDesign.h"
#include "engine/RavelinDoc.h"
#include "engine/StreamFilter.h"
#include "files/CoefFile.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace ravelin {
namespace {

using Samples = std::vector<std::int32_t>;
using Path = CStreamFilter::SamplePath;

// The plain loop: y[n] = sum over k of h[k] x[n - k] from 0.0 in increasing k, then
// truncated toward zero and clamped; returns how many were clamped.
std::size_t PlainLoop(const std::vector<double>& h, const Samples& x, Samples& y, std::int32_t lo,
                      std::int32_t hi)
{
    std::size_t clamped = 0;
    y.assign(x.size(), 0);
    for (std::size_t n = 0; n < x.size(); ++n) {
        double sum = 0.0;
        for (std::size_t k = 0; k < h.size() && k <= n; ++k)
            sum += h[k] * static_cast<double>(x[n - k]);
        const double t = std::trunc(sum);
        clamped += t < lo || t > hi;
        y[n] = static_cast<std::int32_t>(std::clamp(t, double(lo), double(hi)));
    }
    return clamped;
}

// Full-scale square waves, loud clipped noise and lone full-scale impulses: outputs on
// and beyond the clamp, and near every jump of the truncation.
Samples EdgeSignal(std::int32_t lo, std::int32_t hi, std::size_t n, std::mt19937_64& rng)
{
    Samples x;
    std::normal_distribution<double> noise(0.0, 0.8 * hi);
    while (x.size() < n) {
        const std::size_t period = 2 + rng() % 300;
        for (std::size_t i = 0; i < 3000; ++i)
            x.push_back(i % period < period / 2 ? lo : hi);
        for (std::size_t i = 0; i < 3000; ++i)
            x.push_back(static_cast<std::int32_t>(std::clamp(noise(rng), double(lo), double(hi))));
        for (std::size_t i = 0; i < 3000; ++i)
            x.push_back(i % 701 == 0 ? (i % 2 ? lo : hi) : 0);
    }
    x.resize(n);
    return x;
}

DesignSpec RandomSpec(std::mt19937_64& rng)
{
    std::uniform_real_distribution<double> f(0.01, 0.49);
    DesignSpec s;
    s.type = static_cast<FilterType>(rng() % 4);
    s.window = static_cast<WindowKind>(rng() % 5);
    s.low = f(rng);
    s.high = f(rng);
    if (s.low > s.high)
        std::swap(s.low, s.high);
    s.high = std::max(s.high, s.low + 0.005);
    s.taps = 101 + static_cast<int>(rng() % 2400);
    if (NeedsOddLength(s.type))
        s.taps |= 1;
    s.beta = std::uniform_real_distribution<double>(0.0, 12.0)(rng);
    s.scale = rng() % 2 == 0;
    return s;
}

void Load(CStreamFilter& filter, const std::vector<double>& h)
{
    ASSERT_EQ(filter.SetLength(static_cast<int>(h.size())), 1);
    for (std::size_t k = 0; k < h.size(); ++k)
        filter.SetCoef(static_cast<int>(k), h[k]);
}

// x through ProcessSamples on each path, in blocks of random lengths.
void ExpectPlainLoop(const std::vector<double>& h, const Samples& x, std::int32_t lo,
                     std::int32_t hi, std::mt19937_64& rng, const std::string& what)
{
    Samples expected;
    const std::size_t expectedClamped = PlainLoop(h, x, expected, lo, hi);
    for (const Path path : {Path::Automatic, Path::Direct, Path::Fft}) {
        CStreamFilter filter;
        Load(filter, h);
        filter.ChooseSamplePath(path);
        Samples y(x.size());
        std::size_t clamped = 0;
        for (std::size_t i = 0, n = 0; i < x.size(); i += n) {
            n = std::min<std::size_t>(1 + rng() % 40000, x.size() - i);
            clamped += filter.ProcessSamples(&x[i], &y[i], n, lo, hi);
        }
        const auto diff = std::mismatch(expected.begin(), expected.end(), y.begin());
        ASSERT_TRUE(diff.first == expected.end())
            << what << ", path " << int(path) << ": sample " << (diff.first - expected.begin());
        EXPECT_EQ(clamped, expectedClamped) << what;
    }
}

TEST(DesignedFilter, RandomDesignsEqualThePlainLoopOnEveryPath)
{
    std::mt19937_64 rng(1001);
    for (int round = 0; round < 8; ++round) {
        const DesignSpec spec = RandomSpec(rng);
        const DesignResult d = DesignFilter(spec);
        ASSERT_EQ(d.error, DesignError::None) << DesignArguments(spec);
        const bool wide = round % 2 == 0;
        const std::int32_t lo = wide ? -32768 : -128, hi = wide ? 32767 : 127;
        ExpectPlainLoop(d.taps, EdgeSignal(lo, hi, 50000, rng), lo, hi, rng, DesignArguments(spec));
    }
}

TEST(DesignedFilter, LoadedFilesEqualThePlainLoopOnEveryPath)
{
    std::mt19937_64 rng(7);
    // Any numbers at all, not only designs: noise taps and a sparse long echo.
    std::vector<double> noise(777);
    std::normal_distribution<double> g(0.0, 0.05);
    for (double& v : noise)
        v = g(rng);
    std::vector<double> echo(3000, 0.0);
    echo[0] = 0.7;
    echo[2999] = 0.45;
    for (const auto& h : {noise, echo}) {
        const CoefFileResult loaded = ParseCoefficients(FormatCoefficients(h));
        ASSERT_EQ(loaded.taps, h);
        ExpectPlainLoop(loaded.taps, EdgeSignal(-32768, 32767, 40000, rng), -32768, 32767, rng,
                        std::to_string(h.size()) + " loaded taps");
    }
}

// The cost model weighs any taps: a long dense design takes the FFT, a short one and a
// sparse one the direct path; a document's custom filter is what the file run loads.
TEST(DesignedFilter, TheCostModelChoosesForDesignsToo)
{
    std::mt19937_64 rng(3);
    const Samples x = EdgeSignal(-32768, 32767, 1 << 16, rng);
    Samples y(x.size());
    DesignSpec spec;
    spec.taps = 1001;
    spec.window = WindowKind::Kaiser;
    spec.beta = KaiserBeta(80);
    spec.low = 1000.0 / 44100;
    CRavelinDoc doc;
    doc.m_nFilterPreset = kFilterPass;
    doc.UseCustomFilter(DesignFilter(spec).taps, "note");
    ASSERT_TRUE(doc.LoadFilePreset());
    ASSERT_EQ(doc.m_filter.Length(), 1001);
    doc.m_filter.ProcessSamples(x.data(), y.data(), x.size(), -32768, 32767);
    EXPECT_EQ(doc.m_filter.FftStats().samples, x.size());

    spec.taps = 7;
    doc.UseCustomFilter(DesignFilter(spec).taps, "note");
    ASSERT_TRUE(doc.LoadFilePreset());
    doc.m_filter.ProcessSamples(x.data(), y.data(), x.size(), -32768, 32767);
    EXPECT_EQ(doc.m_filter.FftStats().samples, 0u);

    // The settings dialog's OK makes the preset the filter again.
    doc.ApplySettings(doc.Settings());
    EXPECT_FALSE(doc.HasCustomFilter());
    ASSERT_TRUE(doc.LoadFilePreset());
    EXPECT_EQ(doc.m_filter.Length(), 1);
}

} // namespace
} // namespace ravelin
