// The streaming filter and the file-mode presets.
#include "engine/RavelinDoc.h"
#include "engine/StreamFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace ravelin {
namespace {

// Deliberately plain: shift the whole history every sample.
std::vector<double> NaiveFir(const std::vector<double>& h, const std::vector<double>& x)
{
    std::vector<double> history(h.size(), 0.0);
    std::vector<double> y;
    for (double s : x) {
        for (std::size_t k = history.size(); k-- > 1;)
            history[k] = history[k - 1];
        history[0] = s;
        double sum = 0.0;
        for (std::size_t k = 0; k < h.size(); ++k)
            sum += history[k] * h[k];
        y.push_back(sum);
    }
    return y;
}

TEST(StreamFilter, MatchesPlainConvolutionBitForBit)
{
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> dist(-32768.0, 32767.0);
    for (int n : {1, 2, 3, 7, 10, 64, 511}) {
        std::vector<double> h(n);
        for (auto& c : h)
            c = dist(rng) / 40000.0;
        std::vector<double> x(700);
        for (auto& s : x)
            s = std::trunc(dist(rng));
        CStreamFilter f;
        ASSERT_EQ(f.SetLength(n), 1);
        for (int k = 0; k < n; ++k)
            ASSERT_EQ(f.SetCoef(k, h[k]), 1);
        const auto expected = NaiveFir(h, x);
        for (std::size_t i = 0; i < x.size(); ++i)
            ASSERT_EQ(f.Process(x[i]), expected[i]) << "taps " << n << " sample " << i;
    }
}

TEST(StreamFilter, SetLengthSetCoefAndEmpty)
{
    CStreamFilter f;
    EXPECT_EQ(f.Process(5.0), 0.0); // empty: nothing to touch
    EXPECT_EQ(f.SetCoef(0, 1.0), 0);

    ASSERT_EQ(f.SetLength(3), 1);
    EXPECT_EQ(f.SetCoef(3, 1.0), 0);
    EXPECT_EQ(f.SetCoef(-1, 1.0), 0);
    EXPECT_EQ(f.SetCoef(2, 1.0), 1);
    f.Process(4.0);
    f.Process(5.0);
    EXPECT_EQ(f.Process(6.0), 4.0); // h[2] picks the sample from two steps ago

    // A second SetLength keeps no trace of the first filter.
    ASSERT_EQ(f.SetLength(3), 1);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(f.Coef(k), 0.0);
    f.SetCoef(0, 1.0);
    f.SetCoef(1, 1.0);
    f.SetCoef(2, 1.0);
    EXPECT_EQ(f.Process(1.0), 1.0); // the delay line was cleared too

    EXPECT_EQ(f.SetLength(-1), 0);
    EXPECT_EQ(f.Length(), 0);
    EXPECT_EQ(f.Process(1.0), 0.0);
}

std::vector<double> Taps(const CStreamFilter& f)
{
    std::vector<double> h;
    for (int k = 0; k < f.Length(); ++k)
        h.push_back(f.Coef(k));
    return h;
}

std::vector<double> Load(int preset)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = preset;
    EXPECT_TRUE(doc.LoadFilePreset());
    return Taps(doc.m_filter);
}

TEST(FilePresets, LengthsAndTaps)
{
    EXPECT_EQ(Load(0), (std::vector<double>{1.0}));
    EXPECT_EQ(Load(1), (std::vector<double>{0, 0, 0, 0, 0, 1.0}));
    EXPECT_EQ(Load(2), (std::vector<double>{0.8, 0, 0, 0, 0, 0.2}));
    EXPECT_EQ(Load(3), (std::vector<double>(5, 0.2)));
    const auto lag1 = Load(4);
    ASSERT_EQ(lag1.size(), 10u);
    EXPECT_EQ(lag1[0], 0.893853546824);
    EXPECT_EQ(lag1[9], 0.00164138753799);
    const auto lag2 = Load(5);
    ASSERT_EQ(lag2.size(), 10u);
    EXPECT_EQ(lag2[5], -0.0121672575329);

    std::vector<double> delay(1024, 0.0);
    delay[1023] = 1.0;
    EXPECT_EQ(Load(6), delay);
    std::vector<double> echo(1024, 0.0);
    echo[0] = 0.9;
    echo[1023] = 0.2;
    EXPECT_EQ(Load(7), echo);
}

TEST(FilePresets, LowPassTables)
{
    struct Case {
        int preset;
        std::size_t length;
        double r;
        double sum;
    };
    for (const Case& c : {Case{8, 511, 0.25, 0.9969996}, Case{9, 495, 0.125, 1.0064514},
                          Case{10, 479, 0.05, 0.9831714}}) {
        const auto h = Load(c.preset);
        ASSERT_EQ(h.size(), c.length);
        const std::size_t centre = (c.length - 1) / 2;
        EXPECT_EQ(h[centre], c.r);
        double sum = 0.0;
        for (std::size_t i = 0; i < h.size(); ++i) {
            EXPECT_EQ(h[i], h[h.size() - 1 - i]) << "symmetry at " << i;
            if (i != centre) {
                const double k = static_cast<double>(i) - static_cast<double>(centre);
                const double ideal = std::sin(M_PI * c.r * k) / (M_PI * k);
                EXPECT_NEAR(h[i], ideal, 0.5e-7 + 1e-12) << "tap " << i;
                EXPECT_EQ(h[i], std::round(h[i] * 1e7) / 1e7) << "seven decimals at " << i;
            }
            sum += h[i];
        }
        EXPECT_NEAR(sum, c.sum, 1e-9);
    }
    const auto lpf4 = Load(8);
    EXPECT_EQ(lpf4[0], -0.0008827);
    EXPECT_EQ(lpf4[1], -0.0012532);
    EXPECT_EQ(lpf4[2], -0.0008896);
    EXPECT_EQ(lpf4[3], 0.0);
    EXPECT_EQ(lpf4[254], 0.2250791);
    EXPECT_EQ(Load(9)[0], 0.0004932);
    EXPECT_EQ(Load(10)[0], -0.0002083);
}

TEST(FilePresets, UserThreeTap)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = FILTER_USER3;
    doc.m_nUserTap = {0, 7, 3};
    doc.m_dUserCoef = {0.5, 0.0, 0.25};
    ASSERT_TRUE(doc.LoadFilePreset());
    EXPECT_EQ(Taps(doc.m_filter), (std::vector<double>{0.5, 0, 0, 0.25}));

    doc.m_nUserTap = {4, 4, 8192};
    doc.m_dUserCoef = {1.0, -2.0, 2.0};
    ASSERT_TRUE(doc.LoadFilePreset());
    const auto h = Taps(doc.m_filter);
    ASSERT_EQ(h.size(), 8193u);
    EXPECT_EQ(h[4], -2.0); // the later entry wins
    EXPECT_EQ(h[8192], 2.0);

    doc.m_dUserCoef = {0.0, 0.0, 0.0};
    ASSERT_TRUE(doc.LoadFilePreset());
    EXPECT_EQ(Taps(doc.m_filter), (std::vector<double>{0.0}));

    // Defaults of a fresh document: taps 0, 1, 2 with 0.5, 0.25, 0.5/3.
    CRavelinDoc fresh;
    fresh.m_nFilterPreset = FILTER_USER3;
    ASSERT_TRUE(fresh.LoadFilePreset());
    EXPECT_EQ(Taps(fresh.m_filter), (std::vector<double>{0.5, 0.25, 0.5 / 3}));
}

TEST(FilePresets, UnknownPresetLeavesFilterAlone)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = FILTER_ECHO5;
    ASSERT_TRUE(doc.LoadFilePreset());
    doc.m_nFilterPreset = -1;
    EXPECT_TRUE(doc.LoadFilePreset());
    EXPECT_EQ(doc.m_filter.Length(), 6);
}

TEST(FilePresets, LongDelayAndEcho)
{
    CRavelinDoc doc;
    doc.m_nFilterPreset = FILTER_DELAY1023;
    ASSERT_TRUE(doc.LoadFilePreset());
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(doc.m_filter.Process(1000.0), 0.0);

    doc.m_nFilterPreset = FILTER_ECHO1023;
    ASSERT_TRUE(doc.LoadFilePreset());
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(doc.m_filter.Process(1000.0), i < 1023 ? 900.0 : 1100.0) << i;
}

} // namespace
} // namespace ravelin
