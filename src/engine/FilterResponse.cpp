#include "engine/FilterResponse.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

namespace ravelin {

std::vector<double> FilePresetTaps(const SettingsValues& settings)
{
    // The table's taps, as the file run loads them.
    return FilterTaps(settings.filter, {settings.tap, settings.coef});
}

FrequencyResponse ComputeFrequencyResponse(std::span<const double> taps, int points)
{
    points = std::max(points, 2);
    const auto count = static_cast<std::size_t>(points);
    // Point k is at w = pi k / (points - 1); the angle w n is looked up as
    // (k n) mod 2(points - 1) in one table, so no error builds up along the taps.
    const std::uint64_t period = 2 * (count - 1);
    std::vector<double> cosTable(period), sinTable(period);
    for (std::uint64_t m = 0; m < period; ++m) {
        const double angle =
            std::numbers::pi * static_cast<double>(m) / static_cast<double>(count - 1);
        cosTable[m] = std::cos(angle);
        sinTable[m] = std::sin(angle);
    }
    FrequencyResponse r;
    r.frequency.resize(count);
    r.magnitudeDb.resize(count);
    r.phase.resize(count);
    r.groupDelay.resize(count);
    std::vector<double> re(count, 0.0), im(count, 0.0);
    // The transform of n h[n] beside that of h[n]: the group delay is
    // Re(DFT(n h) / DFT(h)), exact where a difference of phases would wrap.
    std::vector<double> reN(count, 0.0), imN(count, 0.0);
    // Tap by tap, each point's sums still run in increasing tap order.
    for (std::size_t n = 0; n < taps.size(); ++n) {
        const double h = taps[n];
        if (h == 0.0)
            continue;
        const double nh = static_cast<double>(n) * h;
        const std::uint64_t step = n % period;
        std::uint64_t m = 0;
        for (std::size_t k = 0; k < count; ++k) {
            re[k] += h * cosTable[m];
            im[k] -= h * sinTable[m];
            reN[k] += nh * cosTable[m];
            imN[k] -= nh * sinTable[m];
            m += step;
            if (m >= period)
                m -= period;
        }
    }
    for (std::size_t k = 0; k < count; ++k) {
        const double magnitude = std::hypot(re[k], im[k]);
        r.frequency[k] = 0.5 * static_cast<double>(k) / static_cast<double>(count - 1);
        r.magnitudeDb[k] = magnitude < 1e-15 ? kFloorDb : 20.0 * std::log10(magnitude);
        r.phase[k] = std::atan2(im[k], re[k]);
        const double power = re[k] * re[k] + im[k] * im[k];
        r.groupDelay[k] = magnitude < 1e-15 ? std::numeric_limits<double>::quiet_NaN()
                                            : (reN[k] * re[k] + imN[k] * im[k]) / power;
    }
    return r;
}

std::vector<double> StepResponse(std::span<const double> taps)
{
    std::vector<double> s(taps.size());
    double sum = 0.0;
    for (std::size_t n = 0; n < taps.size(); ++n) {
        sum += taps[n];
        s[n] = sum;
    }
    return s;
}

int ResponsePointsFor(std::size_t taps)
{
    // About eight points per ripple of the longest delay, 2001 .. 64001 points; steps
    // of 1/4000 cycle put the nulls at round fractions of the rate on a point.
    std::size_t points = 2000;
    while (points < 8 * taps && points < 64000)
        points *= 2;
    return static_cast<int>(points + 1);
}

} // namespace ravelin
