#include "engine/FilterResponse.h"

#include "engine/FftBlock.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <fftw3.h>
#include <limits>
#include <mutex>
#include <numbers>

namespace ravelin {

std::vector<double> FilePresetTaps(const SettingsValues& settings)
{
    // The table's taps, as the file run loads them.
    return FilterTaps(settings.filter, {settings.tap, settings.coef});
}

namespace {

// Above this many non-zero taps times points the response goes through one FFT: a long
// design's 64,001 points would take seconds as sums, and a few milliseconds this way.
constexpr double kFftAbove = double(1 << 24);

// The transform of h and that of n h[n] at each point, from which the response's
// curves follow.
struct Transforms {
    std::vector<double> re, im, reN, imN;
    explicit Transforms(std::size_t count) : re(count), im(count), reN(count), imN(count) {}
};

// |H|, the phase of H and the group delay Re(DFT(n h) / DFT(h)), exact where a
// difference of phases would wrap.
void Finish(FrequencyResponse& r, const Transforms& t)
{
    const std::size_t count = t.re.size();
    r.frequency.resize(count);
    r.magnitudeDb.resize(count);
    r.phase.resize(count);
    r.groupDelay.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const double magnitude = std::hypot(t.re[k], t.im[k]);
        r.frequency[k] = 0.5 * static_cast<double>(k) / static_cast<double>(count - 1);
        r.magnitudeDb[k] = magnitude < 1e-15 ? kFloorDb : 20.0 * std::log10(magnitude);
        r.phase[k] = std::atan2(t.im[k], t.re[k]);
        const double power = t.re[k] * t.re[k] + t.im[k] * t.im[k];
        r.groupDelay[k] = magnitude < 1e-15 ? std::numeric_limits<double>::quiet_NaN()
                                            : (t.reN[k] * t.re[k] + t.imN[k] * t.im[k]) / power;
    }
}

// Point k of `count` is bin k of a real transform of size 2 (count - 1); taps beyond
// that size fold onto it, which samples the same H(f). The last two plans and their
// buffers are kept for the next calls: a designer recomputes its plot and its measures
// at the same two sizes as its parameters change. False when FFTW cannot plan.
bool ResponseByFft(std::span<const double> taps, std::size_t count, FrequencyResponse& r)
{
    struct Kept {
        std::size_t size = 0;
        double* in = nullptr;
        fftw_complex* out = nullptr;
        fftw_plan plan = nullptr;
        void Release()
        {
            if (plan) {
                const std::lock_guard lock(FftwPlannerMutex());
                fftw_destroy_plan(plan);
            }
            fftw_free(in);
            fftw_free(out);
            // Field by field: assigning a fresh Kept would run its destructor, and so this.
            size = 0;
            in = nullptr;
            out = nullptr;
            plan = nullptr;
        }
        ~Kept() { Release(); }
    };
    static Kept keptPlans[2];
    static std::size_t older = 0;
    static std::mutex keptMutex;
    const std::lock_guard keptLock(keptMutex);

    const std::size_t size = 2 * (count - 1);
    std::size_t slot = keptPlans[0].size == size ? 0 : keptPlans[1].size == size ? 1 : older;
    older = 1 - slot;
    Kept& kept = keptPlans[slot];
    if (kept.size != size) {
        kept.Release();
        kept.in = fftw_alloc_real(size);
        kept.out = fftw_alloc_complex(count);
        if (kept.in && kept.out) {
            const std::lock_guard lock(FftwPlannerMutex());
            kept.plan =
                fftw_plan_dft_r2c_1d(static_cast<int>(size), kept.in, kept.out, FFTW_ESTIMATE);
        }
        if (!kept.plan) {
            kept.Release();
            return false;
        }
        kept.size = size;
    }
    Transforms t(count);
    // Twice through the kept plan: h, then n h[n] for the group delay.
    for (const bool weighted : {false, true}) {
        std::fill(kept.in, kept.in + size, 0.0);
        for (std::size_t n = 0; n < taps.size(); ++n)
            kept.in[n % size] += weighted ? static_cast<double>(n) * taps[n] : taps[n];
        fftw_execute(kept.plan);
        std::vector<double>& re = weighted ? t.reN : t.re;
        std::vector<double>& im = weighted ? t.imN : t.im;
        for (std::size_t k = 0; k < count; ++k) {
            re[k] = kept.out[k][0];
            im[k] = kept.out[k][1];
        }
    }
    Finish(r, t);
    return true;
}

} // namespace

FrequencyResponse ComputeFrequencyResponse(std::span<const double> taps, int points)
{
    points = std::max(points, 2);
    const auto count = static_cast<std::size_t>(points);
    const auto nonZero = static_cast<double>(
        std::count_if(taps.begin(), taps.end(), [](double h) { return h != 0.0; }));
    if (nonZero * static_cast<double>(count) > kFftAbove && count <= (std::size_t{1} << 28)) {
        FrequencyResponse r;
        if (ResponseByFft(taps, count, r))
            return r;
    }
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
    Transforms t(count);
    std::vector<double>& re = t.re;
    std::vector<double>& im = t.im;
    std::vector<double>& reN = t.reN;
    std::vector<double>& imN = t.imN;
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
    Finish(r, t);
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
