// The window-method designer against closed forms and the known values of Kaiser's
// formulas, and the low-pass presets it must reproduce.
#include "engine/FilterDesign.h"

#include "engine/FilterResponse.h"
#include "engine/LowPassTables.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>

namespace ravelin {
namespace {

using std::numbers::pi;

DesignSpec Spec(FilterType type, double low, int taps, WindowKind window = WindowKind::Rectangular,
                double high = 0.25)
{
    DesignSpec s;
    s.type = type;
    s.low = low;
    s.high = high;
    s.taps = taps;
    s.window = window;
    return s;
}

std::vector<double> Design(const DesignSpec& spec)
{
    const DesignResult r = DesignFilter(spec);
    EXPECT_EQ(r.error, DesignError::None);
    return r.taps;
}

TEST(FilterDesign, RectangularLowPassesAreThePresetTables)
{
    // Cut-off r times the Nyquist frequency is r / 2 cycles per sample.
    const struct {
        double cutoff;
        std::span<const double> table;
    } cases[] = {{0.125, kLowPass4}, {1.0 / 16, kLowPass8}, {1.0 / 40, kLowPass20}};
    for (const auto& c : cases) {
        const std::vector<double> h =
            Design(Spec(FilterType::LowPass, c.cutoff, static_cast<int>(c.table.size())));
        ASSERT_EQ(h.size(), c.table.size());
        for (std::size_t k = 0; k < h.size(); ++k)
            ASSERT_NEAR(h[k], c.table[k], 5e-8) << "cut-off " << c.cutoff << " tap " << k;
    }
}

TEST(FilterDesign, WindowsHaveTheirClosedForms)
{
    const auto expectWindow = [](WindowKind kind, double beta, std::vector<double> expected) {
        const std::vector<double> w = MakeWindow(kind, static_cast<int>(expected.size()), beta);
        ASSERT_EQ(w.size(), expected.size());
        for (std::size_t k = 0; k < w.size(); ++k)
            EXPECT_NEAR(w[k], expected[k], 1e-15) << WindowName(kind) << " point " << k;
    };
    expectWindow(WindowKind::Rectangular, 0, {1, 1, 1, 1});
    expectWindow(WindowKind::Hann, 0, {0, 0.5, 1, 0.5, 0});
    expectWindow(WindowKind::Hamming, 0, {0.08, 0.54, 1, 0.54, 0.08});
    expectWindow(WindowKind::Blackman, 0, {0, 0.34, 1, 0.34, 0});
    expectWindow(WindowKind::Hann, 0, {0, 0.75, 0.75, 0});
    expectWindow(WindowKind::Kaiser, 0, {1, 1, 1});
    // Kaiser: I0(beta sqrt(1 - r^2)) / I0(beta); I0(1) and I0(5) from tables.
    EXPECT_NEAR(BesselI0(0), 1.0, 0);
    EXPECT_NEAR(BesselI0(1), 1.2660658777520082, 1e-15);
    EXPECT_NEAR(BesselI0(5), 27.239871823604442, 1e-12);
    expectWindow(WindowKind::Kaiser, 5,
                 {1 / 27.239871823604442, BesselI0(5 * std::sqrt(0.75)) / BesselI0(5), 1,
                  BesselI0(5 * std::sqrt(0.75)) / BesselI0(5), 1 / 27.239871823604442});
    for (const WindowKind kind : {WindowKind::Rectangular, WindowKind::Hann, WindowKind::Hamming,
                                  WindowKind::Blackman, WindowKind::Kaiser}) {
        EXPECT_EQ(MakeWindow(kind, 1, 8.0), std::vector<double>{1.0});
        for (const int n : {4096, 4095}) {
            const std::vector<double> w = MakeWindow(kind, n, 8.0);
            for (int k = 0; k < n; ++k) {
                ASSERT_EQ(w[std::size_t(k)], w[std::size_t(n - 1 - k)]) << WindowName(kind);
                ASSERT_GE(w[std::size_t(k)], 0.0);
                ASSERT_LE(w[std::size_t(k)], 1.0);
            }
        }
    }
}

TEST(FilterDesign, KaiserFormulasGiveTheTabulatedValues)
{
    // beta for 20 .. 100 dB, worked out by hand from Kaiser's formula to five decimals.
    const struct {
        double atten, beta;
    } betas[] = {{20, 0},       {21, 0},       {30, 2.11662}, {40, 3.39532},
                 {50, 4.53351}, {60, 5.65326}, {80, 7.85726}, {100, 10.06126}};
    for (const auto& b : betas)
        EXPECT_NEAR(KaiserBeta(b.atten), b.beta, 5e-5) << b.atten << " dB";
    // The textbook example: 60 dB across 0.2 pi rad (0.1 cycles) needs order 37, 38 taps.
    EXPECT_EQ(KaiserLength(60, 0.1), 38);
    // (A - 7.95) / (2.285 * 2 pi width), rounded up, plus one.
    EXPECT_EQ(KaiserLength(40, 0.05), 46);
    EXPECT_EQ(KaiserLength(80, 0.01), 503);
    EXPECT_EQ(KaiserLength(60, 0), 0);
    EXPECT_EQ(KaiserLength(60, 0.6), 0);
    EXPECT_EQ(KaiserLength(300, 1e-5), 0); // would exceed 65,535 taps
}

TEST(FilterDesign, KaiserDesignsMeetTheirAttenuation)
{
    for (const double atten : {30.0, 40.0, 60.0, 80.0, 100.0}) {
        for (const FilterType type : {FilterType::LowPass, FilterType::HighPass}) {
            const double width = 0.04, cutoff = 0.2;
            DesignSpec s = Spec(type, cutoff, KaiserLength(atten, width), WindowKind::Kaiser);
            s.taps |= NeedsOddLength(type) ? 1 : 0;
            s.beta = KaiserBeta(atten);
            const std::vector<double> h = Design(s);
            const FrequencyResponse r = ComputeFrequencyResponse(h, 16001);
            double worst = -1000;
            for (std::size_t k = 0; k < r.frequency.size(); ++k) {
                const double f = r.frequency[k];
                const bool stop =
                    type == FilterType::LowPass ? f >= cutoff + width / 2 : f <= cutoff - width / 2;
                if (stop)
                    worst = std::max(worst, r.magnitudeDb[k]);
            }
            // Kaiser's formulas are fitted curves: they reach the attenuation to
            // within a fraction of a decibel (0.7 dB at worst here).
            EXPECT_LE(worst, -atten + 1.0) << atten << " dB " << FilterTypeName(type);
            const DesignMeasures m = MeasureDesign(s, h);
            EXPECT_GE(m.stopAttenuationDb, atten - 1.0);
            // The pass band ripples by the same delta as the stop band.
            const double delta = std::pow(10.0, -atten / 20);
            EXPECT_LT(m.passRippleDb, 20 * std::log10((1 + delta) / (1 - delta)) + 0.1);
        }
    }
}

TEST(FilterDesign, HighPassAndBandStopAreADelayMinusTheirComplements)
{
    for (const WindowKind window : {WindowKind::Rectangular, WindowKind::Hann, WindowKind::Hamming,
                                    WindowKind::Blackman, WindowKind::Kaiser}) {
        const int n = 101, c = 50;
        DesignSpec low = Spec(FilterType::LowPass, 0.13, n, window);
        low.beta = 6;
        DesignSpec high = low, bandPass = low, bandStop = low, upper = low;
        high.type = FilterType::HighPass;
        bandPass.type = FilterType::BandPass;
        bandStop.type = FilterType::BandStop;
        upper.low = bandPass.high = bandStop.high = 0.31;
        const auto hLow = Design(low), hHigh = Design(high), hUpper = Design(upper);
        const auto hPass = Design(bandPass), hStop = Design(bandStop);
        const std::vector<double> w = MakeWindow(window, n, 6);
        for (int k = 0; k < n; ++k) {
            const std::size_t i = std::size_t(k);
            const double delay = k == c ? w[i] : 0.0;
            // The window multiplies the difference, not each term: a rounding apart.
            EXPECT_NEAR(hHigh[i], delay - hLow[i], 3e-16) << WindowName(window) << " " << k;
            EXPECT_NEAR(hPass[i], hUpper[i] - hLow[i], 3e-16);
            EXPECT_NEAR(hStop[i], delay - hPass[i], 3e-16);
        }
        // Linear phase: every design is exactly symmetric.
        for (const auto* h : {&hLow, &hHigh, &hPass, &hStop})
            for (int k = 0; k < n; ++k)
                ASSERT_EQ((*h)[std::size_t(k)], (*h)[std::size_t(n - 1 - k)]);
    }
}

TEST(FilterDesign, RefusesWhatTheParametersCannotGive)
{
    const auto error = [](DesignSpec s) { return DesignFilter(s).error; };
    DesignSpec s = Spec(FilterType::LowPass, 0.1, 64);
    EXPECT_EQ(error(s), DesignError::None); // an even low-pass is fine
    s.type = FilterType::BandPass;
    EXPECT_EQ(error(s), DesignError::None);
    // An even symmetric filter has a zero at half the rate.
    s.type = FilterType::HighPass;
    EXPECT_EQ(error(s), DesignError::EvenLengthNyquist);
    s.type = FilterType::BandStop;
    EXPECT_EQ(error(s), DesignError::EvenLengthNyquist);
    s.taps = 65;
    EXPECT_EQ(error(s), DesignError::None);

    for (const int taps : {0, -1, 65536})
        EXPECT_EQ(error(Spec(FilterType::LowPass, 0.1, taps)), DesignError::TapsOutOfRange);
    EXPECT_EQ(DesignFilter(Spec(FilterType::LowPass, 0.1, 1)).taps, std::vector<double>{0.2});
    EXPECT_EQ(DesignFilter(Spec(FilterType::LowPass, 0.1, 65535, WindowKind::Hann)).taps.size(),
              65535u);
    for (const double f : {0.0, 0.5, -0.1, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(error(Spec(FilterType::LowPass, f, 11)), DesignError::CutoffOutOfRange) << f;
    EXPECT_EQ(error(Spec(FilterType::BandPass, 0.1, 11, WindowKind::Hann, 0.5)),
              DesignError::CutoffOutOfRange);
    EXPECT_EQ(error(Spec(FilterType::BandPass, 0.3, 11, WindowKind::Hann, 0.2)),
              DesignError::BandEdgesReversed);
    DesignSpec k = Spec(FilterType::LowPass, 0.1, 11, WindowKind::Kaiser);
    k.beta = -1;
    EXPECT_EQ(error(k), DesignError::BetaOutOfRange);
    k.beta = kKaiserMaxBeta;
    EXPECT_EQ(error(k), DesignError::None);
}

TEST(FilterDesign, ScalingPutsThePassBandCentreAtZeroDecibels)
{
    const auto gainAt = [](const std::vector<double>& h, double f) {
        const double c = 0.5 * double(h.size() - 1);
        double sum = 0;
        for (std::size_t k = 0; k < h.size(); ++k)
            sum += h[k] * std::cos(2 * pi * f * (double(k) - c));
        return sum;
    };
    DesignSpec s = Spec(FilterType::LowPass, 0.05, 31, WindowKind::Hamming, 0.3);
    EXPECT_GT(std::fabs(gainAt(Design(s), 0) - 1), 1e-4); // unscaled by default
    s.scale = true;
    EXPECT_NEAR(gainAt(Design(s), 0), 1, 1e-14);
    s.type = FilterType::HighPass;
    EXPECT_NEAR(gainAt(Design(s), 0.5), 1, 1e-14);
    s.type = FilterType::BandPass;
    EXPECT_NEAR(gainAt(Design(s), 0.175), 1, 1e-14);
    s.type = FilterType::BandStop;
    EXPECT_NEAR(gainAt(Design(s), 0), 1, 1e-14);
}

TEST(FilterDesign, MeasuresTheGainAnyInputCanSee)
{
    const std::vector<double> h{0.5, -1.0, 1.0};
    const DesignMeasures m = MeasureDesign(Spec(FilterType::LowPass, 0.1, 3), h);
    EXPECT_EQ(m.taps, 3);
    EXPECT_EQ(m.delay, 1.0);
    EXPECT_EQ(m.absSum, 2.5);
    EXPECT_NEAR(m.clipDb, 20 * std::log10(2.5), 1e-12);
    const DesignMeasures quiet = MeasureDesign(Spec(FilterType::LowPass, 0.1, 3), {{0.25, 0.5}});
    EXPECT_EQ(quiet.clipDb, 0.0);
}

// Long dense filters' responses come from one FFT (taps longer than the transform fold
// onto it), the group delay from a second one of n h[n]; they must agree with H(f) and
// with the delay summed plainly. The windowed band-pass is symmetric, the decaying
// filter is not, so its delay varies.
TEST(FilterDesign, LongResponsesAgreeWithThePlainSum)
{
    DesignSpec s = Spec(FilterType::BandPass, 0.1, 4095, WindowKind::Kaiser, 0.2);
    s.beta = 7;
    std::vector<double> decaying(2001);
    for (std::size_t n = 0; n < decaying.size(); ++n)
        decaying[n] = std::exp(-double(n) / 300.0) * (1.0 + 0.5 * std::sin(0.37 * double(n)));
    s.taps = 9001;
    const std::vector<double> long9001 = Design(s);
    s.taps = 4095;
    for (const auto& [h, points] :
         {std::pair(Design(s), 64001), std::pair(long9001, 4001), std::pair(decaying, 16385)}) {
        const FrequencyResponse r = ComputeFrequencyResponse(h, points);
        ASSERT_EQ(r.frequency.size(), std::size_t(points));
        for (int k = 0; k < points; k += points / 37) {
            long double re = 0, im = 0, reN = 0, imN = 0;
            for (std::size_t n = 0; n < h.size(); ++n) {
                const long double angle = 2 * pi * r.frequency[std::size_t(k)] * n;
                re += h[n] * std::cos(angle);
                im -= h[n] * std::sin(angle);
                reN += n * h[n] * std::cos(angle);
                imN -= n * h[n] * std::sin(angle);
            }
            const double db = 20 * std::log10(double(std::hypot(re, im)));
            EXPECT_NEAR(r.magnitudeDb[std::size_t(k)], db, std::max(1e-9, std::fabs(db) * 1e-3))
                << h.size() << " taps, point " << k;
            if (db < -100)
                continue; // near a null the delay is ill-conditioned
            const double delay = double((reN * re + imN * im) / (re * re + im * im));
            EXPECT_NEAR(r.groupDelay[std::size_t(k)], delay, 1e-6 * std::max(1.0, std::fabs(delay)))
                << h.size() << " taps, point " << k;
        }
    }
}

} // namespace
} // namespace ravelin
