#include "engine/FilterDesign.h"

#include "engine/FilterResponse.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

namespace ravelin {

namespace {

using std::numbers::pi;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool InsideHalfBand(double f)
{
    return f > 0.0 && f < 0.5; // false for NaN too
}

// The ideal low-pass with cut-off f at m samples from the centre (m may be a half):
// sin(2 pi f m) / (pi m), and 2 f at the centre.
double IdealLowPass(double f, double m)
{
    return m == 0.0 ? 2.0 * f : std::sin(2.0 * pi * f * m) / (pi * m);
}

double Ideal(const DesignSpec& spec, double m)
{
    const double delta = m == 0.0 ? 1.0 : 0.0;
    switch (spec.type) {
    case FilterType::LowPass:
        return IdealLowPass(spec.low, m);
    case FilterType::HighPass:
        return delta - IdealLowPass(spec.low, m);
    case FilterType::BandPass:
        return IdealLowPass(spec.high, m) - IdealLowPass(spec.low, m);
    case FilterType::BandStop:
        return delta - (IdealLowPass(spec.high, m) - IdealLowPass(spec.low, m));
    }
    return 0.0;
}

// The frequency at the middle of the (first) pass band.
double PassCentre(const DesignSpec& spec)
{
    switch (spec.type) {
    case FilterType::HighPass:
        return 0.5;
    case FilterType::BandPass:
        return 0.5 * (spec.low + spec.high);
    case FilterType::LowPass:
    case FilterType::BandStop:
        break;
    }
    return 0.0;
}

bool TwoEdges(FilterType type)
{
    return type == FilterType::BandPass || type == FilterType::BandStop;
}

} // namespace

double BesselI0(double x)
{
    // sum of ((x/2)^k / k!)^2; every term is positive, so the sum converges without
    // cancellation for any x a window needs.
    const double q = 0.25 * x * x;
    double term = 1.0, sum = 1.0;
    for (int k = 1; k < 1000; ++k) {
        term *= q / (static_cast<double>(k) * static_cast<double>(k));
        sum += term;
        if (term < sum * 1e-17)
            break;
    }
    return sum;
}

std::vector<double> MakeWindow(WindowKind kind, int n, double beta)
{
    if (n < 1)
        return {};
    std::vector<double> w(static_cast<std::size_t>(n), 1.0);
    if (n == 1)
        return w;
    const double last = n - 1;
    const double i0Beta = kind == WindowKind::Kaiser ? BesselI0(beta) : 1.0;
    for (int k = 0; k < n; ++k) {
        const double phase = 2.0 * pi * k / last;
        double& v = w[static_cast<std::size_t>(k)];
        switch (kind) {
        case WindowKind::Rectangular:
            break;
        case WindowKind::Hann:
            v = 0.5 - 0.5 * std::cos(phase);
            break;
        case WindowKind::Hamming:
            v = 0.54 - 0.46 * std::cos(phase);
            break;
        case WindowKind::Blackman:
            v = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
            break;
        case WindowKind::Kaiser: {
            const double r = 2.0 * k / last - 1.0;
            v = BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / i0Beta;
            break;
        }
        }
    }
    // The formulas are symmetric; the rounding of cos need not be. Mirror the first
    // half so that the filter's phase is exactly linear.
    for (int k = 0; k < n / 2; ++k)
        w[static_cast<std::size_t>(n - 1 - k)] = w[static_cast<std::size_t>(k)];
    if (kind == WindowKind::Blackman)
        for (double& v : w)
            v = std::max(v, 0.0); // its ends come out as -1e-17, not 0
    return w;
}

double KaiserBeta(double a)
{
    if (a > 50.0)
        return 0.1102 * (a - 8.7);
    if (a >= 21.0)
        return 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
    return 0.0;
}

int KaiserLength(double a, double width)
{
    if (!(width > 0.0 && width <= 0.5) ||
        !(a >= kKaiserMinAttenuation && a <= kKaiserMaxAttenuation))
        return 0;
    // N - 1 >= (A - 7.95) / (2.285 * delta omega), delta omega = 2 pi width.
    const double order = std::ceil(std::max(0.0, a - 7.95) / (2.285 * 2.0 * pi * width));
    if (order + 1.0 > kDesignMaxTaps)
        return 0;
    return static_cast<int>(order) + 1;
}

double TransitionWidth(WindowKind kind, int n, double beta)
{
    // Main-lobe widths in bins (1 / N) of the usual window design table.
    double bins = 0.9;
    switch (kind) {
    case WindowKind::Rectangular:
        bins = 0.9;
        break;
    case WindowKind::Hann:
        bins = 3.1;
        break;
    case WindowKind::Hamming:
        bins = 3.3;
        break;
    case WindowKind::Blackman:
        bins = 5.5;
        break;
    case WindowKind::Kaiser: {
        // The attenuation that beta stands for, by inverting KaiserBeta, then the
        // length formula solved for the width.
        double a = beta > 0.1102 * (50.0 - 8.7) ? beta / 0.1102 + 8.7 : 21.0;
        if (a <= 50.0 && beta > 0.0) {
            double lo = 21.0, hi = 50.0;
            for (int i = 0; i < 60; ++i) {
                const double mid = 0.5 * (lo + hi);
                (KaiserBeta(mid) < beta ? lo : hi) = mid;
            }
            a = 0.5 * (lo + hi);
        }
        // Kaiser's formula counts the order, N - 1.
        const double order = std::max(a - 7.95, 0.9 * 14.36) / 14.36;
        return n > 1 ? order / (n - 1) : 0.5;
    }
    }
    return n > 1 ? bins / n : 0.5;
}

DesignResult DesignFilter(const DesignSpec& spec)
{
    DesignResult result;
    const auto refuse = [&result](DesignError e) {
        result.error = e;
        return result;
    };
    if (spec.taps < kDesignMinTaps || spec.taps > kDesignMaxTaps)
        return refuse(DesignError::TapsOutOfRange);
    if (!InsideHalfBand(spec.low) || (TwoEdges(spec.type) && !InsideHalfBand(spec.high)))
        return refuse(DesignError::CutoffOutOfRange);
    if (TwoEdges(spec.type) && !(spec.low < spec.high))
        return refuse(DesignError::BandEdgesReversed);
    if (NeedsOddLength(spec.type) && spec.taps % 2 == 0)
        return refuse(DesignError::EvenLengthNyquist);
    if (spec.window == WindowKind::Kaiser && !(spec.beta >= 0.0 && spec.beta <= kKaiserMaxBeta))
        return refuse(DesignError::BetaOutOfRange);

    const std::vector<double> w = MakeWindow(spec.window, spec.taps, spec.beta);
    std::vector<double> h(w.size());
    const double centre = 0.5 * (spec.taps - 1);
    for (std::size_t k = 0; k < h.size(); ++k)
        h[k] = w[k] * Ideal(spec, static_cast<double>(k) - centre);
    // Exactly symmetric, as the window is: the ideal's two halves may round apart.
    for (std::size_t k = 0; k < h.size() / 2; ++k)
        h[h.size() - 1 - k] = h[k];

    if (spec.scale) {
        const double f = PassCentre(spec);
        double gain = 0.0;
        for (std::size_t k = 0; k < h.size(); ++k)
            gain += h[k] * std::cos(2.0 * pi * f * (static_cast<double>(k) - centre));
        if (!(std::fabs(gain) > 1e-12))
            return refuse(DesignError::ScaleAtZeroGain);
        for (double& v : h)
            v /= gain;
    }
    result.taps = std::move(h);
    return result;
}

DesignMeasures MeasureDesign(const DesignSpec& spec, std::span<const double> taps, int points,
                             double transitionWidth)
{
    DesignMeasures m;
    m.taps = static_cast<int>(taps.size());
    m.delay = taps.empty() ? 0.0 : 0.5 * static_cast<double>(taps.size() - 1);
    for (const double v : taps)
        m.absSum += std::fabs(v);
    m.clipDb = m.absSum > 1.0 ? 20.0 * std::log10(m.absSum) : 0.0;
    m.passRippleDb = m.stopAttenuationDb = kNaN;
    if (taps.empty())
        return m;

    const double half =
        0.5 *
        (transitionWidth > 0.0 ? transitionWidth : TransitionWidth(spec.window, m.taps, spec.beta));
    // Per frequency: +1 pass band, -1 stop band, 0 transition.
    const auto band = [&](double f) {
        const auto near = [&](double edge) { return std::fabs(f - edge) < half; };
        if (near(spec.low) || (TwoEdges(spec.type) && near(spec.high)))
            return 0;
        bool pass = false;
        switch (spec.type) {
        case FilterType::LowPass:
            pass = f < spec.low;
            break;
        case FilterType::HighPass:
            pass = f > spec.low;
            break;
        case FilterType::BandPass:
            pass = f > spec.low && f < spec.high;
            break;
        case FilterType::BandStop:
            pass = f < spec.low || f > spec.high;
            break;
        }
        return pass ? 1 : -1;
    };
    const FrequencyResponse r = ComputeFrequencyResponse(taps, std::max(points, 2));
    double passMax = 0.0, passMin = 0.0, stopMax = 0.0;
    bool anyPass = false, anyStop = false;
    for (std::size_t k = 0; k < r.frequency.size(); ++k) {
        const double db = r.magnitudeDb[k];
        const int b = band(r.frequency[k]);
        if (b > 0) {
            passMax = anyPass ? std::max(passMax, db) : db;
            passMin = anyPass ? std::min(passMin, db) : db;
            anyPass = true;
        } else if (b < 0) {
            stopMax = anyStop ? std::max(stopMax, db) : db;
            anyStop = true;
        }
    }
    if (anyPass)
        m.passRippleDb = passMax - passMin;
    if (anyStop)
        m.stopAttenuationDb = -stopMax;
    return m;
}

namespace {

constexpr std::array<std::string_view, 4> kTypeNames{"lowpass", "highpass", "bandpass", "bandstop"};
constexpr std::array<std::string_view, 5> kWindowNames{"rectangular", "hann", "hamming", "blackman",
                                                       "kaiser"};

} // namespace

std::string_view FilterTypeName(FilterType type)
{
    return kTypeNames[static_cast<std::size_t>(type)];
}

std::string_view WindowName(WindowKind kind)
{
    return kWindowNames[static_cast<std::size_t>(kind)];
}

bool FindFilterType(std::string_view word, FilterType& type)
{
    for (std::size_t i = 0; i < kTypeNames.size(); ++i)
        if (kTypeNames[i] == word) {
            type = static_cast<FilterType>(i);
            return true;
        }
    return false;
}

bool FindWindow(std::string_view word, WindowKind& kind)
{
    for (std::size_t i = 0; i < kWindowNames.size(); ++i)
        if (kWindowNames[i] == word) {
            kind = static_cast<WindowKind>(i);
            return true;
        }
    return false;
}

std::string DesignArguments(const DesignSpec& spec)
{
    std::string args;
    const auto add = [&args](std::string_view word) { args.append(word); };
    const auto number = [&args](double v) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, v).ptr;
        args.append(text, end);
    };
    add("--type ");
    add(FilterTypeName(spec.type));
    add(" --cutoff ");
    number(spec.low);
    if (TwoEdges(spec.type)) {
        add(",");
        number(spec.high);
    }
    add(" --taps ");
    add(std::to_string(spec.taps));
    add(" --window ");
    add(WindowName(spec.window));
    if (spec.window == WindowKind::Kaiser) {
        add(" --beta ");
        number(spec.beta);
    }
    if (spec.scale)
        add(" --scale");
    return args;
}

} // namespace ravelin
