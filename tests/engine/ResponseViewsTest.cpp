// Group delay and step response of the filter panel's views.

#include "engine/FilterResponse.h"
#include "engine/Presets.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace ravelin {
namespace {

TEST(GroupDelay, SymmetricFiltersDelayByHalfTheirLength)
{
    for (int preset : {kFilterMa5, kFilterLpf4, kFilterLpf8}) {
        const std::vector<double> taps = FilterTaps(preset, {});
        const FrequencyResponse r = ComputeFrequencyResponse(taps, 501);
        std::size_t first = 0, last = taps.size() - 1;
        while (taps[first] == 0.0)
            ++first;
        while (taps[last] == 0.0)
            --last;
        const double half = double(first + last) / 2.0;
        for (std::size_t k = 0; k < r.frequency.size(); ++k)
            if (r.magnitudeDb[k] > -60.0) { // away from the nulls
                EXPECT_NEAR(r.groupDelay[k], half, 1e-6) << preset << " at " << k;
            }
    }
}

TEST(GroupDelay, ClosedFormOfAnEchoAndNaNOnlyAtNulls)
{
    // h = 0.8 d(t) + 0.2 d(t-5): tau = Re(0.2*5 e^{-j5w} / (0.8 + 0.2 e^{-j5w})).
    const std::vector<double> taps = FilterTaps(kFilterEcho5, {});
    const FrequencyResponse r = ComputeFrequencyResponse(taps, 201);
    for (std::size_t k = 0; k < r.frequency.size(); ++k) {
        const double w = 2.0 * std::numbers::pi * r.frequency[k];
        const double c = std::cos(5 * w), s = std::sin(5 * w);
        const double den = (0.8 + 0.2 * c) * (0.8 + 0.2 * c) + 0.04 * s * s;
        const double expected = (1.0 * c * (0.8 + 0.2 * c) + 1.0 * s * 0.2 * s) / den;
        EXPECT_NEAR(r.groupDelay[k], expected, 1e-9) << k;
    }
    // The moving average's nulls at fifths of the rate have no phase to differentiate.
    const FrequencyResponse ma = ComputeFrequencyResponse(FilterTaps(kFilterMa5, {}), 4001);
    for (std::size_t k = 0; k < ma.frequency.size(); ++k)
        EXPECT_EQ(std::isnan(ma.groupDelay[k]), ma.magnitudeDb[k] == kFloorDb) << k;
}

TEST(StepResponse, RunningSumInTapOrder)
{
    EXPECT_TRUE(StepResponse(std::vector<double>{}).empty());
    const std::vector<double> taps = FilterTaps(kFilterLag2, {});
    const std::vector<double> s = StepResponse(taps);
    ASSERT_EQ(s.size(), taps.size());
    double sum = 0.0;
    for (std::size_t n = 0; n < taps.size(); ++n) {
        sum += taps[n];
        EXPECT_EQ(s[n], sum);
    }
    const std::vector<double> delay = StepResponse(FilterTaps(kFilterDelay5, {}));
    EXPECT_EQ(delay[4], 0.0);
    EXPECT_EQ(delay[5], 1.0);
}

} // namespace
} // namespace ravelin
