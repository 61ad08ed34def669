#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Linear-phase FIR filters by the window method: the ideal response, centred on
// (N - 1) / 2, times a window, h[k] = w[k] * ideal[k], unscaled unless asked.
namespace ravelin {

enum class FilterType { LowPass, HighPass, BandPass, BandStop };
enum class WindowKind { Rectangular, Hann, Hamming, Blackman, Kaiser };

inline constexpr int kDesignMinTaps = 1;
inline constexpr int kDesignMaxTaps = 65535;
// Kaiser's beta beyond this gives windows whose tails underflow to zero.
inline constexpr double kKaiserMaxBeta = 100.0;
// Attenuations that Kaiser's formulas are given for, in dB.
inline constexpr double kKaiserMinAttenuation = 1.0;
inline constexpr double kKaiserMaxAttenuation = 300.0;

struct DesignSpec {
    FilterType type = FilterType::LowPass;
    // Cut-offs in cycles per sample, strictly between 0 and 0.5. Low- and high-pass
    // use low only; band filters pass or stop low .. high (low < high).
    double low = 0.125;
    double high = 0.25;
    int taps = 511;
    WindowKind window = WindowKind::Rectangular;
    double beta = 0.0; // Kaiser only, 0 .. kKaiserMaxBeta
    // Divides by the gain at the pass band's centre (0, 0.5 or the band's middle), so
    // that it becomes exactly 1 (0 dB).
    bool scale = false;
};

// Why a design was refused; each one names the field at fault.
enum class DesignError {
    None,
    TapsOutOfRange,    // taps outside kDesignMinTaps .. kDesignMaxTaps
    CutoffOutOfRange,  // a cut-off not strictly inside 0 .. 0.5 (or NaN)
    BandEdgesReversed, // a band filter's low not below its high
    EvenLengthNyquist, // an even length has a zero at 0.5: no high-pass or band-stop
    BetaOutOfRange,    // Kaiser's beta outside 0 .. kKaiserMaxBeta
    ScaleAtZeroGain,   // the pass band's centre has no gain to scale by
};

struct DesignResult {
    DesignError error = DesignError::None;
    std::vector<double> taps; // empty when refused
};

DesignResult DesignFilter(const DesignSpec& spec);

// The symmetric window of n >= 1 points (w[0] .. w[n - 1]); a single point is 1.
std::vector<double> MakeWindow(WindowKind kind, int n, double beta = 0.0);

// The modified Bessel function of the first kind and order 0, by its power series.
double BesselI0(double x);

// Kaiser's formulas: the beta that gives a stop-band attenuation in dB, and the
// length that reaches it across a transition width in cycles per sample (> 0).
// Length 0 when the width or the attenuation is out of range, or the length would
// exceed kDesignMaxTaps.
double KaiserBeta(double attenuationDb);
int KaiserLength(double attenuationDb, double transitionWidth);

// The transition width (cycles per sample) that a window of n taps gives: its main
// lobe's width by the usual table, for a Kaiser window by the formula above solved
// for the width at the attenuation its beta stands for.
double TransitionWidth(WindowKind kind, int n, double beta);

// Whether the type needs an odd length.
constexpr bool NeedsOddLength(FilterType type)
{
    return type == FilterType::HighPass || type == FilterType::BandStop;
}

// What the design came out as, measured on its response; NaN where the band is
// empty (the transitions cover it).
struct DesignMeasures {
    int taps = 0;
    double delay = 0.0;             // samples, (N - 1) / 2
    double passRippleDb = 0.0;      // highest minus lowest gain in the pass band(s)
    double stopAttenuationDb = 0.0; // minus the highest gain in the stop band(s), dB
    double absSum = 0.0;            // sum of |h|: the largest gain any input can see
    double clipDb = 0.0;            // 20 log10 of absSum when above 1, else 0
};

// Pass and stop bands lie a half transition width away from the cut-offs: the one
// given (cycles per sample, > 0), else the window's (TransitionWidth). points is how
// many frequencies 0 .. 0.5 are looked at (>= 2).
DesignMeasures MeasureDesign(const DesignSpec& spec, std::span<const double> taps,
                             int points = 8193, double transitionWidth = 0.0);

// Names for files and the command line ("lowpass", "kaiser", ...); the lookups return
// false for an unknown word.
std::string_view FilterTypeName(FilterType type);
std::string_view WindowName(WindowKind kind);
bool FindFilterType(std::string_view word, FilterType& type);
bool FindWindow(std::string_view word, WindowKind& kind);

// The options of `ravelin-cli design` that make exactly these taps again: cut-offs in
// cycles per sample and beta in the shortest form that reads back to the same double.
std::string DesignArguments(const DesignSpec& spec);

} // namespace ravelin
