// The filter's frequency response against closed forms, the presets' taps as a file
// run loads them, and the waveform summary and sample reader behind the views.
#include "engine/FilterResponse.h"
#include "engine/Presets.h"
#include "engine/WaveSummary.h"
#include "files/WavSamples.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <tuple>

namespace ravelin {
namespace {

using namespace test;
using std::numbers::pi;

SettingsValues Preset(int filter)
{
    CRavelinDoc doc;
    SettingsValues s = doc.Settings();
    s.filter = filter;
    return s;
}

double Db(double magnitude)
{
    return 20.0 * std::log10(magnitude);
}

TEST(FilterResponse, DelayIsFlatWithLinearPhase)
{
    const auto taps = FilePresetTaps(Preset(kFilterDelay5));
    ASSERT_EQ(taps.size(), 6u);
    const FrequencyResponse r = ComputeFrequencyResponse(taps, 101);
    ASSERT_EQ(r.frequency.size(), 101u);
    EXPECT_EQ(r.frequency.front(), 0.0);
    EXPECT_EQ(r.frequency.back(), 0.5);
    for (std::size_t k = 0; k < r.frequency.size(); ++k) {
        EXPECT_NEAR(r.magnitudeDb[k], 0.0, 1e-9) << k;
        const std::complex<double> expected = std::polar(1.0, -2 * pi * r.frequency[k] * 5);
        EXPECT_NEAR(r.phase[k], std::arg(expected), 1e-9) << k;
    }
}

// The magnitude's closed form is checked on the echoes below; here the nulls.
TEST(FilterResponse, MovingAverageHasNullsAtFifthsOfTheRate)
{
    // 1001 points: f = 0.2 and 0.4 fall on points 400 and 800.
    const FrequencyResponse r = ComputeFrequencyResponse(FilePresetTaps(Preset(kFilterMa5)), 1001);
    EXPECT_NEAR(r.magnitudeDb[0], 0.0, 1e-12);
    EXPECT_LT(r.magnitudeDb[400], -250.0);
    EXPECT_LT(r.magnitudeDb[800], -250.0);
    EXPECT_GT(r.magnitudeDb[399], -60.0);
}

TEST(FilterResponse, EchoesMatchTheirClosedForms)
{
    const FrequencyResponse r = ComputeFrequencyResponse(FilePresetTaps(Preset(kFilterEcho5)), 257);
    for (std::size_t k = 0; k < r.frequency.size(); ++k) {
        const std::complex<double> h = 0.8 + 0.2 * std::polar(1.0, -2 * pi * r.frequency[k] * 5);
        EXPECT_NEAR(r.magnitudeDb[k], Db(std::abs(h)), 1e-9) << k;
        EXPECT_NEAR(r.phase[k], std::arg(h), 1e-9) << k;
    }
    // The long echo: 0.9 + 0.2 e^(-j 2 pi f 1023) swings between 1.1 and 0.7.
    const auto longEcho = FilePresetTaps(Preset(kFilterEcho1023));
    const FrequencyResponse l =
        ComputeFrequencyResponse(longEcho, ResponsePointsFor(longEcho.size()));
    EXPECT_GE(l.frequency.size(), 8 * longEcho.size());
    for (std::size_t k = 0; k < l.frequency.size(); k += 97) {
        const std::complex<double> h = 0.9 + 0.2 * std::polar(1.0, -2 * pi * l.frequency[k] * 1023);
        EXPECT_NEAR(l.magnitudeDb[k], Db(std::abs(h)), 1e-8) << k;
    }
}

TEST(FilterResponse, PresetTapsAreThoseOfTheFileRun)
{
    for (int p = 0; p < kFilterCount; ++p) {
        CRavelinDoc doc;
        doc.m_nFilterPreset = p;
        ASSERT_TRUE(doc.LoadFilePreset());
        const auto taps = FilePresetTaps(doc.Settings());
        ASSERT_EQ(taps.size(), static_cast<std::size_t>(doc.m_filter.Length())) << p;
        for (std::size_t i = 0; i < taps.size(); ++i)
            EXPECT_EQ(taps[i], doc.m_filter.Coef(static_cast<int>(i))) << p << " " << i;
    }
    // The user's three taps, up to the longest filter; an unchosen preset has none.
    SettingsValues user = Preset(kFilterUser3);
    user.tap = {0, 4096, 8192};
    user.coef = {0.5, -1.0, 0.25};
    const auto taps = FilePresetTaps(user);
    ASSERT_EQ(taps.size(), 8193u);
    EXPECT_EQ(taps[4096], -1.0);
    EXPECT_EQ(taps[8192], 0.25);
    const FrequencyResponse r = ComputeFrequencyResponse(taps, ResponsePointsFor(taps.size()));
    EXPECT_NEAR(r.magnitudeDb[0], Db(0.25), 1e-9);
    EXPECT_TRUE(FilePresetTaps(Preset(kFilterNone)).empty());
    EXPECT_EQ(ComputeFrequencyResponse({}, 2).magnitudeDb[1], kFloorDb);
}

// Random ranges of signals of many lengths, the queries covering the whole entries of
// WaveSummary::kLeaf samples that a range touches; then windows whose ends lie near the
// boundaries of the entries and of the first two coarser levels and the end, with the
// loudest sample, the quietest and the one mark placed at each offset around them.
TEST(WaveSummary, QueriesEqualAPlainScanOfTheEntriesTouched)
{
    std::mt19937 random(7);
    constexpr std::size_t kLeaf = WaveSummary::kLeaf;
    for (std::size_t length : {0u, 1u, 63u, 64u, 65u, 1024u, 1025u, 70000u}) {
        std::vector<std::int32_t> samples(length);
        std::vector<bool> marks(length);
        WaveSummary summary;
        for (std::size_t i = 0; i < length; ++i)
            samples[i] = static_cast<std::int32_t>(random() % 65536) - 32768;
        summary.Append(samples.data(), length);
        for (std::size_t i = 0; i < length; ++i)
            if (random() % 5000 == 0) {
                marks[i] = true;
                summary.Mark(i);
            }
        EXPECT_EQ(summary.MarkedCount(), std::size_t(std::count(marks.begin(), marks.end(), true)));
        for (int q = 0; q < 300; ++q) {
            std::size_t a = length ? random() % (length + 1) : 0;
            std::size_t b = length ? random() % (length + 1) : 0;
            if (q % 3 == 0)
                b = length + 5; // past the end: clipped
            if (a > b)
                std::swap(a, b);
            const WaveSummary::Range r = summary.Query(a, b);
            const std::size_t end = std::min(b, length);
            ASSERT_EQ(r.empty, a >= end) << length << " " << a << " " << b;
            if (r.empty)
                continue;
            const std::size_t from = a / kLeaf * kLeaf;
            const std::size_t to = std::min(length, (end + kLeaf - 1) / kLeaf * kLeaf);
            const auto [lo, hi] = std::minmax_element(samples.begin() + from, samples.begin() + to);
            EXPECT_EQ(r.lo, *lo);
            EXPECT_EQ(r.hi, *hi);
            EXPECT_EQ(r.marked, std::find(marks.begin() + from, marks.begin() + to, true) !=
                                    marks.begin() + to);
            const auto next = std::find(marks.begin() + a, marks.end(), true);
            EXPECT_EQ(summary.NextMarked(a), std::size_t(next - marks.begin()));
            EXPECT_EQ(summary.Marked(a), a < length && marks[a]);
        }
    }
    // Silence but for the loudest sample at one offset near a boundary of the entries,
    // the quietest at its mirror image across it and one mark: windows from near that
    // boundary to near any boundary after it.
    constexpr std::size_t F = WaveSummary::kFanOut, L = kLeaf, length = 2 * L * F * F + 40;
    const std::size_t boundaries[] = {L, 2 * L, L * F, 2 * L * F, L * F * F, 2 * L * F * F, length};
    std::vector<std::size_t> ends; // every place within 34 of a boundary
    for (std::size_t b : boundaries)
        for (std::size_t e = b - std::min<std::size_t>(b, 34); e <= b + 34; ++e)
            if (ends.empty() || e > ends.back())
                ends.push_back(e);
    std::vector<std::int32_t> samples(length, 0);
    WaveSummary summary;
    for (std::size_t boundary : boundaries) {
        for (std::size_t at = boundary - std::min<std::size_t>(boundary, 33);
             at < std::min(length, boundary + 33); ++at) {
            const std::size_t mirror = 2 * boundary - at - 1; // none past the end
            samples[at] = 30000;
            if (mirror < length)
                samples[mirror] = -30000;
            summary.Clear();
            summary.Append(samples.data(), length);
            summary.Mark(at);
            std::size_t wrong = 0;
            std::string first;
            for (std::size_t a : ends)
                for (std::size_t b : ends) {
                    if (a + 34 < boundary || a > boundary + 34 || b < a)
                        continue;
                    const WaveSummary::Range r = summary.Query(a, b);
                    // What the entries touched hold.
                    const std::size_t from = a / L * L;
                    const std::size_t to = std::min(length, (std::min(b, length) + L - 1) / L * L);
                    const bool hasAt = from <= at && at < to,
                               hasMirror = from <= mirror && mirror < to;
                    const bool silence = to - from > std::size_t{hasAt} + hasMirror;
                    const std::int32_t lo = hasMirror ? -30000 : silence ? 0 : 30000;
                    const std::int32_t hi = hasAt ? 30000 : silence ? 0 : -30000;
                    if (r.empty != (a >= std::min(b, length)) ||
                        (!r.empty && std::tuple(r.lo, r.hi, r.marked) != std::tuple(lo, hi, hasAt)))
                        if (wrong++ == 0)
                            first = std::to_string(a) + ", " + std::to_string(b);
                }
            EXPECT_EQ(wrong, 0u) << "extremes at " << at << " and " << mirror << ", first ["
                                 << first << ")";
            samples[at] = 0;
            if (mirror < length)
                samples[mirror] = 0;
        }
    }
}

// A run's blocks may be of any size: the summary made a block at a time equals the one
// made at once, and marks given twice or out of order count once.
TEST(WaveSummary, SameForEveryBlockSplit)
{
    std::mt19937 random(11);
    std::vector<std::int32_t> samples(50000);
    for (auto& s : samples)
        s = static_cast<std::int32_t>(random() % 256) - 128;
    WaveSummary whole;
    whole.Append(samples.data(), samples.size());
    for (std::uint64_t i : {5u, 6u, 7u, 4000u, 49999u})
        whole.Mark(i);
    for (std::size_t maxBlock : {1u, 63u, 64u, 1000u, 65536u}) {
        WaveSummary split;
        split.Reserve(samples.size());
        for (std::size_t i = 0, n = 0; i < samples.size(); i += n) {
            n = std::min<std::size_t>(random() % (maxBlock + 1), samples.size() - i);
            split.Append(samples.data() + i, n);
            for (std::uint64_t m : {5u, 6u, 7u, 4000u, 49999u})
                if (m >= i && m < i + n) {
                    split.Mark(m);
                    split.Mark(m); // again: no second count
                }
        }
        split.Mark(3); // behind the last mark: ignored
        EXPECT_TRUE(split == whole) << maxBlock;
        EXPECT_EQ(split.MarkedCount(), 5u);
    }
}

TEST(WavSamples, ReadsBothWidthsAndRefusesTheRest)
{
    const TempDir dir;
    WriteFile(dir / "16.wav", MakeWav({.rate = 44100}, Samples16({1, -2, 32767, -32768})));
    WavSamples s;
    ASSERT_EQ(ReadWavSamples(dir / "16.wav", s), WavReadResult::Ok);
    EXPECT_EQ(s.sampleRate, 44100);
    EXPECT_EQ(s.samples, (std::vector<std::int16_t>{1, -2, 32767, -32768}));
    EXPECT_EQ(s.Hi(), 32767);
    EXPECT_EQ(ReadWavSampleRate(dir / "16.wav"), 44100);

    // 8-bit, declaring more than is there: what is present.
    WriteFile(dir / "8.wav", MakeWav({.bits = 8}, {0, 128, 255}, 10));
    ASSERT_EQ(ReadWavSamples(dir / "8.wav", s), WavReadResult::Ok);
    EXPECT_EQ(s.samples, (std::vector<std::int16_t>{-128, 0, 127}));
    EXPECT_EQ(s.Lo(), -128);

    WriteFile(dir / "stereo.wav", MakeWav({.channels = 2}, Samples16({1, 2})));
    EXPECT_EQ(ReadWavSamples(dir / "stereo.wav", s), WavReadResult::WrongFormat);
    EXPECT_EQ(ReadWavSamples(dir / "missing.wav", s), WavReadResult::CantOpen);
    EXPECT_EQ(ReadWavSampleRate(dir / "missing.wav"), 0);
    EXPECT_EQ(s.samples.size(), 3u); // a refused file leaves the last samples alone
}

} // namespace
} // namespace ravelin
