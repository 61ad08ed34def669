// The averaged spectrum of a signal fed block by block.

#include "engine/WelchAverage.h"

#include "engine/FilterResponse.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <vector>

namespace ravelin {
namespace {

std::vector<std::int32_t> Sine(std::size_t n, double cyclesPerSample, double amplitude)
{
    std::vector<std::int32_t> s(n);
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<std::int32_t>(std::lround(
            amplitude * std::sin(2.0 * std::numbers::pi * cyclesPerSample * double(i))));
    return s;
}

std::vector<double> Fed(const std::vector<std::int32_t>& signal, std::size_t segment,
                        const std::vector<std::size_t>& blocks)
{
    SpectrumAccumulator acc(32768.0, segment);
    std::size_t at = 0;
    for (std::size_t b = 0; at < signal.size(); ++b) {
        const std::size_t n = std::min(blocks[b % blocks.size()], signal.size() - at);
        acc.Add(signal.data() + at, n);
        at += n;
    }
    return acc.ResultDb();
}

TEST(Spectrum, AnyBlockSplitGivesTheSameResult)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> value(-32768, 32767);
    std::vector<std::int32_t> signal(10000);
    for (auto& v : signal)
        v = value(random);
    const std::vector<double> whole = Fed(signal, 256, {signal.size()});
    ASSERT_EQ(whole.size(), 129u);
    for (const std::vector<std::size_t>& split :
         {std::vector<std::size_t>{1}, {127, 128, 129}, {255, 1, 3000}, {256}, {512, 7}}) {
        SCOPED_TRACE(split.front());
        EXPECT_EQ(Fed(signal, 256, split), whole); // bit for bit
    }
}

TEST(Spectrum, SineReadsItsAmplitudeInItsBinAndLittleElsewhere)
{
    // Half full scale at bin 64 of 1024: -6.02 dB there.
    const std::vector<double> db = Fed(Sine(48000, 64.0 / 1024.0, 16384.0), 1024, {4096});
    ASSERT_EQ(db.size(), 513u);
    EXPECT_NEAR(db[64], 20.0 * std::log10(0.5), 0.01);
    // The Hann window's main lobe is bins 63..65 (-6 dB beside the centre).
    EXPECT_NEAR(db[63], db[64] - 6.02, 0.05);
    EXPECT_NEAR(db[65], db[64] - 6.02, 0.05);
    for (std::size_t k = 0; k < db.size(); ++k)
        if (k < 60 || k > 68) {
            EXPECT_LT(db[k], -85.0) << "bin " << k;
        }
}

TEST(Spectrum, WhiteNoiseIsFlatAtItsExpectedLevel)
{
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 1000.0);
    std::vector<std::int32_t> signal(400000);
    for (auto& v : signal)
        v = static_cast<std::int32_t>(std::lround(noise(random)));
    const std::size_t segment = 512;
    const std::vector<double> db = Fed(signal, segment, {1000});
    // E|X|^2 = sigma^2 * sum of w^2 = sigma^2 * 3N/8 for the periodic Hann window.
    const double sigma2 = 1000.0 * 1000.0 + 1.0 / 12.0;
    const double expected = 10.0 * std::log10(sigma2 * 3.0 * double(segment) / 8.0) +
                            20.0 * std::log10(2.0 / (double(segment) / 2.0 * 32768.0));
    double mean = 0.0;
    for (std::size_t k = 1; k + 1 < db.size(); ++k) {
        EXPECT_NEAR(db[k], expected, 1.0) << "bin " << k; // about 1500 segments averaged
        mean += db[k];
    }
    EXPECT_NEAR(mean / double(db.size() - 2), expected, 0.1);
}

TEST(Spectrum, ShortSilentAndEmptySignals)
{
    SpectrumAccumulator empty(32768.0, 64);
    EXPECT_TRUE(empty.ResultDb().empty());

    SpectrumAccumulator silent(32768.0, 64);
    const std::vector<std::int32_t> zeros(1000, 0);
    silent.Add(zeros.data(), zeros.size());
    for (double v : silent.ResultDb())
        EXPECT_EQ(v, kFloorDb);

    // Fewer samples than a segment: one shorter window, still calibrated.
    SpectrumAccumulator shortOne(32768.0, 4096);
    const std::vector<std::int32_t> sine = Sine(1024, 256.0 / 4096.0, 32767.0);
    shortOne.Add(sine.data(), sine.size());
    EXPECT_EQ(shortOne.Segments(), 0u);
    const std::vector<double> db = shortOne.ResultDb();
    ASSERT_EQ(db.size(), 2049u);
    EXPECT_NEAR(db[256], 0.0, 0.01);

    // One sample: no window to speak of, and no division by its zero sum.
    SpectrumAccumulator single(32768.0, 64);
    const std::int32_t one = 32767;
    single.Add(&one, 1);
    for (double v : single.ResultDb())
        EXPECT_TRUE(std::isfinite(v));
}

} // namespace
} // namespace ravelin
